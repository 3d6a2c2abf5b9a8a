#pragma once

#include <QProcess>
#include <QString>

namespace testsupport {

// What a barcode reader (zbarimg) reads from a picture: the barcode's text, empty
// when it finds none.
inline QString zbarDecode(const QString &png)
{
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), png});
    if (!zbar.waitForFinished(20000))
        return QStringLiteral("<zbarimg did not finish>");
    return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
}

} // namespace testsupport
