#pragma once

#include <QString>
#include <QStringList>

namespace settings {

// The application under which Norvane's settings are kept: the connection settings
// (section "Connection", app::modConnect) and the label printer's (section "Printer").
inline constexpr char16_t kApplication[] = u"ZEMRIX Current User";

// The per-user settings store, read by application name, section and key. The
// program never writes it.
// - Linux: the user's Qt settings, the INI file
//   $XDG_CONFIG_HOME/<application>.conf (~/.config/<application>.conf), a section
//   per [group]; keys are case-sensitive. A key the user's file lacks is read from
//   the workstation's file for every user, <dir>/<application>.conf for each folder
//   of $XDG_CONFIG_DIRS in turn (/etc/xdg when that is not set), as QSettings falls
//   back; a key in the user's file wins even with an empty value.
// - Windows: the registry key that the classic per-user settings API uses,
//   HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>,
//   so that workstations keep the settings they already have.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &application);

    // The text of section/key, or defaultValue when the key is absent. A value
    // that the INI reader split at its commas ("host,1433" unquoted) is joined again.
    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;

    // Where the store lies: the user's file on Linux, the registry key on Windows.
    QString location() const;

    // Every place read, in the order a key is looked for: on Linux the user's file,
    // then the workstation's files (whether or not they exist); on Windows the
    // registry key alone.
    QStringList files() const;

    // The place of files() whose value value() reads for section/key: the first that
    // holds the key (even empty); empty when none does.
    QString sourceOf(const QString &section, const QString &key) const;

private:
    QString m_application;
};

} // namespace settings
