#include "app/modconnect.h"

#include "app/applogging.h"
#include "core/error.h"
#include "db/dberror.h"
#include "db/generaldate.h"
#include "settings/connectionoptions.h"
#include "settings/settingsstore.h"
#include "settings/settingswarnings.h"
#include "widgets/messagebox.h"

#include <QCoreApplication>

namespace app::modConnect {

namespace {

// What is wrong with the settings files themselves (a value cut at a ";", a password
// that others can read), once per start, for the site's IT.
void logSettingsWarnings()
{
    const QList<settings::SettingsWarning> warnings = settings::settingsWarnings(
        settings::SettingsStore(QString::fromUtf16(kSettingsApplication)), QString::fromUtf16(kSettingsSection),
        QString::fromUtf16(kPasswordKey));
    for (const settings::SettingsWarning &warning : warnings) {
        if (warning.level == settings::SettingsWarning::Level::Warning)
            qCWarning(lcApp).noquote() << warning.text << "Fix:" << warning.fix;
        else
            qCInfo(lcApp).noquote() << warning.text << "Fix:" << warning.fix;
    }
}

} // namespace

QString DbServer;
QString DbName;
QString DbUser;
QString DbPassword;

bool Main(const ShowMainWindow &showMainWindow)
{
    logSettingsWarnings();
    QString failure;
    if (OpenConnection(&failure)) {
        showMainWindow();
        return true;
    }
    // The box says only that it failed; the reason is for whoever installs the
    // workstation: the log file, which also echoes it to standard error. Written
    // first, so that it is there even if the box is never closed.
    qCWarning(lcApp).noquote() << "Unable to contact the database server:" << describeConnectionAttempt()
                               << "failed:" << failure;
    widgets::MsgBox(QCoreApplication::translate("app::modConnect", kUnableToConnect));
    return false;
}

void LoadConnectionSettings()
{
    const settings::SettingsStore store(QString::fromUtf16(kSettingsApplication));
    const QString section = QString::fromUtf16(kSettingsSection);
    DbServer = store.value(section, QStringLiteral("Server"), QString());
    DbName = store.value(section, QStringLiteral("Database"), QString());
    DbUser = store.value(section, QStringLiteral("User"), QString());
    DbPassword = store.value(section, QString::fromUtf16(kPasswordKey), QString());
}

bool OpenConnection(QString *failure)
{
    try {
        LoadConnectionSettings();
        // The settings beside [Connection]: encryption, and the dates' locale.
        const settings::ConnectionOptions options = settings::readConnectionOptions(
            settings::SettingsStore(QString::fromUtf16(kSettingsApplication)));
        if (!options.problem.isEmpty())
            throw db::DbError(options.problem, db::DbError::Kind::NotConnected);
        db::setGeneralDateLocale(options.dateLocale.isEmpty() ? std::nullopt
                                                              : std::optional<QLocale>(QLocale(options.dateLocale)));
        if (DbConnection().isOpen())
            DbConnection().close();
        // The client gets the settings themselves along with the string they make:
        // the string alone cannot always be read back into its four values.
        DbConnection().openWithSettings({DbServer, DbName, DbUser, DbPassword, options.encrypt, options.caFile});
        return true;
    } catch (const std::exception &e) {
        if (failure)
            *failure = core::describe(e);
    } catch (...) {
        if (failure)
            *failure = QCoreApplication::translate("app::modConnect", "An unknown failure.");
    }
    return false;
}

QString describeConnectionAttempt()
{
    const auto quoted = [](const QString &text) { return QLatin1Char('"') + text + QLatin1Char('"'); };
    QString text =
        QStringLiteral("server %1, database %2, user %3").arg(quoted(DbServer), quoted(DbName), quoted(DbUser));
    if (const db::DriverDescription driver = DbConnection().driverDescription(); !driver.isEmpty())
        text += QStringLiteral(", ODBC driver %1").arg(quoted(driver.odbcDriver));
    return text;
}

} // namespace app::modConnect
