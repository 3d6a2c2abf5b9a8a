#pragma once

#include <QLoggingCategory>

namespace app {
// "norvane.app": what this layer tells the site's IT (see the program's log file).
Q_DECLARE_LOGGING_CATEGORY(lcApp)
} // namespace app
