#pragma once

#include <QString>

// The print journal's settings, beside the connection settings in the same per-user
// store (application "ZEMRIX Current User"), section "Journal". Read only, never
// written:
//   KeepDays             lines older than this many days are pruned at start-up;
//                        0 keeps every line. Not set: 90.
//   ReprintWarningHours  a checked exam whose barcode was printed on this
//                        workstation less than this many hours ago is asked about
//                        before it is printed again; 0 never asks. Not set: 24.
namespace settings {

class SettingsStore;

inline constexpr char16_t kJournalSection[] = u"Journal";
inline constexpr int kDefaultJournalKeepDays = 90;
inline constexpr int kDefaultReprintWarningHours = 24;

struct JournalSettings
{
    int keepDays = kDefaultJournalKeepDays;
    int reprintWarningHours = kDefaultReprintWarningHours;
    // A value that is no whole number of 0 or more, in plain words (its default is
    // used instead); empty when all are.
    QString problem;
};

JournalSettings readJournalSettings(const SettingsStore &store);

} // namespace settings
