#include "settings/settingswarnings.h"

#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace settings {

namespace {

// The file's permission bits as chmod writes them, e.g. "644".
QString modeText(QFileDevice::Permissions p)
{
    const auto digit = [p](QFileDevice::Permission r, QFileDevice::Permission w, QFileDevice::Permission x) {
        return QChar(u'0' + ((p & r) ? 4 : 0) + ((p & w) ? 2 : 0) + ((p & x) ? 1 : 0));
    };
    return QString(digit(QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner))
        + digit(QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup)
        + digit(QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther);
}

// The value as the INI reader gives it (a list split at its commas joined again).
QString readValue(const QString &file, const QString &section, const QString &key)
{
    const QVariant value = QSettings(file, QSettings::IniFormat).value(section + QLatin1Char('/') + key);
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void addCutValues(QList<SettingsWarning> &warnings, const SettingsStore &store, const QString &file,
                  const QString &secretSection, const QString &secretKey)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QList<CutValue> cut = valuesCutAtSemicolon(QString::fromUtf8(in.readAll()));
    for (const CutValue &value : cut) {
        // A key that an earlier file holds too is not read from this one.
        if (store.sourceOf(value.section, value.key) != file)
            continue;
        const bool secret = value.section == secretSection && value.key == secretKey;
        SettingsWarning warning;
        warning.text = QCoreApplication::translate(
                           "settings::SettingsWarnings",
                           "In %1, the %2 setting of [%3] holds a \";\" outside double quotes, where a "
                           "\";\" starts a comment: ")
                           .arg(file, value.key, value.section);
        warning.text += secret
            ? QCoreApplication::translate("settings::SettingsWarnings",
                                          "only what stands before it is read, so the password sent is not "
                                          "the one written.")
            : QCoreApplication::translate("settings::SettingsWarnings", "it reads as \"%1\".")
                  .arg(readValue(file, value.section, value.key));
        const QString written = value.written.trimmed();
        const bool plain = !written.contains(QLatin1Char('"')) && !written.contains(QLatin1Char('\\'));
        warning.fix = QCoreApplication::translate("settings::SettingsWarnings",
                                                  "put the whole value in double quotes: %1=\"%2\"")
                          .arg(value.key, secret || !plain ? QStringLiteral("...") : written);
        if (secret || !plain)
            warning.fix += QCoreApplication::translate(
                "settings::SettingsWarnings", " (inside the quotes write \\\" for a quote and \\\\ for a backslash)");
        warnings.append(warning);
    }
}

// The file that holds the secret, and who besides its reader can read or change it.
void addSecretFile(QList<SettingsWarning> &warnings, const SettingsStore &store, const QString &secretSection,
                   const QString &secretKey)
{
    if (store.value(secretSection, secretKey).isEmpty())
        return;
    const QString file = store.sourceOf(secretSection, secretKey);
    const QFileInfo info(file);
    if (file.isEmpty() || !info.exists())
        return;
    const QFileDevice::Permissions p = info.permissions();
    const QString quoted = shellQuoted(file);
    const QString mode = modeText(p);

    if (file == store.location()) {
        // The user's own file: for its user alone.
        const bool readable = p & (QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const bool writable = p & (QFileDevice::WriteGroup | QFileDevice::WriteOther);
        if (!readable && !writable)
            return;
        const QString who = readable && writable
            ? QCoreApplication::translate("settings::SettingsWarnings", "read and changed",
                                          "can be read and changed by other users")
            : readable
            ? QCoreApplication::translate("settings::SettingsWarnings", "read", "can be read by other users")
            : QCoreApplication::translate("settings::SettingsWarnings", "changed", "can be changed by other users");
        warnings.append(
            {SettingsWarning::Level::Warning,
             QCoreApplication::translate("settings::SettingsWarnings",
                                         "The settings file %1 holds the password and can be %2 by other users "
                                         "(mode %3).")
                 .arg(file, who, mode),
             QStringLiteral("chmod 600 %1").arg(quoted)});
        return;
    }

    // A workstation's file for every user: whoever runs the program reads it with
    // their own rights, so each of them can read the password in it.
    if (p & (QFileDevice::WriteGroup | QFileDevice::WriteOther)) {
        warnings.append(
            {SettingsWarning::Level::Warning,
             QCoreApplication::translate("settings::SettingsWarnings",
                                         "The workstation's settings file %1 holds the password and can be changed by "
                                         "users other than its owner (mode %2): one of them could send every login "
                                         "to a server of their own.")
                 .arg(file, mode),
             QStringLiteral("chmod go-w %1").arg(quoted)});
    }
    if (p & QFileDevice::ReadOther) {
        warnings.append({SettingsWarning::Level::Warning,
                         QCoreApplication::translate(
                             "settings::SettingsWarnings",
                             "The workstation's settings file %1 holds the password and every user of this machine "
                             "can read it (mode %2).")
                             .arg(file, mode),
                         QCoreApplication::translate(
                             "settings::SettingsWarnings",
                             "let only the group of those who run Norvane read it: chown root:GROUP %1 && chmod 640 "
                             "%1; or give each user the password in their own settings file (chmod 600) instead")
                             .arg(quoted)});
    } else {
        warnings.append({SettingsWarning::Level::Note,
                         QCoreApplication::translate(
                             "settings::SettingsWarnings",
                             "The password comes from the workstation's settings file %1: every user who may run "
                             "Norvane reads that file, and so can read the password.")
                             .arg(file),
                         QCoreApplication::translate(
                             "settings::SettingsWarnings",
                             "if that is not meant, remove Password from it and give each user the password in their "
                             "own settings file, %1, readable by that user alone (chmod 600)")
                             .arg(store.location())});
    }
}

} // namespace

QList<CutValue> valuesCutAtSemicolon(const QString &fileText)
{
    QList<CutValue> cut;
    QString section = QStringLiteral("General");
    const QStringList lines = fileText.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype end = line.indexOf(QLatin1Char(']'));
            section = line.mid(1, end < 0 ? -1 : end - 1).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString value = line.mid(equals + 1);
        bool quoted = false;
        bool semicolon = false;
        for (qsizetype i = 0; i < value.size() && !semicolon; ++i) {
            const QChar c = value.at(i);
            if (c == u'\\') {
                // An escape takes the next character, but outside quotes "\;" is no way to
                // keep a ";": the reader drops it.
                if (!quoted && i + 1 < value.size() && value.at(i + 1) == u';')
                    semicolon = true;
                ++i;
            } else if (c == u'"') {
                quoted = !quoted;
            } else if (c == u';' && !quoted) {
                semicolon = true;
            }
        }
        if (semicolon)
            cut.append({section, line.left(equals).trimmed(), value});
    }
    return cut;
}

QList<SettingsWarning> settingsWarnings(const SettingsStore &store, const QString &secretSection,
                                        const QString &secretKey)
{
    QList<SettingsWarning> warnings;
#ifndef Q_OS_WIN
    const QStringList files = store.files();
    for (const QString &file : files)
        addCutValues(warnings, store, file, secretSection, secretKey);
    addSecretFile(warnings, store, secretSection, secretKey);
#else
    Q_UNUSED(store);
    Q_UNUSED(secretSection);
    Q_UNUSED(secretKey);
#endif
    return warnings;
}

QString shellQuoted(const QString &path)
{
    QString text = path;
    text.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace settings
