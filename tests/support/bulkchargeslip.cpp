#include "support/bulkchargeslip.h"

#include "labdb/sampledata.h"
#include "labdb/samplewriter.h"

#include <QDateTime>

#include <algorithm>

namespace labdb {

BulkChargeslip addChargeslip(const QString &databasePath, int examCount, bool oneBarcode, const QString &refNum)
{
    BulkChargeslip result;
    SampleWriter::inTransaction(databasePath, [&](SampleWriter &writer) {
        const qint64 sequence = writer.scalar(QStringLiteral("SELECT COUNT(*) FROM patients WHERE hosp_num LIKE '9%'"))
            + 1;
        qint64 itemId = std::max<qint64>(writer.scalar(QStringLiteral("SELECT COALESCE(MAX(item_id), 0) FROM exams"))
                                             + 1,
                                         SampleWriter::firstItemId);
        result.refNum = refNum.isEmpty() ? QStringLiteral("CS-BULK-%1").arg(sequence, 5, 10, QLatin1Char('0')) : refNum;
        result.hospNum = QStringLiteral("9%1").arg(sequence, 7, 10, QLatin1Char('0'));
        result.requestNum = int(
            std::max<qint64>(writer.scalar(QStringLiteral("SELECT COALESCE(MAX(request_num), 0) FROM requests")) + 1,
                             SampleWriter::firstRequestNum));
        writer.insert(SampleWriter::insertPatient,
                      {result.hospNum, QStringLiteral("BULK, PATIENT %1").arg(sequence), QStringLiteral("40"),
                       QStringLiteral("F")});
        writer.insert(SampleWriter::insertChargeslip,
                      {result.refNum, result.hospNum, QStringLiteral("IP-9%1").arg(sequence, 5, 10, QLatin1Char('0')),
                       QDateTime(sample::day(), QTime(10, 0)).toString(Qt::ISODate), QStringLiteral("W1-101")});
        writer.insert(SampleWriter::insertRequest, {result.requestNum, result.refNum, 1});
        QString barcode;
        for (int i = 0; i < examCount; ++i, ++itemId) {
            if (i == 0 || !oneBarcode) {
                barcode = QStringLiteral("T9%1C").arg(itemId, 9, 10, QLatin1Char('0'));
                result.barcodes.append(barcode);
            }
            writer.insert(SampleWriter::insertExam,
                          {itemId, result.requestNum, QStringLiteral("CBC"), barcode, QStringLiteral("HEMA-1"), 1, 0});
        }
    });
    return result;
}

} // namespace labdb
