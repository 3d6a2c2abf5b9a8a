#include "db/connectionstring.h"

#include "db/dberror.h"
#include "db/encryptionprobe.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace db {

namespace {
const QLatin1String kPrefix("Provider=SQLOLEDB;Server=");
const QLatin1String kUser(";UID=");
const QLatin1String kDatabase(";Database=");
const QLatin1String kPassword(";Password=");
} // namespace

bool isFreeTds(const QString &driver)
{
    return driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive);
}

QString connectionString(const ConnectionSettings &settings)
{
    return kPrefix + settings.server + kUser + settings.user + kDatabase + settings.database + kPassword
        + settings.password;
}

ConnectionSettings parseConnectionString(const QString &text)
{
    const auto invalid = [] {
        return DbError(QCoreApplication::translate("db::ConnectionString", "Invalid connection string attribute"));
    };
    if (!text.startsWith(kPrefix))
        throw invalid();
    const qsizetype user = text.indexOf(kUser, kPrefix.size());
    if (user < 0)
        throw invalid();
    const qsizetype database = text.indexOf(kDatabase, user + kUser.size());
    if (database < 0)
        throw invalid();
    const qsizetype password = text.indexOf(kPassword, database + kDatabase.size());
    if (password < 0)
        throw invalid();

    ConnectionSettings settings;
    settings.server = text.mid(kPrefix.size(), user - kPrefix.size());
    settings.user = text.mid(user + kUser.size(), database - user - kUser.size());
    settings.database = text.mid(database + kDatabase.size(), password - database - kDatabase.size());
    settings.password = text.mid(password + kPassword.size());
    return settings;
}

QString braceQuoted(const QString &value, BraceStyle style)
{
    QString quoted = value;
    if (style == BraceStyle::Doubled) {
        quoted.replace(QLatin1Char('}'), QLatin1String("}}"));
    } else if (value.contains(QLatin1String("};"))) {
        throw DbError(QCoreApplication::translate(
            "db::ConnectionString", "A connection setting holds \"};\", which the FreeTDS driver cannot take."));
    }
    return QLatin1Char('{') + quoted + QLatin1Char('}');
}

QString odbcConnectionString(const ConnectionSettings &settings, const QString &driver)
{
    const bool freeTds = isFreeTds(driver);
    const BraceStyle style = freeTds ? BraceStyle::FreeTds : BraceStyle::Doubled;
    // Says which setting FreeTDS cannot take, never the value itself.
    const auto quoted = [style](const char *setting, const QString &value) {
        if (style == BraceStyle::FreeTds && value.contains(QLatin1String("};")))
            throw DbError(
                QCoreApplication::translate("db::ConnectionString",
                                            "The %1 setting holds \"};\", which the FreeTDS ODBC driver cannot take.")
                    .arg(QLatin1String(setting)));
        return braceQuoted(value, style);
    };
    // The driver manager reads the driver's name itself, in the doubled style.
    // FreeTDS verifies a certificate only for a server named in its own
    // configuration file.
    const bool freeTdsSection = freeTds && !settings.caFile.isEmpty();
    QString text = QLatin1String("Driver=") + braceQuoted(driver)
        + (freeTdsSection ? QLatin1String(";Servername=") + braceQuoted(QString::fromUtf16(kFreeTdsSection))
                          : QLatin1String(";Server=") + quoted("Server", settings.server))
        + QLatin1String(";Database=") + quoted("Database", settings.database) + QLatin1String(";UID=")
        + quoted("User", settings.user) + QLatin1String(";PWD=") + quoted("Password", settings.password);
    // FreeTDS would otherwise try several protocol versions in turn.
    if (freeTds)
        text += QLatin1String(";TDS_Version=7.4");
    // FreeTDS otherwise converts text through the workstation's locale, which under
    // C/POSIX (or a UTF-8 locale that is not installed) turns every non-ASCII
    // character into '?' or U+FFFD, on the way in and on the way out.
    if (freeTds)
        text += QLatin1String(";ClientCharset=UTF-8");
    if (settings.encryptionRequired())
        text += freeTds ? QLatin1String(";Encryption=require")
                        : QLatin1String(";Encrypt=yes;TrustServerCertificate=")
                + QLatin1String(settings.caFile.isEmpty() ? "yes" : "no");
    else if (settings.encrypt == false)
        text += freeTds ? QLatin1String(";Encryption=off") : QLatin1String(";Encrypt=no");
    return text;
}

QString freeTdsConfiguration(const ConnectionSettings &settings)
{
    // One value per line, read to the line's end: no line breaks; the host part a
    // name or address alone.
    const auto refuse = [](const char *setting) {
        return DbError(
            QCoreApplication::translate("db::ConnectionString",
                                        "The %1 setting cannot be written into FreeTDS's configuration file.")
                .arg(QLatin1String(setting)));
    };
    if (settings.caFile.contains(QLatin1Char('\n')) || settings.caFile.contains(QLatin1Char('\r')))
        throw refuse("CAFile");
    QString host = settings.server.trimmed();
    QString where;
    if (const qsizetype comma = host.indexOf(QLatin1Char(',')); comma >= 0) {
        where = QStringLiteral("\tport = %1\n").arg(host.mid(comma + 1).trimmed());
        host.truncate(comma);
    } else if (const qsizetype backslash = host.indexOf(QLatin1Char('\\')); backslash >= 0) {
        where = QStringLiteral("\tinstance = %1\n").arg(host.mid(backslash + 1).trimmed());
        host.truncate(backslash);
    }
    static const QRegularExpression plain(QStringLiteral("^[^\\s;=#\\[\\]]+$"));
    if (!plain.match(host.trimmed()).hasMatch() || where.count(QLatin1Char('\n')) > 1
        || (!where.isEmpty() && !plain.match(where.section(QLatin1Char('='), 1).trimmed()).hasMatch()))
        throw refuse("Server");
    return QStringLiteral("[%1]\n\thost = %2\n%3\tencryption = require\n\tca file = %4\n"
                          "\tcheck certificate hostname = yes\n")
        .arg(QString::fromUtf16(kFreeTdsSection), host.trimmed(), where, settings.caFile);
}

QString odbcLoginNote(const ConnectionSettings &settings, const QString &driver)
{
    if (isFreeTds(driver) && settings.user.contains(QLatin1Char('\\')))
        return QCoreApplication::translate("db::ConnectionString",
                                           "FreeTDS takes a User holding a backslash as a Windows domain login "
                                           "(DOMAIN\\user, NTLM), not as a SQL Server login.");
    return QString();
}

QString connectionFailureHint(const ConnectionSettings &settings, const QString &driverReason)
{
    const qsizetype backslash = settings.server.indexOf(QLatin1Char('\\'));
    if (backslash >= 0 && !settings.server.contains(QLatin1Char(','))
        && driverReason.contains(QLatin1String("unavailable or does not exist"), Qt::CaseInsensitive)) {
        return QCoreApplication::translate(
                   "db::ConnectionString",
                   "For the named instance \"%1\" the driver asks the SQL Server Browser on %2 (UDP port "
                   "1434) for its port: check the instance's name, that the SQL Server Browser service "
                   "runs there and that a firewall lets UDP port 1434 through, or give the instance's "
                   "port instead (Server=%2,PORT).")
            .arg(settings.server.mid(backslash + 1), settings.server.left(backslash));
    }
    return QString();
}

QString encryptionFailureHint(const ConnectionSettings &settings, OfferedEncryption offered)
{
    const QString setting = settings.caFile.isEmpty() ? QStringLiteral("[Encryption] Encrypt=yes")
                                                      : QStringLiteral("[Encryption] CAFile");
    switch (offered) {
    case OfferedEncryption::None:
        return QCoreApplication::translate(
                   "db::ConnectionString",
                   "The server does not offer encryption, and the settings require it (%1). Give the "
                   "SQL Server a certificate and restart it, or remove that setting.")
            .arg(setting);
    case OfferedEncryption::Offered:
    case OfferedEncryption::Required:
        if (settings.caFile.isEmpty())
            return QString();
        return QCoreApplication::translate(
                   "db::ConnectionString",
                   "The server offers encryption, but its certificate was refused: it is not signed by "
                   "the CA in \"%1\", has expired, or does not name the server as the Server setting "
                   "does.")
            .arg(settings.caFile);
    case OfferedEncryption::Unknown: break;
    }
    return QString();
}

QString odbcDriverName()
{
    const QString configured = qEnvironmentVariable("NORVANE_ODBC_DRIVER");
    if (!configured.isEmpty())
        return configured;
#ifdef Q_OS_WIN
    return QStringLiteral("SQL Server");
#else
    return QStringLiteral("FreeTDS");
#endif
}

} // namespace db
