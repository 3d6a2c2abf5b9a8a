#include "db/readretry.h"

#include "db/dbclient.h"
#include "db/dberror.h"
#include "db/dblogging.h"

#include <QScopeGuard>

namespace db {

DbResult openStaticRetryingOnce(DbClient &connection, const QString &command)
{
    // Both tries within one command time-out.
    connection.beginCommandSpan();
    const auto endSpan = qScopeGuard([&connection] { connection.endCommandSpan(); });
    try {
        return connection.openStatic(command);
    } catch (const DbError &e) {
        if (e.kind() != DbError::Kind::ConnectionLost)
            throw;
        qCInfo(lcDb, "A read met a lost connection (%s); trying it once more on a new one",
               qUtf8Printable(e.description()));
    }
    return connection.openStatic(command);
}

} // namespace db
