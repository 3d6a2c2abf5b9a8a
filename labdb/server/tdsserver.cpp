#include "labdb/server/tdsserver.h"

#include "labdb/server/connectionthread.h"
#include "labdb/server/tlschannel.h"

namespace labdb::tds {

TdsServer::TdsServer(ServerConfig config, const QString &logPath, QObject *parent)
    : QTcpServer(parent)
    , m_config(std::move(config))
    , m_log(logPath)
{
}

TdsServer::~TdsServer()
{
    close();
    for (const QPointer<ConnectionThread> &thread : std::as_const(m_threads)) {
        if (thread) {
            thread->requestInterruption();
            thread->wait();
        }
    }
}

bool TdsServer::openLog(QString *error)
{
    return m_log.open(error);
}

bool TdsServer::loadCertificate(QString *error)
{
    if (m_config.certificatePath.isEmpty())
        return true;
    try {
        m_tls = std::make_unique<TlsContext>(m_config.certificatePath, m_config.keyPath);
        return true;
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        return false;
    }
}

void TdsServer::incomingConnection(qintptr socketDescriptor)
{
    auto *thread = new ConnectionThread(socketDescriptor, m_config, m_log, ++m_connections, m_tls.get(), this);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_threads.removeIf([](const QPointer<ConnectionThread> &t) { return t.isNull(); });
    m_threads.append(thread);
    thread->start();
}

} // namespace labdb::tds
