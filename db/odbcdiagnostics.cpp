#include "db/odbcdiagnostics.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>
#include <QVariant>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace db {

namespace {

// Qt SQL's ODBC driver hands its handles out as a QVariant holding an SQLHANDLE.
SQLHANDLE handleOf(const QVariant &value)
{
    if (!value.isValid() || value.metaType().sizeOf() != int(sizeof(SQLHANDLE)))
        return nullptr;
    return *static_cast<const SQLHANDLE *>(value.constData());
}

void appendStates(SQLSMALLINT type, SQLHANDLE handle, QStringList &states)
{
    if (!handle)
        return;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRec(type, handle, record, state, &native, nullptr, 0, &length);
        if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
            break;
        states.append(QString::fromLatin1(reinterpret_cast<const char *>(state), 5));
    }
}

SQLHANDLE connectionHandle(const QSqlDatabase &database)
{
    const QSqlDriver *driver = database.driver();
    return driver ? handleOf(driver->handle()) : nullptr;
}

} // namespace

QStringList odbcSqlStates(const QSqlDatabase &database, const QSqlQuery *query)
{
    QStringList states;
    if (query && query->result())
        appendStates(SQL_HANDLE_STMT, handleOf(query->result()->handle()), states);
    appendStates(SQL_HANDLE_DBC, connectionHandle(database), states);
    return states;
}

bool odbcConnectionDead(const QSqlDatabase &database)
{
    SQLHANDLE connection = connectionHandle(database);
    if (!connection || !database.isOpen())
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN r = SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    return (r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO) && dead == SQL_CD_TRUE;
}

int odbcDriverSocket(const QSqlDatabase &database)
{
    // FreeTDS's own information type SQL_INFO_FREETDS_SOCKET.
    constexpr SQLUSMALLINT kFreeTdsSocket = 1301;
    SQLHANDLE connection = connectionHandle(database);
    if (!connection || !database.isOpen())
        return -1;
    SQLULEN socket = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN r = SQLGetInfo(connection, kFreeTdsSocket, &socket, sizeof socket, &length);
    if ((r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO) || length != SQLSMALLINT(sizeof socket))
        return -1;
    return int(socket);
}

} // namespace db
