#pragma once

#include <QIcon>
#include <QString>

namespace app {

// The name the desktop knows the program by: its desktop entry is
// <desktopId>.desktop and its AppStream metainfo <desktopId>.metainfo.xml.
QString desktopId();

// The program's icon: "norvane" from the desktop's icon theme (the package installs
// it into hicolor), else the same emblem compiled into the program, so that a copy
// run from a build tree or a bare prefix shows it too.
QIcon applicationIcon();

// Gives every window of the program its icon, and tells the window system which
// desktop entry the program belongs to. Needs the QGuiApplication.
void installApplicationIcon();

} // namespace app
