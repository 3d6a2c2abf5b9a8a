#include "app/appicon.h"
#include "app/applogging.h"
#include "app/connectioncheck.h"
#include "app/journalcommand.h"
#include "app/logfile.h"
#include "app/modconnect.h"
#include "app/showmodal.h"
#include "app/startoptions.h"
#include "app/storagenotice.h"
#include "core/translations.h"
#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "db/dbconnection.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "journal/printjournal.h"
#include "labdb/labdatabase.h"
#include "labdb/session.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/viewer/frmreportviewer.h"
#include "settings/journalsettings.h"
#include "settings/printersettings.h"
#include "settings/settingsstore.h"
#include "ui/main/frmnorvane.h"
#include "widgets/displaycheck.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

// What the program keeps of its print runs on this workstation while it runs: the
// print journal, its reprint warning, and the notice for the staff when the log
// file (and so what the journal tells in it) cannot be written.
struct Records
{
    journal::PrintJournal journal;
    int reprintWarningHours = 0;
    app::StorageNotice notice;
};

// The demo's journal lies beside its database, apart from the workstation's own:
// its stickers are never offered to the laboratory's database nor asked about at
// the counter.
QString demoJournalPath()
{
    return QFileInfo(labdb::defaultDemoDatabasePath()).absolutePath() + QStringLiteral("/journal.sqlite");
}

// Opens the print journal at path with its settings and prunes its old lines. A
// journal that cannot be used is told in the log file (by the journal itself) and,
// when the log file cannot be written either, once on screen; the counter works on.
void openJournal(Records &records, const QString &path)
{
    const settings::JournalSettings journalSettings = settings::readJournalSettings(
        settings::SettingsStore(QString::fromUtf16(settings::kApplication)));
    if (!journalSettings.problem.isEmpty())
        qCWarning(app::lcApp, "%s", qUtf8Printable(journalSettings.problem));
    records.reprintWarningHours = journalSettings.reprintWarningHours;
    records.journal.setFailureHandler([&records](const QString &message) { records.notice.journalFailed(message); });
    if (records.journal.open(path))
        records.journal.prune(journalSettings.keepDays);
}

// The main window on the program's one connection, printing through the report
// module and writing the print journal.
void showMainWindow(report::modMain &labels, Records &records)
{
    counter::PatientSearch search(db::DbConnection());
    counter::PrintRun printRun(db::DbConnection(), labels);
    printRun.setJournal(&records.journal, records.reprintWarningHours);
    auto *window = new ui::frmNorvane(search, printRun);
    window->setStorageNotice([&records] { return records.notice.take(); });
    app::showModal(window);
}

// Where the stickers go: the default printer, or PDF files in the folder that
// --print-to names (the demo's own folder when it names none).
output::LabelOutput::Destination labelDestination(const app::StartOptions &options)
{
    QString printTo = options.printTo;
    if (printTo.isEmpty() && options.demo)
        printTo = app::defaultDemoLabelDirectory();
    if (!printTo.isEmpty()) {
        QDir().mkpath(printTo);
        printTo = QDir(printTo).absolutePath();
    }
    const settings::PrinterSettings printer = settings::readPrinterSettings();
    return {printTo, {printer.language, printer.dotsPerInch}, printer.takeJobSeconds};
}

// The demo: a fresh embedded laboratory database in place of the server, opened
// without the connection settings, and a fresh journal of its own.
int runDemo(report::modMain &labels, Records &records)
{
    const QString path = labdb::defaultDemoDatabasePath();
    try {
        labdb::createDemoDatabase(path);
        db::installConnection(std::make_unique<db::EmbeddedClient>(path));
        db::DbConnection().open(QString());
    } catch (const labdb::SqlError &e) {
        qCCritical(app::lcApp).noquote() << "Cannot create the demo database" << path << ":" << e.message();
        return 1;
    } catch (const db::DbError &e) {
        qCCritical(app::lcApp).noquote() << "Cannot open the demo database" << path << ":" << e.description();
        return 1;
    }
    QTextStream(stdout) << "Demo database: " << QDir::toNativeSeparators(path) << Qt::endl
                        << "Stickers go to: " << QDir::toNativeSeparators(labels.labelOutput().destination().pdfFolder)
                        << Qt::endl;
    // Its lines would name the logs of a database that is gone.
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(demoJournalPath() + suffix);
    openJournal(records, demoJournalPath());
    showMainWindow(labels, records);
    return 0;
}

QStringList commandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// --help, --version, or a command line not understood: told in the workstation's
// language, by an application object that needs no display, the command line read
// again in that language.
int tellStartOptions(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const core::Translations translations;
    const app::StartOptions options = app::parseStartOptions(commandLine(argc, argv));
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "norvane: " << options.error << "\n\n" << app::startOptionsUsage();
        return 2;
    }
    if (options.help) {
        QTextStream(stdout) << app::startOptionsUsage();
        return 0;
    }
    QTextStream(stdout) << app::versionText() << '\n';
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before any application object exists, so that --help, --version, a wrong
    // switch and --check-connection work on a machine without a display.
    const app::StartOptions options = app::parseStartOptions(commandLine(argc, argv));
    if (!options.error.isEmpty() || options.help || options.version)
        return tellStartOptions(argc, argv);

    // From here on, what the program tells the IT staff also goes to its log file.
    QCoreApplication::setApplicationName(QStringLiteral("Norvane"));
    app::installLogFile();

    if (options.checkConnection) {
        QCoreApplication application(argc, argv);
        const core::Translations translations;
        QTextStream out(stdout);
        return app::checkConnection(out);
    }
    if (options.journal) {
        QCoreApplication application(argc, argv);
        const core::Translations translations;
        QTextStream out(stdout);
        QTextStream err(stderr);
        return app::printJournal(out, err, options.demo ? demoJournalPath() : journal::defaultJournalPath(),
                                 options.since);
    }

    // Without a display Qt would abort: say so in one line instead.
    widgets::DisplayCheck display(argc, argv);
    if (!display.missing().isEmpty()) {
        QCoreApplication application(argc, argv);
        const core::Translations translations;
        QTextStream(stderr) << widgets::noDisplayMessage(QStringLiteral("norvane"), display.missing()) << '\n';
        return 1;
    }
    QApplication application(argc, argv);
    display.close(); // the application has its own connection now
    // The workstation's language, before the first window or message; the log file
    // says which translation the texts come from.
    const core::Translations translations;
    qCInfo(app::lcApp).noquote() << translations.description();
    app::installApplicationIcon();

    // The program's label output and its report module, for as long as it runs;
    // ShowReport's viewing path opens the report viewer window.
    output::LabelOutput labelOutput(labelDestination(options));
    report::modMain labels(labelOutput);
    report::installReportViewer(labels);

    Records records;
    if (options.demo)
        return runDemo(labels, records);

    const bool connected = app::modConnect::Main([&] {
        openJournal(records, journal::defaultJournalPath());
        showMainWindow(labels, records);
    });
    // Status 1 when the server could not be reached (the reason is in the log).
    return connected ? 0 : 1;
}
