#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct bio_st BIO;

namespace labdb::tds {

// The server's certificate and key, loaded once and shared by every connection
// (OpenSSL). TLS 1.2 at most, as SQL Server speaks it inside TDS 7.x, and no
// session tickets: after a login-only encryption the connection goes on in clear
// text, where a ticket sent late would be taken for a TDS packet.
class TlsContext
{
public:
    // Throws std::runtime_error naming the file and OpenSSL's reason when the
    // certificate or the key cannot be used.
    TlsContext(const QString &certificatePath, const QString &keyPath);
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    SSL_CTX *context() const { return m_context; }

private:
    SSL_CTX *m_context = nullptr;
};

// One connection's TLS, on memory buffers instead of the socket: the caller feeds
// what arrives and sends what comes out, wrapped in whatever the protocol needs
// (PRELOGIN packets during the handshake, nothing after it). Throws
// std::runtime_error when the peer breaks TLS.
class TlsChannel
{
public:
    explicit TlsChannel(const TlsContext &context);
    ~TlsChannel();
    TlsChannel(const TlsChannel &) = delete;
    TlsChannel &operator=(const TlsChannel &) = delete;

    // Bytes from the peer.
    void receive(const QByteArray &bytes);
    // Goes on with the handshake on what has been received; true once it is done.
    bool handshake();
    // The plain text of what has been received since the handshake.
    QByteArray read();
    // Encrypts plain text; the records come out of takeOutgoing().
    void write(const QByteArray &plain);
    // Bytes to send to the peer (handshake messages and records), emptied.
    QByteArray takeOutgoing();

private:
    [[noreturn]] void fail(const char *what) const;

    SSL *m_ssl = nullptr;
    BIO *m_in = nullptr;  // what the peer sent, for OpenSSL to read
    BIO *m_out = nullptr; // what OpenSSL wrote, for the peer
};

} // namespace labdb::tds
