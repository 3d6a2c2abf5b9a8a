// The main window's patient search: counter::PatientSearch lists the patient through
// the window and tells what came of it; the window shows that.

#include "ui/main/frmnorvane.h"

#include "ui/main/exclusiverun.h"
#include "ui/main/patientnamelabel.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QScopeGuard>

namespace ui {

void frmNorvane::tellDuring(ExclusiveRun &run, const QString &text)
{
    run.holdPendingInput();
    widgets::MsgBox(text);
}

void frmNorvane::SearchPatient()
{
    // Nothing else of this window runs until the search returns, its message
    // boxes included.
    ExclusiveRun run(this);
    // Keys typed during the search were typed into the number box: they go
    // there once it is over, whatever has the focus by then.
    const auto keysToNumber = qScopeGuard([this, &run] { passHeldKeysToNumber(run); });

    lstExams->clear();
    const counter::PatientSearch::Listing listing{
        [this] { ResetForm(false, true, false, false); },
        [this](const counter::Patient &patient) { lblPatientName->setName(patient.PatientName); },
        [this](const QString &item) { lstExams->addItem(item); },
        [&run] { run.yield(); },
    };
    const counter::PatientSearch::Outcome outcome = m_search.run(txtNumber->text(), listing);

    using Status = counter::PatientSearch::Outcome::Status;
    switch (outcome.status) {
    case Status::Blank: focusOnNumber(); return;
    case Status::NotFound:
        tellDuring(run, outcome.message);
        lblPatientName->setName(QString());
        txtNumber->setText(QString());
        focusOnNumber();
        break;
    case Status::Listed:
        if (lstExams->listCount() >= 1) {
            lstExams->checkAll();
            chkAll->setValue(1);
        }
        focusAfterSearch();
        break;
    case Status::Failed:
        tellDuring(run, outcome.message);
        // The number stays, selected, so that the next scan replaces it instead of
        // being glued onto it.
        txtNumber->selectAll();
        break;
    }
    afterCommand(run,
                 outcome.status == Status::Failed ? CommandResult::DatabaseFailed : CommandResult::DatabaseAnswered);
}

} // namespace ui
