#include "labdb/server/tdsmessagereader.h"

#include "labdb/server/tdsprotocolerror.h"

#include <QtEndian>

namespace labdb::tds {

namespace {
constexpr qsizetype kHeaderSize = 8;
constexpr quint8 kEndOfMessage = 0x01;
constexpr quint8 kIgnore = 0x02;
} // namespace

TdsMessageReader::TdsMessageReader(qsizetype maxMessageSize)
    : m_maxMessageSize(maxMessageSize)
{
}

void TdsMessageReader::append(const QByteArray &bytes)
{
    // Drop what has been consumed before growing the buffer, so a long-lived
    // connection does not keep every byte it ever received.
    if (m_offset > 0) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(bytes);
}

QByteArray TdsMessageReader::takePending()
{
    QByteArray rest = m_buffer.mid(m_offset);
    m_buffer.clear();
    m_offset = 0;
    return rest;
}

std::optional<TdsMessage> TdsMessageReader::next()
{
    while (m_buffer.size() - m_offset >= kHeaderSize) {
        const auto *header = reinterpret_cast<const uchar *>(m_buffer.constData() + m_offset);
        const quint8 type = header[0];
        const quint8 status = header[1];
        const quint16 length = qFromBigEndian<quint16>(header + 2);
        if (length < kHeaderSize)
            throw TdsProtocolError("packet length shorter than its header");
        if (m_buffer.size() - m_offset < length)
            return std::nullopt; // the rest of the packet is still on its way

        // Attention may cut a request short that the client was still sending.
        if (m_partial && type == Attention)
            m_partial.reset();
        if (!m_partial) {
            m_partial = TdsMessage{type, status, {}};
        } else if (m_partial->type != type) {
            throw TdsProtocolError("packet type changed in the middle of a message");
        }
        if (m_partial->payload.size() + length - kHeaderSize > m_maxMessageSize)
            throw TdsProtocolError("message too large");
        m_partial->payload.append(m_buffer.constData() + m_offset + kHeaderSize, length - kHeaderSize);
        m_offset += length;

        if (status & kEndOfMessage) {
            std::optional<TdsMessage> done = std::move(m_partial);
            m_partial.reset();
            // The client withdrew the message it was sending: nothing to answer.
            if (status & kIgnore)
                continue;
            return done;
        }
    }
    return std::nullopt;
}

} // namespace labdb::tds
