#pragma once

// The label-output module modMain: open the label template with its values
// (OpenReport), print or view it (ShowReport), and the label job that prints the
// stickers of one exam (PrintBarcodeLabel). Every failure is a label::LabelError that
// passes to the caller unchanged; the print run shows it.

#include "output/labelbackend.h"
#include "report/labeltemplatelocation.h"
#include "report/report.h"

#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

namespace output {
class LabelOutput;
} // namespace output

namespace report {

// The module as an object: the program makes one at start, on its label output, and
// hands it to the print run and the report viewer. It holds the one open report.
class modMain
{
public:
    // labelTemplate: the template of the label job; empty finds LabBarcodeLabel.rpt
    // afresh for every job (labelTemplatePath()).
    explicit modMain(output::LabelOutput &output, QString labelTemplate = QString());
    modMain(const modMain &) = delete;
    modMain &operator=(const modMain &) = delete;

    // Where the reports print.
    output::LabelOutput &labelOutput() const { return m_output; }

    // The one open report; empty at start, released after each direct print and before
    // every open. The viewer window takes it from here and releases it when it closes.
    std::unique_ptr<Report> &CurrentReport() { return m_currentReport; }

    // Releases CurrentReport, opens ReportPath afresh and gives its parameter fields the
    // values by position: field k (in the template's order) gets ParameterValues[k];
    // extra values are ignored, extra fields keep their defaults; an empty list leaves
    // every field alone. Field names are never used for matching.
    void OpenReport(QString ReportPath, const QVariantList &ParameterValues);

    // DirectPrint true: prints CurrentReport at once as one job, without a dialog, then
    // releases it, and tells what became of the job; ShowGroupTree and Caption are not
    // used. DirectPrint false: hands the report to the viewer window (see
    // setReportViewer), which releases it on closing; no job is told.
    output::PrintedJob ShowReport(bool ShowGroupTree, const QString &Caption, bool DirectPrint);

    // The viewing path of ShowReport: shows CurrentReport modally with that caption and
    // returns when the window has closed. Set once by the program that has a viewer
    // window (report::installReportViewer); without one, ShowReport(..., false) fails
    // with a LabelError.
    using ReportViewer = std::function<void(bool showGroupTree, const QString &caption)>;
    void setReportViewer(ReportViewer viewer);

    // Prints Copies stickers of the template at TemplatePath, each copy its own job:
    // OpenReport with the values, then ShowReport(false, "Print Barcode Sticker", true).
    // Nothing happens when Copies is below 1. Tells each copy's job, in order.
    QList<output::PrintedJob> printLabelCopies(const QString &TemplatePath, const QVariantList &Values, qint16 Copies);

    // The label job: Copies stickers of the label template, carrying the seven values
    // in this order. Tells each copy's job, in order.
    QList<output::PrintedJob> PrintBarcodeLabel(const QString &Barcode, const QString &PatientName,
                                                const QString &HospNum, const QString &Instrument,
                                                const QString &Transdate, const QString &RoomID, const QString &AgeSex,
                                                const qint16 &Copies);

private:
    output::LabelOutput &m_output;
    QString m_labelTemplate;
    std::unique_ptr<Report> m_currentReport;
    ReportViewer m_viewer;
};

} // namespace report
