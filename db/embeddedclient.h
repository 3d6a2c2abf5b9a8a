#pragma once

#include "dbclient.h"

#include <QDateTime>
#include <QStringList>

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
// For tests it can be made to fail on purpose and it keeps a journal.
//
// Journal: every request that reached the database, in order: "BEGIN", "COMMIT",
// "ROLLBACK" and each command text exactly as sent. A request the database refuses
// (for real or by an injected fault) is still journaled, since it reached it; a
// call made while closed or after a dropped connection is not.
//
// Faults (each throws DbError as the server would; the journal shows the attempt):
// - failCommand(n): the n-th command from now fails, once, without effect. Commands
//   are counted over execute, openStatic and openReadOnce alike; n = 1 is the next.
// - failBegin / failCommit / failRollback: every such request fails while set; a
//   failed commit leaves the transaction open, a failed rollback leaves it open too.
// - dropConnectionAfter(n): n more commands succeed, then the connection is gone at
//   once: an open transaction is rolled back by the database, isOpen() turns false
//   and every later call fails ("Communication link failure"). n = 0 drops it now.
// - failOpen: open() fails as if the server could not be reached.
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

    // Fault injection; see above.
    void failCommand(int n);
    void failBegin(bool on = true) { m_failBegin = on; }
    void failCommit(bool on = true) { m_failCommit = on; }
    void failRollback(bool on = true) { m_failRollback = on; }
    void failOpen(bool on = true) { m_failOpen = on; }
    void dropConnectionAfter(int n);
    void clearFaults();

    // The database's clock (getdate() and the log rows' stamps): the machine's
    // local time unless set; an empty function restores it. Kept across open().
    void setServerClock(std::function<QDateTime()> clock);

    const QStringList &journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

private:
    labdb::Session &session();
    void runCommand(const QString &command, const std::function<void(labdb::Session &)> &work);
    void afterCommand();
    void dropConnection();

    QString m_path;
    std::unique_ptr<labdb::Session> m_session;
    std::function<QDateTime()> m_clock;
    QStringList m_journal;
    int m_failCommandIn = 0;   // commands left until the one that fails; 0 = none
    int m_dropAfter = -1;      // commands left before the drop; -1 = none
    bool m_dropped = false;
    bool m_failBegin = false;
    bool m_failCommit = false;
    bool m_failRollback = false;
    bool m_failOpen = false;
};

} // namespace db
