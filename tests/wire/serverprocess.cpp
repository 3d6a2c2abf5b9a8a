#include "wire/serverprocess.h"

#include "labdb/server/batchlog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>

#include <signal.h>

bool ServerProcess::start(const QString &databasePath, const QStringList &extraArguments, quint16 port)
{
    QTemporaryFile log;
    log.setAutoRemove(false);
    if (!log.open()) {
        m_error = QStringLiteral("cannot make a log file");
        return false;
    }
    m_logPath = log.fileName();
    QStringList arguments{QStringLiteral("--port"),       QString::number(port),
                          QStringLiteral("--database"),   databasePath,
                          QStringLiteral("--user"),       QString::fromUtf16(kUser),
                          QStringLiteral("--password"),   QString::fromUtf16(kPassword),
                          QStringLiteral("--log"),        m_logPath,
                          QStringLiteral("--watch-stdin")};
    arguments += extraArguments;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // NORVANE_LABDB_SERVER runs the tests against another build of the server.
    const QString program = qEnvironmentVariable("NORVANE_LABDB_SERVER", QStringLiteral(LABDB_SERVER));
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"));
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            const QRegularExpressionMatch m = listening.match(line);
            if (m.hasMatch()) {
                m_port = quint16(m.captured(1).toUInt());
                return true;
            }
        }
    }
    m_error = QStringLiteral("labdb-server did not report its port: %1")
                  .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
    return false;
}

ServerProcess::~ServerProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    if (!m_logPath.isEmpty())
        QFile::remove(m_logPath);
}

bool ServerProcess::closeInputAndWait()
{
    m_process.closeWriteChannel();
    return m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

namespace {
// Whether every thread of the process has stopped: a signal takes effect only
// when each thread next runs, which on a busy machine can be after the next
// request has already been answered.
bool allThreadsStopped(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (ids.isEmpty())
        return false;
    for (const QString &id : ids) {
        QFile stat(tasks.filePath(id + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        // "<tid> (<name>) <state> ...": the state follows the last parenthesis.
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0 || close + 2 >= line.size())
            return false;
        const char state = line.at(close + 2);
        if (state != 'T' && state != 't')
            return false;
    }
    return true;
}
} // namespace

bool ServerProcess::hold()
{
    const qint64 pid = m_process.processId();
    if (pid <= 0 || ::kill(pid_t(pid), SIGSTOP) != 0)
        return false;
    const QDeadlineTimer deadline(10000);
    while (!allThreadsStopped(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

bool ServerProcess::release()
{
    return m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), SIGCONT) == 0;
}

QString ServerProcess::serverSetting() const
{
    return QStringLiteral("127.0.0.1,%1").arg(m_port);
}

QStringList ServerProcess::loggedRequests() const
{
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // "<time> #<connection> <kind> <text>"
    static const QRegularExpression line(QStringLiteral("^\\S+ #\\d+ (.*)$"));
    QStringList requests;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(raw));
        if (m.hasMatch())
            requests.append(labdb::tds::BatchLog::unescape(m.captured(1)));
    }
    return requests;
}
