// e2e_patientname CAPTION FILE.png
//
// Draws the main window's patient-name label (lblPatientName) showing CAPTION
// into FILE.png, as norvane draws it (fitted by the label, as the search
// shows a name): the real main window is built (not shown,
// no database) and only that label is rendered, with its own font, colours,
// alignment and size. Run on the display norvane runs on, the picture is what
// the window shows for that caption; the end-to-end test compares it with the
// same region of a screenshot of the real program.
#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "db/embeddedclient.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/frmnorvane.h"
#include "ui/main/patientnamelabel.h"

#include <QApplication>
#include <QImage>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        err << "usage: e2e_patientname CAPTION FILE.png\n";
        return 2;
    }
    db::EmbeddedClient noDatabase{QString()}; // never opened: nothing is searched
    output::LabelOutput labelOutput;
    report::modMain labels(labelOutput);
    counter::PatientSearch search(noDatabase);
    counter::PrintRun printRun(noDatabase, labels);
    ui::frmNorvane window(search, printRun);
    auto *label = window.findChild<ui::PatientNameLabel *>(QStringLiteral("lblPatientName"));
    if (!label) {
        err << "e2e_patientname: the main window has no lblPatientName\n";
        return 1;
    }
    // As the search shows a name: fitted to the label.
    label->setName(args.at(0));
    const QImage picture = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!picture.save(args.at(1), "PNG")) {
        err << "e2e_patientname: cannot write " << args.at(1) << '\n';
        return 1;
    }
    return 0;
}
