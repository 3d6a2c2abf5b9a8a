#pragma once

#include <QHostAddress>
#include <QTcpServer>

namespace testsupport {

// A loopback port on which nothing listens (0 if none could be found).
inline quint16 closedLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace testsupport
