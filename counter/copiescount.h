#pragma once

#include <QString>

#include <optional>

namespace counter {

// The number of copies from the copies box, converted the way the platform turns
// text into a 16-bit signed integer: spaces around the number are allowed, a sign,
// a decimal fraction and an exponent too, and a fraction is rounded to the nearest
// whole number, a half to the even neighbour:
//   "3" " 3 " "+3" "3.0" "3e0" -> 3    "2.5" -> 2    "3.5" -> 4    "-0.5" -> 0
// Nothing when the text is not such a number ("", "abc", "3 4", "1,000", "0x10")
// or when the rounded value lies outside -32,768 to 32,767 ("32767.5", "40000").
std::optional<qint16> copiesCount(const QString &text);

} // namespace counter
