#pragma once

#include <QString>

// Whether the window system can be reached, asked before the application object is
// made: when Qt's platform plugin cannot start, Qt ends the program at once (status
// 134) with a message that points away from the cause. A program asks first and says
// in one line that there is no display.
namespace widgets {

// What keeps the program from its display, or an empty text when nothing does. Only the
// platforms that need a display are checked: Qt's default one, and xcb or wayland when
// QT_QPA_PLATFORM or -platform name them; any other (offscreen, minimal, vnc, ...) needs
// none and gives an empty text. The default platform needs an X display that opens
// (DISPLAY, or -display NAME) or a Wayland socket that answers (WAYLAND_DISPLAY), e.g.
// "neither DISPLAY nor WAYLAND_DISPLAY is set" or "cannot open the X display :0: no X
// server answers there, or this user may not use it". On other systems than Linux and
// the BSDs, always empty.
QString missingDisplay(int argc, char *argv[]);

// The line a program prints for it: "norvane: no display: <reason> (set DISPLAY or run
// on the workstation's desktop)".
QString noDisplayMessage(const QString &program, const QString &reason);

} // namespace widgets
