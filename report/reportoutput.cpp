#include "report/reportoutput.h"

#include "report/labeldots.h"
#include "report/labelpdfwriter.h"
#include "report/labelrenderer.h"
#include "report/report.h"
#include "report/reporterror.h"
#include "report/reportlogging.h"
#include "report/zplwriter.h"

#ifdef NORVANE_HAVE_CUPS
#include "report/cupsqueue.h"

#include <cups/cups.h>
#endif

#include <QDir>
#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace report {

namespace {

QString g_directory;
ReportOutput::RawPrinter g_rawPrinter;
int g_batches = 0; // Batch objects alive
// Next sequence number for the folder it was found for; found again when the folder changes.
QString g_sequenceDirectory;
int g_nextSequence = 1;

QPageSize labelPageSize(const Report &report)
{
    const LabelTemplate &t = report.labelTemplate();
    return QPageSize(QSizeF(t.width, t.height), QPageSize::Millimeter,
                     QStringLiteral("Label %1 x %2 mm").arg(t.width).arg(t.height), QPageSize::ExactMatch);
}

// The first number after the highest "NNNN-" file already in the folder, so a new
// run never writes over or sorts before an earlier run's files.
int firstFreeSequence(const QDir &dir)
{
    static const QRegularExpression numbered(QStringLiteral("^(\\d{4,9})-"));
    int highest = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const auto match = numbered.match(name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    return highest + 1;
}

// A print queue that does not accept jobs refuses them while Qt reports success:
// only libcups knows, in the thread that handed the job over, right after it.
// Returns the refusal's text, or a null text when the job was accepted (or there is
// no CUPS, as on Windows).
QString cupsRefusal()
{
#ifdef NORVANE_HAVE_CUPS
    // IPP status codes up to 0x00FF are successes.
    const int status = cupsLastError();
    if (status <= 0x00FF)
        return QString();
    const char *text = cupsLastErrorString();
    return text ? QString::fromUtf8(text) : QStringLiteral("CUPS status 0x%1").arg(status, 4, 16, QChar(u'0'));
#else
    return QString();
#endif
}

QString noDefaultPrinter()
{
    return QStringLiteral("No default printer is set up on this computer: make the label printer the default printer.");
}

QString documentName(const Report &report)
{
    return report.reportTitle().isEmpty() ? QStringLiteral("Label") : report.reportTitle();
}

#ifdef NORVANE_HAVE_CUPS
std::optional<CupsQueue> g_batchQueue; // the queue found by a batch's first job

std::optional<CupsQueue> defaultQueue()
{
    if (g_batches > 0 && g_batchQueue)
        return g_batchQueue;
    std::optional<CupsQueue> queue = CupsQueue::defaultQueue();
    if (g_batches > 0)
        g_batchQueue = queue;
    return queue;
}

bool speaksZpl(const ReportOutput::RawPrinter &printer)
{
    return printer.language.trimmed().compare(QLatin1String("ZPL"), Qt::CaseInsensitive) == 0;
}

int rawDotsPerInch(const ReportOutput::RawPrinter &printer)
{
    return printer.dotsPerInch > 0 ? printer.dotsPerInch : 203;
}

// Why the queue cannot take stickers now; empty when it can.
QString queueProblem(const CupsQueue &queue, const ReportOutput::RawPrinter &raw)
{
    if (!queue.accepting)
        return QStringLiteral("The printer \"%1\" is not accepting print jobs: have it accept jobs again, then "
                              "print again.")
            .arg(queue.name);
    if (queue.stopped)
        return QStringLiteral("The printer \"%1\" is stopped (paused): resume it, then print again.").arg(queue.name);
    if (queue.input == CupsQueue::Input::Raw && !speaksZpl(raw)) {
        const QString where = QStringLiteral("Set Language=ZPL in the [Printer] section of Norvane's settings, or set "
                                             "the queue up with the printer's driver.");
        if (raw.language.trimmed().isEmpty())
            return QStringLiteral("The printer \"%1\" is a raw queue, which passes jobs to the printer unchanged, and "
                                  "no printer language is set for it. %2")
                .arg(queue.name, where);
        return QStringLiteral("The printer language \"%2\" set for the raw queue \"%1\" is not one Norvane can "
                              "print in. %3")
            .arg(queue.name, raw.language, where);
    }
    if (queue.input == CupsQueue::Input::Raw
        && !(raw.dotsPerInch == 0 || (raw.dotsPerInch >= 72 && raw.dotsPerInch <= 2400)))
        return QStringLiteral("The printer resolution set for the raw queue \"%1\" in the [Printer] section of "
                              "Norvane's settings is not a number of dots per inch: set Resolution to the label "
                              "printer's (203, 300 or 600).")
            .arg(queue.name);
    return QString();
}
#endif

} // namespace

void ReportOutput::setPrintToDirectory(const QString &directory)
{
    g_directory = directory;
}

QString ReportOutput::printToDirectory()
{
    return g_directory;
}

QString ReportOutput::safeFileNamePart(const QString &text)
{
    QString out;
    for (const QChar c : text.left(64)) {
        const bool safe = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'-'
            || c == u'_' || c == u'.';
        out += safe ? c : QChar(u'_');
    }
    if (out.startsWith(u'.'))
        out[0] = u'_';
    return out.isEmpty() ? QStringLiteral("label") : out;
}

void ReportOutput::print(const Report &report)
{
    if (g_directory.isEmpty())
        printToPrinter(report);
    else
        printToPdf(report, g_directory);
}

ReportOutput::Batch::Batch()
{
    ++g_batches;
}

ReportOutput::Batch::~Batch()
{
    if (--g_batches == 0) {
#ifdef NORVANE_HAVE_CUPS
        g_batchQueue.reset();
#endif
    }
}

void ReportOutput::setRawPrinter(const RawPrinter &printer)
{
    g_rawPrinter = printer;
}

QString ReportOutput::printerProblem()
{
    if (!g_directory.isEmpty())
        return QString();
    QString problem;
#ifdef NORVANE_HAVE_CUPS
    try {
        const std::optional<CupsQueue> queue = CupsQueue::defaultQueue();
        problem = queue ? queueProblem(*queue, g_rawPrinter) : noDefaultPrinter();
    } catch (const ReportError &e) {
        problem = e.description();
    }
#else
    if (QPrinterInfo::defaultPrinter().isNull())
        problem = noDefaultPrinter();
#endif
    if (!problem.isEmpty())
        qCWarning(lcPrint).noquote() << problem;
    return problem;
}

void ReportOutput::printToPrinter(const Report &report)
{
#ifdef NORVANE_HAVE_CUPS
    // Every sticker is drawn once, at the queue's own resolution, into the printer's
    // dots; how those reach the printer depends on the queue (see CupsQueue).
    const std::optional<CupsQueue> queue = defaultQueue();
    if (!queue)
        throw ReportError(noDefaultPrinter());
    if (const QString problem = queueProblem(*queue, g_rawPrinter); !problem.isEmpty()) {
        qCWarning(lcPrint).noquote() << problem;
        throw ReportError(problem);
    }
    switch (queue->input) {
    case CupsQueue::Input::CupsRaster:
    case CupsQueue::Input::PwgRaster: {
        const LabelRenderer renderer(report, queue->dotsPerInch);
        queue->printRaster(documentName(report), LabelDots::fromImage(renderer.toImage(true)));
        return;
    }
    case CupsQueue::Input::Raw: {
        const LabelRenderer renderer(report, rawDotsPerInch(g_rawPrinter));
        queue->printRaw(documentName(report), ZplWriter::label(LabelDots::fromImage(renderer.toImage(true))));
        return;
    }
    case CupsQueue::Input::PageDescription: printThroughQt(report, queue->name, queue->dotsPerInch); return;
    }
#else
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw ReportError(noDefaultPrinter());
    printThroughQt(report, info.printerName(), 0);
#endif
}

// A queue whose driver takes a page description (PostScript, PDF), and every printer
// where there is no CUPS: through Qt's printing. dotsPerInch is the driver's resolution
// (0 when unknown): Qt gives every CUPS printer 1200 dpi in high resolution, so a
// label laid out at that is resampled by the driver, and on a 203-dpi label printer
// the bars' edges would fall between its dots and come out ragged.
void ReportOutput::printThroughQt(const Report &report, const QString &printerName, int dotsPerInch)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull())
        throw ReportError(noDefaultPrinter());
    QPrinter printer(info, QPrinter::HighResolution);
    if (dotsPerInch > 0)
        printer.setResolution(dotsPerInch);
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(labelPageSize(report), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer.setDocName(documentName(report));
    printer.setCopyCount(1);
    // Lay out at the printer's own resolution before the job starts, so a value that
    // cannot be printed never leaves a half-made job.
    const LabelRenderer renderer(report, printer.resolution());
    QPainter painter;
    if (!painter.begin(&printer) || printer.printerState() == QPrinter::Error)
        throw ReportError(QStringLiteral("The printer \"%1\" refused the print job.").arg(info.printerName()));
    renderer.paintDots(painter);
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        throw ReportError(QStringLiteral("The printer \"%1\" failed to print the label.").arg(info.printerName()));
    if (const QString refusal = cupsRefusal(); !refusal.isNull()) {
        qCWarning(lcPrint) << "printer" << info.printerName() << "refused a job:" << refusal;
        throw ReportError(
            QStringLiteral("The printer \"%1\" refused the print job: %2").arg(info.printerName(), refusal));
    }
}

void ReportOutput::printToPdf(const Report &report, const QString &directory)
{
    QDir dir(directory);
    if (!dir.exists() && !QDir().mkpath(directory))
        throw ReportError(QStringLiteral("The folder \"%1\" for the printed labels cannot be created.").arg(directory));
    const LabelRenderer renderer(report, PdfDotsPerInch);
    const LabelTemplate &t = report.labelTemplate();
    const QByteArray pdf = LabelPdfWriter::toPdf(renderer.toImage(), QSizeF(t.width, t.height), report.reportTitle());

    const QString key = dir.canonicalPath();
    if (key != g_sequenceDirectory) {
        g_sequenceDirectory = key;
        g_nextSequence = firstFreeSequence(dir);
    }
    const QString barcode = safeFileNamePart(renderer.firstBarcodeValue());
    QFile file;
    for (int attempt = 0;; ++attempt) {
        file.setFileName(
            dir.filePath(QStringLiteral("%1-%2.pdf").arg(g_nextSequence++, 4, 10, QChar(u'0')).arg(barcode)));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!file.exists() || attempt > 1000)
            throw ReportError(
                QStringLiteral("The label file \"%1\" cannot be written: %2").arg(file.fileName(), file.errorString()));
    }

    const bool ok = file.write(pdf) == pdf.size();
    file.close();
    if (!ok || file.error() != QFileDevice::NoError) {
        const QString why = file.errorString();
        file.remove();
        throw ReportError(QStringLiteral("The label file \"%1\" cannot be written: %2").arg(file.fileName(), why));
    }
}

} // namespace report
