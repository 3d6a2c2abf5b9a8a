#include "journal/printjournal.h"

#include "journal/journallogging.h"
#include "journal/sessionlock.h"
#include "journal/workstation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>

#include <atomic>

namespace journal {

namespace {

// PRAGMA user_version of the file; a later version migrates from the ones before.
constexpr int kSchemaVersion = 1;

// How long a write waits for another run of the program that holds the file.
constexpr int kBusyTimeoutMs = 1000;

// How often a journal that could not be opened is tried again.
constexpr qint64 kReopenIntervalSecs = 60;

std::atomic<quint64> connectionCounter{0};

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS line ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " session TEXT NOT NULL,"
    " time TEXT NOT NULL,"       // local time with its offset, as written
    " time_ms INTEGER NOT NULL," // the same instant in ms since 1970 UTC, for comparisons
    " workstation TEXT NOT NULL,"
    " operator TEXT NOT NULL,"
    " number TEXT NOT NULL,"
    " barcode TEXT NOT NULL,"
    " patient TEXT NOT NULL,"
    " hospital_number TEXT NOT NULL,"
    " exam TEXT NOT NULL,"
    " copies INTEGER NOT NULL,"
    " state TEXT NOT NULL,"
    " changed TEXT NOT NULL,"
    " printed TEXT,"
    " printed_ms INTEGER,"
    " recorded TEXT,"
    " reason TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS line_time ON line (time_ms)",
    "CREATE INDEX IF NOT EXISTS line_barcode ON line (barcode, printed_ms)",
    "CREATE INDEX IF NOT EXISTS line_state ON line (state)",
};

const char kColumns[] = "SELECT id, session, time, workstation, operator, number, barcode, patient, hospital_number,"
                        " exam, copies, state, changed, printed, recorded, reason FROM line";

// The states a query names, as the SQL list 'a', 'b', ... (keys are plain words).
QString keyList(std::initializer_list<State> states)
{
    QStringList keys;
    for (State s : states)
        keys << u'\'' + stateKey(s) + u'\'';
    return keys.join(QStringLiteral(", "));
}

QString unrecordedKeys()
{
    return keyList({State::Printed, State::LogFailed, State::GivenUp, State::LogBegun, State::InDoubt});
}

QString tookJobKeys()
{
    return keyList(
        {State::Printed, State::LogBegun, State::Recorded, State::LogFailed, State::InDoubt, State::GivenUp});
}

// Local time with its offset from UTC, so that lines compare across a change of
// daylight saving time.
QString isoText(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QDateTime fromIsoText(const QVariant &value)
{
    return value.isNull() ? QDateTime() : QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

// A text column's value: Qt binds a null QString as SQL NULL, and the journal's
// texts are never NULL.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

QVariant nullText()
{
    return QVariant(QMetaType::fromType<QString>());
}

QVariant nullNumber()
{
    return QVariant(QMetaType::fromType<qlonglong>());
}

Line lineFrom(const QSqlQuery &q)
{
    Line l;
    l.id = q.value(0).toLongLong();
    l.session = q.value(1).toString();
    l.time = fromIsoText(q.value(2));
    l.workstation = q.value(3).toString();
    l.operatorName = q.value(4).toString();
    l.number = q.value(5).toString();
    l.barcode = q.value(6).toString();
    l.patientName = q.value(7).toString();
    l.hospitalNumber = q.value(8).toString();
    l.exam = q.value(9).toString();
    l.copies = q.value(10).toInt();
    l.state = stateFromKey(q.value(11).toString()).value_or(State::AboutToPrint);
    l.changed = fromIsoText(q.value(12));
    l.printed = fromIsoText(q.value(13));
    l.recorded = fromIsoText(q.value(14));
    l.reason = q.value(15).toString();
    return l;
}

// SQLite's result codes for a file that is not a database or is damaged.
bool isDamage(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 11 /* SQLITE_CORRUPT */ || code == 26 /* SQLITE_NOTADB */);
}

// SQLite's result codes for a file that another connection holds past the busy timeout.
bool isBusy(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 5 /* SQLITE_BUSY */ || code == 6 /* SQLITE_LOCKED */);
}

QString describe(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

} // namespace

QString defaultJournalPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/journal.sqlite");
}

struct PrintJournal::Private
{
    enum class Opened { Yes, No, Damaged };

    QString connectionName = QStringLiteral("norvane.journal.%1").arg(++connectionCounter);
    QString path;
    QSqlDatabase db;
    QSqlQuery insert, update, claim;
    std::unique_ptr<SessionLock> session;
    QString workstation = currentWorkstation();
    QString operatorName = currentOperator();
    Clock clock = [] { return QDateTime::currentDateTime(); };

    QDateTime nextOpenTry;    // a failed open is tried again from then on (clock time)
    bool failureTold = false; // the first failure is told, once
    bool failing = false;     // the last call failed
    bool recoveryTold = false;
    QString lastError;
    FailureHandler onFailure;

    QString nativePath() const { return QDir::toNativeSeparators(path); }
    QString sessionsFolder() const { return path + QStringLiteral(".sessions"); }

    bool openDatabase();
    Opened tryOpen(QString &why);
    bool setAside();
    void closeDatabase();
    bool ready();
    bool fail(const QString &why);
    void succeeded(); // after a write
    bool exec(QSqlQuery &q, const QString &what);
    QList<Line> select(const QString &where, const QVariantList &values, bool *ok, const QString &what);
    void settleEndedSessions();
};

bool PrintJournal::Private::openDatabase()
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("its folder cannot be created."));
    QString why;
    Opened opened = tryOpen(why);
    if (opened == Opened::Damaged) {
        closeDatabase();
        if (!setAside())
            return fail(QStringLiteral("the file is damaged and cannot be set aside (%1).").arg(why));
        opened = tryOpen(why);
    }
    if (opened != Opened::Yes) {
        closeDatabase();
        return fail(why);
    }
    if (!session)
        session = std::make_unique<SessionLock>(sessionsFolder());
    return true;
}

PrintJournal::Private::Opened PrintJournal::Private::tryOpen(QString &why)
{
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
        why = describe(db.lastError()) + u'.';
        return Opened::No;
    }
    QSqlQuery q(db);
    auto failed = [&](const QString &step) {
        why = QStringLiteral("%1: %2.").arg(step, describe(q.lastError()));
        return isDamage(q.lastError()) ? Opened::Damaged : Opened::No;
    };
    // The write-ahead log with full synchronous commits: each commit is on the disk
    // before it returns, and a crash leaves the file whole.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        return failed(QStringLiteral("the write-ahead log cannot be set up"));
    if (!q.next() || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        why = QStringLiteral("the write-ahead log cannot be set up.");
        return Opened::No;
    }
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        return failed(QStringLiteral("synchronous writes cannot be set"));
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return failed(QStringLiteral("its version cannot be read"));
    const int version = q.value(0).toInt();
    q.finish();
    if (version > kSchemaVersion) {
        why = QStringLiteral("it was written by a later version of Norvane (journal version %1).").arg(version);
        return Opened::No;
    }
    if (version < kSchemaVersion) {
        // One transaction, taken for writing at once, so that two runs starting
        // together do not both build it.
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return failed(QStringLiteral("it cannot be set up"));
        bool built = true;
        for (const char *statement : kSchema)
            built = built && q.exec(QString::fromLatin1(statement));
        built = built && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        if (!built) {
            const Opened result = failed(QStringLiteral("it cannot be set up"));
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return result;
        }
        if (!q.exec(QStringLiteral("COMMIT")))
            return failed(QStringLiteral("it cannot be set up"));
    } else {
        // A file that can be read and not written (its permissions, a read-only
        // disk) opens all the same: a change made and rolled back finds out,
        // without a write to the disk. Another run of the program writing at the
        // same moment (the file busy) shows that it can be written.
        const bool writable = q.exec(QStringLiteral("BEGIN IMMEDIATE"))
            && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        const QSqlError error = q.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!writable && !isBusy(error)) {
            why = QStringLiteral("it cannot be written: %1.").arg(describe(error));
            return isDamage(error) ? Opened::Damaged : Opened::No;
        }
    }

    const QString changes = QStringLiteral("UPDATE line SET state = ?, changed = ?, reason = ?,"
                                           " printed = COALESCE(printed, ?), printed_ms = COALESCE(printed_ms, ?),"
                                           " recorded = COALESCE(?, recorded) WHERE id = ?");
    insert = QSqlQuery(db);
    update = QSqlQuery(db);
    claim = QSqlQuery(db);
    if (!insert.prepare(QStringLiteral("INSERT INTO line (session, time, time_ms, workstation, operator, number,"
                                       " barcode, patient, hospital_number, exam, copies, state, changed, printed,"
                                       " printed_ms, recorded, reason) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                                       " ?, ?, ?, ?)"))
        || !update.prepare(changes) || !claim.prepare(changes + QStringLiteral(" AND state = ?"))) {
        const QSqlError error = insert.lastError().isValid() ? insert.lastError()
            : update.lastError().isValid()                   ? update.lastError()
                                                             : claim.lastError();
        why = QStringLiteral("it is not a journal this version can write: %1.").arg(describe(error));
        return isDamage(error) ? Opened::Damaged : Opened::No;
    }
    return Opened::Yes;
}

bool PrintJournal::Private::setAside()
{
    const QString aside = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::remove(path + QStringLiteral("-shm"));
    if (QFile::exists(path + QStringLiteral("-wal")))
        QFile::rename(path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    if (!QFile::rename(path, aside))
        return false;
    qCWarning(lcJournal, "The print journal %s was damaged; it is kept as %s and a new journal is begun.",
              qUtf8Printable(nativePath()), qUtf8Printable(QDir::toNativeSeparators(aside)));
    return true;
}

void PrintJournal::Private::closeDatabase()
{
    insert = QSqlQuery();
    update = QSqlQuery();
    claim = QSqlQuery();
    if (db.isValid())
        db.close();
    db = QSqlDatabase();
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
}

bool PrintJournal::Private::ready()
{
    if (db.isOpen())
        return true;
    if (path.isEmpty() || (nextOpenTry.isValid() && clock() < nextOpenTry)) {
        failing = true;
        return false;
    }
    if (openDatabase()) {
        nextOpenTry = QDateTime();
        return true;
    }
    nextOpenTry = clock().addSecs(kReopenIntervalSecs);
    return false;
}

bool PrintJournal::Private::fail(const QString &why)
{
    lastError = why;
    failing = true;
    if (failureTold) {
        qCDebug(lcJournal, "Print journal: %s", qUtf8Printable(why));
        return false;
    }
    failureTold = true;
    const QString message = QStringLiteral("The print journal %1 cannot be used: %2 Printing and the print log go on; "
                                           "the journal misses what happens until it works again.")
                                .arg(nativePath(), why);
    qCWarning(lcJournal, "%s", qUtf8Printable(message));
    if (onFailure)
        onFailure(message);
    return false;
}

void PrintJournal::Private::succeeded()
{
    if (!failing)
        return;
    failing = false;
    if (failureTold && !recoveryTold) {
        recoveryTold = true;
        qCInfo(lcJournal, "The print journal %s is written again.", qUtf8Printable(nativePath()));
    }
}

bool PrintJournal::Private::exec(QSqlQuery &q, const QString &what)
{
    if (q.exec())
        return true;
    const QString why = QStringLiteral("%1 failed: %2.").arg(what, describe(q.lastError()));
    q.finish();
    return fail(why);
}

QList<Line> PrintJournal::Private::select(const QString &where, const QVariantList &values, bool *ok,
                                          const QString &what)
{
    QList<Line> lines;
    bool read = false;
    if (ready()) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (q.prepare(QString::fromLatin1(kColumns) + u' ' + where)) {
            for (const QVariant &v : values)
                q.addBindValue(v);
            read = exec(q, what);
        } else {
            fail(QStringLiteral("%1 failed: %2.").arg(what, describe(q.lastError())));
        }
        while (read && q.next())
            lines.append(lineFrom(q));
        // Ends the read transaction at once, so that the log can be checkpointed.
        q.finish();
    }
    if (ok)
        *ok = read;
    return lines;
}

void PrintJournal::Private::settleEndedSessions()
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT DISTINCT session FROM line WHERE state = ? AND session <> ?"));
    q.addBindValue(stateKey(State::LogBegun));
    q.addBindValue(session->id());
    if (!exec(q, QStringLiteral("Reading the interrupted logs")))
        return;
    QStringList ended;
    while (q.next()) {
        const QString id = q.value(0).toString();
        if (!SessionLock::isRunning(sessionsFolder(), id))
            ended << id;
    }
    q.finish();
    const QDateTime now = clock();
    for (const QString &id : ended) {
        QSqlQuery settle(db);
        settle.prepare(
            QStringLiteral("UPDATE line SET state = ?, changed = ?, reason = ? WHERE session = ? AND state = ?"));
        settle.addBindValue(stateKey(State::InDoubt));
        settle.addBindValue(isoText(now));
        settle.addBindValue(QStringLiteral("Norvane ended while the print log was being recorded."));
        settle.addBindValue(id);
        settle.addBindValue(stateKey(State::LogBegun));
        if (!exec(settle, QStringLiteral("Marking an interrupted log in doubt")))
            return;
    }
}

PrintJournal::PrintJournal()
    : d(std::make_unique<Private>())
{
}

PrintJournal::~PrintJournal()
{
    close();
}

bool PrintJournal::open(const QString &path)
{
    close();
    d->path = path;
    d->nextOpenTry = QDateTime();
    if (!d->openDatabase()) {
        d->nextOpenTry = d->clock().addSecs(kReopenIntervalSecs);
        return false;
    }
    d->failing = false;
    return true;
}

void PrintJournal::close()
{
    d->closeDatabase();
    d->session.reset();
}

bool PrintJournal::isOpen() const
{
    return d->db.isOpen();
}

QString PrintJournal::path() const
{
    return d->path;
}

QString PrintJournal::lastError() const
{
    return d->lastError;
}

void PrintJournal::setFailureHandler(FailureHandler handler)
{
    d->onFailure = std::move(handler);
}

qint64 PrintJournal::add(const Line &line)
{
    if (!d->ready())
        return 0;
    const QDateTime now = d->clock();
    const QString nowText = isoText(now);
    const bool took = printerTookJob(line.state);
    QSqlQuery &q = d->insert;
    q.addBindValue(d->session->id());
    q.addBindValue(nowText);
    q.addBindValue(now.toMSecsSinceEpoch());
    q.addBindValue(text(line.workstation.isEmpty() ? d->workstation : line.workstation));
    q.addBindValue(text(line.operatorName.isEmpty() ? d->operatorName : line.operatorName));
    q.addBindValue(text(line.number));
    q.addBindValue(text(line.barcode));
    q.addBindValue(text(line.patientName));
    q.addBindValue(text(line.hospitalNumber));
    q.addBindValue(text(line.exam));
    q.addBindValue(line.copies);
    q.addBindValue(stateKey(line.state));
    q.addBindValue(nowText);
    q.addBindValue(took ? QVariant(nowText) : nullText());
    q.addBindValue(took ? QVariant(now.toMSecsSinceEpoch()) : nullNumber());
    q.addBindValue(line.state == State::Recorded ? QVariant(nowText) : nullText());
    q.addBindValue(text(line.reason));
    if (!d->exec(q, QStringLiteral("Writing the line of barcode %1").arg(line.barcode)))
        return 0;
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    d->succeeded();
    return id;
}

namespace {

void bindChange(QSqlQuery &q, qint64 id, State state, const QString &reason, const QDateTime &now)
{
    const QString nowText = isoText(now);
    const bool took = printerTookJob(state);
    q.addBindValue(stateKey(state));
    q.addBindValue(nowText);
    q.addBindValue(text(reason));
    q.addBindValue(took ? QVariant(nowText) : nullText());
    q.addBindValue(took ? QVariant(now.toMSecsSinceEpoch()) : nullNumber());
    q.addBindValue(state == State::Recorded ? QVariant(nowText) : nullText());
    q.addBindValue(id);
}

} // namespace

bool PrintJournal::setState(qint64 id, State state, const QString &reason)
{
    if (id <= 0 || !d->ready())
        return false;
    QSqlQuery &q = d->update;
    bindChange(q, id, state, reason, d->clock());
    if (!d->exec(q, QStringLiteral("Writing the state of line %1").arg(id)))
        return false;
    const bool changed = q.numRowsAffected() == 1;
    q.finish();
    d->succeeded();
    return changed;
}

Claim PrintJournal::claimForLog(qint64 id, State seen)
{
    if (id <= 0)
        return Claim::Gone;
    if (!d->ready())
        return Claim::Failed;
    QSqlQuery &q = d->claim;
    bindChange(q, id, State::LogBegun, QString(), d->clock());
    q.addBindValue(stateKey(seen));
    if (!d->exec(q, QStringLiteral("Writing the state of line %1").arg(id)))
        return Claim::Failed;
    const bool taken = q.numRowsAffected() == 1;
    q.finish();
    d->succeeded();
    return taken ? Claim::Taken : Claim::Gone;
}

QList<Line> PrintJournal::unrecorded(bool *ok)
{
    if (d->ready())
        d->settleEndedSessions();
    QList<Line> lines = d->select(QStringLiteral("WHERE state IN (%1) ORDER BY time_ms, id").arg(unrecordedKeys()), {},
                                  ok, QStringLiteral("Reading the unrecorded lines"));
    if (!d->session)
        return lines;
    // A line of another run still going is that run's own: it may be printing or
    // recording it right now, or asking its user about it.
    QHash<QString, bool> running;
    const QString own = d->session->id();
    lines.removeIf([&](const Line &l) {
        if (l.session == own)
            return false;
        auto known = running.constFind(l.session);
        if (known == running.cend())
            known = running.insert(l.session, SessionLock::isRunning(d->sessionsFolder(), l.session));
        return *known;
    });
    return lines;
}

PrintedBefore PrintJournal::printedWithin(const QString &barcode, int hours, bool *ok)
{
    PrintedBefore found;
    if (ok)
        *ok = false;
    if (!d->ready())
        return found;
    const qint64 since = d->clock().toMSecsSinceEpoch() - qint64(hours) * 3600 * 1000;
    QSqlQuery q(d->db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT COALESCE(SUM(copies), 0), MAX(printed_ms) FROM line"
                             " WHERE barcode = ? AND printed_ms > ? AND copies > 0 AND state IN (%1)")
                  .arg(tookJobKeys()));
    q.addBindValue(barcode);
    q.addBindValue(since);
    if (!d->exec(q, QStringLiteral("Reading the stickers printed of barcode %1").arg(barcode)))
        return found;
    if (q.next() && hours > 0) {
        found.stickers = q.value(0).toInt();
        if (!q.value(1).isNull())
            found.last = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
    }
    q.finish();
    if (ok)
        *ok = true;
    return found;
}

QList<Line> PrintJournal::linesSince(const QDateTime &from, bool *ok)
{
    return d->select(QStringLiteral("WHERE time_ms >= ? ORDER BY time_ms, id"), {from.toMSecsSinceEpoch()}, ok,
                     QStringLiteral("Reading the lines"));
}

QList<Line> PrintJournal::linesOfDay(const QDate &day, bool *ok)
{
    return d->select(QStringLiteral("WHERE time_ms >= ? AND time_ms < ? ORDER BY time_ms, id"),
                     {day.startOfDay().toMSecsSinceEpoch(), day.addDays(1).startOfDay().toMSecsSinceEpoch()}, ok,
                     QStringLiteral("Reading the lines of %1").arg(day.toString(Qt::ISODate)));
}

std::optional<Line> PrintJournal::line(qint64 id)
{
    bool ok = false;
    const QList<Line> lines = d->select(QStringLiteral("WHERE id = ?"), {id}, &ok, QStringLiteral("Reading a line"));
    if (lines.isEmpty())
        return std::nullopt;
    return lines.first();
}

int PrintJournal::prune(int keepDays)
{
    if (keepDays <= 0)
        return 0;
    if (!d->ready())
        return -1;
    const qint64 before = d->clock().toMSecsSinceEpoch() - qint64(keepDays) * 24 * 3600 * 1000;

    // The last trace of a sticker that never reached the print log goes to the log
    // file before it leaves the journal.
    const QList<Line> leaving = d->select(
        QStringLiteral("WHERE time_ms < ? AND state IN (%1) ORDER BY time_ms, id").arg(unrecordedKeys()), {before},
        nullptr, QStringLiteral("Reading the lines to prune"));
    for (const Line &l : leaving) {
        qCWarning(lcJournal,
                  "Printed but not recorded, pruned from the print journal after %d days: barcode %s, "
                  "printed at %s (%s)",
                  keepDays, qUtf8Printable(l.barcode), qUtf8Printable(l.printed.toString(Qt::ISODate)),
                  qUtf8Printable(stateName(l.state)));
    }

    QSqlQuery q(d->db);
    q.prepare(QStringLiteral("DELETE FROM line WHERE time_ms < ?"));
    q.addBindValue(before);
    if (!d->exec(q, QStringLiteral("Pruning the lines older than %1 days").arg(keepDays)))
        return -1;
    const int removed = q.numRowsAffected();
    q.finish();
    d->succeeded();
    if (removed > 0)
        qCInfo(lcJournal, "Pruned %d lines older than %d days from the print journal.", removed, keepDays);
    if (d->session)
        SessionLock::removeEnded(d->sessionsFolder(), d->session->id());
    return removed;
}

QString PrintJournal::sessionId() const
{
    return d->session ? d->session->id() : QString();
}

void PrintJournal::setClock(Clock clock)
{
    d->clock = clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); });
}

} // namespace journal
