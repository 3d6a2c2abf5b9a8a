// Start-up of the demo: from the start of a new process to the main window's
// first paint, on a fresh demo database (made, opened and shown as `norvane
// --demo` does), and the process's peak resident memory at that moment and
// after the 200-exam sample chargeslip has been looked up and listed.
//
//   bench_startup [runs]     (default 15)
// Each run is a process of its own (this program, started again as a child),
// so libraries are loaded and the pictures decoded every time. Runs without a
// display when QT_QPA_PLATFORM=offscreen is set; under Xvfb with xcb otherwise.
#include "bench/benchstats.h"
#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "db/dbconnection.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vklistbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Peak resident memory of this process so far, in kB (Linux); 0 where unknown.
qint64 peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// Notes the end of the window's first paint: the zero timer runs once the
// whole window has been painted and put on screen.
struct FirstPaint : QObject
{
    qint64 paintedNs = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && paintedNs == 0) {
            paintedNs = -1;
            QTimer::singleShot(0, this, [this] { paintedNs = nowNs(); });
        }
        return false;
    }
};

int child(int argc, char **argv, const QString &databasePath)
{
    QApplication app(argc, argv);
    labdb::createDemoDatabase(databasePath);
    db::installConnection(std::make_unique<db::EmbeddedClient>(databasePath));
    db::DbConnection().open(QString());
    widgets::setMessageBoxHandler([](const QString &text, const QString &) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    });

    output::LabelOutput labelOutput;
    report::modMain labels(labelOutput);
    counter::PatientSearch search(db::DbConnection());
    counter::PrintRun printRun(db::DbConnection(), labels);
    ui::frmNorvane window(search, printRun);
    FirstPaint watch;
    window.installEventFilter(&watch);
    window.show();
    while (watch.paintedNs <= 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 paintedNs = watch.paintedNs;
    const qint64 rssShown = peakRssKb();

    auto *list = window.findChild<widgets::vkListBox *>(QStringLiteral("lstExams"));
    QWidget *number = window.findChild<QWidget *>(QStringLiteral("txtNumber"));
    window.typeIntoNumber(QString::fromLatin1(labdb::sample::bigChargeslip));
    QTest::keyClick(number, Qt::Key_Return);
    QElapsedTimer waited;
    waited.start();
    while (list->listCount() != labdb::sample::bigChargeslipExams && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QTest::qWait(50);
    std::printf("%lld %lld %lld\n", paintedNs, rssShown, peakRssKb());
    return list->listCount() == labdb::sample::bigChargeslipExams ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    QTextStream out(stdout);
    QTemporaryDir dir;
    QList<double> firstPaintMs, shownMb, searchedMb;
    for (int run = 0; run < runs; ++run) {
        const QString path = dir.filePath(QStringLiteral("demo%1.sqlite").arg(run));
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 startNs = nowNs();
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), path});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            out << "run " << run << " failed" << Qt::endl;
            return 1;
        }
        const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 3) {
            out << "run " << run << ": unreadable report" << Qt::endl;
            return 1;
        }
        firstPaintMs.append((fields[0].toLongLong() - startNs) / 1e6);
        shownMb.append(fields[1].toLongLong() / 1024.0);
        searchedMb.append(fields[2].toLongLong() / 1024.0);
    }
    bench::print(out, QStringLiteral("process start to first paint"), bench::summarize(firstPaintMs));
    bench::print(out, QStringLiteral("peak resident memory, window shown"), bench::summarize(shownMb),
                 QStringLiteral("MB"));
    bench::print(out, QStringLiteral("peak resident memory, 200 exams listed"), bench::summarize(searchedMb),
                 QStringLiteral("MB"));
    out << "targets: first paint under 500 ms, peak under 120 MB" << Qt::endl;
    return 0;
}
