#include "counter/printrun.h"

#include "core/error.h"
#include "counter/busycursor.h"
#include "counter/copiescount.h"
#include "counter/counterlogging.h"
#include "counter/journalquestions.h"
#include "counter/printquestions.h"
#include "db/printlog.h"
#include "journal/printjournal.h"
#include "label/barcodevalue.h"
#include "label/labelerror.h"
#include "output/labeloutput.h"
#include "output/printserviceerror.h"
#include "report/modmain.h"

#include <QCoreApplication>
#include <QStringList>

#include <exception>
#include <optional>

namespace counter {

namespace {

// Whether an exam from item i on is still checked.
bool anyCheckedFrom(const PrintRun::Checklist &checklist, int i)
{
    for (; i <= checklist.itemCount(); ++i)
        if (checklist.itemChecked(i))
            return true;
    return false;
}

// Why no sticker can carry item i's barcode (blanks only, or a character outside
// printable ASCII); empty when one can. A blank barcode is named by its exam, since
// its value shows nothing.
QString barcodeRefusal(const Patient &patient, int i)
{
    const QString &barcode = patient.Barcodes[i - 1];
    if (!label::isBlankBarcode(barcode))
        return label::unprintableBarcodeMessage(barcode);
    const QString instrument = i - 1 < patient.Instruments.size() ? patient.Instruments[i - 1].trimmed() : QString();
    const QString exam = instrument.isEmpty()
        ? QCoreApplication::translate("counter::PrintRun", "in item %1 of the list").arg(i)
        : QCoreApplication::translate("counter::PrintRun", "%1 (item %2 of the list)").arg(instrument).arg(i);
    return label::blankBarcodeMessage(barcode, exam);
}

// The print service or the label printer's queue went away while an exam printed.
QString serviceMissingMessage(const QString &cause, const QString &barcode)
{
    return QCoreApplication::translate(
               "counter::PrintRun",
               "%1\n\nThe stickers of %2 may not have been printed: %2 is not recorded and stays checked, "
               "to print once the print service is back.")
        .arg(cause, barcode);
}

} // namespace

QString PrintRun::copiesNotWholeMessage()
{
    return QCoreApplication::translate(
        "counter::PrintRun",
        "Type how many stickers to print for each exam in Number of Copies: a whole number, such as 1 or 2.");
}

PrintRun::PrintRun(db::DbClient &client, report::modMain &labels)
    : m_client(client)
    , m_labels(labels)
{
}

void PrintRun::setJournal(journal::PrintJournal *journal, int reprintWarningHours)
{
    m_journal = journal;
    m_reprintWarningHours = reprintWarningHours;
}

PrintRun::Check PrintRun::check(const Patient &patient, const Checklist &checklist)
{
    // The copies box is converted again for each exam by the run, as it is read
    // afresh there.
    int checked = 0;
    QString unprintable;
    for (int i = 1; i <= checklist.itemCount(); ++i) {
        if (!checklist.itemChecked(i))
            continue;
        ++checked;
        if (unprintable.isEmpty() && i - 1 < patient.Barcodes.size())
            unprintable = barcodeRefusal(patient, i);
    }
    if (checked == 0)
        return {};
    const std::optional<qint16> copies = copiesCount(checklist.copiesText());
    if (!copies)
        return {Check::Status::CopiesNotWhole, copiesNotWholeMessage()};
    if (!unprintable.isEmpty())
        return {Check::Status::Unprintable, unprintable};
    // A printer that cannot take the stickers (stopped, refusing jobs, a raw queue
    // without a language) is told before anything is printed or logged.
    if (*copies > 0) {
        if (const QString problem = m_labels.labelOutput().printerProblem(); !problem.isEmpty())
            return {Check::Status::PrinterProblem, problem};
    }
    if (const QString question = copiesQuestion(*copies, checked); !question.isEmpty())
        return {Check::Status::Confirm, question};
    return {};
}

QString PrintRun::reprintQuestion(const Patient &patient, const Checklist &checklist)
{
    if (!m_journal || m_reprintWarningHours <= 0)
        return QString();
    const std::optional<qint16> copies = copiesCount(checklist.copiesText());
    if (!copies || *copies < 1)
        return QString();
    QList<PrintedBefore> printed;
    for (int i = 1; i <= checklist.itemCount(); ++i) {
        if (!checklist.itemChecked(i) || i - 1 >= patient.Barcodes.size() || patient.Barcodes[i - 1].isEmpty())
            continue;
        const journal::PrintedBefore before = m_journal->printedWithin(patient.Barcodes[i - 1], m_reprintWarningHours);
        if (before.any())
            printed.append({patient.Barcodes[i - 1], patient.Instruments.value(i - 1), before.last, before.stickers});
    }
    return printed.isEmpty() ? QString() : counter::reprintQuestion(printed, QDateTime::currentDateTime());
}

PrintRun::Outcome PrintRun::run(Patient &patient, const Checklist &checklist)
{
    Outcome outcome;
    const int n = checklist.itemCount();
    for (int i = 1; i <= n; ++i) {
        checklist.yield();
        // Stopping is asked for between two exams, after an exam's stickers and its log.
        if (checklist.takeStopRequest() && anyCheckedFrom(checklist, i) && checklist.confirmStop()) {
            outcome.status = Outcome::Status::Stopped;
            return outcome;
        }
        if (i > checklist.itemCount() || !checklist.itemChecked(i))
            continue;
        const std::optional<qint16> copies = copiesCount(checklist.copiesText());
        if (!copies) {
            outcome.status = Outcome::Status::CopiesNotWhole;
            outcome.message = copiesNotWholeMessage();
            return outcome;
        }
        const qint64 line = journalAboutToPrint(patient, i, *copies);
        const qsizetype firstJob = outcome.jobs.size();
        if (!printExam(patient, i, *copies, outcome)) {
            journalNotPrinted(line, journal::State::PrintFailed, outcome.message);
            return outcome;
        }
        if (!printerTookStickers(patient, i, line, outcome.jobs.mid(firstJob), checklist, outcome))
            return outcome;
        journalPrinted(line);
        if (!logExam(patient, i, line, checklist, outcome))
            break;
    }
    if (!outcome.unrecorded.isEmpty())
        outcome.examsLeft = anyCheckedFrom(checklist, 1);
    return outcome;
}

// A failing sticker job stops the run at this exam, unlogged; the exams before it stay
// printed, logged and unchecked.
bool PrintRun::printExam(const Patient &patient, int item, qint16 copies, Outcome &outcome)
{
    const QString AgeSex = patient.Age + QStringLiteral("/") + patient.Sex;
    try {
        if (item - 1 >= patient.Barcodes.size() || item - 1 >= patient.Instruments.size())
            throw label::LabelError(QStringLiteral("Subscript out of range"));
        outcome.jobs += m_labels.PrintBarcodeLabel(patient.Barcodes[item - 1], patient.PatientName, patient.HospNum,
                                                   patient.Instruments[item - 1], patient.Transdate, patient.RoomID,
                                                   AgeSex, copies);
        return true;
    } catch (const output::PrintServiceError &e) {
        outcome.status = Outcome::Status::ServiceMissing;
        outcome.message = serviceMissingMessage(e.description(), patient.Barcodes[item - 1]);
        return false;
    } catch (const std::exception &e) {
        const QString failure = core::describe(e);
        outcome.status = Outcome::Status::PrintFailed;
        outcome.message = failure.isEmpty()
            ? QCoreApplication::translate("counter::PrintRun", "The stickers could not be printed.")
            : failure;
        return false;
    }
}

// The step between an exam's stickers and its log: on CUPS, the printer must have
// taken every sticker job of the exam before it is recorded as printed.
bool PrintRun::printerTookStickers(const Patient &patient, int item, qint64 line, const QList<output::PrintedJob> &jobs,
                                   const Checklist &checklist, Outcome &outcome)
{
    const output::JobsTaken taken = [&] {
        const BusyCursor busy;
        return m_labels.labelOutput().waitUntilTaken(jobs, checklist.yield);
    }();
    const QString &barcode = patient.Barcodes[item - 1];
    switch (taken.status) {
    case output::JobsTaken::Status::Taken: return true;
    case output::JobsTaken::Status::NotAnswering: {
        outcome.status = Outcome::Status::PrinterNotAnswering;
        outcome.waiting = {item, barcode, {}, line};
        for (const output::PrintedJob &job : jobs)
            if (taken.waiting.contains(job.jobId))
                outcome.waiting.jobs.append(job);
        outcome.message = printerNotAnsweringQuestion(taken.printer, int(outcome.waiting.jobs.size()), barcode);
        return false;
    }
    case output::JobsTaken::Status::Failed:
        outcome.status = Outcome::Status::PrintFailed;
        outcome.message = QCoreApplication::translate("counter::PrintRun",
                                                      "%1\n\n%2 is not recorded and stays checked.")
                              .arg(taken.message, barcode);
        journalNotPrinted(line, journal::State::PrintFailed, taken.message);
        return false;
    case output::JobsTaken::Status::ServiceMissing:
        outcome.status = Outcome::Status::ServiceMissing;
        outcome.message = serviceMissingMessage(taken.message, barcode);
        journalNotPrinted(line, journal::State::PrintFailed, taken.message);
        return false;
    }
    return false;
}

void PrintRun::settleWaiting(Patient &patient, Outcome &outcome, WaitingChoice choice, const Checklist &checklist)
{
    if (outcome.status != Outcome::Status::PrinterNotAnswering)
        return;
    const Outcome::Waiting waiting = outcome.waiting;
    outcome.waiting = {};
    outcome.message.clear();
    QStringList ids;
    for (const output::PrintedJob &job : waiting.jobs)
        ids << QString::number(job.jobId);

    bool printed = choice == WaitingChoice::Leave;
    if (!printed) {
        try {
            printed = !m_labels.labelOutput().cancelJobs(waiting.jobs);
        } catch (const std::exception &e) {
            outcome.status = Outcome::Status::PrintFailed;
            outcome.message = QCoreApplication::translate(
                                  "counter::PrintRun",
                                  "The stickers of %1 could not be taken out of the print queue: %2\n\n"
                                  "They may still print when the printer answers; %1 is not recorded and "
                                  "stays checked.")
                                  .arg(waiting.barcode, core::describe(e));
            qCWarning(lcCounter, "Printer not answering: the jobs %s of barcode %s could not be cancelled: %s",
                      qUtf8Printable(ids.join(u',')), qUtf8Printable(waiting.barcode),
                      qUtf8Printable(core::describe(e)));
            return;
        }
        qCWarning(lcCounter, "Printer not answering: the jobs %s of barcode %s were cancelled%s",
                  qUtf8Printable(ids.join(u',')), qUtf8Printable(waiting.barcode),
                  printed ? " after they printed: recorded as printed" : "; not recorded");
        if (!printed) {
            journalNotPrinted(waiting.line, journal::State::Cancelled, QStringLiteral("the printer was not answering"));
            outcome.status = Outcome::Status::Stopped;
            return;
        }
    } else {
        qCWarning(lcCounter,
                  "Printer not answering: the jobs %s of barcode %s were left in the queue and recorded as printed",
                  qUtf8Printable(ids.join(u',')), qUtf8Printable(waiting.barcode));
    }
    journalPrinted(waiting.line);
    if (!logExam(patient, waiting.item, waiting.line, checklist, outcome)) {
        outcome.examsLeft = anyCheckedFrom(checklist, 1);
        return;
    }
    outcome.status = anyCheckedFrom(checklist, 1) ? Outcome::Status::Stopped : Outcome::Status::Done;
}

// Logs the printed exam and unchecks it, so that printing the rest after a failure
// further on prints nothing twice. False when the log failed.
bool PrintRun::logExam(Patient &patient, int item, qint64 line, const Checklist &checklist, Outcome &outcome)
{
    const QString barcode = patient.Barcodes[item - 1];
    journalLogBegins(line);
    const db::LogOutcome log = SaveBarcodeLog(patient.Barcodes[item - 1], checklist);
    journalLogOutcome(line, log, false);
    if (item <= checklist.itemCount())
        checklist.uncheck(item);
    if (log.recorded()) {
        ++outcome.recorded;
        return true;
    }
    const bool inDoubt = log.status == db::LogOutcome::Status::InDoubt;
    outcome.unrecorded.add(item, barcode, log.reason, inDoubt, line);
    outcome.status = inDoubt ? Outcome::Status::LogInDoubt : Outcome::Status::LogFailed;
    return false;
}

void PrintRun::recordAgain(Patient &patient, UnrecordedLogs &unrecorded, const Checklist &checklist)
{
    // The same log again, nothing printed: each barcode that is recorded now leaves the
    // list (and its element of Barcodes is emptied).
    const QList<UnrecordedLogs::Entry> entries = unrecorded.entries();
    for (const UnrecordedLogs::Entry &e : entries) {
        if (e.item - 1 >= patient.Barcodes.size())
            continue;
        // The run's own line: no other Norvane takes the lines of a run still going.
        if (m_journal && e.journalLine > 0)
            m_journal->setState(e.journalLine, journal::State::LogBegun);
        const db::LogOutcome outcome = SaveBarcodeLog(patient.Barcodes[e.item - 1], checklist);
        journalLogOutcome(e.journalLine, outcome, e.inDoubt);
        if (outcome.recorded())
            unrecorded.remove(e.item);
        else
            unrecorded.add(e.item, e.barcode, outcome.reason, outcome.status == db::LogOutcome::Status::InDoubt);
    }
}

void PrintRun::giveUp(const UnrecordedLogs &unrecorded)
{
    unrecorded.writeGivenUp();
    if (!m_journal)
        return;
    // A line in doubt keeps saying so: offered again later, it comes with the warning
    // that it could then appear twice.
    for (const UnrecordedLogs::Entry &e : unrecorded.entries()) {
        if (!e.inDoubt && e.journalLine > 0)
            m_journal->setState(e.journalLine, journal::State::GivenUp, e.reason);
    }
}

QList<journal::Line> PrintRun::unrecordedInJournal(bool *ok)
{
    if (!m_journal) {
        if (ok)
            *ok = true;
        return {};
    }
    return m_journal->unrecorded(ok);
}

PrintRun::JournalRecord PrintRun::recordJournalLine(const journal::Line &line, const std::function<void()> &yield)
{
    using Status = JournalRecord::Status;
    if (!m_journal)
        return {Status::Gone, QString()};
    switch (m_journal->claimForLog(line.id, line.state)) {
    case journal::Claim::Taken: break;
    case journal::Claim::Gone: return {Status::Gone, QString()};
    case journal::Claim::Failed: return {Status::JournalFailed, m_journal->lastError()};
    }
    QString barcode = line.barcode;
    const BusyCursor busy;
    const db::LogOutcome log = db::SaveBarcodeLog(m_client, barcode, yield);
    journalLogOutcome(line.id, log, journal::mayBeRecorded(line.state));
    switch (log.status) {
    case db::LogOutcome::Status::Recorded: return {Status::Recorded, QString()};
    case db::LogOutcome::Status::Failed: return {Status::Failed, log.reason};
    case db::LogOutcome::Status::InDoubt: return {Status::InDoubt, log.reason};
    }
    return {Status::Failed, log.reason};
}

// The print journal's steps of one exam.

qint64 PrintRun::journalAboutToPrint(const Patient &patient, int item, qint16 copies)
{
    if (!m_journal)
        return 0;
    journal::Line line;
    line.number = patient.Number;
    line.barcode = patient.Barcodes.value(item - 1);
    line.patientName = patient.PatientName;
    line.hospitalNumber = patient.HospNum;
    line.exam = patient.Instruments.value(item - 1);
    line.copies = copies;
    return m_journal->add(line);
}

void PrintRun::journalPrinted(qint64 line)
{
    if (m_journal && line > 0)
        m_journal->setState(line, journal::State::Printed);
}

void PrintRun::journalNotPrinted(qint64 line, journal::State state, const QString &reason)
{
    if (m_journal && line > 0)
        m_journal->setState(line, state, reason);
}

void PrintRun::journalLogBegins(qint64 line)
{
    if (m_journal && line > 0)
        m_journal->claimForLog(line, journal::State::Printed);
}

void PrintRun::journalLogOutcome(qint64 line, const db::LogOutcome &log, bool wasInDoubt)
{
    if (!m_journal || line <= 0)
        return;
    if (log.recorded())
        m_journal->setState(line, journal::State::Recorded);
    else if (wasInDoubt || log.status == db::LogOutcome::Status::InDoubt)
        m_journal->setState(line, journal::State::InDoubt, log.reason);
    else
        m_journal->setState(line, journal::State::LogFailed, log.reason);
}

db::LogOutcome PrintRun::SaveBarcodeLog(QString &Barcode, const Checklist &checklist)
{
    // The window's input stays held back while the log's transaction is open, so no
    // second log starts inside it.
    const BusyCursor busy;
    return db::SaveBarcodeLog(m_client, Barcode, checklist.yield);
}

} // namespace counter
