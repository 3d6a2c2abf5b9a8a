#include "app/logfile.h"

#include "app/applogging.h"

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
    file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Local time with its offset from UTC, so that lines compare across a change of
    // daylight saving time and with the server's own logs.
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = (now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs) + u' '
                             + QLatin1String(context.category ? context.category : "default") + u' '
                             + QLatin1String(levelName(type)) + QLatin1String(": ") + message + u'\n')
                                .toUtf8();
    LogFile &log = logFile();
    {
        const QMutexLocker lock(&log.mutex);
        if (log.file.isOpen()) {
            if (log.file.size() > 0 && log.file.size() + line.size() > kLogFileMaxBytes)
                rotate(log.file);
            if (log.file.isOpen()) {
                log.file.write(line);
                log.file.flush();
            }
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
        QDir().mkpath(QFileInfo(target).absolutePath());
        log.file.setFileName(target);
        log.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
    if (!log.installed) {
        log.previous = qInstallMessageHandler(handleMessage);
        log.installed = true;
    }
    if (!log.file.isOpen())
        qCWarning(lcApp, "The log file %s cannot be written: %s", qUtf8Printable(QDir::toNativeSeparators(target)),
                  qUtf8Printable(log.file.errorString()));
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
}

} // namespace app
