#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace journal {

// Where one exam of a print run stands. A run moves each line forward:
//
//   AboutToPrint -> Printed -> LogBegun -> Recorded
//        |             |           |-> LogFailed -> (LogBegun again, or GivenUp)
//        |             |           '-> InDoubt   -> (LogBegun again, or GivenUp)
//        |-> PrintFailed
//        '-> Cancelled
enum class State {
    AboutToPrint, // written before the label job is sent
    Printed,      // the printer took the job (or, with no copies, nothing was to print)
    PrintFailed,  // the label job failed: no sticker
    Cancelled,    // the job was taken back from the queue before the printer took it
    LogBegun,     // written just before the print log's transaction is begun
    Recorded,     // the print log committed
    LogFailed,    // the print log rolled back: printed, not recorded
    InDoubt,      // the print log's commit got no answer, or the program ended during it
    GivenUp,      // printed, not recorded, and the user chose not to record it again
};

// The state in plain words, as staff and IT read it: "about to print", "printed",
// "print failed", "cancelled", "log begun", "recorded", "log failed", "in doubt",
// "given up".
QString stateName(State state);

// The state's key as the journal file stores it ("about_to_print", ...), and back.
QString stateKey(State state);
std::optional<State> stateFromKey(const QString &key);

// The printer took the job: every state from Printed on, Cancelled and PrintFailed aside.
bool printerTookJob(State state);

// Printed (or meant to be recorded without stickers) and not known to be recorded.
bool isUnrecorded(State state);

// Unrecorded, and a commit of its log may have reached the database: recording it
// again could make it appear twice.
bool mayBeRecorded(State state);

// One exam of a print run on this workstation.
struct Line
{
    qint64 id = 0;          // the journal's number for the line; 0: not in the journal
    QDateTime time;         // when the line was written, local time with its offset
    QString workstation;    // the host name
    QString operatorName;   // the login name of whoever ran Norvane
    QString number;         // the number searched (scanned barcode or chargeslip)
    QString barcode;        // the exam's barcode, as printed and logged
    QString patientName;    //
    QString hospitalNumber; //
    QString exam;           // the instrument: the checklist item's text
    int copies = 0;         // stickers asked for; 0 or less: recorded without stickers
    State state = State::AboutToPrint;
    QDateTime changed;  // the last change of state
    QDateTime printed;  // when the printer took the job; invalid before that, or never
    QDateTime recorded; // when the print log committed; invalid unless Recorded
    QString reason;     // why it failed (the printer's or database's words); empty otherwise
    QString session;    // the run of the program that wrote it (set by the journal)
};

} // namespace journal
