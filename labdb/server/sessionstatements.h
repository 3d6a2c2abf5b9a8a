#pragma once

#include <QList>
#include <QString>

namespace labdb::tds {

// A statement of a batch that the server carries out itself, on the connection's
// session, rather than the database: SET options and the transaction statements
// that drivers send as batches (FreeTDS before protocol 7.2, for one).
struct SessionStatement
{
    enum class Kind { Set, BeginTransaction, Commit, Rollback };
    Kind kind = Kind::Set;
    QString option;           // Set: the option's words in lower case, one blank apart ("transaction isolation level")
    QString value;            // Set: the value as written ("ON", "us_english", "2147483647", "read committed")
    bool ifTranCount = false; // "IF @@TRANCOUNT > 0 COMMIT": carried out only while a transaction is open
    QString text;             // the statement as written, for messages
};

// Splits the statements the server carries out itself off the start of a batch
// (separated by blanks, line breaks or ';'), and sets rest to the remaining text,
// trimmed: the command for the database, or empty. Examples:
//   "set textsize 2147483647\nset language us_english"   two SETs, rest ""
//   "SET NOCOUNT ON; SELECT getdate() as serverdate"     one SET, rest "SELECT getdate() as serverdate"
//   "IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION"         COMMIT (if open), BEGIN TRANSACTION
QList<SessionStatement> leadingSessionStatements(const QString &batch, QString *rest);

} // namespace labdb::tds
