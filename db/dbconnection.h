#pragma once

#include "db/dbclient.h"

#include <memory>

namespace db {

// The program's one database connection. It comes into being at its first use,
// as a SQL Server client unless another client was installed before that; the same
// object serves every later use and lives until the program ends.
DbClient &DbConnection();

// Installs the client that DbConnection() hands out (the embedded database for
// the demo and the tests). Replaces any earlier one; meant for start-up and tests.
void installConnection(std::unique_ptr<DbClient> client);

} // namespace db
