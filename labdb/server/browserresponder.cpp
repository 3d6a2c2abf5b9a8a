#include "labdb/server/browserresponder.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtEndian>

namespace labdb::tds {

namespace {
enum BrowserRequest : quint8 {
    ClientBroadcastEx = 0x02,
    ClientUnicastEx = 0x03,
    ClientUnicastInstance = 0x04,
    ServerResponse = 0x05,
};
} // namespace

BrowserResponder::BrowserResponder(QString serverName, QString instanceName, quint16 tcpPort, QObject *parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
    , m_instanceName(std::move(instanceName))
    , m_tcpPort(tcpPort)
{
}

bool BrowserResponder::listen(quint16 udpPort, QString *error)
{
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(QHostAddress::LocalHost, udpPort)) {
        if (error)
            *error = m_socket->errorString();
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &BrowserResponder::readRequests);
    return true;
}

QByteArray BrowserResponder::answer(const QByteArray &request) const
{
    if (request.isEmpty())
        return {};
    const quint8 kind = quint8(request.at(0));
    if (kind == ClientUnicastInstance) {
        // The name runs to its terminating zero (or the datagram's end), in the
        // client's code page: compared as Latin-1.
        QByteArray name = request.mid(1);
        if (const qsizetype zero = name.indexOf('\0'); zero >= 0)
            name.truncate(zero);
        if (QString::fromLatin1(name).compare(m_instanceName, Qt::CaseInsensitive) != 0)
            return {};
    } else if (kind != ClientBroadcastEx && kind != ClientUnicastEx) {
        return {};
    }
    const QByteArray text = QStringLiteral("ServerName;%1;InstanceName;%2;IsClustered;No;Version;16.0.1000.6;tcp;%3;;")
                                .arg(m_serverName, m_instanceName)
                                .arg(m_tcpPort)
                                .toLatin1();
    QByteArray datagram(3, '\0');
    datagram[0] = char(ServerResponse);
    qToLittleEndian<quint16>(quint16(text.size()), datagram.data() + 1);
    return datagram + text;
}

void BrowserResponder::readRequests()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram request = m_socket->receiveDatagram();
        const QByteArray reply = answer(request.data());
        if (!reply.isEmpty())
            m_socket->writeDatagram(reply, request.senderAddress(), quint16(request.senderPort()));
    }
}

} // namespace labdb::tds
