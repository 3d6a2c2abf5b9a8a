#include "modconnect.h"
#include "showmodal.h"

#include "ui/main/frmnorvane.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Norvane"));

    app::modConnect::Main([] { app::showModal(new ui::frmNorvane); });
    return 0;
}
