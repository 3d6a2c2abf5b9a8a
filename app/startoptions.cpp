#include "startoptions.h"

#include <QDir>

namespace app {

StartOptions parseStartOptions(const QStringList &arguments)
{
    StartOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--demo")) {
            options.demo = true;
        } else if (argument == QLatin1String("--print-to")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                options.error = QStringLiteral("--print-to needs a folder.");
                return options;
            }
            options.printTo = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--print-to="))) {
            options.printTo = argument.mid(int(qstrlen("--print-to=")));
            if (options.printTo.isEmpty()) {
                options.error = QStringLiteral("--print-to needs a folder.");
                return options;
            }
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else {
            options.error = QStringLiteral("Unknown argument: %1").arg(argument);
            return options;
        }
    }
    return options;
}

QString startOptionsUsage()
{
    return QStringLiteral(
        "Usage: norvane [--demo] [--print-to DIR]\n"
        "  (no switches)   connect to the laboratory's SQL Server with the user's\n"
        "                  connection settings and print to the default printer\n"
        "  --demo          run on a fresh embedded demo database; stickers go to PDF\n"
        "                  files in %1 unless --print-to says otherwise\n"
        "  --print-to DIR  write every print job as a PDF file into DIR instead of\n"
        "                  sending it to the default printer\n")
        .arg(QDir::toNativeSeparators(defaultDemoLabelDirectory()));
}

QString defaultDemoLabelDirectory()
{
    return QDir::home().filePath(QStringLiteral("NorvaneLabels"));
}

} // namespace app
