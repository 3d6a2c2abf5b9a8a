#include "app/startoptions.h"

#include "journal/journaltext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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
    const QCommandLineOption journal(QStringLiteral("journal"));
    const QCommandLineOption since(QStringLiteral("since"), QString(), QStringLiteral("date"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({demo, printTo, checkConnection, journal, since, help, version});
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
        options.error = QCoreApplication::translate("app::StartOptions", "Unexpected argument: %1")
                            .arg(parser.positionalArguments().constFirst());
        return options;
    }
    options.demo = parser.isSet(demo);
    options.checkConnection = parser.isSet(checkConnection);
    if (parser.isSet(printTo)) {
        options.printTo = parser.value(printTo);
        if (options.printTo.isEmpty()) {
            options.error = QCoreApplication::translate("app::StartOptions", "--print-to needs a folder.");
            return options;
        }
    }
    if (options.checkConnection && (options.demo || !options.printTo.isEmpty()))
        options.error = QCoreApplication::translate(
            "app::StartOptions",
            "--check-connection goes alone: it checks the connection settings and prints nothing.");
    if (!options.error.isEmpty())
        return options;
    options.journal = parser.isSet(journal);
    if (parser.isSet(since)) {
        options.since = parser.value(since);
        if (!options.journal)
            options.error = QCoreApplication::translate("app::StartOptions", "--since goes with --journal.");
        else if (!journal::sinceTime(options.since).isValid())
            options.error = QCoreApplication::translate(
                                "app::StartOptions",
                                "--since takes a day (2026-12-10) or a local time (2026-12-10T08:00), "
                                "not \"%1\".")
                                .arg(options.since);
    }
    if (options.journal && (options.checkConnection || !options.printTo.isEmpty()))
        options.error = QCoreApplication::translate(
            "app::StartOptions",
            "--journal goes alone (or with --demo, for the demo's journal): it prints the journal and ends.");
    return options;
}

QString startOptionsUsage()
{
    return QCoreApplication::translate(
               "app::StartOptions",
               "Usage: norvane [--demo] [--print-to DIR]\n"
               "       norvane --check-connection\n"
               "       norvane --journal [--since DATE] [--demo]\n"
               "  (no switches)       connect to the laboratory's SQL Server with the user's\n"
               "                      connection settings and print to the default printer\n"
               "  --demo              run on a fresh embedded demo database; stickers go to PDF\n"
               "                      files in %1 unless --print-to says otherwise\n"
               "  --print-to DIR      write every print job as a PDF file into DIR instead of\n"
               "                      sending it to the default printer\n"
               "  --check-connection  open the database connection with the user's settings,\n"
               "                      show what was tried and the driver's answer, and end:\n"
               "                      status 0 when connected, 1 when not; needs no display\n"
               "  --journal           print the lines of this workstation's print journal (the\n"
               "                      stickers printed and what became of them) as tab-separated\n"
               "                      text, today's unless --since says otherwise, and end:\n"
               "                      status 0, or 1 when the journal cannot be read; needs no\n"
               "                      display; with --demo, the demo's journal\n"
               "  --since DATE        with --journal: the lines from a day (2026-12-10) or a\n"
               "                      local time (2026-12-10T08:00) on\n"
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
