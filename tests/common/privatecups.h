#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace testsupport {

// A 9100-style network label printer stand-in: listens on a free loopback port, in a
// thread of its own, reads every connection to its end and keeps its bytes and the
// moment the connection ended (std::chrono::steady_clock, nanoseconds). It can be
// unplugged (refuse()) and plugged in again (accept()) on the same port.
class LabelSink
{
public:
    struct Job
    {
        QByteArray bytes;
        qint64 endedNs = 0;
    };

    LabelSink();
    ~LabelSink();
    LabelSink(const LabelSink &) = delete;
    LabelSink &operator=(const LabelSink &) = delete;

    quint16 port() const { return m_port; }
    bool listening() const { return m_listening; }
    // Stops listening, so that connections are refused as by a printer switched off;
    // accept() listens again on the same port. Both return once it is done.
    void refuse();
    bool accept();
    QList<Job> jobs() const;
    int jobCount() const;
    // Waits (without an event loop) until count jobs have ended; false on timeout.
    bool waitForJobs(int count, int timeoutMs) const;

private:
    void run();
    bool listen();
    // Has the sink's thread carry out a command ('c' close, 'o' open, 'x' end) and waits.
    void command(char c);

    int m_listen = -1;
    std::atomic<bool> m_listening = false;
    std::atomic<int> m_commandsDone = 0;
    int m_commandsSent = 0;
    int m_wake[2] = {-1, -1};
    quint16 m_port = 0;
    mutable std::mutex m_mutex;
    QList<Job> m_jobs;
    std::thread m_thread;
};

// A CUPS scheduler of the test's own: configuration, spool, cache and logs in a
// temporary folder, listening on a free loopback port, anyone on loopback allowed to
// administer it. It runs as the current user, never as root: started as root (CI),
// it runs as "nobody". start() points this process's libcups at it (CUPS_SERVER, and
// HOME and CUPS_SERVERROOT so that no lpoptions file of the machine chooses another
// default printer): call it before anything asks CUPS.
class PrivateCups
{
public:
    PrivateCups() = default;
    ~PrivateCups();
    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;

    // Why it cannot run here (a program missing), or empty.
    static QString missingTools();

    // logLevel: cupsd's LogLevel; "info" names every filter that a job runs.
    bool start(QString &error, const QString &logLevel = QStringLiteral("info"));
    void stop();
    // Starts the scheduler again after stop(), on the same port with its queues and
    // the jobs it kept.
    bool restart(QString &error);

    // Runs lpadmin (or another CUPS command line tool) against it.
    bool run(const QString &program, const QStringList &arguments, QString &error) const;
    // A queue sending to a socket on loopback; driver empty: a raw queue.
    bool addQueue(const QString &name, quint16 port, const QString &driver, const QStringList &options,
                  QString &error) const;

    QString server() const { return m_server; }
    QString errorLog() const;
    // The PPD the scheduler keeps for a queue.
    QString ppdPath(const QString &queue) const;
    // The user cupsd runs as.
    QString user() const { return m_user; }

private:
    bool launch(QString &error);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_server;
    QString m_user;
    QString m_group;
    qint64 m_pid = 0;
};

} // namespace testsupport
