#pragma once

#include "labdb/server/batchlog.h"
#include "labdb/server/serverconfig.h"

#include <QList>
#include <QPointer>
#include <QTcpServer>

#include <memory>

namespace labdb::tds {

class ConnectionThread;
class TlsContext;

// Listens for clients and gives each its own ConnectionThread.
class TdsServer : public QTcpServer
{
    Q_OBJECT
public:
    TdsServer(ServerConfig config, const QString &logPath, QObject *parent = nullptr);
    ~TdsServer() override;

    // Opens the log; false with a reason when it cannot be written.
    bool openLog(QString *error);
    // Loads the certificate and key when the configuration names them; false
    // with a reason when they cannot be used.
    bool loadCertificate(QString *error);
    const ServerConfig &config() const { return m_config; }

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    ServerConfig m_config;
    BatchLog m_log;
    std::unique_ptr<TlsContext> m_tls;
    int m_connections = 0;
    QList<QPointer<ConnectionThread>> m_threads;
};

} // namespace labdb::tds
