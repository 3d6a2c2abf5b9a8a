#pragma once

#include <QStringList>

class QSqlDatabase;
class QSqlQuery;

namespace db {

// What the ODBC driver itself says about a failure, beyond Qt's error text: read
// straight from the driver's handles, which Qt SQL's ODBC driver hands out.

// The SQLSTATEs of the diagnostic records of the query's statement (when given and
// still allocated) and of the connection, in the driver's order; e.g. "08S01"
// (communication link failure), "HYT00" (time-out expired), "42000".
QStringList odbcSqlStates(const QSqlDatabase &database, const QSqlQuery *query);

// The driver's own judgement (SQL_ATTR_CONNECTION_DEAD) that the connection is gone;
// false when the driver cannot say.
bool odbcConnectionDead(const QSqlDatabase &database);

// The socket of the connection, where the driver tells it (FreeTDS); -1 otherwise.
int odbcDriverSocket(const QSqlDatabase &database);

} // namespace db
