#include "db/embeddedclient.h"

#include "db/dberror.h"
#include "labdb/session.h"

#include <QCoreApplication>

namespace db {

namespace {

DbResult toResult(const labdb::Outcome &outcome, bool wholeResult)
{
    // A command without a result set leaves the result object closed.
    if (!outcome.hasResultSet)
        throw DbError(
            QCoreApplication::translate("db::DbClient", "Operation is not allowed when the object is closed."),
            DbError::Kind::Command, false, QString::fromUtf16(kStateNotOpen));
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

void EmbeddedClient::onSession(const std::function<void(labdb::Session &)> &work)
{
    if (!m_session)
        throw DbError(
            QCoreApplication::translate("db::DbClient", "Operation is not allowed when the object is closed."),
            DbError::Kind::Command, false, QString::fromUtf16(kStateNotOpen));
    try {
        work(*m_session);
    } catch (const labdb::SqlError &e) {
        throw DbError(e.message());
    }
}

void EmbeddedClient::execute(const QString &command)
{
    onSession([&command](labdb::Session &s) { s.execute(command); });
}

DbResult EmbeddedClient::openStatic(const QString &command)
{
    DbResult result;
    onSession([&](labdb::Session &s) { result = toResult(s.execute(command), true); });
    return result;
}

DbResult EmbeddedClient::openReadOnce(const QString &command)
{
    DbResult result;
    onSession([&](labdb::Session &s) { result = toResult(s.execute(command), false); });
    return result;
}

void EmbeddedClient::beginTrans()
{
    onSession([](labdb::Session &s) { s.begin(); });
}

void EmbeddedClient::commitTrans()
{
    onSession([](labdb::Session &s) { s.commit(); });
}

void EmbeddedClient::rollbackTrans()
{
    onSession([](labdb::Session &s) { s.rollback(); });
}

void EmbeddedClient::setServerClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
    if (m_session)
        m_session->setClock(m_clock);
}

} // namespace db
