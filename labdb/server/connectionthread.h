#pragma once

#include <QThread>

class QTcpSocket;

namespace labdb::tds {

class BatchLog;
class TlsContext;
struct ServerConfig;

// Serves one client socket on its own thread, with its own TdsConnection and so
// its own database session: a slow client never holds up another. Carries the
// connection's TLS: the handshake inside PRELOGIN packets, then the login alone
// or everything encrypted, as the pre-login agreed.
class ConnectionThread : public QThread
{
    Q_OBJECT
public:
    // tls: the server's certificate, or null when it offers no encryption.
    ConnectionThread(qintptr socketDescriptor, const ServerConfig &config, BatchLog &log, int number,
                     const TlsContext *tls, QObject *parent = nullptr);

protected:
    void run() override;

private:
    void serve();
    void stall();
    // Reads and drops whatever arrives until the client closes or the server stops.
    void drainUntilClosed(QTcpSocket &socket);

    qintptr m_socketDescriptor;
    const ServerConfig &m_config;
    BatchLog &m_log;
    int m_number;
    const TlsContext *m_tls;
};

} // namespace labdb::tds
