#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <stdexcept>

class QSqlQuery;

namespace db {

// A failure of the driver while results were read: the texts of its diagnostic
// records, which stay on the statement for the caller to classify.
class OdbcReadFailure : public std::runtime_error
{
public:
    explicit OdbcReadFailure(const QString &messages)
        : std::runtime_error(messages.toStdString())
        , m_messages(messages)
    {
    }
    QString messages() const { return m_messages; }

private:
    QString m_messages;
};

// Reads what an executed query returned straight through the ODBC API, on the
// statement Qt SQL's ODBC driver executed, instead of through Qt SQL's own
// reading, which gives long texts ((MAX) types beyond a few hundred bytes, as
// FreeTDS hands them out) back empty. Every value is read whole, in chunks:
//  - character types as UTF-16 (SQL_C_WCHAR), CHAR(n) with its padding;
//  - whole numbers as qlonglong, BIT as bool, DECIMAL and NUMERIC as their exact
//    digits (text), floating point as double;
//  - DATE as QDate, TIME as QTime, DATETIME, DATETIME2 and SMALLDATETIME as
//    QDateTime (the server's own clock reading, local time), binary as QByteArray;
//  - NULL as a null QVariant of the column's type.
// The query must have been executed and nothing read from it yet; afterwards the
// query is only good for its errors and for being destroyed. Every failure throws
// OdbcReadFailure.
class OdbcResultReader
{
public:
    explicit OdbcResultReader(const QSqlQuery &query);

    // Moves to the first result that has columns, past the row counts of
    // statements before it (a procedure without NOCOUNT); false when none has.
    bool findRows();
    QStringList columns() const { return m_names; }
    // The next row of the current result; false at its end.
    bool fetch(QVariantList &row);
    // Reads past every remaining result (an error the server raises after the
    // rows arrives only there).
    void finish();

private:
    bool moreResults();
    void describe();
    QVariant value(int column);
    [[noreturn]] void fail(short result) const;

    void *m_statement = nullptr;
    QStringList m_names;
    QList<short> m_types;
    bool m_described = false;
};

} // namespace db
