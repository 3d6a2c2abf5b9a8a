#pragma once

#include <QByteArray>
#include <QMutex>
#include <QThread>

#include <atomic>

// A TCP relay on a loopback port of its own, forwarding every connection to a
// server and recording every byte that passes, both ways, as an eavesdropper on
// the hospital's network would see them. Runs on a thread of its own, so that a
// client blocking the test's thread still gets its bytes through.
class TcpRelay : public QThread
{
    Q_OBJECT
public:
    explicit TcpRelay(quint16 serverPort);
    ~TcpRelay() override;

    // Starts listening; false when it cannot.
    bool open();
    quint16 port() const { return m_port; }
    // Everything recorded so far, both directions in the order they came.
    QByteArray recorded() const;
    // From any thread: new connections go to this server from now on; the
    // connections open now are cut, as when a server dies or a link breaks.
    void switchServer(quint16 serverPort);

protected:
    void run() override;

private:
    std::atomic<quint16> m_serverPort;
    std::atomic<bool> m_cut = false;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QByteArray m_recorded;
    bool m_listening = false;
};
