#include "settings/settingsstore.h"

#include <QSettings>
#include <QStringList>

namespace settings {

namespace {

#ifdef Q_OS_WIN
QSettings openStore(const QString &application)
{
    return QSettings(QLatin1String("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + application,
                     QSettings::NativeFormat);
}
#else
QSettings openStore(const QString &application)
{
    // Organisation = the application name and no application of its own: one file,
    // <application>.conf, directly in the user's configuration folder.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, application);
}
#endif

} // namespace

SettingsStore::SettingsStore(const QString &application)
    : m_application(application)
{
}

QString SettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QSettings store = openStore(m_application);
    const QString name = section + QLatin1Char('/') + key;
    if (!store.contains(name))
        return defaultValue;
    const QVariant value = store.value(name);
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString SettingsStore::location() const
{
    return openStore(m_application).fileName();
}

} // namespace settings
