#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace db {

// The general date form of a date-time under a locale: the short date with a
// four-digit year, one blank, the long time to the second without a time zone;
// the date alone when the time of day is exactly midnight.
// en_US: 9 December 2024 14:05:33 -> "12/9/2024 2:05:33 PM".
QString generalDate(const QDateTime &value, const QLocale &locale = QLocale());

} // namespace db
