#include "journal/sessionlock.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace journal {

namespace {

QString lockPath(const QString &folder, const QString &id)
{
    return folder + u'/' + id + QStringLiteral(".lock");
}

bool isSessionId(const QString &id)
{
    // Ids come back from the journal file: only a well-formed one may name a file.
    return !QUuid::fromString(id).isNull() && !id.startsWith(u'{');
}

} // namespace

SessionLock::SessionLock(const QString &folder)
    : m_id(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QDir().mkpath(folder);
    auto lock = std::make_unique<QLockFile>(lockPath(folder, m_id));
    // Never stale by age: a workstation runs the program for days.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        m_lock = std::move(lock);
}

SessionLock::~SessionLock() = default;

bool SessionLock::isHeld() const
{
    return m_lock && m_lock->isLocked();
}

bool SessionLock::isRunning(const QString &folder, const QString &id)
{
    if (!isSessionId(id))
        return false;
#ifdef Q_OS_UNIX
    // A running session holds the system's lock on its file (QLockFile takes one).
    // The process id written in the file is not enough: after a power cut a new run
    // of the program can be given the same id again.
    const int fd = ::open(QFile::encodeName(lockPath(folder, id)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
#else
    QLockFile probe(lockPath(folder, id));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock(); // removes it: the session had ended
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
#endif
}

void SessionLock::removeEnded(const QString &folder, const QString &ownId)
{
    const QStringList locks = QDir(folder).entryList({QStringLiteral("*.lock")}, QDir::Files);
    for (const QString &name : locks) {
        const QString id = name.chopped(5);
        if (id == ownId || isRunning(folder, id))
            continue;
        // Removed the way the lock file support removes a stale lock, which never
        // takes the file of a session that is just starting.
        QLockFile probe(lockPath(folder, id));
        probe.setStaleLockTime(0);
        if (probe.tryLock(0))
            probe.unlock();
    }
}

} // namespace journal
