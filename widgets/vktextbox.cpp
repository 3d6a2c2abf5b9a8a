#include "widgets/vktextbox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace widgets {

namespace {
// A character that a key inserts, as opposed to a control code such as Enter or Ctrl+V.
bool isInsertable(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}
} // namespace

vkTextBox::vkTextBox(QWidget *parent)
    : QLineEdit(parent)
    , m_legendfont(font())
{
}

QString vkTextBox::filtered(const QString &text) const
{
    if (!m_keyPress)
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        int code = c.unicode();
        m_keyPress(code);
        if (code > 0 && code <= 0xFFFF)
            out.append(QChar(char16_t(code)));
    }
    return out;
}

QString vkTextBox::typeText(const QString &text)
{
    const QString in = filtered(text);
    if (!in.isEmpty() && !isReadOnly())
        insert(in);
    return in;
}

void vkTextBox::pasteFiltered(bool selection)
{
    if (isReadOnly())
        return;
    const QString text = QApplication::clipboard()->text(selection ? QClipboard::Selection : QClipboard::Clipboard);
    // A pasted line break would end a one-line box's text; keep the line only.
    typeText(text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r')));
}

int vkTextBox::shiftStateOf(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

int vkTextBox::keyCodeOf(const QKeyEvent &event)
{
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // Qt uses the same codes for letters and digits
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: return key;
    }
}

void vkTextBox::keyPressEvent(QKeyEvent *event)
{
    Q_EMIT keyDown(keyCodeOf(*event), shiftStateOf(event->modifiers()));

    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteFiltered();
        event->accept();
        return;
    }
    // Shortcuts such as Ctrl+A carry control codes, not characters; a character
    // typed with modifiers (AltGr is Ctrl+Alt on some platforms) is still one.
    if (!isInsertable(event->text()) || !m_keyPress) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString in = filtered(event->text());
    if (in.isEmpty()) {
        event->accept(); // the handler set the code to 0: nothing is inserted
        return;
    }
    if (in == event->text()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent changed(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                      event->nativeVirtualKey(), event->nativeModifiers(), in, event->isAutoRepeat(),
                      quint16(event->count()));
    QLineEdit::keyPressEvent(&changed);
    event->setAccepted(changed.isAccepted());
}

void vkTextBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().isEmpty() || !m_keyPress) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent changed(event->preeditString(), event->attributes());
    changed.setCommitString(filtered(event->commitString()), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&changed);
}

void vkTextBox::dropEvent(QDropEvent *event)
{
    // Moving text within the box itself: it has passed the handler already.
    if (event->source() == this || !event->mimeData()->hasText() || isReadOnly()) {
        QLineEdit::dropEvent(event);
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    typeText(event->mimeData()->text().section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r')));
    event->acceptProposedAction();
    setFocus(Qt::MouseFocusReason);
}

void vkTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection() && !isReadOnly()) {
        deselect();
        pasteFiltered(true);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void vkTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    if (QAction *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste"))) {
        disconnect(paste, &QAction::triggered, this, nullptr);
        connect(paste, &QAction::triggered, this, [this] { pasteFiltered(); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void vkTextBox::setLegend(const QString &legend)
{
    m_legend = legend;
    update();
}
void vkTextBox::setLegendfont(const QFont &font)
{
    m_legendfont = font;
    update();
}
void vkTextBox::setLegendforecolor(const QColor &color)
{
    m_legendforecolor = color;
    update();
}
void vkTextBox::setBordercolor(const QColor &color)
{
    m_bordercolor = color;
    update();
}

void vkTextBox::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter p(this);
    if (m_bordercolor.isValid()) {
        p.setPen(m_bordercolor);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (text().isEmpty() && !m_legend.isEmpty()) {
        p.setFont(m_legendfont);
        p.setPen(m_legendforecolor);
        p.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, m_legend);
    }
}

} // namespace widgets
