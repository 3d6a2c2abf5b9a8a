#include "db/serverdate.h"

#include "db/commands.h"
#include "db/dbclient.h"
#include "db/dbconnection.h"

namespace db {

QDateTime GetServerDate(DbClient &connection)
{
    // The result object lives only for this call.
    const DbResult result = connection.openReadOnce(serverDateCommand());
    return result.dateTime(QStringLiteral("serverdate"));
}

QDateTime GetServerDate()
{
    return GetServerDate(DbConnection());
}

} // namespace db
