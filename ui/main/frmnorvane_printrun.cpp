// The print run of the main window: the stickers of every checked exam, each
// exam's barcode logged right after its stickers, then the reset for the next
// patient.

#include "ui/main/frmnorvane.h"

#include "db/dbconnection.h"
#include "db/printlog.h"
#include "report/barcodevalue.h"
#include "report/modmain.h"
#include "report/reporterror.h"
#include "ui/main/copiescount.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/printquestions.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QWindow>

#include <exception>
#include <optional>

namespace ui {

namespace {
const QString kCopiesNotWhole = QStringLiteral(
    "Type how many stickers to print for each exam in Number of Copies: a whole number, such as 1 or 2.");
} // namespace

void frmNorvane::SaveBarcodeLog(QString &Barcode)
{
    // Inside the print run this only yields: the run's input stays held back
    // while the log's transaction is open, so no second log starts inside it.
    ExclusiveRun run(this);
    db::SaveBarcodeLog(db::DbConnection(), Barcode, [&run] { run.yield(); });
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
    case QEvent::KeyRelease:
        return static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
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
    default:
        return false;
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
            unprintable = report::unprintableBarcodeMessage(Barcodes[i - 1]);
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
        if (!confirmCopies(*copies, checked)) {
            txtCopies->setFocus(Qt::OtherFocusReason);
            txtCopies->selectAll();
            return;
        }
    }

    // Reset or Esc while the stickers print asks to stop; the run stops only
    // between two exams, after an exam's stickers and its log.
    run.setStopTest([this](QObject *watched, QEvent *event) { return asksToStopPrinting(watched, event); });

    for (int i = 1; i <= n; ++i) {
        run.yield();
        if (run.stopRequested()) {
            run.clearStopRequest();
            if (anyCheckedFrom(i) && confirmStopPrinting()) {
                cmdGenerate->setEnabled(true);
                cmdGenerate->setFocus(Qt::TabFocusReason);
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
                throw report::ReportError(QStringLiteral("Subscript out of range"));
            report::PrintBarcodeLabel(Barcodes[i - 1], PatientName, HospNum, Instruments[i - 1], Transdate, RoomID,
                                      AgeSex, *copies);
        } catch (const report::ReportError &e) {
            failure = e.description();
        } catch (const std::exception &e) {
            failure = QString::fromLocal8Bit(e.what());
        }
        if (failure) {
            widgets::MsgBox(failure->isEmpty() ? QStringLiteral("The stickers could not be printed.") : *failure);
            cmdGenerate->setEnabled(true);
            cmdGenerate->setFocus(Qt::OtherFocusReason);
            return;
        }

        SaveBarcodeLog(Barcodes[i - 1]);
        // Done with: unchecked, so that printing the rest after a failure further
        // on prints nothing twice.
        if (i <= lstExams->listCount())
            lstExams->setItemChecked(i, false);
    }

    cmdGenerate->setEnabled(false);
    ResetForm(true, false, true, true);
}

} // namespace ui
