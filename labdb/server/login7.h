#pragma once

#include <QByteArray>
#include <QString>

namespace labdb::tds {

// What the server needs of a LOGIN7 message.
struct Login7
{
    quint32 tdsVersion = 0;
    quint32 packetSize = 0;
    QString hostName;
    QString userName;
    QString password; // already decoded
    QString appName;
    QString serverName;
    QString libraryName;
    QString language;
    QString database;

    // Reads the fixed part and the strings it points at; throws TdsProtocolError
    // when an offset or a length lies outside the message.
    static Login7 parse(const QByteArray &payload);
    // The client's password encoding: each byte has its nibbles swapped and is
    // XORed with 0xA5. decodePassword reverses it.
    static QByteArray encodePassword(const QString &password);
    static QString decodePassword(const QByteArray &bytes);
};

} // namespace labdb::tds
