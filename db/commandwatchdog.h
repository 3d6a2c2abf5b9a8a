#pragma once

#include <QDeadlineTimer>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace db {

// Ends a command that runs past its deadline, whatever the driver is waiting
// for: at the deadline it shuts the connection's socket down, so that every read
// and write of the driver on it returns at once and the command fails. A
// driver's own time-out cannot do that when the server has stopped answering
// altogether: FreeTDS then waits as long again for the acknowledgement of its
// cancel. One thread per watchdog, started at the first arm().
class CommandWatchdog
{
public:
    CommandWatchdog() = default;
    ~CommandWatchdog();
    CommandWatchdog(const CommandWatchdog &) = delete;
    CommandWatchdog &operator=(const CommandWatchdog &) = delete;

    // Watches the socket until disarm() or the deadline.
    void arm(int socket, QDeadlineTimer deadline);
    // Stops watching; true when the deadline had come and the socket was shut down.
    bool disarm();

private:
    void watch();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
    int m_socket = -1; // watched while >= 0
    QDeadlineTimer m_deadline;
    bool m_fired = false;
    bool m_stop = false;
};

} // namespace db
