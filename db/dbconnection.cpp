#include "db/dbconnection.h"

#include "db/sqlserverclient.h"

#include <QCoreApplication>

namespace db {

namespace {

std::unique_ptr<DbClient> &connection()
{
    static std::unique_ptr<DbClient> client;
    return client;
}

// The client goes while the application object is still there, so that its
// driver can close the connection properly before Qt unloads it.
void releaseConnection()
{
    connection().reset();
}

void registerRelease()
{
    static bool registered = false;
    if (!registered && QCoreApplication::instance()) {
        qAddPostRoutine(releaseConnection);
        registered = true;
    }
}

} // namespace

DbClient &DbConnection()
{
    if (!connection())
        connection() = std::make_unique<SqlServerClient>();
    registerRelease();
    return *connection();
}

void installConnection(std::unique_ptr<DbClient> client)
{
    connection() = std::move(client);
    registerRelease();
}

} // namespace db
