#include "settings/printersettings.h"

#include "settings/settingsstore.h"

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
    return printer;
}

} // namespace settings
