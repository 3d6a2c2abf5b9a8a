// The main window's print run: counter::PrintRun checks, prints each checked exam's
// stickers, waits for the printer to take them and logs its barcode; the window asks
// what must be asked (the copies, stopping, a printer that does not answer, the logs
// to record again) and shows what became of the run.

#include "ui/main/frmnorvane.h"

#include "counter/printquestions.h"
#include "counter/unrecordedlogs.h"
#include "ui/main/exclusiverun.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QScopeGuard>
#include <QSignalBlocker>

namespace ui {

void frmNorvane::onGenerateClicked()
{
    // One run at a time: the run holds the window's input back while it yields,
    // and this flag stops a click that reaches the handler any other way.
    if (m_printRunning)
        return;
    m_printRunning = true;
    const auto done = qScopeGuard([this] { m_printRunning = false; });
    ExclusiveRun run(this);
    // Keys typed during the run, also those the window system still queues (typed
    // while a log waited for the server), reach the window in the order they were
    // typed once the run is over: a scan made meanwhile is searched then.
    const auto keysInOrder = qScopeGuard([&run] { run.holdPendingInput(); });

    const counter::PrintRun::Checklist checklist = printChecklist(run);
    if (!mayPrint(m_printRun.check(m_search.patient(), checklist)) || !confirmReprint(checklist))
        return;
    // Reset or Esc while the stickers print asks to stop; the run stops only
    // between two exams, after an exam's stickers and its log.
    run.setStopTest([this](QObject *watched, QEvent *event) { return asksToStopPrinting(watched, event); });
    counter::PrintRun::Outcome outcome = m_printRun.run(m_search.patient(), checklist);
    showPrintRun(outcome, checklist);
    afterCommand(run, printRunResult(outcome));
}

counter::PrintRun::Checklist frmNorvane::printChecklist(ExclusiveRun &run)
{
    return {
        [this] { return lstExams->listCount(); },
        [this](int item) { return lstExams->itemChecked(item); },
        [this](int item) { lstExams->setItemChecked(item, false); },
        [this] { return txtCopies->text(); },
        [&run] { run.yield(); },
        [&run] {
            const bool asked = run.stopRequested();
            run.clearStopRequest();
            return asked;
        },
        [] { return widgets::AskYesNo(counter::stopPrintingQuestion()); },
    };
}

bool frmNorvane::mayPrint(const counter::PrintRun::Check &check)
{
    using Status = counter::PrintRun::Check::Status;
    switch (check.status) {
    case Status::Go: return true;
    case Status::CopiesNotWhole: refuseCopies(check.text); return false;
    case Status::Unprintable:
    case Status::PrinterProblem:
        widgets::MsgBox(check.text);
        focusOnList();
        return false;
    case Status::Confirm:
        if (widgets::AskYesNo(check.text))
            return true;
        focusOnCopies();
        return false;
    }
    return false;
}

void frmNorvane::showPrintRun(counter::PrintRun::Outcome &outcome, const counter::PrintRun::Checklist &checklist)
{
    using Status = counter::PrintRun::Outcome::Status;
    switch (outcome.status) {
    case Status::Done: showFinishedRun(); return;
    case Status::Stopped: showStoppedRun(); return;
    case Status::PrintFailed:
        widgets::MsgBox(outcome.message);
        showStoppedRun();
        return;
    case Status::CopiesNotWhole: refuseCopies(outcome.message); return;
    case Status::PrinterNotAnswering: {
        // Cancel, the safe answer, is the default: nothing is recorded that may never print.
        const bool leave = widgets::AskChoice(outcome.message, counter::cancelStickersAnswer(),
                                              counter::leaveStickersAnswer());
        m_printRun.settleWaiting(
            m_search.patient(), outcome,
            leave ? counter::PrintRun::WaitingChoice::Leave : counter::PrintRun::WaitingChoice::Cancel, checklist);
        showPrintRun(outcome, checklist);
        return;
    }
    case Status::ServiceMissing:
        widgets::MsgBox(outcome.message);
        showStoppedRun();
        return;
    case Status::LogFailed:
    case Status::LogInDoubt:
        TellUnrecorded(outcome.unrecorded, outcome.examsLeft, checklist);
        // The exams not reached stay checked for the next Print.
        if (outcome.examsLeft)
            showStoppedRun();
        else
            showFinishedRun();
        return;
    }
}

void frmNorvane::TellUnrecorded(counter::UnrecordedLogs &unrecorded, bool examsLeft,
                                const counter::PrintRun::Checklist &checklist)
{
    while (!unrecorded.isEmpty()) {
        if (!widgets::AskYesNo(unrecorded.question(examsLeft), widgets::QuestionIcon::Warning)) {
            m_printRun.giveUp(unrecorded);
            return;
        }
        m_printRun.recordAgain(m_search.patient(), unrecorded, checklist);
    }
}

bool frmNorvane::confirmReprint(const counter::PrintRun::Checklist &checklist)
{
    const QString question = m_printRun.reprintQuestion(m_search.patient(), checklist);
    if (question.isEmpty() || widgets::AskYesNo(question))
        return true;
    // Not on Print: a scanner's Enter must not print them after all.
    focusOnList();
    return false;
}

void frmNorvane::refuseCopies(const QString &message)
{
    widgets::MsgBox(message);
    showStoppedRun();
    focusOnCopies();
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
    focusOnList();
}

void frmNorvane::showFinishedRun()
{
    cmdGenerate->setEnabled(false);
    ResetForm(true, false, true, true);
}

} // namespace ui
