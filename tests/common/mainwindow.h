#pragma once

#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/frmnorvane.h"

#include <QString>

namespace db {
class DbClient;
} // namespace db

namespace journal {
class PrintJournal;
} // namespace journal

namespace testsupport {

// The main window as the program makes it: the search and the print run on a database
// client, printing through a label output (stickers as PDF files in stickerFolder; to
// the default printer when it is empty, or where a destination says) and the report
// module on it, writing the print journal when one is given. The patient the window
// shows is search.patient().
struct MainWindow
{
    explicit MainWindow(db::DbClient &client, const QString &stickerFolder = QString(),
                        journal::PrintJournal *printJournal = nullptr, int reprintWarningHours = 24)
        : MainWindow(client, output::LabelOutput::Destination{stickerFolder, {}}, printJournal, reprintWarningHours)
    {
    }
    // Printing where destination says (the default printer, with its printer check).
    MainWindow(db::DbClient &client, const output::LabelOutput::Destination &destination,
               journal::PrintJournal *printJournal = nullptr, int reprintWarningHours = 24)
        : labelOutput(destination)
        , labels(labelOutput)
        , search(client)
        , printRun(client, labels)
        , window(search, printRun)
    {
        printRun.setJournal(printJournal, reprintWarningHours);
    }

    const counter::Patient &patient() const { return search.patient(); }

    output::LabelOutput labelOutput;
    report::modMain labels;
    counter::PatientSearch search;
    counter::PrintRun printRun;
    ui::frmNorvane window;
};

} // namespace testsupport
