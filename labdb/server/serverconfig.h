#pragma once

#include "labdb/session.h"

#include <QDateTime>
#include <QString>

namespace labdb::tds {

// How labdb-server answers: the login it accepts, how like SQL Server it answers,
// its encryption, its instance name and the faults it can be told to play.
struct ServerConfig
{
    QString databasePath; // SQLite file of the laboratory database
    QString user = QStringLiteral("norvane");
    QString password = QStringLiteral("norvane");
    QString databaseName = QStringLiteral("Laboratory");
    QString serverName = QStringLiteral("LABDB"); // shown in error messages

    // SQL Server's answers (the default): procedures answered with their row
    // counts, messages, return status and DONEPROC; the request columns in the
    // procedure's types; @PrintDate read as a datetime by the session's date
    // order; errors with SQL Server's severity, state, procedure and line; SET
    // options carried out or refused; the protocol version negotiated down.
    // Off: the embedded database's plain answers (result set and DONE only,
    // NVARCHAR, INT and DATETIME, SET batches acknowledged unread).
    bool sqlServerAnswers = true;
    bool nocount = false;                                // the procedures SET NOCOUNT ON: no row counts
    Column::Type transdateType = Column::Type::DateTime; // the type of Transdate

    // The database's clock: the machine's, or one that started at clockStart
    // (local time) when the server started, at clockStartedAt (ms since the epoch).
    QDateTime clockStart;
    qint64 clockStartedAt = 0;

    // TLS: with a certificate and its key the server offers encryption as SQL
    // Server does (the login at least; everything when the client asks or when forced).
    QString certificatePath;
    QString keyPath;
    bool forceEncryption = false;

    // A named instance: answered on the SQL Server Browser's UDP port.
    QString instanceName;
    quint16 browserPort = 1434;

    // Fault options count the SQL batches that reach the database on one connection:
    // driver probes and batches of SET options are answered by the server and not counted.
    int dropAfter = 0;      // > 0: close the connection right after running its n-th SQL batch, unanswered
    int failBatch = 0;      // > 0: answer each connection's n-th SQL batch with an error, without running it
    bool stall = false;     // accept connections and never answer
    int stallBatch = 0;     // > 0: the connection's n-th SQL batch is never answered, nor anything after it
    int deadlockBatch = 0;  // > 0: the n-th batch is chosen as a deadlock victim (1205), its transaction rolled back
    int lockWaitBatch = 0;  // > 0: the n-th batch waits for a lock another session holds, until cancelled
    int lockReleaseMs = -1; // >= 0: that lock is released after so many milliseconds
    // COMMIT and ROLLBACK requests of one connection are counted apart from its batches.
    int stallCommit = 0;  // > 0: the n-th COMMIT is never carried out nor answered, nor anything after it
    int dropCommit = 0;   // > 0: the n-th COMMIT is carried out, then the connection closed unanswered
    int failRollback = 0; // > 0: the n-th ROLLBACK is answered with an error and not carried out
};

} // namespace labdb::tds
