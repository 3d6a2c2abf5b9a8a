#pragma once

#include <QLoggingCategory>

namespace counter {
// "norvane.ui": what the counter's work tells the site's IT (see the program's log
// file), under the same name as its window's (ui::lcUi).
Q_DECLARE_LOGGING_CATEGORY(lcCounter)
} // namespace counter
