#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace labdb {

// The rows that Lab_Barcode_SaveMaster and Lab_Barcode_SaveDate wrote, read back
// for the log tool and for tests. Each row holds the procedure's arguments as they
// were received, followed by the time the database stamped on the row.
struct PrintLog
{
    static const QStringList masterColumns; // RefNum ... ProfileID, SavedAt
    static const QStringList dateColumns;   // RequestNum, ItemID, SectionID, PrintDate, Status, Remarks, SavedAt
    QList<QStringList> masterRows;          // in the order written
    QList<QStringList> dateRows;

    // Reads both tables of the database file; throws SqlError on failure.
    static PrintLog read(const QString &databasePath);
    // Both tables as plain-text tables, with a title and a row count each.
    QString toText() const;
};

} // namespace labdb
