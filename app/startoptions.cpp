#include "app/startoptions.h"

#include <QCommandLineParser>
#include <QDir>

namespace app {

namespace {

// Switches that QGuiApplication and QApplication take out of the arguments
// themselves; they are known here only so that they pass.
const char *const kWindowSystemOptionsWithValue[] = {
    "platform",
    "platformpluginpath",
    "platformtheme",
    "plugin",
    "qwindowgeometry",
    "qwindowicon",
    "qwindowtitle",
    "session",
    "display",
    "geometry",
    "title",
    "icon",
    "name",
    "style",
    "stylesheet",
};
const char *const kWindowSystemFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

StartOptions parseStartOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-platform offscreen" as the window system writes its switches.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption printTo(QStringLiteral("print-to"), QString(), QStringLiteral("dir"));
    const QCommandLineOption checkConnection(QStringLiteral("check-connection"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({demo, printTo, checkConnection, help, version});
    for (const char *name : kWindowSystemOptionsWithValue)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char *name : kWindowSystemFlags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    StartOptions options;
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (options.help || options.version)
        return options;

    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().constFirst());
        return options;
    }
    options.demo = parser.isSet(demo);
    options.checkConnection = parser.isSet(checkConnection);
    if (parser.isSet(printTo)) {
        options.printTo = parser.value(printTo);
        if (options.printTo.isEmpty()) {
            options.error = QStringLiteral("--print-to needs a folder.");
            return options;
        }
    }
    if (options.checkConnection && (options.demo || !options.printTo.isEmpty()))
        options.error = QStringLiteral(
            "--check-connection goes alone: it checks the connection settings and prints nothing.");
    return options;
}

QString startOptionsUsage()
{
    return QStringLiteral("Usage: norvane [--demo] [--print-to DIR]\n"
                          "       norvane --check-connection\n"
                          "  (no switches)       connect to the laboratory's SQL Server with the user's\n"
                          "                      connection settings and print to the default printer\n"
                          "  --demo              run on a fresh embedded demo database; stickers go to PDF\n"
                          "                      files in %1 unless --print-to says otherwise\n"
                          "  --print-to DIR      write every print job as a PDF file into DIR instead of\n"
                          "                      sending it to the default printer\n"
                          "  --check-connection  open the database connection with the user's settings,\n"
                          "                      show what was tried and the driver's answer, and end:\n"
                          "                      status 0 when connected, 1 when not; needs no display\n"
                          "  -h, --help          show this text\n"
                          "  -v, --version       show the program's version\n")
        .arg(QDir::toNativeSeparators(defaultDemoLabelDirectory()));
}

QString versionText()
{
    return QStringLiteral("norvane " NORVANE_VERSION);
}

QString defaultDemoLabelDirectory()
{
    return QDir::home().filePath(QStringLiteral("NorvaneLabels"));
}

} // namespace app
