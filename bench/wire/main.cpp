// Enter to filled checklist over the wire, for a chargeslip of 10 and of 200 exams:
// the main window's search (Enter in txtNumber until lstExams holds every exam)
// beside the same query issued straight through the ODBC layer (QODBC, forward
// only, every row fetched) and through db::SqlServerClient. Both talk to one
// labdb-server on a loopback port. The ratio window / raw ODBC is the window's
// own overhead; target: under 1.20 for 10 exams.
//
//   bench_wire [runs]     (default 200 runs for 10 exams, a quarter of that for 200)

#include "bench/benchstats.h"
#include "bench/labdbserver.h"
#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "db/commands.h"
#include "db/dbconnection.h"
#include "db/sqlserverclient.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "support/bulkchargeslip.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

constexpr char16_t kUser[] = u"bench";
constexpr char16_t kPassword[] = u"bench";

bench::Stats time(int runs, const std::function<void()> &work)
{
    for (int i = 0; i < qMax(3, runs / 10); ++i) // warm-up: driver, caches, server session
        work();
    QList<double> samples;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        work();
        samples << t.nsecsElapsed() / 1e6;
    }
    return bench::summarize(samples);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lab.sqlite"));
    labdb::createDemoDatabase(path);
    const QString ten = labdb::addChargeslip(path, 10).refNum;
    const QString twoHundred = QString::fromLatin1(labdb::sample::bigChargeslip);

    QProcess server;
    const quint16 port = bench::startLabdbServer(server, QStringLiteral(LABDB_SERVER), path, QString::fromUtf16(kUser),
                                                 QString::fromUtf16(kPassword));
    if (port == 0) {
        out << "labdb-server did not start: " << server.readAllStandardError() << Qt::endl;
        return 1;
    }
    const db::ConnectionSettings settings{QStringLiteral("127.0.0.1,%1").arg(port), QStringLiteral("Laboratory"),
                                          QString::fromUtf16(kUser), QString::fromUtf16(kPassword)};

    // The raw ODBC layer: one connection, the query, every row fetched.
    QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("raw"));
    raw.setDatabaseName(db::odbcConnectionString(settings, db::odbcDriverName()));
    if (!raw.open()) {
        out << "ODBC open failed: " << raw.lastError().text() << Qt::endl;
        return 1;
    }
    auto rawQuery = [&](const QString &command, int expected) {
        QSqlQuery query(raw);
        query.setForwardOnly(true);
        query.exec(command);
        int rows = 0;
        const int columns = query.record().count();
        while (query.next()) {
            for (int c = 0; c < columns; ++c)
                query.value(c);
            ++rows;
        }
        if (rows != expected)
            qFatal("raw query returned %d rows, expected %d", rows, expected);
    };

    // The program's database client on its own connection.
    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    db::DbConnection().openWithSettings(settings);

    widgets::setMessageBoxHandler(
        [](const QString &text, const QString &) { qFatal("message box: %s", qPrintable(text)); });
    output::LabelOutput labelOutput;
    report::modMain labels(labelOutput);
    counter::PatientSearch search(db::DbConnection());
    counter::PrintRun printRun(db::DbConnection(), labels);
    ui::frmNorvane window(search, printRun);
    window.show();
    if (!QTest::qWaitForWindowActive(&window))
        qFatal("the main window did not become active");
    auto *number = window.findChild<widgets::vkTextBox *>(QStringLiteral("txtNumber"));
    auto *exams = window.findChild<widgets::vkListBox *>(QStringLiteral("lstExams"));
    auto *reset = window.findChild<QWidget *>(QStringLiteral("cmdNew"));

    out << "Enter to filled checklist over TDS to labdb-server on 127.0.0.1 (ms)" << Qt::endl;
    for (const auto &[chargeslip, count] : {std::pair{ten, 10}, std::pair{twoHundred, 200}}) {
        const int n = count == 10 ? runs : qMax(5, runs / 4);
        const QString command = db::searchCommand(chargeslip, 2);
        const bench::Stats rawStats = time(n, [&] { rawQuery(command, count); });
        const bench::Stats client = time(n, [&] {
            if (db::DbConnection().openStatic(command).rowCount() != count)
                qFatal("client returned the wrong row count");
        });
        bench::print(out, QStringLiteral("%1 exams: raw ODBC query").arg(count), rawStats);
        bench::print(out, QStringLiteral("%1 exams: SqlServerClient::openStatic").arg(count), client);
        // Timed: Enter until the checklist is filled (the search runs inside the key
        // press), and until it is painted as well. Not timed: the reset and the
        // typing before it.
        QList<double> filled, painted;
        QElapsedTimer t;
        for (int i = 0; i < n + qMax(3, n / 10); ++i) {
            QTest::mouseClick(reset, Qt::LeftButton);
            number->setText(chargeslip);
            // Paint what the reset left pending, so that it is not charged to the search.
            QApplication::processEvents();
            t.start();
            QTest::keyClick(number, Qt::Key_Return);
            const double filledMs = t.nsecsElapsed() / 1e6;
            QApplication::processEvents();
            const double paintedMs = t.nsecsElapsed() / 1e6;
            if (exams->listCount() != count)
                qFatal("the checklist holds %d items, expected %d", exams->listCount(), count);
            if (i >= qMax(3, n / 10)) {
                filled << filledMs;
                painted << paintedMs;
            }
        }
        const bench::Stats filledStats = bench::summarize(filled);
        const bench::Stats paintedStats = bench::summarize(painted);
        bench::print(out, QStringLiteral("%1 exams: window, Enter to checklist").arg(count), filledStats);
        bench::print(out, QStringLiteral("%1 exams: window, Enter to painted").arg(count), paintedStats);
        out << QStringLiteral("%1 exams: window / raw ODBC = %2 filled, %3 painted (medians)%4")
                   .arg(count)
                   .arg(filledStats.median / rawStats.median, 0, 'f', 3)
                   .arg(paintedStats.median / rawStats.median, 0, 'f', 3)
                   .arg(count == 10 ? QStringLiteral("; target under 1.20") : QString())
            << Qt::endl;
    }
    // For reading the figures above: the search yields to the event loop once per
    // row, and each yield paints what the row before changed.
    const bench::Stats paint = time(runs, [&] { window.repaint(); });
    bench::print(out, QStringLiteral("one full repaint of the window (%1x%2)").arg(window.width()).arg(window.height()),
                 paint);
    const bench::Stats listPaint = time(runs, [&] { exams->repaint(); });
    bench::print(out, QStringLiteral("one repaint of lstExams"), listPaint);
    server.kill();
    server.waitForFinished(5000);
    return 0;
}
