#pragma once

#include <QByteArray>
#include <QString>

namespace labdb {

// Windows code page 1252, the code page of the collation Latin1_General that
// VARCHAR and CHAR columns carry. A character it has no byte for is stored as
// '?', as SQL Server stores it in such a column.
QByteArray toCodePage1252(const QString &text);
QString fromCodePage1252(const QByteArray &bytes);
// The text as such a column keeps it: every character without a byte as '?'.
QString asCodePage1252(const QString &text);

} // namespace labdb
