#pragma once

#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/frmnorvane.h"

#include <QString>

namespace testsupport {

// The main window with what the program hands it: a label output (stickers as PDF
// files in stickerFolder; to the default printer when it is empty) and the report
// module on it.
struct MainWindow
{
    explicit MainWindow(const QString &stickerFolder = QString())
        : labelOutput(output::LabelOutput::Destination{stickerFolder, {}})
        , labels(labelOutput)
        , window(labels)
    {
    }

    output::LabelOutput labelOutput;
    report::modMain labels;
    ui::frmNorvane window;
};

} // namespace testsupport
