#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace label {
struct LabelDots;
} // namespace label

namespace output {

// A CUPS print queue, as the label output sends jobs to it.
//
// How a sticker reaches the printer depends on what the queue's driver takes:
//  - CupsRaster: the driver's last filter reads CUPS raster (a thermal label printer's
//    driver, e.g. rastertolabel): the sticker goes as CUPS raster in the queue's own
//    resolution and settings, so that only that filter runs, no PDF interpreter;
//  - PwgRaster: a driverless (IPP Everywhere) queue: PWG raster, 8-bit grey;
//  - Raw: no driver, the bytes go to the printer unchanged: the printer's own language;
//  - PageDescription: anything else (a PostScript or PDF driver): through Qt's printing.
struct CupsQueue
{
    enum class Input { CupsRaster, PwgRaster, Raw, PageDescription };

    QString name;
    bool stopped = false;  // paused: jobs wait in the queue
    bool accepting = true; // false: jobs are refused
    Input input = Input::PageDescription;
    int dotsPerInch = 0; // the driver's resolution; 0 when unknown (raw queues)
};

// One print job as the print system tells of it.
struct CupsJob
{
    enum class State {
        Pending,    // waiting for its turn (or for a printer that is not answering)
        Held,       // held until released
        Processing, // being turned into printer data and sent
        Stopped,    // its queue stopped while it was processing
        Completed,  // handed to the printer whole
        Cancelled,
        Aborted, // the print system gave it up (a filter or the printer failed)
        Gone,    // the print system no longer knows it
    };
    State state = State::Gone;
    QString printerMessage; // what the queue last said of its printer while it had this job
};

// A job that holds a queue's later jobs back (pending, processing or stopped): its id,
// how long ago it was made and, once the queue began on it, how long ago that was, in
// whole seconds of the scheduler's clock.
struct CupsWaitingJob
{
    int id = 0;
    qint64 ageSeconds = 0;
    bool begun = false; // processing, or stopped while processing
    qint64 begunSeconds = 0;
};

// The print system as libcups sees it: the one place the program speaks to libcups.
// A program built without libcups (Windows) has none: available() is false, there is
// no default queue, and every printer is reached through Qt's printing.
//
// It keeps what the default queue's driver takes, read from the driver's PPD once and
// again only when the scheduler has a newer one; our copy of the PPD is removed when
// the driver changes and when this object goes. Used from one thread.
class CupsPrintSystem
{
public:
    CupsPrintSystem();
    ~CupsPrintSystem();
    CupsPrintSystem(const CupsPrintSystem &) = delete;
    CupsPrintSystem &operator=(const CupsPrintSystem &) = delete;

    // Whether this program speaks to CUPS through libcups.
    static bool available();

    // The default queue of this user (LPDEST, PRINTER, lpoptions, then the scheduler's
    // default, as every CUPS program finds it); none when there is no default printer or
    // no default printer is set up. Throws PrintServiceError when the scheduler does not
    // answer, or when the default queue named for this user (or the one found before)
    // does not exist; label::LabelError when the scheduler cannot tell what the queue's
    // driver takes.
    std::optional<CupsQueue> defaultQueue();

    // One job of one page: the dots (rendered at the queue's dotsPerInch) as raster.
    // CupsRaster and PwgRaster queues found by defaultQueue() only. Returns the job's id;
    // throws label::LabelError when the queue refuses the job, PrintServiceError when
    // the scheduler or the queue is gone.
    int printRaster(const CupsQueue &queue, const QString &title, const label::LabelDots &dots);
    // One job of bytes that go to the printer unchanged. Returns the job's id; throws
    // as printRaster.
    int printRaw(const CupsQueue &queue, const QString &title, const QByteArray &data);

    // What became of a job: one request. Throws PrintServiceError when the scheduler
    // does not answer.
    CupsJob job(int jobId);
    // Cancels a job. False when it could not be, because it had completed (its
    // sticker went to the printer) before. Throws PrintServiceError when the scheduler
    // does not answer, label::LabelError when it refuses.
    bool cancelJob(const QString &queue, int jobId);
    // The jobs that hold a queue back, oldest first. Throws PrintServiceError.
    QList<CupsWaitingJob> waitingJobs(const QString &queue);
    // What the queue says of its printer now (its message and state reasons), for
    // IT; empty when it says nothing. Never throws.
    QString printerState(const QString &queue);
    // Throws PrintServiceError when the scheduler does not answer or the queue does
    // not exist.
    void requireQueue(const QString &queue);

    // After a job handed over through Qt's printing, in the same thread: the print
    // system's refusal of it (a queue that does not accept jobs refuses them while Qt
    // reports success), or a null text when it was accepted or there is no libcups.
    static QString lastRefusal();

private:
    struct Driver;
    std::unique_ptr<Driver> m_driver;
    QString m_lastQueue; // the default queue last found: told by name should it go
};

} // namespace output
