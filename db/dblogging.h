#pragma once

#include <QLoggingCategory>

namespace db {
// "norvane.db": what this layer tells the site's IT (see the program's log file).
Q_DECLARE_LOGGING_CATEGORY(lcDb)
} // namespace db
