// The embedded laboratory database: its procedures on the sample day, its
// transactions, the texts it refuses, and the embedded client with its faults.

#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "labdb/datetext.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "labdb/session.h"
#include "support/bulkchargeslip.h"
#include "support/faultyembeddedclient.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>

using labdb::Column;
using labdb::Outcome;
using labdb::Session;
using labdb::SqlError;

namespace {

const QStringList searchColumns = {
    QStringLiteral("HospNum"),    QStringLiteral("PatientName"), QStringLiteral("Transdate"),
    QStringLiteral("RoomID"),     QStringLiteral("Age"),         QStringLiteral("Sex"),
    QStringLiteral("Barcode"),    QStringLiteral("Instrument"),  QStringLiteral("RefNum"),
    QStringLiteral("IdNum"),      QStringLiteral("ItemID"),      QStringLiteral("SpecimenID"),
    QStringLiteral("RequestNum"), QStringLiteral("ProfileID"),   QStringLiteral("SectionID")};

int columnIndex(const Outcome &outcome, const QString &name)
{
    for (int i = 0; i < outcome.columns.size(); ++i) {
        if (outcome.columns.at(i).name == name)
            return i;
    }
    return -1;
}

QVariant cell(const Outcome &outcome, int row, const QString &name)
{
    const int i = columnIndex(outcome, name);
    return i < 0 ? QVariant() : outcome.rows.at(row).at(i);
}

QStringList columnValues(const Outcome &outcome, const QString &name)
{
    QStringList values;
    for (int r = 0; r < outcome.rows.size(); ++r)
        values.append(cell(outcome, r, name).toString());
    return values;
}

QString searchCommand(const QString &number, int mode)
{
    return QStringLiteral("Laboratory..Lab_Barcode_GetRequests '%1',%2")
        .arg(QString(number).replace(QLatin1Char('\''), QLatin1String("''")))
        .arg(mode);
}

QString requery(const QString &barcode)
{
    return QStringLiteral("Laboratory..Lab_Barcode_GetRequests '%1'").arg(barcode);
}

QString quoted(QString value)
{
    return QLatin1Char('\'') + value.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// The master and date calls for one row of the log re-query, as the print log writes them.
QString saveMaster(const Outcome &rows, int r)
{
    QStringList args;
    for (const char *c :
         {"RefNum", "IdNum", "HospNum", "Barcode", "ItemID", "SpecimenID", "SectionID", "RequestNum", "ProfileID"})
        args.append(quoted(cell(rows, r, QLatin1String(c)).toString()));
    return QStringLiteral("Laboratory..Lab_Barcode_SaveMaster ") + args.join(QLatin1Char(','));
}

QString saveDate(const Outcome &rows, int r, const QString &date)
{
    return QStringLiteral("Laboratory..Lab_Barcode_SaveDate '%1','%2','%3','%4','0',''")
        .arg(cell(rows, r, QStringLiteral("RequestNum")).toString(), cell(rows, r, QStringLiteral("ItemID")).toString(),
             cell(rows, r, QStringLiteral("SectionID")).toString(), date);
}

} // namespace

class tst_labdb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    // Procedures on the sample day
    void search_data();
    void search();
    void searchRowsCarryEveryColumn();
    void nullColumns();
    void requeryReturnsTheRowsBehindOneBarcode();
    void sampleDayHasTheAdvertisedShape();
    void sampleDayIsDeterministic();
    void demoDatabaseIsFresh();
    void serverDate();

    // Writes and transactions
    void savesWriteRowsAsReceived();
    void rollbackLeavesNoRow();
    void apostropheInAValueRoundTrips();
    void sessionGoneRollsBack();
    void transactionMisuse_data();
    void transactionMisuse();
    void sessionsShareOneFile();
    void sessionMovesBetweenThreads();
    void missingDatabaseIsRefused();

    // Refused texts
    void refused_data();
    void refused();

    // Large results
    void bulkChargeslipBeyondSixteenBits();

    // As SQL Server and the hospital's procedures answer
    void readDateText_data();
    void readDateText();
    void procedureTypes();
    void printDateReadAsDateTime_data();
    void printDateReadAsDateTime();

    // Log tool
    void logTool();

    // Embedded client
    void clientResults();
    void clientJournalAndErrors();
    void clientFaults_data();
    void clientFaults();
    void clientDropRollsBackAndStaysDown();
    void clientOpenFailures();

private:
    QTemporaryDir m_dir;
    QString m_template; // seeded once, copied for every test
    QString m_path;     // this test's database
    int m_count = 0;
};

void tst_labdb::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_template = m_dir.filePath(QStringLiteral("template.sqlite"));
    labdb::createDatabase(m_template);
    labdb::seedSampleData(m_template);
}

void tst_labdb::init()
{
    m_path = m_dir.filePath(QStringLiteral("lab%1.sqlite").arg(++m_count));
    QVERIFY(QFile::copy(m_template, m_path));
}

// ---------------------------------------------------------------------------
// Procedures on the sample day

void tst_labdb::search_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("patient");
    QTest::addColumn<QStringList>("barcodes");

    using namespace labdb::sample;
    const QString obrien = QStringLiteral("O'BRIEN, MARGARET");
    QTest::newRow("mode 3, T...C barcode: the request's exams")
        << searchCommand(QLatin1String(obrienTBarcode), 3) << obrien
        << QStringList{QStringLiteral("T1000001C"), QStringLiteral("T1000002C")};
    QTest::newRow("mode 3, second barcode of the same request")
        << searchCommand(QStringLiteral("T1000002C"), 3) << obrien
        << QStringList{QStringLiteral("T1000001C"), QStringLiteral("T1000002C")};
    QTest::newRow("mode 3, numeric barcode") << searchCommand(QLatin1String(obrienNumericBarcode), 3) << obrien
                                             << QStringList{QStringLiteral("200000001"), QStringLiteral("200000002")};
    QTest::newRow("mode 3, ...B barcode")
        << searchCommand(QLatin1String(obrienBBarcode), 3) << obrien << QStringList{QStringLiteral("3000001B")};
    QTest::newRow("mode 2, chargeslip: every exam in request order")
        << searchCommand(QLatin1String(obrienChargeslip), 2) << obrien
        << QStringList{QStringLiteral("T1000001C"), QStringLiteral("T1000002C"), QStringLiteral("200000001"),
                       QStringLiteral("200000002"), QStringLiteral("3000001B")};
    QTest::newRow("mode 3, trailing blank ignored as the server does")
        << searchCommand(QStringLiteral("200000001 "), 3) << obrien
        << QStringList{QStringLiteral("200000001"), QStringLiteral("200000002")};
    QTest::newRow("mode 3, leading blank matches nothing")
        << searchCommand(QStringLiteral(" 200000001"), 3) << QString() << QStringList();
    QTest::newRow("mode 3, unknown barcode")
        << searchCommand(QLatin1String(unknownBarcode), 3) << QString() << QStringList();
    QTest::newRow("mode 2, unknown chargeslip")
        << searchCommand(QLatin1String(unknownChargeslip), 2) << QString() << QStringList();
    QTest::newRow("mode 3 does not read chargeslips")
        << searchCommand(QLatin1String(obrienChargeslip), 3) << QString() << QStringList();
    QTest::newRow("mode 2 does not read barcodes")
        << searchCommand(QLatin1String(obrienTBarcode), 2) << QString() << QStringList();
    QTest::newRow("case matters: t1000001c")
        << searchCommand(QStringLiteral("t1000001c"), 3) << QString() << QStringList();
    QTest::newRow("an apostrophe in the number is data, not SQL")
        << searchCommand(QStringLiteral("X' OR '1'='1"), 2) << QString() << QStringList();
    QTest::newRow("mode as a quoted digit converts like the server")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'T1000001C','3'") << obrien
        << QStringList{QStringLiteral("T1000001C"), QStringLiteral("T1000002C")};
    QTest::newRow("blanks between tokens and a final semicolon")
        << QStringLiteral("  laboratory..LAB_BARCODE_GETREQUESTS\t'3000001B' , 3 ;  ") << obrien
        << QStringList{QStringLiteral("3000001B")};
}

void tst_labdb::search()
{
    QFETCH(QString, command);
    QFETCH(QString, patient);
    QFETCH(QStringList, barcodes);
    Session session(m_path);
    const Outcome result = session.execute(command);
    QVERIFY(result.hasResultSet);
    QCOMPARE(columnValues(result, QStringLiteral("Barcode")), barcodes);
    if (!barcodes.isEmpty()) {
        QCOMPARE(cell(result, 0, QStringLiteral("PatientName")).toString(), patient);
        const QStringList hospNums = columnValues(result, QStringLiteral("HospNum"));
        QCOMPARE(QSet<QString>(hospNums.begin(), hospNums.end()).size(), 1);
    }
    // An empty result still describes its columns, so a reader can address them.
    for (const QString &name : searchColumns)
        QVERIFY2(columnIndex(result, name) >= 0, qPrintable(name));
}

void tst_labdb::searchRowsCarryEveryColumn()
{
    Session session(m_path);
    const Outcome result = session.execute(searchCommand(QLatin1String(labdb::sample::obrienChargeslip), 2));
    QCOMPARE(result.rows.size(), 5);
    for (const QVariantList &row : result.rows)
        QCOMPARE(row.size(), result.columns.size());

    auto type = [&](const char *name) { return result.columns.at(columnIndex(result, QLatin1String(name))).type; };
    QCOMPARE(type("Transdate"), Column::Type::DateTime);
    QCOMPARE(type("ItemID"), Column::Type::Int);
    QCOMPARE(type("PatientName"), Column::Type::NVarChar);

    // First row: the CBC of the hematology request.
    QCOMPARE(cell(result, 0, QStringLiteral("HospNum")).toString(), QStringLiteral("00120000"));
    QCOMPARE(cell(result, 0, QStringLiteral("RoomID")).toString(), QStringLiteral("W3-112"));
    QCOMPARE(cell(result, 0, QStringLiteral("Sex")).toString(), QStringLiteral("F"));
    QVERIFY(!cell(result, 0, QStringLiteral("Age")).toString().isEmpty());
    QCOMPARE(cell(result, 0, QStringLiteral("Instrument")).toString(), QStringLiteral("HEMA-1"));
    QCOMPARE(cell(result, 0, QStringLiteral("RefNum")).toString(), QLatin1String(labdb::sample::obrienChargeslip));
    QCOMPARE(cell(result, 0, QStringLiteral("SectionID")).toInt(), 1);
    QCOMPARE(cell(result, 0, QStringLiteral("SpecimenID")).toInt(), 1);
    QCOMPARE(cell(result, 0, QStringLiteral("ProfileID")).toInt(), 0);
    const QDateTime transdate = cell(result, 0, QStringLiteral("Transdate")).toDateTime();
    QCOMPARE(transdate.date(), labdb::sample::day());
    QCOMPARE(transdate.timeSpec(), Qt::LocalTime);
    // Ints read as decimal digits, and the two requests have different numbers.
    QCOMPARE(cell(result, 0, QStringLiteral("ItemID")).toString(), QStringLiteral("110001"));
    QVERIFY(cell(result, 0, QStringLiteral("RequestNum")) != cell(result, 2, QStringLiteral("RequestNum")));
    QCOMPARE(cell(result, 4, QStringLiteral("SectionID")).toInt(), 3);
}

void tst_labdb::nullColumns()
{
    Session session(m_path);
    const Outcome pena = session.execute(searchCommand(QLatin1String(labdb::sample::penaChargeslip), 2));
    QCOMPARE(pena.rows.size(), 4);
    QCOMPARE(cell(pena, 0, QStringLiteral("PatientName")).toString(), QStringLiteral("PEÑA, JOSÉ LUIS"));
    int withoutInstrument = 0;
    for (int r = 0; r < pena.rows.size(); ++r) {
        // An outpatient has no room; a NULL is a null QVariant, not an empty text.
        QVERIFY(cell(pena, r, QStringLiteral("RoomID")).isNull());
        QVERIFY(!cell(pena, r, QStringLiteral("Barcode")).isNull());
        if (cell(pena, r, QStringLiteral("Instrument")).isNull())
            ++withoutInstrument;
    }
    QCOMPARE(withoutInstrument, 2); // ESR and urine culture are read by hand

    const Outcome esr = session.execute(requery(QLatin1String(labdb::sample::penaNoInstrumentBarcode)));
    QCOMPARE(esr.rows.size(), 1);
    QVERIFY(cell(esr, 0, QStringLiteral("Instrument")).isNull());
}

void tst_labdb::requeryReturnsTheRowsBehindOneBarcode()
{
    Session session(m_path);
    const Outcome rows = session.execute(requery(QStringLiteral("T1000002C")));
    QCOMPARE(rows.rows.size(), 1);
    QCOMPARE(cell(rows, 0, QStringLiteral("Barcode")).toString(), QStringLiteral("T1000002C"));
    for (const char *c :
         {"RefNum", "IdNum", "HospNum", "Barcode", "ItemID", "SpecimenID", "RequestNum", "ProfileID", "SectionID"})
        QVERIFY2(!cell(rows, 0, QLatin1String(c)).isNull(), c);
    QCOMPARE(session.execute(requery(QLatin1String(labdb::sample::unknownBarcode))).rows.size(), 0);
    // The one-argument form looks at barcodes only.
    QCOMPARE(session.execute(requery(QLatin1String(labdb::sample::obrienChargeslip))).rows.size(), 0);
}

void tst_labdb::sampleDayHasTheAdvertisedShape()
{
    // The forms the search tells apart: "T...C", "...B", numeric; chargeslips are none.
    const QRegularExpression tForm(QStringLiteral("^T.*C$"));
    const QRegularExpression bForm(QStringLiteral("B$"));
    const QRegularExpression numeric(QStringLiteral("^[0-9]+$"));
    Session session(m_path);
    QSet<QString> barcodes;
    QSet<QString> forms;
    bool apostrophe = false;
    bool nonAscii = false;
    int big = 0;
    for (int p = 1; p <= labdb::sample::patientCount; ++p) {
        const QString refNum = QStringLiteral("CS2024%1").arg(p, 5, 10, QLatin1Char('0'));
        QVERIFY(!tForm.match(refNum).hasMatch() && !bForm.match(refNum).hasMatch()
                && !numeric.match(refNum).hasMatch());
        const Outcome rows = session.execute(searchCommand(refNum, 2));
        if (rows.rows.size() == labdb::sample::bigChargeslipExams) {
            ++big;
        } else {
            QVERIFY2(rows.rows.size() >= 1 && rows.rows.size() <= 12, qPrintable(refNum));
        }
        const QString name = cell(rows, 0, QStringLiteral("PatientName")).toString();
        apostrophe = apostrophe || name.contains(QLatin1Char('\''));
        nonAscii = nonAscii || std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() > 127; });
        for (const QString &barcode : columnValues(rows, QStringLiteral("Barcode"))) {
            QVERIFY2(!barcodes.contains(barcode), qPrintable(barcode));
            barcodes.insert(barcode);
            if (tForm.match(barcode).hasMatch())
                forms.insert(QStringLiteral("T"));
            else if (bForm.match(barcode).hasMatch())
                forms.insert(QStringLiteral("B"));
            else if (numeric.match(barcode).hasMatch())
                forms.insert(QStringLiteral("numeric"));
            else
                QFAIL(qPrintable(QStringLiteral("barcode of no searchable form: ") + barcode));
        }
    }
    QCOMPARE(big, 1);
    QCOMPARE(forms.size(), 3);
    QVERIFY(apostrophe);
    QVERIFY(nonAscii);
    QCOMPARE(session
                 .execute(searchCommand(
                     QStringLiteral("CS2024%1").arg(labdb::sample::patientCount + 1, 5, 10, QLatin1Char('0')), 2))
                 .rows.size(),
             0);
}

void tst_labdb::sampleDayIsDeterministic()
{
    const QString other = m_dir.filePath(QStringLiteral("again.sqlite"));
    labdb::createDatabase(other);
    labdb::seedSampleData(other);
    Session a(m_path);
    Session b(other);
    for (int p = 1; p <= labdb::sample::patientCount; ++p) {
        const QString command = searchCommand(QStringLiteral("CS2024%1").arg(p, 5, 10, QLatin1Char('0')), 2);
        QCOMPARE(b.execute(command).rows, a.execute(command).rows);
    }
}

void tst_labdb::demoDatabaseIsFresh()
{
    const QString path = m_dir.filePath(QStringLiteral("demo/nested/laboratory.sqlite"));
    const QDate before = QDate::currentDate();
    labdb::createDemoDatabase(path);
    {
        Session session(path);
        const Outcome rows = session.execute(searchCommand(QLatin1String(labdb::sample::obrienChargeslip), 2));
        QCOMPARE(rows.rows.size(), 5);
        const QDate day = cell(rows, 0, QStringLiteral("Transdate")).toDateTime().date();
        QVERIFY(day >= before && day <= QDate::currentDate()); // dated today
        session.execute(saveMaster(rows, 0));
    }
    QCOMPARE(labdb::PrintLog::read(path).masterRows.size(), 1);
    // Made again, it starts from the sample day with an empty log.
    labdb::createDemoDatabase(path);
    QVERIFY(labdb::PrintLog::read(path).masterRows.isEmpty());
    QVERIFY(labdb::defaultDemoDatabasePath().endsWith(QLatin1String("/Norvane/demo/laboratory.sqlite")));
}

void tst_labdb::serverDate()
{
    Session session(m_path);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Outcome result = session.execute(QStringLiteral("SELECT getdate() as serverdate"));
    QVERIFY(result.hasResultSet);
    QCOMPARE(result.columns.size(), 1);
    QCOMPARE(result.columns.at(0).name, QStringLiteral("serverdate"));
    QCOMPARE(result.columns.at(0).type, Column::Type::DateTime);
    QCOMPARE(result.rows.size(), 1);
    const QDateTime now = result.rows.at(0).at(0).toDateTime();
    QVERIFY(now >= before && now <= QDateTime::currentDateTime().addSecs(1));
    QCOMPARE(now.timeSpec(), Qt::LocalTime);

    const QDateTime fixed(QDate(2024, 12, 9), QTime(14, 5, 33));
    session.setClock([fixed] { return fixed; });
    result = session.execute(QStringLiteral("select GETDATE ( ) AS serverdate;"));
    QCOMPARE(result.rows.at(0).at(0).toDateTime(), fixed);
}

// ---------------------------------------------------------------------------
// Writes and transactions

void tst_labdb::savesWriteRowsAsReceived()
{
    const QDateTime stamp(QDate(2024, 12, 9), QTime(14, 5, 33));
    {
        Session session(m_path);
        session.setClock([stamp] { return stamp; });
        session.begin();
        const Outcome master = session.execute(
            QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'"));
        QVERIFY(!master.hasResultSet);
        QCOMPARE(master.rowsAffected, 1);
        session.execute(QStringLiteral("Laboratory..Lab_Barcode_SaveDate '88','11','4','12/9/2024 2:05:33 PM','0',''"));
        // A second print of the same barcode is a second row, not an update.
        session.execute(
            QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'O''BRIEN','Peña','H9','B77','11','2','4','88','0'"));
        session.commit();
        QVERIFY(!session.inTransaction());
    }
    const labdb::PrintLog log = labdb::PrintLog::read(m_path);
    QCOMPARE(log.masterRows.size(), 2);
    QCOMPARE(log.masterRows.at(0).mid(0, 9),
             (QStringList{QStringLiteral("R1"), QStringLiteral("7"), QStringLiteral("H9"), QStringLiteral("B77"),
                          QStringLiteral("11"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("88"),
                          QStringLiteral("0")}));
    QCOMPARE(log.masterRows.at(0).at(9), QStringLiteral("2024-12-09T14:05:33.000"));
    QCOMPARE(log.masterRows.at(1).mid(0, 2), (QStringList{QStringLiteral("O'BRIEN"), QStringLiteral("Peña")}));
    QCOMPARE(log.dateRows.size(), 1);
    QCOMPARE(log.dateRows.at(0).mid(0, 6),
             (QStringList{QStringLiteral("88"), QStringLiteral("11"), QStringLiteral("4"),
                          QStringLiteral("12/9/2024 2:05:33 PM"), QStringLiteral("0"), QString()}));
}

void tst_labdb::rollbackLeavesNoRow()
{
    Session session(m_path);
    const Outcome rows = session.execute(requery(QLatin1String(labdb::sample::obrienTBarcode)));
    session.begin();
    session.execute(saveMaster(rows, 0));
    session.execute(saveDate(rows, 0, QStringLiteral("12/9/2024 2:05:33 PM")));
    session.rollback();
    QVERIFY(!session.inTransaction());
    labdb::PrintLog log = labdb::PrintLog::read(m_path);
    QVERIFY(log.masterRows.isEmpty());
    QVERIFY(log.dateRows.isEmpty());

    // Outside a transaction each call stands on its own.
    session.execute(saveMaster(rows, 0));
    log = labdb::PrintLog::read(m_path);
    QCOMPARE(log.masterRows.size(), 1);
    QCOMPARE(log.masterRows.at(0).at(3), QLatin1String(labdb::sample::obrienTBarcode));
}

void tst_labdb::apostropheInAValueRoundTrips()
{
    // A value read back from the database goes into the log's calls; written with
    // its apostrophe doubled, it arrives whole.
    const QString refNum = QStringLiteral("CS-O'HARA-1");
    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_path, 1, false, refNum);
    QCOMPARE(slip.refNum, refNum);
    Session session(m_path);
    QCOMPARE(session.execute(searchCommand(refNum, 2)).rows.size(), 1);
    const Outcome rows = session.execute(requery(slip.barcodes.first()));
    QCOMPARE(cell(rows, 0, QStringLiteral("RefNum")).toString(), refNum);
    session.execute(saveMaster(rows, 0));
    QCOMPARE(labdb::PrintLog::read(m_path).masterRows.at(0).at(0), refNum);
}

void tst_labdb::sessionGoneRollsBack()
{
    {
        Session session(m_path);
        session.begin();
        session.execute(QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'"));
    }
    QVERIFY(labdb::PrintLog::read(m_path).masterRows.isEmpty());
    // And the lock went with it: another session writes at once.
    Session next(m_path);
    next.begin();
    next.commit();
}

void tst_labdb::transactionMisuse_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("number");
    QTest::newRow("commit without begin") << QStringList{QStringLiteral("commit")} << 3902;
    QTest::newRow("rollback without begin") << QStringList{QStringLiteral("rollback")} << 3903;
    QTest::newRow("commit twice") << QStringList{QStringLiteral("begin"), QStringLiteral("commit"),
                                                 QStringLiteral("commit")}
                                  << 3902;
    QTest::newRow("begin inside a transaction") << QStringList{QStringLiteral("begin"), QStringLiteral("begin")} << 0;
}

void tst_labdb::transactionMisuse()
{
    QFETCH(QStringList, steps);
    QFETCH(int, number);
    Session session(m_path);
    try {
        for (const QString &step : steps) {
            if (step == QLatin1String("begin"))
                session.begin();
            else if (step == QLatin1String("commit"))
                session.commit();
            else
                session.rollback();
        }
        QFAIL("no error");
    } catch (const SqlError &e) {
        QCOMPARE(e.number(), number);
    }
}

void tst_labdb::sessionsShareOneFile()
{
    Session writer(m_path);
    Session reader(m_path);
    writer.begin();
    writer.execute(QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'"));
    // A search on another session is not held up by the open transaction.
    QCOMPARE(reader.execute(searchCommand(QLatin1String(labdb::sample::obrienTBarcode), 3)).rows.size(), 2);
    QVERIFY(labdb::PrintLog::read(m_path).masterRows.isEmpty());
    writer.commit();
    QCOMPARE(labdb::PrintLog::read(m_path).masterRows.size(), 1);
}

void tst_labdb::sessionMovesBetweenThreads()
{
    // A wire server hands each connection's session to whichever worker serves it.
    Session session(m_path);
    session.begin();
    int rows = -1;
    QString error;
    QThread *worker = QThread::create([&] {
        try {
            rows = int(session.execute(searchCommand(QLatin1String(labdb::sample::bigChargeslip), 2)).rows.size());
            session.execute(
                QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'"));
        } catch (const SqlError &e) {
            error = e.message();
        }
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    QCOMPARE(error, QString());
    QCOMPARE(rows, labdb::sample::bigChargeslipExams);
    session.commit();
    QCOMPARE(labdb::PrintLog::read(m_path).masterRows.size(), 1);
}

void tst_labdb::missingDatabaseIsRefused()
{
    for (const QString &path :
         {m_dir.filePath(QStringLiteral("absent.sqlite")), m_dir.filePath(QStringLiteral("empty.sqlite"))}) {
        if (path.endsWith(QLatin1String("empty.sqlite"))) {
            QFile empty(path);
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        try {
            Session session(path);
            QFAIL("opened");
        } catch (const SqlError &e) {
            QCOMPARE(e.number(), 4060);
        }
    }
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("absent.sqlite"))));
}

// ---------------------------------------------------------------------------
// Refused texts

void tst_labdb::readDateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QDateTime>("expected"); // invalid: refused
    QTest::addColumn<int>("error");          // 241 text it cannot read, 242 out of range

    const QDateTime dec9(QDate(2024, 12, 9), QTime(14, 5, 33));
    const QDateTime sep12(QDate(2024, 9, 12), QTime(14, 5, 33));
    // The general date forms of 9 December 2024 14:05:33 under workstation locales,
    // read as a US English login reads them (month first).
    QTest::newRow("en_US") << u"12/9/2024 2:05:33 PM"_qs << u"mdy"_qs << dec9 << 0;
    QTest::newRow("en_GB: another day") << u"09/12/2024 14:05:33"_qs << u"mdy"_qs << sep12 << 0;
    QTest::newRow("es_ES: another day") << u"9/12/2024 14:05:33"_qs << u"mdy"_qs << sep12 << 0;
    QTest::newRow("es_ES with the zone's brackets") << u"9/12/2024 14:05:33 ( )"_qs << u"mdy"_qs << QDateTime() << 241;
    QTest::newRow("de_DE: dots, another day") << u"09.12.2024 14:05:33"_qs << u"mdy"_qs << sep12 << 0;
    QTest::newRow("en_GB on the 13th") << u"13/12/2024 14:05:33"_qs << u"mdy"_qs << QDateTime() << 242;
    QTest::newRow("ja_JP") << u"2024/12/09 14時05分33秒"_qs << u"mdy"_qs << QDateTime() << 241;
    QTest::newRow("Arabic-Indic digits") << u"٩/١٢/٢٠٢٤ ٢:٠٥:٣٣ م"_qs << u"mdy"_qs << QDateTime() << 241;
    QTest::newRow("C locale") << u"9 Dec 2024 14:05:33"_qs << u"mdy"_qs << dec9 << 0;
    QTest::newRow("year first") << u"2024-12-09 14:05:33"_qs << u"mdy"_qs << dec9 << 0;
    QTest::newRow("ISO 8601, any order") << u"2024-12-09T14:05:33"_qs << u"dmy"_qs << dec9 << 0;
    QTest::newRow("en_GB under dmy") << u"09/12/2024 14:05:33"_qs << u"dmy"_qs << dec9 << 0;
    QTest::newRow("midnight: the date alone")
        << u"12/9/2024"_qs << u"mdy"_qs << QDateTime(QDate(2024, 12, 9), QTime(0, 0)) << 0;
    QTest::newRow("12 AM") << u"12/9/2024 12:00:01 AM"_qs << u"mdy"_qs << QDateTime(QDate(2024, 12, 9), QTime(0, 0, 1))
                           << 0;
    QTest::newRow("two-digit year") << u"12/9/24 2:05:33 PM"_qs << u"mdy"_qs << dec9 << 0;
    QTest::newRow("31 November") << u"11/31/2024"_qs << u"mdy"_qs << QDateTime() << 242;
    QTest::newRow("25 o'clock") << u"12/9/2024 25:00:00"_qs << u"mdy"_qs << QDateTime() << 242;
    QTest::newRow("13 PM") << u"12/9/2024 13:00:00 PM"_qs << u"mdy"_qs << QDateTime() << 242;
    QTest::newRow("before 1753") << u"12/9/1752"_qs << u"mdy"_qs << QDateTime() << 242;
    QTest::newRow("words") << u"tomorrow"_qs << u"mdy"_qs << QDateTime() << 241;
}

void tst_labdb::readDateText()
{
    QFETCH(QString, text);
    QFETCH(QString, order);
    QFETCH(QDateTime, expected);
    QFETCH(int, error);
    try {
        QCOMPARE(labdb::readDateTime(text, order), expected);
        QCOMPARE(error, 0);
    } catch (const labdb::SqlError &e) {
        QCOMPARE(e.number(), error);
        QCOMPARE(e.severity(), 16);
        QCOMPARE(e.state(), error == 242 ? 3 : 1);
    }
}

void tst_labdb::procedureTypes()
{
    labdb::SessionOptions options = labdb::SessionOptions::sqlServer();
    options.transdateType = Column::Type::Date;
    Session session(m_path, options);
    const Outcome out = session.execute(QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'T1000001C',3"));
    const auto column = [&out](const char *name) {
        for (const Column &c : out.columns) {
            if (c.name == QLatin1String(name))
                return c;
        }
        return Column{};
    };
    const auto value = [&](const char *name) {
        for (int i = 0; i < out.columns.size(); ++i) {
            if (out.columns.at(i).name == QLatin1String(name))
                return out.rows.first().at(i);
        }
        return QVariant();
    };
    QCOMPARE(column("RoomID").type, Column::Type::Char);
    QCOMPARE(value("RoomID").toString(), QStringLiteral("W3-112  ")); // CHAR(8), padded
    QCOMPARE(column("PatientName").length, Column::kMax);
    QCOMPARE(column("Barcode").type, Column::Type::VarChar);
    QCOMPARE(column("RequestNum").type, Column::Type::Numeric);
    QCOMPARE(value("RequestNum").toString(), QStringLiteral("88001"));
    QCOMPARE(value("Transdate").metaType().id(), QMetaType::QDate);
    QCOMPARE(value("Transdate").toDate(), labdb::sample::day());
    // What the procedure ran on the way: a count and a message before the rows.
    QCOMPARE(out.procedure, QStringLiteral("Lab_Barcode_GetRequests"));
    QCOMPARE(out.countsBefore, QList<qint64>{2});
    QCOMPARE(out.printed.size(), 1);
}

void tst_labdb::printDateReadAsDateTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::addColumn<int>("error");

    QTest::newRow("en_US") << u"12/9/2024 2:05:33 PM"_qs << u"2024-12-09T14:05:33.000"_qs << 0;
    QTest::newRow("en_GB: stored as 12 September") << u"09/12/2024 14:05:33"_qs << u"2024-09-12T14:05:33.000"_qs << 0;
    QTest::newRow("en_GB on the 13th") << u"13/12/2024 14:05:33"_qs << QString() << 242;
    QTest::newRow("es_ES with the zone's brackets") << u"9/12/2024 14:05:33 ( )"_qs << QString() << 241;
}

void tst_labdb::printDateReadAsDateTime()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QFETCH(int, error);
    Session session(m_path, labdb::SessionOptions::sqlServer());
    try {
        session.execute(u"Laboratory..Lab_Barcode_SaveDate '88','11','4','%1','0',''"_qs.arg(text));
        QCOMPARE(error, 0);
    } catch (const labdb::SqlError &e) {
        QCOMPARE(e.number(), error);
        QCOMPARE(e.procedure(), u"Lab_Barcode_SaveDate"_qs);
        QVERIFY(e.line() > 0);
    }
    const labdb::PrintLog log = labdb::PrintLog::read(m_path);
    QCOMPARE(log.dateRows.size(), stored.isEmpty() ? 0 : 1);
    if (!stored.isEmpty())
        QCOMPARE(log.dateRows.first().at(3), stored);
}

void tst_labdb::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty text") << QString() << 0 << QStringLiteral("Command text was not set for the command object.");
    QTest::newRow("blanks only") << QStringLiteral("  \t ") << 0
                                 << QStringLiteral("Command text was not set for the command object.");
    QTest::newRow("unknown procedure") << QStringLiteral("Laboratory..Lab_Barcode_Delete 'x'") << 2812
                                       << QStringLiteral(
                                              "Could not find stored procedure 'Laboratory..Lab_Barcode_Delete'.");
    QTest::newRow("without the database")
        << QStringLiteral("Lab_Barcode_GetRequests 'x',3") << 2812
        << QStringLiteral("Could not find stored procedure 'Lab_Barcode_GetRequests'.");
    QTest::newRow("with an owner part")
        << QStringLiteral("Laboratory.dbo.Lab_Barcode_GetRequests 'x',3") << 2812
        << QStringLiteral("Could not find stored procedure 'Laboratory.dbo.Lab_Barcode_GetRequests'.");
    QTest::newRow("another database")
        << QStringLiteral("Pharmacy..Lab_Barcode_GetRequests 'x',3") << 911
        << QStringLiteral("Database 'Pharmacy' does not exist. Make sure that the name is entered correctly.");
    QTest::newRow("too many arguments")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'x',3,1") << 8144
        << QStringLiteral("Procedure or function Lab_Barcode_GetRequests has too many arguments specified.");
    QTest::newRow("no argument")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests") << 201
        << QStringLiteral(
               "Procedure or function 'Lab_Barcode_GetRequests' expects parameter '@Number', which was not supplied.");
    QTest::newRow("master row short of one")
        << QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88'") << 201
        << QStringLiteral(
               "Procedure or function 'Lab_Barcode_SaveMaster' expects parameter '@ProfileID', which was not supplied.");
    QTest::newRow("date row with seven")
        << QStringLiteral("Laboratory..Lab_Barcode_SaveDate '88','11','4','d','0','',''") << 8144
        << QStringLiteral("Procedure or function Lab_Barcode_SaveDate has too many arguments specified.");
    QTest::newRow("unclosed literal") << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'T55C,3") << 105
                                      << QStringLiteral("Unclosed quotation mark after the character string 'T55C,3'.");
    QTest::newRow("an apostrophe left undoubled") << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'O'BRIEN',2")
                                                  << 102 << QStringLiteral("Incorrect syntax near 'BRIEN'.");
    QTest::newRow("second statement after the call")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests ''; DROP TABLE exams; --',3") << 156
        << QStringLiteral("Incorrect syntax near the keyword 'DROP'.");
    QTest::newRow("second statement without semicolon")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'x',3 SELECT getdate() as serverdate") << 102
        << QStringLiteral("Incorrect syntax near 'SELECT'.");
    QTest::newRow("statement of its own") << QStringLiteral("DELETE FROM barcode_log_master") << 156
                                          << QStringLiteral("Incorrect syntax near the keyword 'DELETE'.");
    QTest::newRow("trailing comma") << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'x',") << 102
                                    << QStringLiteral("Incorrect syntax near ','.");
    QTest::newRow("arguments in parentheses") << QStringLiteral("Laboratory..Lab_Barcode_GetRequests('x',3)") << 102
                                              << QStringLiteral("Incorrect syntax near '('.");
    QTest::newRow("mode not a number")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'x','three'") << 245
        << QStringLiteral("Conversion failed when converting the varchar value 'three' to data type int.");
    QTest::newRow("unknown mode")
        << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'x',5") << 50000
        << QStringLiteral(
               "Lab_Barcode_GetRequests: unknown search mode 5 (3 for a request barcode, 2 for a chargeslip number).");
    QTest::newRow("negative mode") << QStringLiteral("Laboratory..Lab_Barcode_GetRequests 'x',-3") << 102
                                   << QStringLiteral("Incorrect syntax near '-'.");
    QTest::newRow("other query") << QStringLiteral("SELECT * FROM patients") << 102
                                 << QStringLiteral("Incorrect syntax near '*'.");
    QTest::newRow("clock without alias") << QStringLiteral("SELECT getdate()") << 102
                                         << QStringLiteral("Incorrect syntax near ')'.");
    QTest::newRow("clock then more") << QStringLiteral("SELECT getdate() as serverdate, 1") << 102
                                     << QStringLiteral("Incorrect syntax near ','.");
}

void tst_labdb::refused()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(QString, message);
    Session session(m_path);
    try {
        session.execute(text);
        QFAIL("accepted");
    } catch (const SqlError &e) {
        QCOMPARE(e.message(), message);
        QCOMPARE(e.number(), number);
        QCOMPARE(QString::fromStdString(e.what()), message);
    }
    // Nothing was touched: the tables and the log are as they were.
    QCOMPARE(session.execute(searchCommand(QLatin1String(labdb::sample::obrienChargeslip), 2)).rows.size(), 5);
    QVERIFY(labdb::PrintLog::read(m_path).masterRows.isEmpty());
}

// ---------------------------------------------------------------------------
// Large results

void tst_labdb::bulkChargeslipBeyondSixteenBits()
{
    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_path, 32768, true);
    QCOMPARE(slip.barcodes.size(), 1);
    Session session(m_path);
    const Outcome rows = session.execute(requery(slip.barcodes.first()));
    QCOMPARE(rows.rows.size(), 32768);
    QCOMPARE(cell(rows, 32767, QStringLiteral("RefNum")).toString(), slip.refNum);
    QCOMPARE(session.execute(searchCommand(slip.refNum, 2)).rows.size(), 32768);

    // Separate barcodes: each finds its own exam, and the whole request in mode 3.
    const labdb::BulkChargeslip second = labdb::addChargeslip(m_path, 3);
    QCOMPARE(second.barcodes.size(), 3);
    QVERIFY(second.refNum != slip.refNum);
    QCOMPARE(session.execute(requery(second.barcodes.at(1))).rows.size(), 1);
    QCOMPARE(session.execute(searchCommand(second.barcodes.at(1), 3)).rows.size(), 3);
}

// ---------------------------------------------------------------------------
// Log tool

void tst_labdb::logTool()
{
    {
        Session session(m_path);
        const Outcome rows = session.execute(requery(QStringLiteral("T1000001C")));
        session.execute(saveMaster(rows, 0));
        session.execute(saveDate(rows, 0, QStringLiteral("12/9/2024 2:05:33 PM")));
    }
    QProcess tool;
    tool.start(QStringLiteral(LABDB_LOG_TOOL), {m_path});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 0);
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(out.contains(QLatin1String("Master rows (Lab_Barcode_SaveMaster) (1 row)")), qPrintable(out));
    QVERIFY(out.contains(QLatin1String("Date rows (Lab_Barcode_SaveDate) (1 row)")));
    QVERIFY(out.contains(QLatin1String("T1000001C")));
    QVERIFY(out.contains(QLatin1String("12/9/2024 2:05:33 PM")));

    tool.start(QStringLiteral(LABDB_LOG_TOOL), {m_dir.filePath(QStringLiteral("absent.sqlite"))});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(tool.readAllStandardOutput().isEmpty());
    QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QLatin1String("Cannot open database")));
}

// ---------------------------------------------------------------------------
// Embedded client

void tst_labdb::clientResults()
{
    db::EmbeddedClient client(m_path);
    QVERIFY(!client.isOpen());
    client.open(QStringLiteral("Provider=SQLOLEDB;Server=;UID=;Database=;Password="));
    QVERIFY(client.isOpen());

    db::DbResult all = client.openStatic(searchCommand(QLatin1String(labdb::sample::obrienChargeslip), 2));
    QCOMPARE(all.rowCount(), 5);
    QCOMPARE(all.text(QStringLiteral("PatientName")), QStringLiteral("O'BRIEN, MARGARET"));
    QCOMPARE(all.text(QStringLiteral("itemid")), QStringLiteral("110001"));
    for (int i = 0; i < 4; ++i)
        all.moveNext();
    QCOMPARE(all.text(QStringLiteral("Barcode")), QStringLiteral("3000001B"));

    const db::DbResult pena = client.openStatic(searchCommand(QLatin1String(labdb::sample::penaChargeslip), 2));
    QCOMPARE(pena.text(QStringLiteral("RoomID")), QString());

    const db::DbResult clock = client.openReadOnce(QStringLiteral("SELECT getdate() as serverdate"));
    QCOMPARE(clock.rowCount(), -1);
    QVERIFY(!clock.atEnd());
    QVERIFY(clock.dateTime(QStringLiteral("serverdate")).isValid());

    const db::DbResult none = client.openStatic(searchCommand(QLatin1String(labdb::sample::unknownBarcode), 3));
    QCOMPARE(none.rowCount(), 0);
    QVERIFY(none.atEnd());

    // A write opened as a query leaves no result to read, as with the server.
    QVERIFY_THROWS_EXCEPTION(db::DbError,
                             client.openStatic(QStringLiteral(
                                 "Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'")));
    client.execute(QStringLiteral("Laboratory..Lab_Barcode_SaveDate '88','11','4','d','0',''"));
    QCOMPARE(labdb::PrintLog::read(m_path).dateRows.size(), 1);
}

void tst_labdb::clientJournalAndErrors()
{
    testsupport::FaultyEmbeddedClient client(m_path);
    client.open(QString());
    const QDateTime fixed(QDate(2024, 12, 9), QTime(14, 5, 33));
    client.setServerClock([fixed] { return fixed; });
    client.beginTrans();
    client.openStatic(requery(QStringLiteral("T1000001C")));
    QCOMPARE(
        client.openReadOnce(QStringLiteral("SELECT getdate() as serverdate")).dateTime(QStringLiteral("serverdate")),
        fixed);
    try {
        client.execute(QStringLiteral("Laboratory..Lab_Barcode_Delete 'T1000001C'"));
        QFAIL("accepted");
    } catch (const db::DbError &e) {
        QCOMPARE(e.description(), QStringLiteral("Could not find stored procedure 'Laboratory..Lab_Barcode_Delete'."));
    }
    client.rollbackTrans();
    QVERIFY(!client.inTransaction());
    QCOMPARE(client.journal(),
             (QStringList{QStringLiteral("BEGIN"), requery(QStringLiteral("T1000001C")),
                          QStringLiteral("SELECT getdate() as serverdate"),
                          QStringLiteral("Laboratory..Lab_Barcode_Delete 'T1000001C'"), QStringLiteral("ROLLBACK")}));
    client.clearJournal();
    QVERIFY(client.journal().isEmpty());
}

// A print log of one barcode with two rows, written the way the program writes it:
// on any failure it rolls back (when it can) and reports what happened.
namespace {

QString runPrintLog(db::EmbeddedClient &client, const QString &barcode)
{
    try {
        client.beginTrans();
        try {
            db::DbResult rows = client.openStatic(requery(barcode));
            QList<QStringList> entries;
            for (; !rows.atEnd(); rows.moveNext()) {
                QStringList entry;
                for (const char *c : {"RefNum", "IdNum", "HospNum", "Barcode", "ItemID", "SpecimenID", "SectionID",
                                      "RequestNum", "ProfileID"})
                    entry.append(rows.text(QLatin1String(c)));
                entries.append(entry);
            }
            for (const QStringList &e : entries) {
                QStringList quotedArgs;
                for (const QString &v : e)
                    quotedArgs.append(quoted(v));
                client.execute(QStringLiteral("Laboratory..Lab_Barcode_SaveMaster ")
                               + quotedArgs.join(QLatin1Char(',')));
                client.openReadOnce(QStringLiteral("SELECT getdate() as serverdate"));
                client.execute(
                    QStringLiteral("Laboratory..Lab_Barcode_SaveDate '%1','%2','%3','12/9/2024 2:05:33 PM','0',''")
                        .arg(e.at(7), e.at(4), e.at(6)));
            }
            client.commitTrans();
            return QStringLiteral("committed");
        } catch (const db::DbError &) {
            client.rollbackTrans();
            return QStringLiteral("rolled back");
        }
    } catch (const db::DbError &e) {
        return QStringLiteral("failed: ") + e.description();
    }
}

} // namespace

void tst_labdb::clientFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QStringList>("journal"); // M master, C clock, D date, Q re-query
    QTest::addColumn<bool>("openAfter");

    // Two rows: the shared barcode of a two-exam bulk chargeslip.
    const QStringList full = {QStringLiteral("BEGIN"), QStringLiteral("Q"), QStringLiteral("M"),
                              QStringLiteral("C"),     QStringLiteral("D"), QStringLiteral("M"),
                              QStringLiteral("C"),     QStringLiteral("D"), QStringLiteral("COMMIT")};
    auto upTo = [&](int commands, const QString &last) { return full.mid(0, 1 + commands) << last; };

    QTest::newRow("no fault") << QString() << 0 << QStringLiteral("committed") << full << true;
    QTest::newRow("re-query fails") << QStringLiteral("command") << 1 << QStringLiteral("rolled back")
                                    << upTo(1, QStringLiteral("ROLLBACK")) << true;
    QTest::newRow("first master fails") << QStringLiteral("command") << 2 << QStringLiteral("rolled back")
                                        << upTo(2, QStringLiteral("ROLLBACK")) << true;
    QTest::newRow("second clock fails") << QStringLiteral("command") << 6 << QStringLiteral("rolled back")
                                        << upTo(6, QStringLiteral("ROLLBACK")) << true;
    QTest::newRow("second date fails") << QStringLiteral("command") << 7 << QStringLiteral("rolled back")
                                       << upTo(7, QStringLiteral("ROLLBACK")) << true;
    QTest::newRow("begin fails") << QStringLiteral("begin") << 0
                                 << QStringLiteral("failed: The transaction could not begin (injected fault).")
                                 << QStringList{QStringLiteral("BEGIN")} << true;
    QTest::newRow("commit fails, rollback follows") << QStringLiteral("commit") << 0 << QStringLiteral("rolled back")
                                                    << (QStringList(full) << QStringLiteral("ROLLBACK")) << true;
    QTest::newRow("date fails and so does the rollback")
        << QStringLiteral("command+rollback") << 4
        << QStringLiteral("failed: The transaction could not roll back (injected fault).")
        << upTo(4, QStringLiteral("ROLLBACK")) << true;
    QTest::newRow("connection drops after the first date")
        << QStringLiteral("drop") << 4 << QStringLiteral("failed: Communication link failure") << full.mid(0, 5)
        << false;
    QTest::newRow("connection drops at once")
        << QStringLiteral("drop") << 0 << QStringLiteral("failed: Communication link failure") << QStringList()
        << false;
}

void tst_labdb::clientFaults()
{
    QFETCH(QString, fault);
    QFETCH(int, n);
    QFETCH(QString, outcome);
    QFETCH(QStringList, journal);
    QFETCH(bool, openAfter);

    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_path, 2, true);
    const QString barcode = slip.barcodes.first();
    testsupport::FaultyEmbeddedClient client(m_path);
    client.open(QString());
    if (fault == QLatin1String("command"))
        client.failCommand(n);
    else if (fault == QLatin1String("command+rollback")) {
        client.failCommand(n);
        client.failRollback();
    } else if (fault == QLatin1String("begin"))
        client.failBegin();
    else if (fault == QLatin1String("commit"))
        client.failCommit();
    else if (fault == QLatin1String("drop"))
        client.dropConnectionAfter(n);

    QCOMPARE(runPrintLog(client, barcode), outcome);
    QCOMPARE(client.isOpen(), openAfter);

    QStringList abbreviated;
    for (const QString &entry : client.journal()) {
        if (entry.contains(QLatin1String("SaveMaster")))
            abbreviated.append(QStringLiteral("M"));
        else if (entry.contains(QLatin1String("getdate")))
            abbreviated.append(QStringLiteral("C"));
        else if (entry.contains(QLatin1String("SaveDate")))
            abbreviated.append(QStringLiteral("D"));
        else if (entry.contains(QLatin1String("GetRequests")))
            abbreviated.append(QStringLiteral("Q"));
        else
            abbreviated.append(entry);
    }
    QCOMPARE(abbreviated, journal);

    // All or nothing: only a committed log leaves rows.
    client.clearFaults();
    client.close();
    const labdb::PrintLog log = labdb::PrintLog::read(m_path);
    const int expected = outcome == QLatin1String("committed") ? 2 : 0;
    QCOMPARE(log.masterRows.size(), expected);
    QCOMPARE(log.dateRows.size(), expected);
}

void tst_labdb::clientDropRollsBackAndStaysDown()
{
    testsupport::FaultyEmbeddedClient client(m_path);
    client.open(QString());
    client.dropConnectionAfter(1);
    client.beginTrans();
    client.execute(QStringLiteral("Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'"));
    QVERIFY(!client.isOpen());
    QVERIFY(!client.inTransaction());
    for (int call = 0; call < 6; ++call) {
        try {
            switch (call) {
            case 0: client.execute(searchCommand(QStringLiteral("T1000001C"), 3)); break;
            case 1: client.openStatic(searchCommand(QStringLiteral("T1000001C"), 3)); break;
            case 2: client.openReadOnce(QStringLiteral("SELECT getdate() as serverdate")); break;
            case 3: client.beginTrans(); break;
            case 4: client.commitTrans(); break;
            default: client.rollbackTrans(); break;
            }
            QFAIL("call after the drop succeeded");
        } catch (const db::DbError &e) {
            QCOMPARE(e.description(), QStringLiteral("Communication link failure"));
        }
    }
    QCOMPARE(client.journal().size(), 2);
    // The server rolled the open transaction back and released its lock.
    QVERIFY(labdb::PrintLog::read(m_path).masterRows.isEmpty());
    Session other(m_path);
    other.begin();
    other.commit();
}

void tst_labdb::clientOpenFailures()
{
    testsupport::FaultyEmbeddedClient missing(m_dir.filePath(QStringLiteral("absent.sqlite")));
    try {
        missing.open(QString());
        QFAIL("opened");
    } catch (const db::DbError &e) {
        QCOMPARE(e.description(),
                 QStringLiteral("Cannot open database \"Laboratory\" requested by the login. The login failed."));
    }
    QVERIFY(!missing.isOpen());
    QVERIFY_THROWS_EXCEPTION(db::DbError, missing.openStatic(QStringLiteral("SELECT getdate() as serverdate")));
    QVERIFY(missing.journal().isEmpty());

    testsupport::FaultyEmbeddedClient refused(m_path);
    refused.failOpen();
    QVERIFY_THROWS_EXCEPTION(db::DbError, refused.open(QString()));
    QVERIFY(!refused.isOpen());
    refused.clearFaults();
    refused.open(QString());
    QVERIFY(refused.isOpen());
}

QTEST_GUILESS_MAIN(tst_labdb)
#include "tst_labdb.moc"
