#pragma once

#include <QString>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>

#include <algorithm>
#include <mutex>

namespace testsupport {

// How fast a barcode scanner types: a key press every few milliseconds.
inline constexpr int kScannerKeyMs = 4;
// A person's pause before a key of their own (reading the list, then pressing Enter):
// well beyond the window in which a scanner's second Return follows its first.
inline constexpr int kPersonPauseMs = 600;

namespace detail {
inline std::mutex &keyClockMutex()
{
    static std::mutex m;
    return m;
}
inline quint64 &lastKeyStamp()
{
    static quint64 stamp = 0;
    return stamp;
}
} // namespace detail

// The window system's clock, in milliseconds: the one Qt stamps input with when the
// platform gives no time (as QTest's keys to a window get).
inline quint64 windowSystemNow()
{
    return quint64(QWindowSystemInterfacePrivate::eventTime.elapsed());
}

// Types text as the window system does: each key press and release goes into the
// platform's own queue (as the xcb reader does), to be delivered when the event loop
// next processes user input, not while a run holds input back. QTest's key functions
// deliver at once instead, and posted key events take another road. Safe to call from
// any thread, like the platform's reader. '\r' is Return, '\x1b' Esc; a null window types into
// whatever window has the focus when the keys are delivered, as a keyboard does.
//
// Every key carries the window system's time stamp: the first press at `at` (never
// before a key queued here earlier), each next press intervalMs later, each release a
// millisecond after its press. Returns the stamp of the last press.
inline quint64 queuePlatformKeysAt(QWindow *window, const QString &text, quint64 at, int intervalMs = kScannerKeyMs)
{
    using Platform = QWindowSystemInterface;
    const std::lock_guard lock(detail::keyClockMutex());
    quint64 stamp = std::max(at, detail::lastKeyStamp() + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0)
            stamp += quint64(intervalMs);
        const QChar c = text.at(i);
        const int key = c == u'\r' ? int(Qt::Key_Return)
            : c == u'\x1b'         ? int(Qt::Key_Escape)
                                   : int(c.toUpper().unicode());
        Platform::handleKeyEvent<Platform::AsynchronousDelivery>(window, ulong(stamp), QEvent::KeyPress, key,
                                                                 Qt::NoModifier, QString(c));
        Platform::handleKeyEvent<Platform::AsynchronousDelivery>(window, ulong(stamp + 1), QEvent::KeyRelease, key,
                                                                 Qt::NoModifier, QString(c));
        detail::lastKeyStamp() = stamp + 1;
    }
    return stamp;
}

// Typed now, as a scanner types.
inline quint64 queuePlatformKeys(QWindow *window, const QString &text)
{
    return queuePlatformKeysAt(window, text, windowSystemNow());
}

// Typed by a person: after a pause since the last key queued here.
inline quint64 queuePersonKeys(QWindow *window, const QString &text, int pauseMs = kPersonPauseMs)
{
    quint64 after = 0;
    {
        const std::lock_guard lock(detail::keyClockMutex());
        after = detail::lastKeyStamp() + quint64(pauseMs);
    }
    return queuePlatformKeysAt(window, text, std::max(after, windowSystemNow()), 200);
}

} // namespace testsupport
