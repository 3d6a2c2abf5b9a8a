#pragma once

#include <QColor>
#include <QFont>
#include <QLineEdit>

#include <functional>

class QKeyEvent;

namespace widgets {

// A one-line text box with the two keyboard events the program's windows
// handle:
//  - keyDown(keyCode, shift) for every key pressed, with the key's virtual key
//    code (Enter 13, Backspace 8, letters 65-90, digits 48-57, ...) and the
//    shift state (1 Shift, 2 Ctrl, 4 Alt, added up);
//  - the key-press handler, called for every character about to be inserted
//    with its character code, which it may change: the changed code is
//    inserted instead, and 0 inserts nothing.
// Text that arrives other than by typed keys (pasted by keyboard, context menu
// or middle click, dropped, committed by an input method, or typed through
// typeText) passes the key-press handler character by character as well, so
// the handler sees everything the user puts in. setText() is the program's
// own write and is not filtered.
class vkTextBox : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString legend READ legend WRITE setLegend)
    Q_PROPERTY(QFont legendfont READ legendfont WRITE setLegendfont)
    Q_PROPERTY(QColor legendforecolor READ legendforecolor WRITE setLegendforecolor)
    Q_PROPERTY(QColor bordercolor READ bordercolor WRITE setBordercolor)

public:
    using KeyPressHandler = std::function<void(int &charCode)>;

    explicit vkTextBox(QWidget *parent = nullptr);

    void setKeyPressHandler(KeyPressHandler handler) { m_keyPress = std::move(handler); }

    // Inserts text at the cursor as if typed: each character passes the
    // key-press handler first. Returns what was inserted.
    QString typeText(const QString &text);
    // Pastes the clipboard (or the selection clipboard) through typeText.
    void pasteFiltered(bool selection = false);

    // The platform's virtual key code of a key event.
    static int keyCodeOf(const QKeyEvent &event);
    static int shiftStateOf(Qt::KeyboardModifiers modifiers);

    // The legend is a hint drawn in the empty box, in legendfont and legendforecolor.
    QString legend() const { return m_legend; }
    void setLegend(const QString &legend);
    QFont legendfont() const { return m_legendfont; }
    void setLegendfont(const QFont &font);
    QColor legendforecolor() const { return m_legendforecolor; }
    void setLegendforecolor(const QColor &color);
    // An invalid colour keeps the platform's own frame.
    QColor bordercolor() const { return m_bordercolor; }
    void setBordercolor(const QColor &color);

Q_SIGNALS:
    void keyDown(int keyCode, int shift);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString filtered(const QString &text) const;

    KeyPressHandler m_keyPress;
    QString m_legend;
    QFont m_legendfont;
    QColor m_legendforecolor = QColor(49, 106, 197);
    QColor m_bordercolor;
};

} // namespace widgets
