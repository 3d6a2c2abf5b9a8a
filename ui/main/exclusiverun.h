#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QKeyEvent;

namespace ui {

// A run that yields to the event loop but lets no other handler of its window
// run meanwhile: the patient search (once per row) and the print run (once per
// item) are such runs.
//
//   ExclusiveRun run(this);          // from here on the window's input is held
//   for (...) { run.yield(); ... }   // repaints and timers (the slideshow) go on
//                                    // leaving the scope delivers the held input
//
// While a run of a window is alive:
//  - yield() processes pending events except user input: the platform keeps
//    keys, clicks and wheel turns from the window system queued;
//  - input that reaches the window other than through the window system
//    (posted or sent key, mouse, wheel, context-menu, input-method and drag
//    events) is stopped by an application event filter: keys, clicks, wheel
//    turns, context-menu and input-method events are kept in order, the rest
//    (moves, drags, touch) dropped, as is a click on a control that is
//    disabled when it comes; a request to close the window is kept too;
//  - when the run ends, the kept events are posted again, keys to the window
//    (so they reach whatever has the focus then, like a scan typed during the
//    run reaching the number box after the print run's reset), clicks to the
//    widget they were meant for, and the window's event dispatcher is woken so
//    that the input held by the platform is delivered at once.
// Runs nest: an inner run of the same window only yields. Message boxes are
// windows of their own and keep working inside a run; the keys of a scan made
// while one is open come back to the window when it closes (widgets::ScanGuard),
// and the run holds them as it holds the rest.
//
// Keys that the platform still queues when the run ends (typed while the run
// was busy without yielding, as during a command that waits for the server)
// would reach whatever has the focus once the run is gone. A run whose keys
// belong to one widget says so (setKeyTarget) and takes the queue into its
// hold before it ends (holdPendingInput), so that every key typed during the
// run goes where it was typed, in order. It does so before a modal message box
// too: Qt throws away input queued for a window that a modal window covers.
class ExclusiveRun : public QObject
{
    Q_OBJECT

public:
    explicit ExclusiveRun(QWidget *window);
    ~ExclusiveRun() override;
    ExclusiveRun(const ExclusiveRun &) = delete;
    ExclusiveRun &operator=(const ExclusiveRun &) = delete;

    // Yields to the event loop once, holding back user input.
    void yield();

    // Whether a run of this window is alive.
    static bool isRunning(const QWidget *window);

    // Held keys go to this widget when the run ends, in their place among the
    // other held input, instead of to whatever has the focus then; if the
    // widget is gone or disabled by then they are dropped.
    void setKeyTarget(QWidget *target);

    // Takes the input that the platform still queues for the window into the
    // hold: lets the event loop run once with user input, which the run's
    // filter holds, after waking the dispatcher (which otherwise leaves the
    // queued input until the next input arrives).
    void holdPendingInput();

    // Drops the held key presses and releases for which drop returns true, in
    // the order they were typed; the rest keep their place.
    void dropHeldKeys(const std::function<bool(const QKeyEvent &)> &drop);

    // Input that asks the run to stop (the print run: a click on Reset, Esc).
    // While such a test is set, every yield of this run (and of runs nested in it)
    // takes the window's input from the platform too, rather than leaving it
    // queued there, so that the request is seen during the run; input the test
    // accepts is dropped and noted, all other input is held back as before. The
    // run's owner reads stopRequested() at a point where stopping is safe.
    using StopTest = std::function<bool(QObject *watched, QEvent *event)>;
    void setStopTest(StopTest test);
    bool stopRequested() const { return m_stopRequested; }
    void clearStopRequest() { m_stopRequested = false; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool belongsToWindow(QObject *object) const;
    bool clickedControlEnabled(QObject *watched, QEvent *event) const;

    struct Held
    {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_keyTarget;
    bool m_hasKeyTarget = false;
    const QWidget *m_key; // the window as registered, even if it goes away during the run
    bool m_outermost = false;
    bool m_closeRequested = false;
    std::vector<Held> m_held;
    StopTest m_stopTest;
    bool m_stopRequested = false;
};

} // namespace ui
