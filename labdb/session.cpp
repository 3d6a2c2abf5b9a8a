#include "labdb/session.h"

#include "labdb/codepage1252.h"
#include "labdb/commandparser.h"
#include "labdb/connection.h"
#include "labdb/datetext.h"

#include <QDeadlineTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace labdb {

SqlError::SqlError(int number, const QString &message, int severity, int state)
    : std::runtime_error(message.toStdString())
    , m_number(number)
    , m_message(message)
    , m_severity(severity)
    , m_state(state)
{
}

SqlError &SqlError::in(const QString &procedure, int line)
{
    m_procedure = procedure;
    m_line = line;
    return *this;
}

namespace {

// The columns of every Lab_Barcode_GetRequests row, in order, with the SQLite
// expression behind each.
// The plain type, and the type the hospital's procedure declares.
struct RequestColumn
{
    const char *name;
    Column::Type type;
    const char *expression;
    Column declared;
};

using T = Column::Type;

const QList<RequestColumn> &requestColumns()
{
    static const QList<RequestColumn> columns = {
        {"HospNum", T::NVarChar, "p.hosp_num", {{}, T::VarChar, 20}},
        {"PatientName", T::NVarChar, "p.name", {{}, T::NVarChar, Column::kMax}},
        {"Transdate", T::DateTime, "c.transdate", {{}, T::DateTime, 0}},
        {"RoomID", T::NVarChar, "c.room_id", {{}, T::Char, 8}},
        {"Age", T::NVarChar, "p.age", {{}, T::Numeric, 3}},
        {"Sex", T::NVarChar, "p.sex", {{}, T::Char, 1}},
        {"Barcode", T::NVarChar, "e.barcode", {{}, T::VarChar, Column::kMax}},
        {"Instrument", T::NVarChar, "e.instrument", {{}, T::VarChar, 20}},
        {"ExamName", T::NVarChar, "e.exam_name", {{}, T::VarChar, 60}},
        {"RefNum", T::NVarChar, "c.ref_num", {{}, T::NVarChar, 30}},
        {"IdNum", T::NVarChar, "c.id_num", {{}, T::NVarChar, 30}},
        {"RequestNum", T::Int, "r.request_num", {{}, T::Numeric, 10}},
        {"ItemID", T::Int, "e.item_id", {{}, T::Int, 0}},
        {"SpecimenID", T::Int, "e.specimen_id", {{}, T::SmallInt, 0}},
        {"SectionID", T::Int, "r.section_id", {{}, T::SmallInt, 0}},
        {"ProfileID", T::Int, "e.profile_id", {{}, T::Int, 0}},
    };
    return columns;
}

// A stored value as a column of this type holds it: texts cut to their length (a
// CHAR padded to it) and in code page 1252 for VARCHAR and CHAR, SMALLDATETIME
// rounded to the minute, DATE without its time.
QVariant asColumnValue(const QVariant &value, const Column &column)
{
    if (value.isNull())
        return value;
    switch (column.type) {
    case T::NVarChar:
    case T::VarChar:
    case T::Char: {
        QString text = value.toString();
        if (column.length > 0 && text.size() > column.length)
            text.truncate(column.length);
        if (column.type == T::Char)
            text = text.leftJustified(column.length, QLatin1Char(' '));
        return column.type == T::NVarChar ? text : asCodePage1252(text);
    }
    case T::Int:
    case T::SmallInt: return value.toInt();
    case T::Numeric: return value.toLongLong();
    case T::Date: return value.toDateTime().date();
    case T::SmallDateTime: {
        const QDateTime t = value.toDateTime();
        // Rounded to the minute: 29.998 seconds and later go up.
        const qint64 ms = t.time().msecsSinceStartOfDay();
        const qint64 minute = (ms + 30001) / 60000;
        return QDateTime(t.date(), QTime(0, 0)).addSecs(minute * 60);
    }
    case T::DateTime:
    case T::DateTime2: return value.toDateTime();
    }
    return value;
}

QString requestSelect(const QString &where)
{
    QStringList expressions;
    for (const RequestColumn &c : requestColumns())
        expressions.append(QLatin1String(c.expression));
    return QStringLiteral("SELECT %1 FROM exams e"
                          " JOIN requests r ON r.request_num = e.request_num"
                          " JOIN chargeslips c ON c.ref_num = r.ref_num"
                          " JOIN patients p ON p.hosp_num = c.hosp_num"
                          " WHERE %2 ORDER BY r.request_num, e.item_id")
        .arg(expressions.join(QLatin1String(", ")), where);
}

[[noreturn]] void raiseDatabaseError(const QSqlError &error)
{
    // SQLITE_BUSY / SQLITE_LOCKED: another session held the lock past the busy timeout.
    const QString code = error.nativeErrorCode();
    if (code == QLatin1String("5") || code == QLatin1String("6"))
        throw SqlError(1222, QStringLiteral("Lock request time out period exceeded."));
    throw SqlError(50000, QStringLiteral("The laboratory database failed: %1").arg(error.text()));
}

// The server compares texts without regard to trailing blanks ('123 ' = '123').
QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString timeStamp(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

} // namespace

struct Session::Private
{
    Private(const QString &path, const SessionOptions &o)
        : connection(path, true)
        , options(o)
        , lockTimeoutMs(o.lockTimeoutMs)
    {
        // Lock waits are the session's own (see waitingForLocks), so that a wait
        // can be given up; SQLite only retries briefly.
        connection.run(QStringLiteral("PRAGMA busy_timeout = 50"));
    }

    Connection connection;
    SessionOptions options;
    bool inTransaction = false;
    std::function<QDateTime()> clock;
    QString dateOrder = QStringLiteral("mdy");
    int lockTimeoutMs;
    std::function<bool()> keepWaiting;

    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTime(); }

    // Runs a statement, waiting while another session holds the database's write
    // lock: until it is free, the lock time-out passes (1222) or the watch gives
    // the wait up (CommandCancelled).
    template<typename Run>
    void waitingForLocks(Run run)
    {
        const QDeadlineTimer deadline(lockTimeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(lockTimeoutMs));
        for (;;) {
            QSqlQuery query(connection.database());
            if (run(query))
                return;
            const QString code = query.lastError().nativeErrorCode();
            if (code != QLatin1String("5") && code != QLatin1String("6"))
                raiseDatabaseError(query.lastError());
            if (deadline.hasExpired())
                throw SqlError(1222, QStringLiteral("Lock request time out period exceeded."), 16, 51);
            if (keepWaiting && !keepWaiting())
                throw CommandCancelled();
            QThread::msleep(10);
        }
    }

    void exec(QSqlQuery &query)
    {
        if (!query.exec())
            raiseDatabaseError(query.lastError());
    }

    void runStatement(const QString &statement)
    {
        waitingForLocks([&statement](QSqlQuery &query) { return query.exec(statement); });
    }

    Outcome getRequests(const Command &command);
    Outcome save(const QString &procedure, const QString &insert, const QStringList &arguments);
    Outcome serverDate(const QString &alias) const;
    Outcome convertDateTime(const Command &command) const;
};

Outcome Session::Private::getRequests(const Command &command)
{
    const QString procedure = QStringLiteral("Lab_Barcode_GetRequests");
    QString where = QStringLiteral("e.barcode = :number");
    if (command.arguments.size() == 2) {
        bool ok = false;
        const int mode = command.arguments.at(1).trimmed().toInt(&ok);
        if (!ok) {
            throw SqlError(245,
                           QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                               .arg(command.arguments.at(1)));
        }
        if (mode == 3) {
            where = QStringLiteral("e.request_num IN (SELECT request_num FROM exams WHERE barcode = :number)");
        } else if (mode == 2) {
            where = QStringLiteral("r.ref_num = :number");
        } else {
            // RAISERROR in the procedure's body.
            throw SqlError(
                50000,
                QStringLiteral(
                    "Lab_Barcode_GetRequests: unknown search mode %1 (3 for a request barcode, 2 for a chargeslip number).")
                    .arg(mode))
                .in(procedure, 15);
        }
    }

    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.prepare(requestSelect(where)))
        raiseDatabaseError(query.lastError());
    query.bindValue(QStringLiteral(":number"), withoutTrailingBlanks(command.arguments.at(0)));
    exec(query);

    Outcome outcome;
    outcome.hasResultSet = true;
    outcome.procedure = procedure;
    const QList<RequestColumn> &columns = requestColumns();
    QString lastDateText;
    QDateTime lastDate;
    for (const RequestColumn &c : columns) {
        Column column = options.procedureTypes ? c.declared : Column{{}, c.type, 0};
        column.name = QLatin1String(c.name);
        if (column.name == QLatin1String("Transdate"))
            column.type = options.transdateType;
        outcome.columns.append(column);
    }
    while (query.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            QVariant v = query.value(i);
            if (v.isNull()) {
                row.append(QVariant());
                continue;
            }
            if (columns.at(i).type == Column::Type::DateTime) {
                // Every row of a chargeslip carries its date; parse it once.
                const QString text = v.toString();
                if (text != lastDateText) {
                    lastDateText = text;
                    lastDate = QDateTime::fromString(text, Qt::ISODate);
                }
                v = lastDate;
            }
            row.append(asColumnValue(v, outcome.columns.at(i)));
        }
        outcome.rows.append(std::move(row));
    }
    if (query.lastError().isValid())
        raiseDatabaseError(query.lastError());
    // The procedure first gathers the rows into a table of its own, and says so.
    outcome.countsBefore.append(outcome.rows.size());
    outcome.printed.append(QStringLiteral("Lab_Barcode_GetRequests: %1 row(s) for '%2'.")
                               .arg(outcome.rows.size())
                               .arg(command.arguments.at(0)));
    return outcome;
}

Outcome Session::Private::save(const QString &procedure, const QString &insert, const QStringList &arguments)
{
    waitingForLocks([&](QSqlQuery &query) {
        if (!query.prepare(insert))
            raiseDatabaseError(query.lastError());
        for (const QString &argument : arguments)
            query.addBindValue(argument);
        query.addBindValue(timeStamp(now()));
        return query.exec();
    });
    Outcome outcome;
    outcome.procedure = procedure;
    outcome.rowsAffected = 1;
    return outcome;
}

Outcome Session::Private::serverDate(const QString &alias) const
{
    Outcome outcome;
    outcome.hasResultSet = true;
    outcome.columns.append(Column{alias, Column::Type::DateTime});
    outcome.rows.append(QVariantList{now()});
    return outcome;
}

Outcome Session::Private::convertDateTime(const Command &command) const
{
    Outcome outcome;
    outcome.hasResultSet = true;
    outcome.columns.append(Column{command.alias, Column::Type::DateTime});
    outcome.rows.append(QVariantList{readDateTime(command.arguments.at(0), dateOrder)});
    return outcome;
}

Session::Session(const QString &databasePath, const SessionOptions &options)
    : d(std::make_unique<Private>(databasePath, options))
{
}

// Closing the connection (with d) rolls back a transaction still open, as a
// server does when its client goes away.
Session::~Session() = default;

Outcome Session::execute(const QString &commandText)
{
    const Command command = parseCommand(commandText);
    switch (command.kind) {
    case Command::Kind::GetRequests: return d->getRequests(command);
    case Command::Kind::SaveMaster:
        return d->save(
            QStringLiteral("Lab_Barcode_SaveMaster"),
            QStringLiteral("INSERT INTO barcode_log_master (ref_num, id_num, hosp_num, barcode, item_id, specimen_id,"
                           " section_id, request_num, profile_id, saved_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            command.arguments);
    case Command::Kind::SaveDate: {
        const QString procedure = QStringLiteral("Lab_Barcode_SaveDate");
        QStringList arguments = command.arguments;
        if (d->options.printDateAsDateTime) {
            // @PrintDate goes into a datetime column: read by the session's date order.
            try {
                arguments[3] = timeStamp(readDateTime(arguments.at(3), d->dateOrder));
            } catch (SqlError &e) {
                throw e.in(procedure, 9);
            }
        }
        return d->save(procedure,
                       QStringLiteral("INSERT INTO barcode_log_date (request_num, item_id, section_id, print_date,"
                                      " status, remarks, saved_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                       arguments);
    }
    case Command::Kind::ServerDate: return d->serverDate(command.alias);
    case Command::Kind::ConvertDateTime: return d->convertDateTime(command);
    }
    throw SqlError(50000, QStringLiteral("Unknown command."));
}

void Session::setDateOrder(const QString &order)
{
    d->dateOrder = order.toLower();
}

QString Session::dateOrder() const
{
    return d->dateOrder;
}

void Session::setLockTimeout(int milliseconds)
{
    d->lockTimeoutMs = milliseconds;
}

int Session::lockTimeout() const
{
    return d->lockTimeoutMs;
}

void Session::setLockWaitWatch(std::function<bool()> keepWaiting)
{
    d->keepWaiting = std::move(keepWaiting);
}

void Session::begin()
{
    if (d->inTransaction)
        throw SqlError(0, QStringLiteral("Only one transaction can be active on this session."));
    // IMMEDIATE takes the write lock now, so two sessions never both read and
    // then fail to upgrade; a second one waits for the lock (waitingForLocks).
    d->runStatement(QStringLiteral("BEGIN IMMEDIATE"));
    d->inTransaction = true;
}

void Session::commit()
{
    if (!d->inTransaction)
        throw SqlError(3902, QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
    d->runStatement(QStringLiteral("COMMIT"));
    d->inTransaction = false;
}

void Session::rollback()
{
    if (!d->inTransaction)
        throw SqlError(3903,
                       QStringLiteral("The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."));
    QSqlQuery query(d->connection.database());
    const bool ok = query.exec(QStringLiteral("ROLLBACK"));
    // SQLite ends a transaction by itself after some errors (a full disk, for
    // one); the rollback then finds none, and the outcome is the same.
    if (!ok && !query.lastError().text().contains(QLatin1String("no transaction is active")))
        raiseDatabaseError(query.lastError());
    d->inTransaction = false;
}

bool Session::inTransaction() const
{
    return d->inTransaction;
}

void Session::setClock(std::function<QDateTime()> clock)
{
    d->clock = std::move(clock);
}

} // namespace labdb
