#include "journal/journallogging.h"

namespace journal {
Q_LOGGING_CATEGORY(lcJournal, "norvane.journal")
} // namespace journal
