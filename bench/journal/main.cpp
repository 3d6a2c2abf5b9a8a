// Time of the print journal's writes for one exam of a print run, each committed
// to disk (write-ahead log, full synchronous commits), on the disk of the folder
// given (default: a temporary folder beside the current one), and of the reads a
// run makes in a journal of 90 days. Budget: the journal and the printer check
// together add at most 10 ms per label; the journal's share should stay near 5 ms.
//
//   bench_journal [runs] [folder]

#include "../benchstats.h"

#include "journal/printjournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <functional>

namespace {

journal::Line exam(int i)
{
    journal::Line l;
    l.number = QStringLiteral("CS2024%1").arg(i % 100000, 5, 10, QLatin1Char('0'));
    l.barcode = QStringLiteral("T%1C").arg(1000000 + i);
    l.patientName = QStringLiteral("DELA CRUZ, MARIA SANTOS");
    l.hospitalNumber = QStringLiteral("00123456");
    l.exam = QStringLiteral("HEMATOLOGY");
    l.copies = 1;
    return l;
}

bench::Stats time(int runs, const std::function<void(int)> &work)
{
    for (int i = 0; i < 5; ++i) // warm-up
        work(-1 - i);
    QList<double> samples;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        work(i);
        samples << t.nsecsElapsed() / 1e6;
    }
    return bench::summarize(samples);
}

// The days a busy counter fills before pruning: 90 days of 400 exams, written in
// one transaction on a connection of the benchmark's own.
bool fillNinetyDays(const QString &path)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            ok = q.exec(QStringLiteral("BEGIN"))
                && q.exec(QStringLiteral(
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 36000)"
                              " INSERT INTO line (session, time, time_ms, workstation, operator, number, barcode,"
                              " patient, hospital_number, exam, copies, state, changed, printed, printed_ms, recorded,"
                              " reason) SELECT 'old', '2026-01-01T00:00:00+08:00', %1 - i * 216000, 'lab-1', 'jdoe',"
                              " 'CS' || i, 'X' || i || 'C', 'DELA CRUZ, MARIA', '00123456', 'HEMATOLOGY', 1,"
                              " 'recorded', '', '', %1 - i * 216000, '', '' FROM n")
                              .arg(now))
                && q.exec(QStringLiteral("COMMIT"));
            if (!ok)
                qWarning("%s", qUtf8Printable(q.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok;
}

// One committed UPDATE per call on a raw connection in the given synchronous mode:
// what a single durable write costs on this disk, without the journal around it.
bench::Stats rawCommits(const QString &path, const QString &synchronous, int runs)
{
    bench::Stats stats;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
            q.exec(QStringLiteral("PRAGMA synchronous = %1").arg(synchronous));
            q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS raw (id INTEGER PRIMARY KEY, v INTEGER)"));
            q.exec(QStringLiteral("INSERT OR IGNORE INTO raw VALUES (1, 0)"));
            QSqlQuery update(db);
            update.prepare(QStringLiteral("UPDATE raw SET v = ? WHERE id = 1"));
            stats = time(runs, [&](int i) {
                update.addBindValue(i);
                update.exec();
            });
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return stats;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench_journal-XXXXXX")
                               : QDir::currentPath() + QStringLiteral("/bench_journal-XXXXXX"));
    if (!dir.isValid()) {
        out << "cannot make a folder: " << dir.errorString() << Qt::endl;
        return 1;
    }
    out << "journal in " << dir.path() << ", " << runs << " runs" << Qt::endl;

    journal::PrintJournal journal;
    if (!journal.open(dir.filePath(QStringLiteral("journal.sqlite")))) {
        out << "cannot open the journal: " << journal.lastError() << Qt::endl;
        return 1;
    }
    using journal::State;

    // The writes of one exam as a print run makes them.
    const bench::Stats exam4 = time(runs, [&](int i) {
        const qint64 id = journal.add(exam(i));
        journal.setState(id, State::Printed);
        journal.claimForLog(id, State::Printed);
        journal.setState(id, State::Recorded);
    });
    // The lighter order: the printer's answer and the log's beginning in one write.
    const bench::Stats exam3 = time(runs, [&](int i) {
        const qint64 id = journal.add(exam(i));
        journal.claimForLog(id, State::AboutToPrint);
        journal.setState(id, State::Recorded);
    });
    qint64 last = 0;
    const bench::Stats add = time(runs, [&](int i) { last = journal.add(exam(i)); });
    const bench::Stats state = time(runs,
                                    [&](int i) { journal.setState(last, i % 2 ? State::Printed : State::LogFailed); });

    print(out, QStringLiteral("one exam: add, printed, log begun, recorded"), exam4);
    print(out, QStringLiteral("one exam: add, printed+log begun, recorded"), exam3);
    print(out, QStringLiteral("add (one committed write)"), add);
    print(out, QStringLiteral("setState (one committed write)"), state);

    // The reads a run makes, in a journal of 90 busy days.
    if (!fillNinetyDays(journal.path()))
        return 1;
    const bench::Stats reprint = time(
        runs, [&](int i) { journal.printedWithin(QStringLiteral("X%1C").arg(1 + (i < 0 ? 0 : i) * 7), 24); });
    const bench::Stats unrecorded = time(qMin(runs, 50), [&](int) { journal.unrecorded(); });
    const bench::Stats today = time(qMin(runs, 50), [&](int) { journal.linesOfDay(QDate::currentDate()); });
    const bench::Stats examFull = time(runs, [&](int i) {
        const qint64 id = journal.add(exam(i));
        journal.setState(id, State::Printed);
        journal.claimForLog(id, State::Printed);
        journal.setState(id, State::Recorded);
    });
    print(out, QStringLiteral("reprint check, 36,000 lines"), reprint);
    print(out, QStringLiteral("unrecorded(), 36,000 lines"), unrecorded);
    print(out, QStringLiteral("lines of today, 36,000 lines"), today);
    print(out, QStringLiteral("one exam's 4 writes, 36,000 lines"), examFull);

    journal.close();
    const QString raw = dir.filePath(QStringLiteral("raw.sqlite"));
    print(out, QStringLiteral("raw commit, synchronous=FULL"), rawCommits(raw, QStringLiteral("FULL"), runs));
    print(out, QStringLiteral("raw commit, synchronous=NORMAL"), rawCommits(raw, QStringLiteral("NORMAL"), runs));
    return 0;
}
