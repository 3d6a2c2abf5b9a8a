#include "wire/testcertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {
bool openssl(const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("openssl %1: %2%3")
                         .arg(arguments.join(u' '), process.errorString(),
                              QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}
} // namespace

bool TestCertificates::make(const QString &folder, QString *error)
{
    const QDir dir(folder);
    caFile = dir.filePath(QStringLiteral("ca.pem"));
    serverCertificate = dir.filePath(QStringLiteral("server.pem"));
    serverKey = dir.filePath(QStringLiteral("server.key"));
    otherCaFile = dir.filePath(QStringLiteral("other-ca.pem"));
    const QString caKey = dir.filePath(QStringLiteral("ca.key"));
    const QString request = dir.filePath(QStringLiteral("server.csr"));
    const QString extensions = dir.filePath(QStringLiteral("server.ext"));
    QFile ext(extensions);
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    ext.close();
    const QString days = QStringLiteral("2");
    return openssl({u"req"_qs, u"-x509"_qs, u"-newkey"_qs, u"rsa:2048"_qs, u"-nodes"_qs, u"-keyout"_qs, caKey,
                    u"-out"_qs, caFile, u"-subj"_qs, u"/CN=Laboratory test CA"_qs, u"-days"_qs, days},
                   error)
        && openssl({u"req"_qs, u"-newkey"_qs, u"rsa:2048"_qs, u"-nodes"_qs, u"-keyout"_qs, serverKey, u"-out"_qs,
                    request, u"-subj"_qs, u"/CN=127.0.0.1"_qs},
                   error)
        && openssl({u"x509"_qs, u"-req"_qs, u"-in"_qs, request, u"-CA"_qs, caFile, u"-CAkey"_qs, caKey,
                    u"-CAcreateserial"_qs, u"-out"_qs, serverCertificate, u"-days"_qs, days, u"-extfile"_qs,
                    extensions},
                   error)
        && openssl({u"req"_qs, u"-x509"_qs, u"-newkey"_qs, u"rsa:2048"_qs, u"-nodes"_qs, u"-keyout"_qs,
                    dir.filePath(QStringLiteral("other-ca.key")), u"-out"_qs, otherCaFile, u"-subj"_qs,
                    u"/CN=Another CA"_qs, u"-days"_qs, days},
                   error);
}
