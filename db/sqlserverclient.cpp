#include "sqlserverclient.h"

#include "connectionstring.h"
#include "dberror.h"

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace db {

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("norvane-sqlserver-%1").arg(counter.fetchAndAddRelaxed(1));
}

[[noreturn]] void fail(const QSqlError &error, const QString &fallback)
{
    const QString description = SqlServerClient::describe(error);
    throw DbError(description.isEmpty() ? fallback : description);
}

} // namespace

SqlServerClient::SqlServerClient(int loginTimeoutSeconds, const QString &driver)
    : m_connectionName(newConnectionName())
    , m_driver(driver.isEmpty() ? odbcDriverName() : driver)
    , m_loginTimeoutSeconds(loginTimeoutSeconds)
{
    QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
}

SqlServerClient::~SqlServerClient()
{
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase SqlServerClient::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString SqlServerClient::describe(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    // Each message of the driver starts with the tags of its sources.
    static const QRegularExpression tags(QStringLiteral(
        "\\[(FreeTDS|SQL Server|Microsoft|unixODBC|Driver Manager|ODBC[^\\]]*)\\]"));
    text.remove(tags);
    return text.trimmed();
}

bool SqlServerClient::isOpen() const
{
    return database().isOpen();
}

void SqlServerClient::open(const QString &connectionString)
{
    openWithSettings(parseConnectionString(connectionString));
}

void SqlServerClient::openWithSettings(const ConnectionSettings &settings)
{
    QSqlDatabase db = database();
    if (!db.isValid())
        throw DbError(QStringLiteral("The ODBC driver of Qt SQL (QODBC) is not available."));
    if (db.isOpen())
        db.close();
    db.setDatabaseName(odbcConnectionString(settings, m_driver));
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(m_loginTimeoutSeconds));
    if (!db.open())
        fail(db.lastError(), QStringLiteral("Unable to connect to the database server."));
}

void SqlServerClient::close()
{
    QSqlDatabase db = database();
    db.close();
}

DbResult SqlServerClient::runQuery(const QString &command, bool wholeResult)
{
    QSqlDatabase db = database();
    if (!db.isOpen())
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(command))
        fail(query.lastError(), QStringLiteral("The command failed."));
    // Row counts of statements before the rows (a procedure without NOCOUNT)
    // come as results without columns: the rows are in the first result that has some.
    while (!query.isSelect()) {
        if (!query.nextResult())
            break;
    }

    QStringList columns;
    QList<QVariantList> rows;
    if (query.isSelect()) {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            columns.append(record.fieldName(i));
        while (query.next()) {
            QVariantList row;
            row.reserve(columns.size());
            for (int i = 0; i < columns.size(); ++i)
                row.append(query.value(i));
            rows.append(row);
            if (!wholeResult)
                break;
        }
        if (wholeResult && query.lastError().isValid())
            fail(query.lastError(), QStringLiteral("The result could not be read."));
    }
    // Read past the remaining results: an error that the server raises after the
    // rows arrives only there, and must not pass for success.
    while (query.nextResult()) {
    }
    if (query.lastError().isValid())
        fail(query.lastError(), QStringLiteral("The command failed."));

    const qint64 count = wholeResult ? rows.size() : -1;
    return DbResult(columns, rows, count);
}

void SqlServerClient::execute(const QString &command)
{
    runQuery(command, false);
}

DbResult SqlServerClient::openStatic(const QString &command)
{
    return runQuery(command, true);
}

DbResult SqlServerClient::openReadOnce(const QString &command)
{
    return runQuery(command, false);
}

void SqlServerClient::beginTrans()
{
    QSqlDatabase db = database();
    if (!db.transaction())
        fail(db.lastError(), QStringLiteral("The transaction could not be started."));
}

void SqlServerClient::commitTrans()
{
    QSqlDatabase db = database();
    if (!db.commit())
        fail(db.lastError(), QStringLiteral("The transaction could not be committed."));
}

void SqlServerClient::rollbackTrans()
{
    QSqlDatabase db = database();
    if (!db.rollback())
        fail(db.lastError(), QStringLiteral("The transaction could not be rolled back."));
}

} // namespace db
