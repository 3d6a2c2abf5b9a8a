#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

namespace db {

// The general date form of a date-time under a locale: the short date with a
// four-digit year, one blank, the long time to the second without a time zone
// (and without the brackets or comma that frame the zone in some locales); the
// date alone when the time of day is exactly midnight.
// en_US: 9 December 2024 14:05:33 -> "12/9/2024 2:05:33 PM";
// es_ES: "9/12/2024 14:05:33".
QString generalDate(const QDateTime &value, const QLocale &locale);
// The same under generalDateLocale().
QString generalDate(const QDateTime &value);
// A time of day alone (a TIME value): the long time form, to the second.
QString generalTime(const QTime &value, const QLocale &locale);

// The locale of the general date form: the one set (the [Dates] Locale setting),
// or the workstation's (QLocale()).
QLocale generalDateLocale();
void setGeneralDateLocale(const std::optional<QLocale> &locale);

} // namespace db
