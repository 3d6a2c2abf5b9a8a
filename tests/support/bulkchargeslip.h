#pragma once

#include <QString>
#include <QStringList>

namespace labdb {

// One chargeslip added by addChargeslip.
struct BulkChargeslip
{
    QString refNum; // "CS-BULK-00001", ...
    QString hospNum;
    int requestNum = 0;
    QStringList barcodes; // one per exam, or the one shared barcode
};

// Adds a new patient with one chargeslip of examCount hematology exams in a single
// request, in one transaction (32,768 exams take well under a second). Every exam
// gets a barcode of its own ("T9000110001C", ...), or with oneBarcode all carry the
// same one, so that the one-argument lookup of that barcode returns examCount rows.
// refNum, when given, is the chargeslip number (for one holding an apostrophe, say,
// which then travels into every master row of the print log).
// Throws SqlError on failure. A fixture for tests and benchmarks, never in the program.
BulkChargeslip addChargeslip(const QString &databasePath, int examCount, bool oneBarcode = false,
                             const QString &refNum = QString());

} // namespace labdb
