#pragma once

#include <QString>

#include <functional>

namespace db {

class DbClient;

// The print log: records that the stickers of one barcode were printed.
//
// In one transaction on the connection it re-queries the rows behind the barcode
// (requeryCommand, fetched whole) and, for each row in order, executes the master
// row (saveMasterCommand), reads the server's clock (GetServerDate) and executes
// the date row (saveDateCommand) stamped with that reading in the general date
// form; then it commits. The database thus sees:
//   BEGIN, re-query, master 0, clock, date 0, master 1, clock, date 1, ..., COMMIT
//
// Barcode is read and written:
//  - blank (empty or spaces only): emptied; nothing is sent, no transaction;
//  - committed (a re-query without rows commits an empty transaction): emptied;
//  - any failure (begin, re-query, more than 32,767 rows, a missing column, a
//    master or date call, a clock reading, the commit): the transaction is rolled
//    back and Barcode keeps its value. A rollback that fails in turn (the
//    connection is gone, the transaction never began) changes nothing of that.
// No failure leaves this function and nothing is shown to the user: the outcome
// says what happened, and the failure is written to the program's log (category
// norvane.db) for the IT staff.
//
// processEvents is called once per row while the rows are read and once per row
// before its master call, with the transaction open: the window passes its own
// yield there (the print log lives below the widgets). It may be empty.
//
// The barcode is sent exactly as given, blanks around it included.

// What became of one log.
struct LogOutcome
{
    enum class Status {
        Recorded, // committed, or nothing to record (a blank barcode)
        Failed,   // rolled back: nothing of it is in the database
        InDoubt,  // the commit was sent and its answer never came: the database may
                  // hold the log; recording it again could make it appear twice
    };
    Status status = Status::Recorded;
    QString reason; // the database's (or driver's) own description of the failure

    bool recorded() const { return status == Status::Recorded; }
    explicit operator bool() const { return recorded(); }
};

LogOutcome SaveBarcodeLog(DbClient &connection, QString &Barcode, const std::function<void()> &processEvents = {});

} // namespace db
