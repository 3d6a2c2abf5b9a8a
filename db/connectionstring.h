#pragma once

#include <QString>

#include <optional>

namespace db {

// The four connection settings and the two forms of connection string built from
// them: the program's own ("Provider=SQLOLEDB;Server=...;UID=...;Database=...;Password=...",
// values as they stand) and the ODBC string that the SQL Server driver is given.
struct ConnectionSettings
{
    QString server; // "host", "host,port" or "host\instance"
    QString database;
    QString user;
    QString password;
    // Beside the four ([Encryption] in the settings store): whether encryption is
    // required (true), refused (false) or left to the driver (unset); and a CA file
    // to verify the server's certificate and its name against, which requires
    // encryption ("system": the system's own CAs).
    std::optional<bool> encrypt = std::nullopt;
    QString caFile = QString();

    bool operator==(const ConnectionSettings &) const = default;
    // Whether the settings require an encrypted connection.
    bool encryptionRequired() const { return encrypt.value_or(false) || !caFile.isEmpty(); }
};

// The program's connection string: provider, server, user, database, password, in
// that order, each value unchanged (an empty value leaves its item empty).
QString connectionString(const ConnectionSettings &settings);

// Reads the program's connection string back into its four values. Each value runs
// up to the first marker of the next item (";UID=", ";Database=", ";Password="); the
// password is the rest of the text, whatever it holds. Throws DbError for a text
// that does not start "Provider=SQLOLEDB;Server=" or lacks one of the markers.
ConnectionSettings parseConnectionString(const QString &text);

// How an ODBC driver reads a value in braces. Windows' drivers take "}}" as one
// '}'. FreeTDS takes the text as it stands up to the first '}' that is followed by
// ';' or ends the string, and does not undo a doubled '}'.
enum class BraceStyle { Doubled, FreeTds };

// A value in braces, so that no character inside it can end the value or start
// another attribute: every '}' doubled, or for FreeTDS left single. A value holding
// "};" cannot be carried to FreeTDS that way and throws DbError instead.
QString braceQuoted(const QString &value, BraceStyle style = BraceStyle::Doubled);

// The ODBC connection string for the SQL Server driver named `driver`. Every value
// is brace-quoted in the driver's style (for FreeTDS, throws DbError naming the
// setting that holds "};", which it cannot take). The server goes in as it stands:
// FreeTDS and Windows' drivers both read "host", "host,port" and "host\instance".
// For FreeTDS the protocol version is fixed to 7.4 and the client character set to UTF-8.
// Encryption: FreeTDS gets Encryption=require or off; with a CA file it is given
// the server through a configuration section of its own (freeTdsConfiguration),
// Servername={norvane}, as its connection string cannot carry a CA file. Windows'
// drivers get Encrypt=yes (TrustServerCertificate=no with a CA file: the CA must
// be in the Windows certificate store) or Encrypt=no.
QString odbcConnectionString(const ConnectionSettings &settings, const QString &driver);

// The section of a FreeTDS configuration file (freetds.conf) that
// odbcConnectionString names when the settings hold a CA file:
//   [norvane]
//       host = LABSRV
//       port = 1433                 (or instance = SQLEXPRESS)
//       encryption = require
//       ca file = /etc/ssl/hospital-ca.pem
//       check certificate hostname = yes
// Throws DbError for a Server or CAFile setting that such a file cannot hold.
QString freeTdsConfiguration(const ConnectionSettings &settings);
inline constexpr char16_t kFreeTdsSection[] = u"norvane";

// What the driver makes of the settings other than a SQL Server login, for the
// connection check; empty when nothing. FreeTDS takes a User holding a backslash as
// a Windows domain login (DOMAIN\user, NTLM) and sends no SQL Server login.
QString odbcLoginNote(const ConnectionSettings &settings, const QString &driver);

// A sentence in plain words to follow the driver's reason when a connection
// could not be opened, where the reason alone leaves the cause open; empty
// otherwise. A named instance (host\instance) that cannot be reached: the
// driver asked the SQL Server Browser for its port, and may have had no answer.
QString connectionFailureHint(const ConnectionSettings &settings, const QString &driverReason);

// The plain words that follow a failed connection that had to be encrypted,
// from what the server offered before the login (see encryptionprobe.h): no
// encryption at all, or a certificate the driver did not accept.
enum class OfferedEncryption;
QString encryptionFailureHint(const ConnectionSettings &settings, OfferedEncryption offered);

// The ODBC driver used for SQL Server: the environment variable NORVANE_ODBC_DRIVER
// when set (so that a site can switch drivers without a rebuild), otherwise
// "FreeTDS" on Linux and Windows' own "SQL Server" driver on Windows.
QString odbcDriverName();

// Whether the ODBC driver named `driver` is FreeTDS's, which needs its own quoting
// and time-out settings.
bool isFreeTds(const QString &driver);

} // namespace db
