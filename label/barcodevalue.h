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

} // namespace label
