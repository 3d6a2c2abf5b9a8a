// The counter end to end, timed where it matters: at the printer. Norvane's main window
// (offscreen unless QT_QPA_PLATFORM says otherwise) as the program makes it, on the
// real database client over TDS to labdb-server (a fresh sample database) and printing
// to the default printer of a CUPS scheduler of its own: a queue with the stock Zebra
// ZPL driver (203 dpi, 2 x 1 in) sending to a socket that notes when every sticker has
// fully arrived, as a 9100-style network printer would receive it.
//
// Each run searches the 5-exam chargeslip CS202400001 (not timed), then presses Enter on
// Print and times, from that key press, with the print journal and the printer check
// (the print run waits until the printer has taken each exam's stickers) both off, the
// journal alone, and both on:
//  - the first label at the printer;
//  - the fifth label at the printer (the last exam's);
//  - the print run itself (until the window is back awaiting a number).
// Targets on the 2-core build machine: the first label within 150 ms, the fifth within
// half the printer's own time for five labels (5 x 184 ms at 6 in/s: 460 ms).
//
//   bench_counter [runs]     (default 15 runs of each after 3 warm-up runs; medians shown)

#include "bench/benchstats.h"
#include "bench/labdbserver.h"
#include "common/mainwindow.h"
#include "common/privatecups.h"
#include "db/dbconnection.h"
#include "db/sqlserverclient.h"
#include "journal/printjournal.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "output/labeloutput.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

using testsupport::LabelSink;
using testsupport::PrivateCups;

namespace {

constexpr char16_t kUser[] = u"bench";
constexpr char16_t kPassword[] = u"bench";
constexpr int kExams = 5;
// The printer's own time for one 25 mm label with a 3 mm gap at 6 in/s.
constexpr double kPrinterMsPerLabel = 184;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTextStream out(stdout);
    if (const QString missing = PrivateCups::missingTools(); !missing.isEmpty()) {
        out << "bench_counter needs " << missing << Qt::endl;
        return 2;
    }
    // The scheduler first: this process's libcups (and Qt's) must only ever see it.
    PrivateCups cups;
    LabelSink sink;
    QString error;
    if (!cups.start(error, QStringLiteral("warn"))
        || !cups.addQueue(QStringLiteral("Labels"), sink.port(), QStringLiteral("drv:///sample.drv/zebra.ppd"),
                          {QStringLiteral("PageSize=w144h72")}, error)
        || !cups.run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), QStringLiteral("Labels")}, error)) {
        out << "bench_counter: " << error << Qt::endl;
        return 1;
    }
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 15;
    constexpr int kWarmUp = 3;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lab.sqlite"));
    labdb::createDemoDatabase(path);
    QProcess server;
    const quint16 port = bench::startLabdbServer(server, QStringLiteral(LABDB_SERVER), path, QString::fromUtf16(kUser),
                                                 QString::fromUtf16(kPassword));
    if (port == 0) {
        out << "labdb-server did not start: " << server.readAllStandardError() << Qt::endl;
        return 1;
    }
    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    db::DbConnection().openWithSettings({QStringLiteral("127.0.0.1,%1").arg(port), QStringLiteral("Laboratory"),
                                         QString::fromUtf16(kUser), QString::fromUtf16(kPassword)});
    widgets::setMessageBoxHandler(
        [](const QString &text, const QString &) { qFatal("message box: %s", qPrintable(text)); });
    // The journal remembers the chargeslip printed in the run before: its reprint
    // question is answered Yes, as staff printing it again would.
    widgets::setQuestionHandler([](const QString &text, const QString &, widgets::QuestionIcon) -> bool {
        if (text.contains(QStringLiteral("Print again?")))
            return true;
        qFatal("question: %s", qPrintable(text));
    });

    // The window as the program makes it, printing to the default printer: with the
    // journal and the printer check off (the print run as it was before them), with the
    // journal alone, and with both, the runs of the three taking turns so that the
    // machine's load falls on all alike. Each journal is a file of its own in the
    // temporary folder, written as the program writes it (WAL, synchronous commits).
    struct Mode
    {
        QString name;
        bool journal;
        double takeJobSeconds;
        std::unique_ptr<journal::PrintJournal> printJournal;
        std::unique_ptr<testsupport::MainWindow> main;
        QList<double> first, fifth, run;
    };
    Mode modes[] = {
        {QStringLiteral("journal and printer check off"), false, 0, nullptr, nullptr, {}, {}, {}},
        {QStringLiteral("journal on, printer check off"), true, 0, nullptr, nullptr, {}, {}, {}},
        {QStringLiteral("journal and printer check on"),
         true,
         output::kDefaultTakeJobSeconds,
         nullptr,
         nullptr,
         {},
         {},
         {}},
    };
    for (Mode &mode : modes) {
        if (mode.journal) {
            mode.printJournal = std::make_unique<journal::PrintJournal>();
            const QString file = dir.filePath(QStringLiteral("journal-%1.sqlite").arg(&mode - modes));
            if (!mode.printJournal->open(file)) {
                out << "bench_counter: the journal " << file << " cannot be used: " << mode.printJournal->lastError()
                    << Qt::endl;
                return 1;
            }
        }
        output::LabelOutput::Destination destination;
        destination.takeJobSeconds = mode.takeJobSeconds;
        mode.main = std::make_unique<testsupport::MainWindow>(db::DbConnection(), destination, mode.printJournal.get());
    }

    for (int r = 0; r < kWarmUp + runs; ++r) {
        for (Mode &mode : modes) {
            ui::frmNorvane &window = mode.main->window;
            window.show();
            window.activateWindow();
            if (!QTest::qWaitForWindowActive(&window))
                qFatal("the main window did not become active");
            auto *number = window.findChild<widgets::vkTextBox *>(QStringLiteral("txtNumber"));
            auto *exams = window.findChild<widgets::vkListBox *>(QStringLiteral("lstExams"));
            auto *print = window.findChild<widgets::vkCommand *>(QStringLiteral("cmdGenerate"));
            number->setText(QString::fromLatin1(labdb::sample::obrienChargeslip));
            QTest::keyClick(number, Qt::Key_Return);
            if (exams->listCount() != kExams || window.focusWidget() != print)
                qFatal("the search listed %d exams, %d expected, with the focus on Print", exams->listCount(), kExams);
            // Paint what the search left pending, so that it is not charged to the print run.
            QApplication::processEvents();

            const int before = sink.jobCount();
            const qint64 start = nowNs();
            QTest::keyClick(print, Qt::Key_Return);
            const qint64 ended = nowNs();
            if (exams->listCount() != 0)
                qFatal("the window is not back awaiting a number after the run");
            if (!sink.waitForJobs(before + kExams, 60000)) {
                out << "bench_counter: " << sink.jobCount() - before << " of " << kExams << " stickers arrived\n"
                    << cups.errorLog() << Qt::endl;
                return 1;
            }
            window.hide();
            if (r < kWarmUp)
                continue;
            const QList<LabelSink::Job> jobs = sink.jobs().mid(before);
            mode.first << (jobs.first().endedNs - start) / 1e6;
            mode.fifth << (jobs.at(kExams - 1).endedNs - start) / 1e6;
            mode.run << (ended - start) / 1e6;
        }
    }

    const double fifthTarget = 0.5 * kExams * kPrinterMsPerLabel;
    out << "Enter on Print to the labels at the printer, chargeslip " << labdb::sample::obrienChargeslip << " ("
        << kExams << " exams, 1 copy), Zebra ZPL driver queue, labdb-server over TDS; " << runs << " runs each, "
        << QGuiApplication::platformName() << Qt::endl;
    for (const Mode &mode : modes) {
        out << mode.name << ":" << Qt::endl;
        bench::print(out, QStringLiteral("  first label at the printer"), bench::summarize(mode.first));
        bench::print(out, QStringLiteral("  fifth label at the printer"), bench::summarize(mode.fifth));
        bench::print(out, QStringLiteral("  print run, Enter to window reset"), bench::summarize(mode.run));
    }
    const auto fifthMedianOf = [](const Mode &mode) { return bench::summarize(mode.fifth).median; };
    const Mode &on = modes[2];
    const double firstMedian = bench::summarize(on.first).median;
    const double fifthMedian = fifthMedianOf(on);
    const double journalPerLabel = (fifthMedianOf(modes[1]) - fifthMedianOf(modes[0])) / kExams;
    const double bothPerLabel = (fifthMedian - fifthMedianOf(modes[0])) / kExams;
    out << (firstMedian <= 150 && fifthMedian <= fifthTarget && bothPerLabel <= 10 ? "OK" : "SLOW")
        << ": with the journal and the check, first label " << QString::number(firstMedian, 'f', 1)
        << " ms (target 150), fifth " << QString::number(fifthMedian, 'f', 1) << " ms (target " << fifthTarget
        << ", half of the printer's " << kExams * kPrinterMsPerLabel << "); per label the journal adds "
        << QString::number(journalPerLabel, 'f', 1) << " ms and both add " << QString::number(bothPerLabel, 'f', 1)
        << " ms (target 10; fifth label, medians)" << Qt::endl;
    server.kill();
    server.waitForFinished(5000);
    return 0;
}
