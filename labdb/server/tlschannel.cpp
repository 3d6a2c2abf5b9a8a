#include "labdb/server/tlschannel.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <stdexcept>
#include <string>

namespace labdb::tds {

namespace {

std::string openSslErrors()
{
    std::string text;
    while (const unsigned long e = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(e, buffer, sizeof buffer);
        if (!text.empty())
            text += "; ";
        text += buffer;
    }
    return text.empty() ? std::string("no reason given") : text;
}

} // namespace

TlsContext::TlsContext(const QString &certificatePath, const QString &keyPath)
{
    m_context = SSL_CTX_new(TLS_server_method());
    if (!m_context)
        throw std::runtime_error("cannot create a TLS context: " + openSslErrors());
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_options(m_context, SSL_OP_NO_TICKET);
    SSL_CTX_set_session_cache_mode(m_context, SSL_SESS_CACHE_OFF);
    const QByteArray certificate = certificatePath.toLocal8Bit();
    const QByteArray key = keyPath.toLocal8Bit();
    if (SSL_CTX_use_certificate_chain_file(m_context, certificate.constData()) != 1) {
        const std::string reason = openSslErrors();
        SSL_CTX_free(m_context);
        throw std::runtime_error("cannot use the certificate " + certificate.toStdString() + ": " + reason);
    }
    if (SSL_CTX_use_PrivateKey_file(m_context, key.constData(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_check_private_key(m_context) != 1) {
        const std::string reason = openSslErrors();
        SSL_CTX_free(m_context);
        throw std::runtime_error("cannot use the key " + key.toStdString() + ": " + reason);
    }
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_context);
}

TlsChannel::TlsChannel(const TlsContext &context)
    : m_ssl(SSL_new(context.context()))
{
    if (!m_ssl)
        fail("cannot start TLS");
    m_in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    // A memory buffer that is empty says "try again", not "end of input".
    BIO_set_mem_eof_return(m_in, -1);
    SSL_set_bio(m_ssl, m_in, m_out); // the SSL object owns both from here on
    SSL_set_accept_state(m_ssl);
}

TlsChannel::~TlsChannel()
{
    SSL_free(m_ssl);
}

void TlsChannel::fail(const char *what) const
{
    throw std::runtime_error(std::string(what) + ": " + openSslErrors());
}

void TlsChannel::receive(const QByteArray &bytes)
{
    if (!bytes.isEmpty() && BIO_write(m_in, bytes.constData(), int(bytes.size())) != int(bytes.size()))
        fail("TLS buffer");
}

bool TlsChannel::handshake()
{
    const int r = SSL_do_handshake(m_ssl);
    if (r == 1)
        return true;
    const int e = SSL_get_error(m_ssl, r);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE)
        return false;
    fail("TLS handshake failed");
}

QByteArray TlsChannel::read()
{
    QByteArray plain;
    char buffer[16384];
    for (;;) {
        const int n = SSL_read(m_ssl, buffer, int(sizeof buffer));
        if (n > 0) {
            plain.append(buffer, n);
            continue;
        }
        const int e = SSL_get_error(m_ssl, n);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE)
            return plain;
        if (e == SSL_ERROR_ZERO_RETURN)
            return plain; // the peer closed TLS
        fail("TLS record refused");
    }
}

void TlsChannel::write(const QByteArray &plain)
{
    qsizetype at = 0;
    while (at < plain.size()) {
        const int n = SSL_write(m_ssl, plain.constData() + at, int(plain.size() - at));
        if (n <= 0)
            fail("TLS write failed");
        at += n;
    }
}

QByteArray TlsChannel::takeOutgoing()
{
    QByteArray bytes;
    char buffer[16384];
    int n;
    while ((n = BIO_read(m_out, buffer, int(sizeof buffer))) > 0)
        bytes.append(buffer, n);
    return bytes;
}

} // namespace labdb::tds
