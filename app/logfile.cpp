#include "app/logfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <cstdio>

namespace app {

namespace {

struct LogFile
{
    QMutex mutex;
    QFile file;
    QString problem; // the first failure since installed, as the log says it; empty while none
    QString problemPath;
    QString problemWhy;                   // the reason, as the log says it
    const char *problemWhyText = nullptr; // the reason when it is the program's own text
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

LogFile &logFile()
{
    static LogFile log;
    return log;
}

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return "message";
}

// Unbuffered: a line that cannot be written fails at once (and is not kept in a
// buffer that grows while the disk stays full).
bool openForAppending(QFile &file)
{
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered);
}

// norvane.log -> norvane.log.1 -> ... -> norvane.log.<kept>, the oldest dropped.
void rotate(QFile &file)
{
    const QString path = file.fileName();
    file.close();
    QFile::remove(path + QStringLiteral(".%1").arg(kLogFilesKept));
    for (int i = kLogFilesKept - 1; i >= 1; --i)
        QFile::rename(path + QStringLiteral(".%1").arg(i), path + QStringLiteral(".%1").arg(i + 1));
    QFile::rename(path, path + QStringLiteral(".1"));
    file.setFileName(path);
    openForAppending(file);
}

QString lineText(const QString &category, const char *level, const QString &message)
{
    // Local time with its offset from UTC, so that lines compare across a change of
    // daylight saving time and with the server's own logs.
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs) + u' ' + category + u' '
        + QLatin1String(level) + QLatin1String(": ") + message + u'\n';
}

const char kCannotBeWritten[] = QT_TRANSLATE_NOOP("app::LogFile", "The log file %1 cannot be written: %2.");
const char kNoFolder[] = QT_TRANSLATE_NOOP("app::LogFile", "its folder cannot be created");

// Notes the first failure (the caller holds the mutex) and says it on standard
// error, where every line still goes. whyText: why, when it is the program's own text.
void noteProblem(LogFile &log, const QString &path, const QString &why, const char *whyText = nullptr)
{
    if (!log.problem.isEmpty())
        return;
    log.problemPath = QDir::toNativeSeparators(path);
    log.problemWhy = why;
    log.problemWhyText = whyText;
    log.problem = QString::fromUtf8(kCannotBeWritten).arg(log.problemPath, why);
    std::fputs(lineText(QStringLiteral("norvane.app"), "warning",
                        log.problem + QStringLiteral(" What the program logs goes to standard error only."))
                   .toUtf8()
                   .constData(),
               stderr);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray line =
        lineText(QLatin1String(context.category ? context.category : "default"), levelName(type), message).toUtf8();
    LogFile &log = logFile();
    {
        const QMutexLocker lock(&log.mutex);
        if (log.file.isOpen()) {
            if (log.file.size() > 0 && log.file.size() + line.size() > kLogFileMaxBytes)
                rotate(log.file);
            if (!log.file.isOpen())
                noteProblem(log, log.file.fileName(), log.file.errorString());
            else if (log.file.write(line) != line.size())
                noteProblem(log, log.file.fileName(), log.file.errorString());
        }
    }
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString defaultLogFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/norvane.log");
}

QString installLogFile(const QString &path)
{
    const QString target = path.isEmpty() ? defaultLogFilePath() : path;
    LogFile &log = logFile();
    {
        const QMutexLocker lock(&log.mutex);
        log.file.close();
        log.problem.clear();
        log.file.setFileName(target);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()))
            noteProblem(log, target, QString::fromUtf8(kNoFolder), kNoFolder);
        else if (!openForAppending(log.file))
            noteProblem(log, target, log.file.errorString());
    }
    if (!log.installed) {
        log.previous = qInstallMessageHandler(handleMessage);
        log.installed = true;
    }
    return target;
}

void removeLogFile()
{
    LogFile &log = logFile();
    if (log.installed) {
        qInstallMessageHandler(log.previous);
        log.installed = false;
    }
    const QMutexLocker lock(&log.mutex);
    log.file.close();
    log.problem.clear();
}

QString logFileProblem()
{
    LogFile &log = logFile();
    const QMutexLocker lock(&log.mutex);
    if (log.problem.isEmpty())
        return QString();
    // For the staff: in the workstation's language.
    return QCoreApplication::translate("app::LogFile", kCannotBeWritten)
        .arg(log.problemPath,
             log.problemWhyText ? QCoreApplication::translate("app::LogFile", log.problemWhyText) : log.problemWhy);
}

} // namespace app
