#pragma once

#include "db/embeddedclient.h"

#include <QStringList>

namespace testsupport {

// The embedded database client as the tests use it: it can be made to fail on
// purpose and it keeps a journal. Never part of the program.
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
class FaultyEmbeddedClient : public db::EmbeddedClient
{
public:
    using db::EmbeddedClient::EmbeddedClient;

    void open(const QString &connectionString) override;

    void execute(const QString &command) override;
    db::DbResult openStatic(const QString &command) override;
    db::DbResult openReadOnce(const QString &command) override;

    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;

    // Fault injection; see above.
    void failCommand(int n);
    void failBegin(bool on = true) { m_failBegin = on; }
    void failCommit(bool on = true) { m_failCommit = on; }
    void failRollback(bool on = true) { m_failRollback = on; }
    void failOpen(bool on = true) { m_failOpen = on; }
    void dropConnectionAfter(int n);
    void clearFaults();

    const QStringList &journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

private:
    // One request: journaled if it reaches the database, failed if failing is set.
    void request(const QString &entry, bool failing, const char *fault, const std::function<void()> &work);
    void command(const QString &text, const std::function<void()> &work);
    void dropConnection();

    QStringList m_journal;
    int m_failCommandIn = 0; // commands left until the one that fails; 0 = none
    int m_dropAfter = -1;    // commands left before the drop; -1 = none
    bool m_dropped = false;
    bool m_failBegin = false;
    bool m_failCommit = false;
    bool m_failRollback = false;
    bool m_failOpen = false;
};

} // namespace testsupport
