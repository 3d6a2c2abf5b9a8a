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
struct Column
{
    enum class Type { NVarChar, DateTime, Int };
    QString name;
    Type type = Type::NVarChar;
};

// What one command text produced: a result set (columns and rows) or none, and
// the number of rows a write affected (-1 when not a write).
struct Outcome
{
    bool hasResultSet = false;
    QList<Column> columns;
    QList<QVariantList> rows; // null QVariant for NULL
    qint64 rowsAffected = -1;
};

// An error raised the way the server raises it: number and message text.
class SqlError : public std::runtime_error
{
public:
    SqlError(int number, const QString &message);
    int number() const { return m_number; }
    QString message() const { return m_message; }

private:
    int m_number;
    QString m_message;
};

// One connection's view of the laboratory database: its own SQLite connection and
// its own transaction. execute() accepts exactly the command texts the program
// sends (the three stored procedures and the server clock query) and refuses
// anything else with a SqlError worded like the server's.
class Session
{
public:
    explicit Session(const QString &databasePath);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    Outcome execute(const QString &commandText);

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // The database's clock, read by getdate() and by the log procedures' own time
    // stamps: the machine's local time unless a test sets another (an empty
    // function restores the machine's clock).
    void setClock(std::function<QDateTime()> clock);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace labdb
