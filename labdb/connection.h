#pragma once

#include <QSqlDatabase>
#include <QString>

namespace labdb {

// One SQLite connection to a laboratory database file under a name of its own, so
// that any number of them can live in one process, each used by one thread at a
// time. Waits up to five seconds for a lock another connection holds. Closed and
// removed from Qt's registry on destruction.
class Connection
{
public:
    // Opens the file; with mustExist, a missing file or one without the laboratory
    // tables throws SqlError 4060 (the login's database cannot be opened).
    Connection(const QString &databasePath, bool mustExist);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase &database() { return m_db; }

    // Runs a statement without parameters; throws SqlError on failure.
    void run(const QString &statement);

private:
    void release();

    QString m_name;
    QSqlDatabase m_db;
};

} // namespace labdb
