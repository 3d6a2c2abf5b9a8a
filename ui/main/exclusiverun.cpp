#include "ui/main/exclusiverun.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QList>
#include <QMouseEvent>
#include <QWindow>

namespace ui {

namespace {
QList<const QWidget *> &runningWindows()
{
    static QList<const QWidget *> windows;
    return windows;
}

// The outermost run of each window that has a stop test: nested runs yield as it does.
QHash<const QWidget *, const ExclusiveRun *> &stoppableRuns()
{
    static QHash<const QWidget *, const ExclusiveRun *> runs;
    return runs;
}
} // namespace

ExclusiveRun::ExclusiveRun(QWidget *window)
    : m_window(window)
    , m_key(window)
{
    if (window && !runningWindows().contains(window)) {
        m_outermost = true;
        runningWindows().append(window);
        QCoreApplication::instance()->installEventFilter(this);
    }
}

ExclusiveRun::~ExclusiveRun()
{
    if (!m_outermost)
        return;
    QCoreApplication::instance()->removeEventFilter(this);
    runningWindows().removeOne(m_key);
    stoppableRuns().remove(m_key);
    for (Held &held : m_held) {
        if (!held.receiver)
            continue;
        QObject *receiver = held.receiver;
        const QEvent::Type type = held.event->type();
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
            if (m_hasKeyTarget) {
                // To the widget they were typed for, or nowhere.
                if (!m_keyTarget || !m_keyTarget->isEnabled())
                    continue;
                receiver = m_keyTarget;
            } else if (m_window && m_window->windowHandle()) {
                // To the window, which hands them to whatever has the focus now.
                receiver = m_window->windowHandle();
            }
        }
        QCoreApplication::postEvent(receiver, held.event.release());
    }
    m_held.clear();
    if (m_closeRequested && m_window)
        QMetaObject::invokeMethod(m_window.data(), &QWidget::close, Qt::QueuedConnection);
    // The glib dispatcher delivers input held back by the platform only when it
    // is woken; without this the held keys would wait for the next key.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void ExclusiveRun::yield()
{
    // A run that can be stopped takes the platform's input as well; its filter
    // holds back (or notes as a stop request) what reaches the window.
    QCoreApplication::processEvents(stoppableRuns().contains(m_key) ? QEventLoop::AllEvents
                                                                    : QEventLoop::ExcludeUserInputEvents);
}

void ExclusiveRun::setStopTest(StopTest test)
{
    if (!m_outermost)
        return;
    m_stopTest = std::move(test);
    if (m_stopTest)
        stoppableRuns().insert(m_key, this);
    else
        stoppableRuns().remove(m_key);
}

bool ExclusiveRun::isRunning(const QWidget *window)
{
    return runningWindows().contains(window);
}

void ExclusiveRun::setKeyTarget(QWidget *target)
{
    m_keyTarget = target;
    m_hasKeyTarget = true;
}

void ExclusiveRun::holdPendingInput()
{
    if (!m_outermost)
        return;
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ExclusiveRun::dropHeldKeys(const std::function<bool(const QKeyEvent &)> &drop)
{
    std::erase_if(m_held, [&drop](const Held &held) {
        const QEvent::Type type = held.event->type();
        return (type == QEvent::KeyPress || type == QEvent::KeyRelease)
            && drop(*static_cast<const QKeyEvent *>(held.event.get()));
    });
}

bool ExclusiveRun::belongsToWindow(QObject *object) const
{
    if (!m_window || !object)
        return false;
    if (object->isWindowType())
        return object == m_window->windowHandle();
    if (!object->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(object);
    return widget == m_window || m_window->isAncestorOf(widget);
}

bool ExclusiveRun::clickedControlEnabled(QObject *watched, QEvent *event) const
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return true;
    const QWidget *control = nullptr;
    if (watched->isWidgetType()) {
        control = static_cast<QWidget *>(watched);
    } else if (m_window) {
        // Input from the window system comes to the window: the control is the one under the pointer.
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        control = m_window->childAt(at);
        if (!control)
            control = m_window;
    }
    return !control || control->isEnabled();
}

bool ExclusiveRun::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
        if (!belongsToWindow(watched))
            return false;
        if (m_stopTest && m_stopTest(watched, event)) {
            m_stopRequested = true;
            return true;
        }
        // A click on a control that is disabled now does nothing, as without
        // the run; held, it would act on the control once enabled (Print, say,
        // once the search has listed the exams).
        if (!clickedControlEnabled(watched, event))
            return true;
        m_held.push_back(Held{watched, std::unique_ptr<QEvent>(event->clone())});
        return true;
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease: return belongsToWindow(watched);
    case QEvent::Close:
        if (watched != m_window.data())
            return false;
        m_closeRequested = true;
        event->ignore();
        return true;
    default: return false;
    }
}

} // namespace ui
