// The main window's keys and focus, in one place: the number box's key filter and
// Enter, the keys typed during a search, characters typed on the exams' controls (a
// scan made while a patient is shown), Enter on Print, the on-screen keypad's keys,
// what asks a print run to stop, and where the focus goes after a search or a run.

#include "ui/main/frmnorvane.h"

#include "counter/searchrules.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/uilogging.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include <memory>

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

// A character that starts a new number where it lands on a control that takes none.
// Space is left to the control: it presses a button, checks an exam, sets Check All.
bool startsNumber(const QKeyEvent &key)
{
    return typesCharacter(key) && key.key() != Qt::Key_Space;
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

void frmNorvane::keyPressEvent(QKeyEvent *event)
{
    // Keys that the control with the focus left alone come up to the window.
    if (!startsNumber(*event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    takeAsNewNumber(*event);
    event->accept();
}

void frmNorvane::takeAsNewNumber(const QKeyEvent &key)
{
    // The next tube scanned while a patient is shown (or what is left of one after a
    // run that stopped): never printed, searched once its Enter comes.
    if (fraExams->isEnabled()) {
        qCInfo(lcUi, "A number typed while a patient was shown: the patient gives way");
        cmdGenerate->setEnabled(false);
        ResetForm(true, false, true, true);
    }
    if (!txtNumber->isEnabled())
        return;
    focusOnNumber();
    const std::unique_ptr<QEvent> typed(key.clone());
    QCoreApplication::sendEvent(txtNumber, typed.get());
}

bool frmNorvane::followsSearchEnter(const QKeyEvent &key) const
{
    if (m_searchEnterStamp == 0 || key.timestamp() == 0)
        return false; // a key a program made carries no time
    const auto after = qint64(key.timestamp() - m_searchEnterStamp);
    return after >= 0 && after < kEnterAfterSearchMs;
}

bool frmNorvane::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto &key = *static_cast<const QKeyEvent *>(event);
    if (watched == txtNumber && isEnter(key)) {
        m_searchEnterStamp = key.timestamp();
    } else if (watched == cmdGenerate && (isEnter(key) || key.key() == Qt::Key_Space) && followsSearchEnter(key)) {
        qCInfo(lcUi, "%s %lld ms after the search's Enter came from the scanner: Print not pressed",
               isEnter(key) ? "An Enter" : "A Space", qint64(key.timestamp() - m_searchEnterStamp));
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
