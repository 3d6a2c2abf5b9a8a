#pragma once

#include "app/modconnect.h"
#include "serverprocess.h"

#include <QSettings>
#include <QString>

// Writes the user's [Connection] settings that reach a labdb-server, as IT would write
// them into the program's settings file; by default with the test server's login and
// database. False when the file could not be written.
inline bool writeConnectionSettings(const QString &server, const QString &database = QStringLiteral("Laboratory"),
                                    const QString &user = QString::fromUtf16(ServerProcess::kUser),
                                    const QString &password = QString::fromUtf16(ServerProcess::kPassword))
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromUtf16(app::modConnect::kSettingsApplication));
    store.beginGroup(QString::fromUtf16(app::modConnect::kSettingsSection));
    store.setValue(QStringLiteral("Server"), server);
    store.setValue(QStringLiteral("Database"), database);
    store.setValue(QStringLiteral("User"), user);
    store.setValue(QStringLiteral("Password"), password);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}
