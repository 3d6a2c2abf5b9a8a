#include "app/appicon.h"

#include <QGuiApplication>

// The compiled-in icon lives in appicon.qrc; a static library must register it
// itself, outside any namespace.
static void initAppIcon()
{
    Q_INIT_RESOURCE(appicon);
}

namespace app {

QString desktopId()
{
    return QStringLiteral("org.norvane.Norvane");
}

QIcon applicationIcon()
{
    initAppIcon();
    QIcon compiledIn;
    for (int size : {16, 32, 48, 64, 128, 256})
        compiledIn.addFile(QStringLiteral(":/appicon/norvane-%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("norvane"), compiledIn);
}

void installApplicationIcon()
{
    QGuiApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(desktopId());
}

} // namespace app
