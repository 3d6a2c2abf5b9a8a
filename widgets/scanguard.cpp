#include "widgets/scanguard.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace widgets {

namespace {

Q_LOGGING_CATEGORY(lcScanGuard, "norvane.ui")

bool isKey(QEvent::Type type)
{
    return type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

// Input other than keys that a modal window keeps from the windows below it.
bool isPointerInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease: return true;
    default: return false;
    }
}

// A key pressed, as a burst counts them: not a held key's repeat, nor a modifier
// (a scanner presses Shift around capitals, a person presses it just before the letter).
bool isPress(const QKeyEvent &key)
{
    if (key.type() != QEvent::KeyPress || key.isAutoRepeat())
        return false;
    switch (key.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock: return false;
    default: return true;
    }
}

} // namespace

ScanGuard::ScanGuard(QWidget *guarded)
    : m_guarded(guarded)
    , m_returnTo(QGuiApplication::focusWindow())
{
    m_clock.start();
    m_alone.setSingleShot(true);
    connect(&m_alone, &QTimer::timeout, this, &ScanGuard::onAloneTimeout);
    QCoreApplication::instance()->installEventFilter(this);
    // What the program has not yet read from the window system was typed before the
    // guarded window came up: taken now, while the windows below still take input,
    // it is kept; once the modal window shows, Qt would drop it.
    m_takingQueued = true;
    takeQueuedInput();
    m_takingQueued = false;
}

ScanGuard::~ScanGuard()
{
    QCoreApplication::instance()->removeEventFilter(this);
    m_alone.stop();
    // Keys still undecided when the window closed (the first keys of a scan, as a
    // click answered): kept, never lost.
    if (!m_pending.empty())
        qCInfo(lcScanGuard, "%d keys came as a modal window closed: passed on", int(m_pending.size()));
    for (Key &key : m_pending)
        m_kept.push_back(std::move(key));
    m_pending.clear();
    for (Key &key : m_kept) {
        QObject *receiver = key.forGuarded ? static_cast<QObject *>(m_returnTo.data()) : key.receiver.data();
        if (receiver)
            QCoreApplication::postEvent(receiver, key.event.release());
    }
    if (!m_kept.empty()) {
        if (auto *dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->wakeUp();
    }
}

void ScanGuard::takeQueuedInput()
{
    // The glib dispatcher hands over input it holds back only once woken. Timers wait
    // for the window's own event loop.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
}

bool ScanGuard::belongsToGuarded(QObject *object) const
{
    if (!m_guarded || !object)
        return false;
    const QWidget *widget = nullptr;
    if (object->isWindowType()) {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->windowHandle() == object) {
                widget = window;
                break;
            }
        }
    } else if (object->isWidgetType()) {
        widget = static_cast<const QWidget *>(object);
    }
    // The window itself, its controls, and its own pop-ups (a context menu).
    for (; widget; widget = widget->parentWidget()) {
        if (widget == m_guarded)
            return true;
    }
    return false;
}

bool ScanGuard::closeTogether(const Stamp &earlier, const Stamp &later)
{
    if (earlier.windowSystemMs != 0 && later.windowSystemMs != 0) {
        // The window system's clock; a key that seems to come before the one before
        // it (the clock wrapped) is taken as apart.
        const auto apart = qint64(later.windowSystemMs - earlier.windowSystemMs);
        return apart >= 0 && apart < kBurstGapMs;
    }
    return later.arrivedMs - earlier.arrivedMs < kBurstGapMs;
}

bool ScanGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event == m_passing)
        return false;
    const QEvent::Type type = event->type();
    if (isPointerInput(type))
        return m_takingQueued && !belongsToGuarded(watched);
    if (!isKey(type) || !(watched->isWidgetType() || watched->isWindowType()))
        return false;
    take(watched, *static_cast<QKeyEvent *>(event));
    return true;
}

void ScanGuard::take(QObject *watched, const QKeyEvent &key)
{
    Key held{watched, std::unique_ptr<QKeyEvent>(static_cast<QKeyEvent *>(key.clone())),
             !m_takingQueued && belongsToGuarded(watched)};
    if (!isPress(key)) {
        // A release, a held key's repeat or a modifier goes with the keys around it.
        if (!m_pending.empty())
            m_pending.push_back(std::move(held));
        else if (held.forGuarded && m_lastVerdict == Verdict::Answer)
            deliver(held);
        else
            m_kept.push_back(std::move(held));
        return;
    }

    const Stamp stamp{key.timestamp(), m_clock.elapsed()};
    const bool follows = m_pressed && closeTogether(m_lastPress, stamp);
    m_lastPress = stamp;
    m_pressed = true;
    ++m_presses;
    if (!follows) {
        // A new start: what came before stands on its own.
        decide();
    } else if (m_pending.empty()) {
        // The burst goes on after its first keys were decided on (the program was
        // slow to read them).
        if (m_lastVerdict == Verdict::Kept) {
            m_kept.push_back(std::move(held));
            return;
        }
        m_pendingBurst = true;
    } else {
        m_pendingBurst = true;
    }
    if (!held.forGuarded)
        m_pendingKept = true;
    m_pending.push_back(std::move(held));
    m_alone.start(kAloneAfterMs);
}

void ScanGuard::onAloneTimeout()
{
    // A next key that the window system has but the program has not read yet would
    // make this a burst: read it first.
    const quint64 presses = m_presses;
    takeQueuedInput();
    if (m_presses == presses)
        decide();
}

void ScanGuard::decide()
{
    m_alone.stop();
    if (m_pending.empty())
        return;
    const bool alone = !m_pendingBurst && !m_pendingKept && m_guarded && m_guarded->isVisible();
    if (alone) {
        m_lastVerdict = Verdict::Answer;
        std::vector<Key> keys = std::move(m_pending);
        m_pending.clear();
        for (Key &key : keys)
            deliver(key);
    } else {
        m_lastVerdict = Verdict::Kept;
        const auto presses = std::count_if(m_pending.begin(), m_pending.end(),
                                           [](const Key &key) { return isPress(*key.event); });
        if (m_pendingBurst)
            qCInfo(lcScanGuard, "a burst of %d keys (a scan) came while a modal window was open: kept for after it",
                   int(presses));
        for (Key &key : m_pending)
            m_kept.push_back(std::move(key));
        m_pending.clear();
    }
    m_pendingBurst = false;
    m_pendingKept = false;
}

void ScanGuard::deliver(Key &key)
{
    if (!key.receiver)
        return;
    // The same event passes the filter again on its way from the window to the
    // control with the focus.
    m_passing = key.event.get();
    QCoreApplication::sendEvent(key.receiver, key.event.get());
    m_passing = nullptr;
}

} // namespace widgets
