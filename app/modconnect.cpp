#include "modconnect.h"

#include "settingsstore.h"

#include "widgets/messagebox.h"

namespace app::modConnect {

QString DbServer;
QString DbName;
QString DbUser;
QString DbPassword;

void Main(const ShowMainWindow &showMainWindow)
{
    if (OpenConnection()) {
        showMainWindow();
        return;
    }
    widgets::MsgBox(QString::fromUtf16(kUnableToConnect));
}

void LoadConnectionSettings()
{
    const SettingsStore store(QString::fromUtf16(kSettingsApplication));
    const QString section = QString::fromUtf16(kSettingsSection);
    DbServer = store.value(section, QStringLiteral("Server"), QString());
    DbName = store.value(section, QStringLiteral("Database"), QString());
    DbUser = store.value(section, QStringLiteral("User"), QString());
    DbPassword = store.value(section, QStringLiteral("Password"), QString());
}

bool OpenConnection()
{
    try {
        LoadConnectionSettings();
        if (DbConnection().isOpen())
            DbConnection().close();
        // The client gets the settings themselves along with the string they make:
        // the string alone cannot always be read back into its four values.
        DbConnection().openWithSettings({DbServer, DbName, DbUser, DbPassword});
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace app::modConnect
