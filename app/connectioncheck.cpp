#include "app/connectioncheck.h"

#include "app/modconnect.h"
#include "db/connectiondiagnostics.h"
#include "db/connectionstring.h"
#include "db/dbclient.h"
#include "db/generaldate.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace app {

namespace {

QString shown(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("(empty)") : QLatin1Char('"') + value + QLatin1Char('"');
}

// An instant in words no locale can read otherwise: "9 December 2024, 14:05:33".
QString inWords(const QDateTime &value)
{
    return QLocale::c().toString(value, QStringLiteral("d MMMM yyyy, HH:mm:ss"));
}

// What the settings ask of encryption, and whether the certificate is verified.
void writeEncryption(QTextStream &out, const db::DriverDescription &driver)
{
    const bool freeTds = db::isFreeTds(driver.odbcDriver);
    db::ConnectionSettings settings;
    settings.encrypt = driver.encrypt;
    settings.caFile = driver.caFile;
    if (settings.encryptionRequired())
        out << "Encryption: required by the settings ("
            << (settings.encrypt.value_or(false) ? "[Encryption] Encrypt=yes" : "[Encryption] CAFile") << ")\n";
    else if (settings.encrypt == false)
        out << "Encryption: not asked for ([Encryption] Encrypt=no)\n";
    else
        out << "Encryption: the driver's own default"
            << (freeTds ? " (FreeTDS encrypts the login when the server offers encryption, as SQL Server does)" : "")
            << '\n';
    if (settings.caFile.isEmpty())
        out << "Certificate: not verified (no [Encryption] CAFile)\n";
    else if (!freeTds)
        out << "Certificate: verified against the Windows certificate store\n";
    else if (settings.caFile == QLatin1String("system"))
        out << "Certificate: verified against the system's CAs, and its name against the Server setting\n";
    else
        out << "Certificate: verified against " << shown(settings.caFile)
            << ", and its name against the Server setting\n";
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

    const QString location = settings::SettingsStore(QString::fromUtf16(mc::kSettingsApplication)).location();
#ifdef Q_OS_WIN
    out << "Settings: " << location << '\n';
#else
    out << "Settings: " << QDir::toNativeSeparators(location)
        << (QFileInfo::exists(location) ? "" : " (no such file: every setting reads as empty)") << '\n';
#endif
    out << "Server:   " << shown(mc::DbServer) << '\n'
        << "Database: " << shown(mc::DbName) << '\n'
        << "User:     " << shown(mc::DbUser) << '\n'
        << "Password: " << (mc::DbPassword.isEmpty() ? "(empty)" : "(given, not shown)") << '\n';
    if (const db::DriverDescription driver = mc::DbConnection().driverDescription(); !driver.isEmpty()) {
        out << "Driver:   " << shown(driver.odbcDriver) << " (ODBC), login time-out " << driver.loginTimeoutSeconds
            << " s\n";
        const QString note = db::odbcLoginNote({mc::DbServer, mc::DbName, mc::DbUser, mc::DbPassword},
                                               driver.odbcDriver);
        if (!note.isEmpty())
            out << "Note:     " << note << '\n';
        if (opened)
            writeEncryption(out, driver);
    }
    if (!opened) {
        out << "Not connected: " << failure << '\n';
    } else {
        out << "Connected.\n";
        writeServerChecks(out, mc::DbConnection(), QDir::toNativeSeparators(location));
    }
    out.flush();
    return opened ? 0 : 1;
}

} // namespace app
