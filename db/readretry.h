#pragma once

#include "db/dbresult.h"

#include <QString>

namespace db {

class DbClient;

// Runs a read outside any transaction (fetched whole, like openStatic) that may
// safely be sent twice. When it meets a connection that turns out to be lost (a
// server restarted since the last command, say), the client has closed it; the
// read then runs once more, and the client opens the connection again for it;
// both tries, and that opening, share one command time-out. A read that timed out is not repeated (the user has waited long enough), nor one
// whose connection could not be opened again. Every other failure, and a second
// one, is thrown as it came.
DbResult openStaticRetryingOnce(DbClient &connection, const QString &command);

} // namespace db
