#include "output/labeloutput.h"

#include "label/labelerror.h"
#include "label/labellogging.h"
#include "output/cupsrasterbackend.h"
#include "output/pdffolderbackend.h"
#include "output/qtprinterbackend.h"
#include "output/zplbackend.h"

#include <QCoreApplication>
#include <QPrinterInfo>

namespace output {

using label::LabelError;
using label::lcPrint;

namespace {

bool speaksZpl(const RawPrinter &printer)
{
    return printer.language.trimmed().compare(QLatin1String("ZPL"), Qt::CaseInsensitive) == 0;
}

int rawDotsPerInch(const RawPrinter &printer)
{
    return printer.dotsPerInch > 0 ? printer.dotsPerInch : 203;
}

// Why the queue cannot take stickers now; empty when it can.
QString queueProblem(const CupsQueue &queue, const RawPrinter &raw)
{
    if (!queue.accepting)
        return QCoreApplication::translate(
                   "output::LabelOutput",
                   "The printer \"%1\" is not accepting print jobs: have it accept jobs again, then "
                   "print again.")
            .arg(queue.name);
    if (queue.stopped)
        return QCoreApplication::translate("output::LabelOutput",
                                           "The printer \"%1\" is stopped (paused): resume it, then print again.")
            .arg(queue.name);
    if (queue.input == CupsQueue::Input::Raw && !speaksZpl(raw)) {
        const QString where = QCoreApplication::translate(
            "output::LabelOutput",
            "Set Language=ZPL in the [Printer] section of Norvane's settings, or set "
            "the queue up with the printer's driver.");
        if (raw.language.trimmed().isEmpty())
            return QCoreApplication::translate(
                       "output::LabelOutput",
                       "The printer \"%1\" is a raw queue, which passes jobs to the printer unchanged, and "
                       "no printer language is set for it. %2")
                .arg(queue.name, where);
        return QCoreApplication::translate(
                   "output::LabelOutput",
                   "The printer language \"%2\" set for the raw queue \"%1\" is not one Norvane can "
                   "print in. %3")
            .arg(queue.name, raw.language, where);
    }
    if (queue.input == CupsQueue::Input::Raw
        && !(raw.dotsPerInch == 0 || (raw.dotsPerInch >= 72 && raw.dotsPerInch <= 2400)))
        return QCoreApplication::translate(
                   "output::LabelOutput",
                   "The printer resolution set for the raw queue \"%1\" in the [Printer] section of "
                   "Norvane's settings is not a number of dots per inch: set Resolution to the label "
                   "printer's (203, 300 or 600).")
            .arg(queue.name);
    return QString();
}

} // namespace

LabelOutput::LabelOutput()
    : LabelOutput(Destination())
{
}

LabelOutput::LabelOutput(Destination destination)
    : m_destination(std::move(destination))
{
    if (!m_destination.pdfFolder.isEmpty())
        m_pdfFolder = std::make_unique<PdfFolderBackend>(m_destination.pdfFolder);
}

LabelOutput::~LabelOutput() = default;

PrintedJob LabelOutput::print(const label::Label &label)
{
    return backendForJob().print(label);
}

LabelBackend &LabelOutput::backendForJob()
{
    if (m_pdfFolder)
        return *m_pdfFolder;
    m_printer = defaultPrinterBackend();
    return *m_printer;
}

std::unique_ptr<LabelBackend> LabelOutput::defaultPrinterBackend()
{
    if (!CupsPrintSystem::available()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw LabelError(noDefaultPrinterText());
        return std::make_unique<QtPrinterBackend>(info.printerName(), 0);
    }
    // Every sticker is drawn once, at the queue's own resolution, into the printer's
    // dots; how those reach the printer depends on the queue (see CupsQueue).
    const std::optional<CupsQueue> queue = defaultQueue();
    if (!queue)
        throw LabelError(noDefaultPrinterText());
    if (const QString problem = queueProblem(*queue, m_destination.rawPrinter); !problem.isEmpty()) {
        qCWarning(lcPrint).noquote() << problem;
        throw LabelError(problem);
    }
    switch (queue->input) {
    case CupsQueue::Input::CupsRaster:
    case CupsQueue::Input::PwgRaster: return std::make_unique<CupsRasterBackend>(m_cups, *queue);
    case CupsQueue::Input::Raw:
        return std::make_unique<ZplBackend>(m_cups, *queue, rawDotsPerInch(m_destination.rawPrinter));
    case CupsQueue::Input::PageDescription: break;
    }
    return std::make_unique<QtPrinterBackend>(queue->name, queue->dotsPerInch);
}

std::optional<CupsQueue> LabelOutput::defaultQueue()
{
    if (m_batches > 0 && m_batchQueue)
        return m_batchQueue;
    std::optional<CupsQueue> queue = m_cups.defaultQueue();
    if (m_batches > 0)
        m_batchQueue = queue;
    return queue;
}

QString LabelOutput::printerProblem()
{
    if (m_pdfFolder)
        return QString();
    QString problem;
    if (CupsPrintSystem::available()) {
        try {
            const std::optional<CupsQueue> queue = m_cups.defaultQueue();
            problem = queue ? queueProblem(*queue, m_destination.rawPrinter) : noDefaultPrinterText();
            if (problem.isEmpty())
                problem = stuckQueueProblem(queue->name);
        } catch (const LabelError &e) {
            problem = e.description();
        }
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        problem = noDefaultPrinterText();
    }
    if (!problem.isEmpty())
        qCWarning(lcPrint).noquote() << problem;
    return problem;
}

LabelOutput::Batch::Batch(LabelOutput &output)
    : m_output(output)
{
    ++m_output.m_batches;
}

LabelOutput::Batch::~Batch()
{
    if (--m_output.m_batches == 0)
        m_output.m_batchQueue.reset();
}

} // namespace output
