#pragma once

#include <QLoggingCategory>

namespace report {
// "norvane.print": what this layer tells the site's IT (see the program's log file).
Q_DECLARE_LOGGING_CATEGORY(lcPrint)
} // namespace report
