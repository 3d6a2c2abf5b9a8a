#include "counter/counterlogging.h"

namespace counter {
Q_LOGGING_CATEGORY(lcCounter, "norvane.ui")
} // namespace counter
