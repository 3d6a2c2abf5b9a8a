#pragma once

#include "labdb/server/serverconfig.h"
#include "labdb/server/tdsmessagereader.h"
#include "labdb/server/tdstokenwriter.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>

namespace labdb {
class Session;
struct Outcome;
class SqlError;
} // namespace labdb

namespace labdb::tds {

class BatchLog;
struct SessionStatement;

// One client's conversation with the server, apart from the socket and its
// encryption: it takes whole messages and gives back the bytes to send. It owns
// the connection's Session (and so its transaction); destroying it rolls back an
// open transaction. Must be used and destroyed on one thread, the one its
// Session lives on.
class TdsConnection
{
public:
    // What the pre-login agreed on: no encryption, the login only, or everything.
    enum class Encryption { None, LoginOnly, Full };

    struct Answer
    {
        QByteArray bytes;   // packets to send, possibly empty
        bool close = false; // close the connection after sending them
        bool stall = false; // send them, then never answer again (the connection stays open)
        // After sending them, a TLS handshake begins inside PRELOGIN packets.
        Encryption startTls = Encryption::None;
    };

    // tlsOffered: the server has a certificate and can encrypt.
    TdsConnection(const ServerConfig &config, BatchLog &log, int number, bool tlsOffered = false);
    ~TdsConnection();
    TdsConnection(const TdsConnection &) = delete;
    TdsConnection &operator=(const TdsConnection &) = delete;

    Answer handle(const TdsMessage &message);

    // Asked again and again while a command waits for a lock: true once the
    // client's attention (cancel) has arrived, or it has gone. The command is
    // then given up and answered with the attention's acknowledgement.
    void setAttentionWatch(std::function<bool()> attentionArrived);

    // What the connection's TLS covers, once its handshake is done.
    void setEncryption(Encryption encryption) { m_encryption = encryption; }

    bool loggedIn() const { return m_loggedIn; }
    bool inTransaction() const;
    quint32 tdsVersion() const { return m_version; }

private:
    Answer preLogin(const TdsMessage &message);
    Answer login(const TdsMessage &message);
    Answer sqlBatch(const TdsMessage &message);
    Answer plainBatch(const QString &text);
    Answer sqlServerBatch(const QString &text);
    Answer rpc(const TdsMessage &message);
    Answer transactionManager(const TdsMessage &message);
    Answer attention();
    Answer reply(const TdsTokenWriter &tokens, bool close = false);
    // Counts a batch that reaches the database; the answer of a fault injected at
    // that count, if any.
    std::optional<Answer> countBatch(TdsTokenWriter &tokens);
    void errorToken(TdsTokenWriter &tokens, qint32 number, const QString &message, quint8 severity = 16);
    void errorToken(TdsTokenWriter &tokens, const SqlError &error);
    void resetIfAsked(const TdsMessage &message);
    QByteArray transactionDescriptor() const;
    // Transactions begun and ended by the server, told to the client (from 7.2 on).
    void beginTransaction(TdsTokenWriter &tokens);
    void endTransaction(TdsTokenWriter &tokens, bool commit);
    // SQL Server's answers: a statement the server carries out itself; false
    // (with the error written) when it refuses it.
    bool runSessionStatement(const SessionStatement &statement, TdsTokenWriter &tokens);
    bool applySet(const SessionStatement &statement, TdsTokenWriter &tokens);
    void writeOutcome(TdsTokenWriter &tokens, const Outcome &outcome) const;
    // A lock another session holds (lockWaitBatch): waits until it is released,
    // the client cancels (false) or the session's lock time-out passes (1222).
    bool waitForHeldLock();

    const ServerConfig &m_config;
    BatchLog &m_log;
    const int m_number;
    const bool m_tlsOffered;
    std::unique_ptr<Session> m_session;
    std::function<bool()> m_attentionArrived;
    bool m_loggedIn = false;
    bool m_refuseLogin = false;
    Encryption m_encryption = Encryption::None; // encryption was required and the client cannot encrypt
    quint32 m_version = Tds74;
    int m_packetSize = 4096;
    quint8 m_packetId = 1;
    int m_batches = 0;           // SQL batches run by the database, for the fault options
    int m_commits = 0;           // COMMIT requests, for stallCommit and dropCommit
    int m_rollbacks = 0;         // ROLLBACK requests, for failRollback
    quint64 m_transactionId = 0; // descriptor of the open transaction, counted per connection
    // The session's SET options that the server carries out.
    bool m_nocount = false;
    bool m_implicitTransactions = false;
    bool m_xactAbort = false;
    qint64 m_textSize = 0; // bytes of (MAX) and text values sent; 0: all
    QString m_language = QStringLiteral("us_english");
};

// Splits a token stream into reply packets of at most packetSize bytes.
QByteArray framePackets(quint8 type, const QByteArray &payload, int packetSize, quint16 spid, quint8 &packetId);

} // namespace labdb::tds
