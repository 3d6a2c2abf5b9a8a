#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpSocket>

// A bare TDS client written for the tests, independent of the server's code: it
// frames requests into packets of a chosen size, can hand them to the socket a
// few bytes at a time, and reads whole replies. Enough to drive what ODBC
// drivers do not let a test control: packet boundaries, attention, aborts.
class RawTdsClient
{
public:
    bool connectTo(quint16 port);
    // PRELOGIN then LOGIN7; true when the reply ends in a DONE without the error bit.
    // The login's reply is kept (loginReply()).
    bool login(const QString &user, const QString &password, const QString &database, int packetSize = 4096,
               quint32 tdsVersion = 0x74000004);
    const QByteArray &loginReply() const { return m_loginReply; }

    // Sends one message split into packets of packetSize bytes (header included);
    // with trickle, the bytes go out in pieces of 1 to 7 bytes, each flushed alone.
    void send(quint8 type, const QByteArray &payload, bool trickle = false);
    void sendBatch(const QString &text, bool trickle = false);
    void sendTransaction(quint16 request); // 5 begin, 7 commit, 8 rollback (no new transaction)
    void sendAttention();
    void writeRaw(const QByteArray &bytes);

    // The token stream of the next whole reply (empty on time-out or close), and
    // how many packets carried it.
    QByteArray readReply(int timeoutMs = 10000);
    int lastReplyPackets() const { return m_lastReplyPackets; }

    void abort() { m_socket.abort(); }
    int packetSize() const { return m_packetSize; }

    // The final DONE of a token stream: status and row count.
    static quint16 finalDoneStatus(const QByteArray &tokens);
    static quint64 finalDoneCount(const QByteArray &tokens);
    static QByteArray utf16(const QString &text);

    // One token of a reply. DONE-type tokens carry status, command and count;
    // ERROR and INFO their fields; LOGINACK the version; ENVCHANGE its type.
    struct Token
    {
        quint8 type = 0;
        quint16 status = 0;
        quint16 command = 0;
        quint64 count = 0;
        qint32 number = 0;
        quint8 state = 0;
        quint8 severity = 0;
        QString message;
        QString procedure;
        qint32 line = 0;
        quint32 version = 0;
        quint8 envType = 0;
    };
    // The tokens of a reply up to its first COLMETADATA (whose rows this client
    // does not decode; it ends the list as a token of type 0x81). countBytes: the
    // width of a DONE's row count, 8 from TDS 7.2 on, 4 before.
    static QList<Token> tokensBeforeRows(const QByteArray &tokens, int countBytes = 8);
    // The DONE-type token that ends at offset end (the reply's size for the last).
    static Token doneAt(const QByteArray &tokens, qsizetype end, int countBytes = 8);

private:
    QTcpSocket m_socket;
    QByteArray m_pending;
    int m_packetSize = 4096;
    int m_lastReplyPackets = 0;
    QByteArray m_loginReply;
    quint8 m_packetId = 1;
};
