#pragma once

#include "labdb/session.h"

#include <QByteArray>
#include <QString>

namespace labdb::tds {

// Status bits of the DONE, DONEPROC and DONEINPROC tokens.
enum DoneStatus : quint16 {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneCount = 0x0010,
    DoneAttention = 0x0020,
};

enum DoneToken : quint8 {
    Done = 0xFD,
    DoneProc = 0xFE,
    DoneInProc = 0xFF,
};

// Protocol versions, as LOGIN7 and LOGINACK carry them.
enum TdsVersion : quint32 {
    Tds70 = 0x70000000,
    Tds71 = 0x71000001,
    Tds72 = 0x72090002,
    Tds73A = 0x730A0003,
    Tds73B = 0x730B0003,
    Tds74 = 0x74000004,
};

// Builds the token stream of one answer, in the form of the protocol version the
// connection speaks. Every DONE-type token but the last carries the "more" bit:
// appending a DONE sets that bit on the one before it, because clients read
// results one statement late otherwise.
class TdsTokenWriter
{
public:
    explicit TdsTokenWriter(quint32 tdsVersion = Tds74)
        : m_version(tdsVersion)
    {
    }

    void envChange(quint8 type, const QString &newValue, const QString &oldValue);
    void envChangeBinary(quint8 type, const QByteArray &newValue, const QByteArray &oldValue);
    void loginAck(const QString &programName, quint32 tdsVersion, quint32 programVersion);
    void error(qint32 number, quint8 state, quint8 severity, const QString &message, const QString &serverName,
               const QString &procedureName = {}, qint32 line = 1);
    void info(qint32 number, quint8 state, quint8 severity, const QString &message, const QString &serverName,
              const QString &procedureName = {}, qint32 line = 1);
    // Column metadata and one ROW token per row, each column in its type:
    // NVARCHAR of length 0 as NVARCHAR(4000), or NVARCHAR(MAX) when a value is
    // longer; INT as INTN(4), or INTN(8) when a value does not fit; VARCHAR and
    // CHAR in code page 1252; (MAX) types as PLP. Where the client's version has
    // no such type, as SQL Server sends it to such a client: (MAX) types as NTEXT
    // and TEXT before 7.2, DATE and DATETIME2 as NVARCHAR text before 7.3.
    // textSize > 0 cuts (MAX), TEXT and NTEXT values to that many bytes (SET TEXTSIZE).
    void resultSet(const QList<Column> &columns, const QList<QVariantList> &rows, qint64 textSize = 0);
    void returnStatus(qint32 value);
    void done(quint8 token, quint16 status, quint16 currentCommand, quint64 rowCount);

    quint32 version() const { return m_version; }
    const QByteArray &data() const { return m_data; }
    bool isEmpty() const { return m_data.isEmpty(); }

    // The collation that every NVARCHAR column and the login announce
    // (Latin1_General, code page 1252, case-insensitive, accent-sensitive).
    static QByteArray collation();

private:
    void message(quint8 token, qint32 number, quint8 state, quint8 severity, const QString &message,
                 const QString &serverName, const QString &procedureName, qint32 line);
    void u8(quint8 v) { m_data.append(char(v)); }
    void u16(quint16 v);
    void u32(quint32 v);
    void u64(quint64 v);
    void utf16(const QString &s);
    void bVarChar(const QString &s);  // length in characters, one byte
    void usVarChar(const QString &s); // length in characters, two bytes

    quint32 m_version;
    QByteArray m_data;
    qsizetype m_lastDoneStatus = -1;
};

} // namespace labdb::tds
