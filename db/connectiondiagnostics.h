#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace db {

class DbClient;

// Questions that --check-connection asks the server beside the program's five
// commands, which they leave as they are.

// The diagnostic texts: the server's reading of a date text as a datetime, and
// whether the server encrypts every packet of this connection.
//   dateProbeCommand("12/9/2024 2:05:33 PM")  SELECT CONVERT(datetime, '12/9/2024 2:05:33 PM') AS probe
//   encryptionQueryCommand()                  SELECT encrypt_option FROM sys.dm_exec_connections WHERE session_id = @@SPID
QString dateProbeCommand(const QString &dateText);
QString encryptionQueryCommand();

// How the server reads the general date form: the probe instant (a day of 12 or
// less, so that a reading as month/day and as day/month differ), its text in the
// general date form of locale, and what the server made of it, or its refusal.
struct DateReading
{
    QDateTime probe;
    QString sent;
    std::optional<QDateTime> read;
    QString refusal; // the server's error when it could not read the text
    bool right() const { return read && *read == probe; }
};
DateReading readProbeDate(DbClient &connection, const QLocale &locale);

// Whether the server says every packet of this connection is encrypted; unset
// with the reason in why when it would not say (a login without the permission
// to read sys.dm_exec_connections, say).
std::optional<bool> everyPacketEncrypted(DbClient &connection, QString *why);

} // namespace db
