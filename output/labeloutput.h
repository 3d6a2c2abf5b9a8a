#pragma once

#include "output/cupsprintsystem.h"
#include "output/jobstaken.h"
#include "output/labelbackend.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace output {

class PdfFolderBackend;

// The label printer behind a raw print queue (one without a driver, which passes jobs
// on unchanged): its language and resolution, from the settings store's [Printer]
// section. Language "ZPL" (any case) is spoken; an empty language refuses raw queues.
// Resolution in dots per inch, 203 when 0; a setting that is no number is given as -1
// and refused with a message.
struct RawPrinter
{
    QString language;
    int dotsPerInch = 0;
};

// How long a printer has to take a print job, unless the settings say otherwise.
inline constexpr double kDefaultTakeJobSeconds = 5;

// Where the program's labels go, and the one place that decides how: an object made
// once at start (norvane's and norvane-label's main()) and handed to whatever prints.
// Each job goes through one backend:
//  - a PDF folder (PdfFolderBackend) when the destination names one;
//  - else the default printer, looked up for the job (or once for a batch):
//    on CUPS a driver's raster queue as CUPS or PWG raster (CupsRasterBackend), a raw
//    queue as ZPL (ZplBackend), any other queue through Qt's printing at the driver's
//    resolution (QtPrinterBackend); without CUPS through Qt's printing.
// Used from one thread.
class LabelOutput
{
public:
    struct Destination
    {
        QString pdfFolder; // not empty: one PDF file per job in this folder, whatever the printer
        RawPrinter rawPrinter;
        // The printer check on CUPS: how many seconds the printer has to take a print
        // job (waitUntilTaken), and the age at which jobs already waiting in the
        // default queue make it stuck (printerProblem). 0 turns the check off.
        double takeJobSeconds = kDefaultTakeJobSeconds;
    };

    LabelOutput(); // the default printer
    explicit LabelOutput(Destination destination);
    ~LabelOutput();
    LabelOutput(const LabelOutput &) = delete;
    LabelOutput &operator=(const LabelOutput &) = delete;

    const Destination &destination() const { return m_destination; }

    // Prints one copy of the label as one job. Throws label::LabelError.
    PrintedJob print(const label::Label &label);

    // Why the default printer cannot take stickers now (the print service not
    // answering, the queue gone, none set up, stopped, not accepting jobs, a raw queue
    // without a language Norvane speaks, jobs waiting in the queue for longer than the
    // printer check allows), as a message for the staff; empty when it can, and
    // always empty when printing to PDF files. A print run asks this before it prints
    // or logs anything.
    QString printerProblem();

    // Follows the print jobs of one label job until the printer has taken them: each
    // completed, that is handed to the printer whole. The bound (takeJobSeconds)
    // runs from the jobs' last step forward, so a queue working through many copies
    // is not taken for a silent one. Asks the print system every few milliseconds and
    // calls yield in between. Jobs without a CUPS id (Qt's printing, PDF files), and
    // every job when there is no CUPS or the check is off, count as taken at once.
    JobsTaken waitUntilTaken(const QList<PrintedJob> &jobs, const std::function<void()> &yield);
    // Cancels jobs that wait in the queue. False when one of them could not be, since
    // its sticker had gone to the printer meanwhile. Throws label::LabelError (and
    // PrintServiceError) when the print system refuses or is gone.
    bool cancelJobs(const QList<PrintedJob> &jobs);

    // While one lives, the default printer is looked up once, by the first job: the
    // copies of one label job go to one queue without asking the print system the
    // same questions for every copy (three requests a copy, on a scheduler that is
    // busy turning the previous copies into printer data). A printer stopped or
    // changed meanwhile is noticed by the next label job; one that refuses a job
    // still fails that job.
    class Batch
    {
    public:
        explicit Batch(LabelOutput &output);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        LabelOutput &m_output;
    };

private:
    // The backend for the next job: the one place where it is chosen.
    LabelBackend &backendForJob();
    std::unique_ptr<LabelBackend> defaultPrinterBackend();
    std::optional<CupsQueue> defaultQueue();
    // The default queue holds jobs older than the printer check allows; empty when not.
    QString stuckQueueProblem(const QString &queue);

    Destination m_destination;
    CupsPrintSystem m_cups;
    std::unique_ptr<PdfFolderBackend> m_pdfFolder; // when the destination names a folder
    std::unique_ptr<LabelBackend> m_printer;       // the default printer's, for the job under way
    int m_batches = 0;                             // Batch objects alive
    std::optional<CupsQueue> m_batchQueue;         // the queue found by a batch's first job
};

} // namespace output
