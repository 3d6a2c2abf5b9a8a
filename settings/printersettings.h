#pragma once

#include <QString>

// The label printer's settings, beside the connection settings in the same per-user
// store (application "ZEMRIX Current User"), section "Printer". Read only, never
// written. They matter only for a raw print queue (one without a driver, which hands
// jobs to the printer unchanged):
//   Language    the printer's language; "ZPL" prints stickers as ZPL. Not set: a raw
//               default queue is refused with a message before anything is printed.
//   Resolution  the printer's dots per inch (203, 300, 600); not set: 203.
namespace settings {

inline constexpr char16_t kPrinterSection[] = u"Printer";

struct PrinterSettings
{
    QString language;    // trimmed; empty when not set
    int dotsPerInch = 0; // 0 when not set, -1 when the setting is no number
};

PrinterSettings readPrinterSettings();

} // namespace settings
