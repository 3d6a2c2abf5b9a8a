#include "db/commands.h"

#include <QStringList>

namespace db {

QString quotedArgument(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString searchCommand(const QString &number, int searchMode)
{
    return QLatin1String("Laboratory..Lab_Barcode_GetRequests ") + quotedArgument(number) + QLatin1Char(',')
        + QString::number(searchMode);
}

QString requeryCommand(const QString &barcode)
{
    return QLatin1String("Laboratory..Lab_Barcode_GetRequests ") + quotedArgument(barcode);
}

QString saveMasterCommand(const MasterRow &row)
{
    const QStringList arguments{
        quotedArgument(row.refNum),    quotedArgument(row.idNum),      quotedArgument(row.hospNum),
        quotedArgument(row.barcode),   quotedArgument(row.itemId),     quotedArgument(row.specimenId),
        quotedArgument(row.sectionId), quotedArgument(row.requestNum), quotedArgument(row.profileId),
    };
    return QLatin1String("Laboratory..Lab_Barcode_SaveMaster ") + arguments.join(QLatin1Char(','));
}

QString saveDateCommand(const QString &requestNum, const QString &itemId, const QString &sectionId,
                        const QString &dateText)
{
    const QStringList arguments{
        quotedArgument(requestNum),          quotedArgument(itemId),
        quotedArgument(sectionId),           quotedArgument(dateText),
        quotedArgument(QStringLiteral("0")), quotedArgument(QString()),
    };
    return QLatin1String("Laboratory..Lab_Barcode_SaveDate ") + arguments.join(QLatin1Char(','));
}

QString serverDateCommand()
{
    return QStringLiteral("SELECT getdate() as serverdate");
}

} // namespace db
