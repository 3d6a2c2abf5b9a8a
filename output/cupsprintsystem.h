#pragma once

#include <QByteArray>
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
    // no scheduler answers. Throws label::LabelError when the scheduler cannot tell what
    // the queue's driver takes.
    std::optional<CupsQueue> defaultQueue();

    // One job of one page: the dots (rendered at the queue's dotsPerInch) as raster.
    // CupsRaster and PwgRaster queues found by defaultQueue() only. Returns the job's id;
    // throws label::LabelError when the queue refuses the job.
    int printRaster(const CupsQueue &queue, const QString &title, const label::LabelDots &dots);
    // One job of bytes that go to the printer unchanged. Returns the job's id; throws
    // label::LabelError.
    int printRaw(const CupsQueue &queue, const QString &title, const QByteArray &data);

    // After a job handed over through Qt's printing, in the same thread: the print
    // system's refusal of it (a queue that does not accept jobs refuses them while Qt
    // reports success), or a null text when it was accepted or there is no libcups.
    static QString lastRefusal();

private:
    struct Driver;
    std::unique_ptr<Driver> m_driver;
};

} // namespace output
