#include "app/connectioncheck.h"

#include "app/modconnect.h"
#include "db/connectiondiagnostics.h"
#include "db/connectionstring.h"
#include "db/dbclient.h"
#include "db/generaldate.h"
#include "report/labeltemplatelocation.h"
#include "settings/settingsstore.h"
#include "settings/settingswarnings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace app {

namespace {

QString shown(const QString &value)
{
    return value.isEmpty() ? QCoreApplication::translate("app::ConnectionCheck", "(empty)")
                           : QLatin1Char('"') + value + QLatin1Char('"');
}

// Where a value was read from: " from <file>", or " in no settings file".
QString from(const settings::SettingsStore &store, const QString &section, const QString &key)
{
    const QString source = store.sourceOf(section, key);
    return source.isEmpty()
        ? QCoreApplication::translate("app::ConnectionCheck", " in no settings file")
        : QCoreApplication::translate("app::ConnectionCheck", " from %1").arg(QDir::toNativeSeparators(source));
}

// The places the settings are read from, in order: the user's file, then the
// workstation's for every user (those that exist; the first place when none does).
void writeSettingsFiles(QTextStream &out, const settings::SettingsStore &store)
{
#ifdef Q_OS_WIN
    out << QCoreApplication::translate("app::ConnectionCheck", "Settings: %1").arg(store.location()) << '\n';
#else
    const QStringList files = store.files();
    QStringList workstation;
    for (qsizetype i = 1; i < files.size(); ++i) {
        if (QFileInfo::exists(files.at(i)))
            workstation.append(files.at(i));
    }
    const bool userFile = QFileInfo::exists(files.constFirst());
    out << (userFile ? QCoreApplication::translate("app::ConnectionCheck", "Settings: %1 (the user's)")
                : workstation.isEmpty()
                ? QCoreApplication::translate(
                    "app::ConnectionCheck",
                    "Settings: %1 (the user's: no such file, and no workstation's file: every setting reads as empty)")
                : QCoreApplication::translate("app::ConnectionCheck", "Settings: %1 (the user's: no such file)"))
               .arg(QDir::toNativeSeparators(files.constFirst()))
        << '\n';
    for (const QString &file : std::as_const(workstation))
        out << QCoreApplication::translate(
                   "app::ConnectionCheck",
                   "Settings: %1 (the workstation's, for every user: read for the keys the user's file lacks)")
                   .arg(QDir::toNativeSeparators(file))
            << '\n';
    if (workstation.isEmpty() && files.size() > 1)
        out << QCoreApplication::translate("app::ConnectionCheck", "Settings: %1 (the workstation's: no such file)")
                   .arg(QDir::toNativeSeparators(files.at(1)))
            << '\n';
#endif
}

// What is wrong with the settings files themselves (a value cut at a ";", a password
// that others can read), each with its fix.
void writeSettingsWarnings(QTextStream &out, const settings::SettingsStore &store)
{
    const QList<settings::SettingsWarning> warnings = settings::settingsWarnings(
        store, QString::fromUtf16(modConnect::kSettingsSection), QString::fromUtf16(modConnect::kPasswordKey));
    for (const settings::SettingsWarning &warning : warnings) {
        out << (warning.level == settings::SettingsWarning::Level::Warning
                    ? QCoreApplication::translate("app::ConnectionCheck", "WARNING:  %1")
                    : QCoreApplication::translate("app::ConnectionCheck", "Note:     %1"))
                   .arg(warning.text)
            << '\n'
            << QCoreApplication::translate("app::ConnectionCheck", "          Fix: %1").arg(warning.fix) << '\n';
    }
}

// An instant in words no locale can read otherwise: "9 December 2024, 14:05:33".
QString inWords(const QDateTime &value)
{
    return QLocale::c().toString(value, QStringLiteral("d MMMM yyyy, HH:mm:ss"));
}

// What the settings ask of encryption, and whether the certificate is verified, with
// the file each setting came from.
void writeEncryption(QTextStream &out, const db::DriverDescription &driver, const settings::SettingsStore &store)
{
    const QString section = QStringLiteral("Encryption");
    const QString encryptFrom = from(store, section, QStringLiteral("Encrypt"));
    const QString caFileFrom = from(store, section, QStringLiteral("CAFile"));
    const bool freeTds = db::isFreeTds(driver.odbcDriver);
    db::ConnectionSettings settings;
    settings.encrypt = driver.encrypt;
    settings.caFile = driver.caFile;
    if (settings.encryptionRequired()) {
        const bool encrypt = settings.encrypt.value_or(false);
        out << QCoreApplication::translate("app::ConnectionCheck", "Encryption: required by the settings (%1)%2")
                   .arg(encrypt ? QStringLiteral("[Encryption] Encrypt=yes") : QStringLiteral("[Encryption] CAFile"),
                        encrypt ? encryptFrom : caFileFrom)
            << '\n';
    } else if (settings.encrypt == false) {
        out << QCoreApplication::translate("app::ConnectionCheck",
                                           "Encryption: not asked for ([Encryption] Encrypt=no)%1")
                   .arg(encryptFrom)
            << '\n';
    } else {
        out << (freeTds ? QCoreApplication::translate(
                    "app::ConnectionCheck",
                    "Encryption: the driver's own default (FreeTDS encrypts the login when the server offers encryption, as "
                    "SQL Server does)")
                        : QCoreApplication::translate("app::ConnectionCheck", "Encryption: the driver's own default"))
            << '\n';
    }
    if (settings.caFile.isEmpty())
        out << QCoreApplication::translate("app::ConnectionCheck", "Certificate: not verified (no [Encryption] CAFile)")
            << '\n';
    else if (!freeTds)
        out << QCoreApplication::translate(
                   "app::ConnectionCheck",
                   "Certificate: verified against the Windows certificate store ([Encryption] CAFile%1)")
                   .arg(caFileFrom)
            << '\n';
    else if (settings.caFile == QLatin1String("system"))
        out << QCoreApplication::translate(
                   "app::ConnectionCheck",
                   "Certificate: verified against the system's CAs ([Encryption] CAFile%1), and its name against the "
                   "Server setting")
                   .arg(caFileFrom)
            << '\n';
    else
        out << QCoreApplication::translate(
                   "app::ConnectionCheck",
                   "Certificate: verified against %1 ([Encryption] CAFile%2), and its name against the Server setting")
                   .arg(shown(settings.caFile), caFileFrom)
            << '\n';
}

// The server's own word on the connection's encryption, and its reading of the
// general date form, with the fix in plain words when it reads another day.
void writeServerChecks(QTextStream &out, db::DbClient &connection, const QString &settingsFile)
{
    QString why;
    const std::optional<bool> everyPacket = db::everyPacketEncrypted(connection, &why);
    if (!everyPacket)
        out << QCoreApplication::translate("app::ConnectionCheck", "Encrypted:  the server would not say (%1)").arg(why)
            << '\n';
    else if (*everyPacket)
        out << QCoreApplication::translate("app::ConnectionCheck", "Encrypted:  yes, every packet (the server says so)")
            << '\n';
    else
        out << QCoreApplication::translate("app::ConnectionCheck",
                                           "Encrypted:  no, not after the login (the server says so)")
            << '\n';

    const QLocale locale = db::generalDateLocale();
    const db::DateReading reading = db::readProbeDate(connection, locale);
    const QString sent = QLatin1Char('"') + reading.sent + QLatin1Char('"');
    const QString fix = QCoreApplication::translate(
                            "app::ConnectionCheck",
                            "            Fix: in %1 set the locale of the dates Norvane sends to one the server reads "
                            "(its login's language; for us_english):\n"
                            "                [Dates]\n"
                            "                Locale=en_US\n"
                            "            and run --check-connection again.\n")
                            .arg(settingsFile);
    if (reading.right()) {
        out << QCoreApplication::translate("app::ConnectionCheck",
                                           "Dates:      the server reads %1 (locale %2) as %3, as meant.")
                   .arg(sent, locale.name(), inWords(reading.probe))
            << '\n';
    } else if (reading.read) {
        out << QCoreApplication::translate(
                   "app::ConnectionCheck",
                   "WARNING:    the server reads the dates Norvane sends as other days: it took %1, meant as %2, for "
                   "%3. Every print would be recorded with a wrong date.")
                   .arg(sent, inWords(reading.probe), inWords(*reading.read))
            << '\n'
            << fix;
    } else {
        out << QCoreApplication::translate(
                   "app::ConnectionCheck",
                   "WARNING:    the server cannot read the dates Norvane sends: it refused %1, meant as %2 (%3). "
                   "Every print log would fail, or fail on some days.")
                   .arg(sent, inWords(reading.probe), reading.refusal)
            << '\n'
            << fix;
    }
}

} // namespace

int checkConnection(QTextStream &out)
{
    namespace mc = modConnect;
    QString failure;
    const bool opened = mc::OpenConnection(&failure);

    const settings::SettingsStore store(QString::fromUtf16(mc::kSettingsApplication));
    const QString section = QString::fromUtf16(mc::kSettingsSection);
    writeSettingsFiles(out, store);
    out << QCoreApplication::translate("app::ConnectionCheck", "Server:   %1%2")
               .arg(shown(mc::DbServer), from(store, section, QStringLiteral("Server")))
        << '\n'
        << QCoreApplication::translate("app::ConnectionCheck", "Database: %1%2")
               .arg(shown(mc::DbName), from(store, section, QStringLiteral("Database")))
        << '\n'
        << QCoreApplication::translate("app::ConnectionCheck", "User:     %1%2")
               .arg(shown(mc::DbUser), from(store, section, QStringLiteral("User")))
        << '\n'
        << QCoreApplication::translate("app::ConnectionCheck", "Password: %1%2")
               .arg(mc::DbPassword.isEmpty()
                        ? shown(QString())
                        : QCoreApplication::translate("app::ConnectionCheck", "(given, not shown)"),
                    from(store, section, QString::fromUtf16(mc::kPasswordKey)))
        << '\n';
    writeSettingsWarnings(out, store);
    // The template the stickers would be printed from.
    const report::LabelTemplateLookup labelTemplate = report::findLabelTemplate();
    out << (labelTemplate.found
                ? QCoreApplication::translate("app::ConnectionCheck", "Template: %1")
                : QCoreApplication::translate("app::ConnectionCheck", "Template: %1: no sticker can be printed"))
               .arg(report::describeLabelTemplate(labelTemplate))
        << '\n';
    if (const db::DriverDescription driver = mc::DbConnection().driverDescription(); !driver.isEmpty()) {
        out << QCoreApplication::translate("app::ConnectionCheck", "Driver:   %1 (ODBC), login time-out %2 s")
                   .arg(shown(driver.odbcDriver), QString::number(driver.loginTimeoutSeconds))
            << '\n';
        const QString note = db::odbcLoginNote({mc::DbServer, mc::DbName, mc::DbUser, mc::DbPassword},
                                               driver.odbcDriver);
        if (!note.isEmpty())
            out << QCoreApplication::translate("app::ConnectionCheck", "Note:     %1").arg(note) << '\n';
        if (opened)
            writeEncryption(out, driver, store);
    }
    if (!opened) {
        out << QCoreApplication::translate("app::ConnectionCheck", "Not connected: %1").arg(failure) << '\n';
    } else {
        out << QCoreApplication::translate("app::ConnectionCheck", "Connected.") << '\n';
        // The fix of a wrong date goes where the locale is set, else into the user's file.
        const QString datesFile = store.sourceOf(QStringLiteral("Dates"), QStringLiteral("Locale"));
        writeServerChecks(out, mc::DbConnection(),
                          QDir::toNativeSeparators(datesFile.isEmpty() ? store.location() : datesFile));
    }
    out.flush();
    return opened ? 0 : 1;
}

} // namespace app
