#pragma once

#include <QString>

namespace report {

class Report;

// Where printed reports go, for the whole process: the default printer, or one PDF
// file per print job in a folder (norvane --print-to DIR, the demo, tests, the tool).
class ReportOutput
{
public:
    // Resolution of PDF output: a common thermal label printer's, so that a PDF shows
    // the same whole-dot barcode the printer would print.
    static constexpr double PdfDotsPerInch = 203;

    // Empty sends jobs to the default printer.
    static void setPrintToDirectory(const QString &directory);
    static QString printToDirectory();

    // Prints one copy of the report as one job. Throws ReportError.
    static void print(const Report &report);

    // The file name for the next PDF job in the folder, e.g. "0007-A12 34.pdf" ->
    // "0007-A12_34.pdf": a sequence number that keeps the jobs' order, then the
    // barcode with characters unsafe in file names replaced.
    static QString safeFileNamePart(const QString &text);

private:
    static void printToPrinter(const Report &report);
    static void printToPdf(const Report &report, const QString &directory);
};

} // namespace report
