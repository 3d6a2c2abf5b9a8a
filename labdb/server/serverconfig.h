#pragma once

#include <QString>

namespace labdb::tds {

// How labdb-server answers: the login it accepts and the faults it can be told to play.
struct ServerConfig
{
    QString databasePath; // SQLite file of the laboratory database
    QString user = QStringLiteral("norvane");
    QString password = QStringLiteral("norvane");
    QString databaseName = QStringLiteral("Laboratory");
    QString serverName = QStringLiteral("LABDB"); // shown in error messages
    // Fault options count the SQL batches that reach the database on one connection:
    // driver probes and batches of SET options are answered by the server and not counted.
    int dropAfter = 0;  // > 0: close the connection right after running its n-th SQL batch, unanswered
    int failBatch = 0;  // > 0: answer each connection's n-th SQL batch with an error, without running it
    bool stall = false; // accept connections and never answer
    int stallBatch = 0; // > 0: the connection's n-th SQL batch is never answered, nor anything after it
    // COMMIT and ROLLBACK requests of one connection are counted apart from its batches.
    int stallCommit = 0;  // > 0: the n-th COMMIT is never carried out nor answered, nor anything after it
    int dropCommit = 0;   // > 0: the n-th COMMIT is carried out, then the connection closed unanswered
    int failRollback = 0; // > 0: the n-th ROLLBACK is answered with an error and not carried out
};

} // namespace labdb::tds
