#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>

namespace bench {

// Starts labdb-server (program) on databasePath with a login of its own, on a free port
// of 127.0.0.1, and watching its standard input so that it ends with the benchmark;
// returns the port from its "listening on" line, or 0 when it did not come up.
inline quint16 startLabdbServer(QProcess &server, const QString &program, const QString &databasePath,
                                const QString &user, const QString &password)
{
    server.start(program, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--database"), databasePath,
                           QStringLiteral("--user"), user, QStringLiteral("--password"), password,
                           QStringLiteral("--watch-stdin")});
    static const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    while (server.waitForReadyRead(10000) || server.canReadLine()) {
        const QRegularExpressionMatch m = listening.match(QString::fromUtf8(server.readLine()));
        if (m.hasMatch())
            return quint16(m.captured(1).toUInt());
    }
    return 0;
}

} // namespace bench
