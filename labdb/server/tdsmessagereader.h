#pragma once

#include <QByteArray>

#include <optional>

namespace labdb::tds {

// Packet types of the client's messages.
enum PacketType : quint8 {
    SqlBatch = 0x01,
    Rpc = 0x03,
    Reply = 0x04,
    Attention = 0x06,
    LoginRequest = 0x10,
    Sspi = 0x11,
    PreLogin = 0x12,
    TransactionManager = 0x0E,
};

// One client message, reassembled from its packets.
struct TdsMessage
{
    quint8 type = 0;
    quint8 status = 0; // status byte of the first packet (reset-connection bits)
    QByteArray payload;
};

// Collects the bytes read from a socket, however the network cut them, and hands
// out whole messages: a message spans packets until the one whose status carries
// the end-of-message bit. Throws TdsProtocolError on malformed framing or a
// message larger than the limit. A message whose last packet carries the ignore
// bit is dropped; an attention packet drops the message it interrupts.
class TdsMessageReader
{
public:
    explicit TdsMessageReader(qsizetype maxMessageSize = 64 * 1024 * 1024);

    void append(const QByteArray &bytes);
    std::optional<TdsMessage> next();
    // Bytes received but not yet part of a whole message.
    qsizetype pending() const { return m_buffer.size() - m_offset; }
    // Takes those bytes out (when the stream stops being made of packets, as
    // after a TLS handshake carried in packets).
    QByteArray takePending();

private:
    QByteArray m_buffer;
    qsizetype m_offset = 0;
    std::optional<TdsMessage> m_partial;
    qsizetype m_maxMessageSize;
};

} // namespace labdb::tds
