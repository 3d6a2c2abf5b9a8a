#pragma once

#include <QString>

namespace label {

// What a barcode value may hold: printable ASCII only, the blank (32) to the tilde
// (126). Code 128 would carry other characters through its extended set, and
// scanners read those back as different characters ("PEÑA01" reads "PEQA01"), so
// a sticker would name another specimen.
//
// The refusal shown at the counter for any other value: which character is wrong
// and what to do about it. Empty when the value is fine.
QString unprintableBarcodeMessage(const QString &value);

// Whether a barcode value carries nothing a scanner could read: empty, or blanks (the
// space, 32) only. A sticker of such a value names no specimen, and the print log
// records nothing for it.
bool isBlankBarcode(const QString &value);

// The refusal shown at the counter for such a value. It names the exam (for example
// "item 3 of the list, HEMATOLOGY"), since the value itself shows nothing.
QString blankBarcodeMessage(const QString &value, const QString &exam);

} // namespace label
