#pragma once

#include "db/dbclient.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace labdb {
class Session;
}

namespace db {

// The database client over the embedded laboratory database (labdb::Session): the
// demo's connection and the tests' stand-in for the SQL Server. A refused command
// or a failing procedure throws DbError whose description is the database's own
// message, without prefix ("Could not find stored procedure 'X'.").
//
// The tests' version, with injected faults and a journal of every request, is
// testsupport::FaultyEmbeddedClient (tests/support), outside the program.
class EmbeddedClient : public DbClient
{
public:
    explicit EmbeddedClient(QString databasePath);
    ~EmbeddedClient() override;

    bool isOpen() const override;
    // Opens the database file given at construction. The connection string is not
    // looked at: the embedded database has no server, login or password.
    void open(const QString &connectionString) override;
    void close() override;

    void execute(const QString &command) override;
    DbResult openStatic(const QString &command) override;
    DbResult openReadOnce(const QString &command) override;

    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;

    QString databasePath() const { return m_path; }
    bool inTransaction() const;

    // The database's clock (getdate() and the log rows' stamps): the machine's
    // local time unless set; an empty function restores it. Kept across open().
    void setServerClock(std::function<QDateTime()> clock);

private:
    // Runs work on the open session; the database's own failures become DbError.
    void onSession(const std::function<void(labdb::Session &)> &work);

    QString m_path;
    std::unique_ptr<labdb::Session> m_session;
    std::function<QDateTime()> m_clock;
};

} // namespace db
