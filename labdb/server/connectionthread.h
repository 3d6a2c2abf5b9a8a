#pragma once

#include <QThread>

class QTcpSocket;

namespace labdb::tds {

class BatchLog;
struct ServerConfig;

// Serves one client socket on its own thread, with its own TdsConnection and so
// its own database session: a slow client never holds up another.
class ConnectionThread : public QThread
{
    Q_OBJECT
public:
    ConnectionThread(qintptr socketDescriptor, const ServerConfig &config, BatchLog &log, int number,
                     QObject *parent = nullptr);

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
};

} // namespace labdb::tds
