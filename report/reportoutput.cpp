#include "report/reportoutput.h"

#include "report/labelpdfwriter.h"
#include "report/labelrenderer.h"
#include "report/report.h"
#include "report/reporterror.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
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

// A print queue that is stopped or does not accept jobs refuses them while Qt
// reports success: only libcups knows, in the thread that handed the job over, right
// after it. Qt's CUPS support has libcups loaded, so it is looked up, not linked;
// where there is none (Windows) the check is skipped. Returns the refusal's text,
// or a null text when the job was accepted.
QString cupsRefusal()
{
    using LastError = int (*)();
    using LastErrorString = const char *(*)();
    struct Cups
    {
        LastError lastError = nullptr;
        LastErrorString lastErrorString = nullptr;
    };
    static const Cups cups = [] {
        QLibrary library(QStringLiteral("cups"), 2);
        return Cups{reinterpret_cast<LastError>(library.resolve("cupsLastError")),
                    reinterpret_cast<LastErrorString>(library.resolve("cupsLastErrorString"))};
    }();
    if (!cups.lastError)
        return QString();
    // IPP status codes up to 0x00FF are successes.
    const int status = cups.lastError();
    if (status <= 0x00FF)
        return QString();
    const char *text = cups.lastErrorString ? cups.lastErrorString() : nullptr;
    return text ? QString::fromUtf8(text) : QStringLiteral("CUPS status 0x%1").arg(status, 4, 16, QChar(u'0'));
}

// The dots per inch of a CUPS printer, from its PPD's *DefaultResolution ("203dpi",
// "300x300dpi"); 0 when unknown (no libcups, as on Windows, no PPD, no such line).
// Qt gives every CUPS printer 1200 dpi in high resolution, so a label laid out at
// that is resampled by the printer's driver: on a 203-dpi label printer the bars'
// edges fall between its dots and come out ragged, and the barcode may not scan.
int cupsPrinterResolution(const QString &printerName)
{
    using GetPpd = const char *(*)(const char *);
    static const auto getPpd = reinterpret_cast<GetPpd>(QLibrary::resolve(QStringLiteral("cups"), 2, "cupsGetPPD"));
    if (!getPpd)
        return 0;
    const char *path = getPpd(printerName.toUtf8().constData());
    if (!path)
        return 0;
    // cupsGetPPD hands over a copy (or a link) of its own, which the caller removes.
    QFile ppd(QFile::decodeName(path));
    int dpi = 0;
    if (ppd.open(QIODevice::ReadOnly)) {
        static const QRegularExpression line(QStringLiteral("^\\*DefaultResolution:\\s*(\\d+)(x\\d+)?dpi\\s*$"),
                                             QRegularExpression::MultilineOption);
        const auto match = line.match(QString::fromLatin1(ppd.readAll()));
        if (match.hasMatch())
            dpi = match.captured(1).toInt();
        ppd.close();
    }
    ppd.remove();
    return dpi >= 72 && dpi <= 2400 ? dpi : 0;
}

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
        const bool safe = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
            || c == u'-' || c == u'_' || c == u'.';
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

void ReportOutput::printToPrinter(const Report &report)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw ReportError(QStringLiteral("No default printer is set up on this computer: make the label printer the "
                                         "default printer."));
    QPrinter printer(info, QPrinter::HighResolution);
    if (const int dpi = cupsPrinterResolution(info.printerName()))
        printer.setResolution(dpi);
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(labelPageSize(report), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer.setDocName(report.reportTitle().isEmpty() ? QStringLiteral("Label") : report.reportTitle());
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
    if (const QString refusal = cupsRefusal(); !refusal.isNull())
        throw ReportError(
            QStringLiteral("The printer \"%1\" refused the print job: %2").arg(info.printerName(), refusal));
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
        file.setFileName(dir.filePath(QStringLiteral("%1-%2.pdf").arg(g_nextSequence++, 4, 10, QChar(u'0')).arg(barcode)));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!file.exists() || attempt > 1000)
            throw ReportError(QStringLiteral("The label file \"%1\" cannot be written: %2")
                                  .arg(file.fileName(), file.errorString()));
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
