#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>

namespace labdb {

// A column of a result, with the server type it is sent as over the wire.
// The plain types (NVarChar, DateTime, Int) are what the embedded database has
// always answered; the others are those a hospital's procedure declares.
struct Column
{
    enum class Type { NVarChar, DateTime, Int, VarChar, Char, Numeric, SmallInt, Date, DateTime2, SmallDateTime };
    static constexpr int kMax = -1; // length of NVARCHAR(MAX) and VARCHAR(MAX)

    QString name;
    Type type = Type::NVarChar;
    // Characters of NVarChar, VarChar and Char (kMax for MAX); 0: as long as the
    // values need (NVARCHAR(4000), or MAX beyond). Precision of Numeric.
    int length = 0;
};

// What one command text produced: a result set (columns and rows) or none, and
// the number of rows a write affected (-1 when not a write). A procedure also
// says what it ran on the way, as SQL Server reports it: the messages it printed
// and the row counts of its statements before the result set.
struct Outcome
{
    bool hasResultSet = false;
    QList<Column> columns;
    QList<QVariantList> rows; // null QVariant for NULL
    qint64 rowsAffected = -1;

    QString procedure;          // the procedure that ran, empty for a query
    QStringList printed;        // PRINT messages, before the result set
    QList<qint64> countsBefore; // row counts of statements before the result set
    int returnStatus = 0;       // the procedure's RETURN value
};

// An error raised the way the server raises it: number, message text, severity
// (class), state, and the procedure and line that raised it (none for an error
// of the batch itself).
class SqlError : public std::runtime_error
{
public:
    SqlError(int number, const QString &message, int severity = 16, int state = 1);
    int number() const { return m_number; }
    QString message() const { return m_message; }
    int severity() const { return m_severity; }
    int state() const { return m_state; }
    QString procedure() const { return m_procedure; }
    int line() const { return m_line; }
    // The same error, raised inside a procedure at a line.
    SqlError &in(const QString &procedure, int line);

private:
    int m_number;
    QString m_message;
    int m_severity;
    int m_state;
    QString m_procedure;
    int m_line = 1;
};

// A command given up by its client while it waited (an attention request): the
// command did nothing; an open transaction stays open.
class CommandCancelled : public std::runtime_error
{
public:
    CommandCancelled()
        : std::runtime_error("cancelled")
    {
    }
};

// How the stored procedures answer. The default is the embedded database's own
// plain answer; sqlServer() answers as a hospital's SQL Server and its procedures
// do (see labdb/README.md).
struct SessionOptions
{
    // The request columns typed as the hospital's procedure declares them
    // (VARCHAR in code page 1252, CHAR(n) padded, NUMERIC, SMALLINT, NVARCHAR(MAX),
    // VARCHAR(MAX)) instead of NVARCHAR, INT and DATETIME.
    bool procedureTypes = false;
    // The type of Transdate: DateTime, Date, DateTime2 or SmallDateTime.
    Column::Type transdateType = Column::Type::DateTime;
    // Lab_Barcode_SaveDate stores @PrintDate as the datetime the server reads in
    // it (by the session's date order, 241/242 when it cannot), instead of the text.
    bool printDateAsDateTime = false;

    // How long a command waits for a lock another session holds before it fails
    // with 1222, in milliseconds; -1 waits until the lock is free or the wait is
    // given up (SQL Server's SET LOCK_TIMEOUT, whose default is -1).
    int lockTimeoutMs = 5000;

    static SessionOptions sqlServer()
    {
        SessionOptions o;
        o.procedureTypes = true;
        o.printDateAsDateTime = true;
        o.lockTimeoutMs = -1;
        return o;
    }
};

// One connection's view of the laboratory database: its own SQLite connection and
// its own transaction. execute() accepts exactly the command texts the program
// sends (the three stored procedures and the server clock query) and refuses
// anything else with a SqlError worded like the server's.
class Session
{
public:
    explicit Session(const QString &databasePath, const SessionOptions &options = {});
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    Outcome execute(const QString &commandText);

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // The order of day, month and year in date texts ("mdy", "dmy", "ymd", "ydm",
    // "myd", "dym"): the session's SET DATEFORMAT, "mdy" (us_english) at login.
    void setDateOrder(const QString &order);
    QString dateOrder() const;
    // SET LOCK_TIMEOUT, in milliseconds (-1: wait as long as it takes).
    void setLockTimeout(int milliseconds);
    int lockTimeout() const;
    // Asked again and again while a command waits for a lock: false gives the
    // wait up and the command throws CommandCancelled. Empty: wait on.
    void setLockWaitWatch(std::function<bool()> keepWaiting);

    // The database's clock, read by getdate() and by the log procedures' own time
    // stamps: the machine's local time unless a test sets another (an empty
    // function restores the machine's clock).
    void setClock(std::function<QDateTime()> clock);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace labdb
