#pragma once

#include <QLoggingCategory>

namespace label {
// "norvane.print": what the labels' layers (label/, output/, report/) tell the site's
// IT (see the program's log file).
Q_DECLARE_LOGGING_CATEGORY(lcPrint)
} // namespace label
