#pragma once

#include <QString>

// Certificates a test makes with the openssl command: a CA, a server certificate
// it signs for 127.0.0.1 and localhost, and another CA that signed nothing here.
struct TestCertificates
{
    QString caFile;
    QString serverCertificate;
    QString serverKey;
    QString otherCaFile;

    // Writes them into folder; false with the reason in error.
    bool make(const QString &folder, QString *error);
};
