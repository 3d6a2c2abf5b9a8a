#pragma once

#include <QString>

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

    bool operator==(const ConnectionSettings &) const = default;
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
QString odbcConnectionString(const ConnectionSettings &settings, const QString &driver);

// What the driver makes of the settings other than a SQL Server login, for the
// connection check; empty when nothing. FreeTDS takes a User holding a backslash as
// a Windows domain login (DOMAIN\user, NTLM) and sends no SQL Server login.
QString odbcLoginNote(const ConnectionSettings &settings, const QString &driver);

// A sentence in plain words to follow the driver's reason when a connection
// could not be opened, where the reason alone leaves the cause open; empty
// otherwise. A named instance (host\instance) that cannot be reached: the
// driver asked the SQL Server Browser for its port, and may have had no answer.
QString connectionFailureHint(const ConnectionSettings &settings, const QString &driverReason);

// The ODBC driver used for SQL Server: the environment variable NORVANE_ODBC_DRIVER
// when set (so that a site can switch drivers without a rebuild), otherwise
// "FreeTDS" on Linux and Windows' own "SQL Server" driver on Windows.
QString odbcDriverName();

// Whether the ODBC driver named `driver` is FreeTDS's, which needs its own quoting
// and time-out settings.
bool isFreeTds(const QString &driver);

} // namespace db
