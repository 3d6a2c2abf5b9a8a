#include "db/dbresult.h"

#include "db/dberror.h"
#include "db/generaldate.h"

#include <QCoreApplication>

namespace db {

DbResult::DbResult(QStringList columns, QList<QVariantList> rows, qint64 rowCount)
    : m_columns(std::move(columns))
    , m_rows(std::move(rows))
    , m_rowCount(rowCount)
{
}

void DbResult::moveNext()
{
    if (atEnd())
        throw DbError(QCoreApplication::translate(
            "db::DbResult", "Either BOF or EOF is True, or the current record has been deleted."));
    ++m_current;
}

int DbResult::columnIndex(const QString &column) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant DbResult::value(const QString &column) const
{
    const int index = columnIndex(column);
    if (index < 0)
        throw DbError(QStringLiteral(
                          "Item cannot be found in the collection corresponding to the requested name or ordinal. (%1)")
                          .arg(column));
    if (atEnd())
        throw DbError(QCoreApplication::translate(
            "db::DbResult", "Either BOF or EOF is True, or the current record has been deleted."));
    const QVariantList &row = m_rows.at(m_current);
    return index < row.size() ? row.at(index) : QVariant();
}

QString DbResult::text(const QString &column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        return QString();
    // Every date-time in the general date form, whatever its SQL type: a DATE
    // is a date at midnight, and so reads as the date alone.
    switch (v.metaType().id()) {
    case QMetaType::QDateTime: return generalDate(v.toDateTime());
    case QMetaType::QDate: return generalDate(QDateTime(v.toDate(), QTime(0, 0)));
    case QMetaType::QTime: return generalTime(v.toTime(), generalDateLocale());
    default: return v.toString();
    }
}

QDateTime DbResult::dateTime(const QString &column) const
{
    const QVariant v = value(column);
    if (v.metaType().id() == QMetaType::QDate && v.toDate().isValid())
        return QDateTime(v.toDate(), QTime(0, 0));
    if (v.isNull() || !v.canConvert<QDateTime>() || !v.toDateTime().isValid())
        throw DbError(
            QCoreApplication::translate("db::DbResult", "Type mismatch: column '%1' is not a date-time.").arg(column));
    return v.toDateTime();
}

} // namespace db
