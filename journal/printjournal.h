#pragma once

#include "journal/journalline.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace journal {

// Lines older than this many days are pruned unless a setting says otherwise.
inline constexpr int kDefaultKeepDays = 90;

// The journal's usual place: journal.sqlite in the program's data folder, beside
// the log file (on Linux ~/.local/share/Norvane, on Windows %LOCALAPPDATA%\Norvane).
// Needs the application's name set.
QString defaultJournalPath();

// What became of a claim on an unrecorded line (claimForLog).
enum class Claim {
    Taken,  // the line is now LogBegun, for this caller to record
    Gone,   // the line has moved on (another Norvane recorded it or is recording it): leave it
    Failed, // the journal could not be written
};

// The stickers of one barcode that the printer took on this workstation lately.
struct PrintedBefore
{
    int stickers = 0; // copies summed over those lines
    QDateTime last;   // when the printer took the latest of them (local time); invalid: none
    bool any() const { return stickers > 0; }
};

// The print journal of one workstation: a small SQLite file that holds one line per
// exam of every print run, and that line's state as the run moves on, so that after
// a crash or a power cut the file still says which stickers came out and which of
// them reached the print log.
//
// Every write is a transaction of its own, committed to disk before the call
// returns (write-ahead log, full synchronous commits), so a line is in the file the
// moment add() or setState() returns true, whatever happens to the program or the
// power after that.
//
// A journal that cannot be used (a full disk, a folder that cannot be written, a
// file of a newer version) never stops the caller: nothing here throws, every call
// says by its result that it failed, and the first failure is told once through
// the failure handler and the category norvane.journal. A journal that could not
// be opened is tried again at most once a minute; until then calls fail at once.
//
// Two runs of the program by the same user may share the file: writes wait for
// each other (a busy timeout), a line is changed only by its id, and each run
// holds a session lock, so that the unrecorded lines of a run that is still going
// are left to it (see unrecorded()).
//
// How a print run uses it, for each checked exam:
//   id = add(line)                   before the label job (AboutToPrint)
//   setState(id, Printed)            once the printer took the job (PrintFailed or
//                                    Cancelled otherwise, with the reason)
//   claimForLog(id, Printed)         just before the print log begins (LogBegun)
//   setState(id, Recorded)           after its commit (LogFailed or InDoubt otherwise)
// and for a line recorded again later (the offer after a failure, at start-up, or
// from the day's list): claimForLog(id, line.state), the log, then its outcome; or
// setState(id, GivenUp) when the user declines.
class PrintJournal
{
public:
    PrintJournal();
    ~PrintJournal();
    PrintJournal(const PrintJournal &) = delete;
    PrintJournal &operator=(const PrintJournal &) = delete;

    // Opens (creating when missing, with its folder) the journal at path on a Qt SQL
    // connection of its own. True when it can be used. A file that is not a journal
    // or is damaged beyond reading is set aside as <path>.damaged-<time> (told in the
    // log) and a new journal begun.
    bool open(const QString &path);
    void close();
    bool isOpen() const;
    QString path() const;
    // The last failure in plain words; empty while nothing failed.
    QString lastError() const;

    // Told the first failure of this journal, once (message in plain words, naming
    // the file). The caller decides where it shows.
    using FailureHandler = std::function<void(const QString &message)>;
    void setFailureHandler(FailureHandler handler);

    // Writes a new line in line.state (AboutToPrint unless set), stamped with the
    // current time, this session, and the workstation and operator when the line
    // leaves them empty. Returns its id, or 0 when it could not be written.
    qint64 add(const Line &line);

    // Moves line id to state with reason (empty clears it), stamping the time of
    // the change; the first state in which the printer has taken the job stamps
    // printed, Recorded stamps recorded. False when not written (or id is unknown).
    bool setState(qint64 id, State state, const QString &reason = QString());

    // Moves line id to LogBegun if it is still in state seen, as the caller last
    // read it; the one way to begin a log of a line that another Norvane could be
    // recording at the same time.
    Claim claimForLog(qint64 id, State seen);

    // The lines printed and not known to be recorded, oldest first: Printed (the
    // program ended between sticker and log), LogFailed, GivenUp; and, to be offered
    // only with the warning that they could appear twice, InDoubt and LogBegun. Lines
    // of another run of the program that is still going are left out; LogBegun lines
    // of a run that has ended are set InDoubt first. Call it while no log of this
    // run is under way. ok, when given, says whether the journal could be read.
    QList<Line> unrecorded(bool *ok = nullptr);

    // The stickers of barcode that the printer took here less than hours ago.
    // hours of 0 or less finds none.
    PrintedBefore printedWithin(const QString &barcode, int hours, bool *ok = nullptr);

    // The lines written at or after from, oldest first; those of one local day.
    QList<Line> linesSince(const QDateTime &from, bool *ok = nullptr);
    QList<Line> linesOfDay(const QDate &day, bool *ok = nullptr);
    std::optional<Line> line(qint64 id);

    // Deletes the lines written more than keepDays days ago (keepDays of 0 or less
    // keeps every line). Unrecorded lines among them are written to the log first.
    // Returns how many lines went, or -1 when the journal could not be written.
    int prune(int keepDays = kDefaultKeepDays);

    // This run's session id, written on each line it adds.
    QString sessionId() const;

    // Where the journal takes the current time from (tests set the clock).
    using Clock = std::function<QDateTime()>;
    void setClock(Clock clock);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace journal
