#pragma once

#include "labdb/server/serverconfig.h"
#include "labdb/server/tdsmessagereader.h"
#include "labdb/server/tdstokenwriter.h"

#include <QByteArray>

#include <memory>

namespace labdb {
class Session;
}

namespace labdb::tds {

class BatchLog;

// One client's conversation with the server, apart from the socket: it takes
// whole messages and gives back the bytes to send. It owns the connection's
// Session (and so its transaction); destroying it rolls back an open transaction.
// Must be used and destroyed on one thread, the one its Session lives on.
class TdsConnection
{
public:
    struct Answer
    {
        QByteArray bytes;   // packets to send, possibly empty
        bool close = false; // close the connection after sending them
        bool stall = false; // send them, then never answer again (the connection stays open)
    };

    TdsConnection(const ServerConfig &config, BatchLog &log, int number);
    ~TdsConnection();
    TdsConnection(const TdsConnection &) = delete;
    TdsConnection &operator=(const TdsConnection &) = delete;

    Answer handle(const TdsMessage &message);

    bool loggedIn() const { return m_loggedIn; }
    bool inTransaction() const;

private:
    Answer preLogin(const TdsMessage &message);
    Answer login(const TdsMessage &message);
    Answer sqlBatch(const TdsMessage &message);
    Answer rpc(const TdsMessage &message);
    Answer transactionManager(const TdsMessage &message);
    Answer attention();
    Answer reply(const TdsTokenWriter &tokens, bool close = false);
    void errorToken(TdsTokenWriter &tokens, qint32 number, const QString &message, quint8 severity = 16);
    void resetIfAsked(const TdsMessage &message);
    QByteArray transactionDescriptor() const;

    const ServerConfig &m_config;
    BatchLog &m_log;
    const int m_number;
    std::unique_ptr<Session> m_session;
    bool m_loggedIn = false;
    int m_packetSize = 4096;
    quint8 m_packetId = 1;
    int m_batches = 0;           // SQL batches run by the database, for dropAfter, failBatch, stallBatch
    int m_commits = 0;           // COMMIT requests, for stallCommit and dropCommit
    int m_rollbacks = 0;         // ROLLBACK requests, for failRollback
    quint64 m_transactionId = 0; // descriptor of the open transaction, counted per connection
};

// Splits a token stream into reply packets of at most packetSize bytes.
QByteArray framePackets(quint8 type, const QByteArray &payload, int packetSize, quint16 spid, quint8 &packetId);

} // namespace labdb::tds
