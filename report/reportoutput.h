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

    // The label printer behind a raw print queue (one without a driver, which passes
    // jobs on unchanged): its language and resolution, from the settings store's
    // [Printer] section, set once at start-up. Language "ZPL" (any case) is spoken; an
    // empty language refuses raw queues. Resolution in dots per inch, 203 when 0.
    struct RawPrinter
    {
        QString language;
        int dotsPerInch = 0;
    };
    static void setRawPrinter(const RawPrinter &printer);

    // Prints one copy of the report as one job. Throws ReportError.
    static void print(const Report &report);

    // While one lives, the default printer is looked up once, by the first job: the
    // copies of one label job go to one queue without asking the print system the
    // same questions for every copy (three requests a copy, on a scheduler that is
    // busy turning the previous copies into printer data). A printer stopped or
    // changed meanwhile is noticed by the next label job; one that refuses a job
    // still fails that job.
    class Batch
    {
    public:
        Batch();
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
    };

    // Why the default printer cannot take stickers now (none set up, stopped, not
    // accepting jobs, a raw queue without a language Norvane speaks), as a message for
    // the staff; empty when it can, and always empty when printing to PDF files.
    // A print run asks this before it prints or logs anything.
    static QString printerProblem();

    // The file name for the next PDF job in the folder, e.g. "0007-A12 34.pdf" ->
    // "0007-A12_34.pdf": a sequence number that keeps the jobs' order, then the
    // barcode with characters unsafe in file names replaced.
    static QString safeFileNamePart(const QString &text);

private:
    static void printToPrinter(const Report &report);
    static void printThroughQt(const Report &report, const QString &printerName, int dotsPerInch);
    static void printToPdf(const Report &report, const QString &directory);
};

} // namespace report
