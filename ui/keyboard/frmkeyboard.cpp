#include "ui/keyboard/frmkeyboard.h"

#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace ui {

namespace {

// The layout is given in twips; at 96 dots per inch a pixel is 15 twips.
constexpr int px(int twips)
{
    return twips / 15;
}

constexpr int kKeyHeight = 1215;
constexpr int kKeyWidth = 1335;
constexpr int kKeyStep = 1350;
constexpr int kRowTop[] = {420, 1650, 2880, 4110};

struct KeyRow
{
    int top;
    int left;
    const char *captions; // one character per key
};

// Letter rows 1 to 3; Backspace ends row 3 and Space is row 4.
constexpr KeyRow kLetterRows[] = {
    {kRowTop[0], 150, "QWERTYUIOP"}, {kRowTop[1], 780, "ASDFGHJKL"}, {kRowTop[2], 1200, "ZXCVBNM"}};
constexpr KeyRow kDigitRows[] = {
    {kRowTop[0], 150, "789"}, {kRowTop[1], 150, "456"}, {kRowTop[2], 150, "123"}, {kRowTop[3], 1500, "0"}};

QFont keyFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(15.75);
    font.setWeight(QFont::Normal);
    return font;
}

QFont frameFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace

frmKeyboard::frmKeyboard(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmKeyboard"));
}

frmKeyboard::~frmKeyboard() = default;

widgets::vkCommand *frmKeyboard::makeKey(QWidget *frame, const QString &name, const QString &caption, int code,
                                         int left, int top, int width)
{
    auto *key = new widgets::vkCommand(caption, frame);
    key->setObjectName(name);
    key->setFont(keyFont());
    key->setGeometry(px(left), px(top), px(width), px(kKeyHeight));
    key->setAutoDefault(false);
    key->installEventFilter(this);
    connect(key, &widgets::vkCommand::clicked, this, [this, code] { Q_EMIT keyTyped(code); });
    return key;
}

void frmKeyboard::load()
{
    if (isLoaded())
        return;
    setWindowTitle(QLatin1Char(' ') + tr("Keyboard"));
    setWindowState(Qt::WindowNoState);
    setFixedSize(px(18315), px(5595));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(pal);
    setAutoFillBackground(true);

    vkFrame1 = new widgets::vkFrame(this);
    vkFrame1->setObjectName(QStringLiteral("vkFrame1"));
    vkFrame1->setGeometry(px(60), px(60), px(13815), px(5475));
    vkFrame1->setCaption(tr("Alpha Keys"));
    vkFrame1->setFont(frameFont());
    vkFrame1->setBackcolor2(QColor(255, 255, 255));

    vkFrame2 = new widgets::vkFrame(this);
    vkFrame2->setObjectName(QStringLiteral("vkFrame2"));
    vkFrame2->setGeometry(px(13920), px(60), px(4335), px(5475));
    vkFrame2->setCaption(tr("Num Keys"));
    vkFrame2->setFont(frameFont());
    vkFrame2->setBackcolor2(QColor(255, 255, 255));

    for (const KeyRow &row : kLetterRows) {
        int left = row.left;
        for (const char *c = row.captions; *c; ++c, left += kKeyStep)
            cmdKeys.append(makeKey(vkFrame1, QStringLiteral("cmdKeys_%1").arg(cmdKeys.size()), QString(QLatin1Char(*c)),
                                   *c, left, row.top, kKeyWidth));
    }
    // Backspace follows M in row 3; Space spans row 4 from under Z to Backspace's right edge.
    // The key's code, not its caption, says what it types: the captions are translated.
    cmdKeys.append(
        makeKey(vkFrame1, QStringLiteral("cmdKeys_26"), tr("Backspace"), 8, 1200 + 7 * kKeyStep, kRowTop[2], 1965));
    cmdKeys.append(makeKey(vkFrame1, QStringLiteral("cmdKeys_27"), tr("Space"), 32, 1200, kRowTop[3], 11415));
    for (const KeyRow &row : kDigitRows) {
        int left = row.left;
        for (const char *c = row.captions; *c; ++c, left += kKeyStep)
            cmdNum.append(makeKey(vkFrame2, QStringLiteral("cmdNum_%1").arg(cmdNum.size()), QString(QLatin1Char(*c)),
                                  *c, left, row.top, kKeyWidth));
    }

    // Tab order: the frame, Q to M, Space, Backspace, the second frame, the digits.
    QList<QWidget *> order{vkFrame1};
    for (int i = 0; i <= 25; ++i)
        order.append(cmdKeys.at(i));
    order << cmdKeys.at(27) << cmdKeys.at(26) << vkFrame2;
    for (widgets::vkCommand *key : std::as_const(cmdNum))
        order.append(key);
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void frmKeyboard::unload()
{
    // The frames own the keys.
    delete vkFrame1;
    delete vkFrame2;
    vkFrame1 = vkFrame2 = nullptr;
    cmdKeys.clear();
    cmdNum.clear();
}

void frmKeyboard::setVisible(bool visible)
{
    if (visible)
        load();
    QWidget::setVisible(visible);
}

QPoint frmKeyboard::placement(const QSize &frameSize, const QRect &screen, const QRect &keepVisible)
{
    constexpr int kGap = 8; // pixels between the keypad and what it keeps visible
    QRect placed(QPoint(0, 0), frameSize);
    placed.moveCenter(screen.center());
    if (keepVisible.isValid() && placed.intersects(keepVisible.adjusted(-kGap, -kGap, kGap, kGap))) {
        if (keepVisible.bottom() + kGap + frameSize.height() <= screen.bottom())
            placed.moveTop(keepVisible.bottom() + 1 + kGap);
        else if (keepVisible.top() - kGap - frameSize.height() >= screen.top())
            placed.moveBottom(keepVisible.top() - 1 - kGap);
        else // no room either side: the keypad goes as far down as the screen lets it
            placed.moveBottom(screen.bottom());
    }
    // Never off the screen.
    placed.moveLeft(
        std::clamp(placed.left(), screen.left(), std::max(screen.left(), screen.right() - placed.width() + 1)));
    placed.moveTop(
        std::clamp(placed.top(), screen.top(), std::max(screen.top(), screen.bottom() - placed.height() + 1)));
    return placed.topLeft();
}

bool frmKeyboard::showModal(const QRect &keepVisible)
{
    load();
    m_closedByReturn = false;
    setWindowModality(Qt::ApplicationModal);
    if (QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        // The title bar, as the window system adds it; until the keypad has been
        // shown once its height is not known, and a common one is assumed.
        constexpr int kAssumedTitleBar = 32; // pixels
        QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        if (frame.isNull())
            frame = QMargins(0, kAssumedTitleBar, 0, 0);
        move(placement(size().grownBy(frame), s->availableGeometry(), keepVisible));
    }
    QEventLoop loop;
    connect(this, &frmKeyboard::closed, &loop, &QEventLoop::quit);
    show();
    if (isVisible())
        loop.exec();
    return m_closedByReturn;
}

bool frmKeyboard::typePhysicalKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_closedByReturn = true;
        m_returnTimestamp = event.timestamp();
        close();
        return true;
    case Qt::Key_Backspace: Q_EMIT keyTyped(8); return true;
    default: break;
    }
    // A character: typed, whatever key holds the focus (Space included). Shortcuts
    // with Ctrl or Alt carry control codes and are left alone.
    const QString text = event.text();
    if (text.isEmpty() || (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return false;
    for (QChar c : text)
        Q_EMIT keyTyped(c.unicode());
    return true;
}

void frmKeyboard::keyPressEvent(QKeyEvent *event)
{
    if (typePhysicalKey(*event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

bool frmKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    // The keys see the physical keyboard first when one of them holds the focus.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType())
        return typePhysicalKey(*static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::KeyRelease) {
        // Space and Return would click a key on their release as well.
        const int key = static_cast<QKeyEvent *>(event)->key();
        return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    return QWidget::eventFilter(watched, event);
}

void frmKeyboard::closeEvent(QCloseEvent *event)
{
    event->accept();
    unload();
    Q_EMIT closed();
}

} // namespace ui
