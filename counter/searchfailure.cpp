#include "counter/searchfailure.h"

#include <QCoreApplication>
#include <QStringList>

namespace counter {

namespace {

bool containsAny(const QString &text, const QStringList &parts)
{
    for (const QString &part : parts) {
        if (text.contains(part, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

SearchFailureKind kindOfState(const QString &sqlState)
{
    const QString state = sqlState.trimmed().toUpper();
    if (state == u"08001")
        return SearchFailureKind::Unreachable;
    if (state.startsWith(u"08"))
        return SearchFailureKind::ConnectionLost;
    if (state == u"HYT00" || state == u"HYT01")
        return SearchFailureKind::TimedOut;
    return SearchFailureKind::Other;
}

// FreeTDS's own message numbers (db-lib numbering, passed on by its ODBC driver).
SearchFailureKind kindOfNativeCode(int code)
{
    switch (code) {
    case 20003: return SearchFailureKind::TimedOut;       // connection timed out
    case 20004:                                           // read from the server failed
    case 20006:                                           // write to the server failed
    case 20017:                                           // unexpected EOF from the server
    case 20047: return SearchFailureKind::ConnectionLost; // DBPROCESS is dead
    case 20009: return SearchFailureKind::Unreachable;    // unable to connect
    default: return SearchFailureKind::Other;
    }
}

SearchFailureKind kindOfText(const QString &description)
{
    const QString text = description.trimmed();
    if (text.compare(u"Overflow", Qt::CaseInsensitive) == 0)
        return SearchFailureKind::TooManyRows;
    if (text.compare(u"Unknown error", Qt::CaseInsensitive) == 0)
        return SearchFailureKind::NoReason;
    if (containsAny(text,
                    {QStringLiteral("timeout expired"), QStringLiteral("timed out"), QStringLiteral("query timeout")}))
        return SearchFailureKind::TimedOut;
    if (containsAny(text,
                    {QStringLiteral("communication link failure"), QStringLiteral("unexpected eof"),
                     QStringLiteral("read from the server failed"), QStringLiteral("write to the server failed"),
                     QStringLiteral("dbprocess is dead"), QStringLiteral("connection reset"),
                     QStringLiteral("broken pipe"), QStringLiteral("connection to the database server was lost"),
                     // the connection object is closed (a dropped connection not yet reopened)
                     QStringLiteral("operation is not allowed when the object is closed")}))
        return SearchFailureKind::ConnectionLost;
    if (text.startsWith(u"Unable to connect", Qt::CaseInsensitive))
        return SearchFailureKind::Unreachable;
    return SearchFailureKind::Other;
}

QString plainLine(SearchFailureKind kind)
{
    switch (kind) {
    case SearchFailureKind::ConnectionLost:
        return QCoreApplication::translate(
            "counter::SearchFailure",
            "The connection to the laboratory database was lost. Scan or type the number again: "
            "the program connects again. If this keeps happening, call IT.");
    case SearchFailureKind::Unreachable:
        return QCoreApplication::translate(
            "counter::SearchFailure",
            "The laboratory database cannot be reached. Scan or type the number again in a "
            "moment; if this keeps happening, call IT.");
    case SearchFailureKind::TimedOut:
        return QCoreApplication::translate(
            "counter::SearchFailure",
            "The laboratory database did not answer in time. Scan or type the number again; "
            "if this keeps happening, call IT.");
    case SearchFailureKind::TooManyRows:
        return QCoreApplication::translate(
            "counter::SearchFailure",
            "This chargeslip has too many exams to list (at most 32,767). Scan the barcode of "
            "one request instead.");
    case SearchFailureKind::NoReason:
        return QCoreApplication::translate(
            "counter::SearchFailure",
            "The search failed and the laboratory database gave no reason. Scan or type the "
            "number again; if this keeps happening, call IT.");
    case SearchFailureKind::Other: break;
    }
    return QString();
}

} // namespace

SearchFailureKind searchFailureKind(const QString &description, const QString &sqlState, int nativeCode)
{
    if (const SearchFailureKind kind = kindOfState(sqlState); kind != SearchFailureKind::Other)
        return kind;
    if (const SearchFailureKind kind = kindOfNativeCode(nativeCode); kind != SearchFailureKind::Other)
        return kind;
    return kindOfText(description);
}

QString searchFailureText(const QString &description, const QString &sqlState, int nativeCode)
{
    const QString plain = plainLine(searchFailureKind(description, sqlState, nativeCode));
    if (plain.isEmpty())
        return description;
    return plain + QStringLiteral("\n\n") + description;
}

} // namespace counter
