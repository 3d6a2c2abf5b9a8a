#include "wire/tcprelay.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QMutexLocker>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

TcpRelay::TcpRelay(quint16 serverPort)
    : m_serverPort(serverPort)
{
}

TcpRelay::~TcpRelay()
{
    quit();
    wait();
}

bool TcpRelay::open()
{
    QSemaphore ready;
    connect(
        this, &QThread::started, this, [&ready] { ready.release(); }, Qt::DirectConnection);
    start();
    ready.acquire();
    // run() sets the port before it enters its event loop.
    for (int i = 0; i < 500 && m_port == 0 && isRunning(); ++i)
        msleep(10);
    return m_port != 0;
}

void TcpRelay::switchServer(quint16 serverPort)
{
    m_serverPort = serverPort;
    m_cut = true;
}

QByteArray TcpRelay::recorded() const
{
    const QMutexLocker lock(&m_mutex);
    return m_recorded;
}

void TcpRelay::run()
{
    QTcpServer listener;
    if (!listener.listen(QHostAddress::LocalHost, 0))
        return;
    QObject::connect(&listener, &QTcpServer::newConnection, &listener, [this, &listener] {
        while (QTcpSocket *client = listener.nextPendingConnection()) {
            auto *server = new QTcpSocket(client);
            server->connectToHost(QHostAddress::LocalHost, m_serverPort);
            const auto forward = [this](QTcpSocket *from, QTcpSocket *to) {
                const QByteArray bytes = from->readAll();
                {
                    const QMutexLocker lock(&m_mutex);
                    m_recorded += bytes;
                }
                to->write(bytes);
            };
            QObject::connect(client, &QTcpSocket::readyRead, server, [=] {
                if (server->state() == QAbstractSocket::ConnectedState)
                    forward(client, server);
            });
            QObject::connect(server, &QTcpSocket::connected, client, [=] { forward(client, server); });
            QObject::connect(server, &QTcpSocket::readyRead, client, [=] { forward(server, client); });
            QObject::connect(client, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
            QObject::connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    // A cut asked for from another thread is carried out here, where the sockets live.
    QTimer cutter;
    QObject::connect(&cutter, &QTimer::timeout, &listener, [this, &listener] {
        if (!m_cut.exchange(false))
            return;
        for (QTcpSocket *client : listener.findChildren<QTcpSocket *>(QString(), Qt::FindDirectChildrenOnly))
            client->abort();
    });
    cutter.start(10);
    m_port = listener.serverPort();
    exec();
}
