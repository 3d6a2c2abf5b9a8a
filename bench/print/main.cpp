// A 20-copy label job through CUPS, timed where it matters: at the printer. A scheduler
// of its own (as in tst_cupsprint) has a queue with the stock Zebra ZPL driver (203 dpi,
// 2 x 1 in) and a raw queue, each sending to a socket that notes when every job has
// fully arrived, as a 9100-style network printer would receive it. For each path:
//  - first label: from the start of the job until the first sticker's last byte arrived;
//  - steady: ms per label between the first and the last sticker's arrival;
// beside the floor, the same ZPL bytes sent as ready-made raw jobs (what CUPS itself
// costs per job), and the printer's own time for a 25 mm label (28 mm pitch).
// Target: steady at most 46 ms per label (a quarter of 184 ms at 6 in/s) and the first
// label within 150 ms.
//
//   bench_print [runs]     (default 3 runs of 20 copies per path; medians shown)

#include "bench/benchstats.h"
#include "common/privatecups.h"
#include "label/labelrenderer.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/report.h"

#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

#include <chrono>
#include <functional>

using testsupport::LabelSink;
using testsupport::PrivateCups;

namespace {

constexpr int kCopies = 20;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Run
{
    double submitMs = 0; // until the program had handed over every job
    double firstMs = 0;
    double steadyMs = 0;
};

// One 20-copy job through `send`; its stickers arrive at `sink`.
bool timeRun(LabelSink &sink, const std::function<void()> &send, Run &run)
{
    const int before = sink.jobCount();
    const qint64 start = nowNs();
    send();
    run.submitMs = (nowNs() - start) / 1e6;
    if (!sink.waitForJobs(before + kCopies, 180000))
        return false;
    const QList<LabelSink::Job> jobs = sink.jobs().mid(before);
    run.firstMs = (jobs.first().endedNs - start) / 1e6;
    run.steadyMs = (jobs.last().endedNs - jobs.first().endedNs) / 1e6 / (kCopies - 1);
    return true;
}

// Ready-made bytes as one raw job: one Print-Job request, as the program sends its own.
bool sendRaw(const char *queue, const QByteArray &bytes)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue);
    const QByteArray resource = QByteArray("/printers/") + queue;
    ipp_t *request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_RAW);
    if (cupsSendRequest(CUPS_HTTP_DEFAULT, request, resource.constData(), CUPS_LENGTH_VARIABLE) == HTTP_STATUS_CONTINUE)
        cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.constData(), size_t(bytes.size()));
    ippDelete(cupsGetResponse(CUPS_HTTP_DEFAULT, resource.constData()));
    ippDelete(request);
    return cupsLastError() <= IPP_STATUS_OK_CONFLICTING;
}

// The way stickers went before: a page through Qt's printing (PDF to CUPS, which runs
// it through Ghostscript into the driver's raster), one job per copy at 203 dpi. Still
// the path of queues whose driver takes neither raster nor raw bytes.
void printThroughQt(const label::Label &rep, const QString &queue)
{
    QPrinter printer(QPrinterInfo::printerInfo(queue), QPrinter::HighResolution);
    printer.setResolution(203);
    printer.setFullPage(true);
    const label::LabelTemplate &t = rep.labelTemplate;
    printer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(t.width, t.height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(QStringLiteral("Barcode Label Printing"));
    const label::LabelRenderer renderer(rep, printer.resolution());
    QPainter painter(&printer);
    renderer.paintDots(painter);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTextStream out(stdout);
    if (const QString missing = PrivateCups::missingTools(); !missing.isEmpty()) {
        out << "bench_print needs " << missing << Qt::endl;
        return 2;
    }
    // The scheduler first: this process's libcups (and Qt's) must only ever see it.
    PrivateCups cups;
    LabelSink driverSink, rawSink, floorSink;
    QString error;
    if (!cups.start(error, QStringLiteral("warn"))
        || !cups.addQueue(QStringLiteral("LabelZPL"), driverSink.port(), QStringLiteral("drv:///sample.drv/zebra.ppd"),
                          {QStringLiteral("PageSize=w144h72")}, error)
        || !cups.addQueue(QStringLiteral("LabelRaw"), rawSink.port(), QString(), {}, error)
        || !cups.addQueue(QStringLiteral("Floor"), floorSink.port(), QString(), {}, error)) {
        out << "bench_print: " << error << Qt::endl;
        return 1;
    }
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    const QString templatePath = report::labelTemplatePath();
    const QVariantList values{
        QStringLiteral("2412100042"), QStringLiteral("DELA CRUZ, MARIA SANTOS"), QStringLiteral("00123456"),
        QStringLiteral("HEMATOLOGY"), QStringLiteral("12/10/2026 8:15:00 AM"),   QStringLiteral("ER-3"),
        QStringLiteral("45/F")};
    auto makeDefault = [&](const QString &queue) { return cups.run(QStringLiteral("lpadmin"), {"-d", queue}, error); };
    // The program's label output as it is set up for each kind of queue: nothing said
    // of a raw printer, or a ZPL printer at 203 dpi behind the raw queue.
    output::LabelOutput driverOutput;
    report::modMain driverLabels(driverOutput);
    output::LabelOutput rawOutput({QString(), {QStringLiteral("ZPL"), 203}});
    report::modMain rawLabels(rawOutput);

    struct Path
    {
        QString name;
        LabelSink *sink;
        std::function<bool()> prepare;
        std::function<void()> send;
        QList<double> submit, first, steady;
    };
    QByteArray driverZpl; // what the driver sends for one sticker: the floor's bytes
    QList<Path> paths{
        {QStringLiteral("Norvane, driver queue (CUPS raster)"),
         &driverSink,
         [&] { return makeDefault(QStringLiteral("LabelZPL")); },
         [&] { driverLabels.printLabelCopies(templatePath, values, kCopies); },
         {},
         {},
         {}},
        {QStringLiteral("Norvane, raw queue (ZPL)"),
         &rawSink,
         [&] { return makeDefault(QStringLiteral("LabelRaw")); },
         [&] { rawLabels.printLabelCopies(templatePath, values, kCopies); },
         {},
         {},
         {}},
        {QStringLiteral("floor: ready ZPL as raw jobs"),
         &floorSink,
         [&] { return !driverZpl.isEmpty(); },
         [&] {
             for (int i = 0; i < kCopies; ++i)
                 sendRaw("Floor", driverZpl);
         },
         {},
         {},
         {}},
        {QStringLiteral("before: PDF through Qt (Ghostscript)"),
         &driverSink,
         [&] { return makeDefault(QStringLiteral("LabelZPL")); },
         [&] {
             for (int i = 0; i < kCopies; ++i) {
                 driverLabels.OpenReport(templatePath, values);
                 printThroughQt(driverLabels.CurrentReport()->asLabel(), QStringLiteral("LabelZPL"));
                 driverLabels.CurrentReport().reset();
             }
         },
         {},
         {},
         {}},
    };

    // Warm-up: fonts, Zint, the scheduler's first filter start; also the floor's bytes.
    paths[0].prepare();
    driverLabels.printLabelCopies(templatePath, values, 1);
    if (!driverSink.waitForJobs(1, 60000)) {
        out << "bench_print: the warm-up sticker never reached the printer\n" << cups.errorLog() << Qt::endl;
        return 1;
    }
    driverZpl = driverSink.jobs().first().bytes;

    for (int r = 0; r < runs; ++r) {
        for (Path &path : paths) {
            Run run;
            if (!path.prepare() || !timeRun(*path.sink, path.send, run)) {
                out << "bench_print: " << path.name << " failed " << error << Qt::endl << cups.errorLog() << Qt::endl;
                return 1;
            }
            path.submit << run.submitMs;
            path.first << run.firstMs;
            path.steady << run.steadyMs;
        }
    }

    out << kCopies << " copies, " << runs << " run(s) per path; medians in ms at the printer's socket\n";
    out << "| path | steady ms per label | first label ms | all handed to CUPS ms |\n|---|---|---|---|\n";
    for (const Path &path : paths)
        out << "| " << path.name << " | " << QString::number(bench::summarize(path.steady).median, 'f', 1) << " | "
            << QString::number(bench::summarize(path.first).median, 'f', 1) << " | "
            << QString::number(bench::summarize(path.submit).median, 'f', 1) << " |\n";
    out << "| the printer itself, 25 mm label, 28 mm pitch | 184 at 6 in/s, 80 at 14 in/s | | |\n";
    const double steady = bench::summarize(paths[0].steady).median;
    const double first = bench::summarize(paths[0].first).median;
    const double rawSteady = bench::summarize(paths[1].steady).median;
    const double rawFirst = bench::summarize(paths[1].first).median;
    out << (steady <= 46 && first <= 150 ? "OK" : "SLOW") << ": driver queue " << QString::number(steady, 'f', 1)
        << " ms per label, first " << QString::number(first, 'f', 1) << " ms; "
        << (rawSteady <= 46 && rawFirst <= 150 ? "OK" : "SLOW") << ": raw queue " << QString::number(rawSteady, 'f', 1)
        << " ms per label, first " << QString::number(rawFirst, 'f', 1)
        << " ms (target at most 46 ms per label, first within 150 ms)" << Qt::endl;
    return 0;
}
