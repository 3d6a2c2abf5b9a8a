#pragma once

#include "core/error.h"

#include <QString>

namespace db {

// A failed database operation. The description is what the user is shown by the
// routines that report failures (the patient search, the print run's message): for
// a server error it carries the server's own message text, for a driver error the
// driver's.
//
// The kind says what the failure means for the connection:
//  - Command: the server (or the client) refused this one operation; the
//    connection goes on.
//  - ConnectionLost: the connection is gone (the driver's communication-link or
//    connection states, a rollback that failed); the client has closed it.
//  - TimedOut: the server gave no answer within the command time-out; the client
//    has given the connection up as well.
//  - NotConnected: the connection could not be opened (or opened again).
// inDoubt marks a commit whose answer never came: the server may have committed.
// sqlState: the ODBC state of a failure the client words itself (kState...), so that
// what it means is read from the state, not from its words, which are translated.
class DbError : public core::Error
{
public:
    enum class Kind { Command, ConnectionLost, TimedOut, NotConnected };

    explicit DbError(const QString &description, Kind kind = Kind::Command, bool inDoubt = false,
                     const QString &sqlState = QString());
    Kind kind() const { return m_kind; }
    bool inDoubt() const { return m_inDoubt; }
    QString sqlState() const { return m_sqlState; } // empty: none given

private:
    Kind m_kind;
    bool m_inDoubt;
    QString m_sqlState;
};

// The states the clients give their own failures, as ODBC names them.
inline constexpr char16_t kStateCannotConnect[] = u"08001"; // the connection cannot be opened
inline constexpr char16_t kStateNotOpen[] = u"08003";       // the connection is not open
inline constexpr char16_t kStateLinkFailure[] = u"08S01";   // the connection was lost
inline constexpr char16_t kStateTimedOut[] = u"HYT00";      // the server did not answer in time

} // namespace db
