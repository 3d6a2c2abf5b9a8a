// frmNorvane and the on-screen keyboard.

#include "ui/main/frmnorvane.h"

#include "ui/keyboard/frmkeyboard.h"
#include "widgets/vkframe.h"
#include "widgets/vktextbox.h"

#include <memory>

namespace ui {

namespace {

// Keeps the keypad, a window without an owner, as long as the main window.
class KeyboardHolder : public QObject
{
public:
    explicit KeyboardHolder(QObject *parent)
        : QObject(parent)
    {
    }
    const std::unique_ptr<frmKeyboard> keyboard = std::make_unique<frmKeyboard>();
};

} // namespace

void frmNorvane::onKeyboardClicked()
{
    if (!m_keyboard) {
        // A window of its own, with no owner; it goes when this window goes.
        auto *holder = new KeyboardHolder(this);
        m_keyboard = holder->keyboard.get();
        connect(m_keyboard, &frmKeyboard::keyTyped, this, &frmNorvane::onKeypadKey);
    }
    // Its closing raises this window's activation while the flag is still set.
    // It stays clear of the number box, so that what it types is seen.
    m_keypadOpen = true;
    const QRect numberBox(txtNumber->mapToGlobal(QPoint(0, 0)), txtNumber->size());
    const bool returnPressed = m_keyboard->showModal(numberBox);
    m_keypadOpen = false;
    // Return on the physical keyboard (a scanner ends its input with it) closes the
    // keypad and searches for the number, as Return in the number box does.
    if (returnPressed && fraSearch->isEnabled()) {
        m_searchEnterStamp = m_keyboard->returnTimestamp();
        SearchPatient();
    }
}

} // namespace ui
