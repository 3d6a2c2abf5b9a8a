#include "db/printlog.h"

#include "core/error.h"
#include "db/commands.h"
#include "db/dbclient.h"
#include "db/dberror.h"
#include "db/dblogging.h"
#include "db/generaldate.h"
#include "db/serverdate.h"

#include <QCoreApplication>
#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <exception>

namespace db {

namespace {

// One re-queried row: the nine columns the master and date calls take.
MasterRow readRow(const DbResult &result)
{
    MasterRow row;
    row.refNum = result.text(QStringLiteral("RefNum"));
    row.idNum = result.text(QStringLiteral("IdNum"));
    row.hospNum = result.text(QStringLiteral("HospNum"));
    row.barcode = result.text(QStringLiteral("Barcode"));
    row.itemId = result.text(QStringLiteral("ItemID"));
    row.specimenId = result.text(QStringLiteral("SpecimenID"));
    row.requestNum = result.text(QStringLiteral("RequestNum"));
    row.profileId = result.text(QStringLiteral("ProfileID"));
    row.sectionId = result.text(QStringLiteral("SectionID"));
    return row;
}

void logTransaction(DbClient &connection, const QString &barcode, const std::function<void()> &processEvents)
{
    connection.beginTrans();

    QList<MasterRow> rows;
    {
        DbResult result = connection.openStatic(requeryCommand(barcode));
        const qint64 count = result.rowCount();
        if (count < 0 || count > kMaxRows)
            throw DbError(QCoreApplication::translate("db::PrintLog",
                                                      "Overflow: the re-query of barcode \"%1\" announced %2 rows.")
                              .arg(barcode)
                              .arg(count));
        rows.reserve(count);
        for (; !result.atEnd(); result.moveNext()) {
            if (processEvents)
                processEvents();
            if (rows.size() >= count)
                throw DbError(
                    QCoreApplication::translate(
                        "db::PrintLog", "The re-query of barcode \"%1\" gave more rows than the %2 it announced.")
                        .arg(barcode)
                        .arg(count));
            rows.append(readRow(result));
        }
        // Fewer rows than announced would log empty values: refuse them too.
        if (rows.size() != count)
            throw DbError(QCoreApplication::translate(
                              "db::PrintLog", "The re-query of barcode \"%1\" gave %2 of the %3 rows it announced.")
                              .arg(barcode)
                              .arg(rows.size())
                              .arg(count));
    } // the result is released here; from now on the rows live only in the list

    for (const MasterRow &row : std::as_const(rows)) {
        if (processEvents)
            processEvents();
        connection.execute(saveMasterCommand(row));
        const QDateTime stamp = GetServerDate(connection);
        connection.execute(saveDateCommand(row.requestNum, row.itemId, row.sectionId, generalDate(stamp)));
    }

    connection.commitTrans();
}

} // namespace

LogOutcome SaveBarcodeLog(DbClient &connection, QString &Barcode, const std::function<void()> &processEvents)
{
    // Blank: nothing but space characters (a tab or a line break is a value).
    if (std::all_of(Barcode.cbegin(), Barcode.cend(), [](QChar c) { return c == u' '; })) {
        Barcode.clear();
        return {};
    }

    LogOutcome outcome{LogOutcome::Status::Failed, QString()};
    try {
        logTransaction(connection, Barcode, processEvents);
        Barcode.clear();
        return {};
    } catch (const std::exception &e) {
        outcome.reason = core::describe(e);
        if (const auto *error = dynamic_cast<const DbError *>(&e); error && error->inDoubt())
            outcome.status = LogOutcome::Status::InDoubt;
    }
    if (outcome.reason.isEmpty())
        outcome.reason = QCoreApplication::translate("db::PrintLog", "The database gave no reason.");

    // Undo everything this log wrote. A rollback that fails as well (the connection
    // is gone, so the server has rolled back already; or the transaction never
    // began) leaves nothing more to undo here.
    try {
        connection.rollbackTrans();
    } catch (const std::exception &e) {
        qCWarning(lcDb, "Print log of barcode \"%s\": the rollback failed as well: %s", qUtf8Printable(Barcode),
                  qUtf8Printable(core::describe(e)));
    }
    if (outcome.status == LogOutcome::Status::InDoubt)
        qCWarning(lcDb, "Print log of barcode \"%s\" in doubt: the commit got no answer, the database may hold it: %s",
                  qUtf8Printable(Barcode), qUtf8Printable(outcome.reason));
    else
        qCWarning(lcDb, "Print log of barcode \"%s\" rolled back: %s", qUtf8Printable(Barcode),
                  qUtf8Printable(outcome.reason));
    return outcome;
}

} // namespace db
