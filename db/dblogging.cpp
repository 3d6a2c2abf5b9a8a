#include "db/dblogging.h"

namespace db {
Q_LOGGING_CATEGORY(lcDb, "norvane.db")
} // namespace db
