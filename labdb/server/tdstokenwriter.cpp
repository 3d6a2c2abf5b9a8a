#include "labdb/server/tdstokenwriter.h"

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
    IntN = 0x26,
    DateTimeN = 0x6F,
    NVarChar = 0xE7,
};

constexpr quint16 kNullableFlag = 0x0001;
constexpr qsizetype kNVarCharMaxBytes = 8000;
const QDate kDateTimeEpoch(1900, 1, 1);

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

void TdsTokenWriter::resultSet(const QList<Column> &columns, const QList<QVariantList> &rows)
{
    // Per column: whether the wide form is needed (NVARCHAR(MAX) or BIGINT).
    QList<bool> wide(columns.size(), false);
    for (const QVariantList &row : rows) {
        for (qsizetype c = 0; c < columns.size() && c < row.size(); ++c) {
            const QVariant &v = row.at(c);
            if (v.isNull())
                continue;
            if (columns.at(c).type == Column::Type::NVarChar)
                wide[c] = wide[c] || v.toString().size() * 2 > kNVarCharMaxBytes;
            else if (columns.at(c).type == Column::Type::Int)
                wide[c] = wide[c] || !fitsInt32(v);
        }
    }

    u8(ColMetadata);
    u16(quint16(columns.size()));
    for (qsizetype c = 0; c < columns.size(); ++c) {
        u32(0); // user type
        u16(kNullableFlag);
        switch (columns.at(c).type) {
        case Column::Type::NVarChar:
            u8(NVarChar);
            u16(wide[c] ? 0xFFFF : quint16(kNVarCharMaxBytes));
            m_data.append(collation());
            break;
        case Column::Type::DateTime:
            u8(DateTimeN);
            u8(8);
            break;
        case Column::Type::Int:
            u8(IntN);
            u8(wide[c] ? 8 : 4);
            break;
        }
        bVarChar(columns.at(c).name);
    }

    for (const QVariantList &row : rows) {
        u8(Row);
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QVariant v = c < row.size() ? row.at(c) : QVariant();
            switch (columns.at(c).type) {
            case Column::Type::NVarChar: {
                const QString s = v.toString();
                if (wide[c]) {
                    // PLP: total length, chunks, terminator.
                    if (v.isNull()) {
                        u64(~quint64(0));
                    } else {
                        u64(quint64(s.size()) * 2);
                        if (!s.isEmpty()) {
                            u32(quint32(s.size() * 2));
                            utf16(s);
                        }
                        u32(0);
                    }
                } else if (v.isNull()) {
                    u16(0xFFFF);
                } else {
                    u16(quint16(s.size() * 2));
                    utf16(s);
                }
                break;
            }
            case Column::Type::DateTime: {
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
            case Column::Type::Int:
                if (v.isNull()) {
                    u8(0);
                } else if (wide[c]) {
                    u8(8);
                    u64(quint64(v.toLongLong()));
                } else {
                    u8(4);
                    u32(quint32(qint32(v.toLongLong())));
                }
                break;
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
    u64(rowCount);
}

} // namespace labdb::tds
