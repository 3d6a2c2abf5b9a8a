#include "support/faultyembeddedclient.h"

#include "db/dberror.h"

namespace testsupport {

// A dropped connection stays dropped, closed or not, until it is opened again.
void FaultyEmbeddedClient::open(const QString &connectionString)
{
    db::EmbeddedClient::close();
    m_dropped = false;
    if (m_failOpen)
        throw db::DbError(QStringLiteral("The laboratory database cannot be reached (injected fault)."));
    db::EmbeddedClient::open(connectionString);
}

void FaultyEmbeddedClient::request(const QString &entry, bool failing, const char *fault,
                                   const std::function<void()> &work)
{
    if (m_dropped)
        throw db::DbError(QStringLiteral("Communication link failure"), db::DbError::Kind::ConnectionLost);
    // Closed: the request never reaches the database and fails as the client says.
    if (!isOpen())
        return work();
    m_journal.append(entry);
    if (failing)
        throw db::DbError(QString::fromLatin1(fault));
    work();
}

void FaultyEmbeddedClient::command(const QString &text, const std::function<void()> &work)
{
    const bool reaches = isOpen() && !m_dropped;
    const bool injected = reaches && m_failCommandIn > 0 && --m_failCommandIn == 0;
    // The n-th command that reaches the database drops the connection once it is
    // done, failed or not.
    const auto afterCommand = [this, reaches] {
        if (reaches && m_dropAfter > 0 && --m_dropAfter == 0)
            dropConnection();
    };
    try {
        request(text, injected, "The command failed (injected fault).", work);
    } catch (...) {
        afterCommand();
        throw;
    }
    afterCommand();
}

void FaultyEmbeddedClient::execute(const QString &text)
{
    command(text, [&] { db::EmbeddedClient::execute(text); });
}

db::DbResult FaultyEmbeddedClient::openStatic(const QString &text)
{
    db::DbResult result;
    command(text, [&] { result = db::EmbeddedClient::openStatic(text); });
    return result;
}

db::DbResult FaultyEmbeddedClient::openReadOnce(const QString &text)
{
    db::DbResult result;
    command(text, [&] { result = db::EmbeddedClient::openReadOnce(text); });
    return result;
}

void FaultyEmbeddedClient::beginTrans()
{
    request(QStringLiteral("BEGIN"), m_failBegin, "The transaction could not begin (injected fault).",
            [this] { db::EmbeddedClient::beginTrans(); });
}

void FaultyEmbeddedClient::commitTrans()
{
    request(QStringLiteral("COMMIT"), m_failCommit, "The transaction could not commit (injected fault).",
            [this] { db::EmbeddedClient::commitTrans(); });
}

void FaultyEmbeddedClient::rollbackTrans()
{
    request(QStringLiteral("ROLLBACK"), m_failRollback, "The transaction could not roll back (injected fault).",
            [this] { db::EmbeddedClient::rollbackTrans(); });
}

void FaultyEmbeddedClient::dropConnection()
{
    // The server rolls back what the vanished client left open.
    db::EmbeddedClient::close();
    m_dropped = true;
    m_dropAfter = -1;
}

void FaultyEmbeddedClient::failCommand(int n)
{
    m_failCommandIn = n > 0 ? n : 0;
}

void FaultyEmbeddedClient::dropConnectionAfter(int n)
{
    if (n <= 0) {
        if (isOpen())
            dropConnection();
        return;
    }
    m_dropAfter = n;
}

void FaultyEmbeddedClient::clearFaults()
{
    m_failCommandIn = 0;
    m_dropAfter = -1;
    m_failBegin = m_failCommit = m_failRollback = m_failOpen = false;
}

} // namespace testsupport
