#include "modconnect.h"
#include "showmodal.h"
#include "startoptions.h"

#include "db/dbconnection.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "labdb/session.h"
#include "report/frmreportviewer.h"
#include "report/reportoutput.h"
#include "ui/main/frmnorvane.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

namespace {

void showMainWindow()
{
    app::showModal(new ui::frmNorvane);
}

// The demo: a fresh embedded laboratory database in place of the server, opened
// without the settings store.
int runDemo()
{
    const QString path = labdb::defaultDemoDatabasePath();
    try {
        labdb::createDemoDatabase(path);
        db::installConnection(std::make_unique<db::EmbeddedClient>(path));
        db::DbConnection().open(QString());
    } catch (const labdb::SqlError &e) {
        QTextStream(stderr) << "Cannot create the demo database " << path << ": " << e.message() << Qt::endl;
        return 1;
    } catch (const db::DbError &e) {
        QTextStream(stderr) << "Cannot open the demo database " << path << ": " << e.description() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "Demo database: " << QDir::toNativeSeparators(path) << Qt::endl
                        << "Stickers go to: " << QDir::toNativeSeparators(report::ReportOutput::printToDirectory()) << Qt::endl;
    showMainWindow();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Norvane"));

    const app::StartOptions options = app::parseStartOptions(application.arguments().mid(1));
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << options.error << Qt::endl << app::startOptionsUsage();
        return 2;
    }
    if (options.help) {
        QTextStream(stdout) << app::startOptionsUsage();
        return 0;
    }

    // ShowReport's viewing path opens the report viewer window.
    report::installReportViewer();

    QString printTo = options.printTo;
    if (printTo.isEmpty() && options.demo)
        printTo = app::defaultDemoLabelDirectory();
    if (!printTo.isEmpty()) {
        QDir().mkpath(printTo);
        report::ReportOutput::setPrintToDirectory(QDir(printTo).absolutePath());
    }

    if (options.demo)
        return runDemo();

    app::modConnect::Main(showMainWindow);
    return 0;
}
