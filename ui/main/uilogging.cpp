#include "ui/main/uilogging.h"

namespace ui {
Q_LOGGING_CATEGORY(lcUi, "norvane.ui")
} // namespace ui
