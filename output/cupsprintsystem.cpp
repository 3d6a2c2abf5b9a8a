// The one file that speaks to libcups. Built without it (NORVANE_HAVE_CUPS unset, as on
// Windows), it tells that there is no CUPS: no default queue, no jobs of its own.
#include "output/cupsprintsystem.h"

#include "label/labeldots.h"
#include "label/labelerror.h"
#include "label/labellogging.h"
#include "output/printserviceerror.h"

#ifdef NORVANE_HAVE_CUPS
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cups/cups.h>
#include <cups/raster.h>
// The driver's PPD is what a CUPS 2 queue with a driver has to say about the raster it
// takes (resolution, colour space, the driver's own settings); its API is marked
// deprecated in favour of one that does not say that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
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

// Where the scheduler runs, as the staff would name it: empty for this computer (a
// local socket, localhost, a loopback address).
QString serverName()
{
    const QString server = QString::fromUtf8(cupsServer());
    if (server.isEmpty() || server.startsWith(u'/'))
        return QString();
    const QString host = server.startsWith(u'[') ? server.section(u']', 0, 0).mid(1) : server.section(u':', 0, 0);
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || host.startsWith(QLatin1String("127."))
        || host == QLatin1String("::1"))
        return QString();
    return host;
}

// A request about one queue, asking for the attributes named.
ipp_t *printerRequest(ipp_op_t operation, const QString &queue, std::initializer_list<const char *> attributes)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue.toUtf8().constData());
    ipp_t *request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    if (attributes.size() > 0)
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(attributes.size()),
                      nullptr, attributes.begin());
    return request;
}

// Whether the scheduler answers at all: any answer to a small request will do. Asked
// twice, since the shared connection of a scheduler started again fails once.
bool schedulerAnswers()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
        if (response) {
            ippDelete(response);
            return true;
        }
    }
    return false;
}

// Whether the queue exists. Throws PrintServiceError when the scheduler does not answer.
bool queueExists(const QString &queue)
{
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT,
                                    printerRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue, {"printer-name"}), "/");
    if (!response) {
        if (!schedulerAnswers())
            throw PrintServiceError::notAnswering(serverName());
        return true; // it answered after all; the failure is told by whoever asked
    }
    const bool exists = ippGetStatusCode(response) != IPP_STATUS_ERROR_NOT_FOUND;
    ippDelete(response);
    return exists;
}

// After a failed request about a queue: a scheduler that does not answer, or a queue
// that is gone, is told as such (PrintServiceError); otherwise this returns.
void throwIfServiceMissing(const QString &queue)
{
    if (!schedulerAnswers())
        throw PrintServiceError::notAnswering(serverName());
    if (!queue.isEmpty() && !queueExists(queue))
        throw PrintServiceError::queueGone(queue);
}

// The default queue this user names, as libcups looks for it: LPDEST, PRINTER (but
// "lp"), then the Default line of the user's lpoptions and of the server root's. Read
// only to tell which queue is gone when libcups finds no default.
QString namedDefault()
{
    for (const char *variable : {"LPDEST", "PRINTER"}) {
        const QString name = qEnvironmentVariable(variable).trimmed().section(u'/', 0, 0);
        if (!name.isEmpty() && !(name == QLatin1String("lp") && std::strcmp(variable, "PRINTER") == 0))
            return name;
    }
    const QString serverRoot = qEnvironmentVariable("CUPS_SERVERROOT", QStringLiteral("/etc/cups"));
    for (const QString &path : {qEnvironmentVariable("HOME") + QStringLiteral("/.cups/lpoptions"),
                                serverRoot + QStringLiteral("/lpoptions")}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.section(u' ', 0, 0).compare(QLatin1String("Default"), Qt::CaseInsensitive) == 0)
                return line.section(u' ', 1, 1, QString::SectionSkipEmpty).section(u'/', 0, 0);
        }
    }
    return QString();
}

CupsJob::State jobState(int state)
{
    switch (state) {
    case IPP_JSTATE_PENDING: return CupsJob::State::Pending;
    case IPP_JSTATE_HELD: return CupsJob::State::Held;
    case IPP_JSTATE_PROCESSING: return CupsJob::State::Processing;
    case IPP_JSTATE_STOPPED: return CupsJob::State::Stopped;
    case IPP_JSTATE_CANCELED: return CupsJob::State::Cancelled;
    case IPP_JSTATE_ABORTED: return CupsJob::State::Aborted;
    case IPP_JSTATE_COMPLETED: return CupsJob::State::Completed;
    default: return CupsJob::State::Gone;
    }
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
    if (status == HTTP_STATUS_NOT_FOUND) { // a queue without a PPD passes jobs on unchanged, if it exists
        if (!queueExists(printerName))
            throw PrintServiceError::queueGone(printerName);
        forget();
        raw = true;
        input = CupsQueue::Input::Raw;
        return;
    }
    if (status != HTTP_STATUS_OK) {
        const QString why = lastCupsError();
        throwIfServiceMissing(printerName);
        throw LabelError(QCoreApplication::translate("output::CupsPrintSystem",
                                                     "The driver of the printer \"%1\" cannot be read: %2")
                             .arg(printerName, why));
    }
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
        throwIfServiceMissing(printer);
        throw LabelError(
            QCoreApplication::translate("output::CupsPrintSystem", "The printer \"%1\" refused the print job: %2")
                .arg(printer, why));
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
            throw LabelError(
                QCoreApplication::translate("output::CupsPrintSystem", "No raster page can be made for this label: %1")
                    .arg(lastCupsError()));
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
    if (!dest) {
        // libcups says the same of a scheduler that does not answer, of a default
        // queue that is gone and of none set up; only the last is no default printer.
        if (!schedulerAnswers())
            throw PrintServiceError::notAnswering(serverName());
        QString named = namedDefault();
        if (named.isEmpty())
            named = m_lastQueue;
        if (!named.isEmpty() && !queueExists(named))
            throw PrintServiceError::queueGone(named);
        return std::nullopt;
    }
    CupsQueue queue;
    queue.name = QString::fromUtf8(dest->name);
    m_lastQueue = queue.name;
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
        throw LabelError(
            QCoreApplication::translate("output::CupsPrintSystem", "The printer \"%1\" does not take raster jobs.")
                .arg(queue.name));
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

CupsJob CupsPrintSystem::job(int jobId)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/jobs/%d", jobId);
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char *const wanted[] = {"job-state", "job-printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response) {
        const QString why = lastCupsError();
        throwIfServiceMissing(QString());
        throw LabelError(QCoreApplication::translate("output::CupsPrintSystem",
                                                     "The print service did not tell what became of print job %1: %2")
                             .arg(jobId)
                             .arg(why));
    }
    CupsJob result;
    if (ippGetStatusCode(response) != IPP_STATUS_ERROR_NOT_FOUND) {
        if (ipp_attribute_t *state = ippFindAttribute(response, "job-state", IPP_TAG_ENUM))
            result.state = jobState(ippGetInteger(state, 0));
        if (ipp_attribute_t *message = ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT))
            result.printerMessage = QString::fromUtf8(ippGetString(message, 0, nullptr));
    }
    ippDelete(response);
    return result;
}

bool CupsPrintSystem::cancelJob(const QString &queue, int jobId)
{
    if (cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), jobId, 0) <= IPP_STATUS_OK_CONFLICTING)
        return true;
    const QString why = lastCupsError();
    // Refused: most likely because it is no longer there to cancel.
    switch (job(jobId).state) {
    case CupsJob::State::Completed: return false;
    case CupsJob::State::Cancelled:
    case CupsJob::State::Aborted:
    case CupsJob::State::Gone: return true;
    default: break;
    }
    throw LabelError(
        QCoreApplication::translate("output::CupsPrintSystem", "The print job %1 on \"%2\" could not be cancelled: %3")
            .arg(jobId)
            .arg(queue, why));
}

QList<CupsWaitingJob> CupsPrintSystem::waitingJobs(const QString &queue)
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
    if (n < 0) {
        const QString why = lastCupsError();
        throwIfServiceMissing(queue);
        throw LabelError(QCoreApplication::translate("output::CupsPrintSystem",
                                                     "The print service did not list the jobs of \"%1\": %2")
                             .arg(queue, why));
    }
    // The scheduler's clock, which made the jobs' times (it may run on another host).
    time_t now = std::time(nullptr);
    if (ipp_t *response = cupsDoRequest(
            CUPS_HTTP_DEFAULT, printerRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue, {"printer-up-time"}), "/")) {
        if (ipp_attribute_t *upTime = ippFindAttribute(response, "printer-up-time", IPP_TAG_INTEGER))
            now = ippGetInteger(upTime, 0);
        ippDelete(response);
    }
    QList<CupsWaitingJob> waiting;
    for (int i = 0; i < n; ++i) {
        const ipp_jstate_t state = jobs[i].state;
        if (state != IPP_JSTATE_PENDING && state != IPP_JSTATE_PROCESSING && state != IPP_JSTATE_STOPPED)
            continue;
        const bool begun = state != IPP_JSTATE_PENDING && jobs[i].processing_time > 0;
        waiting.append({jobs[i].id, qint64(now - jobs[i].creation_time), begun,
                        begun ? qint64(now - jobs[i].processing_time) : 0});
    }
    cupsFreeJobs(n, jobs);
    std::sort(waiting.begin(), waiting.end(),
              [](const CupsWaitingJob &a, const CupsWaitingJob &b) { return a.ageSeconds > b.ageSeconds; });
    return waiting;
}

QString CupsPrintSystem::printerState(const QString &queue)
{
    ipp_t *response = cupsDoRequest(
        CUPS_HTTP_DEFAULT,
        printerRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue, {"printer-state-message", "printer-state-reasons"}), "/");
    if (!response)
        return QString();
    QString message;
    if (ipp_attribute_t *text = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
        message = QString::fromUtf8(ippGetString(text, 0, nullptr));
    QStringList reasons;
    if (ipp_attribute_t *keywords = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD)) {
        for (int i = 0; i < ippGetCount(keywords); ++i) {
            const QString reason = QString::fromUtf8(ippGetString(keywords, i, nullptr));
            if (reason != QLatin1String("none"))
                reasons << reason;
        }
    }
    ippDelete(response);
    if (!reasons.isEmpty())
        message += (message.isEmpty() ? QString() : QStringLiteral(" "))
            + QStringLiteral("(%1)").arg(reasons.join(u' '));
    return message;
}

void CupsPrintSystem::requireQueue(const QString &queue)
{
    throwIfServiceMissing(queue);
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
    throw LabelError(
        QCoreApplication::translate("output::CupsPrintSystem", "The printer \"%1\" does not take raster jobs.")
            .arg(queue.name));
}

int CupsPrintSystem::printRaw(const CupsQueue &queue, const QString &, const QByteArray &)
{
    throw LabelError(
        QCoreApplication::translate("output::CupsPrintSystem", "The printer \"%1\" does not take raw jobs.")
            .arg(queue.name));
}

CupsJob CupsPrintSystem::job(int jobId)
{
    throw LabelError(
        QCoreApplication::translate("output::CupsPrintSystem", "Print job %1 cannot be followed without CUPS.")
            .arg(jobId));
}

bool CupsPrintSystem::cancelJob(const QString &, int)
{
    return true;
}

QList<CupsWaitingJob> CupsPrintSystem::waitingJobs(const QString &)
{
    return {};
}

QString CupsPrintSystem::printerState(const QString &)
{
    return QString();
}

void CupsPrintSystem::requireQueue(const QString &)
{
}

QString CupsPrintSystem::lastRefusal()
{
    return QString();
}

#endif

} // namespace output
