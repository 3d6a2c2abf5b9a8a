#pragma once

#include "counter/patient.h"
#include "counter/unrecordedlogs.h"
#include "journal/journalline.h"
#include "output/labelbackend.h"

#include <QList>
#include <QString>

#include <functional>

namespace db {
class DbClient;
struct LogOutcome;
} // namespace db

namespace journal {
class PrintJournal;
} // namespace journal

namespace report {
class modMain;
} // namespace report

namespace counter {

// The print run: for every checked exam of the patient shown, in checklist order, the
// stickers (the label job), the printer taking them (on CUPS), and then the print log
// of its barcode. It decides; the window shows: check() says whether the run may
// start, run() what became of it.
//
// The checklist and the copies box are the window's; the run reads them through
// Checklist when it reaches each item (the item count once, at the start), and the
// window's events are handled at each yield: once per item and while each log runs.
//
// With a print journal (setJournal), each exam's line is written before its label
// job and after each step (journal/printjournal.h): about to print, then printed
// (or print failed), log begun, and recorded, log failed or in doubt; given up when
// the user declines to record it again. A journal that cannot be written changes
// nothing of the run.
class PrintRun
{
public:
    // What the run reads and does through its window.
    struct Checklist
    {
        std::function<int()> itemCount;
        std::function<bool(int item)> itemChecked; // items counted from 1
        std::function<void(int item)> uncheck;
        std::function<QString()> copiesText;
        std::function<void()> yield;
        std::function<bool()> takeStopRequest; // the user asked to stop (Reset, Esc) since last asked
        std::function<bool()> confirmStop;     // asks whether to stop; true: stop
    };

    // Before anything is printed or logged.
    struct Check
    {
        enum class Status {
            Go,             // print (also when no exam is checked: nothing is printed or logged)
            CopiesNotWhole, // the copies box holds no 16-bit whole number
            Unprintable,    // a checked exam's barcode is blank or has a character no sticker can carry
            PrinterProblem, // the default printer cannot take stickers now
            Confirm,        // a copies count above 10 or below 1: ask first
        };
        Status status = Status::Go;
        QString text; // the message for the staff, or the question
    };

    struct Outcome
    {
        enum class Status {
            Done,           // every checked exam printed and recorded
            Stopped,        // stopped by the user between two exams
            PrintFailed,    // a sticker job failed: that exam is neither logged nor unchecked
            CopiesNotWhole, // the copies box changed to no whole number during the run
            LogFailed,      // a log was rolled back: the run stopped after that exam
            LogInDoubt,     // a log's commit got no answer: it may be recorded
            // The printer took none of an exam's stickers in time: they wait in the
            // queue (waiting), the exam is not recorded yet. Ask, then settleWaiting.
            PrinterNotAnswering,
            // The print service stopped answering or the queue went away: that exam is
            // neither logged nor unchecked.
            ServiceMissing,
        };
        // The exam whose stickers wait in the print queue for a printer that does not
        // answer, and their jobs.
        struct Waiting
        {
            int item = 0;
            QString barcode;
            QList<output::PrintedJob> jobs;
            qint64 line = 0; // its journal line, still "about to print"
        };
        Status status = Status::Done;
        QString message;                // PrintFailed, CopiesNotWhole, ServiceMissing: what the staff
                                        // is told; PrinterNotAnswering: the question
        UnrecordedLogs unrecorded;      // LogFailed, LogInDoubt: the printed barcodes not recorded
        bool examsLeft = false;         // LogFailed, LogInDoubt: exams not reached are still checked
        Waiting waiting;                // PrinterNotAnswering
        QList<output::PrintedJob> jobs; // every sticker job handed over, in order
        int recorded = 0;               // exams whose log was recorded
    };

    // What became of recording a line of the journal again (recordJournalLine).
    struct JournalRecord
    {
        enum class Status {
            Recorded,
            Failed,        // rolled back: still printed and not recorded
            InDoubt,       // its commit got no answer
            Gone,          // the line moved on meanwhile (recorded elsewhere): nothing was done
            JournalFailed, // the journal could not be written, so nothing was recorded
        };
        Status status = Status::Recorded;
        QString reason; // Failed, InDoubt: the database's words; JournalFailed: the journal's
    };

    // The answers to a printer that does not answer.
    enum class WaitingChoice {
        Cancel, // take the waiting stickers out of the queue; the exam is not recorded
        Leave,  // they print when the printer answers again; the exam is recorded as printed
    };

    // The text shown for a copies box that holds no whole number.
    static QString copiesNotWholeMessage();

    PrintRun(db::DbClient &client, report::modMain &labels);

    // The print journal the run writes, and the hours within which a barcode printed
    // here is asked about before it is printed again (0: never). None: nothing is
    // written or asked. Given, not owned.
    void setJournal(journal::PrintJournal *journal, int reprintWarningHours);
    journal::PrintJournal *journal() const { return m_journal; }

    Check check(const Patient &patient, const Checklist &checklist);
    // Asked after check() lets the run go: the checked exams whose barcode the journal
    // holds as printed on this workstation within the reprint warning's hours, in one
    // question (counter::reprintQuestion); empty when there is none, when no sticker
    // is to be printed, or without a journal.
    QString reprintQuestion(const Patient &patient, const Checklist &checklist);
    // The run. Each exam: its copies read afresh, its stickers printed, its barcode
    // logged (and emptied in patient.Barcodes once recorded), its item unchecked. A
    // log that fails stops the run after that exam: with the database unable to
    // record, every further sticker would be printed unrecorded as well.
    Outcome run(Patient &patient, const Checklist &checklist);
    // Records the unrecorded logs again, printing nothing; each one recorded leaves
    // the list, the others keep the latest reason.
    void recordAgain(Patient &patient, UnrecordedLogs &unrecorded, const Checklist &checklist);
    // After PrinterNotAnswering, carries out the answer and turns the outcome into what
    // became of the run: Cancel leaves the exam checked and unrecorded (Stopped), unless
    // its stickers went to the printer meanwhile; Leave (or stickers printed meanwhile)
    // records the exam as printed and unchecks it (Stopped, or Done when no exam is
    // left; LogFailed or LogInDoubt when its log fails). The run goes no further: the
    // printer is not answering.
    void settleWaiting(Patient &patient, Outcome &outcome, WaitingChoice choice, const Checklist &checklist);
    // The user declines to record them again: each is given up in the journal and
    // written to the program's log.
    void giveUp(const UnrecordedLogs &unrecorded);

    // The journal's lines printed and not recorded (PrintJournal::unrecorded); none
    // without a journal. ok says whether it could be read.
    QList<journal::Line> unrecordedInJournal(bool *ok = nullptr);
    // Records a line of the journal printed and not recorded, printing nothing: claims
    // it (another Norvane may be at it), logs a copy of its barcode, and writes what
    // became of it.
    JournalRecord recordJournalLine(const journal::Line &line, const std::function<void()> &yield);

    // Logs one printed barcode (db::SaveBarcodeLog), yielding through the checklist;
    // empties Barcode once logged.
    db::LogOutcome SaveBarcodeLog(QString &Barcode, const Checklist &checklist);

private:
    bool printExam(const Patient &patient, int item, qint16 copies, Outcome &outcome);
    // The printer took the job: follows the exam's sticker jobs until the printer has
    // taken them. False, and the run stops before the exam is recorded, when it did not.
    bool printerTookStickers(const Patient &patient, int item, qint64 line, const QList<output::PrintedJob> &jobs,
                             const Checklist &checklist, Outcome &outcome);
    bool logExam(Patient &patient, int item, qint64 line, const Checklist &checklist, Outcome &outcome);

    // The journal's steps of one exam; a line id of 0 (no journal, or one that could
    // not be written) writes nothing.
    qint64 journalAboutToPrint(const Patient &patient, int item, qint16 copies);
    // The printer took the exam's stickers.
    void journalPrinted(qint64 line);
    void journalNotPrinted(qint64 line, journal::State state, const QString &reason);
    void journalLogBegins(qint64 line);
    // A line once in doubt stays so until it is recorded.
    void journalLogOutcome(qint64 line, const db::LogOutcome &log, bool wasInDoubt);

    db::DbClient &m_client;
    report::modMain &m_labels;
    journal::PrintJournal *m_journal = nullptr;
    int m_reprintWarningHours = 0;
};

} // namespace counter
