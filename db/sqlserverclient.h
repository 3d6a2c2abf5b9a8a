#pragma once

#include "db/dbclient.h"

#include <QString>

#include <optional>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace db {

// The database client for SQL Server, on Qt SQL's ODBC driver (FreeTDS on Linux,
// Windows' SQL Server driver on Windows).
// - openWithSettings() (or open() with the program's connection string) hands the
//   driver the ODBC translation, every value brace-quoted, with a bounded login
//   time-out so that a server that accepts but never answers cannot hang the program.
// - Every command gives up after the command time-out (30 s unless the constructor
//   is told otherwise), even on a server that answers nothing at all: FreeTDS gets
//   half of it as its query time-out (it waits that long for the answer and as long
//   again for the cancel's acknowledgement), other drivers all of it as the
//   connection's request time-out. A command that meets it fails as TimedOut.
// - Every command goes out as its exact text in one plain batch: forward only,
//   never prepared, never through a server cursor.
// - Each query lives only inside the call that runs it, so that no query that
//   ended in an error is alive when a transaction is committed or rolled back
//   (the ODBC driver would otherwise send nothing).
// - A server error is thrown as DbError carrying the server's message text.
// - A lost connection (the driver's connection states 08xxx, a dead link, a
//   time-out, a rollback that fails) is closed and the failure thrown as
//   ConnectionLost or TimedOut. The next command opens it again with the same
//   settings, once, unless a transaction was open on it: the transaction's
//   remaining commands and its commit fail (a commit that was sent and never
//   answered is in doubt), and its rollback only ends it. The next command after
//   that is outside a transaction and may reopen.
class SqlServerClient : public DbClient
{
public:
    static constexpr int kDefaultLoginTimeoutSeconds = 15;
    static constexpr int kDefaultCommandTimeoutSeconds = 30;

    // driver: the ODBC driver's name, odbcDriverName() when empty.
    explicit SqlServerClient(int loginTimeoutSeconds = kDefaultLoginTimeoutSeconds, const QString &driver = QString(),
                             int commandTimeoutSeconds = kDefaultCommandTimeoutSeconds);
    ~SqlServerClient() override;
    SqlServerClient(const SqlServerClient &) = delete;
    SqlServerClient &operator=(const SqlServerClient &) = delete;

    DriverDescription driverDescription() const override { return {m_driver, m_loginTimeoutSeconds}; }
    bool isOpen() const override;
    void open(const QString &connectionString) override;
    void openWithSettings(const ConnectionSettings &settings) override;
    void close() override;

    void execute(const QString &command) override;
    DbResult openStatic(const QString &command) override;
    DbResult openReadOnce(const QString &command) override;

    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;

    int loginTimeoutSeconds() const { return m_loginTimeoutSeconds; }
    int commandTimeoutSeconds() const { return m_commandTimeoutSeconds; }
    QString driver() const { return m_driver; }
    // The ODBC connection string of the last open (password included): what the
    // driver was given.
    QString driverConnectionString() const;

    // The description of a driver error: the server's own message without the
    // driver's bracketed source tags ("[FreeTDS][SQL Server]").
    static QString describe(const QSqlError &error);

private:
    QSqlDatabase database() const;
    void connect();
    void readyForCommand();
    DbResult runQuery(const QString &command, bool wholeResult);
    [[noreturn]] void fail(const QSqlError &error, const QString &fallback, const QSqlQuery *query, qint64 elapsedMs,
                           bool commit = false);
    void loseConnection();
    QString timeOutDescription(const QString &driverText) const;
    // The time-out the driver is given (see connect()) and whether a failure after
    // elapsedMs came from it.
    int driverTimeoutSeconds() const;
    bool ranIntoTimeOut(qint64 elapsedMs) const;

    QString m_connectionName;
    QString m_driver;
    int m_loginTimeoutSeconds;
    int m_commandTimeoutSeconds;
    std::optional<ConnectionSettings> m_settings; // of the last open, for reopening
    bool m_reopen = false;                        // closed after losing it: the next command opens it again
    bool m_inTransaction = false;
    bool m_transactionLost = false; // the connection went while a transaction was open
};

} // namespace db
