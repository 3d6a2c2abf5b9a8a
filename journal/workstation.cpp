#include "journal/workstation.h"

#include <QSysInfo>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>

#include <vector>
#endif

namespace journal {

QString currentWorkstation()
{
    return QSysInfo::machineHostName();
}

QString currentOperator()
{
#ifdef Q_OS_UNIX
    // The account's own name: environment variables can be changed by whoever starts
    // the program, the user database cannot.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    for (const char *name : {"LOGNAME", "USER"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QString();
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

} // namespace journal
