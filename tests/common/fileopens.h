#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace testsupport {

// Counts how often a file is opened, by anyone in any way, as the kernel reports
// it (Linux inotify): a test sees whether a file is read afresh without the code
// under test counting anything.
class FileOpens
{
public:
    explicit FileOpens(const QString &path)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        // Closes are watched too: the kernel merges identical events that follow
        // each other unread, so opens alone would count as one.
        if (m_fd >= 0)
            m_watch = inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_CLOSE);
    }
    ~FileOpens()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileOpens(const FileOpens &) = delete;
    FileOpens &operator=(const FileOpens &) = delete;

    bool isValid() const { return m_fd >= 0 && m_watch >= 0; }

    // The opens since this object was made.
    int count()
    {
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->mask & IN_OPEN)
                    ++m_opens;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return m_opens;
    }

private:
    int m_fd = -1;
    int m_watch = -1;
    int m_opens = 0;
};

} // namespace testsupport
