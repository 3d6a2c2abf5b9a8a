#include "db/sqlserverclient.h"

#include "db/connectionstring.h"
#include "db/dberror.h"
#include "db/dblogging.h"
#include "db/encryptionprobe.h"
#include "db/odbcdiagnostics.h"
#include "db/odbcresultreader.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>

namespace db {

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("norvane-sqlserver-%1").arg(counter.fetchAndAddRelaxed(1));
}

// A driver's error that ended with the connection: class 08 (connection
// exception: 08S01 communication link failure, 08003 not open, 08007 lost during
// the transaction, 08001 cannot connect) or the driver's own judgement.
bool linkStateLost(const QStringList &states)
{
    for (const QString &state : states) {
        if (state.startsWith(QLatin1String("08")))
            return true;
    }
    return false;
}

// The watchdog ends a command this long after its time-out, so that a server
// that acknowledges the driver's cancel (a command waiting for a lock) does so.
constexpr int kCancelGraceMs = 500;

bool timeOutState(const QStringList &states)
{
    // S1T00 is HYT00 in ODBC 2's words, which FreeTDS uses for Qt's connection.
    return states.contains(QLatin1String("HYT00")) || states.contains(QLatin1String("HYT01"))
        || states.contains(QLatin1String("S1T00"));
}

} // namespace

SqlServerClient::SqlServerClient(int loginTimeoutSeconds, const QString &driver, int commandTimeoutSeconds)
    : m_connectionName(newConnectionName())
    , m_driver(driver.isEmpty() ? odbcDriverName() : driver)
    , m_loginTimeoutSeconds(loginTimeoutSeconds)
    , m_commandTimeoutSeconds(commandTimeoutSeconds)
{
    QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
}

SqlServerClient::~SqlServerClient()
{
    // (m_freeTdsConfig, a file of this process alone, goes with the client.)
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
    static const QRegularExpression tags(
        QStringLiteral("\\[(FreeTDS|SQL Server|Microsoft|unixODBC|Driver Manager|ODBC[^\\]]*)\\]"));
    text.remove(tags);
    return text.trimmed();
}

bool SqlServerClient::isOpen() const
{
    return database().isOpen();
}

QString SqlServerClient::driverConnectionString() const
{
    return database().databaseName();
}

void SqlServerClient::open(const QString &connectionString)
{
    openWithSettings(parseConnectionString(connectionString));
}

void SqlServerClient::openWithSettings(const ConnectionSettings &settings)
{
    m_settings = settings;
    m_reopen = false;
    m_inTransaction = false;
    m_transactionLost = false;
    connect();
}

void SqlServerClient::connect()
{
    QSqlDatabase db = database();
    if (!db.isValid())
        throw DbError(
            QCoreApplication::translate("db::DbClient", "The ODBC driver of Qt SQL (QODBC) is not available."));
    if (db.isOpen())
        db.close();
    QString text = odbcConnectionString(*m_settings, m_driver);
    if (isFreeTds(m_driver) && !m_settings->caFile.isEmpty())
        useFreeTdsConfiguration(freeTdsConfiguration(*m_settings));
    // A connection opened again within a command span has what is left of it.
    int loginTimeout = m_loginTimeoutSeconds;
    if (m_span)
        loginTimeout = int(qBound(qint64(1), m_span->remainingTime() / 1000, qint64(m_loginTimeoutSeconds)));
    QString options = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(loginTimeout);
    // FreeTDS takes its query time-out from the connection string and applies it
    // to every request, transaction requests included; ODBC's request time-out of
    // the connection is the portable form for the other drivers.
    if (isFreeTds(m_driver))
        text += QStringLiteral(";Timeout=%1").arg(driverTimeoutSeconds());
    else
        options += QStringLiteral(";SQL_ATTR_CONNECTION_TIMEOUT=%1").arg(driverTimeoutSeconds());
    db.setDatabaseName(text);
    db.setConnectOptions(options);
    if (!db.open()) {
        QString description = describe(db.lastError());
        // The driver's own words say why; where it gave none, the state says what.
        QString state;
        if (description.isEmpty()) {
            description = QCoreApplication::translate("db::DbClient", "Unable to connect to the database server.");
            state = QString::fromUtf16(kStateCannotConnect);
        }
        QString hint = connectionFailureHint(*m_settings, description);
        if (hint.isEmpty() && m_settings->encryptionRequired())
            hint = encryptionFailureHint(*m_settings, probeOfferedEncryption(m_settings->server));
        if (!hint.isEmpty())
            description += QLatin1Char(' ') + hint;
        qCWarning(lcDb, "Cannot connect to the database server \"%s\": %s", qUtf8Printable(m_settings->server),
                  qUtf8Printable(description));
        throw DbError(description, DbError::Kind::NotConnected, false, state);
    }
}

void SqlServerClient::useFreeTdsConfiguration(const QString &configuration)
{
    // FreeTDS reads its configuration file at every connection, from the file
    // FREETDSCONF names: one of this process's own, readable by its user alone.
    if (!m_freeTdsConfig) {
        m_freeTdsConfig = std::make_unique<QTemporaryFile>(
            QDir::temp().filePath(QStringLiteral("norvane-freetds-XXXXXX.conf")));
        if (!m_freeTdsConfig->open())
            throw DbError(QCoreApplication::translate("db::DbClient", "Cannot write FreeTDS's configuration file: %1")
                              .arg(m_freeTdsConfig->errorString()),
                          DbError::Kind::NotConnected);
    }
    m_freeTdsConfig->resize(0);
    m_freeTdsConfig->seek(0);
    m_freeTdsConfig->write(configuration.toUtf8());
    m_freeTdsConfig->flush();
    qputenv("FREETDSCONF", QFile::encodeName(m_freeTdsConfig->fileName()));
}

void SqlServerClient::close()
{
    QSqlDatabase db = database();
    db.close();
    m_reopen = false;
    m_inTransaction = false;
    m_transactionLost = false;
}

void SqlServerClient::loseConnection()
{
    QSqlDatabase db = database();
    db.close();
    m_reopen = m_settings.has_value();
    if (m_inTransaction)
        m_transactionLost = true;
}

void SqlServerClient::fail(const QSqlError &error, const QString &fallback, const QSqlQuery *query, qint64 elapsedMs,
                           bool commit)
{
    QString description = describe(error);
    if (description.isEmpty())
        description = fallback;
    // The states are read before anything else is asked of the driver: every call
    // on a handle clears its diagnostics.
    const QSqlDatabase db = database();
    const QStringList states = odbcSqlStates(db, query);
    const bool fired = stopWatch();
    const bool lost = fired || linkStateLost(states) || odbcConnectionDead(db);
    // Where the watchdog cannot watch, the clock speaks only where the driver gave
    // no state of its own, or a lost link: a server's error that merely came late
    // (a deadlock victim after a long wait) is that error, not a time-out.
    const bool timedOut = fired || timeOutState(states)
        || (!m_watched && (states.isEmpty() || lost) && ranIntoTimeOut(elapsedMs));
    if (!timedOut && !lost)
        throw DbError(description);
    if (timedOut)
        description = timeOutDescription(description);
    // The driver cancelled the command and the server acknowledged it (a command
    // waiting for a lock): the connection goes on, and so does an open transaction,
    // for its rollback.
    if (!lost) {
        qCWarning(lcDb, "A command was cancelled after the command time-out (%s): %s",
                  qUtf8Printable(states.join(u',')), qUtf8Printable(description));
        throw DbError(description, DbError::Kind::TimedOut, commit, QString::fromUtf16(kStateTimedOut));
    }

    // A connection lost, or a server that never acknowledged the cancel, leaves the
    // conversation with the server where nobody knows: the connection is given up.
    const DbError::Kind kind = timedOut ? DbError::Kind::TimedOut : DbError::Kind::ConnectionLost;
    qCWarning(lcDb, "The connection to the database server was %s (%s): %s",
              timedOut ? "given up after the command time-out" : "lost", qUtf8Printable(states.join(u',')),
              qUtf8Printable(description));
    loseConnection();
    throw DbError(description, kind, commit, timedOut ? QString::fromUtf16(kStateTimedOut) : QString());
}

QDeadlineTimer SqlServerClient::commandDeadline() const
{
    return m_span ? *m_span : QDeadlineTimer(qint64(m_commandTimeoutSeconds) * 1000 + kCancelGraceMs);
}

void SqlServerClient::startWatch()
{
    m_watchFired = false;
    const int socket = odbcDriverSocket(database());
    m_watched = socket >= 0;
    if (m_watched)
        m_watchdog.arm(socket, commandDeadline());
}

bool SqlServerClient::stopWatch()
{
    m_watchFired = m_watchdog.disarm() || m_watchFired;
    return m_watchFired;
}

void SqlServerClient::beginCommandSpan()
{
    m_span = QDeadlineTimer(qint64(m_commandTimeoutSeconds) * 1000 + kCancelGraceMs);
}

void SqlServerClient::endCommandSpan()
{
    m_span.reset();
}

int SqlServerClient::driverTimeoutSeconds() const
{
    // The whole time-out: the driver cancels a command that waits on the server
    // then; where the server does not acknowledge, the watchdog ends it.
    return m_commandTimeoutSeconds;
}

bool SqlServerClient::ranIntoTimeOut(qint64 elapsedMs) const
{
    return elapsedMs >= qint64(driverTimeoutSeconds()) * 1000 - 250;
}

QString SqlServerClient::timeOutDescription(const QString &driverText) const
{
    // FreeTDS reports a server that never answers its cancel as a communication
    // link failure: say first what happened.
    if (driverText.contains(QLatin1String("Timeout expired"), Qt::CaseInsensitive))
        return driverText;
    return QCoreApplication::translate("db::DbClient",
                                       "Timeout expired: the database server did not answer within %1 seconds (%2)")
        .arg(m_commandTimeoutSeconds)
        .arg(driverText);
}

void SqlServerClient::readyForCommand()
{
    if (m_transactionLost)
        throw DbError(QCoreApplication::translate(
                          "db::DbClient", "The connection to the database server was lost during the transaction."),
                      DbError::Kind::ConnectionLost, false, QString::fromUtf16(kStateLinkFailure));
    if (database().isOpen())
        return;
    if (!m_reopen || m_inTransaction)
        throw DbError(
            QCoreApplication::translate("db::DbClient", "Operation is not allowed when the object is closed."),
            DbError::Kind::Command, false, QString::fromUtf16(kStateNotOpen));
    // Once per command: a reopen that fails leaves the next command to try again.
    qCInfo(lcDb, "Reopening the connection to the database server \"%s\"", qUtf8Printable(m_settings->server));
    connect();
    m_reopen = false;
}

DbResult SqlServerClient::runQuery(const QString &command, bool wholeResult)
{
    readyForCommand();
    QSqlDatabase db = database();
    QElapsedTimer clock;
    clock.start();
    startWatch();

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(command))
        fail(query.lastError(), QCoreApplication::translate("db::DbClient", "The command failed."), &query,
             clock.elapsed());

    // The results are read through the driver itself: Qt SQL would give long
    // texts back empty.
    QStringList columns;
    QList<QVariantList> rows;
    try {
        OdbcResultReader reader(query);
        // Row counts of statements before the rows (a procedure without NOCOUNT)
        // come as results without columns: the rows are in the first that has some.
        if (reader.findRows()) {
            columns = reader.columns();
            QVariantList row;
            while (reader.fetch(row)) {
                rows.append(row);
                if (!wholeResult)
                    break;
            }
        }
        // Read past the remaining results: an error that the server raises after
        // the rows arrives only there, and must not pass for success.
        reader.finish();
    } catch (const OdbcReadFailure &e) {
        fail(QSqlError(QString(), e.messages()),
             QCoreApplication::translate("db::DbClient", "The result could not be read."), &query, clock.elapsed());
    }
    if (stopWatch()) {
        // The watchdog came just as the last bytes did: the result is whole, but
        // the connection's socket is shut; it is opened again for the next command.
        loseConnection();
    }

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
    readyForCommand();
    QSqlDatabase db = database();
    QElapsedTimer clock;
    clock.start();
    startWatch();
    if (!db.transaction())
        fail(db.lastError(), QCoreApplication::translate("db::DbClient", "The transaction could not be started."),
             nullptr, clock.elapsed());
    stopWatch();
    m_inTransaction = true;
}

void SqlServerClient::commitTrans()
{
    if (m_transactionLost)
        throw DbError(QCoreApplication::translate(
                          "db::DbClient", "The connection to the database server was lost during the transaction."),
                      DbError::Kind::ConnectionLost, false, QString::fromUtf16(kStateLinkFailure));
    QSqlDatabase db = database();
    if (!db.isOpen())
        throw DbError(
            QCoreApplication::translate("db::DbClient", "Operation is not allowed when the object is closed."),
            DbError::Kind::Command, false, QString::fromUtf16(kStateNotOpen));
    QElapsedTimer clock;
    clock.start();
    startWatch();
    // A commit whose connection goes before its answer has come is in doubt: the
    // server may have committed.
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        // Qt's commit is the driver's commit, then the return to autocommit (which
        // FreeTDS sends as a rollback of the transaction the commit began anew).
        // When only that second step failed, the commit is done: telling it as failed
        // would have it recorded twice. The connection's state is unknown, though:
        // it is closed, and the next command opens it again.
        if (error.driverText().contains(QLatin1String("autocommit"), Qt::CaseInsensitive)) {
            qCWarning(lcDb, "Committed, but the connection could not return to autocommit; it is closed: %s",
                      qUtf8Printable(describe(error)));
            stopWatch();
            m_inTransaction = false;
            loseConnection();
            return;
        }
        fail(error, QCoreApplication::translate("db::DbClient", "The transaction could not be committed."), nullptr,
             clock.elapsed(), true);
    }
    m_inTransaction = false;
    if (stopWatch())
        loseConnection();
}

void SqlServerClient::rollbackTrans()
{
    if (m_transactionLost) {
        // The server discards the open transaction of a connection that went.
        m_transactionLost = false;
        m_inTransaction = false;
        return;
    }
    QSqlDatabase db = database();
    // Nothing began: the connection was closed and could not be opened again.
    if (!m_inTransaction && !db.isOpen())
        throw DbError(
            QCoreApplication::translate("db::DbClient", "Operation is not allowed when the object is closed."),
            DbError::Kind::Command, false, QString::fromUtf16(kStateNotOpen));
    QElapsedTimer clock;
    clock.start();
    startWatch();
    const bool rolledBack = db.isOpen() && db.rollback();
    const bool fired = stopWatch();
    m_inTransaction = false;
    if (rolledBack) {
        if (fired)
            loseConnection();
        return;
    }
    // A rollback that fails leaves the transaction's state unknown: the connection
    // is given up, so that nothing later runs inside what is left of it.
    const QSqlError error = db.lastError();
    const QString description = describe(error);
    qCWarning(lcDb, "The rollback failed; the connection to the database server is closed: %s",
              qUtf8Printable(description));
    const bool timedOut = fired || (!m_watched && ranIntoTimeOut(clock.elapsed()));
    loseConnection();
    const QString text = description.isEmpty()
        ? QCoreApplication::translate("db::DbClient", "The transaction could not be rolled back.")
        : description;
    throw DbError(timedOut ? timeOutDescription(text) : text,
                  timedOut ? DbError::Kind::TimedOut : DbError::Kind::ConnectionLost, false,
                  timedOut ? QString::fromUtf16(kStateTimedOut) : QString());
}

} // namespace db
