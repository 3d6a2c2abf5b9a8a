#include "settings/printersettings.h"

#include "settings/settingsstore.h"

#include <QLocale>

namespace settings {

PrinterSettings readPrinterSettings()
{
    const SettingsStore store(QString::fromUtf16(kApplication));
    const QString section = QString::fromUtf16(kPrinterSection);
    PrinterSettings printer;
    printer.language = store.value(section, QStringLiteral("Language")).trimmed();
    const QString resolution = store.value(section, QStringLiteral("Resolution")).trimmed();
    if (!resolution.isEmpty()) {
        bool ok = false;
        printer.dotsPerInch = resolution.toInt(&ok);
        if (!ok)
            printer.dotsPerInch = -1; // refused with a message when a raw queue is printed to
    }
    const QString takeJob = store.value(section, QStringLiteral("TakeJobSeconds")).trimmed();
    if (!takeJob.isEmpty()) {
        bool ok = false;
        const double seconds = QLocale::c().toDouble(takeJob, &ok);
        if (ok && seconds >= 0 && seconds <= kMaxTakeJobSeconds)
            printer.takeJobSeconds = seconds;
        else
            qWarning("[Printer] TakeJobSeconds=%s is not a number of seconds from 0 to %g: %g is used",
                     qUtf8Printable(takeJob), kMaxTakeJobSeconds, kDefaultTakeJobSeconds);
    }
    return printer;
}

} // namespace settings
