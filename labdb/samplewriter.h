#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <map>

namespace labdb {

class Connection;

// Writes rows of patients, chargeslips, requests and exams into a laboratory
// database file in one transaction, through prepared statements. Every failure
// throws SqlError. Seeds the sample day; the tests add their own chargeslips with it.
class SampleWriter
{
public:
    // Runs write in one transaction: committed when write returns, rolled back
    // when it throws (the exception goes on to the caller).
    static void inTransaction(const QString &databasePath, const std::function<void(SampleWriter &)> &write);

    void insert(const QString &statement, const QVariantList &values);
    // The first column of the first row of a query.
    qint64 scalar(const QString &statement);

    static const QString insertPatient;    // hosp_num, name, age, sex
    static const QString insertChargeslip; // ref_num, hosp_num, id_num, transdate, room_id
    static const QString insertRequest;    // request_num, ref_num, section_id
    static const QString insertExam; // item_id, request_num, exam_name, barcode, instrument, specimen_id, profile_id

    // The numbering of the sample day's requests and exams starts here.
    static constexpr int firstRequestNum = 88001;
    static constexpr int firstItemId = 110001;

private:
    explicit SampleWriter(Connection &connection);
    [[noreturn]] static void fail(const QSqlQuery &query);

    Connection &m_connection;
    std::map<QString, QSqlQuery> m_queries;
};

} // namespace labdb
