#pragma once

#include <QDateTime>

namespace db {

class DbClient;

// The database server's current date and time, read once with
// "SELECT getdate() as serverdate" as a read-once (server-side) result on the
// given connection. It handles no failure of its own: a failed query, a result
// without rows or a serverdate that is not a date-time throws DbError.
QDateTime GetServerDate(DbClient &connection);

// The same on the program's one connection, DbConnection().
QDateTime GetServerDate();

} // namespace db
