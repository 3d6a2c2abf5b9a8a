#include "common/privatecups.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <vector>

namespace testsupport {

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    return probe.serverPort();
}

} // namespace

// ---- LabelSink ---------------------------------------------------------------------

LabelSink::LabelSink()
{
    if (::pipe2(m_wake, O_CLOEXEC) != 0 || !listen())
        return;
    m_thread = std::thread([this] { run(); });
}

LabelSink::~LabelSink()
{
    if (m_thread.joinable()) {
        command('x');
        m_thread.join();
    }
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

bool LabelSink::listen()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(m_port); // 0 the first time: a free port
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listen, 64) != 0
        || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (m_listen >= 0)
            ::close(m_listen);
        m_listen = -1;
        m_listening = false;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_listening = true;
    return true;
}

void LabelSink::command(char c)
{
    [[maybe_unused]] const auto written = ::write(m_wake[1], &c, 1);
    ++m_commandsSent;
    if (c == 'x')
        return;
    while (m_commandsDone < m_commandsSent)
        QThread::usleep(200);
}

void LabelSink::refuse()
{
    if (m_thread.joinable())
        command('c');
}

bool LabelSink::accept()
{
    if (m_thread.joinable())
        command('o');
    return m_listening;
}

void LabelSink::run()
{
    std::map<int, QByteArray> open; // connection -> bytes so far
    char buffer[65536];
    while (true) {
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}}; // a negative fd is left out
        for (const auto &[fd, bytes] : open)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents) {
            char c = 'x';
            if (::read(m_wake[0], &c, 1) != 1 || c == 'x')
                break;
            if (c == 'c' && m_listen >= 0) {
                ::close(m_listen);
                m_listen = -1;
                m_listening = false;
            } else if (c == 'o' && m_listen < 0) {
                listen();
            }
            ++m_commandsDone;
            continue;
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                open[fd];
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                open[fds[i].fd].append(buffer, n);
                continue;
            }
            // The end of a job: the sender has closed its side.
            const qint64 ended = nowNs();
            ::close(fds[i].fd);
            {
                const std::lock_guard lock(m_mutex);
                m_jobs.append({open[fds[i].fd], ended});
            }
            open.erase(fds[i].fd);
        }
    }
    for (const auto &[fd, bytes] : open)
        ::close(fd);
}

QList<LabelSink::Job> LabelSink::jobs() const
{
    const std::lock_guard lock(m_mutex);
    return m_jobs;
}

int LabelSink::jobCount() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_jobs.size());
}

bool LabelSink::waitForJobs(int count, int timeoutMs) const
{
    const qint64 deadline = nowNs() + qint64(timeoutMs) * 1000000;
    while (jobCount() < count) {
        if (nowNs() > deadline)
            return false;
        QThread::usleep(500);
    }
    return true;
}

// ---- PrivateCups -------------------------------------------------------------------

PrivateCups::~PrivateCups()
{
    stop();
}

QString PrivateCups::missingTools()
{
    QStringList missing;
    for (const char *tool : {"lpadmin", "cupsenable", "cupsdisable", "cupsaccept", "cupsreject"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    const QStringList sbin{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    if (QStandardPaths::findExecutable(QStringLiteral("cupsd"), sbin).isEmpty()
        && QStandardPaths::findExecutable(QStringLiteral("cupsd")).isEmpty())
        missing << QStringLiteral("cupsd");
    if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        missing << QStringLiteral("setpriv");
    if (!QFile::exists(QStringLiteral("/usr/share/cups/mime/mime.types")))
        missing << QStringLiteral("/usr/share/cups/mime");
    return missing.isEmpty() ? QString() : missing.join(QStringLiteral(", ")) + QStringLiteral(" (package cups)");
}

bool PrivateCups::start(QString &error, const QString &logLevel)
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/norvane-cups-XXXXXX"));
    if (!m_dir->isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    const QDir dir(m_dir->path());
    for (const char *sub : {"conf/ppd", "spool/tmp", "cache", "state", "log", "home"})
        dir.mkpath(QString::fromLatin1(sub));
    const QDir mime(QStringLiteral("/usr/share/cups/mime"));
    for (const QString &name : mime.entryList(QDir::Files))
        QFile::copy(mime.filePath(name), dir.filePath(QStringLiteral("conf/") + name));

    // Never a scheduler with root's rights: as root, it runs as nobody.
    const bool root = ::geteuid() == 0;
    const passwd *pw = root ? ::getpwnam("nobody") : ::getpwuid(::geteuid());
    if (!pw) {
        error = QStringLiteral("no user to run cupsd as");
        return false;
    }
    const group *gr = ::getgrgid(pw->pw_gid);
    m_user = QString::fromLocal8Bit(pw->pw_name);
    const QString groupName = gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(pw->pw_gid);
    m_group = groupName;

    const quint16 port = freePort();
    m_server = QStringLiteral("127.0.0.1:%1").arg(port);
    const QString root_ = dir.path();
    const QByteArray files = QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                                            "CacheDir %1/cache\nStateDir %1/state\nAccessLog %1/log/access_log\n"
                                            "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                                            "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nUser %2\nGroup %3\n")
                                 .arg(root_, m_user, groupName)
                                 .toUtf8();
    const QByteArray conf = QStringLiteral("Listen %1\nBrowsing No\nWebInterface No\nLogLevel %2\n"
                                           "DefaultAuthType None\nDefaultPolicy open\n"
                                           "<Location />\n  Order allow,deny\n  Allow 127.0.0.1\n</Location>\n"
                                           "<Location /admin>\n  Order allow,deny\n  Allow 127.0.0.1\n</Location>\n"
                                           "<Policy open>\n  JobPrivateAccess all\n  JobPrivateValues none\n"
                                           "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
                                           "  <Limit All>\n    Order allow,deny\n    Allow 127.0.0.1\n  </Limit>\n"
                                           "</Policy>\n")
                                .arg(m_server, logLevel)
                                .toUtf8();
    if (!writeFile(dir.filePath(QStringLiteral("conf/cups-files.conf")), files)
        || !writeFile(dir.filePath(QStringLiteral("conf/cupsd.conf")), conf)) {
        error = QStringLiteral("cannot write the configuration");
        return false;
    }
    if (root) {
        QProcess chown;
        chown.start(QStringLiteral("chown"), {QStringLiteral("-R"), m_user + u':' + groupName, dir.path()});
        if (!chown.waitForFinished(10000) || chown.exitCode() != 0) {
            error = QStringLiteral("chown failed");
            return false;
        }
    }

    // This process's libcups: the private scheduler, and no lpoptions of the machine.
    qputenv("CUPS_SERVER", m_server.toUtf8());
    qputenv("CUPS_SERVERROOT", dir.filePath(QStringLiteral("conf")).toUtf8());
    qputenv("HOME", dir.filePath(QStringLiteral("home")).toUtf8());
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    return launch(error);
}

bool PrivateCups::restart(QString &error)
{
    if (!m_dir) {
        error = QStringLiteral("never started");
        return false;
    }
    stop();
    return launch(error);
}

bool PrivateCups::launch(QString &error)
{
    const QDir dir(m_dir->path());
    const bool root = ::geteuid() == 0;
    const quint16 port = quint16(m_server.section(u':', 1).toUInt());
    QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin")});
    if (cupsd.isEmpty())
        cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"));
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("-c"), dir.filePath(QStringLiteral("conf/cupsd.conf")),
                          QStringLiteral("-s"), dir.filePath(QStringLiteral("conf/cups-files.conf"))};
    QString program = cupsd;
    if (root) {
        arguments = QStringList{QStringLiteral("--reuid=") + m_user, QStringLiteral("--regid=") + m_group,
                                QStringLiteral("--clear-groups"), QStringLiteral("--"), cupsd}
            + arguments;
        program = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardOutputFile(dir.filePath(QStringLiteral("log/cupsd.out")));
    process.setStandardErrorFile(dir.filePath(QStringLiteral("log/cupsd.out")), QIODevice::Append);
    if (!process.startDetached(&m_pid)) {
        error = QStringLiteral("cupsd did not start: ") + process.errorString();
        return false;
    }

    for (int i = 0; i < 200; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(100))
            return true;
        if (::kill(pid_t(m_pid), 0) != 0)
            break;
        QThread::msleep(50);
    }
    QFile out(dir.filePath(QStringLiteral("log/cupsd.out")));
    out.open(QIODevice::ReadOnly);
    error = QStringLiteral("cupsd did not come up: ") + QString::fromLocal8Bit(out.readAll()) + errorLog();
    stop();
    return false;
}

void PrivateCups::stop()
{
    if (m_pid > 0) {
        ::kill(pid_t(m_pid), SIGTERM);
        // Started detached, cupsd is no child of this process: it is watched, not reaped.
        for (int i = 0; i < 100 && ::kill(pid_t(m_pid), 0) == 0; ++i)
            QThread::msleep(50);
        if (::kill(pid_t(m_pid), 0) == 0)
            ::kill(pid_t(m_pid), SIGKILL);
        m_pid = 0;
    }
}

bool PrivateCups::run(const QString &program, const QStringList &arguments, QString &error) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), m_server);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = program + u' ' + arguments.join(u' ') + QStringLiteral(": ")
            + QString::fromLocal8Bit(process.readAll()).trimmed() + process.errorString();
        return false;
    }
    return true;
}

bool PrivateCups::addQueue(const QString &name, quint16 port, const QString &driver, const QStringList &options,
                           QString &error) const
{
    QStringList arguments{QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                          QStringLiteral("socket://127.0.0.1:%1").arg(port)};
    if (!driver.isEmpty())
        arguments << QStringLiteral("-m") << driver;
    for (const QString &option : options)
        arguments << QStringLiteral("-o") << option;
    return run(QStringLiteral("lpadmin"), arguments, error);
}

QString PrivateCups::ppdPath(const QString &queue) const
{
    return m_dir ? m_dir->filePath(QStringLiteral("conf/ppd/%1.ppd").arg(queue)) : QString();
}

QString PrivateCups::errorLog() const
{
    if (!m_dir)
        return QString();
    QFile log(m_dir->filePath(QStringLiteral("log/error_log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

} // namespace testsupport
