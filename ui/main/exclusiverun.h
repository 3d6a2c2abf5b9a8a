#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QEvent;

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
//    (moves, drags, touch) dropped; a request to close the window is kept too;
//  - when the run ends, the kept events are posted again, keys to the window
//    (so they reach whatever has the focus then, like a scan typed during the
//    run reaching the number box after the print run's reset), clicks to the
//    widget they were meant for, and the window's event dispatcher is woken so
//    that the input held by the platform is delivered at once.
// Runs nest: an inner run of the same window only yields. Message boxes are
// windows of their own and keep working inside a run.
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

    struct Held
    {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    QPointer<QWidget> m_window;
    const QWidget *m_key;  // the window as registered, even if it goes away during the run
    bool m_outermost = false;
    bool m_closeRequested = false;
    std::vector<Held> m_held;
    StopTest m_stopTest;
    bool m_stopRequested = false;
};

} // namespace ui
