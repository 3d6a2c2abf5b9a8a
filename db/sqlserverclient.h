#pragma once

#include "dbclient.h"

#include <QString>

class QSqlDatabase;
class QSqlError;

namespace db {

// The database client for SQL Server, on Qt SQL's ODBC driver (FreeTDS on Linux,
// Windows' SQL Server driver on Windows).
// - openWithSettings() (or open() with the program's connection string) hands the
//   driver the ODBC translation, every value brace-quoted, with a bounded login time-out so that a
//   server that accepts but never answers cannot hang the program.
// - Every command goes out as its exact text in one plain batch: forward only,
//   never prepared, never through a server cursor.
// - Each query lives only inside the call that runs it, so that no query that
//   ended in an error is alive when a transaction is committed or rolled back
//   (the ODBC driver would otherwise send nothing).
// - A server error is thrown as DbError carrying the server's message text.
class SqlServerClient : public DbClient
{
public:
    static constexpr int kDefaultLoginTimeoutSeconds = 15;

    // driver: the ODBC driver's name, odbcDriverName() when empty.
    explicit SqlServerClient(int loginTimeoutSeconds = kDefaultLoginTimeoutSeconds,
                             const QString &driver = QString());
    ~SqlServerClient() override;
    SqlServerClient(const SqlServerClient &) = delete;
    SqlServerClient &operator=(const SqlServerClient &) = delete;

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
    QString driver() const { return m_driver; }

    // The description of a driver error: the server's own message without the
    // driver's bracketed source tags ("[FreeTDS][SQL Server]").
    static QString describe(const QSqlError &error);

private:
    QSqlDatabase database() const;
    DbResult runQuery(const QString &command, bool wholeResult);

    QString m_connectionName;
    QString m_driver;
    int m_loginTimeoutSeconds;
};

} // namespace db
