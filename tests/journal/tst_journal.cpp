// The print journal: each state path of an exam, what a crash at each step leaves
// and offers again, the reprint window, pruning, a journal that cannot be used, a
// run killed while it writes, and the text form for IT.

#include "common/asnobody.h"
#include "journal/journalfixture.h"

#include "journal/journaltext.h"
#include "journal/printjournal.h"
#include "journal/sessionlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimeZone>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <dlfcn.h>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <atomic>
#include <functional>

using journal::Claim;
using journal::Line;
using journal::PrintJournal;
using journal::State;
using journalfixture::exam;
using journalfixture::pathTo;
using journalfixture::reasonFor;
using journalfixture::walk;

namespace {

// One printing of barcode T1000001C for the reprint window: how long ago the
// printer took it, its copies and the state the line ends in.
struct Printing
{
    qint64 secondsAgo = 0;
    int copies = 1;
    State state = State::Recorded;
};

// The messages of category norvane.journal at warning level, counted.
int journalWarnings = 0;
QtMessageHandler previousHandler = nullptr;

void countingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && context.category && qstrcmp(context.category, "norvane.journal") == 0)
        ++journalWarnings;
    if (previousHandler)
        previousHandler(type, context, message);
}

// Syncs of files to the disk by this process (SQLite's among them): the test
// program puts itself in front of the C library's.
std::atomic<int> diskSyncs{0};

} // namespace

#ifdef Q_OS_UNIX
extern "C" int fdatasync(int fd)
{
    ++diskSyncs;
    static const auto next = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
    return next(fd);
}

extern "C" int fsync(int fd)
{
    ++diskSyncs;
    static const auto next = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    return next(fd);
}
#endif

namespace {

// SQLite's own check of the file, on a connection of its own: "ok" when whole.
QString integrityOf(const QString &path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("integrity"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery check(db);
            if (check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next())
                result = check.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("integrity"));
    return result;
}

} // namespace

Q_DECLARE_METATYPE(Printing)

class tst_journal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void statePaths_data();
    void statePaths();
    void everyWriteIsOnTheDiskBeforeItReturns();
    void unrecordedAfterACrash_data();
    void unrecordedAfterACrash();
    void linesOfARunStillGoingAreItsOwn();
    void aLockLeftWithItsProcessIdGivenAgain();
    void aLineIsClaimedForItsLogOnce();
    void opensWhileAnotherRunWrites();
    void printedWithin_data();
    void printedWithin();
    void pruneKeepsItsDays();
    void linesOfADay();
    void unusableJournal_data();
    void unusableJournal();
    void aJournalThatWorksAgain();
    void fullDiskMidRun();
    void damagedFileIsSetAside();
    void killedRunLeavesWhatItCommitted();
    void textForIT();
    void sinceTime_data();
    void sinceTime();

private:
    void runRowAsNobody();
    QString journalPath() const { return m_dir->filePath(QStringLiteral("data/journal.sqlite")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QDateTime m_now;
};

void tst_journal::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_now = QDateTime::currentDateTime();
    journalWarnings = 0;
    previousHandler = qInstallMessageHandler(countingHandler);
}

void tst_journal::cleanup()
{
    qInstallMessageHandler(previousHandler);
    if (m_dir)
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

void tst_journal::statePaths_data()
{
    QTest::addColumn<QList<State>>("steps");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("printed");  // the printer took the job
    QTest::addColumn<bool>("recorded"); // the print log committed
    QTest::addColumn<bool>("offered");  // unrecorded() names it
    QTest::addColumn<int>("stickers");  // counted by the reprint window

    QTest::newRow("printed and recorded") << pathTo(State::Recorded) << 2 << true << true << false << 2;
    QTest::newRow("print failed") << pathTo(State::PrintFailed) << 1 << false << false << false << 0;
    QTest::newRow("cancelled in the queue") << pathTo(State::Cancelled) << 1 << false << false << false << 0;
    QTest::newRow("log failed") << pathTo(State::LogFailed) << 1 << true << false << true << 1;
    QTest::newRow("log in doubt") << pathTo(State::InDoubt) << 1 << true << false << true << 1;
    QTest::newRow("given up") << pathTo(State::GivenUp) << 1 << true << false << true << 1;
    QTest::newRow("recorded on a second try")
        << (pathTo(State::LogFailed) << State::LogBegun << State::Recorded) << 1 << true << true << false << 1;
    QTest::newRow("given up, then recorded from the list")
        << (pathTo(State::GivenUp) << State::LogBegun << State::Recorded) << 1 << true << true << false << 1;
    QTest::newRow("no copies: recorded, no sticker") << pathTo(State::Recorded) << 0 << true << true << false << 0;
}

void tst_journal::statePaths()
{
    QFETCH(QList<State>, steps);
    QFETCH(int, copies);
    QFETCH(bool, printed);
    QFETCH(bool, recorded);
    QFETCH(bool, offered);
    QFETCH(int, stickers);

    qint64 id = 0;
    {
        PrintJournal journal;
        QVERIFY(journal.open(journalPath()));
        id = journal.add(exam(QStringLiteral("T1000001C"), copies));
        QVERIFY(id > 0);
        QCOMPARE(journal.line(id)->state, State::AboutToPrint);
        // Each step leaves the line in that state; the next claim sees it.
        State current = State::AboutToPrint;
        for (State step : steps) {
            if (step == State::LogBegun)
                QCOMPARE(journal.claimForLog(id, current), Claim::Taken);
            else
                QVERIFY(journal.setState(id, step, reasonFor(step)));
            QCOMPARE(journal.line(id)->state, step);
            current = step;
        }
    }

    // What the file holds once the run has ended.
    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    const std::optional<Line> line = journal.line(id);
    QVERIFY(line);
    QCOMPARE(line->state, steps.last());
    QCOMPARE(line->barcode, u"T1000001C"_qs);
    QCOMPARE(line->patientName, u"DELA CRUZ, JUAN"_qs);
    QCOMPARE(line->hospitalNumber, u"H0012345"_qs);
    QCOMPARE(line->number, u"CS202400001"_qs);
    QCOMPARE(line->copies, copies);
    QVERIFY(!line->workstation.isEmpty());
    QVERIFY(!line->operatorName.isEmpty());
    QVERIFY(line->time.isValid());
    QVERIFY(line->changed >= line->time);
    QCOMPARE(line->printed.isValid(), printed);
    QCOMPARE(line->recorded.isValid(), recorded);
    QCOMPARE(line->reason, reasonFor(steps.last()));
    QCOMPARE(journal.unrecorded().size(), offered ? 1 : 0);
    QCOMPARE(journal.printedWithin(QStringLiteral("T1000001C"), 24).stickers, stickers);
}

void tst_journal::everyWriteIsOnTheDiskBeforeItReturns()
{
#ifndef Q_OS_UNIX
    QSKIP("counts the C library's syncs");
#endif
    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    QDateTime clock = m_now.addDays(-100);
    journal.setClock([&clock] { return clock; });
    qint64 id = 0;
    // Each write of a run, and of the offers after it.
    const QList<std::pair<const char *, std::function<bool()>>> steps{
        {"line before the label job", [&] { return (id = journal.add(exam(QStringLiteral("T1")))) > 0; }},
        {"printer took the job", [&] { return journal.setState(id, State::Printed); }},
        {"claim before the log", [&] { return journal.claimForLog(id, State::Printed) == Claim::Taken; }},
        {"log failed", [&] { return journal.setState(id, State::LogFailed, reasonFor(State::LogFailed)); }},
        {"given up", [&] { return journal.setState(id, State::GivenUp, reasonFor(State::GivenUp)); }},
        {"claimed again", [&] { return journal.claimForLog(id, State::GivenUp) == Claim::Taken; }},
        {"in doubt", [&] { return journal.setState(id, State::InDoubt, reasonFor(State::InDoubt)); }},
        {"recorded", [&] { return journal.setState(id, State::Recorded); }},
        {"print failed", [&] { return journal.setState(id, State::PrintFailed); }},
        {"cancelled", [&] { return journal.setState(id, State::Cancelled); }},
        {"pruned", [&] { return (clock = m_now, journal.prune()) == 1; }},
    };
    for (const auto &[what, write] : steps) {
        const int before = diskSyncs;
        QVERIFY2(write(), what);
        QVERIFY2(diskSyncs > before, what);
    }
}

void tst_journal::unrecordedAfterACrash_data()
{
    QTest::addColumn<State>("reached"); // the last state written before the program ended
    QTest::addColumn<bool>("offered");
    QTest::addColumn<State>("offeredAs"); // its state once the next run has looked

    QTest::newRow("before the label job") << State::AboutToPrint << false << State::AboutToPrint;
    QTest::newRow("between sticker and log") << State::Printed << true << State::Printed;
    QTest::newRow("during the log") << State::LogBegun << true << State::InDoubt;
    QTest::newRow("after the log") << State::Recorded << false << State::Recorded;
    QTest::newRow("after a failed log") << State::LogFailed << true << State::LogFailed;
    QTest::newRow("after a commit without answer") << State::InDoubt << true << State::InDoubt;
    QTest::newRow("given up") << State::GivenUp << true << State::GivenUp;
    QTest::newRow("after a failed label job") << State::PrintFailed << false << State::PrintFailed;
    QTest::newRow("after a cancelled job") << State::Cancelled << false << State::Cancelled;
}

void tst_journal::unrecordedAfterACrash()
{
    QFETCH(State, reached);
    QFETCH(bool, offered);
    QFETCH(State, offeredAs);

    qint64 id = 0;
    {
        // The run ends here without a word more (its session ends with it).
        PrintJournal crashed;
        QVERIFY(crashed.open(journalPath()));
        id = crashed.add(exam(QStringLiteral("T1000001C")));
        QVERIFY(walk(crashed, id, pathTo(reached)));
    }

    PrintJournal next;
    QVERIFY(next.open(journalPath()));
    bool ok = false;
    const QList<Line> lines = next.unrecorded(&ok);
    QVERIFY(ok);
    QCOMPARE(lines.size(), offered ? 1 : 0);
    QCOMPARE(next.line(id)->state, offeredAs);
    if (!offered)
        return;
    QCOMPARE(lines.first().id, id);
    QCOMPARE(lines.first().state, offeredAs);
    QCOMPARE(journal::mayBeRecorded(lines.first().state), reached == State::LogBegun || reached == State::InDoubt);

    // Recorded again: offered no more.
    QCOMPARE(next.claimForLog(id, lines.first().state), Claim::Taken);
    QVERIFY(next.setState(id, State::Recorded));
    QVERIFY(next.unrecorded().isEmpty());
}

void tst_journal::linesOfARunStillGoingAreItsOwn()
{
    auto going = std::make_unique<PrintJournal>();
    QVERIFY(going->open(journalPath()));
    const qint64 failed = going->add(exam(QStringLiteral("T1000001C")));
    const qint64 logging = going->add(exam(QStringLiteral("T1000002C")));
    QVERIFY(walk(*going, failed, pathTo(State::LogFailed)));
    QVERIFY(walk(*going, logging, pathTo(State::LogBegun)));

    PrintJournal other;
    QVERIFY(other.open(journalPath()));
    QVERIFY(other.sessionId() != going->sessionId());
    bool ok = false;
    QVERIFY(other.unrecorded(&ok).isEmpty());
    QVERIFY(ok);
    QCOMPARE(other.line(logging)->state, State::LogBegun); // not taken for an interrupted log
    QCOMPARE(going->unrecorded().size(), 2);               // its own, the log under way included

    going.reset(); // that run ends
    const QList<Line> lines = other.unrecorded();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0).state, State::LogFailed);
    QCOMPARE(lines.at(1).state, State::InDoubt);
}

void tst_journal::aLockLeftWithItsProcessIdGivenAgain()
{
    qint64 id = 0;
    QString session;
    {
        PrintJournal crashed;
        QVERIFY(crashed.open(journalPath()));
        session = crashed.sessionId();
        id = crashed.add(exam(QStringLiteral("T1000001C")));
        QVERIFY(walk(crashed, id, pathTo(State::LogFailed)));
    }
    // After a power cut the run's lock file is still there, and the process id it
    // names belongs to a new run of the same program (here: this one).
    QFile lock(journalPath() + QStringLiteral(".sessions/%1.lock").arg(session));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n'
               + QCoreApplication::applicationName().toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
    lock.close();
    QVERIFY(!journal::SessionLock::isRunning(QFileInfo(lock).absolutePath(), session));

    PrintJournal next;
    QVERIFY(next.open(journalPath()));
    const QList<Line> lines = next.unrecorded();
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().id, id);
}

void tst_journal::aLineIsClaimedForItsLogOnce()
{
    qint64 id = 0;
    {
        PrintJournal ended;
        QVERIFY(ended.open(journalPath()));
        id = ended.add(exam(QStringLiteral("T1000001C")));
        QVERIFY(walk(ended, id, pathTo(State::LogFailed)));
    }
    // Two runs offer the same line and both users say yes.
    PrintJournal first, second;
    QVERIFY(first.open(journalPath()));
    QVERIFY(second.open(journalPath()));
    const Line seenByFirst = first.unrecorded().value(0);
    const Line seenBySecond = second.unrecorded().value(0);
    QCOMPARE(seenByFirst.id, id);
    QCOMPARE(seenBySecond.id, id);
    QCOMPARE(first.claimForLog(id, seenByFirst.state), Claim::Taken);
    QCOMPARE(second.claimForLog(id, seenBySecond.state), Claim::Gone);
    QCOMPARE(second.claimForLog(0, State::Printed), Claim::Gone);
}

void tst_journal::opensWhileAnotherRunWrites()
{
    {
        PrintJournal earlier;
        QVERIFY(earlier.open(journalPath()));
    }
    // Another run holds the file for writing longer than this one waits.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    other.setDatabaseName(journalPath());
    QVERIFY(other.open());
    QSqlQuery hold(other);
    QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));

    int told = 0;
    PrintJournal journal;
    journal.setFailureHandler([&told](const QString &) { ++told; });
    QVERIFY(journal.open(journalPath()));
    QCOMPARE(journal.add(exam(QStringLiteral("T1000001C"))), 0); // waits, then says it could not
    QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
    QVERIFY(journal.add(exam(QStringLiteral("T1000002C"))) > 0);
    QCOMPARE(told, 1);

    hold = QSqlQuery();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

void tst_journal::printedWithin_data()
{
    QTest::addColumn<QList<Printing>>("printings");
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("stickers");
    QTest::addColumn<qint64>("lastSecondsAgo"); // -1: none found

    const qint64 day = 24 * 3600;
    QTest::newRow("an hour ago") << QList<Printing>{{3600, 2}} << 24 << 2 << qint64(3600);
    QTest::newRow("a second inside the window") << QList<Printing>{{day - 1, 1}} << 24 << 1 << day - 1;
    QTest::newRow("exactly the window ago") << QList<Printing>{{day, 1}} << 24 << 0 << qint64(-1);
    QTest::newRow("a day and an hour ago") << QList<Printing>{{day + 3600, 1}} << 24 << 0 << qint64(-1);
    QTest::newRow("window of 0 hours") << QList<Printing>{{0, 1}} << 0 << 0 << qint64(-1);
    QTest::newRow("a shorter window") << QList<Printing>{{3 * 3600, 1}, {600, 1}} << 2 << 1 << qint64(600);
    QTest::newRow("stickers summed, the latest time")
        << QList<Printing>{{7200, 2}, {300, 3}, {2 * day, 5}} << 24 << 5 << qint64(300);
    QTest::newRow("not recorded still counts") << QList<Printing>{{60, 1, State::GivenUp}} << 24 << 1 << qint64(60);
    QTest::newRow("in doubt still counts") << QList<Printing>{{60, 1, State::InDoubt}} << 24 << 1 << qint64(60);
    QTest::newRow("failed job: no sticker") << QList<Printing>{{60, 1, State::PrintFailed}} << 24 << 0 << qint64(-1);
    QTest::newRow("cancelled job: no sticker") << QList<Printing>{{60, 1, State::Cancelled}} << 24 << 0 << qint64(-1);
    QTest::newRow("job not answered yet") << QList<Printing>{{60, 1, State::AboutToPrint}} << 24 << 0 << qint64(-1);
    QTest::newRow("recorded without copies") << QList<Printing>{{60, 0}} << 24 << 0 << qint64(-1);
}

void tst_journal::printedWithin()
{
    QFETCH(QList<Printing>, printings);
    QFETCH(int, hours);
    QFETCH(int, stickers);
    QFETCH(qint64, lastSecondsAgo);

    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    QDateTime clock = m_now;
    journal.setClock([&clock] { return clock; });
    for (const Printing &p : printings) {
        clock = m_now.addSecs(-p.secondsAgo);
        QVERIFY(walk(journal, journal.add(exam(QStringLiteral("T1000001C"), p.copies)), pathTo(p.state)));
    }
    // Another barcode printed just now is not this one.
    clock = m_now;
    QVERIFY(walk(journal, journal.add(exam(QStringLiteral("T1000001"), 4)), pathTo(State::Recorded)));

    bool ok = false;
    const journal::PrintedBefore found = journal.printedWithin(QStringLiteral("T1000001C"), hours, &ok);
    QVERIFY(ok);
    QCOMPARE(found.stickers, stickers);
    QCOMPARE(found.any(), stickers > 0);
    if (lastSecondsAgo < 0)
        QVERIFY(!found.last.isValid());
    else
        QCOMPARE(found.last.toMSecsSinceEpoch(), m_now.addSecs(-lastSecondsAgo).toMSecsSinceEpoch());
}

void tst_journal::pruneKeepsItsDays()
{
    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    QDateTime clock;
    journal.setClock([&clock] { return clock; });
    const qint64 day = 24 * 3600;
    const QList<QPair<qint64, State>> ages{{200 * day, State::Recorded},
                                           {90 * day + 60, State::LogFailed},
                                           {90 * day - 60, State::Recorded},
                                           {day, State::GivenUp},
                                           {0, State::Recorded}};
    for (const auto &[age, state] : ages) {
        clock = m_now.addSecs(-age);
        QVERIFY(walk(journal, journal.add(exam(QStringLiteral("T%1").arg(age))), pathTo(state)));
    }
    clock = m_now;

    QCOMPARE(journal.prune(0), 0); // 0 days: keep everything
    QCOMPARE(journal.linesSince(m_now.addYears(-1)).size(), 5);

    journalWarnings = 0;
    QCOMPARE(journal.prune(), 2); // 90 days by default
    QCOMPARE(journalWarnings, 1); // the unrecorded one, told before it went
    QStringList kept;
    for (const Line &l : journal.linesSince(m_now.addYears(-1)))
        kept << l.barcode;
    QCOMPARE(
        kept,
        (QStringList{QStringLiteral("T%1").arg(90 * day - 60), QStringLiteral("T%1").arg(day), QStringLiteral("T0")}));
    QCOMPARE(journal.prune(), 0);
    // Ids are never given again once their line is gone.
    const qint64 id = journal.add(exam(QStringLiteral("T1000009C")));
    QVERIFY(id > 5);
}

void tst_journal::linesOfADay()
{
    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    QDateTime clock;
    journal.setClock([&clock] { return clock; });
    const QDate today = m_now.date();
    const QList<QDateTime> times{QDateTime(today.addDays(-1), QTime(23, 59, 59)), QDateTime(today, QTime(0, 0)),
                                 QDateTime(today, QTime(12, 0)), QDateTime(today, QTime(23, 59, 59)),
                                 QDateTime(today.addDays(1), QTime(0, 0))};
    for (const QDateTime &t : times) {
        clock = t;
        QVERIFY(journal.add(exam(t.toString(Qt::ISODate))) > 0);
    }
    bool ok = false;
    const QList<Line> lines = journal.linesOfDay(today, &ok);
    QVERIFY(ok);
    QStringList barcodes;
    for (const Line &l : lines)
        barcodes << l.barcode;
    QCOMPARE(
        barcodes,
        (QStringList{times[1].toString(Qt::ISODate), times[2].toString(Qt::ISODate), times[3].toString(Qt::ISODate)}));
    QCOMPARE(journal.linesSince(times[3]).size(), 2);
}

void tst_journal::unusableJournal_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("its folder is a file") << u"folder is a file"_qs;
    QTest::newRow("the journal is a folder") << u"journal is a folder"_qs;
    QTest::newRow("a folder that cannot be written") << u"read-only folder"_qs;
    QTest::newRow("a journal file that cannot be written") << u"read-only file"_qs;
    QTest::newRow("a journal of a later version") << u"later version"_qs;
}

void tst_journal::unusableJournal()
{
    QFETCH(QString, setup);
    QString path = journalPath();
    if (setup == u"folder is a file") {
        QFile file(m_dir->filePath(QStringLiteral("data")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (setup == u"journal is a folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (setup.startsWith(u"read-only") && testsupport::runningAsRoot()) {
        // Root writes into any file: the row runs again in a child of this program as nobody.
        return runRowAsNobody();
    } else if (setup == u"read-only folder") {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(QFile::setPermissions(QFileInfo(path).absolutePath(), QFile::ReadOwner | QFile::ExeOwner));
    } else if (setup == u"read-only file") {
        {
            PrintJournal earlier;
            QVERIFY(earlier.open(path));
            QVERIFY(earlier.add(exam(QStringLiteral("T1000001C"))) > 0);
        }
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        journalWarnings = 0;
    } else if (setup == u"later version") {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("later"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 99")));
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE line (id INTEGER PRIMARY KEY, what TEXT)")));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("later"));
    }

    QStringList told;
    PrintJournal journal;
    journal.setFailureHandler([&told](const QString &message) { told << message; });
    QVERIFY(!journal.open(path));
    QVERIFY(!journal.isOpen());
    QVERIFY(!journal.lastError().isEmpty());
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(QDir::toNativeSeparators(path)), qPrintable(told.first()));

    // Every call says it failed, again and again, and nothing more is told.
    for (int round = 0; round < 3; ++round) {
        bool ok = true;
        QCOMPARE(journal.add(exam(QStringLiteral("T1000001C"))), 0);
        QVERIFY(!journal.setState(1, State::Printed));
        QCOMPARE(journal.claimForLog(1, State::Printed), Claim::Failed);
        QVERIFY(journal.unrecorded(&ok).isEmpty());
        QVERIFY(!ok);
        ok = true;
        QVERIFY(!journal.printedWithin(QStringLiteral("T1000001C"), 24, &ok).any());
        QVERIFY(!ok);
        ok = true;
        QVERIFY(journal.linesOfDay(m_now.date(), &ok).isEmpty());
        QVERIFY(!ok);
        QVERIFY(!journal.line(1));
        QCOMPARE(journal.prune(), -1);
    }
    QCOMPARE(told.size(), 1);
    QCOMPARE(journalWarnings, 1);

    if (setup == u"later version") {
        // Left as it was for the version that wrote it.
        QVERIFY(QDir(QFileInfo(path).absolutePath()).entryList({QStringLiteral("*.damaged-*")}).isEmpty());
    }
}

void tst_journal::aJournalThatWorksAgain()
{
    // Its folder's place is taken by a file, until someone removes it.
    QFile blocker(m_dir->filePath(QStringLiteral("data")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QDateTime clock = m_now;
    QStringList told;
    PrintJournal journal;
    journal.setClock([&clock] { return clock; });
    journal.setFailureHandler([&told](const QString &message) { told << message; });
    QVERIFY(!journal.open(journalPath()));
    QVERIFY(blocker.remove());

    // Tried again once a minute, not at every call.
    clock = m_now.addSecs(59);
    QCOMPARE(journal.add(exam(QStringLiteral("T1000001C"))), 0);
    QVERIFY(!QFileInfo::exists(journalPath()));
    clock = m_now.addSecs(61);
    const qint64 id = journal.add(exam(QStringLiteral("T1000002C")));
    QVERIFY(id > 0);
    QVERIFY(journal.isOpen());
    QVERIFY(journal.setState(id, State::Printed));
    QCOMPARE(journal.line(id)->barcode, u"T1000002C"_qs);
    QCOMPARE(told.size(), 1);
    QCOMPARE(journalWarnings, 1);
}

void tst_journal::runRowAsNobody()
{
    const testsupport::ChildRow child = testsupport::runRowAsNobody();
    if (child.status == testsupport::ChildRow::Status::CannotRun)
        QSKIP(qPrintable(child.output));
    QVERIFY2(child.status == testsupport::ChildRow::Status::Passed, qPrintable(child.output));
}

namespace {

// The child run of fullDiskMidRun: writes a line, then cannot make any file larger
// (as on a full disk) and tries every call. Prints what each returned.
int fillJournal(const QString &path)
{
#ifdef Q_OS_UNIX
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the run
    PrintJournal journal;
    int told = 0;
    journal.setFailureHandler([&told](const QString &) { ++told; });
    if (!journal.open(path))
        return 2;
    const qint64 first = journal.add(exam(QStringLiteral("T1000001C")));
    if (first <= 0 || !journal.setState(first, State::Printed))
        return 3;
    // No file may grow from here on.
    const rlimit none{0, RLIM_INFINITY};
    if (setrlimit(RLIMIT_FSIZE, &none) != 0)
        return 4;
    // Writes that still fit in the pages the files already have may succeed: go on
    // until one fails, then every later one must.
    int written = 0;
    while (journal.add(exam(QStringLiteral("T%1").arg(written))) > 0) {
        if (++written > 100000)
            return 5;
    }
    QTextStream out(stdout);
    bool read = false;
    const QList<Line> unrecorded = journal.unrecorded(&read);
    out << "written before the first failure: " << written << '\n';
    out << "read: " << read << ' ' << unrecorded.size() << '\n';
    out << "add: " << journal.add(exam(QStringLiteral("T1000002C"))) << '\n';
    out << "setState: " << journal.setState(first, State::LogFailed, QStringLiteral("x")) << '\n';
    out << "claimForLog: " << int(journal.claimForLog(first, State::Printed)) << '\n';
    out << "told: " << told << '\n';
    return 0;
#else
    Q_UNUSED(path);
    return 1;
#endif
}

// The child run of killedRunLeavesWhatItCommitted: prints each exam's step once its
// write has returned, exam after exam, until it is killed.
int writeUntilKilled(const QString &path)
{
    PrintJournal journal;
    if (!journal.open(path))
        return 2;
    QTextStream out(stdout);
    for (int i = 0;; ++i) {
        const qint64 id = journal.add(exam(QStringLiteral("T%1").arg(i)));
        if (id <= 0)
            return 3;
        out << id << ' ' << int(State::AboutToPrint) << Qt::endl;
        State current = State::AboutToPrint;
        for (State step : pathTo(i % 4 == 3 ? State::LogFailed : State::Recorded)) {
            if (!walk(journal, id, {step}, current))
                return 4;
            out << id << ' ' << int(step) << Qt::endl;
            current = step;
        }
    }
}

} // namespace

void tst_journal::fullDiskMidRun()
{
#ifndef Q_OS_UNIX
    QSKIP("needs a file size limit");
#endif
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fill-journal"), journalPath()});
    QVERIFY(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             qPrintable(output + QString::fromUtf8(child.readAllStandardError())));
    QVERIFY2(output.contains(u"\nadd: 0\n"_qs), qPrintable(output));
    QVERIFY2(output.contains(u"\nsetState: 0\n"_qs), qPrintable(output));
    QVERIFY2(output.contains(u"\nclaimForLog: %1\n"_qs.arg(int(Claim::Failed))), qPrintable(output));
    QVERIFY2(output.contains(u"\nread: 1 1\n"_qs), qPrintable(output)); // reading still works
    QVERIFY2(output.contains(u"\ntold: 1\n"_qs), qPrintable(output));

    // What was committed before the disk filled is there, the file whole.
    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<Line> lines = journal.linesSince(m_now.addDays(-1));
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first().barcode, u"T1000001C"_qs);
    QCOMPARE(lines.first().state, State::Printed);
    QCOMPARE(integrityOf(journalPath()), u"ok"_qs);
}

void tst_journal::damagedFileIsSetAside()
{
    QVERIFY(QDir().mkpath(QFileInfo(journalPath()).absolutePath()));
    QFile file(journalPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray garbage = QByteArray("not a journal at all ").repeated(400);
    file.write(garbage);
    file.close();

    int told = 0;
    PrintJournal journal;
    journal.setFailureHandler([&told](const QString &) { ++told; });
    QVERIFY(journal.open(journalPath()));
    QVERIFY(journal.add(exam(QStringLiteral("T1000001C"))) > 0);
    QCOMPARE(told, 0);
    QCOMPARE(journalWarnings, 1); // set aside, told in the log
    const QStringList aside =
        QDir(QFileInfo(journalPath()).absolutePath()).entryList({QStringLiteral("journal.sqlite.damaged-*")});
    QCOMPARE(aside.size(), 1);
    QFile kept(QFileInfo(journalPath()).absolutePath() + u'/' + aside.first());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), garbage);
}

void tst_journal::killedRunLeavesWhatItCommitted()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-journal"), journalPath()});
    QVERIFY(child.waitForStarted());
    // Every step the child said it had written, in order.
    QList<QPair<qint64, State>> said;
    while (said.size() < 60 && child.state() == QProcess::Running) {
        if (!child.canReadLine() && !child.waitForReadyRead(10000))
            break;
        while (child.canReadLine()) {
            const QList<QByteArray> words = child.readLine().trimmed().split(' ');
            QCOMPARE(words.size(), 2);
            said.append({words[0].toLongLong(), State(words[1].toInt())});
        }
    }
    QVERIFY2(said.size() >= 60, child.readAllStandardError().constData());

    // While that run goes on, its unrecorded lines are its own.
    PrintJournal journal;
    QVERIFY(journal.open(journalPath()));
    QVERIFY(journal.unrecorded().isEmpty());

    child.kill(); // SIGKILL: no destructor, no last write
    QVERIFY(child.waitForFinished());
    while (child.canReadLine()) {
        const QList<QByteArray> words = child.readLine().trimmed().split(' ');
        if (words.size() == 2)
            said.append({words[0].toLongLong(), State(words[1].toInt())});
    }

    // Each line holds at least the last step the child saw written: that step, or
    // the one after it if the kill came between its commit and its report.
    QHash<qint64, State> lastSaid;
    for (const auto &[id, state] : said)
        lastSaid[id] = state;
    auto step = [](State s) { return pathTo(s).size(); };
    for (auto it = lastSaid.cbegin(); it != lastSaid.cend(); ++it) {
        const std::optional<Line> line = journal.line(it.key());
        QVERIFY2(line, qPrintable(QString::number(it.key())));
        QVERIFY2(step(line->state) == step(it.value()) || step(line->state) == step(it.value()) + 1,
                 qPrintable(QStringLiteral("line %1: said %2, holds %3")
                                .arg(it.key())
                                .arg(journal::stateName(it.value()), journal::stateName(line->state))));
    }

    // The killed run has ended: its unrecorded lines are offered now, a log it was
    // in the middle of as in doubt.
    const QList<Line> offered = journal.unrecorded();
    QVERIFY(!offered.isEmpty());
    for (const Line &l : offered)
        QVERIFY(l.state == State::LogFailed || l.state == State::Printed || l.state == State::InDoubt);
    for (const Line &l : journal.linesSince(m_now.addDays(-1)))
        QVERIFY(l.state != State::LogBegun);

    QCOMPARE(integrityOf(journalPath()), u"ok"_qs);
}

void tst_journal::textForIT()
{
    const QTimeZone manila(8 * 3600);
    Line recorded = exam(QStringLiteral("T1000001C"), 2);
    recorded.time = QDateTime(QDate(2026, 12, 10), QTime(8, 15, 2, 345), manila);
    recorded.printed = recorded.time.addSecs(1);
    recorded.recorded = recorded.time.addSecs(2);
    recorded.changed = recorded.recorded;
    recorded.state = State::Recorded;
    recorded.operatorName = QStringLiteral("jdoe");
    recorded.workstation = QStringLiteral("lab-counter-2");

    Line failed = exam(QStringLiteral("T1000002C"));
    failed.patientName = QStringLiteral("PEÑA,\tMARIA");
    failed.exam = QStringLiteral("FBS");
    failed.time = QDateTime(QDate(2026, 12, 10), QTime(8, 16, 0), manila);
    failed.printed = failed.time;
    failed.changed = failed.time.addSecs(30);
    failed.state = State::LogFailed;
    failed.reason = QStringLiteral("Injected failure\nof batch 7.");
    failed.operatorName = QStringLiteral("jdoe");
    failed.workstation = QStringLiteral("lab-counter-2");

    QCOMPARE(journal::journalText({}),
             u"time\tbarcode\tpatient\thospital number\texam\tcopies\tprinted\trecorded\toperator\tstate\tchanged"
             "\treason\tnumber\tworkstation\n"_qs);
    const QStringList lines = journal::journalText({recorded, failed}).split(u'\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(1),
             u"2026-12-10T08:15:02+08:00\tT1000001C\tDELA CRUZ, JUAN\tH0012345\tCBC\t2\t2026-12-10T08:15:03+08:00"
             "\t2026-12-10T08:15:04+08:00\tjdoe\trecorded\t2026-12-10T08:15:04+08:00\t\tCS202400001\tlab-counter-2"_qs);
    QCOMPARE(lines.at(2),
             u"2026-12-10T08:16:00+08:00\tT1000002C\tPEÑA, MARIA\tH0012345\tFBS\t1\t2026-12-10T08:16:00+08:00\t\tjdoe"
             "\tlog failed\t2026-12-10T08:16:30+08:00\tInjected failure of batch 7.\tCS202400001\tlab-counter-2"_qs);
    QCOMPARE(lines.at(3), QString());
}

void tst_journal::sinceTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("since"); // invalid: refused

    const QDate day(2026, 12, 10);
    QTest::newRow("a day: from its start") << u"2026-12-10"_qs << day.startOfDay();
    QTest::newRow("a day with blanks") << u" 2026-12-10 "_qs << day.startOfDay();
    QTest::newRow("a local time") << u"2026-12-10T08:15"_qs << QDateTime(day, QTime(8, 15));
    QTest::newRow("with seconds") << u"2026-12-10T08:15:30"_qs << QDateTime(day, QTime(8, 15, 30));
    QTest::newRow("with its offset") << u"2026-12-10T08:15:00+08:00"_qs
                                     << QDateTime(day, QTime(8, 15), QTimeZone(8 * 3600));
    QTest::newRow("no such day") << u"2026-02-30"_qs << QDateTime();
    QTest::newRow("a day without its year") << u"12-10"_qs << QDateTime();
    QTest::newRow("a day the other way round") << u"10/12/2026"_qs << QDateTime();
    QTest::newRow("an hour alone") << u"2026-12-10T08"_qs << QDateTime();
    QTest::newRow("empty") << QString() << QDateTime();
}

void tst_journal::sinceTime()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, since);
    const QDateTime parsed = journal::sinceTime(text);
    QCOMPARE(parsed.isValid(), since.isValid());
    if (since.isValid())
        QCOMPARE(parsed.toMSecsSinceEpoch(), since.toMSecsSinceEpoch());
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--fill-journal") == 0)
        return fillJournal(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], "--write-journal") == 0)
        return writeUntilKilled(QString::fromLocal8Bit(argv[2]));
    tst_journal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
