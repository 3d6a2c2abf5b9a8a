#include "app/applogging.h"

namespace app {
Q_LOGGING_CATEGORY(lcApp, "norvane.app")
} // namespace app
