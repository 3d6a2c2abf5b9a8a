#include "labdb/server/login7.h"

#include "labdb/server/tdsprotocolerror.h"

#include <QtEndian>

namespace labdb::tds {

namespace {

constexpr qsizetype kFixedSize = 36;

quint8 swapNibbles(quint8 b)
{
    return quint8((b << 4) | (b >> 4));
}

QString utf16At(const QByteArray &payload, qsizetype offsetField, bool password = false)
{
    if (offsetField + 4 > payload.size())
        throw TdsProtocolError("LOGIN7 too short");
    const auto *p = reinterpret_cast<const uchar *>(payload.constData());
    const quint16 offset = qFromLittleEndian<quint16>(p + offsetField);
    const quint16 chars = qFromLittleEndian<quint16>(p + offsetField + 2);
    if (chars == 0)
        return {};
    if (qsizetype(offset) + 2 * qsizetype(chars) > payload.size())
        throw TdsProtocolError("LOGIN7 string outside the message");
    QByteArray bytes = payload.mid(offset, 2 * chars);
    if (password)
        return Login7::decodePassword(bytes);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), chars);
}

} // namespace

QByteArray Login7::encodePassword(const QString &password)
{
    QByteArray bytes(reinterpret_cast<const char *>(password.utf16()), password.size() * 2);
    for (char &c : bytes)
        c = char(swapNibbles(quint8(c)) ^ 0xA5);
    return bytes;
}

QString Login7::decodePassword(const QByteArray &encoded)
{
    QByteArray bytes = encoded;
    for (char &c : bytes)
        c = char(swapNibbles(quint8(c) ^ 0xA5));
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

Login7 Login7::parse(const QByteArray &payload)
{
    if (payload.size() < kFixedSize + 36)
        throw TdsProtocolError("LOGIN7 too short");
    const auto *p = reinterpret_cast<const uchar *>(payload.constData());
    Login7 login;
    login.tdsVersion = qFromLittleEndian<quint32>(p + 4);
    login.packetSize = qFromLittleEndian<quint32>(p + 8);
    login.hostName = utf16At(payload, 36);
    login.userName = utf16At(payload, 40);
    login.password = utf16At(payload, 44, true);
    login.appName = utf16At(payload, 48);
    login.serverName = utf16At(payload, 52);
    login.libraryName = utf16At(payload, 60);
    login.language = utf16At(payload, 64);
    login.database = utf16At(payload, 68);
    return login;
}

} // namespace labdb::tds
