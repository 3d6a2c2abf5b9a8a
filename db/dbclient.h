#pragma once

#include "connectionstring.h"
#include "dbresult.h"

#include <QString>

namespace db {

// The program's database client: the operations that the start-up, the search and
// the print log use of a connection. Every failure is thrown as DbError.
// Implementations: SqlServerClient (QODBC to SQL Server) and EmbeddedClient
// (the embedded laboratory database). Nothing above db/ knows which one it has.
class DbClient
{
public:
    virtual ~DbClient() = default;

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
