#include "db/commandwatchdog.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace db {

CommandWatchdog::~CommandWatchdog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CommandWatchdog::arm(int socket, QDeadlineTimer deadline)
{
    {
        const std::lock_guard lock(m_mutex);
        m_socket = socket;
        m_deadline = deadline;
        m_fired = false;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { watch(); });
    }
    m_changed.notify_all();
}

bool CommandWatchdog::disarm()
{
    const std::lock_guard lock(m_mutex);
    m_socket = -1;
    return m_fired;
}

void CommandWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (m_socket < 0) {
            m_changed.wait(lock);
            continue;
        }
        if (!m_deadline.hasExpired()) {
            m_changed.wait_until(lock, m_deadline.deadline<std::chrono::steady_clock>());
            continue;
        }
        // Under the lock: disarm() cannot return in between, so the socket shut
        // down is the one of the command that ran too long.
#ifdef Q_OS_WIN
        ::shutdown(SOCKET(m_socket), SD_BOTH);
#else
        ::shutdown(m_socket, SHUT_RDWR);
#endif
        m_fired = true;
        m_socket = -1;
    }
}

} // namespace db
