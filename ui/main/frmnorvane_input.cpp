// The main window's keys and focus, in one place: the number box's key filter and
// Enter, the keys typed during a search, the on-screen keypad's keys, what asks a
// print run to stop, and where the focus goes after a search or a run.

#include "ui/main/frmnorvane.h"

#include "counter/searchrules.h"
#include "ui/main/exclusiverun.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace ui {

namespace {

constexpr int kEnter = 13;
constexpr int kBackspace = 8;

bool isEnter(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

// A key press that puts a character into a text box.
bool typesCharacter(const QKeyEvent &key)
{
    return key.type() == QEvent::KeyPress && !key.text().isEmpty() && key.text().front().isPrint();
}

} // namespace

void frmNorvane::numberKeyFilter(int &charCode)
{
    counter::numberKeyPress(charCode);
}

void frmNorvane::typeIntoNumber(const QString &text)
{
    txtNumber->typeText(text);
}

void frmNorvane::onNumberKeyDown(int keyCode, int)
{
    if (keyCode == kEnter)
        SearchPatient();
}

void frmNorvane::onKeypadKey(int charCode)
{
    if (charCode == kBackspace) {
        // Backspace passes the filter as a typed one would, then deletes the
        // character before the cursor.
        numberKeyFilter(charCode);
        if (charCode != 0)
            txtNumber->backspace();
        return;
    }
    if (charCode > 0)
        typeIntoNumber(QString(QChar(char16_t(charCode))));
}

void frmNorvane::passHeldKeysToNumber(ExclusiveRun &run)
{
    // Everything typed until now, also what the platform still queues.
    run.holdPendingInput();
    // An Enter before anything new was typed repeats the Enter that started
    // this search (a scanner that ends with two Returns): it neither searches
    // the same number again nor presses Print.
    bool typing = false;
    run.dropHeldKeys([&typing](const QKeyEvent &key) {
        typing = typing || typesCharacter(key);
        return !typing && isEnter(key);
    });
    // A new number typed while the patient was being listed: the window goes
    // back to awaiting a number, as on Reset, so that the box takes it and its
    // Enter searches it. Nothing typed for the box ever reaches Print.
    if (typing && !txtNumber->isEnabled()) {
        cmdGenerate->setEnabled(false);
        ResetForm(true, false, true, true);
    }
    run.setKeyTarget(txtNumber);
}

bool frmNorvane::asksToStopPrinting(QObject *watched, QEvent *event) const
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // From the window system a click reaches the window first, then the
        // widget under it.
        QWidget *target = nullptr;
        if (watched == windowHandle())
            target = childAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        else if (watched->isWidgetType())
            target = static_cast<QWidget *>(watched);
        return target && (target == cmdNew || cmdNew->isAncestorOf(target)) && cmdNew->isEnabled();
    }
    default: return false;
    }
}

void frmNorvane::focusAfterSearch()
{
    // As a keyboard move, so that the button shows that it has the focus: on Print
    // when exams are listed, on Reset when none is.
    if (lstExams->listCount() >= 1)
        cmdGenerate->setFocus(Qt::TabFocusReason);
    else
        cmdNew->setFocus(Qt::TabFocusReason);
}

void frmNorvane::focusOnNumber()
{
    txtNumber->setFocus(Qt::OtherFocusReason);
}

void frmNorvane::focusOnList()
{
    // Not on Print: a scanner's Enter typed for the next patient must not print this
    // one again. The list shows what is left to print.
    lstExams->setFocus(Qt::OtherFocusReason);
}

void frmNorvane::focusOnCopies()
{
    // Selected, so that what is typed next replaces it.
    txtCopies->setFocus(Qt::OtherFocusReason);
    txtCopies->selectAll();
}

} // namespace ui
