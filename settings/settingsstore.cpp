#include "settings/settingsstore.h"

#include <QSettings>
#include <QStandardPaths>
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

QStringList SettingsStore::files() const
{
    QStringList places{location()};
#ifndef Q_OS_WIN
    // As QSettings lists its fallbacks: the configuration folders after the user's
    // own, each with <application>.conf, whether the file is there or not.
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    if (!folders.isEmpty())
        folders.removeFirst();
    for (const QString &folder : std::as_const(folders))
        places.append(folder + QLatin1Char('/') + m_application + QStringLiteral(".conf"));
#endif
    return places;
}

QString SettingsStore::sourceOf(const QString &section, const QString &key) const
{
    const QString name = section + QLatin1Char('/') + key;
#ifdef Q_OS_WIN
    return openStore(m_application).contains(name) ? location() : QString();
#else
    for (const QString &file : files()) {
        if (QSettings(file, QSettings::IniFormat).contains(name))
            return file;
    }
    return QString();
#endif
}

} // namespace settings
