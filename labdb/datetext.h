#pragma once

#include <QDateTime>
#include <QString>

namespace labdb {

// How SQL Server reads a text as a datetime: by the session's date order
// (SET DATEFORMAT, "mdy" under the us_english login language), as a varchar
// converted to datetime does. Accepted, with blanks around:
//   numeric dates   12/9/2024, 12-9-24, 12.09.2024 (in the session's order; a
//                   four-digit year first reads year, month, day in the mdy,
//                   ymd and myd orders and year, day, month in the others)
//   unseparated     20241209
//   ISO 8601        2024-12-09T14:05:33 (any date order)
//   month names     Dec 9 2024, 9 December 2024, December 9, 2024
// each alone (midnight) or followed by a time: 14:05, 14:05:33, 14:05:33.997,
// 2:05:33 PM, 2PM. A time alone is on 1 January 1900. Digits are ASCII only.
// A text of another form throws SqlError 241 ("Conversion failed when converting
// date and/or time from character string."); a form whose fields are out of
// range (month 13, 31 November, 25 o'clock, a year before 1753) throws 242.
// 09/12/2024 14:05:33 under mdy is 12 September 2024.
QDateTime readDateTime(const QString &text, const QString &dateOrder = QStringLiteral("mdy"));

// Whether order is one that SET DATEFORMAT takes.
bool isDateOrder(const QString &order);

} // namespace labdb
