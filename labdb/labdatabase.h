#pragma once

#include <QString>

namespace labdb {

// Creates an empty laboratory database at path: the tables of patients,
// chargeslips, requests, exams and the two print-log tables. A file already there
// (with its -wal and -shm companions) is replaced. Throws SqlError on failure.
void createDatabase(const QString &path);

// Creates a fresh laboratory database at path, seeded with the sample day (see
// sampledata.h) dated today, and creates the folder if needed. Throws SqlError on
// failure. This is the database of `norvane --demo`.
void createDemoDatabase(const QString &path);

// Where the demo database lives by default:
// $XDG_DATA_HOME/Norvane/demo/laboratory.sqlite (~/.local/share/... when unset).
QString defaultDemoDatabasePath();

} // namespace labdb
