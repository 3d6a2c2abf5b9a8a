#pragma once

// The label-output routines of the module modMain: open the label template with its
// values (OpenReport), print or view it (ShowReport), and the label job that prints
// the stickers of one exam (PrintBarcodeLabel). Every failure is a ReportError that
// passes to the caller unchanged; the print run shows it.

#include "report/report.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

namespace report {

// The one open report; empty at start, released after each direct print and before
// every open. The viewer window takes it from here and releases it when it closes.
std::unique_ptr<Report> &CurrentReport();

// Releases CurrentReport, opens ReportPath afresh and gives its parameter fields the
// values by position: field k (in the template's order) gets ParameterValues[k];
// extra values are ignored, extra fields keep their defaults; an empty list leaves
// every field alone. Field names are never used for matching.
void OpenReport(QString ReportPath, const QVariantList &ParameterValues);

// DirectPrint true: prints CurrentReport at once as one job, without a dialog, then
// releases it; ShowGroupTree and Caption are not used. DirectPrint false: hands the
// report to the viewer window (see setReportViewer), which releases it on closing.
void ShowReport(bool ShowGroupTree, const QString &Caption, bool DirectPrint);

// The viewing path of ShowReport: shows CurrentReport modally with that caption and
// returns when the window has closed. Set once by the program that has a viewer
// window; without one, ShowReport(..., false) fails with a ReportError.
using ReportViewer = std::function<void(bool showGroupTree, const QString &caption)>;
void setReportViewer(ReportViewer viewer);

// Prints Copies stickers of the template at TemplatePath, each copy its own job:
// OpenReport with the values, then ShowReport(false, "Print Barcode Sticker", true).
// Nothing happens when Copies is below 1.
void printLabelCopies(const QString &TemplatePath, const QVariantList &Values, qint16 Copies);

// The label job: Copies stickers of LabBarcodeLabel.rpt in the program's directory,
// carrying the seven values in this order.
void PrintBarcodeLabel(const QString &Barcode, const QString &PatientName, const QString &HospNum,
                       const QString &Instrument, const QString &Transdate, const QString &RoomID,
                       const QString &AgeSex, const qint16 &Copies);

// The label template's path: the program's directory + "/LabBarcodeLabel.rpt" when
// that file exists (a site's own template beside the program wins); otherwise the
// installation's data folder, ../share/norvane/LabBarcodeLabel.rpt from the program's
// directory, when that exists; otherwise the path beside the program, so that the
// failure to open it names the place looked at first.
QString labelTemplatePath();

} // namespace report
