#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A labdb-server started for one test (the build's own, or the program that
// NORVANE_LABDB_SERVER names): on port 0, with the port read from its
// "listening on 127.0.0.1:PORT" line. The process is killed when this goes, and
// it watches its standard input, so it ends with the test even after a crash.
class ServerProcess
{
public:
    static constexpr char16_t kUser[] = u"labuser";
    static constexpr char16_t kPassword[] = u"S3cret;pw={1}";

    // Starts the server on databasePath with the test login and the extra
    // options, on a free port or the one given (to start a server again where one
    // was); false (with the reason in error()) if it does not come up.
    bool start(const QString &databasePath, const QStringList &extraArguments = {}, quint16 port = 0);
    ~ServerProcess();

    quint16 port() const { return m_port; }
    // Ends the server's input; true when it then shuts down cleanly.
    bool closeInputAndWait();
    QString error() const { return m_error; }
    // Stops the server process where it stands (SIGSTOP) and lets it go on
    // (SIGCONT): a server that stops answering while its connections stay open.
    bool hold();
    bool release();
    // "127.0.0.1,PORT": the Server setting that reaches it.
    QString serverSetting() const;
    // The requests logged (kind and text per line, time and connection dropped),
    // e.g. "BATCH Laboratory..Lab_Barcode_GetRequests 'T55C',3"; needs start() to
    // have been given no --log of its own.
    QStringList loggedRequests() const;

private:
    QProcess m_process;
    QString m_logPath;
    QString m_error;
    quint16 m_port = 0;
};
