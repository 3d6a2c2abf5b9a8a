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

bool RawTdsClient::login(const QString &user, const QString &password, const QString &database, int packetSize,
                         quint32 tdsVersion)
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
    qToLittleEndian<quint32>(tdsVersion, p + 4);
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
    m_loginReply = reply;
    // A server that refuses says so with an ERROR and a DONE with the error bit.
    const QList<Token> tokens = tokensBeforeRows(reply, tdsVersion >= 0x72000000 ? 8 : 4);
    if (tokens.isEmpty() || tokens.last().type != 0xFD || (tokens.last().status & 0x0002))
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

namespace {
QString usVarChar(const QByteArray &b, qsizetype &at, int lengthBytes)
{
    if (at + lengthBytes > b.size())
        return {};
    const int chars = lengthBytes == 2 ? qFromLittleEndian<quint16>(b.constData() + at) : quint8(b.at(at));
    at += lengthBytes;
    if (at + 2 * chars > b.size())
        return {};
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData() + at), chars);
    at += 2 * chars;
    return text;
}
} // namespace

RawTdsClient::Token RawTdsClient::doneAt(const QByteArray &tokens, qsizetype end, int countBytes)
{
    Token t;
    const qsizetype at = end - (5 + countBytes);
    if (at < 0 || end > tokens.size())
        return t;
    t.type = quint8(tokens.at(at));
    t.status = qFromLittleEndian<quint16>(tokens.constData() + at + 1);
    t.command = qFromLittleEndian<quint16>(tokens.constData() + at + 3);
    t.count = countBytes == 8 ? qFromLittleEndian<quint64>(tokens.constData() + at + 5)
                              : qFromLittleEndian<quint32>(tokens.constData() + at + 5);
    return t;
}

QList<RawTdsClient::Token> RawTdsClient::tokensBeforeRows(const QByteArray &b, int countBytes)
{
    QList<Token> list;
    qsizetype at = 0;
    while (at < b.size()) {
        Token t;
        t.type = quint8(b.at(at));
        if (t.type == 0x81) {
            list.append(t);
            break;
        }
        if (t.type >= 0xFD) {
            t = doneAt(b, at + 5 + countBytes, countBytes);
            at += 5 + countBytes;
        } else if (at + 5 > b.size()) {
            break;
        } else if (t.type == 0x79) {
            t.number = qFromLittleEndian<qint32>(b.constData() + at + 1);
            at += 5;
        } else if (t.type == 0xAA || t.type == 0xAB || t.type == 0xAD || t.type == 0xE3) {
            const quint16 length = qFromLittleEndian<quint16>(b.constData() + at + 1);
            qsizetype p = at + 3;
            if (p + length > b.size())
                break;
            if ((t.type == 0xAA || t.type == 0xAB) && length >= 14) {
                t.number = qFromLittleEndian<qint32>(b.constData() + p);
                t.state = quint8(b.at(p + 4));
                t.severity = quint8(b.at(p + 5));
                p += 6;
                t.message = usVarChar(b, p, 2);
                usVarChar(b, p, 1); // server
                t.procedure = usVarChar(b, p, 1);
                t.line = qFromLittleEndian<qint32>(b.constData() + p);
            } else if (t.type == 0xAD && length >= 5) {
                t.version = qFromBigEndian<quint32>(b.constData() + p + 1);
            } else {
                t.envType = quint8(b.at(p));
            }
            at += 3 + length;
        } else {
            break; // a token this client does not know
        }
        list.append(t);
    }
    return list;
}
