#include "app/connectioncheck.h"

#include "app/modconnect.h"
#include "db/connectiondiagnostics.h"
#include "db/connectionstring.h"
#include "db/dbclient.h"
#include "db/generaldate.h"
#include "report/labeltemplatelocation.h"
#include "settings/settingsstore.h"
#include "settings/settingswarnings.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace app {

namespace {

QString shown(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("(empty)") : QLatin1Char('"') + value + QLatin1Char('"');
}

// Where a value was read from: " from <file>", or " in no settings file".
QString from(const settings::SettingsStore &store, const QString &section, const QString &key)
{
    const QString source = store.sourceOf(section, key);
    return source.isEmpty() ? QStringLiteral(" in no settings file")
                            : QStringLiteral(" from ") + QDir::toNativeSeparators(source);
}

// The places the settings are read from, in order: the user's file, then the
// workstation's for every user (those that exist; the first place when none does).
void writeSettingsFiles(QTextStream &out, const settings::SettingsStore &store)
{
#ifdef Q_OS_WIN
    out << "Settings: " << store.location() << '\n';
#else
    const QStringList files = store.files();
    QStringList workstation;
    for (qsizetype i = 1; i < files.size(); ++i) {
        if (QFileInfo::exists(files.at(i)))
            workstation.append(files.at(i));
    }
    const bool userFile = QFileInfo::exists(files.constFirst());
    out << "Settings: " << QDir::toNativeSeparators(files.constFirst()) << " (the user's"
        << (userFile                    ? ")"
                : workstation.isEmpty() ? ": no such file, and no workstation's file: every setting reads as empty)"
                                        : ": no such file)")
        << '\n';
    for (const QString &file : std::as_const(workstation))
        out << "Settings: " << QDir::toNativeSeparators(file)
            << " (the workstation's, for every user: read for the keys the user's file lacks)\n";
    if (workstation.isEmpty() && files.size() > 1)
        out << "Settings: " << QDir::toNativeSeparators(files.at(1)) << " (the workstation's: no such file)\n";
#endif
}

// What is wrong with the settings files themselves (a value cut at a ";", a password
// that others can read), each with its fix.
void writeSettingsWarnings(QTextStream &out, const settings::SettingsStore &store)
{
    const QList<settings::SettingsWarning> warnings = settings::settingsWarnings(
        store, QString::fromUtf16(modConnect::kSettingsSection), QString::fromUtf16(modConnect::kPasswordKey));
    for (const settings::SettingsWarning &warning : warnings) {
        out << (warning.level == settings::SettingsWarning::Level::Warning ? "WARNING:  " : "Note:     ")
            << warning.text << '\n'
            << "          Fix: " << warning.fix << '\n';
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
        out << "Encryption: required by the settings ("
            << (encrypt ? "[Encryption] Encrypt=yes" : "[Encryption] CAFile") << ")"
            << (encrypt ? encryptFrom : caFileFrom) << '\n';
    } else if (settings.encrypt == false) {
        out << "Encryption: not asked for ([Encryption] Encrypt=no)" << encryptFrom << '\n';
    } else {
        out << "Encryption: the driver's own default"
            << (freeTds ? " (FreeTDS encrypts the login when the server offers encryption, as SQL Server does)" : "")
            << '\n';
    }
    if (settings.caFile.isEmpty())
        out << "Certificate: not verified (no [Encryption] CAFile)\n";
    else if (!freeTds)
        out << "Certificate: verified against the Windows certificate store ([Encryption] CAFile" << caFileFrom
            << ")\n";
    else if (settings.caFile == QLatin1String("system"))
        out << "Certificate: verified against the system's CAs ([Encryption] CAFile" << caFileFrom
            << "), and its name against the Server setting\n";
    else
        out << "Certificate: verified against " << shown(settings.caFile) << " ([Encryption] CAFile" << caFileFrom
            << "), and its name against the Server setting\n";
}

// The server's own word on the connection's encryption, and its reading of the
// general date form, with the fix in plain words when it reads another day.
void writeServerChecks(QTextStream &out, db::DbClient &connection, const QString &settingsFile)
{
    QString why;
    const std::optional<bool> everyPacket = db::everyPacketEncrypted(connection, &why);
    if (!everyPacket)
        out << "Encrypted:  the server would not say (" << why << ")\n";
    else if (*everyPacket)
        out << "Encrypted:  yes, every packet (the server says so)\n";
    else
        out << "Encrypted:  no, not after the login (the server says so)\n";

    const QLocale locale = db::generalDateLocale();
    const db::DateReading reading = db::readProbeDate(connection, locale);
    const QString sent = QLatin1Char('"') + reading.sent + QLatin1Char('"');
    const QString fix = QStringLiteral(
                            "            Fix: in %1 set the locale of the dates Norvane sends to one the server reads "
                            "(its login's language; for us_english):\n"
                            "                [Dates]\n"
                            "                Locale=en_US\n"
                            "            and run --check-connection again.\n")
                            .arg(settingsFile);
    if (reading.right()) {
        out << "Dates:      the server reads " << sent << " (locale " << locale.name() << ") as "
            << inWords(reading.probe) << ", as meant.\n";
    } else if (reading.read) {
        out << "WARNING:    the server reads the dates Norvane sends as other days: it took " << sent << ", meant as "
            << inWords(reading.probe) << ", for " << inWords(*reading.read)
            << ". Every print would be recorded with a wrong date.\n"
            << fix;
    } else {
        out << "WARNING:    the server cannot read the dates Norvane sends: it refused " << sent << ", meant as "
            << inWords(reading.probe) << " (" << reading.refusal
            << "). Every print log would fail, or fail on some days.\n"
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
    out << "Server:   " << shown(mc::DbServer) << from(store, section, QStringLiteral("Server")) << '\n'
        << "Database: " << shown(mc::DbName) << from(store, section, QStringLiteral("Database")) << '\n'
        << "User:     " << shown(mc::DbUser) << from(store, section, QStringLiteral("User")) << '\n'
        << "Password: " << (mc::DbPassword.isEmpty() ? "(empty)" : "(given, not shown)")
        << from(store, section, QString::fromUtf16(mc::kPasswordKey)) << '\n';
    writeSettingsWarnings(out, store);
    // The template the stickers would be printed from.
    const report::LabelTemplateLookup labelTemplate = report::findLabelTemplate();
    out << "Template: " << report::describeLabelTemplate(labelTemplate)
        << (labelTemplate.found ? "" : ": no sticker can be printed") << '\n';
    if (const db::DriverDescription driver = mc::DbConnection().driverDescription(); !driver.isEmpty()) {
        out << "Driver:   " << shown(driver.odbcDriver) << " (ODBC), login time-out " << driver.loginTimeoutSeconds
            << " s\n";
        const QString note = db::odbcLoginNote({mc::DbServer, mc::DbName, mc::DbUser, mc::DbPassword},
                                               driver.odbcDriver);
        if (!note.isEmpty())
            out << "Note:     " << note << '\n';
        if (opened)
            writeEncryption(out, driver, store);
    }
    if (!opened) {
        out << "Not connected: " << failure << '\n';
    } else {
        out << "Connected.\n";
        // The fix of a wrong date goes where the locale is set, else into the user's file.
        const QString datesFile = store.sourceOf(QStringLiteral("Dates"), QStringLiteral("Locale"));
        writeServerChecks(out, mc::DbConnection(),
                          QDir::toNativeSeparators(datesFile.isEmpty() ? store.location() : datesFile));
    }
    out.flush();
    return opened ? 0 : 1;
}

} // namespace app
