#include "printersettings.h"

#include "modconnect.h"
#include "settingsstore.h"

namespace app {

output::RawPrinter readRawPrinter()
{
    const SettingsStore store(QString::fromUtf16(modConnect::kSettingsApplication));
    const QString section = QString::fromUtf16(kPrinterSection);
    output::RawPrinter printer;
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

} // namespace app
