#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <vector>

class QKeyEvent;
class QWidget;
class QWindow;

namespace widgets {

// Keeps a barcode scanner from answering a modal window of the program (a message box,
// a question). A scanner types like a keyboard: a burst of keys a few milliseconds
// apart, ended by Return. Scanned while a box is open, its Return would press the
// default button, a letter would press the button it underlines (Y, N), and the scan
// itself would be lost.
//
// Made before its window is shown and destroyed once the window has closed, the guard
// takes every key that reaches the program meanwhile and decides:
//  - keys pressed less than kBurstGapMs apart, by the window system's time stamps, are
//    one burst; a burst is never an answer, whatever keys it holds;
//  - a key pressed alone (none within kBurstGapMs before it, and none reaching the
//    program within kAloneAfterMs after it) is a deliberate answer and goes to the
//    window then, with its release;
//  - a burst is kept whole, and so is every key meant for another window (typed into
//    the window below before this one came up, which Qt would otherwise throw away
//    while a modal window covers it);
//  - when the guard goes, the kept keys are posted again in the order they were typed:
//    those typed into the guarded window to the window that had the focus before it
//    opened, the others to where they were going. A scan made while a question was
//    open thus reaches the main window's number box once the question is answered.
// When it starts, the guard first takes the keys that the window system still queues
// for the program (a scan typed while the program was busy); other input queued for the
// windows below (clicks, wheel turns) is dropped then, as the modal window would drop it.
// Clicks on the guarded window act as they come; so does a shortcut with Alt (a button's
// underlined letter with Alt), which no scanner types.
class ScanGuard : public QObject
{
    Q_OBJECT

public:
    // Keys pressed closer together than this are a scanner's; a person answering a
    // question presses one key.
    static constexpr int kBurstGapMs = 50;
    // How long a key waits for a next one before it counts as pressed alone.
    static constexpr int kAloneAfterMs = 80;

    explicit ScanGuard(QWidget *guarded);
    ~ScanGuard() override;
    ScanGuard(const ScanGuard &) = delete;
    ScanGuard &operator=(const ScanGuard &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // When a key was pressed: the window system's time stamp (0 when the event has
    // none, as for keys a program makes) and when it reached the guard.
    struct Stamp
    {
        quint64 windowSystemMs = 0;
        qint64 arrivedMs = 0;
    };
    struct Key
    {
        QPointer<QObject> receiver;
        std::unique_ptr<QKeyEvent> event;
        bool forGuarded = false;
    };
    enum class Verdict { None, Answer, Kept };

    bool belongsToGuarded(QObject *object) const;
    static bool closeTogether(const Stamp &earlier, const Stamp &later);
    void take(QObject *watched, const QKeyEvent &key);
    // Decides on the keys of the burst under way (or the key alone).
    void decide();
    void deliver(Key &key);
    void onAloneTimeout();
    // Lets the event loop run once with input, so that keys the window system still
    // queues reach the filter.
    void takeQueuedInput();

    QPointer<QWidget> m_guarded;
    QPointer<QWindow> m_returnTo;
    QElapsedTimer m_clock;
    QTimer m_alone;
    std::vector<Key> m_pending; // the keys not decided on yet, in order
    bool m_pendingBurst = false;
    bool m_pendingKept = false;
    Verdict m_lastVerdict = Verdict::None;
    Stamp m_lastPress;
    bool m_pressed = false;
    quint64 m_presses = 0;
    std::vector<Key> m_kept;           // for after the guard, in order
    const QEvent *m_passing = nullptr; // a decided key on its way to the window
    bool m_takingQueued = false;
};

} // namespace widgets
