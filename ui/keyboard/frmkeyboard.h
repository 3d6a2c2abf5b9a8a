#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

class QKeyEvent;

namespace widgets {
class vkFrame;
class vkCommand;
} // namespace widgets

namespace ui {

// The on-screen keypad: a block of letter keys (cmdKeys 0-27, with Backspace
// and Space) and a block of digit keys (cmdNum 0-9), in a fixed tool window
// without a taskbar button, centred on the screen, shown modally.
//
// The object lives as long as its owner keeps it; its controls exist only
// while it is shown. Showing loads them from the layout; closing (the close
// box, or close()) unloads them, so that every opening starts from the same
// layout. A key click reports the character the key types: its letter or
// digit, 32 for Space, 8 for Backspace. No key of the keypad closes it.
//
// Keys of the physical keyboard (a barcode scanner is one) type as the keypad's
// keys do while it is open, whichever key holds the focus: a character is
// reported by keyTyped, Backspace as 8, and Return or Enter closes the keypad
// (showModal returns true) rather than clicking the key that holds the focus;
// Space types a blank rather than clicking it. Tab and the arrow keys still move
// the focus between the keys.
class frmKeyboard : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLetterKeys = 28;
    static constexpr int kDigitKeys = 10;

    explicit frmKeyboard(QWidget *parent = nullptr);
    ~frmKeyboard() override;

    // Shows the keypad application-modal and returns once it has been closed
    // and unloaded; true when Return (Enter) closed it. keepVisible is a part of
    // the screen, in global coordinates, that the keypad must not cover (the box
    // its keys type into): the keypad is centred on the screen, or moved below
    // (else above) that part when centred it would cover it.
    bool showModal(const QRect &keepVisible = QRect());
    // The window system's time stamp of the Return that closed the keypad last (ms;
    // 0 when it had none).
    quint64 returnTimestamp() const { return m_returnTimestamp; }

    // Where the keypad's top-left corner goes, for a keypad of frameSize (title
    // bar included) on a screen's available area.
    static QPoint placement(const QSize &frameSize, const QRect &screen, const QRect &keepVisible);

    bool isLoaded() const { return vkFrame1 != nullptr; }

    // The controls, null while the window is not loaded.
    widgets::vkFrame *frame1() const { return vkFrame1; }
    widgets::vkFrame *frame2() const { return vkFrame2; }
    widgets::vkCommand *letterKey(int index) const { return cmdKeys.value(index); }
    widgets::vkCommand *digitKey(int index) const { return cmdNum.value(index); }

    void setVisible(bool visible) override;

Q_SIGNALS:
    void keyTyped(int charCode);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Types a key of the physical keyboard; false for keys left to the focus (Tab, arrows, ...).
    bool typePhysicalKey(const QKeyEvent &event);
    void load();
    void unload();
    // A key showing caption that types the character code.
    widgets::vkCommand *makeKey(QWidget *frame, const QString &name, const QString &caption, int code, int left,
                                int top, int width);

    widgets::vkFrame *vkFrame1 = nullptr;
    widgets::vkFrame *vkFrame2 = nullptr;
    QList<widgets::vkCommand *> cmdKeys;
    QList<widgets::vkCommand *> cmdNum;
    bool m_closedByReturn = false;
    quint64 m_returnTimestamp = 0;
};

} // namespace ui
