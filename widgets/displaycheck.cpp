#include "widgets/displaycheck.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
#define NORVANE_WINDOW_SYSTEM_CHECK 1
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstring>
#endif

namespace widgets {

#ifdef NORVANE_WINDOW_SYSTEM_CHECK

namespace {

// The value of a window-system switch (-platform NAME, --platform NAME), the last one
// given; null when there is none.
QByteArray switchValue(int argc, char *argv[], const char *name)
{
    QByteArray value;
    for (int i = 1; i + 1 < argc; ++i) {
        QByteArray argument(argv[i]);
        if (argument.startsWith("--"))
            argument.remove(0, 1);
        if (argument == QByteArray("-") + name)
            value = QByteArray(argv[++i]);
    }
    return value;
}

// Opens the X display: the connection when it opened (the server answers and lets this
// user in), else null. libxcb writes the server's refusal ("Authorization required, ...")
// to standard error; it is caught and given in *reason instead.
xcb_connection_t *openXDisplay(const QByteArray &name, QByteArray *reason)
{
    int caught[2] = {-1, -1};
    const int savedError = ::dup(STDERR_FILENO);
    const bool catching = savedError >= 0 && ::pipe2(caught, O_CLOEXEC | O_NONBLOCK) == 0;
    if (catching)
        ::dup2(caught[1], STDERR_FILENO);
    xcb_connection_t *connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        connection = nullptr;
    }
    if (catching) {
        ::dup2(savedError, STDERR_FILENO);
        ::close(caught[1]);
        char text[512];
        const ssize_t n = ::read(caught[0], text, sizeof text);
        if (n > 0)
            *reason = QByteArray(text, n).simplified();
        ::close(caught[0]);
    }
    if (savedError >= 0)
        ::close(savedError);
    return connection;
}

// Connects to the Wayland compositor's socket: WAYLAND_DISPLAY, a name in
// XDG_RUNTIME_DIR or an absolute path.
bool waylandSocketAnswers(const QByteArray &display)
{
    QByteArray path = display;
    if (!path.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return false;
        path = runtime + '/' + display;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return answered;
}

// What keeps the program from its display, said when asked: in the workstation's
// language once the application has its translation. Empty: nothing does.
using Problem = std::function<QString()>;

Problem said(const char *text)
{
    return [text] { return QCoreApplication::translate("widgets::DisplayCheck", text); };
}

Problem xProblem(const QByteArray &display, void **connection)
{
    QByteArray reason;
    *connection = openXDisplay(display, &reason);
    if (*connection)
        return {};
    return [display, reason] {
        return QCoreApplication::translate("widgets::DisplayCheck", "cannot open the X display %1: %2")
            .arg(QString::fromLocal8Bit(display),
                 reason.isEmpty() ? QCoreApplication::translate(
                     "widgets::DisplayCheck", "no X server answers there, or this user may not use it")
                                  : QString::fromLocal8Bit(reason));
    };
}

Problem waylandProblem(const QByteArray &display)
{
    if (waylandSocketAnswers(display))
        return {};
    return [display] {
        return QCoreApplication::translate("widgets::DisplayCheck", "the Wayland display %1 does not answer")
            .arg(QString::fromLocal8Bit(display));
    };
}

// What keeps the program from its display; *connection: the X display opened, if any.
Problem missingDisplay(int argc, char *argv[], void **connection)
{
    QByteArray platform = switchValue(argc, argv, "platform");
    if (platform.isNull())
        platform = qgetenv("QT_QPA_PLATFORM");
    QByteArray xDisplay = switchValue(argc, argv, "display");
    if (xDisplay.isNull())
        xDisplay = qgetenv("DISPLAY");
    const QByteArray waylandDisplay = qgetenv("WAYLAND_DISPLAY");

    bool xcb = platform.isEmpty();
    bool wayland = platform.isEmpty();
    if (!platform.isEmpty()) {
        // "xcb", "wayland;xcb", "minimal:fontconfig": each name before its options. A
        // platform of another kind needs no display, or is not ours to judge.
        for (const QByteArray &entry : platform.split(';')) {
            const qsizetype colon = entry.indexOf(':');
            const QByteArray name = (colon < 0 ? entry : entry.left(colon)).trimmed();
            if (name == "xcb")
                xcb = true;
            else if (name.startsWith("wayland"))
                wayland = true;
            else if (!name.isEmpty())
                return {};
        }
    }
    if (xDisplay.isEmpty() && waylandDisplay.isEmpty())
        return xcb && wayland
            ? said(QT_TRANSLATE_NOOP("widgets::DisplayCheck", "neither DISPLAY nor WAYLAND_DISPLAY is set"))
            : xcb ? said(QT_TRANSLATE_NOOP("widgets::DisplayCheck", "DISPLAY is not set"))
                  : said(QT_TRANSLATE_NOOP("widgets::DisplayCheck", "WAYLAND_DISPLAY is not set"));
    // Any one of the platforms asked for that can start will do.
    Problem problem;
    if (wayland && !waylandDisplay.isEmpty()) {
        problem = waylandProblem(waylandDisplay);
        if (!problem)
            return problem;
    }
    if (xcb) {
        if (xDisplay.isEmpty())
            return problem ? problem : said(QT_TRANSLATE_NOOP("widgets::DisplayCheck", "DISPLAY is not set"));
        return xProblem(xDisplay, connection);
    }
    return problem ? problem : said(QT_TRANSLATE_NOOP("widgets::DisplayCheck", "WAYLAND_DISPLAY is not set"));
}

} // namespace

DisplayCheck::DisplayCheck(int argc, char *argv[])
{
    m_missing = missingDisplay(argc, argv, &m_connection);
}

void DisplayCheck::close()
{
    if (m_connection)
        xcb_disconnect(static_cast<xcb_connection_t *>(m_connection));
    m_connection = nullptr;
}

#else

DisplayCheck::DisplayCheck(int, char *[])
{
}

void DisplayCheck::close()
{
}

#endif

DisplayCheck::~DisplayCheck()
{
    close();
}

QString noDisplayMessage(const QString &program, const QString &reason)
{
    return QCoreApplication::translate("widgets::DisplayCheck",
                                       "%1: no display: %2 (set DISPLAY or run on the workstation's desktop)")
        .arg(program, reason);
}

} // namespace widgets
