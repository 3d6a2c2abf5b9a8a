#include "app/appicon.h"
#include "app/applogging.h"
#include "app/connectioncheck.h"
#include "app/logfile.h"
#include "app/modconnect.h"
#include "app/showmodal.h"
#include "app/startoptions.h"
#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "db/dbconnection.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "labdb/session.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/viewer/frmreportviewer.h"
#include "settings/printersettings.h"
#include "ui/main/frmnorvane.h"
#include "widgets/displaycheck.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

// The main window on the program's one connection, printing through the report module.
void showMainWindow(report::modMain &labels)
{
    counter::PatientSearch search(db::DbConnection());
    counter::PrintRun printRun(db::DbConnection(), labels);
    app::showModal(new ui::frmNorvane(search, printRun));
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
    return {printTo, {printer.language, printer.dotsPerInch}};
}

// The demo: a fresh embedded laboratory database in place of the server, opened
// without the settings store.
int runDemo(report::modMain &labels)
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
    showMainWindow(labels);
    return 0;
}

QStringList commandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before any application object exists, so that --help, --version, a wrong
    // switch and --check-connection work on a machine without a display.
    const app::StartOptions options = app::parseStartOptions(commandLine(argc, argv));
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "norvane: " << options.error << "\n\n" << app::startOptionsUsage();
        return 2;
    }
    if (options.help) {
        QTextStream(stdout) << app::startOptionsUsage();
        return 0;
    }
    if (options.version) {
        QTextStream(stdout) << app::versionText() << '\n';
        return 0;
    }

    // From here on, what the program tells the IT staff also goes to its log file.
    QCoreApplication::setApplicationName(QStringLiteral("Norvane"));
    app::installLogFile();

    if (options.checkConnection) {
        QCoreApplication application(argc, argv);
        QTextStream out(stdout);
        return app::checkConnection(out);
    }

    // Without a display Qt would abort: say so in one line instead.
    widgets::DisplayCheck display(argc, argv);
    if (!display.missing().isEmpty()) {
        QTextStream(stderr) << widgets::noDisplayMessage(QStringLiteral("norvane"), display.missing()) << '\n';
        return 1;
    }
    QApplication application(argc, argv);
    display.close(); // the application has its own connection now
    app::installApplicationIcon();

    // The program's label output and its report module, for as long as it runs;
    // ShowReport's viewing path opens the report viewer window.
    output::LabelOutput labelOutput(labelDestination(options));
    report::modMain labels(labelOutput);
    report::installReportViewer(labels);

    if (options.demo)
        return runDemo(labels);

    // Status 1 when the server could not be reached (the reason is in the log).
    return app::modConnect::Main([&labels] { showMainWindow(labels); }) ? 0 : 1;
}
