#pragma once

#include <QLoggingCategory>

namespace journal {
// "norvane.journal": what the print journal tells the site's IT (see the program's log file).
Q_DECLARE_LOGGING_CATEGORY(lcJournal)
} // namespace journal
