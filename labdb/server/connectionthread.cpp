#include "labdb/server/connectionthread.h"

#include "labdb/server/batchlog.h"
#include "labdb/server/serverconfig.h"
#include "labdb/server/tdsconnection.h"
#include "labdb/server/tdsmessagereader.h"
#include "labdb/server/tdsprotocolerror.h"

#include <QTcpSocket>

namespace labdb::tds {

namespace {
// Blocking waits are cut into slices so that the thread notices when the
// server asks it to stop.
constexpr int kWaitSliceMs = 250;
constexpr int kWriteTimeoutMs = 30000;

bool writeAll(QTcpSocket &socket, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    if (socket.write(bytes) != bytes.size())
        return false;
    QDeadlineTimer deadline(kWriteTimeoutMs);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kWaitSliceMs)
            && (socket.state() != QAbstractSocket::ConnectedState || deadline.hasExpired()))
            return false;
    }
    return true;
}
} // namespace

ConnectionThread::ConnectionThread(qintptr socketDescriptor, const ServerConfig &config, BatchLog &log, int number,
                                   QObject *parent)
    : QThread(parent)
    , m_socketDescriptor(socketDescriptor)
    , m_config(config)
    , m_log(log)
    , m_number(number)
{
}

void ConnectionThread::run()
{
    if (m_config.stall)
        stall();
    else
        serve();
}

void ConnectionThread::stall()
{
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(m_socketDescriptor))
        return;
    drainUntilClosed(socket);
}

void ConnectionThread::drainUntilClosed(QTcpSocket &socket)
{
    while (!isInterruptionRequested() && socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.waitForReadyRead(kWaitSliceMs))
            socket.readAll();
    }
}

void ConnectionThread::serve()
{
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(m_socketDescriptor))
        return;
    TdsConnection connection(m_config, m_log, m_number);
    TdsMessageReader reader;
    try {
        while (!isInterruptionRequested() && socket.state() == QAbstractSocket::ConnectedState) {
            if (!socket.waitForReadyRead(kWaitSliceMs)) {
                if (socket.state() != QAbstractSocket::ConnectedState)
                    break;
                continue;
            }
            reader.append(socket.readAll());
            while (auto message = reader.next()) {
                const TdsConnection::Answer answer = connection.handle(*message);
                if (!writeAll(socket, answer.bytes) || answer.close) {
                    socket.abort();
                    break;
                }
                if (answer.stall) {
                    // As a server that hangs: the connection stays open, whatever
                    // arrives is read and dropped, nothing is answered. When the
                    // client goes, its open transaction is rolled back as usual.
                    drainUntilClosed(socket);
                    break;
                }
            }
        }
    } catch (const TdsProtocolError &e) {
        m_log.write(m_number, QStringLiteral("CLOSE"),
                    QStringLiteral("protocol error: %1").arg(QString::fromUtf8(e.what())));
        socket.abort();
        return;
    }
    m_log.write(m_number, QStringLiteral("CLOSE"));
}

} // namespace labdb::tds
