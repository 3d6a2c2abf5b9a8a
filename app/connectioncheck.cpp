#include "app/connectioncheck.h"

#include "app/modconnect.h"
#include "db/connectionstring.h"
#include "db/dbclient.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace app {

namespace {

QString shown(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("(empty)") : QLatin1Char('"') + value + QLatin1Char('"');
}

} // namespace

int checkConnection(QTextStream &out)
{
    namespace mc = modConnect;
    QString failure;
    const bool opened = mc::OpenConnection(&failure);

    const QString location = settings::SettingsStore(QString::fromUtf16(mc::kSettingsApplication)).location();
#ifdef Q_OS_WIN
    out << "Settings: " << location << '\n';
#else
    out << "Settings: " << QDir::toNativeSeparators(location)
        << (QFileInfo::exists(location) ? "" : " (no such file: every setting reads as empty)") << '\n';
#endif
    out << "Server:   " << shown(mc::DbServer) << '\n'
        << "Database: " << shown(mc::DbName) << '\n'
        << "User:     " << shown(mc::DbUser) << '\n'
        << "Password: " << (mc::DbPassword.isEmpty() ? "(empty)" : "(given, not shown)") << '\n';
    if (const db::DriverDescription driver = mc::DbConnection().driverDescription(); !driver.isEmpty()) {
        out << "Driver:   " << shown(driver.odbcDriver) << " (ODBC), login time-out " << driver.loginTimeoutSeconds
            << " s\n";
        const QString note = db::odbcLoginNote({mc::DbServer, mc::DbName, mc::DbUser, mc::DbPassword},
                                               driver.odbcDriver);
        if (!note.isEmpty())
            out << "Note:     " << note << '\n';
    }
    if (opened)
        out << "Connected.\n";
    else
        out << "Not connected: " << failure << '\n';
    out.flush();
    return opened ? 0 : 1;
}

} // namespace app
