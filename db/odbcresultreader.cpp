#include "db/odbcresultreader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlQuery>
#include <QSqlResult>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace db {

namespace {

// Types SQL Server's drivers add: TIME(n), DATETIMEOFFSET, XML.
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsTimestampOffset = -155;
constexpr SQLSMALLINT kSsXml = -152;

constexpr SQLLEN kChunkBytes = 16384;

bool succeeded(SQLRETURN r)
{
    return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO;
}

QString fromWide(const SQLWCHAR *text, qsizetype chars)
{
    static_assert(sizeof(SQLWCHAR) == 2 || sizeof(SQLWCHAR) == 4);
    if constexpr (sizeof(SQLWCHAR) == 2)
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), chars);
    else
        return QString::fromUcs4(reinterpret_cast<const char32_t *>(text), chars);
}

} // namespace

OdbcResultReader::OdbcResultReader(const QSqlQuery &query)
{
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (handle.isValid() && handle.metaType().sizeOf() == int(sizeof(SQLHANDLE)))
        m_statement = *static_cast<const SQLHANDLE *>(handle.constData());
    if (!m_statement)
        throw OdbcReadFailure(
            QCoreApplication::translate("db::OdbcResultReader", "The driver gave no statement to read."));
}

void OdbcResultReader::fail(short result) const
{
    QStringList messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRecW(SQL_HANDLE_STMT, m_statement, record, state, &native, text,
                                           SQLSMALLINT(std::size(text)), &length);
        if (!succeeded(r))
            break;
        messages.append(fromWide(text, qMin<qsizetype>(length, std::size(text) - 1)));
    }
    if (messages.isEmpty())
        messages.append(QCoreApplication::translate("db::OdbcResultReader", "The driver failed (%1) without a reason.")
                            .arg(result));
    throw OdbcReadFailure(messages.join(u' '));
}

void OdbcResultReader::describe()
{
    SQLSMALLINT count = 0;
    SQLRETURN r = SQLNumResultCols(m_statement, &count);
    if (!succeeded(r))
        fail(r);
    m_names.clear();
    m_types.clear();
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        r = SQLDescribeColW(m_statement, c, name, SQLSMALLINT(std::size(name)), &nameLength, &type, &size, &digits,
                            &nullable);
        if (!succeeded(r))
            fail(r);
        m_names.append(fromWide(name, qMin<qsizetype>(nameLength, std::size(name) - 1)));
        m_types.append(type);
    }
    m_described = true;
}

bool OdbcResultReader::moreResults()
{
    const SQLRETURN r = SQLMoreResults(m_statement);
    if (r == SQL_NO_DATA)
        return false;
    if (!succeeded(r))
        fail(r);
    m_described = false;
    return true;
}

bool OdbcResultReader::findRows()
{
    for (;;) {
        describe();
        if (!m_names.isEmpty())
            return true;
        if (!moreResults())
            return false;
    }
}

bool OdbcResultReader::fetch(QVariantList &row)
{
    if (!m_described)
        describe();
    const SQLRETURN r = SQLFetch(m_statement);
    if (r == SQL_NO_DATA)
        return false;
    if (!succeeded(r))
        fail(r);
    row.clear();
    row.reserve(m_types.size());
    for (int c = 0; c < m_types.size(); ++c)
        row.append(value(c));
    return true;
}

void OdbcResultReader::finish()
{
    while (moreResults()) { }
}

QVariant OdbcResultReader::value(int column)
{
    const SQLUSMALLINT number = SQLUSMALLINT(column + 1);
    SQLLEN indicator = 0;
    // Texts (and anything not named below) whole, chunk by chunk.
    const auto text = [&]() -> QVariant {
        QString value;
        SQLWCHAR buffer[kChunkBytes / sizeof(SQLWCHAR)];
        const qsizetype room = qsizetype(std::size(buffer)) - 1; // characters besides the terminator
        for (;;) {
            const SQLRETURN r = SQLGetData(m_statement, number, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            if (r == SQL_NO_DATA)
                break;
            if (!succeeded(r))
                fail(r);
            if (indicator == SQL_NULL_DATA)
                return QVariant(QMetaType::fromType<QString>());
            // A chunk that did not fit fills the buffer; the last one says its length.
            const bool more = indicator == SQL_NO_TOTAL || indicator > SQLLEN(room * sizeof(SQLWCHAR));
            value += fromWide(buffer, more ? room : qsizetype(indicator / sizeof(SQLWCHAR)));
            if (!more || r == SQL_SUCCESS)
                break;
        }
        // An empty text is empty, not null.
        return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
    };
    switch (m_types.at(column)) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        SQLBIGINT n = 0;
        const SQLRETURN r = SQLGetData(m_statement, number, SQL_C_SBIGINT, &n, sizeof n, &indicator);
        if (!succeeded(r))
            fail(r);
        if (m_types.at(column) == SQL_BIT)
            return indicator == SQL_NULL_DATA ? QVariant(QMetaType::fromType<bool>()) : QVariant(n != 0);
        return indicator == SQL_NULL_DATA ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(qlonglong(n));
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        double d = 0;
        const SQLRETURN r = SQLGetData(m_statement, number, SQL_C_DOUBLE, &d, sizeof d, &indicator);
        if (!succeeded(r))
            fail(r);
        return indicator == SQL_NULL_DATA ? QVariant(QMetaType::fromType<double>()) : QVariant(d);
    }
    case SQL_TYPE_DATE:
    case SQL_DATE: {
        SQL_DATE_STRUCT d{};
        const SQLRETURN r = SQLGetData(m_statement, number, SQL_C_TYPE_DATE, &d, sizeof d, &indicator);
        if (!succeeded(r))
            fail(r);
        return indicator == SQL_NULL_DATA ? QVariant(QMetaType::fromType<QDate>())
                                          : QVariant(QDate(d.year, d.month, d.day));
    }
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT t{};
        const SQLRETURN r = SQLGetData(m_statement, number, SQL_C_TYPE_TIMESTAMP, &t, sizeof t, &indicator);
        if (!succeeded(r))
            fail(r);
        if (indicator == SQL_NULL_DATA)
            return QVariant(QMetaType::fromType<QDateTime>());
        // The fraction is in nanoseconds.
        return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
    }
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSsTime2: {
        const QVariant v = text();
        if (v.isNull())
            return QVariant(QMetaType::fromType<QTime>());
        const QString s = v.toString();
        const QTime time = QTime::fromString(
            s.left(12), s.size() > 8 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
        return time.isValid() ? QVariant(time) : v;
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        QByteArray bytes;
        char buffer[kChunkBytes];
        for (;;) {
            const SQLRETURN r = SQLGetData(m_statement, number, SQL_C_BINARY, buffer, sizeof buffer, &indicator);
            if (r == SQL_NO_DATA)
                break;
            if (!succeeded(r))
                fail(r);
            if (indicator == SQL_NULL_DATA)
                return QVariant(QMetaType::fromType<QByteArray>());
            const bool more = indicator == SQL_NO_TOTAL || indicator > SQLLEN(sizeof buffer);
            bytes.append(buffer, more ? qsizetype(sizeof buffer) : qsizetype(indicator));
            if (!more || r == SQL_SUCCESS)
                break;
        }
        return bytes;
    }
    case kSsTimestampOffset:
    case kSsXml:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    default: return text();
    }
}

} // namespace db
