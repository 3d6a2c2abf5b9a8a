#pragma once

#include <QString>

#include <functional>

// Whether the window system can be reached, asked before the application object is
// made: when Qt's platform plugin cannot start, Qt ends the program at once (status
// 134) with a message that points away from the cause. A program asks first and says
// in one line that there is no display.
namespace widgets {

// Tries the display the program would start on. Only the platforms that need a display
// are tried: Qt's default one, and xcb or wayland when QT_QPA_PLATFORM or -platform name
// them; any other (offscreen, minimal, vnc, ...) needs none. The default platform needs
// an X display that opens (DISPLAY, or -display NAME) or a Wayland socket that answers
// (WAYLAND_DISPLAY). On other systems than Linux and the BSDs nothing is tried.
//
// The X display it opened stays open until close() (or the end of the check): an X
// server with no other client resets itself when its last client goes, and the
// application's own connection, made just after, would meet it resetting. Close it once
// the application object has made its own.
class DisplayCheck
{
public:
    DisplayCheck(int argc, char *argv[]);
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck &) = delete;
    DisplayCheck &operator=(const DisplayCheck &) = delete;

    // What keeps the program from its display, or an empty text when nothing does, e.g.
    // "neither DISPLAY nor WAYLAND_DISPLAY is set" or "cannot open the X display :0: no
    // X server answers there, or this user may not use it". In the workstation's
    // language when asked once the application has its translation.
    QString missing() const { return m_missing ? m_missing() : QString(); }

    void close();

private:
    std::function<QString()> m_missing; // says what keeps it from its display; null: nothing
    void *m_connection = nullptr;       // the X connection it opened
};

// The line a program prints for it: "norvane: no display: <reason> (set DISPLAY or run
// on the workstation's desktop)".
QString noDisplayMessage(const QString &program, const QString &reason);

} // namespace widgets
