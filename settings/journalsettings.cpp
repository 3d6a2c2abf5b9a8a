#include "settings/journalsettings.h"

#include "settings/settingsstore.h"

#include <QStringList>

namespace settings {

namespace {

// The key's whole number of 0 or more; the default when it is not set, or when it
// is something else (then said in problems).
int wholeNumber(const SettingsStore &store, const QString &key, int defaultValue, const QString &unit,
                QStringList &problems)
{
    const QString text = store.value(QString::fromUtf16(kJournalSection), key).trimmed();
    if (text.isEmpty())
        return defaultValue;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value >= 0)
        return value;
    problems << QStringLiteral("[Journal] %1=%2 is not a whole number of %3 (0 or more); %4 is used.")
                    .arg(key, text, unit)
                    .arg(defaultValue);
    return defaultValue;
}

} // namespace

JournalSettings readJournalSettings(const SettingsStore &store)
{
    JournalSettings settings;
    QStringList problems;
    settings.keepDays = wholeNumber(store, QStringLiteral("KeepDays"), kDefaultJournalKeepDays, QStringLiteral("days"),
                                    problems);
    settings.reprintWarningHours = wholeNumber(store, QStringLiteral("ReprintWarningHours"),
                                               kDefaultReprintWarningHours, QStringLiteral("hours"), problems);
    settings.problem = problems.join(u' ');
    return settings;
}

} // namespace settings
