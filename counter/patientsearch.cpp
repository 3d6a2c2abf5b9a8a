#include "counter/patientsearch.h"

#include "core/error.h"
#include "counter/busycursor.h"
#include "counter/searchfailure.h"
#include "counter/searchrules.h"
#include "db/commands.h"
#include "db/dberror.h"
#include "db/dbresult.h"
#include "db/readretry.h"

#include <QCoreApplication>

#include <exception>
#include <stdexcept>

namespace counter {

PatientSearch::PatientSearch(db::DbClient &client)
    : m_client(client)
{
}

PatientSearch::Outcome PatientSearch::run(const QString &number, const Listing &listing)
{
    Outcome outcome;
    try {
        search(number, listing, outcome);
    } catch (const db::DbError &e) {
        // The client's own failures carry their state: their words are translated.
        outcome = {Outcome::Status::Failed, searchFailureText(e.description(), e.sqlState())};
    } catch (const std::exception &e) {
        outcome = {Outcome::Status::Failed, searchFailureText(core::describe(e))};
    }
    return outcome;
}

void PatientSearch::search(const QString &number, const Listing &listing, Outcome &outcome)
{
    m_patient.Number.clear();
    m_patient.HospNum.clear();
    m_patient.PatientName.clear();
    m_patient.Transdate.clear();
    m_patient.RoomID.clear();
    m_patient.Age.clear();
    m_patient.Sex.clear();
    qint16 row = 0;

    if (number.trimmed().isEmpty()) {
        outcome = {Outcome::Status::Blank, QString()};
        return;
    }
    const int mode = searchMode(number);
    db::DbResult result = [&] {
        const BusyCursor busy;
        return db::openStaticRetryingOnce(m_client, db::searchCommand(number, mode));
    }();
    const qint64 rows = result.rowCount();
    if (rows < 1) {
        outcome = {Outcome::Status::NotFound,
                   QCoreApplication::translate("counter::PatientSearch", "Sample not found!")};
        return;
    }
    // The row index could not count past this; stop before touching the window
    // rather than list 32,768 rows and fail on the next.
    if (rows > db::kMaxRows)
        throw std::overflow_error("Overflow");

    listing.begin();
    m_patient.Barcodes = QStringList(rows + 1);
    m_patient.Instruments = QStringList(rows + 1);
    m_patient.Number = number;
    m_patient.HospNum = result.text(QStringLiteral("HospNum"));
    m_patient.PatientName = result.text(QStringLiteral("PatientName"));
    m_patient.Transdate = result.text(QStringLiteral("Transdate"));
    m_patient.RoomID = result.text(QStringLiteral("RoomID"));
    m_patient.Age = result.text(QStringLiteral("Age"));
    m_patient.Sex = result.text(QStringLiteral("Sex"));
    listing.showPatient(m_patient);

    for (; !result.atEnd(); result.moveNext()) {
        listing.yield();
        if (row >= rows) // more rows than the result announced
            throw std::out_of_range("Subscript out of range");
        m_patient.Barcodes[row] = result.text(QStringLiteral("Barcode"));
        m_patient.Instruments[row] = result.text(QStringLiteral("Instrument"));
        listing.listExam(m_patient.Barcodes[row] + QStringLiteral(" [") + m_patient.Instruments[row]
                         + QStringLiteral("] "));
        ++row;
    }
    outcome = {Outcome::Status::Listed, QString()};
}

} // namespace counter
