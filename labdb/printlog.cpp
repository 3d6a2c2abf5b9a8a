#include "labdb/printlog.h"

#include "labdb/connection.h"
#include "labdb/session.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace labdb {

const QStringList PrintLog::masterColumns = {QStringLiteral("RefNum"),    QStringLiteral("IdNum"),
                                             QStringLiteral("HospNum"),   QStringLiteral("Barcode"),
                                             QStringLiteral("ItemID"),    QStringLiteral("SpecimenID"),
                                             QStringLiteral("SectionID"), QStringLiteral("RequestNum"),
                                             QStringLiteral("ProfileID"), QStringLiteral("SavedAt")};

const QStringList PrintLog::dateColumns = {
    QStringLiteral("RequestNum"), QStringLiteral("ItemID"),  QStringLiteral("SectionID"), QStringLiteral("PrintDate"),
    QStringLiteral("Status"),     QStringLiteral("Remarks"), QStringLiteral("SavedAt")};

namespace {

QList<QStringList> readRows(Connection &connection, const QString &statement, int columns)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.exec(statement))
        throw SqlError(50000, QStringLiteral("The laboratory database failed: %1").arg(query.lastError().text()));
    QList<QStringList> rows;
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i).toString());
        rows.append(row);
    }
    return rows;
}

QString table(const QString &title, const QStringList &columns, const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QString &c : columns)
        widths.append(c.size());
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    auto line = [&widths](const QStringList &cells) {
        QStringList padded;
        for (int i = 0; i < cells.size(); ++i)
            padded.append(cells.at(i).leftJustified(widths[i]));
        return padded.join(QLatin1String("  ")).trimmed() + QLatin1Char('\n');
    };
    QString text = QStringLiteral("%1 (%2 %3)\n")
                       .arg(title)
                       .arg(rows.size())
                       .arg(rows.size() == 1 ? QLatin1String("row") : QLatin1String("rows"));
    text += line(columns);
    QStringList rule;
    for (const qsizetype w : widths)
        rule.append(QString(w, QLatin1Char('-')));
    text += line(rule);
    for (const QStringList &row : rows)
        text += line(row);
    return text;
}

} // namespace

PrintLog PrintLog::read(const QString &databasePath)
{
    Connection connection(databasePath, true);
    PrintLog log;
    log.masterRows = readRows(
        connection,
        QStringLiteral("SELECT ref_num, id_num, hosp_num, barcode, item_id, specimen_id, section_id,"
                       " request_num, profile_id, saved_at FROM barcode_log_master ORDER BY log_id"),
        int(masterColumns.size()));
    log.dateRows = readRows(
        connection,
        QStringLiteral("SELECT request_num, item_id, section_id, print_date, status, remarks, saved_at"
                       " FROM barcode_log_date ORDER BY log_id"),
        int(dateColumns.size()));
    return log;
}

QString PrintLog::toText() const
{
    return table(QStringLiteral("Master rows (Lab_Barcode_SaveMaster)"), masterColumns, masterRows) + QLatin1Char('\n')
        + table(QStringLiteral("Date rows (Lab_Barcode_SaveDate)"), dateColumns, dateRows);
}

} // namespace labdb
