#include "labdb/server/tdsconnection.h"

#include "labdb/datetext.h"
#include "labdb/server/batchlog.h"
#include "labdb/server/login7.h"
#include "labdb/server/sessionstatements.h"
#include "labdb/server/tdsprotocolerror.h"
#include "labdb/session.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>
#include <QtEndian>

namespace labdb::tds {

namespace {

constexpr quint32 kProgramVersion = 0x100007D0; // 16.0.2000
constexpr quint8 kResetConnection = 0x08;
constexpr quint8 kResetConnectionSkipTran = 0x10;
// The current command of a DONE token.
constexpr quint16 kSelectCommand = 0xC1;
constexpr quint16 kInsertCommand = 0xC3;
constexpr quint16 kExecuteCommand = 0xE0;

// The ENCRYPTION option of PRELOGIN.
enum PreLoginEncryption : quint8 {
    EncryptOff = 0,    // encrypt the login only
    EncryptOn = 1,     // encrypt everything
    EncryptNotSup = 2, // no encryption
    EncryptReq = 3,    // encryption required
};

// The line of the procedures' PRINT statements, for the messages' line field.
constexpr int kPrintLine = 12;

enum EnvChangeType : quint8 {
    EnvDatabase = 1,
    EnvLanguage = 2,
    EnvPacketSize = 4,
    EnvCollation = 7,
    EnvBeginTransaction = 8,
    EnvCommitTransaction = 9,
    EnvRollbackTransaction = 10,
};

enum TransactionRequest : quint16 {
    TmBegin = 5,
    TmCommit = 7,
    TmRollback = 8,
};

const char *const kProcIdNames[] = {
    nullptr,
    "sp_cursor",
    "sp_cursoropen",
    "sp_cursorprepare",
    "sp_cursorexecute",
    "sp_cursorprepexec",
    "sp_cursorunprepare",
    "sp_cursorfetch",
    "sp_cursoroption",
    "sp_cursorclose",
    "sp_executesql",
    "sp_prepare",
    "sp_execute",
    "sp_prepexec",
    "sp_prepexecrpc",
    "sp_unprepare",
};

// Skips the ALL_HEADERS block that TDS 7.2 and later put in front of batch, RPC
// and transaction manager requests; returns the offset of the request itself.
qsizetype afterAllHeaders(const QByteArray &payload)
{
    if (payload.size() < 4)
        return 0;
    const quint32 total = qFromLittleEndian<quint32>(payload.constData());
    if (total < 4 || total > quint32(payload.size()))
        return 0; // an older client without headers
    return total;
}

QString utf16(const QByteArray &bytes, qsizetype from, qsizetype chars)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + from), chars);
}

// A batch made only of SET statements, one per line (the session options that
// tedious sends after login): the database has no session options, so it is
// answered with a plain DONE. A line that holds anything else, such as
// "SET NOCOUNT ON; SELECT ...", makes the batch an ordinary one, so that no
// command is ever swallowed unanswered.
bool isSetOptionsBatch(const QString &text)
{
    static const QRegularExpression setLine(QStringLiteral("^\\s*set\\s+[a-z_@][\\w@ \\t'-]*;?\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression statement(
        QStringLiteral("\\b(select|exec|execute|insert|update|delete|merge|drop|create|alter|truncate|declare|begin|"
                       "commit|rollback|save|waitfor|print|raiserror|throw|use|go)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    bool any = false;
    for (const QString &line : text.split(u'\n')) {
        if (line.trimmed().isEmpty())
            continue;
        if (!setLine.match(line).hasMatch() || statement.match(line).hasMatch())
            return false;
        any = true;
    }
    return any;
}

// A call of a system procedure, as ODBC drivers send to probe the server after
// login (FreeTDS: "sp_datatype_info_100 11"). The laboratory database has none.
QString systemProcedureCalled(const QString &text)
{
    static const QRegularExpression call(QStringLiteral("^\\s*(?:exec(?:ute)?\\s+)?(sp_\\w+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = call.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

QByteArray framePackets(quint8 type, const QByteArray &payload, int packetSize, quint16 spid, quint8 &packetId)
{
    const qsizetype room = packetSize - 8;
    QByteArray out;
    qsizetype at = 0;
    do {
        const qsizetype chunk = qMin(room, payload.size() - at);
        const bool last = at + chunk >= payload.size();
        char header[8];
        header[0] = char(type);
        header[1] = char(last ? 0x01 : 0x00);
        qToBigEndian<quint16>(quint16(chunk + 8), header + 2);
        qToBigEndian<quint16>(spid, header + 4);
        header[6] = char(packetId++);
        header[7] = 0;
        out.append(header, 8);
        out.append(payload.constData() + at, chunk);
        at += chunk;
    } while (at < payload.size());
    return out;
}

TdsConnection::TdsConnection(const ServerConfig &config, BatchLog &log, int number, bool tlsOffered)
    : m_config(config)
    , m_log(log)
    , m_number(number)
    , m_tlsOffered(tlsOffered)
{
}

TdsConnection::~TdsConnection()
{
    if (m_session && m_session->inTransaction()) {
        m_log.write(m_number, QStringLiteral("TM"), QStringLiteral("ROLLBACK (connection closed)"));
        try {
            m_session->rollback();
        } catch (const std::exception &) {
            // The session's own destruction discards the transaction as well.
        }
    }
}

void TdsConnection::setAttentionWatch(std::function<bool()> attentionArrived)
{
    m_attentionArrived = std::move(attentionArrived);
    if (m_session)
        m_session->setLockWaitWatch([this] { return !(m_attentionArrived && m_attentionArrived()); });
}

bool TdsConnection::inTransaction() const
{
    return m_session && m_session->inTransaction();
}

TdsConnection::Answer TdsConnection::reply(const TdsTokenWriter &tokens, bool close)
{
    return {framePackets(Reply, tokens.data(), m_packetSize, quint16(50 + m_number), m_packetId), close};
}

void TdsConnection::errorToken(TdsTokenWriter &tokens, qint32 number, const QString &message, quint8 severity)
{
    tokens.error(number, 1, severity, message, m_config.serverName);
}

void TdsConnection::errorToken(TdsTokenWriter &tokens, const SqlError &error)
{
    if (!m_config.sqlServerAnswers) {
        errorToken(tokens, error.number(), error.message());
        return;
    }
    tokens.error(error.number(), quint8(error.state()), quint8(error.severity()), error.message(), m_config.serverName,
                 error.procedure(), error.line());
}

TdsConnection::Answer TdsConnection::handle(const TdsMessage &message)
{
    if (message.type == Attention)
        return attention();
    if (!m_loggedIn) {
        if (message.type == PreLogin)
            return preLogin(message);
        if (message.type == LoginRequest)
            return login(message);
        throw TdsProtocolError("request before login");
    }
    switch (message.type) {
    case SqlBatch: return sqlBatch(message);
    case Rpc: return rpc(message);
    case TransactionManager: return transactionManager(message);
    default: throw TdsProtocolError("unsupported packet type " + std::to_string(message.type));
    }
}

TdsConnection::Answer TdsConnection::preLogin(const TdsMessage &message)
{
    // The client's ENCRYPTION option, if it sent one.
    quint8 asked = EncryptNotSup;
    const QByteArray &p = message.payload;
    for (qsizetype at = 0; at + 5 <= p.size() && quint8(p.at(at)) != 0xFF; at += 5) {
        const quint16 offset = qFromBigEndian<quint16>(p.constData() + at + 1);
        const quint16 length = qFromBigEndian<quint16>(p.constData() + at + 3);
        if (quint8(p.at(at)) == 0x01 && length >= 1 && offset < p.size())
            asked = quint8(p.at(offset));
    }
    // What the server does, as SQL Server does it: without a certificate nothing;
    // with one, the login at least, everything when the client asks for it;
    // forced, everything, and a client that cannot encrypt is refused at its login.
    quint8 answer = EncryptNotSup;
    Encryption encryption = Encryption::None;
    if (m_tlsOffered) {
        if (m_config.forceEncryption) {
            answer = EncryptReq;
            encryption = asked == EncryptNotSup ? Encryption::None : Encryption::Full;
            m_refuseLogin = asked == EncryptNotSup;
        } else if (asked == EncryptOff) {
            answer = EncryptOff;
            encryption = Encryption::LoginOnly;
        } else if (asked == EncryptOn || asked == EncryptReq) {
            answer = EncryptOn;
            encryption = Encryption::Full;
        }
    }
    static const char *const names[] = {"off", "on", "not supported", "required"};
    const auto name = [](quint8 v) { return QLatin1String(v < 4 ? names[v] : "?"); };
    m_log.write(m_number, QStringLiteral("ENCRYPTION"),
                QStringLiteral("asked %1, answered %2").arg(name(asked), name(answer)));

    // Options: VERSION, ENCRYPTION, INSTOPT, THREADID (empty), MARS (off).
    struct Option
    {
        quint8 token;
        QByteArray data;
    };
    const Option options[] = {
        {0x00, QByteArray::fromHex("100007d00000")}, {0x01, QByteArray(1, char(answer))},
        {0x02, QByteArray::fromHex("00")},           {0x03, QByteArray()},
        {0x04, QByteArray::fromHex("00")},
    };
    QByteArray head, data;
    const qsizetype headSize = qsizetype(std::size(options)) * 5 + 1;
    for (const Option &o : options) {
        char entry[5];
        entry[0] = char(o.token);
        qToBigEndian<quint16>(quint16(headSize + data.size()), entry + 1);
        qToBigEndian<quint16>(quint16(o.data.size()), entry + 3);
        head.append(entry, 5);
        data.append(o.data);
    }
    head.append(char(0xFF));
    Answer result{framePackets(Reply, head + data, m_packetSize, quint16(50 + m_number), m_packetId), false};
    result.startTls = encryption;
    return result;
}

TdsConnection::Answer TdsConnection::login(const TdsMessage &message)
{
    const Login7 request = Login7::parse(message.payload);
    m_log.write(m_number, QStringLiteral("LOGIN"),
                QStringLiteral("user=%1 database=%2 app=%3").arg(request.userName, request.database, request.appName));

    TdsTokenWriter tokens(request.tdsVersion >= Tds72 ? Tds74 : Tds71);
    const QString loginFailed = QStringLiteral("Login failed for user '%1'.").arg(request.userName);
    auto refuse = [&] {
        errorToken(tokens, 18456, loginFailed, 14);
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens, true);
    };
    if (m_refuseLogin) {
        errorToken(tokens, 18456,
                   loginFailed + QStringLiteral(" The server requires encryption, and the client cannot encrypt."), 14);
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens, true);
    }
    // SQL Server's answer to an older client: its own version where the server
    // speaks it; a version it cannot serve is refused, saying which.
    if (m_config.sqlServerAnswers) {
        const quint32 asked = request.tdsVersion;
        if (asked < Tds71) {
            m_log.write(m_number, QStringLiteral("CLOSE"),
                        QStringLiteral("protocol version %1 refused").arg(asked, 8, 16, QLatin1Char('0')));
            errorToken(tokens, 4002,
                       QStringLiteral("The client speaks TDS version 0x%1, which this server does not serve: it serves "
                                      "TDS 7.1 to 7.4. Set the client's TDS version to 7.4 (FreeTDS: TDS_Version=7.4).")
                           .arg(asked, 8, 16, QLatin1Char('0')),
                       20);
            tokens.done(Done, DoneError, 0, 0);
            return reply(tokens, true);
        }
        m_version = asked >= Tds74 ? Tds74 : asked >= Tds73A ? asked : asked >= Tds72 ? Tds72 : Tds71;
    } else {
        m_version = request.tdsVersion >= Tds74 ? Tds74 : qMax(request.tdsVersion, quint32(Tds72));
    }
    tokens = TdsTokenWriter(m_version);

    if (request.userName.compare(m_config.user, Qt::CaseInsensitive) != 0 || request.password != m_config.password)
        return refuse();
    const QString database = request.database.isEmpty() ? m_config.databaseName : request.database;
    if (database.compare(m_config.databaseName, Qt::CaseInsensitive) != 0) {
        errorToken(
            tokens, 4060,
            QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.").arg(database), 11);
        return refuse();
    }
    try {
        SessionOptions options;
        if (m_config.sqlServerAnswers)
            options = SessionOptions::sqlServer();
        options.transdateType = m_config.transdateType;
        m_session = std::make_unique<Session>(m_config.databasePath, options);
    } catch (const SqlError &e) {
        errorToken(tokens, e.number(), e.message(), 11);
        return refuse();
    } catch (const std::exception &e) {
        errorToken(tokens, 4060, QString::fromLocal8Bit(e.what()), 11);
        return refuse();
    }
    setAttentionWatch(m_attentionArrived);
    if (m_config.clockStart.isValid()) {
        m_session->setClock([start = m_config.clockStart, at = m_config.clockStartedAt] {
            return start.addMSecs(QDateTime::currentMSecsSinceEpoch() - at);
        });
    }
    m_nocount = m_config.nocount;

    if (request.packetSize >= 512 && request.packetSize <= 32767)
        m_packetSize = int(request.packetSize);

    tokens.envChange(EnvDatabase, m_config.databaseName, QStringLiteral("master"));
    tokens.info(5701, 2, 0, QStringLiteral("Changed database context to '%1'.").arg(m_config.databaseName),
                m_config.serverName);
    tokens.envChangeBinary(EnvCollation, TdsTokenWriter::collation(), {});
    tokens.envChange(EnvLanguage, QStringLiteral("us_english"), {});
    if (m_config.sqlServerAnswers)
        tokens.info(5703, 1, 0, QStringLiteral("Changed language setting to us_english."), m_config.serverName);
    // The program name is what clients test to recognise the server's dialect.
    tokens.loginAck(QStringLiteral("Microsoft SQL Server"), m_version, kProgramVersion);
    tokens.envChange(EnvPacketSize, QString::number(m_packetSize), QString::number(m_packetSize));
    tokens.done(Done, DoneFinal, 0, 0);
    m_loggedIn = true;
    return reply(tokens);
}

void TdsConnection::resetIfAsked(const TdsMessage &message)
{
    if ((message.status & kResetConnection) && !(message.status & kResetConnectionSkipTran) && inTransaction())
        m_session->rollback();
}

TdsConnection::Answer TdsConnection::sqlBatch(const TdsMessage &message)
{
    resetIfAsked(message);
    const qsizetype from = afterAllHeaders(message.payload);
    const QString text = utf16(message.payload, from, (message.payload.size() - from) / 2);
    m_log.write(m_number, QStringLiteral("BATCH"), text);
    return m_config.sqlServerAnswers ? sqlServerBatch(text) : plainBatch(text);
}

// Counts a batch that reaches the database, and plays the fault asked for at that
// count: no answer ever (--stall-batch), or an error (--fail-batch).
std::optional<TdsConnection::Answer> TdsConnection::countBatch(TdsTokenWriter &tokens)
{
    ++m_batches;
    if (m_config.stallBatch > 0 && m_batches == m_config.stallBatch) {
        m_log.write(m_number, QStringLiteral("STALL"), QStringLiteral("at batch %1").arg(m_batches));
        return Answer{{}, false, true};
    }
    if (m_config.failBatch > 0 && m_batches == m_config.failBatch) {
        errorToken(tokens, 50000, QStringLiteral("Injected failure of batch %1.").arg(m_batches));
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }
    return std::nullopt;
}

TdsConnection::Answer TdsConnection::plainBatch(const QString &text)
{
    TdsTokenWriter tokens(m_version);
    if (text.trimmed().isEmpty() || isSetOptionsBatch(text)) {
        tokens.done(Done, DoneFinal, 0, 0);
        return reply(tokens);
    }
    if (const QString procedure = systemProcedureCalled(text); !procedure.isEmpty()) {
        errorToken(tokens, 2812, QStringLiteral("Could not find stored procedure '%1'.").arg(procedure));
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }

    if (std::optional<Answer> injected = countBatch(tokens))
        return *injected;
    try {
        const Outcome outcome = m_session->execute(text);
        if (m_config.dropAfter > 0 && m_batches == m_config.dropAfter) {
            m_log.write(m_number, QStringLiteral("CLOSE"), QStringLiteral("dropped after batch %1").arg(m_batches));
            return {{}, true};
        }
        if (outcome.hasResultSet) {
            tokens.resultSet(outcome.columns, outcome.rows);
            tokens.done(Done, DoneCount, kSelectCommand, quint64(outcome.rows.size()));
        } else if (outcome.rowsAffected >= 0) {
            tokens.done(Done, DoneCount, 0, quint64(outcome.rowsAffected));
        } else {
            tokens.done(Done, DoneFinal, 0, 0);
        }
    } catch (const std::exception &e) {
        if (m_config.dropAfter > 0 && m_batches == m_config.dropAfter) {
            m_log.write(m_number, QStringLiteral("CLOSE"), QStringLiteral("dropped after batch %1").arg(m_batches));
            return {{}, true};
        }
        const auto *sqlError = dynamic_cast<const SqlError *>(&e);
        errorToken(tokens, sqlError ? sqlError->number() : 50000,
                   sqlError ? sqlError->message() : QString::fromLocal8Bit(e.what()));
        tokens.done(Done, DoneError, 0, 0);
    }
    return reply(tokens);
}

TdsConnection::Answer TdsConnection::sqlServerBatch(const QString &text)
{
    TdsTokenWriter tokens(m_version);
    QString command;
    const QList<SessionStatement> statements = leadingSessionStatements(text, &command);
    for (const SessionStatement &statement : statements) {
        if (!runSessionStatement(statement, tokens)) {
            tokens.done(Done, DoneError, 0, 0);
            return reply(tokens);
        }
    }
    if (command.isEmpty()) {
        tokens.done(Done, DoneFinal, 0, 0);
        return reply(tokens);
    }
    // What a client may ask of its own connection (and any login may, here):
    // whether every packet is encrypted, as sys.dm_exec_connections says it.
    static const QRegularExpression encryptOption(
        QStringLiteral("^select\\s+encrypt_option\\s+from\\s+sys\\.dm_exec_connections\\s+where\\s+session_id\\s*=\\s*"
                       "@@spid\\s*;?$"),
        QRegularExpression::CaseInsensitiveOption);
    if (encryptOption.match(command).hasMatch()) {
        tokens.resultSet({Column{QStringLiteral("encrypt_option"), Column::Type::NVarChar, 40}},
                         {{m_encryption == Encryption::Full ? QStringLiteral("TRUE") : QStringLiteral("FALSE")}});
        tokens.done(Done, m_nocount ? DoneFinal : DoneCount, kSelectCommand, m_nocount ? 0 : 1);
        return reply(tokens);
    }
    if (const QString procedure = systemProcedureCalled(command); !procedure.isEmpty()) {
        tokens.error(2812, 62, 16, QStringLiteral("Could not find stored procedure '%1'.").arg(procedure),
                     m_config.serverName);
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }

    if (std::optional<Answer> injected = countBatch(tokens))
        return *injected;
    if (m_config.deadlockBatch > 0 && m_batches == m_config.deadlockBatch) {
        // The server has already rolled the victim's transaction back.
        m_log.write(m_number, QStringLiteral("DEADLOCK"), QStringLiteral("at batch %1").arg(m_batches));
        tokens.error(1205, 51, 13,
                     QStringLiteral("Transaction (Process ID %1) was deadlocked on lock resources with another process "
                                    "and has been chosen as the deadlock victim. Rerun the transaction.")
                         .arg(50 + m_number),
                     m_config.serverName);
        if (inTransaction())
            endTransaction(tokens, false);
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }
    try {
        if (m_config.lockWaitBatch > 0 && m_batches == m_config.lockWaitBatch && !waitForHeldLock())
            throw CommandCancelled();
        // With IMPLICIT_TRANSACTIONS ON a statement that reads or writes a table
        // (the procedures do; getdate() and CONVERT do not) begins a transaction.
        if (m_implicitTransactions && !inTransaction()
            && !command.startsWith(QLatin1String("select"), Qt::CaseInsensitive))
            beginTransaction(tokens);
        const Outcome outcome = m_session->execute(command);
        if (m_config.dropAfter > 0 && m_batches == m_config.dropAfter) {
            m_log.write(m_number, QStringLiteral("CLOSE"), QStringLiteral("dropped after batch %1").arg(m_batches));
            return {{}, true};
        }
        writeOutcome(tokens, outcome);
    } catch (const CommandCancelled &) {
        m_log.write(m_number, QStringLiteral("ATTENTION"), QStringLiteral("during batch %1").arg(m_batches));
        tokens.done(Done, DoneAttention, 0, 0);
        return reply(tokens);
    } catch (const SqlError &e) {
        if (m_config.dropAfter > 0 && m_batches == m_config.dropAfter) {
            m_log.write(m_number, QStringLiteral("CLOSE"), QStringLiteral("dropped after batch %1").arg(m_batches));
            return {{}, true};
        }
        errorToken(tokens, e);
        // SET XACT_ABORT ON: an error ends the transaction, rolled back.
        if (m_xactAbort && inTransaction())
            endTransaction(tokens, false);
        if (!e.procedure().isEmpty())
            tokens.done(DoneProc, DoneError, kExecuteCommand, 0);
        else
            tokens.done(Done, DoneError, 0, 0);
    }
    return reply(tokens);
}

void TdsConnection::writeOutcome(TdsTokenWriter &tokens, const Outcome &outcome) const
{
    const quint16 counted = m_nocount ? DoneFinal : DoneCount;
    const auto count = [this](qint64 n) { return m_nocount ? 0 : quint64(n); };
    if (outcome.procedure.isEmpty()) {
        // A query: its rows and their count.
        tokens.resultSet(outcome.columns, outcome.rows, m_textSize);
        tokens.done(Done, counted, kSelectCommand, count(outcome.rows.size()));
        return;
    }
    // A procedure: a DONEINPROC per statement, the messages it printed, its
    // result set, its return status, and DONEPROC.
    for (const qint64 n : outcome.countsBefore)
        tokens.done(DoneInProc, counted, kSelectCommand, count(n));
    for (const QString &text : outcome.printed)
        tokens.info(0, 1, 0, text, m_config.serverName, outcome.procedure, kPrintLine);
    if (outcome.hasResultSet) {
        tokens.resultSet(outcome.columns, outcome.rows, m_textSize);
        tokens.done(DoneInProc, counted, kSelectCommand, count(outcome.rows.size()));
    } else if (outcome.rowsAffected >= 0) {
        tokens.done(DoneInProc, counted, kInsertCommand, count(outcome.rowsAffected));
    }
    tokens.returnStatus(outcome.returnStatus);
    tokens.done(DoneProc, DoneFinal, kExecuteCommand, 0);
}

bool TdsConnection::waitForHeldLock()
{
    m_log.write(m_number, QStringLiteral("LOCKWAIT"), QStringLiteral("at batch %1").arg(m_batches));
    const QDeadlineTimer released(m_config.lockReleaseMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                             : QDeadlineTimer(m_config.lockReleaseMs));
    const int timeout = m_session->lockTimeout();
    const QDeadlineTimer given(timeout < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeout));
    while (!released.hasExpired()) {
        if (m_attentionArrived && m_attentionArrived())
            return false;
        if (given.hasExpired())
            throw SqlError(1222, QStringLiteral("Lock request time out period exceeded."), 16, 51);
        QThread::msleep(10);
    }
    return true;
}

void TdsConnection::beginTransaction(TdsTokenWriter &tokens)
{
    m_session->begin();
    ++m_transactionId;
    if (m_version >= Tds72)
        tokens.envChangeBinary(EnvBeginTransaction, transactionDescriptor(), {});
}

void TdsConnection::endTransaction(TdsTokenWriter &tokens, bool commit)
{
    if (commit)
        m_session->commit();
    else
        m_session->rollback();
    if (m_version >= Tds72)
        tokens.envChangeBinary(commit ? EnvCommitTransaction : EnvRollbackTransaction, {}, transactionDescriptor());
}

bool TdsConnection::runSessionStatement(const SessionStatement &statement, TdsTokenWriter &tokens)
{
    using Kind = SessionStatement::Kind;
    try {
        switch (statement.kind) {
        case Kind::Set: return applySet(statement, tokens);
        case Kind::BeginTransaction: beginTransaction(tokens); return true;
        case Kind::Commit:
        case Kind::Rollback: {
            const bool commit = statement.kind == Kind::Commit;
            if (!inTransaction()) {
                if (statement.ifTranCount)
                    return true;
                throw SqlError(commit ? 3902 : 3903,
                               QStringLiteral("The %1 TRANSACTION request has no corresponding BEGIN TRANSACTION.")
                                   .arg(QLatin1String(commit ? "COMMIT" : "ROLLBACK")));
            }
            endTransaction(tokens, commit);
            return true;
        }
        }
    } catch (const SqlError &e) {
        errorToken(tokens, e);
        return false;
    } catch (const CommandCancelled &) {
        errorToken(tokens, 3621, QStringLiteral("The statement has been terminated."), 0);
        return false;
    }
    return false;
}

bool TdsConnection::applySet(const SessionStatement &s, TdsTokenWriter &tokens)
{
    const QString value = s.value.toLower();
    const bool on = value == QLatin1String("on");
    const bool onOff = on || value == QLatin1String("off");
    bool isNumber = false;
    const qint64 number = value.toLongLong(&isNumber);
    const auto refuse = [&] {
        tokens.error(50000, 1, 16,
                     QStringLiteral("labdb-server does not carry out \"%1\": it answers only as SQL Server does "
                                    "with the options it can honour, so the statement was refused.")
                         .arg(s.text),
                     m_config.serverName);
        return false;
    };
    const QString &o = s.option;
    if (o == QLatin1String("nocount") && onOff) {
        m_nocount = on;
    } else if (o == QLatin1String("implicit_transactions") && onOff) {
        m_implicitTransactions = on;
    } else if (o == QLatin1String("xact_abort") && onOff) {
        m_xactAbort = on;
    } else if (o == QLatin1String("textsize") && isNumber) {
        // 0 is the default (4 KB); -1 and anything beyond 2 GB is all of it.
        m_textSize = number == 0 ? 4096 : (number < 0 || number >= 2147483647) ? 0 : number;
    } else if (o == QLatin1String("language")
               && (value == QLatin1String("us_english") || value == QLatin1String("british"))) {
        const QString previous = m_language;
        m_language = value;
        m_session->setDateOrder(value == QLatin1String("british") ? QStringLiteral("dmy") : QStringLiteral("mdy"));
        tokens.envChange(EnvLanguage, m_language, previous);
        tokens.info(5703, 1, 0, QStringLiteral("Changed language setting to %1.").arg(m_language), m_config.serverName);
    } else if (o == QLatin1String("dateformat") && isDateOrder(value)) {
        m_session->setDateOrder(value);
    } else if (o == QLatin1String("lock_timeout") && isNumber && number >= -1) {
        m_session->setLockTimeout(int(qMin<qint64>(number, std::numeric_limits<int>::max())));
    } else if (o == QLatin1String("datefirst") && isNumber && number >= 1 && number <= 7) {
        // No command depends on the first day of the week.
    } else if ((o == QLatin1String("arithabort") || o == QLatin1String("arithignore")) && onOff) {
        // No command does arithmetic.
    } else if ((o == QLatin1String("quoted_identifier") || o == QLatin1String("ansi_nulls")
                || o == QLatin1String("ansi_padding") || o == QLatin1String("ansi_warnings")
                || o == QLatin1String("concat_null_yields_null") || o == QLatin1String("ansi_null_dflt_on"))
               && on) {
        // The database behaves so and in no other way.
    } else if ((o == QLatin1String("numeric_roundabort") || o == QLatin1String("cursor_close_on_commit"))
               && value == QLatin1String("off")) {
    } else if (o == QLatin1String("transaction isolation level") && value == QLatin1String("read committed")) {
    } else if (o == QLatin1String("rowcount") && isNumber && number == 0) {
    } else if (o == QLatin1String("deadlock_priority") && value == QLatin1String("normal")) {
    } else {
        return refuse();
    }
    return true;
}

TdsConnection::Answer TdsConnection::rpc(const TdsMessage &message)
{
    resetIfAsked(message);
    const QByteArray &p = message.payload;
    qsizetype at = afterAllHeaders(p);
    QString name;
    if (at + 2 <= p.size()) {
        const quint16 length = qFromLittleEndian<quint16>(p.constData() + at);
        at += 2;
        if (length == 0xFFFF && at + 2 <= p.size()) {
            const quint16 id = qFromLittleEndian<quint16>(p.constData() + at);
            name = id < std::size(kProcIdNames) && kProcIdNames[id] ? QString::fromLatin1(kProcIdNames[id])
                                                                    : QStringLiteral("procedure id %1").arg(id);
        } else if (length != 0xFFFF && at + 2 * length <= p.size()) {
            name = utf16(p, at, length);
        }
    }
    m_log.write(m_number, QStringLiteral("RPC"), name);

    // Remote procedure calls (server cursors, prepared statements) are not
    // offered: the program sends plain batches. Drivers that probe with one
    // take the error and go on.
    TdsTokenWriter tokens(m_version);
    tokens.error(2812, m_config.sqlServerAnswers ? 62 : 1, 16,
                 QStringLiteral("Could not find stored procedure '%1'.").arg(name), m_config.serverName);
    tokens.done(DoneProc, DoneError, 0, 0);
    return reply(tokens);
}

QByteArray TdsConnection::transactionDescriptor() const
{
    char bytes[8];
    qToLittleEndian<quint64>(m_transactionId, bytes);
    return QByteArray(bytes, 8);
}

TdsConnection::Answer TdsConnection::transactionManager(const TdsMessage &message)
{
    resetIfAsked(message);
    const QByteArray &p = message.payload;
    qsizetype at = afterAllHeaders(p);
    if (at + 2 > p.size())
        throw TdsProtocolError("transaction manager request too short");
    const quint16 request = qFromLittleEndian<quint16>(p.constData() + at);
    at += 2;
    // COMMIT and ROLLBACK carry a transaction name and then a flag asking for a
    // new transaction to begin at once.
    auto beginsNew = [&] {
        if (at >= p.size())
            return false;
        at += 1 + 2 * quint8(p.at(at)); // name
        return at < p.size() && (quint8(p.at(at)) & 0x01);
    };

    TdsTokenWriter tokens(m_version);
    try {
        switch (request) {
        case TmBegin:
            m_log.write(m_number, QStringLiteral("TM"), QStringLiteral("BEGIN"));
            beginTransaction(tokens);
            break;
        case TmCommit:
        case TmRollback: {
            const bool commit = request == TmCommit;
            const bool again = beginsNew();
            m_log.write(m_number, QStringLiteral("TM"),
                        QLatin1String(commit ? "COMMIT" : "ROLLBACK") + QLatin1String(again ? " AND BEGIN" : ""));
            if (!m_session->inTransaction()) {
                errorToken(tokens,
                           SqlError(commit ? 3902 : 3903,
                                    QStringLiteral("The %1 TRANSACTION request has no corresponding BEGIN TRANSACTION.")
                                        .arg(QLatin1String(commit ? "COMMIT" : "ROLLBACK"))));
                tokens.done(Done, DoneError, 0, 0);
                return reply(tokens);
            }
            if (!commit && ++m_rollbacks == m_config.failRollback) {
                errorToken(tokens, 50000, QStringLiteral("Injected failure of rollback %1.").arg(m_rollbacks));
                tokens.done(Done, DoneError, 0, 0);
                return reply(tokens);
            }
            const int commitNumber = commit ? ++m_commits : 0;
            if (commit && commitNumber == m_config.stallCommit) {
                m_log.write(m_number, QStringLiteral("STALL"), QStringLiteral("at commit %1").arg(commitNumber));
                return {{}, false, true};
            }
            if (commit)
                m_session->commit();
            else
                m_session->rollback();
            if (commit && commitNumber == m_config.dropCommit) {
                m_log.write(m_number, QStringLiteral("CLOSE"),
                            QStringLiteral("dropped after commit %1").arg(commitNumber));
                return {{}, true};
            }
            tokens.envChangeBinary(commit ? EnvCommitTransaction : EnvRollbackTransaction, {}, transactionDescriptor());
            if (again)
                beginTransaction(tokens);
            break;
        }
        default:
            m_log.write(m_number, QStringLiteral("TM"), QStringLiteral("request %1").arg(request));
            errorToken(tokens, 8525, QStringLiteral("Distributed transactions are not supported by this server."));
            tokens.done(Done, DoneError, 0, 0);
            return reply(tokens);
        }
    } catch (const CommandCancelled &) {
        tokens.done(Done, DoneAttention, 0, 0);
        return reply(tokens);
    } catch (const SqlError &e) {
        errorToken(tokens, e);
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }
    tokens.done(Done, DoneFinal, 0, 0);
    return reply(tokens);
}

TdsConnection::Answer TdsConnection::attention()
{
    // Every request has been answered in full before the next is read (a
    // command that waits takes its attention itself), so there is nothing left
    // to cancel: acknowledge.
    m_log.write(m_number, QStringLiteral("ATTENTION"));
    TdsTokenWriter tokens(m_version);
    tokens.done(Done, DoneAttention, 0, 0);
    return reply(tokens);
}

} // namespace labdb::tds
