// The print run of the main window: the stickers of every checked exam, each
// exam's barcode logged right after its stickers, then the reset for the next
// patient.

#include "ui/main/frmnorvane.h"

#include "db/dbconnection.h"
#include "db/printlog.h"
#include "report/modmain.h"
#include "report/reporterror.h"
#include "ui/main/copiescount.h"
#include "ui/main/exclusiverun.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QScopeGuard>
#include <QSignalBlocker>

#include <exception>
#include <optional>

namespace ui {

namespace {
const QString kCopiesNotWhole = QStringLiteral("The number of copies must be a whole number from -32768 to 32767.");
} // namespace

void frmNorvane::SaveBarcodeLog(QString &Barcode)
{
    // Inside the print run this only yields: the run's input stays held back
    // while the log's transaction is open, so no second log starts inside it.
    ExclusiveRun run(this);
    db::SaveBarcodeLog(db::DbConnection(), Barcode, [&run] { run.yield(); });
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

    // A copies text that is no whole number stops the run before anything is
    // printed or logged. It is converted again for each exam below, as the
    // copies box is read afresh there.
    bool anyChecked = false;
    for (int i = 1; i <= n && !anyChecked; ++i)
        anyChecked = lstExams->itemChecked(i);
    if (anyChecked && !copiesCount(txtCopies->text())) {
        refuseCopies();
        return;
    }

    for (int i = 1; i <= n; ++i) {
        run.yield();
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
            showStoppedRun();
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
