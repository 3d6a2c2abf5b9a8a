#pragma once

#include <QObject>
#include <QString>

class QUdpSocket;

namespace labdb::tds {

// Answers what a client asks the SQL Server Browser on UDP (port 1434) about
// the server's one named instance: the TCP port it listens on. A request for
// one instance (CLNT_UCAST_INST: 0x04, the name, 0x00) is answered only when it
// names this instance, case-insensitively; a request for every instance
// (CLNT_BCAST_EX 0x02, CLNT_UCAST_EX 0x03) always. The answer (SVR_RESP) is
// 0x05, its length (2 bytes, little-endian), then
//   ServerName;LABDB;InstanceName;NAME;IsClustered;No;Version;16.0.1000.6;tcp;PORT;;
class BrowserResponder : public QObject
{
    Q_OBJECT
public:
    BrowserResponder(QString serverName, QString instanceName, quint16 tcpPort, QObject *parent = nullptr);

    // Binds 127.0.0.1:udpPort; false with the reason when it cannot.
    bool listen(quint16 udpPort, QString *error);

    // The answer to one request, empty when there is none to give.
    QByteArray answer(const QByteArray &request) const;

private:
    void readRequests();

    QString m_serverName;
    QString m_instanceName;
    quint16 m_tcpPort;
    QUdpSocket *m_socket = nullptr;
};

} // namespace labdb::tds
