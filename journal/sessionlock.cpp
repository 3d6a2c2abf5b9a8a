#include "sessionlock.h"

#include <QDir>
#include <QUuid>

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
    QLockFile probe(lockPath(folder, id));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock(); // removes it: the session had ended
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

void SessionLock::removeEnded(const QString &folder, const QString &ownId)
{
    const QStringList locks = QDir(folder).entryList({QStringLiteral("*.lock")}, QDir::Files);
    for (const QString &name : locks) {
        const QString id = name.chopped(5);
        if (id != ownId)
            isRunning(folder, id);
    }
}

} // namespace journal
