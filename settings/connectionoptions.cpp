#include "settings/connectionoptions.h"

#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QLocale>

namespace settings {

ConnectionOptions readConnectionOptions(const SettingsStore &store)
{
    ConnectionOptions options;
    const QString encrypt = store.value(QStringLiteral("Encryption"), QStringLiteral("Encrypt")).trimmed().toLower();
    if (encrypt == QLatin1String("yes") || encrypt == QLatin1String("true") || encrypt == QLatin1String("1"))
        options.encrypt = true;
    else if (encrypt == QLatin1String("no") || encrypt == QLatin1String("false") || encrypt == QLatin1String("0"))
        options.encrypt = false;
    else if (!encrypt.isEmpty())
        options.problem = QCoreApplication::translate(
                              "settings::ConnectionOptions",
                              "The Encrypt setting of [Encryption] holds \"%1\": write yes or no.")
                              .arg(encrypt);
    options.caFile = store.value(QStringLiteral("Encryption"), QStringLiteral("CAFile")).trimmed();
    options.dateLocale = store.value(QStringLiteral("Dates"), QStringLiteral("Locale")).trimmed();
    if (!options.dateLocale.isEmpty() && options.problem.isEmpty()) {
        // An unknown name gives Qt's C locale.
        const bool c = options.dateLocale == QLatin1String("C") || options.dateLocale == QLatin1String("POSIX");
        if (!c && QLocale(options.dateLocale).language() == QLocale::C)
            options.problem = QCoreApplication::translate(
                                  "settings::ConnectionOptions",
                                  "The Locale setting of [Dates] holds \"%1\", which names no locale "
                                  "(write one such as en_US, en_GB or es_ES).")
                                  .arg(options.dateLocale);
    }
    return options;
}

} // namespace settings
