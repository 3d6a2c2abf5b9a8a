#pragma once

#include <QString>

// The label printer's settings, beside the connection settings in the same per-user
// store (application "ZEMRIX Current User"), section "Printer". Read only, never
// written. The first two matter only for a raw print queue (one without a driver,
// which hands jobs to the printer unchanged):
//   Language        the printer's language; "ZPL" prints stickers as ZPL. Not set: a
//                   raw default queue is refused with a message before anything is
//                   printed.
//   Resolution      the printer's dots per inch (203, 300, 600); not set: 203.
//   TakeJobSeconds  the printer check on CUPS: how many seconds (0 to 600, a fraction
//                   allowed) the printer has to take a sticker's print job before the
//                   print run stops and asks; also the age at which jobs waiting in the
//                   queue make it stuck before a run. 0 turns the check off. Not set,
//                   or not such a number (told in the log file): 5.
namespace settings {

inline constexpr char16_t kPrinterSection[] = u"Printer";
inline constexpr double kDefaultTakeJobSeconds = 5;
inline constexpr double kMaxTakeJobSeconds = 600;

struct PrinterSettings
{
    QString language;    // trimmed; empty when not set
    int dotsPerInch = 0; // 0 when not set, -1 when the setting is no number
    double takeJobSeconds = kDefaultTakeJobSeconds;
};

PrinterSettings readPrinterSettings();

} // namespace settings
