#pragma once

#include <QString>

namespace counter {

// What the search shows when it fails: the failure's own description, with a
// first line in plain words in front when the description is one of the
// driver's that says nothing a person at the counter can act on. The kind is
// read from the ODBC state (SQLSTATE) or the driver's native error number when
// the failure carries them, else from the description's text:
//   connection lost  "Communication link failure", "Unexpected EOF from the
//                    server", 08S01, 08003, FreeTDS 20004/20006/20017/20047
//   cannot connect   "Unable to connect ...", 08001, FreeTDS 20009
//   time-out         "Timeout expired", "... timed out", HYT00/HYT01, FreeTDS 20003
//   too many rows    "Overflow" (the row index of the search)
//   no reason given  "Unknown error"
// Anything else (a server's own message, a missing column) is shown as it is.
enum class SearchFailureKind { Other, ConnectionLost, Unreachable, TimedOut, TooManyRows, NoReason };

SearchFailureKind searchFailureKind(const QString &description, const QString &sqlState = QString(),
                                    int nativeCode = 0);

// The message box text: the plain first line, a blank line and the description,
// or the description alone for SearchFailureKind::Other.
QString searchFailureText(const QString &description, const QString &sqlState = QString(), int nativeCode = 0);

} // namespace counter
