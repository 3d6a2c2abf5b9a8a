#include "output/qtprinterbackend.h"

#include "label/labelerror.h"
#include "label/labellogging.h"
#include "label/labelrenderer.h"
#include "output/cupsprintsystem.h"

#include <QCoreApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace output {

using label::LabelError;
using label::lcPrint;

QtPrinterBackend::QtPrinterBackend(QString printerName, int dotsPerInch)
    : m_printerName(std::move(printerName))
    , m_dotsPerInch(dotsPerInch)
{
}

PrintedJob QtPrinterBackend::print(const label::Label &label)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(m_printerName);
    if (info.isNull())
        throw LabelError(noDefaultPrinterText());
    QPrinter printer(info, QPrinter::HighResolution);
    if (m_dotsPerInch > 0)
        printer.setResolution(m_dotsPerInch);
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setFullPage(true);
    const label::LabelTemplate &t = label.labelTemplate;
    const QPageSize page(QSizeF(t.width, t.height), QPageSize::Millimeter,
                         QStringLiteral("Label %1 x %2 mm").arg(t.width).arg(t.height), QPageSize::ExactMatch);
    printer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer.setDocName(documentName(label));
    printer.setCopyCount(1);
    // Lay out at the printer's own resolution before the job starts, so a value that
    // cannot be printed never leaves a half-made job.
    const label::LabelRenderer renderer(label, printer.resolution());
    QPainter painter;
    if (!painter.begin(&printer) || printer.printerState() == QPrinter::Error)
        throw LabelError(
            QCoreApplication::translate("output::QtPrinterBackend", "The printer \"%1\" refused the print job.")
                .arg(info.printerName()));
    renderer.paintDots(painter);
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        throw LabelError(
            QCoreApplication::translate("output::QtPrinterBackend", "The printer \"%1\" failed to print the label.")
                .arg(info.printerName()));
    // A queue that does not accept jobs refuses them while Qt reports success: only
    // the print system knows, in the thread that handed the job over, right after it.
    if (const QString refusal = CupsPrintSystem::lastRefusal(); !refusal.isNull()) {
        qCWarning(lcPrint) << "printer" << info.printerName() << "refused a job:" << refusal;
        throw LabelError(
            QCoreApplication::translate("output::QtPrinterBackend", "The printer \"%1\" refused the print job: %2")
                .arg(info.printerName(), refusal));
    }
    return PrintedJob{info.printerName(), 0, QString()};
}

} // namespace output
