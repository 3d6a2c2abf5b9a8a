#include "labdb/server/connectionthread.h"

#include "labdb/server/batchlog.h"
#include "labdb/server/serverconfig.h"
#include "labdb/server/tdsconnection.h"
#include "labdb/server/tdsmessagereader.h"
#include "labdb/server/tdsprotocolerror.h"
#include "labdb/server/tlschannel.h"

#include <QTcpSocket>

#include <memory>

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
                                   const TlsContext *tls, QObject *parent)
    : QThread(parent)
    , m_socketDescriptor(socketDescriptor)
    , m_config(config)
    , m_log(log)
    , m_number(number)
    , m_tls(tls)
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
    TdsConnection connection(m_config, m_log, m_number, m_tls != nullptr);
    TdsMessageReader reader;

    // Where the connection's bytes are: packets in clear, a TLS handshake carried
    // in PRELOGIN packets, or TLS records (everything, or the login alone).
    enum class Stage { Plain, Handshake, Encrypted };
    Stage stage = Stage::Plain;
    TdsConnection::Encryption agreed = TdsConnection::Encryption::None;
    std::unique_ptr<TlsChannel> tls;
    quint8 handshakePacketId = 1;

    // Reads what has arrived within waitMs into the reader, decrypted where it is
    // encrypted; false once the client has gone.
    const auto receive = [&](int waitMs) {
        if (!socket.waitForReadyRead(waitMs))
            return socket.state() == QAbstractSocket::ConnectedState;
        const QByteArray bytes = socket.readAll();
        if (stage == Stage::Encrypted) {
            tls->receive(bytes);
            reader.append(tls->read());
        } else {
            reader.append(bytes);
        }
        return true;
    };
    const auto send = [&](const QByteArray &bytes) {
        if (stage != Stage::Encrypted)
            return writeAll(socket, bytes);
        tls->write(bytes);
        return writeAll(socket, tls->takeOutgoing());
    };
    // While a command waits, the client may only cancel it: an attention
    // packet, which the command takes. The client going, or the server
    // stopping, ends the wait too.
    connection.setAttentionWatch([&] {
        if (isInterruptionRequested() || !receive(20))
            return true;
        if (auto message = reader.next()) {
            if (message->type != Attention)
                throw TdsProtocolError("a request while another was running");
            return true;
        }
        return false;
    });

    try {
        while (!isInterruptionRequested() && socket.state() == QAbstractSocket::ConnectedState) {
            if (!receive(kWaitSliceMs))
                break;
            while (auto message = reader.next()) {
                if (stage == Stage::Handshake) {
                    // The client's handshake messages come inside PRELOGIN packets,
                    // and the server's go back the same way.
                    if (message->type != PreLogin)
                        throw TdsProtocolError("a request in the middle of the TLS handshake");
                    tls->receive(message->payload);
                    const bool done = tls->handshake();
                    const QByteArray out = tls->takeOutgoing();
                    if (!out.isEmpty()
                        && !writeAll(socket,
                                     framePackets(PreLogin, out, 4096, quint16(50 + m_number), handshakePacketId))) {
                        socket.abort();
                        break;
                    }
                    if (done) {
                        m_log.write(m_number, QStringLiteral("TLS"),
                                    agreed == TdsConnection::Encryption::Full ? QStringLiteral("everything encrypted")
                                                                              : QStringLiteral("login encrypted"));
                        // From here on TLS records come bare, not in packets.
                        stage = Stage::Encrypted;
                        connection.setEncryption(agreed);
                        tls->receive(reader.takePending());
                        reader.append(tls->read());
                    }
                    continue;
                }
                const bool loginOnly = stage == Stage::Encrypted && message->type == LoginRequest
                    && agreed == TdsConnection::Encryption::LoginOnly;
                const TdsConnection::Answer answer = connection.handle(*message);
                // The login alone was encrypted: its answer and everything after go in clear.
                if (loginOnly) {
                    stage = Stage::Plain;
                    tls.reset();
                }
                if (!send(answer.bytes) || answer.close) {
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
                if (answer.startTls != TdsConnection::Encryption::None && m_tls) {
                    agreed = answer.startTls;
                    tls = std::make_unique<TlsChannel>(*m_tls);
                    stage = Stage::Handshake;
                }
            }
        }
    } catch (const TdsProtocolError &e) {
        m_log.write(m_number, QStringLiteral("CLOSE"),
                    QStringLiteral("protocol error: %1").arg(QString::fromUtf8(e.what())));
        socket.abort();
        return;
    } catch (const std::runtime_error &e) {
        // TLS refused by the client (a certificate it does not trust, say).
        m_log.write(m_number, QStringLiteral("CLOSE"), QString::fromUtf8(e.what()));
        socket.abort();
        return;
    }
    m_log.write(m_number, QStringLiteral("CLOSE"));
}

} // namespace labdb::tds
