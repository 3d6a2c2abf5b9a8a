#include "db/connectiondiagnostics.h"

#include "db/commands.h"
#include "db/dbclient.h"
#include "db/dberror.h"
#include "db/generaldate.h"

namespace db {

QString dateProbeCommand(const QString &dateText)
{
    return QLatin1String("SELECT CONVERT(datetime, ") + quotedArgument(dateText) + QLatin1String(") AS probe");
}

QString encryptionQueryCommand()
{
    return QStringLiteral("SELECT encrypt_option FROM sys.dm_exec_connections WHERE session_id = @@SPID");
}

DateReading readProbeDate(DbClient &connection, const QLocale &locale)
{
    DateReading reading;
    // 9 December: read as day/month it is 12 September.
    reading.probe = QDateTime(QDate(2024, 12, 9), QTime(14, 5, 33));
    reading.sent = generalDate(reading.probe, locale);
    try {
        const DbResult result = connection.openReadOnce(dateProbeCommand(reading.sent));
        reading.read = result.dateTime(QStringLiteral("probe"));
    } catch (const DbError &e) {
        reading.refusal = e.description();
    }
    return reading;
}

std::optional<bool> everyPacketEncrypted(DbClient &connection, QString *why)
{
    try {
        const DbResult result = connection.openReadOnce(encryptionQueryCommand());
        return result.text(QStringLiteral("encrypt_option"))
                   .trimmed()
                   .compare(QLatin1String("TRUE"), Qt::CaseInsensitive)
            == 0;
    } catch (const DbError &e) {
        if (why)
            *why = e.description();
        return std::nullopt;
    }
}

} // namespace db
