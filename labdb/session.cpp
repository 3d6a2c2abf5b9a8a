#include "labdb/session.h"

#include "labdb/commandparser.h"
#include "labdb/connection.h"

#include <QSqlError>
#include <QSqlQuery>

namespace labdb {

SqlError::SqlError(int number, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_number(number)
    , m_message(message)
{
}

namespace {

// The columns of every Lab_Barcode_GetRequests row, in order, with the SQLite
// expression behind each.
struct RequestColumn
{
    const char *name;
    Column::Type type;
    const char *expression;
};

const QList<RequestColumn> &requestColumns()
{
    static const QList<RequestColumn> columns = {
        {"HospNum", Column::Type::NVarChar, "p.hosp_num"},
        {"PatientName", Column::Type::NVarChar, "p.name"},
        {"Transdate", Column::Type::DateTime, "c.transdate"},
        {"RoomID", Column::Type::NVarChar, "c.room_id"},
        {"Age", Column::Type::NVarChar, "p.age"},
        {"Sex", Column::Type::NVarChar, "p.sex"},
        {"Barcode", Column::Type::NVarChar, "e.barcode"},
        {"Instrument", Column::Type::NVarChar, "e.instrument"},
        {"ExamName", Column::Type::NVarChar, "e.exam_name"},
        {"RefNum", Column::Type::NVarChar, "c.ref_num"},
        {"IdNum", Column::Type::NVarChar, "c.id_num"},
        {"RequestNum", Column::Type::Int, "r.request_num"},
        {"ItemID", Column::Type::Int, "e.item_id"},
        {"SpecimenID", Column::Type::Int, "e.specimen_id"},
        {"SectionID", Column::Type::Int, "r.section_id"},
        {"ProfileID", Column::Type::Int, "e.profile_id"},
    };
    return columns;
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
    explicit Private(const QString &path)
        : connection(path, true)
    {
    }

    Connection connection;
    bool inTransaction = false;
    std::function<QDateTime()> clock;

    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTime(); }

    void exec(QSqlQuery &query)
    {
        if (!query.exec())
            raiseDatabaseError(query.lastError());
    }

    void runStatement(const QString &statement)
    {
        QSqlQuery query(connection.database());
        if (!query.exec(statement))
            raiseDatabaseError(query.lastError());
    }

    Outcome getRequests(const Command &command);
    Outcome save(const QString &insert, const QStringList &arguments);
    Outcome serverDate(const QString &alias) const;
};

Outcome Session::Private::getRequests(const Command &command)
{
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
            throw SqlError(
                50000,
                QStringLiteral(
                    "Lab_Barcode_GetRequests: unknown search mode %1 (3 for a request barcode, 2 for a chargeslip number).")
                    .arg(mode));
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
    const QList<RequestColumn> &columns = requestColumns();
    QString lastDateText;
    QDateTime lastDate;
    for (const RequestColumn &c : columns)
        outcome.columns.append(Column{QLatin1String(c.name), c.type});
    while (query.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant v = query.value(i);
            if (v.isNull()) {
                row.append(QVariant());
                continue;
            }
            switch (columns.at(i).type) {
            case Column::Type::NVarChar: row.append(v.toString()); break;
            case Column::Type::Int: row.append(v.toInt()); break;
            case Column::Type::DateTime: {
                // Every row of a chargeslip carries its date; parse it once.
                const QString text = v.toString();
                if (text != lastDateText) {
                    lastDateText = text;
                    lastDate = QDateTime::fromString(text, Qt::ISODate);
                }
                row.append(lastDate);
                break;
            }
            }
        }
        outcome.rows.append(std::move(row));
    }
    if (query.lastError().isValid())
        raiseDatabaseError(query.lastError());
    return outcome;
}

Outcome Session::Private::save(const QString &insert, const QStringList &arguments)
{
    QSqlQuery query(connection.database());
    if (!query.prepare(insert))
        raiseDatabaseError(query.lastError());
    for (const QString &argument : arguments)
        query.addBindValue(argument);
    query.addBindValue(timeStamp(now()));
    exec(query);
    Outcome outcome;
    outcome.rowsAffected = query.numRowsAffected();
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

Session::Session(const QString &databasePath)
    : d(std::make_unique<Private>(databasePath))
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
            QStringLiteral("INSERT INTO barcode_log_master (ref_num, id_num, hosp_num, barcode, item_id, specimen_id,"
                           " section_id, request_num, profile_id, saved_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            command.arguments);
    case Command::Kind::SaveDate:
        return d->save(
            QStringLiteral("INSERT INTO barcode_log_date (request_num, item_id, section_id, print_date, status,"
                           " remarks, saved_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            command.arguments);
    case Command::Kind::ServerDate: return d->serverDate(command.alias);
    }
    throw SqlError(50000, QStringLiteral("Unknown command."));
}

void Session::begin()
{
    if (d->inTransaction)
        throw SqlError(0, QStringLiteral("Only one transaction can be active on this session."));
    // IMMEDIATE takes the write lock now, so two sessions never both read and
    // then fail to upgrade; a second one waits for the busy timeout instead.
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
