// The one file that speaks to libcups. Built without it (NORVANE_HAVE_CUPS unset, as on
// Windows), it tells that there is no CUPS: no default queue, no jobs of its own.
#include "output/cupsprintsystem.h"

#include "label/labeldots.h"
#include "label/labelerror.h"
#include "label/labellogging.h"

#ifdef NORVANE_HAVE_CUPS
#include <QFile>
#include <QRegularExpression>

#include <cups/cups.h>
#include <cups/raster.h>
// The driver's PPD is what a CUPS 2 queue with a driver has to say about the raster it
// takes (resolution, colour space, the driver's own settings); its API is marked
// deprecated in favour of one that does not say that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

#include <cstdlib>
#include <cstring>
#endif

namespace output {

using label::LabelDots;
using label::LabelError;
using label::lcPrint;

#ifdef NORVANE_HAVE_CUPS

namespace {

QString lastCupsError()
{
    const char *text = cupsLastErrorString();
    return text && *text ? QString::fromUtf8(text)
                         : QStringLiteral("CUPS status 0x%1").arg(int(cupsLastError()), 4, 16, QChar(u'0'));
}

// One raster header the label output can fill: one colour, 1 or 8 bits, black as 1
// (K) or as 0 (W, SW).
bool greyOrMono(const cups_page_header2_t &h)
{
    const bool space = h.cupsColorSpace == CUPS_CSPACE_K || h.cupsColorSpace == CUPS_CSPACE_W
        || h.cupsColorSpace == CUPS_CSPACE_SW;
    return space && (h.cupsBitsPerColor == 1 || h.cupsBitsPerColor == 8) && h.cupsBitsPerPixel == h.cupsBitsPerColor
        && h.HWResolution[0] == h.HWResolution[1] && h.HWResolution[0] >= 72 && h.HWResolution[0] <= 2400;
}

} // namespace

// What the default queue's driver takes, read from its PPD once and again only when
// the scheduler has a newer one (the request asks "modified since").
struct CupsPrintSystem::Driver
{
    QString printer;
    time_t modified = 0;
    char ppdCopy[1024] = {}; // our copy of the PPD (a temporary file), removed on change and at the end
    bool raw = false;        // the queue has no PPD: no driver
    CupsQueue::Input input = CupsQueue::Input::PageDescription;
    int dotsPerInch = 0;
    cups_page_header2_t header{}; // the driver's defaults for a page, CupsRaster only

    ~Driver() { forget(); }

    void forget()
    {
        if (ppdCopy[0])
            QFile::remove(QFile::decodeName(ppdCopy));
        ppdCopy[0] = '\0';
        modified = 0;
        raw = false;
        input = CupsQueue::Input::PageDescription;
        dotsPerInch = 0;
    }

    void read();
    void refresh(const QString &printerName);
};

void CupsPrintSystem::Driver::read()
{
    QFile file(QFile::decodeName(ppdCopy));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromLatin1(file.readAll());
    file.close();

    // *cupsFilter: "source cost program", *cupsFilter2: "source destination cost program":
    // the formats the driver's own filters take.
    static const QRegularExpression filter(QStringLiteral("^\\*cupsFilter2?:\\s*\"\\s*(\\S+)"),
                                           QRegularExpression::MultilineOption);
    bool cupsRaster = false, pwgRaster = false;
    for (auto it = filter.globalMatch(text); it.hasNext();) {
        const QString source = it.next().captured(1);
        cupsRaster = cupsRaster || source == QLatin1String("application/vnd.cups-raster");
        pwgRaster = pwgRaster || source == QLatin1String("image/pwg-raster");
    }
    static const QRegularExpression resolution(QStringLiteral("^\\*DefaultResolution:\\s*(\\d+)(x\\d+)?dpi\\s*$"),
                                               QRegularExpression::MultilineOption);
    if (const auto match = resolution.match(text); match.hasMatch()) {
        const int dpi = match.captured(1).toInt();
        dotsPerInch = dpi >= 72 && dpi <= 2400 ? dpi : 0;
    }
    if (!cupsRaster && !pwgRaster)
        return;

    ppd_file_t *ppd = ppdOpenFile(ppdCopy);
    if (!ppd)
        return;
    ppdMarkDefaults(ppd);
    cups_page_header2_t h{};
    const bool interpreted = cupsRasterInterpretPPD(&h, ppd, 0, nullptr, nullptr) == 0;
    ppdClose(ppd);
    if (!interpreted || !greyOrMono(h))
        return;
    header = h;
    dotsPerInch = int(h.HWResolution[0]);
    input = cupsRaster ? CupsQueue::Input::CupsRaster : CupsQueue::Input::PwgRaster;
}

// Brings the driver up to date for that printer. Throws LabelError when the scheduler
// cannot tell.
void CupsPrintSystem::Driver::refresh(const QString &printerName)
{
    if (printer != printerName) {
        forget();
        printer = printerName;
    }
    time_t since = modified;
    const http_status_t status = cupsGetPPD3(CUPS_HTTP_DEFAULT, printerName.toUtf8().constData(), &since, ppdCopy,
                                             sizeof ppdCopy);
    if (status == HTTP_STATUS_NOT_MODIFIED && ppdCopy[0])
        return;
    if (status == HTTP_STATUS_NOT_FOUND) { // a queue without a PPD passes jobs on unchanged
        forget();
        raw = true;
        input = CupsQueue::Input::Raw;
        return;
    }
    if (status != HTTP_STATUS_OK)
        throw LabelError(
            QStringLiteral("The driver of the printer \"%1\" cannot be read: %2").arg(printerName, lastCupsError()));
    // Where the scheduler's own PPD file can be read, libcups links to it and answers
    // OK every time: the same file time means the same driver.
    if (!raw && modified != 0 && since == modified)
        return;
    modified = since;
    raw = false;
    input = CupsQueue::Input::PageDescription;
    dotsPerInch = 0;
    read();
}

namespace {

// The document of a job being sent: the libcups request opened by cupsStartDocument.
ssize_t writeToJob(void *, unsigned char *buffer, size_t length)
{
    return cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char *>(buffer), length)
            == HTTP_STATUS_CONTINUE
        ? ssize_t(length)
        : -1;
}

// Runs one job of one document as one Print-Job request and returns its id: the request, the document
// streamed after it (write returns false on failure), the scheduler's answer. One
// request, not Create-Job and Send-Document: on the scheduler that pair costs 20 to 45
// ms per job on a busy 2-core machine, Print-Job 3 to 9 ms.
template<typename Write>
int runJob(const QString &printer, const QString &title, const char *format, Write &&write)
{
    const QByteArray name = printer.toUtf8();
    const QByteArray doc = (title.isEmpty() ? QStringLiteral("Label") : title).toUtf8();
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     name.constData());
    const QByteArray resource = "/printers/" + name;

    ipp_t *request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, doc.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format);
    bool sent = cupsSendRequest(CUPS_HTTP_DEFAULT, request, resource.constData(), CUPS_LENGTH_VARIABLE)
        == HTTP_STATUS_CONTINUE;
    if (sent)
        sent = write();
    ipp_t *response = cupsGetResponse(CUPS_HTTP_DEFAULT, resource.constData());
    ippDelete(request);
    ipp_attribute_t *jobId = response ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
    const int job = jobId ? ippGetInteger(jobId, 0) : 0;
    ippDelete(response);
    if (!sent || job <= 0 || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        const QString why = lastCupsError();
        // A document cut short may still have become a job: it must not print a
        // sticker that the run then reports as not printed.
        if (job > 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
        qCWarning(lcPrint) << "printer" << printer << "refused a job:" << why;
        throw LabelError(QStringLiteral("The printer \"%1\" refused the print job: %2").arg(printer, why));
    }
    return job;
}

// The header of one page of dots at the queue's resolution, from the driver's defaults.
cups_page_header2_t pageHeader(CupsQueue::Input input, const cups_page_header2_t &driverDefaults, int dotsPerInch,
                               const LabelDots &dots)
{
    cups_page_header2_t h{};
    if (input == CupsQueue::Input::PwgRaster) {
        const int widthHmm = int(dots.width * 2540.0 / dotsPerInch + 0.5);
        const int heightHmm = int(dots.height * 2540.0 / dotsPerInch + 0.5);
        if (!cupsRasterInitPWGHeader(&h, pwgMediaForSize(widthHmm, heightHmm), "sgray_8", dotsPerInch, dotsPerInch,
                                     "one-sided", nullptr))
            throw LabelError(QStringLiteral("No raster page can be made for this label: %1").arg(lastCupsError()));
    } else {
        h = driverDefaults;
    }
    const double points = 72.0 / dotsPerInch;
    h.cupsWidth = unsigned(dots.width);
    h.cupsHeight = unsigned(dots.height);
    h.cupsBytesPerLine = (h.cupsBitsPerPixel * h.cupsWidth + 7) / 8;
    h.PageSize[0] = unsigned(dots.width * points + 0.5);
    h.PageSize[1] = unsigned(dots.height * points + 0.5);
    h.cupsPageSize[0] = float(dots.width * points);
    h.cupsPageSize[1] = float(dots.height * points);
    h.ImagingBoundingBox[0] = h.ImagingBoundingBox[1] = 0;
    h.ImagingBoundingBox[2] = h.PageSize[0];
    h.ImagingBoundingBox[3] = h.PageSize[1];
    h.cupsImagingBBox[0] = h.cupsImagingBBox[1] = 0;
    h.cupsImagingBBox[2] = h.cupsPageSize[0];
    h.cupsImagingBBox[3] = h.cupsPageSize[1];
    h.Margins[0] = h.Margins[1] = 0;
    h.NumCopies = 1;
    return h;
}

} // namespace

CupsPrintSystem::CupsPrintSystem()
    : m_driver(std::make_unique<Driver>())
{
}

CupsPrintSystem::~CupsPrintSystem() = default;

bool CupsPrintSystem::available()
{
    return true;
}

std::optional<CupsQueue> CupsPrintSystem::defaultQueue()
{
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest)
        return std::nullopt;
    CupsQueue queue;
    queue.name = QString::fromUtf8(dest->name);
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const char *accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char *type = cupsGetOption("printer-type", dest->num_options, dest->options);
    queue.stopped = state && std::strcmp(state, "5") == 0; // IPP_PSTATE_STOPPED
    queue.accepting = !accepting || std::strcmp(accepting, "false") != 0;
    const bool isClass = type && (std::strtol(type, nullptr, 10) & CUPS_PRINTER_CLASS);
    // The option texts belong to dest: read every one of them before this.
    cupsFreeDests(1, dest);
    // A class (a group of printers) has no driver of its own, yet is no raw queue:
    // its members' drivers make of a page what they need.
    if (isClass)
        return queue;

    m_driver->refresh(queue.name);
    queue.input = m_driver->input;
    queue.dotsPerInch = m_driver->dotsPerInch;
    return queue;
}

int CupsPrintSystem::printRaster(const CupsQueue &queue, const QString &title, const LabelDots &dots)
{
    using Input = CupsQueue::Input;
    if (m_driver->printer != queue.name
        || (m_driver->input != Input::CupsRaster && m_driver->input != Input::PwgRaster))
        throw LabelError(QStringLiteral("The printer \"%1\" does not take raster jobs.").arg(queue.name));
    cups_page_header2_t h = pageHeader(queue.input, m_driver->header, queue.dotsPerInch, dots);
    const bool pwg = queue.input == Input::PwgRaster;
    const bool eightBits = h.cupsBitsPerColor == 8;
    const bool blackIsOne = h.cupsColorSpace == CUPS_CSPACE_K;

    return runJob(queue.name, title, pwg ? "image/pwg-raster" : "application/vnd.cups-raster", [&] {
        cups_raster_t *raster = cupsRasterOpenIO(writeToJob, nullptr,
                                                 pwg ? CUPS_RASTER_WRITE_PWG : CUPS_RASTER_WRITE_COMPRESSED);
        if (!raster)
            return false;
        bool ok = cupsRasterWriteHeader2(raster, &h) != 0;
        QByteArray line(h.cupsBytesPerLine, '\0');
        auto *out = reinterpret_cast<unsigned char *>(line.data());
        for (int y = 0; ok && y < dots.height; ++y) {
            const uchar *row = dots.row(y);
            if (eightBits) {
                const uchar on = blackIsOne ? 255 : 0;
                for (int x = 0; x < dots.width; ++x)
                    out[x] = (row[x >> 3] & (0x80u >> (x & 7))) ? on : uchar(255 - on);
            } else {
                for (int i = 0; i < dots.bytesPerRow; ++i)
                    out[i] = blackIsOne ? row[i] : uchar(~row[i]);
            }
            ok = cupsRasterWritePixels(raster, out, h.cupsBytesPerLine) == h.cupsBytesPerLine;
        }
        cupsRasterClose(raster);
        return ok;
    });
}

int CupsPrintSystem::printRaw(const CupsQueue &queue, const QString &title, const QByteArray &data)
{
    return runJob(queue.name, title, CUPS_FORMAT_RAW, [&] {
        return cupsWriteRequestData(CUPS_HTTP_DEFAULT, data.constData(), size_t(data.size())) == HTTP_STATUS_CONTINUE;
    });
}

QString CupsPrintSystem::lastRefusal()
{
    // IPP status codes up to 0x00FF are successes.
    const int status = cupsLastError();
    if (status <= 0x00FF)
        return QString();
    const char *text = cupsLastErrorString();
    return text ? QString::fromUtf8(text) : QStringLiteral("CUPS status 0x%1").arg(status, 4, 16, QChar(u'0'));
}

#pragma GCC diagnostic pop

#else // no libcups: every printer is reached through Qt's printing

struct CupsPrintSystem::Driver
{
};

CupsPrintSystem::CupsPrintSystem() = default;
CupsPrintSystem::~CupsPrintSystem() = default;

bool CupsPrintSystem::available()
{
    return false;
}

std::optional<CupsQueue> CupsPrintSystem::defaultQueue()
{
    return std::nullopt;
}

int CupsPrintSystem::printRaster(const CupsQueue &queue, const QString &, const LabelDots &)
{
    throw LabelError(QStringLiteral("The printer \"%1\" does not take raster jobs.").arg(queue.name));
}

int CupsPrintSystem::printRaw(const CupsQueue &queue, const QString &, const QByteArray &)
{
    throw LabelError(QStringLiteral("The printer \"%1\" does not take raw jobs.").arg(queue.name));
}

QString CupsPrintSystem::lastRefusal()
{
    return QString();
}

#endif

} // namespace output
