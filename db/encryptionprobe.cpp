#include "db/encryptionprobe.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QtEndian>
#include <QUdpSocket>

namespace db {

namespace {

constexpr quint16 kDefaultPort = 1433;
constexpr quint16 kBrowserPort = 1434;

// The big-endian 16-bit number at a place the caller has checked lies in the bytes.
quint16 bigEndian16(const QByteArray &bytes, qsizetype at)
{
    return quint16(quint8(bytes.at(at)) << 8 | quint8(bytes.at(at + 1)));
}

// The instance's TCP port from the SQL Server Browser: CLNT_UCAST_INST, the
// answer's "...;tcp;PORT;...". 0 when there is none.
quint16 instancePort(const QString &host, const QString &instance, QDeadlineTimer deadline)
{
    QUdpSocket socket;
    QHostAddress address(host);
    if (address.isNull())
        address = QHostInfo::fromName(host).addresses().value(0);
    if (address.isNull())
        return 0;
    QByteArray request = QByteArray(1, '\x04') + instance.toLatin1() + QByteArray(1, '\0');
    socket.writeDatagram(request, address, kBrowserPort);
    while (!deadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        const QByteArray answer = socket.receiveDatagram().data();
        if (answer.size() < 3 || quint8(answer.at(0)) != 0x05)
            continue;
        const QStringList fields = QString::fromLatin1(answer.mid(3)).split(QLatin1Char(';'));
        const qsizetype tcp = fields.indexOf(QLatin1String("tcp"));
        if (tcp >= 0 && tcp + 1 < fields.size())
            return quint16(fields.at(tcp + 1).toUInt());
    }
    return 0;
}

} // namespace

OfferedEncryption probeOfferedEncryption(const QString &server, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QString host = server.trimmed();
    quint16 port = kDefaultPort;
    if (const qsizetype comma = host.indexOf(QLatin1Char(',')); comma >= 0) {
        port = quint16(host.mid(comma + 1).trimmed().toUInt());
        host.truncate(comma);
    } else if (const qsizetype backslash = host.indexOf(QLatin1Char('\\')); backslash >= 0) {
        port = instancePort(host.left(backslash), host.mid(backslash + 1), deadline);
        host.truncate(backslash);
    }
    if (port == 0)
        return OfferedEncryption::Unknown;

    QTcpSocket socket;
    socket.connectToHost(host.trimmed(), port);
    if (!socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime()))))
        return OfferedEncryption::Unknown;
    // PRELOGIN: VERSION and ENCRYPTION (ENCRYPT_OFF), then the terminator.
    const QByteArray payload = QByteArray::fromHex("00000b0006"
                                                   "0100110001"
                                                   "ff"
                                                   "000000000000"
                                                   "00");
    QByteArray packet = QByteArray::fromHex("1201000000000100");
    qToBigEndian<quint16>(quint16(8 + payload.size()), packet.data() + 2);
    socket.write(packet + payload);
    QByteArray answer;
    while (!deadline.hasExpired()) {
        if (answer.size() >= 8 && answer.size() >= bigEndian16(answer, 2))
            break;
        if (!socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.readAll();
    }
    socket.abort();
    if (answer.size() < 8 || answer.size() < bigEndian16(answer, 2))
        return OfferedEncryption::Unknown;
    const QByteArray options = answer.mid(8, bigEndian16(answer, 2) - 8);
    for (qsizetype at = 0; at + 5 <= options.size() && quint8(options.at(at)) != 0xFF; at += 5) {
        const quint16 offset = bigEndian16(options, at + 1);
        const quint16 length = bigEndian16(options, at + 3);
        if (quint8(options.at(at)) != 0x01 || length < 1 || offset >= options.size())
            continue;
        switch (quint8(options.at(offset))) {
        case 2: return OfferedEncryption::None;
        case 3: return OfferedEncryption::Required;
        default: return OfferedEncryption::Offered;
        }
    }
    return OfferedEncryption::Unknown;
}

} // namespace db
