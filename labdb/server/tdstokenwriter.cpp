#include "labdb/server/tdstokenwriter.h"

#include "labdb/codepage1252.h"

#include <QDateTime>
#include <QtEndian>

#include <cmath>
#include <limits>

namespace labdb::tds {

namespace {

enum Token : quint8 {
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    ReturnStatus = 0x79,
    Row = 0xD1,
    EnvChange = 0xE3,
};

enum TypeCode : quint8 {
    TextType = 0x23,
    IntN = 0x26,
    DateN = 0x28,
    DateTime2N = 0x2A,
    NTextType = 0x63,
    NumericN = 0x6C,
    DateTimeN = 0x6F,
    BigVarChar = 0xA7,
    BigChar = 0xAF,
    NVarChar = 0xE7,
};

constexpr quint16 kNullableFlag = 0x0001;
constexpr qsizetype kNVarCharMaxBytes = 8000;
constexpr quint16 kMaxLength = 0xFFFF; // the length of a (MAX) type in COLMETADATA
const QDate kDateTimeEpoch(1900, 1, 1);
const QDate kDateEpoch(1, 1, 1);

// How one column goes over the wire.
enum class Wire { NVarChar, VarChar, Char, Plp, Text, IntN, Numeric, DateTime, SmallDateTime, Date, DateTime2 };

struct WireColumn
{
    Wire wire = Wire::NVarChar;
    quint8 type = NVarChar; // type code
    int size = 0;           // declared bytes (var and text types), INTN size, NUMERIC bytes
    int precision = 0;
    bool unicode = true;     // UTF-16 (N types) or code page 1252
    bool dateAsText = false; // DATE or DATETIME2 sent as NVARCHAR text
};

// The bytes a NUMERIC of this precision takes, its sign byte included.
int numericBytes(int precision)
{
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

// DATE and DATETIME2 as SQL Server gives them as text to a client before 7.3.
QString dateText(const QVariant &v, Column::Type type)
{
    if (type == Column::Type::Date)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz0000"));
}

// A B_VARCHAR/US_VARCHAR keeps at most this many characters.
QString clipped(const QString &s, qsizetype maxChars)
{
    return s.size() > maxChars ? s.left(maxChars) : s;
}

bool fitsInt32(const QVariant &v)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
}

} // namespace

QByteArray TdsTokenWriter::collation()
{
    return QByteArray::fromHex("0904d00034");
}

void TdsTokenWriter::u16(quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    m_data.append(b, 2);
}

void TdsTokenWriter::u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    m_data.append(b, 4);
}

void TdsTokenWriter::u64(quint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    m_data.append(b, 8);
}

void TdsTokenWriter::utf16(const QString &s)
{
    for (const QChar c : s)
        u16(c.unicode());
}

void TdsTokenWriter::bVarChar(const QString &s)
{
    const QString v = clipped(s, 255);
    u8(quint8(v.size()));
    utf16(v);
}

void TdsTokenWriter::usVarChar(const QString &s)
{
    const QString v = clipped(s, 65535);
    u16(quint16(v.size()));
    utf16(v);
}

void TdsTokenWriter::envChange(quint8 type, const QString &newValue, const QString &oldValue)
{
    const QString n = clipped(newValue, 255), o = clipped(oldValue, 255);
    u8(EnvChange);
    u16(quint16(1 + 1 + 2 * n.size() + 1 + 2 * o.size()));
    u8(type);
    bVarChar(n);
    bVarChar(o);
}

void TdsTokenWriter::envChangeBinary(quint8 type, const QByteArray &newValue, const QByteArray &oldValue)
{
    u8(EnvChange);
    u16(quint16(1 + 1 + newValue.size() + 1 + oldValue.size()));
    u8(type);
    u8(quint8(newValue.size()));
    m_data.append(newValue);
    u8(quint8(oldValue.size()));
    m_data.append(oldValue);
}

void TdsTokenWriter::loginAck(const QString &programName, quint32 tdsVersion, quint32 programVersion)
{
    const QString name = clipped(programName, 255);
    u8(LoginAck);
    u16(quint16(1 + 4 + 1 + 2 * name.size() + 4));
    u8(1); // interface: SQL_TSQL
    char v[4];
    qToBigEndian(tdsVersion, v);
    m_data.append(v, 4);
    bVarChar(name);
    qToBigEndian(programVersion, v);
    m_data.append(v, 4);
}

void TdsTokenWriter::message(quint8 token, qint32 number, quint8 state, quint8 severity, const QString &text,
                             const QString &serverName, const QString &procedureName, qint32 line)
{
    const QString m = clipped(text, 4000);
    const QString s = clipped(serverName, 255), p = clipped(procedureName, 255);
    u8(token);
    u16(quint16(4 + 1 + 1 + 2 + 2 * m.size() + 1 + 2 * s.size() + 1 + 2 * p.size() + 4));
    u32(quint32(number));
    u8(state);
    u8(severity);
    usVarChar(m);
    bVarChar(s);
    bVarChar(p);
    u32(quint32(line));
}

void TdsTokenWriter::error(qint32 number, quint8 state, quint8 severity, const QString &text, const QString &serverName,
                           const QString &procedureName, qint32 line)
{
    message(Error, number, state, severity, text, serverName, procedureName, line);
}

void TdsTokenWriter::info(qint32 number, quint8 state, quint8 severity, const QString &text, const QString &serverName,
                          const QString &procedureName, qint32 line)
{
    message(Info, number, state, severity, text, serverName, procedureName, line);
}

void TdsTokenWriter::resultSet(const QList<Column> &columns, const QList<QVariantList> &rows, qint64 textSize)
{
    const bool plp = m_version >= Tds72;
    const bool dateTypes = m_version >= Tds73A;
    // Per column: its wire form, from its type and, for the sizes that follow
    // the values (NVARCHAR of length 0, INT), from the values.
    QList<WireColumn> wire(columns.size());
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const Column &column = columns.at(c);
        WireColumn &w = wire[c];
        auto longest = [&] {
            qsizetype n = 0;
            for (const QVariantList &row : rows) {
                if (c < row.size() && !row.at(c).isNull())
                    n = qMax(n, row.at(c).toString().size());
            }
            return n;
        };
        switch (column.type) {
        case Column::Type::NVarChar:
        case Column::Type::VarChar:
        case Column::Type::Char: {
            w.unicode = column.type == Column::Type::NVarChar;
            const int unit = w.unicode ? 2 : 1;
            const bool max = column.length == Column::kMax
                || (column.length == 0 && longest() * unit > kNVarCharMaxBytes);
            if (max) {
                w.wire = plp ? Wire::Plp : Wire::Text;
                w.type = plp ? (w.unicode ? NVarChar : BigVarChar) : (w.unicode ? NTextType : TextType);
            } else {
                w.wire = column.type == Column::Type::Char ? Wire::Char : w.unicode ? Wire::NVarChar : Wire::VarChar;
                w.type = column.type == Column::Type::Char ? BigChar : w.unicode ? NVarChar : BigVarChar;
                w.size = column.length == 0 ? int(kNVarCharMaxBytes) : column.length * unit;
            }
            break;
        }
        case Column::Type::Int:
        case Column::Type::SmallInt: {
            w.wire = Wire::IntN;
            w.type = IntN;
            w.size = column.type == Column::Type::SmallInt ? 2 : 4;
            for (const QVariantList &row : rows) {
                if (w.size == 4 && c < row.size() && !row.at(c).isNull() && !fitsInt32(row.at(c)))
                    w.size = 8;
            }
            break;
        }
        case Column::Type::Numeric:
            w.wire = Wire::Numeric;
            w.type = NumericN;
            w.precision = column.length > 0 ? column.length : 18;
            w.size = numericBytes(w.precision);
            break;
        case Column::Type::DateTime:
            w.wire = Wire::DateTime;
            w.type = DateTimeN;
            w.size = 8;
            break;
        case Column::Type::SmallDateTime:
            w.wire = Wire::SmallDateTime;
            w.type = DateTimeN;
            w.size = 4;
            break;
        case Column::Type::Date:
        case Column::Type::DateTime2:
            if (dateTypes) {
                w.wire = column.type == Column::Type::Date ? Wire::Date : Wire::DateTime2;
                w.type = column.type == Column::Type::Date ? DateN : DateTime2N;
            } else {
                w.wire = Wire::NVarChar;
                w.type = NVarChar;
                w.dateAsText = true;
                w.size = column.type == Column::Type::Date ? 20 : 54;
            }
            break;
        }
    }

    u8(ColMetadata);
    u16(quint16(columns.size()));
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const WireColumn &w = wire.at(c);
        // User type: 4 bytes from 7.2 on, 2 before.
        if (m_version >= Tds72)
            u32(0);
        else
            u16(0);
        u16(kNullableFlag);
        u8(w.type);
        switch (w.wire) {
        case Wire::NVarChar:
        case Wire::VarChar:
        case Wire::Char:
            u16(quint16(w.size));
            m_data.append(collation());
            break;
        case Wire::Plp:
            u16(kMaxLength);
            m_data.append(collation());
            break;
        case Wire::Text:
            u32(w.unicode ? 0x7FFFFFFE : 0x7FFFFFFF);
            m_data.append(collation());
            // The table name the value comes from: none.
            if (m_version >= Tds72)
                u8(0);
            else
                u16(0);
            break;
        case Wire::IntN: u8(quint8(w.size)); break;
        case Wire::Numeric:
            u8(quint8(w.size));
            u8(quint8(w.precision));
            u8(0); // scale
            break;
        case Wire::DateTime:
        case Wire::SmallDateTime: u8(quint8(w.size)); break;
        case Wire::Date: break;
        case Wire::DateTime2: u8(7); break;
        }
        bVarChar(columns.at(c).name);
    }

    for (const QVariantList &row : rows) {
        u8(Row);
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QVariant v = c < row.size() ? row.at(c) : QVariant();
            const WireColumn &w = wire.at(c);
            // The value's bytes for the character types.
            auto textBytes = [&] {
                const QString s = w.dateAsText ? dateText(v, columns.at(c).type) : v.toString();
                return w.unicode ? QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2)
                                 : toCodePage1252(s);
            };
            switch (w.wire) {
            case Wire::NVarChar:
            case Wire::VarChar:
            case Wire::Char: {
                if (v.isNull()) {
                    u16(0xFFFF);
                    break;
                }
                const QByteArray bytes = textBytes().left(w.size);
                u16(quint16(bytes.size()));
                m_data.append(bytes);
                break;
            }
            case Wire::Plp: {
                // Total length, one chunk, the terminator.
                if (v.isNull()) {
                    u64(~quint64(0));
                    break;
                }
                QByteArray bytes = textBytes();
                if (textSize > 0 && bytes.size() > textSize)
                    bytes.truncate(w.unicode ? textSize & ~qint64(1) : textSize);
                u64(quint64(bytes.size()));
                if (!bytes.isEmpty()) {
                    u32(quint32(bytes.size()));
                    m_data.append(bytes);
                }
                u32(0);
                break;
            }
            case Wire::Text: {
                // A text pointer and time stamp, then the value; NULL has no pointer.
                if (v.isNull()) {
                    u8(0);
                    break;
                }
                QByteArray bytes = textBytes();
                if (textSize > 0 && bytes.size() > textSize)
                    bytes.truncate(w.unicode ? textSize & ~qint64(1) : textSize);
                u8(16);
                m_data.append(16, char(0x11));
                m_data.append(8, char(0));
                u32(quint32(bytes.size()));
                m_data.append(bytes);
                break;
            }
            case Wire::IntN:
                if (v.isNull()) {
                    u8(0);
                } else if (w.size == 8) {
                    u8(8);
                    u64(quint64(v.toLongLong()));
                } else if (w.size == 2) {
                    u8(2);
                    u16(quint16(qint16(v.toInt())));
                } else {
                    u8(4);
                    u32(quint32(qint32(v.toLongLong())));
                }
                break;
            case Wire::Numeric: {
                if (v.isNull()) {
                    u8(0);
                    break;
                }
                const qlonglong n = v.toLongLong();
                u8(quint8(w.size));
                u8(n < 0 ? 0 : 1);
                quint64 magnitude = n < 0 ? quint64(-(n + 1)) + 1 : quint64(n);
                for (int i = 0; i < w.size - 1; ++i) {
                    u8(quint8(magnitude & 0xFF));
                    magnitude >>= 8;
                }
                break;
            }
            case Wire::DateTime: {
                const QDateTime dt = v.toDateTime();
                if (v.isNull() || !dt.isValid()) {
                    u8(0);
                    break;
                }
                // Days since 1900-01-01 and 1/300-second ticks since midnight,
                // rounded as the server rounds (.000, .003, .007).
                qint64 days = kDateTimeEpoch.daysTo(dt.date());
                qint64 ticks = std::llround(dt.time().msecsSinceStartOfDay() * 0.3);
                if (ticks >= 300LL * 86400) {
                    ticks -= 300LL * 86400;
                    ++days;
                }
                u8(8);
                u32(quint32(qint32(days)));
                u32(quint32(ticks));
                break;
            }
            case Wire::SmallDateTime: {
                const QDateTime dt = v.toDateTime();
                if (v.isNull() || !dt.isValid()) {
                    u8(0);
                    break;
                }
                u8(4);
                u16(quint16(kDateTimeEpoch.daysTo(dt.date())));
                u16(quint16(dt.time().msecsSinceStartOfDay() / 60000));
                break;
            }
            case Wire::Date: {
                if (v.isNull()) {
                    u8(0);
                    break;
                }
                const qint64 days = kDateEpoch.daysTo(v.toDate());
                u8(3);
                for (int i = 0; i < 3; ++i)
                    u8(quint8(days >> (8 * i)));
                break;
            }
            case Wire::DateTime2: {
                const QDateTime dt = v.toDateTime();
                if (v.isNull() || !dt.isValid()) {
                    u8(0);
                    break;
                }
                // Scale 7: time in 100-nanosecond units (5 bytes), then the date (3 bytes).
                const quint64 units = quint64(dt.time().msecsSinceStartOfDay()) * 10000;
                const qint64 days = kDateEpoch.daysTo(dt.date());
                u8(8);
                for (int i = 0; i < 5; ++i)
                    u8(quint8(units >> (8 * i)));
                for (int i = 0; i < 3; ++i)
                    u8(quint8(days >> (8 * i)));
                break;
            }
            }
        }
    }
}

void TdsTokenWriter::returnStatus(qint32 value)
{
    u8(ReturnStatus);
    u32(quint32(value));
}

void TdsTokenWriter::done(quint8 token, quint16 status, quint16 currentCommand, quint64 rowCount)
{
    if (m_lastDoneStatus >= 0) {
        auto *p = reinterpret_cast<uchar *>(m_data.data() + m_lastDoneStatus);
        qToLittleEndian<quint16>(qFromLittleEndian<quint16>(p) | DoneMore, p);
    }
    u8(token);
    m_lastDoneStatus = m_data.size();
    u16(status);
    u16(currentCommand);
    // The row count: 8 bytes from 7.2 on, 4 before.
    if (m_version >= Tds72)
        u64(rowCount);
    else
        u32(quint32(rowCount));
}

} // namespace labdb::tds
