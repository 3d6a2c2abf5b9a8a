#pragma once

#include <QLoggingCategory>

namespace ui {
// "norvane.ui": what this layer tells the site's IT (see the program's log file).
Q_DECLARE_LOGGING_CATEGORY(lcUi)
} // namespace ui
