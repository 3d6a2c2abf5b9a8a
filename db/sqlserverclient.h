#pragma once

#include "db/commandwatchdog.h"
#include "db/dbclient.h"

#include <QDeadlineTimer>
#include <QString>

#include <memory>
#include <optional>

class QTemporaryFile;

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
//   is told otherwise), measured here (see README, "Connecting to SQL Server"):
//   FreeTDS gets the time-out as its query time-out, so a command that waits on
//   the server (a lock another session holds) is cancelled at 30 s, the server
//   acknowledges, and the connection goes on; a server that answers nothing at
//   all never acknowledges, and the watchdog shuts the connection's socket down
//   half a second later. Other drivers get the time-out as the connection's
//   request time-out. A command that meets it fails as TimedOut.
// - A command span (beginCommandSpan) gives its commands, and the opening of a
//   lost connection among them, one time-out between them.
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

    DriverDescription driverDescription() const override
    {
        const ConnectionSettings given = settings();
        return {m_driver, m_loginTimeoutSeconds, given.encrypt, given.caFile};
    }
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
    void beginCommandSpan() override;
    void endCommandSpan() override;

    int loginTimeoutSeconds() const { return m_loginTimeoutSeconds; }
    int commandTimeoutSeconds() const { return m_commandTimeoutSeconds; }
    QString driver() const { return m_driver; }
    // The ODBC connection string of the last open (password included): what the
    // driver was given.
    QString driverConnectionString() const;
    // The settings of the last open (empty before one).
    ConnectionSettings settings() const { return m_settings.value_or(ConnectionSettings()); }

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
    void useFreeTdsConfiguration(const QString &configuration);
    QString timeOutDescription(const QString &driverText) const;
    // The time-out the driver is given (see connect()) and whether a failure after
    // elapsedMs came from it (for drivers whose socket the watchdog cannot reach).
    int driverTimeoutSeconds() const;
    bool ranIntoTimeOut(qint64 elapsedMs) const;
    // The deadline of the command about to run: the command time-out from now, or
    // the span's. startWatch() hands it to the watchdog (FreeTDS, whose socket it
    // can shut down); stopWatch() says whether the watchdog ended the command.
    QDeadlineTimer commandDeadline() const;
    void startWatch();
    bool stopWatch();

    QString m_connectionName;
    QString m_driver;
    int m_loginTimeoutSeconds;
    int m_commandTimeoutSeconds;
    std::optional<ConnectionSettings> m_settings; // of the last open, for reopening
    bool m_reopen = false;                        // closed after losing it: the next command opens it again
    bool m_inTransaction = false;
    bool m_transactionLost = false;       // the connection went while a transaction was open
    std::optional<QDeadlineTimer> m_span; // the deadline of a command span
    CommandWatchdog m_watchdog;
    // FreeTDS's configuration file for a server whose certificate is verified.
    std::unique_ptr<QTemporaryFile> m_freeTdsConfig;
    bool m_watched = false;    // the watchdog watches the running command
    bool m_watchFired = false; // the watchdog ended the running command
};

} // namespace db
