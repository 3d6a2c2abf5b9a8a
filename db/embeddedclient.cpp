#include "embeddedclient.h"

#include "dberror.h"

#include "labdb/session.h"

namespace db {

namespace {

const QString linkFailure = QStringLiteral("Communication link failure");

DbResult toResult(const labdb::Outcome &outcome, bool wholeResult)
{
    // A command without a result set leaves the result object closed.
    if (!outcome.hasResultSet)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));
    QStringList columns;
    for (const labdb::Column &c : outcome.columns)
        columns.append(c.name);
    if (wholeResult)
        return DbResult(columns, outcome.rows, outcome.rows.size());
    QList<QVariantList> first;
    if (!outcome.rows.isEmpty())
        first.append(outcome.rows.first());
    return DbResult(columns, first, -1);
}

} // namespace

EmbeddedClient::EmbeddedClient(QString databasePath)
    : m_path(std::move(databasePath))
{
}

EmbeddedClient::~EmbeddedClient() = default;

bool EmbeddedClient::isOpen() const
{
    return m_session != nullptr;
}

void EmbeddedClient::open(const QString &connectionString)
{
    Q_UNUSED(connectionString);
    m_session.reset();
    m_dropped = false;
    if (m_failOpen)
        throw DbError(QStringLiteral("The laboratory database cannot be reached (injected fault)."));
    try {
        m_session = std::make_unique<labdb::Session>(m_path);
    } catch (const labdb::SqlError &e) {
        throw DbError(e.message());
    }
    m_session->setClock(m_clock);
}

void EmbeddedClient::close()
{
    // Closing with a transaction open rolls it back.
    m_session.reset();
}

bool EmbeddedClient::inTransaction() const
{
    return m_session && m_session->inTransaction();
}

labdb::Session &EmbeddedClient::session()
{
    if (!m_session)
        throw m_dropped ? DbError(linkFailure, DbError::Kind::ConnectionLost)
                        : DbError(QStringLiteral("Operation is not allowed when the object is closed."));
    return *m_session;
}

void EmbeddedClient::runCommand(const QString &command, const std::function<void(labdb::Session &)> &work)
{
    labdb::Session &s = session();
    m_journal.append(command);
    const bool injected = m_failCommandIn > 0 && --m_failCommandIn == 0;
    try {
        if (injected)
            throw DbError(QStringLiteral("The command failed (injected fault)."));
        work(s);
    } catch (const labdb::SqlError &e) {
        afterCommand();
        throw DbError(e.message());
    } catch (...) {
        afterCommand();
        throw;
    }
    afterCommand();
}

void EmbeddedClient::afterCommand()
{
    if (m_dropAfter > 0 && --m_dropAfter == 0)
        dropConnection();
}

void EmbeddedClient::dropConnection()
{
    // The server rolls back what the vanished client left open.
    m_session.reset();
    m_dropped = true;
    m_dropAfter = -1;
}

void EmbeddedClient::execute(const QString &command)
{
    runCommand(command, [&command](labdb::Session &s) { s.execute(command); });
}

DbResult EmbeddedClient::openStatic(const QString &command)
{
    DbResult result;
    runCommand(command, [&](labdb::Session &s) { result = toResult(s.execute(command), true); });
    return result;
}

DbResult EmbeddedClient::openReadOnce(const QString &command)
{
    DbResult result;
    runCommand(command, [&](labdb::Session &s) { result = toResult(s.execute(command), false); });
    return result;
}

void EmbeddedClient::beginTrans()
{
    labdb::Session &s = session();
    m_journal.append(QStringLiteral("BEGIN"));
    if (m_failBegin)
        throw DbError(QStringLiteral("The transaction could not begin (injected fault)."));
    try {
        s.begin();
    } catch (const labdb::SqlError &e) {
        throw DbError(e.message());
    }
}

void EmbeddedClient::commitTrans()
{
    labdb::Session &s = session();
    m_journal.append(QStringLiteral("COMMIT"));
    if (m_failCommit)
        throw DbError(QStringLiteral("The transaction could not commit (injected fault)."));
    try {
        s.commit();
    } catch (const labdb::SqlError &e) {
        throw DbError(e.message());
    }
}

void EmbeddedClient::rollbackTrans()
{
    labdb::Session &s = session();
    m_journal.append(QStringLiteral("ROLLBACK"));
    if (m_failRollback)
        throw DbError(QStringLiteral("The transaction could not roll back (injected fault)."));
    try {
        s.rollback();
    } catch (const labdb::SqlError &e) {
        throw DbError(e.message());
    }
}

void EmbeddedClient::failCommand(int n)
{
    m_failCommandIn = n > 0 ? n : 0;
}

void EmbeddedClient::dropConnectionAfter(int n)
{
    if (n <= 0) {
        if (m_session)
            dropConnection();
        return;
    }
    m_dropAfter = n;
}

void EmbeddedClient::clearFaults()
{
    m_failCommandIn = 0;
    m_dropAfter = -1;
    m_failBegin = m_failCommit = m_failRollback = m_failOpen = false;
}

void EmbeddedClient::setServerClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
    if (m_session)
        m_session->setClock(m_clock);
}

} // namespace db
