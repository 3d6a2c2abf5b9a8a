#pragma once

#include <QString>

namespace counter {

// The key filter of the number box: the character is replaced by its
// upper-case form, and an apostrophe (code 39) becomes 0, so that nothing is
// inserted. The number goes between apostrophes in the search command.
void numberKeyPress(int &charCode);

// The second argument of the search command, from the number box's untrimmed
// text: 3 when the text matches "T*C" (first character T, last C), ends in
// "B", or reads as a number; 2 otherwise. The patterns compare exactly, so
// case matters and a leading or trailing space defeats them:
//   "T123C" "TC" "ABCB" "B" "123" "1E3" " 123" "-1.5e-3 "  -> 3
//   "ABC" "X12" "t123c" " T123C" "ABCB "                    -> 2
int searchMode(const QString &number);

// The number test of searchMode and of the copies box (copiesCount): optional
// spaces, an optional sign, digits with an optional decimal part (or a decimal
// part alone), an optional exponent, optional spaces. Group separators, currency
// signs and hexadecimal forms are not numbers here.
bool isNumeric(const QString &text);

} // namespace counter
