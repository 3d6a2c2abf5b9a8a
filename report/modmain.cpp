#include "report/modmain.h"

#include "label/labelerror.h"
#include "label/labellogging.h"
#include "output/labeloutput.h"
#include "report/reportapplication.h"

#include <QCoreApplication>

namespace report {

using label::LabelError;
using label::lcPrint;

modMain::modMain(output::LabelOutput &output, QString labelTemplate)
    : m_output(output)
    , m_labelTemplate(std::move(labelTemplate))
{
}

void modMain::OpenReport(QString ReportPath, const QVariantList &ParameterValues)
{
    const qsizetype highestIndex = ParameterValues.size() - 1;
    m_currentReport.reset();
    {
        const ReportApplication reportApp(m_output);
        m_currentReport = reportApp.openReport(ReportPath, ReportApplication::OpenFresh);
    }
    m_currentReport->setReportTitle(QCoreApplication::translate("report::modMain", "Barcode Label Printing"));
    if (highestIndex >= 0) {
        qsizetype position = 0;
        for (ParameterField &field : m_currentReport->parameterFields()) {
            if (position > highestIndex)
                break;
            field.setCurrentValue(ParameterValues.at(position));
            ++position;
        }
    }
}

void modMain::setReportViewer(ReportViewer viewer)
{
    m_viewer = std::move(viewer);
}

output::PrintedJob modMain::ShowReport(bool ShowGroupTree, const QString &Caption, bool DirectPrint)
{
    if (!m_currentReport)
        throw LabelError(QCoreApplication::translate("report::modMain", "There is no open report to show or print."));
    if (DirectPrint) {
        m_currentReport->setParameterPrompting(false);
        const output::PrintedJob job = m_currentReport->printOut(false);
        m_currentReport.reset();
        return job;
    }
    // Viewing path: the viewer window loads CurrentReport and releases it when it closes.
    if (!m_viewer)
        throw LabelError(
            QCoreApplication::translate("report::modMain", "The report viewer is not available in this program."));
    m_viewer(ShowGroupTree, Caption);
    return {};
}

QList<output::PrintedJob> modMain::printLabelCopies(const QString &TemplatePath, const QVariantList &Values,
                                                    qint16 Copies)
{
    const output::LabelOutput::Batch batch(m_output); // one printer lookup for all the copies
    QList<output::PrintedJob> jobs;
    for (int copy = 1; copy <= Copies; ++copy) {
        OpenReport(TemplatePath, Values);
        jobs.append(ShowReport(false, QCoreApplication::translate("report::modMain", "Print Barcode Sticker"), true));
    }
    return jobs;
}

QList<output::PrintedJob> modMain::PrintBarcodeLabel(const QString &Barcode, const QString &PatientName,
                                                     const QString &HospNum, const QString &Instrument,
                                                     const QString &Transdate, const QString &RoomID,
                                                     const QString &AgeSex, const qint16 &Copies)
{
    const qint16 copies = Copies; // read once: the caller's variable may change during the job
    if (copies < 1)
        return {};
    const QVariantList values{Barcode, PatientName, HospNum, Instrument, Transdate, RoomID, AgeSex};
    try {
        return printLabelCopies(m_labelTemplate.isEmpty() ? labelTemplatePath() : m_labelTemplate, values, copies);
    } catch (const LabelError &e) {
        // The failure goes on to the print run; the IT staff find it in the log.
        qCWarning(lcPrint, "The stickers of barcode \"%s\" could not be printed: %s", qUtf8Printable(Barcode),
                  qUtf8Printable(e.description()));
        throw;
    }
}

} // namespace report
