#pragma once

#include <QString>

namespace settings {

// The application under which Norvane's settings are kept: the connection settings
// (section "Connection", app::modConnect) and the label printer's (section "Printer").
inline constexpr char16_t kApplication[] = u"ZEMRIX Current User";

// The per-user settings store, read by application name, section and key. The
// program never writes it.
// - Linux: the user's Qt settings, the INI file
//   $XDG_CONFIG_HOME/<application>.conf (~/.config/<application>.conf), a section
//   per [group]; keys are case-sensitive.
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

    // Where the store lies: the file path on Linux, the registry key on Windows.
    QString location() const;

private:
    QString m_application;
};

} // namespace settings
