// The print run of the main window: the stickers of every checked exam, each
// exam's barcode logged right after its stickers, then the reset for the next
// patient.

#include "ui/main/frmnorvane.h"

#include "core/error.h"
#include "db/dbconnection.h"
#include "db/printlog.h"
#include "label/barcodevalue.h"
#include "label/labelerror.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/busycursor.h"
#include "ui/main/copiescount.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/printquestions.h"
#include "ui/main/unrecordedlogs.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QWindow>

#include <exception>
#include <optional>

namespace ui {

namespace {
const QString kCopiesNotWhole = QStringLiteral(
    "Type how many stickers to print for each exam in Number of Copies: a whole number, such as 1 or 2.");
} // namespace

db::LogOutcome frmNorvane::SaveBarcodeLog(QString &Barcode)
{
    // Inside the print run this only yields: the run's input stays held back
    // while the log's transaction is open, so no second log starts inside it.
    ExclusiveRun run(this);
    const BusyCursor busy;
    return db::SaveBarcodeLog(db::DbConnection(), Barcode, [&run] { run.yield(); });
}

void frmNorvane::TellUnrecorded(UnrecordedLogs &unrecorded, bool examsLeft)
{
    while (!unrecorded.isEmpty()) {
        if (!widgets::AskYesNo(unrecorded.question(examsLeft), widgets::QuestionIcon::Warning)) {
            unrecorded.writeGivenUp();
            return;
        }
        // The same log again, nothing printed: each barcode that is recorded now
        // leaves the list (and its element of Barcodes is emptied).
        const QList<UnrecordedLogs::Entry> entries = unrecorded.entries();
        for (const UnrecordedLogs::Entry &e : entries) {
            if (e.item - 1 >= Barcodes.size())
                continue;
            const db::LogOutcome outcome = SaveBarcodeLog(Barcodes[e.item - 1]);
            if (outcome.recorded())
                unrecorded.remove(e.item);
            else
                unrecorded.add(e.item, e.barcode, outcome.reason, outcome.status == db::LogOutcome::Status::InDoubt);
        }
    }
}

bool frmNorvane::confirmCopies(int copies, int checkedExams)
{
    const QString question = copiesQuestion(copies, checkedExams);
    return question.isEmpty() || widgets::AskYesNo(question);
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

bool frmNorvane::anyCheckedFrom(int i) const
{
    for (; i <= lstExams->listCount(); ++i)
        if (lstExams->itemChecked(i))
            return true;
    return false;
}

bool frmNorvane::confirmStopPrinting()
{
    return widgets::AskYesNo(stopPrintingQuestion());
}

void frmNorvane::onGenerateClicked()
{
    // One run at a time: the run holds the window's input back while it yields,
    // and this flag stops a click that reaches the handler any other way.
    if (m_printRunning)
        return;
    m_printRunning = true;
    const auto done = qScopeGuard([this] { m_printRunning = false; });
    ExclusiveRun run(this);

    const int n = lstExams->listCount();
    const auto refuseCopies = [this] {
        widgets::MsgBox(kCopiesNotWhole);
        showStoppedRun();
        txtCopies->setFocus(Qt::OtherFocusReason);
        txtCopies->selectAll();
    };

    // Before anything is printed or logged: a copies text that is no whole
    // number, a barcode no sticker can carry, and a copies count that is large or
    // prints nothing, which the user confirms. The copies box is converted again
    // for each exam below, as it is read afresh there.
    int checked = 0;
    QString unprintable;
    for (int i = 1; i <= n; ++i) {
        if (!lstExams->itemChecked(i))
            continue;
        ++checked;
        if (unprintable.isEmpty() && i - 1 < Barcodes.size())
            unprintable = label::unprintableBarcodeMessage(Barcodes[i - 1]);
    }
    if (checked > 0) {
        const std::optional<qint16> copies = copiesCount(txtCopies->text());
        if (!copies) {
            refuseCopies();
            return;
        }
        if (!unprintable.isEmpty()) {
            widgets::MsgBox(unprintable);
            lstExams->setFocus(Qt::OtherFocusReason);
            return;
        }
        // A printer that cannot take the stickers (stopped, refusing jobs, a raw
        // queue without a language) is told before anything is printed or logged.
        if (*copies > 0) {
            if (const QString problem = m_labels.labelOutput().printerProblem(); !problem.isEmpty()) {
                widgets::MsgBox(problem);
                lstExams->setFocus(Qt::OtherFocusReason);
                return;
            }
        }
        if (!confirmCopies(*copies, checked)) {
            txtCopies->setFocus(Qt::OtherFocusReason);
            txtCopies->selectAll();
            return;
        }
    }

    // Reset or Esc while the stickers print asks to stop; the run stops only
    // between two exams, after an exam's stickers and its log.
    run.setStopTest([this](QObject *watched, QEvent *event) { return asksToStopPrinting(watched, event); });

    UnrecordedLogs unrecorded;
    for (int i = 1; i <= n; ++i) {
        run.yield();
        if (run.stopRequested()) {
            run.clearStopRequest();
            if (anyCheckedFrom(i) && confirmStopPrinting()) {
                showStoppedRun();
                return;
            }
        }
        if (i > lstExams->listCount() || !lstExams->itemChecked(i))
            continue;

        const std::optional<qint16> copies = copiesCount(txtCopies->text());
        if (!copies) {
            refuseCopies();
            return;
        }
        const QString AgeSex = Age + QStringLiteral("/") + Sex;

        // A failing sticker job stops the run at this exam, unlogged; the exams
        // before it stay printed, logged and unchecked, and Print stays enabled
        // so that the rest can be printed once the printer is fixed.
        std::optional<QString> failure;
        try {
            if (i - 1 >= Barcodes.size() || i - 1 >= Instruments.size())
                throw label::LabelError(QStringLiteral("Subscript out of range"));
            m_labels.PrintBarcodeLabel(Barcodes[i - 1], PatientName, HospNum, Instruments[i - 1], Transdate, RoomID,
                                       AgeSex, *copies);
        } catch (const std::exception &e) {
            failure = core::describe(e);
        }
        if (failure) {
            widgets::MsgBox(failure->isEmpty() ? QStringLiteral("The stickers could not be printed.") : *failure);
            showStoppedRun();
            return;
        }

        const QString barcode = Barcodes[i - 1];
        const db::LogOutcome outcome = SaveBarcodeLog(Barcodes[i - 1]);
        // Done with: unchecked, so that printing the rest after a failure further
        // on prints nothing twice.
        if (i <= lstExams->listCount())
            lstExams->setItemChecked(i, false);
        if (!outcome.recorded()) {
            // A log that fails stops the run: with the database unable to record,
            // every further sticker would be printed unrecorded as well.
            unrecorded.add(i, barcode, outcome.reason, outcome.status == db::LogOutcome::Status::InDoubt);
            break;
        }
    }

    if (!unrecorded.isEmpty()) {
        const bool examsLeft = anyCheckedFrom(1);
        TellUnrecorded(unrecorded, examsLeft);
        if (examsLeft) {
            // The exams not reached stay checked for the next Print.
            showStoppedRun();
            return;
        }
    }

    cmdGenerate->setEnabled(false);
    ResetForm(true, false, true, true);
}

void frmNorvane::showStoppedRun()
{
    cmdGenerate->setEnabled(true);
    // Check All shows whether every exam is still checked (those printed are
    // not), without checking or unchecking any.
    bool allChecked = lstExams->listCount() >= 1;
    for (int i = 1; i <= lstExams->listCount() && allChecked; ++i)
        allChecked = lstExams->itemChecked(i);
    {
        const QSignalBlocker quiet(chkAll);
        chkAll->setValue(allChecked ? 1 : 0);
    }
    // Not on Print: a scanner's Enter typed for the next patient must not
    // print this one again. The list shows what is left to print.
    lstExams->setFocus(Qt::OtherFocusReason);
}

} // namespace ui
