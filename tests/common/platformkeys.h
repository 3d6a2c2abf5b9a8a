#pragma once

#include <QString>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace testsupport {

// Types text as the window system does: each key press and release goes into
// the platform's own queue (as the xcb reader does), to be delivered when the
// event loop next processes user input, not while a run holds input back.
// QTest's key functions deliver at once instead, and posted key events take
// another road. Safe to call from any thread, like the platform's reader.
// '\r' is Return.
inline void queuePlatformKeys(QWindow *window, const QString &text)
{
    using Platform = QWindowSystemInterface;
    for (const QChar c : text) {
        const int key = c == u'\r' ? int(Qt::Key_Return) : int(c.toUpper().unicode());
        Platform::handleKeyEvent<Platform::AsynchronousDelivery>(window, QEvent::KeyPress, key, Qt::NoModifier,
                                                                 QString(c));
        Platform::handleKeyEvent<Platform::AsynchronousDelivery>(window, QEvent::KeyRelease, key, Qt::NoModifier,
                                                                 QString(c));
    }
}

} // namespace testsupport
