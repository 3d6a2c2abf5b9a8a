#include "report/modmain.h"

#include "report/reportapplication.h"
#include "report/reporterror.h"
#include "report/reportlogging.h"
#include "report/reportoutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace report {

namespace {

std::unique_ptr<Report> g_currentReport;
ReportViewer g_viewer;

} // namespace

std::unique_ptr<Report> &CurrentReport()
{
    return g_currentReport;
}

void OpenReport(QString ReportPath, const QVariantList &ParameterValues)
{
    const qsizetype highestIndex = ParameterValues.size() - 1;
    g_currentReport.reset();
    {
        const ReportApplication reportApp;
        g_currentReport = reportApp.openReport(ReportPath, ReportApplication::OpenFresh);
    }
    g_currentReport->setReportTitle(QStringLiteral("Barcode Label Printing"));
    if (highestIndex >= 0) {
        qsizetype position = 0;
        for (ParameterField &field : g_currentReport->parameterFields()) {
            if (position > highestIndex)
                break;
            field.setCurrentValue(ParameterValues.at(position));
            ++position;
        }
    }
}

void setReportViewer(ReportViewer viewer)
{
    g_viewer = std::move(viewer);
}

void ShowReport(bool ShowGroupTree, const QString &Caption, bool DirectPrint)
{
    if (!g_currentReport)
        throw ReportError(QStringLiteral("There is no open report to show or print."));
    if (DirectPrint) {
        g_currentReport->setParameterPrompting(false);
        g_currentReport->printOut(false);
        g_currentReport.reset();
        return;
    }
    // Viewing path: the viewer window loads CurrentReport and releases it when it closes.
    if (!g_viewer)
        throw ReportError(QStringLiteral("The report viewer is not available in this program."));
    g_viewer(ShowGroupTree, Caption);
}

void printLabelCopies(const QString &TemplatePath, const QVariantList &Values, qint16 Copies)
{
    const ReportOutput::Batch batch; // one printer lookup for all the copies
    for (int copy = 1; copy <= Copies; ++copy) {
        OpenReport(TemplatePath, Values);
        ShowReport(false, QStringLiteral("Print Barcode Sticker"), true);
    }
}

QString labelTemplatePath()
{
    const QString fileName = QStringLiteral("LabBarcodeLabel.rpt");
    const QString besideProgram = QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(besideProgram))
        return besideProgram;
    // An installation keeps it in its data folder, found from the program's folder
    // so that the whole installation can move (e.g. /usr/bin -> /usr/share/norvane).
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                              + QStringLiteral(NORVANE_DATA_FROM_BIN) + QLatin1Char('/') + fileName);
    if (QFileInfo::exists(installed))
        return installed;
    // Neither: the program's own place, which the failure then names.
    return besideProgram;
}

void PrintBarcodeLabel(const QString &Barcode, const QString &PatientName, const QString &HospNum,
                       const QString &Instrument, const QString &Transdate, const QString &RoomID,
                       const QString &AgeSex, const qint16 &Copies)
{
    const qint16 copies = Copies; // read once: the caller's variable may change during the job
    if (copies < 1)
        return;
    const QVariantList values{Barcode, PatientName, HospNum, Instrument, Transdate, RoomID, AgeSex};
    try {
        printLabelCopies(labelTemplatePath(), values, copies);
    } catch (const ReportError &e) {
        // The failure goes on to the print run; the IT staff find it in the log.
        qCWarning(lcPrint, "The stickers of barcode \"%s\" could not be printed: %s", qUtf8Printable(Barcode),
                  qUtf8Printable(e.description()));
        throw;
    }
}

} // namespace report
