#pragma once

#include <QString>

namespace labdb::tds {

// How labdb-server answers: the login it accepts and the faults it can be told to play.
struct ServerConfig
{
    QString databasePath;                           // SQLite file of the laboratory database
    QString user = QStringLiteral("norvane");
    QString password = QStringLiteral("norvane");
    QString databaseName = QStringLiteral("Laboratory");
    QString serverName = QStringLiteral("LABDB");   // shown in error messages
    int dropAfter = 0;     // > 0: close the connection right after running its n-th SQL batch, unanswered
    bool stall = false;    // accept connections and never answer
};

} // namespace labdb::tds
