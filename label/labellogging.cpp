#include "label/labellogging.h"

namespace label {
Q_LOGGING_CATEGORY(lcPrint, "norvane.print")
} // namespace label
