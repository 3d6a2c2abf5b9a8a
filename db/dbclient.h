#pragma once

#include "db/connectionstring.h"
#include "db/dbresult.h"

#include <QString>

#include <optional>

namespace db {

// What a client tells about the driver it connects through, for the program's log
// and --check-connection: the ODBC driver's name (e.g. "FreeTDS") and the login
// time-out it is given. Empty for a client without a driver (the embedded database).
struct DriverDescription
{
    QString odbcDriver;
    int loginTimeoutSeconds = 0;
    // What the settings asked of encryption ([Encryption]): see ConnectionSettings.
    std::optional<bool> encrypt;
    QString caFile;

    bool isEmpty() const { return odbcDriver.isEmpty(); }
};

// The program's database client: the operations that the start-up, the search and
// the print log use of a connection. Every failure is thrown as DbError.
// Implementations: SqlServerClient (QODBC to SQL Server) and EmbeddedClient
// (the embedded laboratory database). Nothing above db/ knows which one it has:
// what the start-up tells of it comes from driverDescription().
class DbClient
{
public:
    virtual ~DbClient() = default;

    virtual DriverDescription driverDescription() const { return {}; }

    virtual bool isOpen() const = 0;
    // connectionString is the program's own form:
    // "Provider=SQLOLEDB;Server=...;UID=...;Database=...;Password=..."
    virtual void open(const QString &connectionString) = 0;
    // Opens with the four settings themselves. The program's string cannot always be
    // read back (a value may hold the next item's marker, such as ";Password="), so
    // a client that translates it overrides this; the default opens with the string.
    virtual void openWithSettings(const ConnectionSettings &settings) { open(connectionString(settings)); }
    virtual void close() = 0;

    // Runs a command and discards whatever it returns, unread.
    virtual void execute(const QString &command) = 0;
    // Runs a query and fetches its whole result, so that the row count is known
    // before the first row is read.
    virtual DbResult openStatic(const QString &command) = 0;
    // Runs a query that is read once, forward only, for a single value: the
    // result holds the first row (or none) and its row count is unknown (-1).
    virtual DbResult openReadOnce(const QString &command) = 0;

    virtual void beginTrans() = 0;
    virtual void commitTrans() = 0;
    virtual void rollbackTrans() = 0;

    // From beginCommandSpan() to endCommandSpan() the commands share one command
    // time-out, counted from the beginning: a read and its one retry on a
    // connection opened again wait no longer together than a single command.
    virtual void beginCommandSpan() { }
    virtual void endCommandSpan() { }
};

} // namespace db
