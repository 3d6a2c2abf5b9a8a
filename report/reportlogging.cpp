#include "reportlogging.h"

namespace report {
Q_LOGGING_CATEGORY(lcPrint, "norvane.print")
} // namespace report
