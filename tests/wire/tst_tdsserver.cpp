// labdb-server's answers as SQL Server gives them, token by token, through a bare
// TDS client of the tests' own: a procedure's row counts, messages, return status
// and DONEPROC; errors with severity, state, procedure and line; the SET options
// it carries out or refuses; the protocol versions it serves; a deadlock victim;
// a lock wait that takes the client's cancel. Every test pins the SQL Server
// answers (labdb-server's default) unless it says otherwise.

#include "db/commands.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "labdb/server/browserresponder.h"
#include "wire/rawtdsclient.h"
#include "wire/serverprocess.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace labdb::sample;
using Token = RawTdsClient::Token;

namespace {

enum : quint8 {
    ColMetadata = 0x81,
    ReturnStatus = 0x79,
    ErrorToken = 0xAA,
    InfoToken = 0xAB,
    LoginAck = 0xAD,
    EnvChange = 0xE3,
    DoneToken = 0xFD,
    DoneProc = 0xFE,
    DoneInProc = 0xFF,
};
constexpr quint16 kMore = 0x0001, kError = 0x0002, kCount = 0x0010, kAttention = 0x0020;

const db::MasterRow kRow{u"R1"_qs, u"7"_qs, u"H9"_qs, u"B77"_qs, u"11"_qs, u"2"_qs, u"4"_qs, u"88"_qs, u"0"_qs};

// The tokens' types, in order.
QList<quint8> types(const QList<Token> &tokens)
{
    QList<quint8> list;
    for (const Token &t : tokens)
        list.append(t.type);
    return list;
}

// The first ERROR of a reply.
Token firstError(const QByteArray &reply, int countBytes = 8)
{
    for (const Token &t : RawTdsClient::tokensBeforeRows(reply, countBytes)) {
        if (t.type == ErrorToken)
            return t;
    }
    return {};
}

} // namespace

class tst_tdsserver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void procedureAnswer_data();
    void procedureAnswer();
    void queryAnswer();
    void errorsAsSqlServerRaisesThem_data();
    void errorsAsSqlServerRaisesThem();
    void setOptionsCarriedOut_data();
    void setOptionsCarriedOut();
    void setOptionsRefused();
    void protocolVersions_data();
    void protocolVersions();
    void deadlockVictimIsRolledBackByTheServer();
    void lockWaitTakesTheCancel();
    void lockWaitEndsAtLockTimeout();
    void browserAnswers_data();
    void browserAnswers();

private:
    bool start(const QStringList &options = {});
    bool logIn(RawTdsClient &client, quint32 version = 0x74000004);
    int masterRows() const { return int(labdb::PrintLog::read(m_dbPath).masterRows.size()); }

    QTemporaryDir m_dir;
    QString m_dbPath;
    std::unique_ptr<ServerProcess> m_server;
    int m_run = 0;
};

void tst_tdsserver::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_tdsserver::init()
{
    m_dbPath = m_dir.filePath(QStringLiteral("lab-%1.sqlite").arg(++m_run));
    labdb::createDemoDatabase(m_dbPath);
}

void tst_tdsserver::cleanup()
{
    m_server.reset();
    QFile::remove(m_dbPath);
}

bool tst_tdsserver::start(const QStringList &options)
{
    m_server = std::make_unique<ServerProcess>();
    if (!m_server->start(m_dbPath, options)) {
        qWarning("%s", qPrintable(m_server->error()));
        return false;
    }
    return true;
}

bool tst_tdsserver::logIn(RawTdsClient &client, quint32 version)
{
    return client.connectTo(m_server->port())
        && client.login(QString::fromUtf16(ServerProcess::kUser), QString::fromUtf16(ServerProcess::kPassword),
                        u"Laboratory"_qs, 4096, version);
}

void tst_tdsserver::procedureAnswer_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("command");
    QTest::addColumn<quint64>("rows"); // of the result set, or of the write
    QTest::addColumn<bool>("resultSet");
    QTest::addColumn<bool>("counted"); // without NOCOUNT

    const QString search = db::searchCommand(QString::fromLatin1(obrienTBarcode), 3);
    QTest::newRow("search") << QStringList() << search << quint64(2) << true << true;
    QTest::newRow("search, NOCOUNT") << QStringList{u"--nocount"_qs} << search << quint64(2) << true << false;
    QTest::newRow("master row") << QStringList() << db::saveMasterCommand(kRow) << quint64(1) << false << true;
    QTest::newRow("date row, NOCOUNT") << QStringList{u"--nocount"_qs}
                                       << db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"12/9/2024 2:05:33 PM"_qs)
                                       << quint64(1) << false << false;
}

void tst_tdsserver::procedureAnswer()
{
    QFETCH(QStringList, options);
    QFETCH(QString, command);
    QFETCH(quint64, rows);
    QFETCH(bool, resultSet);
    QFETCH(bool, counted);

    QVERIFY(start(options));
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    raw.sendBatch(command);
    const QByteArray reply = raw.readReply();
    const quint16 countBit = counted ? kCount : 0;

    // The end: the statement's DONEINPROC with its count, RETURNSTATUS 0, the final DONEPROC.
    const Token last = RawTdsClient::doneAt(reply, reply.size());
    QCOMPARE(last.type, DoneProc);
    QCOMPARE(last.status, quint16(0));
    QCOMPARE(quint8(reply.at(reply.size() - 18)), ReturnStatus);
    QCOMPARE(qFromLittleEndian<qint32>(reply.constData() + reply.size() - 17), 0);
    const Token statement = RawTdsClient::doneAt(reply, reply.size() - 18);
    QCOMPARE(statement.type, DoneInProc);
    QCOMPARE(statement.status, quint16(kMore | countBit));
    QCOMPARE(statement.count, counted ? rows : 0);

    const QList<Token> head = RawTdsClient::tokensBeforeRows(reply);
    if (resultSet) {
        // Before the rows: the count of the statement that gathered them, the PRINT message.
        QCOMPARE(types(head), (QList<quint8>{DoneInProc, InfoToken, ColMetadata}));
        QCOMPARE(head.at(0).status, quint16(kMore | countBit));
        QCOMPARE(head.at(0).count, counted ? rows : 0);
        QCOMPARE(head.at(1).severity, quint8(0));
        QCOMPARE(head.at(1).procedure, u"Lab_Barcode_GetRequests"_qs);
    } else {
        QCOMPARE(types(head), (QList<quint8>{DoneInProc, ReturnStatus, DoneProc}));
    }
}

void tst_tdsserver::queryAnswer()
{
    // A query is no procedure: its rows, then one DONE with the count.
    QVERIFY(start());
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    raw.sendBatch(db::serverDateCommand());
    const QByteArray reply = raw.readReply();
    QCOMPARE(types(RawTdsClient::tokensBeforeRows(reply)), QList<quint8>{ColMetadata});
    const Token done = RawTdsClient::doneAt(reply, reply.size());
    QCOMPARE(done.type, DoneToken);
    QCOMPARE(done.status, kCount);
    QCOMPARE(done.count, quint64(1));
}

void tst_tdsserver::errorsAsSqlServerRaisesThem_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("severity");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<bool>("lineGiven"); // a line of the procedure's body (> 0), else the batch's line

    QTest::newRow("unknown procedure") << u"Laboratory..Lab_Barcode_Delete 'x'"_qs << 2812 << 16 << 62 << QString()
                                       << false;
    QTest::newRow("syntax") << u"Laboratory..Lab_Barcode_GetRequests 'O'BRIEN',2"_qs << 102 << 15 << 1 << QString()
                            << false;
    QTest::newRow("parameter missing") << u"Laboratory..Lab_Barcode_SaveMaster 'R1'"_qs << 201 << 16 << 4
                                       << u"Lab_Barcode_SaveMaster"_qs << false;
    QTest::newRow("raised in the procedure") << u"Laboratory..Lab_Barcode_GetRequests 'T1000001C',7"_qs << 50000 << 16
                                             << 1 << u"Lab_Barcode_GetRequests"_qs << true;
    QTest::newRow("date out of range (en_GB, the 13th)")
        << db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"13/12/2024 14:05:33"_qs) << 242 << 16 << 3
        << u"Lab_Barcode_SaveDate"_qs << true;
    QTest::newRow("date not read (es_ES with brackets)")
        << db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"9/12/2024 14:05:33 ( )"_qs) << 241 << 16 << 1
        << u"Lab_Barcode_SaveDate"_qs << true;
    QTest::newRow("rollback without a transaction")
        << u"ROLLBACK TRANSACTION"_qs << 3903 << 16 << 1 << QString() << false;
}

void tst_tdsserver::errorsAsSqlServerRaisesThem()
{
    QFETCH(QString, command);
    QFETCH(int, number);
    QFETCH(int, severity);
    QFETCH(int, state);
    QFETCH(QString, procedure);
    QFETCH(bool, lineGiven);

    QVERIFY(start());
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    raw.sendBatch(command);
    const QByteArray reply = raw.readReply();
    const Token error = firstError(reply);
    QCOMPARE(error.number, number);
    QCOMPARE(int(error.severity), severity);
    QCOMPARE(int(error.state), state);
    QCOMPARE(error.procedure, procedure);
    QCOMPARE(error.line > 1, lineGiven);
    QVERIFY(RawTdsClient::doneAt(reply, reply.size()).status & kError);
    // Nothing was written, and the connection goes on.
    QCOMPARE(masterRows(), 0);
    raw.sendBatch(db::serverDateCommand());
    QCOMPARE(RawTdsClient::finalDoneCount(raw.readReply()), quint64(1));
}

void tst_tdsserver::setOptionsCarriedOut_data()
{
    // Sent in order, each answered without an error, but for those marked "!" first,
    // which must fail.
    QTest::addColumn<QStringList>("batches");
    QTest::addColumn<int>("rows"); // master rows in the database afterwards

    const QString master = db::saveMasterCommand(kRow);
    // FreeTDS before TDS 7.2 turns autocommit off so, and ends the transaction so.
    QTest::newRow("implicit transaction rolled back")
        << QStringList{u"SET IMPLICIT_TRANSACTIONS ON"_qs, master, u"IF @@TRANCOUNT > 0 ROLLBACK"_qs} << 0;
    QTest::newRow("implicit transaction committed")
        << QStringList{u"SET IMPLICIT_TRANSACTIONS ON"_qs, master, u"IF @@TRANCOUNT > 0 COMMIT"_qs} << 1;
    QTest::newRow("implicit transactions off again")
        << QStringList{u"SET IMPLICIT_TRANSACTIONS ON"_qs, u"SET IMPLICIT_TRANSACTIONS OFF"_qs, master,
                       u"IF @@TRANCOUNT > 0 ROLLBACK"_qs}
        << 1;
    QTest::newRow("BEGIN, COMMIT BEGIN, ROLLBACK")
        << QStringList{u"BEGIN TRANSACTION"_qs, master, u"IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION"_qs, master,
                       u"IF @@TRANCOUNT > 0 ROLLBACK"_qs}
        << 1;
    // An error inside the transaction ends it, rolled back by the server.
    QTest::newRow("XACT_ABORT") << QStringList{
        u"SET XACT_ABORT ON"_qs, u"BEGIN TRANSACTION"_qs, master,
        u"!"_qs + db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"13/12/2024 14:05:33"_qs),
        u"!ROLLBACK"_qs} << 0;
    QTest::newRow("without XACT_ABORT the transaction stays")
        << QStringList{u"BEGIN TRANSACTION"_qs, master,
                       u"!"_qs + db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"13/12/2024 14:05:33"_qs),
                       u"COMMIT"_qs}
        << 1;
    // tedious's options after its login.
    QTest::newRow("tedious's session options") << QStringList{
        u"set textsize 2147483647\nset quoted_identifier on\nset arithabort off\nset numeric_roundabort "
        u"off\nset ansi_warnings on\nset ansi_padding on\nset ansi_nulls on\nset concat_null_yields_null "
        u"on\nset cursor_close_on_commit off\nset implicit_transactions off\nset language us_english\nset "
        u"dateformat mdy\nset datefirst 7\nset transaction isolation level read committed"_qs,
        master} << 1;
}

void tst_tdsserver::setOptionsCarriedOut()
{
    QFETCH(QStringList, batches);
    QFETCH(int, rows);
    QVERIFY(start());
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    for (QString batch : batches) {
        const bool fails = batch.startsWith(u'!');
        if (fails)
            batch.remove(0, 1);
        raw.sendBatch(batch);
        const QByteArray reply = raw.readReply();
        QVERIFY2(bool(RawTdsClient::doneAt(reply, reply.size()).status & kError) == fails,
                 qPrintable(batch + u": "_qs + firstError(reply).message));
    }
    QCOMPARE(masterRows(), rows);
}

void tst_tdsserver::setOptionsRefused()
{
    QVERIFY(start());
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    // An option the server does not carry out is refused, the command after it not run.
    raw.sendBatch(u"SET ANSI_NULLS OFF; "_qs + db::saveMasterCommand(kRow));
    Token error = firstError(raw.readReply());
    QCOMPARE(error.number, 50000);
    QVERIFY2(error.message.contains(u"SET ANSI_NULLS OFF"_qs), qPrintable(error.message));
    QCOMPARE(masterRows(), 0);

    // The date order follows SET DATEFORMAT and SET LANGUAGE.
    raw.sendBatch(u"SET LANGUAGE british"_qs);
    const QList<Token> language = RawTdsClient::tokensBeforeRows(raw.readReply());
    QCOMPARE(types(language), (QList<quint8>{EnvChange, InfoToken, DoneToken}));
    QCOMPARE(language.at(1).number, 5703);
    raw.sendBatch(db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"09/12/2024 14:05:33"_qs));
    const QByteArray saved = raw.readReply();
    QVERIFY(!(RawTdsClient::doneAt(saved, saved.size()).status & kError));
    QCOMPARE(labdb::PrintLog::read(m_dbPath).dateRows.value(0).value(3), u"2024-12-09T14:05:33.000"_qs);
}

void tst_tdsserver::protocolVersions_data()
{
    QTest::addColumn<quint32>("asked");
    QTest::addColumn<quint32>("answered"); // 0: refused

    QTest::newRow("7.4") << quint32(0x74000004) << quint32(0x74000004);
    QTest::newRow("7.3B") << quint32(0x730B0003) << quint32(0x730B0003);
    QTest::newRow("7.2") << quint32(0x72090002) << quint32(0x72090002);
    QTest::newRow("7.1") << quint32(0x71000001) << quint32(0x71000001);
    QTest::newRow("7.0, refused") << quint32(0x70000000) << quint32(0);
}

void tst_tdsserver::protocolVersions()
{
    QFETCH(quint32, asked);
    QFETCH(quint32, answered);
    QVERIFY(start());
    RawTdsClient raw;
    const int countBytes = asked >= 0x72000000 ? 8 : 4;
    QCOMPARE(logIn(raw, asked), answered != 0);
    const QList<Token> login = RawTdsClient::tokensBeforeRows(raw.loginReply(), countBytes);
    if (!answered) {
        const Token error = firstError(raw.loginReply(), countBytes);
        QVERIFY2(error.message.contains(u"TDS 7.1 to 7.4"_qs), qPrintable(error.message));
        QCOMPARE(raw.readReply(2000), QByteArray()); // and the connection is closed
        return;
    }
    quint32 version = 0;
    for (const Token &t : login)
        version = t.type == LoginAck ? t.version : version;
    QCOMPARE(version, answered);

    // The answers in that version's form: the row count of DONE in 4 bytes before 7.2.
    raw.sendBatch(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3));
    const QByteArray reply = raw.readReply();
    const Token last = RawTdsClient::doneAt(reply, reply.size(), countBytes);
    QCOMPARE(last.type, DoneProc);
    const Token rows = RawTdsClient::doneAt(reply, reply.size() - (5 + countBytes) - 5, countBytes);
    QCOMPARE(rows.type, DoneInProc);
    QCOMPARE(rows.count, quint64(2));
}

void tst_tdsserver::deadlockVictimIsRolledBackByTheServer()
{
    // Batches: 1 the master row, 2 the date row, chosen as the deadlock victim.
    QVERIFY(start({u"--deadlock-batch"_qs, u"2"_qs}));
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    raw.sendTransaction(5);
    raw.readReply();
    raw.sendBatch(db::saveMasterCommand(kRow));
    raw.readReply();
    raw.sendBatch(db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"12/9/2024 2:05:33 PM"_qs));
    const QList<Token> reply = RawTdsClient::tokensBeforeRows(raw.readReply());
    QCOMPARE(types(reply), (QList<quint8>{ErrorToken, EnvChange, DoneToken}));
    QCOMPARE(reply.at(0).number, 1205);
    QCOMPARE(int(reply.at(0).severity), 13);
    QCOMPARE(int(reply.at(1).envType), 10); // the server's rollback, told to the client
    QCOMPARE(masterRows(), 0);
    // The client's own rollback finds no transaction.
    raw.sendTransaction(8);
    QCOMPARE(firstError(raw.readReply()).number, 3903);
}

void tst_tdsserver::lockWaitTakesTheCancel()
{
    QVERIFY(start({u"--lock-wait-batch"_qs, u"1"_qs}));
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    raw.sendBatch(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3));
    // It waits for the lock...
    QCOMPARE(raw.readReply(500), QByteArray());
    // ... until the client cancels it: acknowledged with a DONE carrying the attention bit alone.
    raw.sendAttention();
    const QByteArray ack = raw.readReply(3000);
    QCOMPARE(ack.size(), 13);
    QCOMPARE(RawTdsClient::finalDoneStatus(ack), kAttention);
    // And the connection goes on.
    raw.sendBatch(db::serverDateCommand());
    QCOMPARE(RawTdsClient::finalDoneCount(raw.readReply()), quint64(1));
    QVERIFY(m_server->loggedRequests().contains(u"ATTENTION during batch 1"_qs));
}

void tst_tdsserver::lockWaitEndsAtLockTimeout()
{
    QVERIFY(start({u"--lock-wait-batch"_qs, u"1"_qs}));
    RawTdsClient raw;
    QVERIFY(logIn(raw));
    raw.sendBatch(u"SET LOCK_TIMEOUT 300"_qs);
    raw.readReply();
    QElapsedTimer clock;
    clock.start();
    raw.sendBatch(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3));
    const Token error = firstError(raw.readReply());
    QCOMPARE(error.number, 1222);
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
}

void tst_tdsserver::browserAnswers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");

    QTest::newRow("this instance (CLNT_UCAST_INST)") << QByteArray("\x04LABTEST\0", 9) << true;
    QTest::newRow("its name in other case") << QByteArray("\x04labtest\0", 9) << true;
    QTest::newRow("without the terminating zero") << QByteArray("\x04LABTEST") << true;
    QTest::newRow("another instance") << QByteArray("\x04PHARMACY\0", 10) << false;
    QTest::newRow("every instance (CLNT_UCAST_EX)") << QByteArray("\x03") << true;
    QTest::newRow("every instance (CLNT_BCAST_EX)") << QByteArray("\x02") << true;
    QTest::newRow("another request") << QByteArray("\x0f\x01") << false;
    QTest::newRow("nothing") << QByteArray() << false;
}

void tst_tdsserver::browserAnswers()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    const labdb::tds::BrowserResponder browser(u"LABDB"_qs, u"LABTEST"_qs, 50123);
    const QByteArray answer = browser.answer(request);
    if (!answered) {
        QCOMPARE(answer, QByteArray());
        return;
    }
    // SVR_RESP: 0x05, the length of the text (little-endian), the text.
    const QByteArray text = "ServerName;LABDB;InstanceName;LABTEST;IsClustered;No;Version;16.0.1000.6;tcp;50123;;";
    QCOMPARE(answer.left(3), QByteArray("\x05", 1) + char(text.size()) + char(0));
    QCOMPARE(answer.mid(3), text);
}

QTEST_MAIN(tst_tdsserver)
#include "tst_tdsserver.moc"
