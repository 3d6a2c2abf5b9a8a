#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace report {

struct LabelDots;

// The default CUPS print queue, as the label output sends jobs to it (CUPS builds only).
//
// How a sticker reaches the printer depends on what the queue's driver takes:
//  - CupsRaster: the driver's last filter reads CUPS raster (a thermal label printer's
//    driver, e.g. rastertolabel): the sticker goes as CUPS raster in the queue's own
//    resolution and settings, so that only that filter runs, no PDF interpreter;
//  - PwgRaster: a driverless (IPP Everywhere) queue: PWG raster, 8-bit grey;
//  - Raw: no driver, the bytes go to the printer unchanged: the printer's own language;
//  - PageDescription: anything else (a PostScript or PDF driver): through Qt's printing.
class CupsQueue
{
public:
    enum class Input { CupsRaster, PwgRaster, Raw, PageDescription };

    // The default queue of this user (LPDEST, PRINTER, lpoptions, then the scheduler's
    // default, as every CUPS program finds it); none when there is no default printer or
    // no scheduler answers.
    static std::optional<CupsQueue> defaultQueue();

    QString name;
    bool stopped = false;  // paused: jobs wait in the queue
    bool accepting = true; // false: jobs are refused
    Input input = Input::PageDescription;
    int dotsPerInch = 0; // the driver's resolution; 0 when unknown (raw queues)

    // One job of one page: the dots (rendered at dotsPerInch) as raster. CupsRaster and
    // PwgRaster queues only. Throws ReportError when the queue refuses the job.
    void printRaster(const QString &title, const LabelDots &dots) const;
    // One job of bytes that go to the printer unchanged. Throws ReportError.
    void printRaw(const QString &title, const QByteArray &data) const;
};

} // namespace report
