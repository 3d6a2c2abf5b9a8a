#include "db/commands.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "db/generaldate.h"
#include "db/printlog.h"
#include "db/serverdate.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "labdb/session.h"
#include "support/bulkchargeslip.h"
#include "support/faultyembeddedclient.h"
#include "widgets/messagebox.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kClock = QStringLiteral("SELECT getdate() as serverdate");

// The embedded database with its re-query results tampered with, for failures the
// laboratory database itself cannot produce.
class TamperingClient : public testsupport::FaultyEmbeddedClient
{
public:
    enum class Tamper { None, DropColumn, ExtraRow, MissingRow };
    using testsupport::FaultyEmbeddedClient::FaultyEmbeddedClient;
    Tamper tamper = Tamper::None;

    db::DbResult openStatic(const QString &command) override
    {
        db::DbResult r = testsupport::FaultyEmbeddedClient::openStatic(command);
        QStringList columns = r.columns();
        QList<QVariantList> rows;
        for (db::DbResult copy = r; !copy.atEnd(); copy.moveNext()) {
            QVariantList row;
            for (const QString &c : columns)
                row.append(copy.value(c));
            rows.append(row);
        }
        qint64 count = r.rowCount();
        switch (tamper) {
        case Tamper::None: return r;
        case Tamper::DropColumn: {
            const qsizetype k = columns.indexOf(QStringLiteral("SectionID"));
            columns.removeAt(k);
            for (QVariantList &row : rows)
                row.removeAt(k);
            break;
        }
        case Tamper::ExtraRow: rows.append(rows.last()); break;
        case Tamper::MissingRow: rows.removeLast(); break;
        }
        return db::DbResult(columns, rows, count);
    }
};

enum class Fault { Begin, Requery, Overflow, MissingColumn, ExtraRow, MissingRow, Command, Commit, Drop };

} // namespace

Q_DECLARE_METATYPE(Fault)

class tst_PrintLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void logsEveryRowInOrderInOneTransaction();
    void requeryWithoutRowsCommitsEmptyTransaction();
    void blankAndPaddedBarcodes_data();
    void blankAndPaddedBarcodes();
    void failureRollsBackAndKeepsBarcode_data();
    void failureRollsBackAndKeepsBarcode();
    void serverDate();

private:
    // The re-query's rows as the master calls must carry them, read directly.
    QList<db::MasterRow> requery(const QString &barcode) const;
    labdb::PrintLog log() const { return labdb::PrintLog::read(m_path); }

    QTemporaryDir m_dir;
    QString m_path;
    QString m_overflowBarcode;
    QString m_twoRowBarcode; // a barcode whose re-query gives two rows
    std::unique_ptr<TamperingClient> m_client;
    QDateTime m_clockStart;
    QStringList m_messages;
};

void tst_PrintLog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("lab.sqlite"));
    labdb::createDatabase(m_path);
    labdb::seedSampleData(m_path);
    // One barcode whose re-query gives 32,768 rows: one more than the count holds.
    m_overflowBarcode = labdb::addChargeslip(m_path, 32768, true).barcodes.first();
    m_twoRowBarcode = labdb::addChargeslip(m_path, 2, true).barcodes.first();
    widgets::setMessageBoxHandler([this](const QString &text, const QString &) { m_messages.append(text); });
}

void tst_PrintLog::init()
{
    m_messages.clear();
    m_client = std::make_unique<TamperingClient>(m_path);
    m_client->open(QString());
    // A clock that moves one second per request, so that each reading shows when
    // it was taken: the request at journal index j reads m_clockStart + j seconds.
    m_clockStart = QDateTime(QDate(2024, 12, 9), QTime(14, 5, 33));
    m_client->setServerClock([this] { return m_clockStart.addSecs(m_client->journal().size() - 1); });
}

void tst_PrintLog::cleanup()
{
    // No log leaves a message box behind, whatever happened.
    QVERIFY(m_messages.isEmpty());
    m_client.reset();
}

QList<db::MasterRow> tst_PrintLog::requery(const QString &barcode) const
{
    labdb::Session session(m_path);
    const labdb::Outcome out = session.execute(db::requeryCommand(barcode));
    QStringList names;
    for (const labdb::Column &c : out.columns)
        names.append(c.name);
    QList<db::MasterRow> rows;
    for (const QVariantList &r : out.rows) {
        auto text = [&](const char *column) { return r.at(names.indexOf(QLatin1String(column))).toString(); };
        db::MasterRow m;
        m.refNum = text("RefNum");
        m.idNum = text("IdNum");
        m.hospNum = text("HospNum");
        m.barcode = text("Barcode");
        m.itemId = text("ItemID");
        m.specimenId = text("SpecimenID");
        m.sectionId = text("SectionID");
        m.requestNum = text("RequestNum");
        m.profileId = text("ProfileID");
        rows.append(m);
    }
    return rows;
}

void tst_PrintLog::logsEveryRowInOrderInOneTransaction()
{
    const QString barcode = m_twoRowBarcode;
    const QList<db::MasterRow> rows = requery(barcode);
    QCOMPARE(rows.size(), 2);
    const labdb::PrintLog before = log();

    // Where the yields fall: the journal's length at each one.
    QList<qsizetype> yieldsAt;
    QString value = barcode;
    QVERIFY(db::SaveBarcodeLog(*m_client, value, [&] { yieldsAt.append(m_client->journal().size()); }));
    QCOMPARE(value, QString());

    // Each date row carries the reading taken right before it (requests 3 and 6).
    const QString stamp0 = db::generalDate(m_clockStart.addSecs(3));
    const QString stamp1 = db::generalDate(m_clockStart.addSecs(6));
    const QStringList expected = {
        QStringLiteral("BEGIN"),
        db::requeryCommand(barcode),
        db::saveMasterCommand(rows[0]),
        kClock,
        db::saveDateCommand(rows[0].requestNum, rows[0].itemId, rows[0].sectionId, stamp0),
        db::saveMasterCommand(rows[1]),
        kClock,
        db::saveDateCommand(rows[1].requestNum, rows[1].itemId, rows[1].sectionId, stamp1),
        QStringLiteral("COMMIT"),
    };
    QCOMPARE(m_client->journal(), expected);
    // One yield per row read, then one before each row's master call.
    QCOMPARE(yieldsAt, (QList<qsizetype>{2, 2, 2, 5}));
    QVERIFY(!m_client->inTransaction());

    // Committed: the rows are there for every other reader, each with its own stamp.
    const labdb::PrintLog after = log();
    QCOMPARE(after.masterRows.size(), before.masterRows.size() + 2);
    QCOMPARE(after.dateRows.size(), before.dateRows.size() + 2);
    QCOMPARE(after.dateRows.at(before.dateRows.size()).at(3), stamp0);
    QCOMPARE(after.dateRows.at(before.dateRows.size() + 1).at(3), stamp1);
    QCOMPARE(after.masterRows.at(before.masterRows.size()).at(3), barcode);
}

void tst_PrintLog::requeryWithoutRowsCommitsEmptyTransaction()
{
    const labdb::PrintLog before = log();
    QString value = QString::fromLatin1(labdb::sample::unknownBarcode);
    QVERIFY(db::SaveBarcodeLog(*m_client, value));
    QCOMPARE(value, QString());
    QCOMPARE(
        m_client->journal(),
        (QStringList{QStringLiteral("BEGIN"), db::requeryCommand(QString::fromLatin1(labdb::sample::unknownBarcode)),
                     QStringLiteral("COMMIT")}));
    QCOMPARE(log().masterRows.size(), before.masterRows.size());
}

void tst_PrintLog::blankAndPaddedBarcodes_data()
{
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<bool>("sent");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("spaces only") << QStringLiteral("   ") << false;
    QTest::newRow("spaces around a value") << QStringLiteral("  T1000001C ") << true;
    QTest::newRow("a tab is no blank") << QStringLiteral("\t") << true;
}

void tst_PrintLog::blankAndPaddedBarcodes()
{
    QFETCH(QString, barcode);
    QFETCH(bool, sent);
    QString value = barcode;
    QVERIFY(db::SaveBarcodeLog(*m_client, value));
    QCOMPARE(value, QString());
    if (sent) {
        // Sent as it stands, blanks and all.
        QCOMPARE(m_client->journal().value(0), QStringLiteral("BEGIN"));
        QCOMPARE(m_client->journal().value(1), db::requeryCommand(barcode));
        QCOMPARE(m_client->journal().last(), QStringLiteral("COMMIT"));
    } else {
        QCOMPARE(m_client->journal(), QStringList());
    }
}

void tst_PrintLog::failureRollsBackAndKeepsBarcode_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("command"); // for Fault::Command and Fault::Drop
    QTest::addColumn<bool>("failingRollback");

    struct Case
    {
        const char *name;
        Fault fault;
        int command;
    };
    // Commands of a two-row log, counted from 1: re-query, master 0, clock 0,
    // date 0, master 1, clock 1, date 1.
    const Case cases[] = {
        {"begin", Fault::Begin, 0},
        {"re-query", Fault::Requery, 0},
        {"more than 32,767 rows", Fault::Overflow, 0},
        {"missing column", Fault::MissingColumn, 0},
        {"more rows than announced", Fault::ExtraRow, 0},
        {"fewer rows than announced", Fault::MissingRow, 0},
        {"master 0", Fault::Command, 2},
        {"clock 0", Fault::Command, 3},
        {"date 0", Fault::Command, 4},
        {"master 1", Fault::Command, 5},
        {"clock 1", Fault::Command, 6},
        {"date 1", Fault::Command, 7},
        {"commit", Fault::Commit, 0},
        // The connection is gone: the server rolls back, and so must the rollback fail.
        {"connection lost after date 0", Fault::Drop, 4},
    };
    for (const Case &c : cases) {
        QTest::addRow("%s", c.name) << c.fault << c.command << false;
        if (c.fault != Fault::Drop)
            QTest::addRow("%s, rollback fails", c.name) << c.fault << c.command << true;
    }
}

void tst_PrintLog::failureRollsBackAndKeepsBarcode()
{
    QFETCH(Fault, fault);
    QFETCH(int, command);
    QFETCH(bool, failingRollback);

    const QString barcode = fault == Fault::Overflow ? m_overflowBarcode : m_twoRowBarcode;
    const labdb::PrintLog before = log();

    switch (fault) {
    case Fault::Begin: m_client->failBegin(); break;
    case Fault::Requery: m_client->failCommand(1); break;
    case Fault::Overflow: break;
    case Fault::MissingColumn: m_client->tamper = TamperingClient::Tamper::DropColumn; break;
    case Fault::ExtraRow: m_client->tamper = TamperingClient::Tamper::ExtraRow; break;
    case Fault::MissingRow: m_client->tamper = TamperingClient::Tamper::MissingRow; break;
    case Fault::Command: m_client->failCommand(command); break;
    case Fault::Commit: m_client->failCommit(); break;
    case Fault::Drop: m_client->dropConnectionAfter(command); break;
    }
    m_client->failRollback(failingRollback);

    QString value = barcode;
    const db::LogOutcome outcome = db::SaveBarcodeLog(*m_client, value);
    QCOMPARE(outcome.status, db::LogOutcome::Status::Failed);
    QVERIFY(!outcome.reason.isEmpty()); // the database's reason, for the print run to tell
    QCOMPARE(value, barcode);

    if (fault == Fault::Drop) {
        QVERIFY(!m_client->isOpen());
    } else {
        // The rollback was asked for, last, whether it worked or not.
        QCOMPARE(m_client->journal().last(), QStringLiteral("ROLLBACK"));
        QCOMPARE(m_client->journal().count(QStringLiteral("ROLLBACK")), 1);
        QVERIFY(!m_client->journal().contains(QStringLiteral("COMMIT")) || fault == Fault::Commit);
    }
    if (fault == Fault::Command) {
        // Nothing after the failing command but the rollback.
        QCOMPARE(m_client->journal().size(), 1 + command + 1);
    }

    // Nothing of the log is visible to anyone else: no row remains.
    const labdb::PrintLog after = log();
    QCOMPARE(after.masterRows.size(), before.masterRows.size());
    QCOMPARE(after.dateRows.size(), before.dateRows.size());

    // The program goes on: the same barcode logs once the fault has cleared (on a
    // new connection when the old one was lost).
    if (fault == Fault::Drop) {
        m_client = std::make_unique<TamperingClient>(m_path);
        m_client->open(QString());
    }
    m_client->clearFaults();
    m_client->tamper = TamperingClient::Tamper::None;
    if (m_client->inTransaction())
        m_client->rollbackTrans(); // the injected rollback fault left it open
    if (fault != Fault::Overflow) {
        QVERIFY(db::SaveBarcodeLog(*m_client, value));
        QCOMPARE(value, QString());
        QCOMPARE(log().masterRows.size(), before.masterRows.size() + 2);
    }
}

void tst_PrintLog::serverDate()
{
    QCOMPARE(db::GetServerDate(*m_client), m_clockStart); // the first request
    QCOMPARE(m_client->journal(), QStringList{kClock});

    // No failure handling of its own: a failed reading reaches the caller.
    m_client->failCommand(1);
    QVERIFY_THROWS_EXCEPTION(db::DbError, db::GetServerDate(*m_client));
}

QTEST_MAIN(tst_PrintLog)
#include "tst_printlog.moc"
