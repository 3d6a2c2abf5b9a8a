#pragma once

#include <QList>
#include <QWidget>

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
// digit, 32 for Space, 8 for Backspace. No key closes the window.
class frmKeyboard : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLetterKeys = 28;
    static constexpr int kDigitKeys = 10;

    explicit frmKeyboard(QWidget *parent = nullptr);
    ~frmKeyboard() override;

    // Shows the keypad application-modal and returns once it has been closed
    // and unloaded.
    void showModal();

    bool isLoaded() const { return vkFrame1 != nullptr; }

    // The controls, null while the window is not loaded.
    widgets::vkFrame *frame1() const { return vkFrame1; }
    widgets::vkFrame *frame2() const { return vkFrame2; }
    widgets::vkCommand *letterKey(int index) const { return cmdKeys.value(index); }
    widgets::vkCommand *digitKey(int index) const { return cmdNum.value(index); }

    // The character code a key with this caption types; 0 for none.
    static int charCodeOf(const QString &caption);

    void setVisible(bool visible) override;

Q_SIGNALS:
    void keyTyped(int charCode);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void load();
    void unload();
    widgets::vkCommand *makeKey(QWidget *frame, const QString &name, const QString &caption, int left, int top,
                                int width);

    widgets::vkFrame *vkFrame1 = nullptr;
    widgets::vkFrame *vkFrame2 = nullptr;
    QList<widgets::vkCommand *> cmdKeys;
    QList<widgets::vkCommand *> cmdNum;
};

} // namespace ui
