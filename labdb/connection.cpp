#include "labdb/connection.h"

#include "labdb/session.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace labdb {

namespace {

std::atomic<quint64> connectionCounter{0};

[[noreturn]] void cannotOpen()
{
    throw SqlError(4060,
                   QStringLiteral("Cannot open database \"Laboratory\" requested by the login. The login failed."));
}

} // namespace

Connection::Connection(const QString &databasePath, bool mustExist)
    : m_name(QStringLiteral("labdb-%1").arg(++connectionCounter))
{
    if (mustExist && !QFileInfo(databasePath).isFile())
        cannotOpen();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(databasePath);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        const QString text = m_db.lastError().text();
        release();
        if (mustExist)
            cannotOpen();
        throw SqlError(50000, QStringLiteral("The laboratory database file cannot be opened: %1").arg(text));
    }
    try {
        if (mustExist) {
            QSqlQuery probe(m_db);
            if (!probe.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'exams'"))
                || !probe.next())
                cannotOpen();
        }
        run(QStringLiteral("PRAGMA foreign_keys = ON"));
    } catch (...) {
        release();
        throw;
    }
}

Connection::~Connection()
{
    release();
}

void Connection::release()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void Connection::run(const QString &statement)
{
    QSqlQuery query(m_db);
    if (!query.exec(statement))
        throw SqlError(50000, QStringLiteral("The laboratory database failed: %1").arg(query.lastError().text()));
}

} // namespace labdb
