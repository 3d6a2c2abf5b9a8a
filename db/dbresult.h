#pragma once

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariant>

namespace db {

// The rows of one query, held in memory, with a cursor on the current row.
// Columns are found by name (case-insensitive, as the server treats them).
class DbResult
{
public:
    DbResult() = default;
    // rowCount -1 means "not known": a result read once, of which only the rows
    // fetched so far are held.
    DbResult(QStringList columns, QList<QVariantList> rows, qint64 rowCount);

    // Number of rows of the whole result; known before the first row is read
    // for results fetched whole, -1 for read-once results.
    qint64 rowCount() const { return m_rowCount; }
    bool atEnd() const { return m_current >= m_rows.size(); }
    void moveNext();

    const QStringList &columns() const { return m_columns; }

    // The current row's value; throws DbError for a missing column or past the end.
    QVariant value(const QString &column) const;
    // The value joined to the empty text: null reads "", whole numbers as digits,
    // date-times (DATETIME, DATETIME2, SMALLDATETIME, DATE, TIME) in the general
    // date form of generalDateLocale(), texts as they came (CHAR(n) padded).
    QString text(const QString &column) const;
    // The value as a date-time; throws DbError if it is not one.
    QDateTime dateTime(const QString &column) const;

private:
    int columnIndex(const QString &column) const;

    QStringList m_columns;
    QList<QVariantList> m_rows;
    qint64 m_rowCount = 0;
    qsizetype m_current = 0;
};

} // namespace db
