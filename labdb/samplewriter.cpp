#include "labdb/samplewriter.h"

#include "labdb/connection.h"
#include "labdb/session.h"

#include <QSqlError>

namespace labdb {

const QString SampleWriter::insertPatient = QStringLiteral(
    "INSERT INTO patients (hosp_num, name, age, sex) VALUES (?, ?, ?, ?)");
const QString SampleWriter::insertChargeslip = QStringLiteral(
    "INSERT INTO chargeslips (ref_num, hosp_num, id_num, transdate, room_id) VALUES (?, ?, ?, ?, ?)");
const QString SampleWriter::insertRequest = QStringLiteral(
    "INSERT INTO requests (request_num, ref_num, section_id) VALUES (?, ?, ?)");
const QString SampleWriter::insertExam = QStringLiteral(
    "INSERT INTO exams (item_id, request_num, exam_name, barcode, instrument, specimen_id, profile_id)"
    " VALUES (?, ?, ?, ?, ?, ?, ?)");

SampleWriter::SampleWriter(Connection &connection)
    : m_connection(connection)
{
}

void SampleWriter::inTransaction(const QString &databasePath, const std::function<void(SampleWriter &)> &write)
{
    Connection connection(databasePath, true);
    connection.run(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        {
            // The prepared statements go before the commit.
            SampleWriter writer(connection);
            write(writer);
        }
        connection.run(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            connection.run(QStringLiteral("ROLLBACK"));
        } catch (const SqlError &) {
            // The first failure is the one to report.
        }
        throw;
    }
}

void SampleWriter::insert(const QString &statement, const QVariantList &values)
{
    auto it = m_queries.find(statement);
    if (it == m_queries.end()) {
        it = m_queries.emplace(statement, QSqlQuery(m_connection.database())).first;
        if (!it->second.prepare(statement))
            fail(it->second);
    }
    QSqlQuery &query = it->second;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        fail(query);
}

qint64 SampleWriter::scalar(const QString &statement)
{
    QSqlQuery query(m_connection.database());
    if (!query.exec(statement) || !query.next())
        fail(query);
    return query.value(0).toLongLong();
}

void SampleWriter::fail(const QSqlQuery &query)
{
    throw SqlError(50000, QStringLiteral("The laboratory database failed: %1").arg(query.lastError().text()));
}

} // namespace labdb
