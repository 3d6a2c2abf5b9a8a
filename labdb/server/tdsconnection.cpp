#include "labdb/server/tdsconnection.h"

#include "labdb/server/batchlog.h"
#include "labdb/server/login7.h"
#include "labdb/server/tdsprotocolerror.h"
#include "labdb/session.h"

#include <QRegularExpression>
#include <QtEndian>

namespace labdb::tds {

namespace {

constexpr quint32 kTds74 = 0x74000004;
constexpr quint32 kTds72 = 0x72090002;
constexpr quint32 kProgramVersion = 0x100007D0; // 16.0.2000
constexpr quint8 kResetConnection = 0x08;
constexpr quint8 kResetConnectionSkipTran = 0x10;
constexpr quint16 kSelectCommand = 0xC1;

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

TdsConnection::TdsConnection(const ServerConfig &config, BatchLog &log, int number)
    : m_config(config)
    , m_log(log)
    , m_number(number)
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

TdsConnection::Answer TdsConnection::preLogin(const TdsMessage &)
{
    // Options: VERSION, ENCRYPTION (not supported: the client stays in plain
    // text), INSTOPT, THREADID (empty), MARS (off).
    struct Option
    {
        quint8 token;
        QByteArray data;
    };
    const Option options[] = {
        {0x00, QByteArray::fromHex("100007d00000")}, {0x01, QByteArray::fromHex("02")},
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
    return {framePackets(Reply, head + data, m_packetSize, quint16(50 + m_number), m_packetId), false};
}

TdsConnection::Answer TdsConnection::login(const TdsMessage &message)
{
    const Login7 request = Login7::parse(message.payload);
    m_log.write(m_number, QStringLiteral("LOGIN"),
                QStringLiteral("user=%1 database=%2 app=%3").arg(request.userName, request.database, request.appName));

    TdsTokenWriter tokens;
    const QString loginFailed = QStringLiteral("Login failed for user '%1'.").arg(request.userName);
    auto refuse = [&] {
        errorToken(tokens, 18456, loginFailed, 14);
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens, true);
    };

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
        m_session = std::make_unique<Session>(m_config.databasePath);
    } catch (const SqlError &e) {
        errorToken(tokens, e.number(), e.message(), 11);
        return refuse();
    } catch (const std::exception &e) {
        errorToken(tokens, 4060, QString::fromLocal8Bit(e.what()), 11);
        return refuse();
    }

    if (request.packetSize >= 512 && request.packetSize <= 32767)
        m_packetSize = int(request.packetSize);
    const quint32 version = request.tdsVersion >= kTds74 ? kTds74 : qMax(request.tdsVersion, kTds72);

    tokens.envChange(EnvDatabase, m_config.databaseName, QStringLiteral("master"));
    tokens.info(5701, 2, 0, QStringLiteral("Changed database context to '%1'.").arg(m_config.databaseName),
                m_config.serverName);
    tokens.envChangeBinary(EnvCollation, TdsTokenWriter::collation(), {});
    tokens.envChange(EnvLanguage, QStringLiteral("us_english"), {});
    // The program name is what clients test to recognise the server's dialect.
    tokens.loginAck(QStringLiteral("Microsoft SQL Server"), version, kProgramVersion);
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

    TdsTokenWriter tokens;
    if (text.trimmed().isEmpty() || isSetOptionsBatch(text)) {
        tokens.done(Done, DoneFinal, 0, 0);
        return reply(tokens);
    }
    if (const QString procedure = systemProcedureCalled(text); !procedure.isEmpty()) {
        errorToken(tokens, 2812, QStringLiteral("Could not find stored procedure '%1'.").arg(procedure));
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }

    ++m_batches;
    if (m_config.stallBatch > 0 && m_batches == m_config.stallBatch) {
        m_log.write(m_number, QStringLiteral("STALL"), QStringLiteral("at batch %1").arg(m_batches));
        return {{}, false, true};
    }
    if (m_config.failBatch > 0 && m_batches == m_config.failBatch) {
        errorToken(tokens, 50000, QStringLiteral("Injected failure of batch %1.").arg(m_batches));
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }
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
    TdsTokenWriter tokens;
    errorToken(tokens, 2812, QStringLiteral("Could not find stored procedure '%1'.").arg(name));
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

    TdsTokenWriter tokens;
    auto begin = [&] {
        m_session->begin();
        ++m_transactionId;
        tokens.envChangeBinary(EnvBeginTransaction, transactionDescriptor(), {});
    };
    try {
        switch (request) {
        case TmBegin:
            m_log.write(m_number, QStringLiteral("TM"), QStringLiteral("BEGIN"));
            begin();
            break;
        case TmCommit:
        case TmRollback: {
            const bool commit = request == TmCommit;
            const bool again = beginsNew();
            m_log.write(m_number, QStringLiteral("TM"),
                        QLatin1String(commit ? "COMMIT" : "ROLLBACK") + QLatin1String(again ? " AND BEGIN" : ""));
            if (!m_session->inTransaction()) {
                if (commit)
                    errorToken(
                        tokens, 3902,
                        QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
                else
                    errorToken(
                        tokens, 3903,
                        QStringLiteral("The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."));
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
                begin();
            break;
        }
        default:
            m_log.write(m_number, QStringLiteral("TM"), QStringLiteral("request %1").arg(request));
            errorToken(tokens, 8525, QStringLiteral("Distributed transactions are not supported by this server."));
            tokens.done(Done, DoneError, 0, 0);
            return reply(tokens);
        }
    } catch (const SqlError &e) {
        errorToken(tokens, e.number(), e.message());
        tokens.done(Done, DoneError, 0, 0);
        return reply(tokens);
    }
    tokens.done(Done, DoneFinal, 0, 0);
    return reply(tokens);
}

TdsConnection::Answer TdsConnection::attention()
{
    // Every request has been answered in full before the next is read, so
    // there is nothing left to cancel: acknowledge.
    m_log.write(m_number, QStringLiteral("ATTENTION"));
    TdsTokenWriter tokens;
    tokens.done(Done, DoneAttention, 0, 0);
    return reply(tokens);
}

} // namespace labdb::tds
