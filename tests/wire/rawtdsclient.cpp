#include "wire/rawtdsclient.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QtEndian>

namespace {

void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

QByteArray allHeaders()
{
    QByteArray h;
    put32(h, 22); // total length
    put32(h, 18); // this header's length
    put16(h, 2);  // transaction descriptor header
    h.append(8, '\0');
    put32(h, 1); // outstanding requests
    return h;
}

} // namespace

QByteArray RawTdsClient::utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

bool RawTdsClient::connectTo(quint16 port)
{
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return m_socket.waitForConnected(5000);
}

void RawTdsClient::send(quint8 type, const QByteArray &payload, bool trickle)
{
    QByteArray wire;
    const int room = m_packetSize - 8;
    qsizetype at = 0;
    do {
        const qsizetype chunk = qMin<qsizetype>(room, payload.size() - at);
        const bool last = at + chunk >= payload.size();
        char header[8] = {char(type), char(last ? 1 : 0), 0, 0, 0, 0, char(m_packetId++), 0};
        qToBigEndian<quint16>(quint16(chunk + 8), header + 2);
        wire.append(header, 8);
        wire.append(payload.constData() + at, chunk);
        at += chunk;
    } while (at < payload.size());

    if (!trickle) {
        m_socket.write(wire);
        m_socket.waitForBytesWritten(5000);
        return;
    }
    for (qsizetype i = 0, step = 1; i < wire.size(); i += step, step = step % 7 + 1) {
        m_socket.write(wire.mid(i, step));
        m_socket.waitForBytesWritten(5000);
        // Give the server time to read each piece on its own.
        QThread::usleep(200);
    }
}

bool RawTdsClient::login(const QString &user, const QString &password, const QString &database, int packetSize)
{
    QByteArray prelogin;
    // VERSION (6 bytes) and ENCRYPTION (1 byte: not supported), then the terminator.
    prelogin.append(QByteArray::fromHex("00000b0006"
                                        "0100110001"
                                        "ff"
                                        "0c0000000000"
                                        "02"));
    send(0x12, prelogin);
    if (readReply().isEmpty())
        return false;

    QByteArray pw = utf16(password);
    for (char &c : pw) {
        const auto b = quint8(c);
        c = char(quint8((b << 4) | (b >> 4)) ^ 0xA5);
    }
    const QByteArray strings[] = {utf16(QStringLiteral("testhost")),
                                  utf16(user),
                                  pw,
                                  utf16(QStringLiteral("rawtds")),
                                  utf16(QStringLiteral("127.0.0.1")),
                                  QByteArray(),
                                  utf16(QStringLiteral("rawtds")),
                                  QByteArray(),
                                  utf16(database)};
    const int fixed = 94;
    QByteArray body(fixed, '\0');
    QByteArray data;
    auto *p = reinterpret_cast<uchar *>(body.data());
    qToLittleEndian<quint32>(0x74000004, p + 4);
    qToLittleEndian<quint32>(quint32(packetSize), p + 8);
    for (int i = 0; i < 9; ++i) {
        qToLittleEndian<quint16>(quint16(fixed + data.size()), p + 36 + 4 * i);
        qToLittleEndian<quint16>(quint16(strings[i].size() / 2), p + 38 + 4 * i);
        data.append(strings[i]);
    }
    for (int off : {78, 82, 86}) // SSPI, attach-file, change-password: empty at the end
        qToLittleEndian<quint16>(quint16(fixed + data.size()), p + off);
    // The length first: appending may move body, and p with it.
    qToLittleEndian<quint32>(quint32(body.size() + data.size()), p);
    body.append(data);
    send(0x10, body);
    const QByteArray reply = readReply();
    if (reply.isEmpty() || (finalDoneStatus(reply) & 0x0002))
        return false;
    m_packetSize = packetSize;
    return true;
}

void RawTdsClient::sendBatch(const QString &text, bool trickle)
{
    send(0x01, allHeaders() + utf16(text), trickle);
}

void RawTdsClient::sendTransaction(quint16 request)
{
    QByteArray payload = allHeaders();
    put16(payload, request);
    if (request == 5)
        payload.append(QByteArray::fromHex("0000")); // isolation level, empty name
    else
        payload.append(QByteArray::fromHex("0000")); // empty name, no new transaction
    send(0x0E, payload);
}

void RawTdsClient::sendAttention()
{
    char header[8] = {0x06, 0x01, 0, 8, 0, 0, char(m_packetId++), 0};
    m_socket.write(header, 8);
    m_socket.waitForBytesWritten(5000);
}

void RawTdsClient::writeRaw(const QByteArray &bytes)
{
    m_socket.write(bytes);
    m_socket.waitForBytesWritten(5000);
}

QByteArray RawTdsClient::readReply(int timeoutMs)
{
    QByteArray tokens;
    m_lastReplyPackets = 0;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (m_pending.size() >= 8) {
            const quint16 length = qFromBigEndian<quint16>(m_pending.constData() + 2);
            if (length < 8 || m_pending.size() < length)
                break;
            const bool last = m_pending.at(1) & 0x01;
            tokens.append(m_pending.mid(8, length - 8));
            m_pending.remove(0, length);
            ++m_lastReplyPackets;
            if (last)
                return tokens;
        }
        if (m_socket.bytesAvailable() == 0
            && (deadline.hasExpired() || !m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))))
            return {};
        m_pending += m_socket.readAll();
    }
}

quint16 RawTdsClient::finalDoneStatus(const QByteArray &tokens)
{
    // DONE is the last token: FD, status (2), current command (2), row count (8).
    if (tokens.size() < 13 || quint8(tokens.at(tokens.size() - 13)) < 0xFD)
        return 0xFFFF;
    return qFromLittleEndian<quint16>(tokens.constData() + tokens.size() - 12);
}

quint64 RawTdsClient::finalDoneCount(const QByteArray &tokens)
{
    if (tokens.size() < 13)
        return ~quint64(0);
    return qFromLittleEndian<quint64>(tokens.constData() + tokens.size() - 8);
}
