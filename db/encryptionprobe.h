#pragma once

#include <QString>

namespace db {

// What a SQL Server offers in its pre-login answer, asked before any login: the
// one fact that tells apart a server without encryption from a certificate the
// driver refused, which the driver reports alike ("connection failed").
enum class OfferedEncryption {
    Unknown,  // no answer: the server could not be reached or did not answer in time
    None,     // ENCRYPT_NOT_SUP: the server has no certificate
    Offered,  // ENCRYPT_OFF or ENCRYPT_ON: the login at least, everything when asked
    Required, // ENCRYPT_REQ: the server encrypts everything, and only so
};

// Asks the server named by a Server setting ("host", "host,port",
// "host\\instance", the instance's port asked of the SQL Server Browser) with a
// pre-login that asks for no encryption, and closes the connection.
OfferedEncryption probeOfferedEncryption(const QString &server, int timeoutMs = 3000);

} // namespace db
