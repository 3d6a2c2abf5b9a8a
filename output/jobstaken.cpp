// The printer check: whether the printer took the print jobs of a label job, and
// whether the default queue is already stuck before a print run adds to it.
#include "output/jobstaken.h"

#include "label/labellogging.h"
#include "output/labeloutput.h"
#include "output/printserviceerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace output {

using label::lcPrint;

namespace {

// How long to wait before asking again, by the time since the jobs last moved on: a
// job a printer takes is done within tens of milliseconds, so it is asked for often
// at first (one small request to the scheduler each time), then less and less.
unsigned long pollMicroseconds(qint64 sinceProgressMs)
{
    if (sinceProgressMs < 300)
        return 2000;
    if (sinceProgressMs < 1000)
        return 10000;
    return 25000;
}

QString secondsText(double seconds)
{
    return seconds == 1 ? QCoreApplication::translate("output::JobsTaken", "1 second")
                        : QCoreApplication::translate("output::JobsTaken", "%1 seconds").arg(seconds);
}

QString lostJobText(CupsJob::State state, const QString &queue, const QString &printerMessage)
{
    switch (state) {
    case CupsJob::State::Cancelled:
        return QCoreApplication::translate(
                   "output::JobsTaken",
                   "A sticker's print job was cancelled in the print queue \"%1\" before the printer took "
                   "it, so it did not print.")
            .arg(queue);
    case CupsJob::State::Aborted:
        return QCoreApplication::translate(
                   "output::JobsTaken",
                   "The print service gave up a sticker's print job on \"%1\"%2, so it did not print. Ask "
                   "IT to look at the print queue (lpstat -p %1).")
            .arg(queue, printerMessage.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(printerMessage));
    default:
        return QCoreApplication::translate(
                   "output::JobsTaken",
                   "A sticker's print job vanished from the print queue \"%1\" before the printer took it, "
                   "so it did not print.")
            .arg(queue);
    }
}

} // namespace

JobsTaken LabelOutput::waitUntilTaken(const QList<PrintedJob> &jobs, const std::function<void()> &yield)
{
    JobsTaken taken;
    if (m_pdfFolder || !CupsPrintSystem::available() || !(m_destination.takeJobSeconds > 0))
        return taken;
    QList<PrintedJob> followed;
    for (const PrintedJob &job : jobs)
        if (job.jobId > 0 && !job.printer.isEmpty())
            followed.append(job);
    if (followed.isEmpty())
        return taken;
    taken.printer = followed.first().printer;
    const qint64 boundMs = qint64(std::ceil(m_destination.takeJobSeconds * 1000));

    QElapsedTimer sinceProgress;
    sinceProgress.start();
    // The followed job's state when last asked; Gone: not asked yet (a job that is
    // gone ends the following).
    CupsJob::State seen = CupsJob::State::Gone;
    try {
        for (qsizetype i = 0; i < followed.size();) {
            const PrintedJob &followedJob = followed.at(i);
            const CupsJob job = m_cups.job(followedJob.jobId);
            switch (job.state) {
            case CupsJob::State::Completed:
                ++i;
                seen = CupsJob::State::Gone;
                sinceProgress.restart();
                continue;
            case CupsJob::State::Cancelled:
            case CupsJob::State::Aborted:
            case CupsJob::State::Gone:
                // A job that went with its queue is the queue's loss, told as such.
                m_cups.requireQueue(followedJob.printer);
                taken.status = JobsTaken::Status::Failed;
                taken.message = lostJobText(job.state, followedJob.printer, job.printerMessage);
                qCWarning(lcPrint).noquote() << "print job" << followedJob.jobId << "on" << followedJob.printer
                                             << "did not print:" << taken.message;
                return taken;
            default: break;
            }
            // Pending to processing is a step forward as well.
            if (seen != CupsJob::State::Gone && seen != job.state)
                sinceProgress.restart();
            seen = job.state;
            if (sinceProgress.elapsed() >= boundMs) {
                taken.status = JobsTaken::Status::NotAnswering;
                for (qsizetype k = i; k < followed.size(); ++k)
                    taken.waiting.append(followed.at(k).jobId);
                taken.message = m_cups.printerState(followedJob.printer);
                if (taken.message.isEmpty())
                    taken.message = job.printerMessage;
                qCWarning(lcPrint).noquote()
                    << "printer" << followedJob.printer << "took no job for" << m_destination.takeJobSeconds
                    << (m_destination.takeJobSeconds == 1 ? "second" : "seconds") << "- jobs waiting:" << taken.waiting
                    << "- the queue says:" << taken.message;
                return taken;
            }
            if (yield)
                yield();
            QThread::usleep(pollMicroseconds(sinceProgress.elapsed()));
        }
    } catch (const PrintServiceError &e) {
        taken.status = JobsTaken::Status::ServiceMissing;
        taken.message = e.description();
        qCWarning(lcPrint).noquote() << "print jobs on" << taken.printer << "not followed to the end:" << taken.message;
    } catch (const label::LabelError &e) {
        // The scheduler answers, yet not about the job: it cannot be said to have printed.
        taken.status = JobsTaken::Status::Failed;
        taken.message = e.description();
        qCWarning(lcPrint).noquote() << "print jobs on" << taken.printer << "not followed to the end:" << taken.message;
    }
    return taken;
}

bool LabelOutput::cancelJobs(const QList<PrintedJob> &jobs)
{
    bool nonePrinted = true;
    if (!CupsPrintSystem::available())
        return nonePrinted;
    for (const PrintedJob &job : jobs) {
        if (job.jobId <= 0 || job.printer.isEmpty())
            continue;
        if (!m_cups.cancelJob(job.printer, job.jobId)) {
            nonePrinted = false;
            qCInfo(lcPrint) << "print job" << job.jobId << "on" << job.printer << "had printed before it was cancelled";
        }
    }
    return nonePrinted;
}

QString LabelOutput::stuckQueueProblem(const QString &queue)
{
    const double bound = m_destination.takeJobSeconds;
    if (!(bound > 0))
        return QString();
    // Stuck: the job the queue works on has taken longer than the bound, or jobs older
    // than the bound wait with none being worked on. A queue working through a
    // backlog (copies printed through Qt's printing, which the check does not follow)
    // is not stuck. Times are whole seconds of the scheduler's clock: one more than
    // the bound is surely longer than the bound.
    QList<CupsWaitingJob> waiting;
    try {
        waiting = m_cups.waitingJobs(queue);
    } catch (const PrintServiceError &) {
        throw;
    } catch (const label::LabelError &e) {
        // A scheduler that will not list the queue's jobs to this user stops no print run.
        qCWarning(lcPrint).noquote() << "the queue" << queue << "is not checked for stuck jobs:" << e.description();
        return QString();
    }
    const auto longer = [bound](qint64 seconds) { return seconds >= bound + 1; };
    const bool working = std::any_of(waiting.cbegin(), waiting.cend(), [](const CupsWaitingJob &j) { return j.begun; });
    const bool stuckOnOne = std::any_of(waiting.cbegin(), waiting.cend(),
                                        [&](const CupsWaitingJob &j) { return j.begun && longer(j.begunSeconds); });
    const qsizetype stuck = std::count_if(waiting.cbegin(), waiting.cend(),
                                          [&](const CupsWaitingJob &j) { return longer(j.ageSeconds); });
    if (!(stuckOnOne || (!working && stuck > 0)))
        return QString();
    const QString jobs = stuck == 1
        ? QCoreApplication::translate("output::JobsTaken", "1 print job has")
        : QCoreApplication::translate("output::JobsTaken", "%n print jobs have", nullptr, int(stuck));
    return QCoreApplication::translate(
               "output::JobsTaken",
               "The label printer \"%1\" is not answering: %2 been waiting in its print queue for more "
               "than %3. Nothing was printed. Check that the printer is switched on, connected and has "
               "labels; what waits prints as soon as it answers. Then print again. (IT: lpstat -o %1 "
               "lists the waiting jobs, cancel -a %1 removes them.)")
        .arg(queue, jobs, secondsText(bound));
}

} // namespace output
