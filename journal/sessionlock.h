#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace journal {

// Each run of the program that opens the journal is a session with an id of its
// own, written on every line it adds, and holds a lock file named after it in the
// sessions folder beside the journal for as long as it runs. Another run tells a
// session that still runs (its lines are its own business: it may be printing or
// logging them right now) from one that ended, cleanly or in a crash, by trying
// that lock: the system's lock file support sees through a dead process.
class SessionLock
{
public:
    // A new session id, its lock taken in folder (created when missing). A lock
    // that cannot be taken leaves the session without one: its lines then look
    // like those of an ended session to other runs.
    explicit SessionLock(const QString &folder);
    ~SessionLock();
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;

    QString id() const { return m_id; }
    bool isHeld() const;

    // Whether the session id (of another run) still runs. An id that is not a
    // session id, or a lock that cannot be tried, counts as ended.
    static bool isRunning(const QString &folder, const QString &id);

    // Removes the lock files that ended sessions left behind (after a crash).
    static void removeEnded(const QString &folder, const QString &ownId);

private:
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace journal
