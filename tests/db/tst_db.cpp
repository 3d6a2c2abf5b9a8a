#include "common/loopback.h"
#include "db/commands.h"
#include "db/connectionstring.h"
#include "db/dberror.h"
#include "db/dbresult.h"
#include "db/generaldate.h"
#include "db/sqlserverclient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QTcpServer>
#include <QUdpSocket>

#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace db;

class tst_db : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandTexts_data();
    void commandTexts();

    void generalDateForm_data();
    void generalDateForm();
    void generalDateFormInEveryLocale();

    void resultValuesAsText();

    void connectionStrings_data();
    void connectionStrings();
    void connectionStringRejectsForeignText();
    void encryptionSettings_data();
    void encryptionSettings();
    void odbcDriverNameFromEnvironment();

    void serverMessageWithoutDriverTags_data();
    void serverMessageWithoutDriverTags();
    void openFailsOnClosedPort();
    void openGivesUpOnSilentServer();
    void instanceNameGoesToTheBrowserService();
    void commandsOnClosedConnectionFail();
    void commandsOverTheWire();
};

void tst_db::commandTexts_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");

    const MasterRow example{u"R1"_qs, u"7"_qs, u"H9"_qs, u"B77"_qs, u"11"_qs, u"2"_qs, u"4"_qs, u"88"_qs, u"0"_qs};

    QTest::newRow("search mode 3: bare digit after the comma")
        << searchCommand(u"T55C"_qs, 3) << u"Laboratory..Lab_Barcode_GetRequests 'T55C',3"_qs;
    QTest::newRow("search mode 2") << searchCommand(u"123456"_qs, 2)
                                   << u"Laboratory..Lab_Barcode_GetRequests '123456',2"_qs;
    QTest::newRow("search number untrimmed, case kept")
        << searchCommand(u" t55c "_qs, 3) << u"Laboratory..Lab_Barcode_GetRequests ' t55c ',3"_qs;
    QTest::newRow("search empty number") << searchCommand(QString(), 3)
                                         << u"Laboratory..Lab_Barcode_GetRequests '',3"_qs;
    QTest::newRow("search apostrophe doubled")
        << searchCommand(u"T55'C"_qs, 3) << u"Laboratory..Lab_Barcode_GetRequests 'T55''C',3"_qs;
    QTest::newRow("search injection stays inside the argument")
        << searchCommand(u"1',2 DROP TABLE x--"_qs, 2)
        << u"Laboratory..Lab_Barcode_GetRequests '1'',2 DROP TABLE x--',2"_qs;
    QTest::newRow("search non-ASCII") << searchCommand(u"ÑOÑO-ß€"_qs, 3)
                                      << u"Laboratory..Lab_Barcode_GetRequests 'ÑOÑO-ß€',3"_qs;

    QTest::newRow("re-query: one argument, ends in the apostrophe")
        << requeryCommand(u"B77"_qs) << u"Laboratory..Lab_Barcode_GetRequests 'B77'"_qs;
    QTest::newRow("re-query apostrophes doubled")
        << requeryCommand(u"'B'77''"_qs) << u"Laboratory..Lab_Barcode_GetRequests '''B''77'''''"_qs;

    QTest::newRow("master row: SectionID seventh")
        << saveMasterCommand(example)
        << u"Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'"_qs;
    QTest::newRow("master row all empty")
        << saveMasterCommand(MasterRow{}) << u"Laboratory..Lab_Barcode_SaveMaster '','','','','','','','',''"_qs;
    MasterRow quoted = example;
    quoted.refNum = u"O'R1"_qs;
    quoted.profileId = u"'"_qs;
    QTest::newRow("master row apostrophes doubled")
        << saveMasterCommand(quoted)
        << u"Laboratory..Lab_Barcode_SaveMaster 'O''R1','7','H9','B77','11','2','4','88',''''"_qs;
    MasterRow foreign = example;
    foreign.hospNum = u"Müller Ærø 李"_qs;
    QTest::newRow("master row non-ASCII")
        << saveMasterCommand(foreign)
        << u"Laboratory..Lab_Barcode_SaveMaster 'R1','7','Müller Ærø 李','B77','11','2','4','88','0'"_qs;

    QTest::newRow("date row ends in '0',''")
        << saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"12/9/2024 2:05:33 PM"_qs)
        << u"Laboratory..Lab_Barcode_SaveDate '88','11','4','12/9/2024 2:05:33 PM','0',''"_qs;
    QTest::newRow("date row midnight, date alone")
        << saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"12/9/2024"_qs)
        << u"Laboratory..Lab_Barcode_SaveDate '88','11','4','12/9/2024','0',''"_qs;
    QTest::newRow("date row apostrophes doubled")
        << saveDateCommand(u"8'8"_qs, u"11"_qs, u"'"_qs, u"9 déc. 2024"_qs)
        << u"Laboratory..Lab_Barcode_SaveDate '8''8','11','''','9 déc. 2024','0',''"_qs;

    QTest::newRow("server clock") << serverDateCommand() << u"SELECT getdate() as serverdate"_qs;
}

void tst_db::commandTexts()
{
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QCOMPARE(command, expected);
}

void tst_db::generalDateForm_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("expected");

    const QDate day(2024, 12, 9);
    QTest::newRow("en_US afternoon") << u"en_US"_qs << QDateTime(day, QTime(14, 5, 33)) << u"12/9/2024 2:05:33 PM"_qs;
    QTest::newRow("en_US morning") << u"en_US"_qs << QDateTime(day, QTime(9, 0, 7)) << u"12/9/2024 9:00:07 AM"_qs;
    QTest::newRow("en_US noon") << u"en_US"_qs << QDateTime(day, QTime(12, 0, 0)) << u"12/9/2024 12:00:00 PM"_qs;
    QTest::newRow("en_US midnight: date alone") << u"en_US"_qs << QDateTime(day, QTime(0, 0, 0)) << u"12/9/2024"_qs;
    QTest::newRow("en_US one second past midnight")
        << u"en_US"_qs << QDateTime(day, QTime(0, 0, 1)) << u"12/9/2024 12:00:01 AM"_qs;
    QTest::newRow("en_US fraction dropped")
        << u"en_US"_qs << QDateTime(day, QTime(14, 5, 33, 997)) << u"12/9/2024 2:05:33 PM"_qs;
    QTest::newRow("en_US UTC value, no zone")
        << u"en_US"_qs << QDateTime(day, QTime(14, 5, 33), Qt::UTC) << u"12/9/2024 2:05:33 PM"_qs;
    QTest::newRow("en_US year widened") << u"en_US"_qs << QDateTime(QDate(2005, 1, 2), QTime(23, 59, 59))
                                        << u"1/2/2005 11:59:59 PM"_qs;
    QTest::newRow("de_DE") << u"de_DE"_qs << QDateTime(day, QTime(14, 5, 33)) << u"09.12.2024 14:05:33"_qs;
    QTest::newRow("de_DE midnight") << u"de_DE"_qs << QDateTime(day, QTime(0, 0)) << u"09.12.2024"_qs;
    QTest::newRow("en_GB") << u"en_GB"_qs << QDateTime(day, QTime(9, 5, 3)) << u"09/12/2024 09:05:03"_qs;
    // Where the long time frames its zone, the frame goes with it.
    QTest::newRow("es_ES: (zone)") << u"es_ES"_qs << QDateTime(day, QTime(14, 5, 33)) << u"9/12/2024 14:05:33"_qs;
    QTest::newRow("ca_ES: (zone)") << u"ca_ES"_qs << QDateTime(day, QTime(14, 5, 33)) << u"9/12/2024 14:05:33"_qs;
    QTest::newRow("yue_HK: [zone]") << u"yue_HK"_qs << QDateTime(day, QTime(14, 5, 33)) << u"2024/12/9 下午2:05:33"_qs;
    QTest::newRow("be_BY: , zone") << u"be_BY"_qs << QDateTime(day, QTime(14, 5, 33)) << u"9.12.2024 14:05:33"_qs;
    QTest::newRow("zh_HK: zone first") << u"zh_HK"_qs << QDateTime(day, QTime(14, 5, 33))
                                       << u"9/12/2024 下午2:05:33"_qs;
}

void tst_db::generalDateFormInEveryLocale()
{
    // No locale leaves a trace of the removed zone: an empty frame, a separator
    // at the end, a doubled blank.
    static const QRegularExpression trace(u"\\(\\s*\\)|\\[\\s*\\]|[,(\\[]\\s*$|\\s{2}"_qs);
    const QDateTime value(QDate(2024, 12, 9), QTime(14, 5, 33));
    for (const QLocale &locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const QString text = generalDate(value, locale);
        QVERIFY2(!trace.match(text).hasMatch(), qPrintable(locale.name() + u": "_qs + text));
    }
}

void tst_db::generalDateForm()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, value);
    QFETCH(QString, expected);
    QCOMPARE(generalDate(value, QLocale(locale)), expected);
}

void tst_db::resultValuesAsText()
{
    QLocale::setDefault(QLocale(u"en_US"_qs));
    const QDateTime stamp(QDate(2024, 12, 9), QTime(14, 5, 33));
    DbResult result(
        {u"Barcode"_qs, u"Age"_qs, u"RoomID"_qs, u"serverdate"_qs},
        {{u"B77"_qs, 42, QVariant(QMetaType::fromType<QString>()), stamp},
         {u"B78"_qs, QVariant(QMetaType::fromType<int>()), u""_qs, QVariant(QMetaType::fromType<QDateTime>())}},
        2);
    QCOMPARE(result.rowCount(), 2);
    QCOMPARE(result.text(u"barcode"_qs), u"B77"_qs);
    QCOMPARE(result.text(u"Age"_qs), u"42"_qs);
    QCOMPARE(result.text(u"RoomID"_qs), QString());
    QCOMPARE(result.text(u"serverdate"_qs), u"12/9/2024 2:05:33 PM"_qs);
    QCOMPARE(result.dateTime(u"serverdate"_qs), stamp);
    QVERIFY_THROWS_EXCEPTION(DbError, result.text(u"Instrument"_qs));

    result.moveNext();
    QCOMPARE(result.text(u"Age"_qs), QString());
    QVERIFY_THROWS_EXCEPTION(DbError, result.dateTime(u"serverdate"_qs));
    result.moveNext();
    QVERIFY(result.atEnd());
    QVERIFY_THROWS_EXCEPTION(DbError, result.text(u"Barcode"_qs));

    // A DATE reads as the date alone, a TIME as the time alone; a CHAR keeps its padding.
    const DbResult typed({u"Transdate"_qs, u"Taken"_qs, u"Sex"_qs},
                         {{QDate(2024, 12, 9), QTime(14, 5, 33), u"F   "_qs}}, 1);
    QCOMPARE(typed.text(u"Transdate"_qs), u"12/9/2024"_qs);
    QCOMPARE(typed.dateTime(u"Transdate"_qs), QDateTime(QDate(2024, 12, 9), QTime(0, 0)));
    QCOMPARE(typed.text(u"Taken"_qs), u"2:05:33 PM"_qs);
    QCOMPARE(typed.text(u"Sex"_qs), u"F   "_qs);
    QLocale::setDefault(QLocale::c());
}

void tst_db::connectionStrings_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("program");
    // The translation for FreeTDS; empty where FreeTDS cannot take a value safely.
    QTest::addColumn<QString>("freeTds");
    // The translation for Windows' own driver, which undoes a doubled '}'.
    QTest::addColumn<QString>("windows");

    QTest::newRow("all settings absent")
        << QString() << QString() << QString() << QString() << u"Provider=SQLOLEDB;Server=;UID=;Database=;Password="_qs
        << u"Driver={FreeTDS};Server={};Database={};UID={};PWD={};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={};Database={};UID={};PWD={}"_qs;
    QTest::newRow("only the password absent")
        << u"LABSRV"_qs << u"Laboratory"_qs << u"lab"_qs << QString()
        << u"Provider=SQLOLEDB;Server=LABSRV;UID=lab;Database=Laboratory;Password="_qs
        << u"Driver={FreeTDS};Server={LABSRV};Database={Laboratory};UID={lab};PWD={};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={LABSRV};Database={Laboratory};UID={lab};PWD={}"_qs;
    QTest::newRow("host,port")
        << u"10.0.0.5,1433"_qs << u"Laboratory"_qs << u"lab"_qs << u"s3cret"_qs
        << u"Provider=SQLOLEDB;Server=10.0.0.5,1433;UID=lab;Database=Laboratory;Password=s3cret"_qs
        << u"Driver={FreeTDS};Server={10.0.0.5,1433};Database={Laboratory};UID={lab};PWD={s3cret};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={10.0.0.5,1433};Database={Laboratory};UID={lab};PWD={s3cret}"_qs;
    QTest::newRow("host\\instance")
        << u"LABSRV\\SQLEXPRESS"_qs << u"Laboratory"_qs << u"lab"_qs << u"pw"_qs
        << u"Provider=SQLOLEDB;Server=LABSRV\\SQLEXPRESS;UID=lab;Database=Laboratory;Password=pw"_qs
        << u"Driver={FreeTDS};Server={LABSRV\\SQLEXPRESS};Database={Laboratory};UID={lab};PWD={pw};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={LABSRV\\SQLEXPRESS};Database={Laboratory};UID={lab};PWD={pw}"_qs;
    QTest::newRow("password with ; = { and a lone }")
        << u"LABSRV"_qs << u"Laboratory"_qs << u"lab"_qs << u"a;b=c{d}e}"_qs
        << u"Provider=SQLOLEDB;Server=LABSRV;UID=lab;Database=Laboratory;Password=a;b=c{d}e}"_qs
        << u"Driver={FreeTDS};Server={LABSRV};Database={Laboratory};UID={lab};PWD={a;b=c{d}e}};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={LABSRV};Database={Laboratory};UID={lab};PWD={a;b=c{d}}e}}}"_qs;
    QTest::newRow("password with }; cannot add attributes")
        << u"LABSRV"_qs << u"Laboratory"_qs << u"lab"_qs << u"a;b=c{d}};Server={evil}"_qs
        << u"Provider=SQLOLEDB;Server=LABSRV;UID=lab;Database=Laboratory;Password=a;b=c{d}};Server={evil}"_qs
        << QString()
        << u"Driver={SQL Server};Server={LABSRV};Database={Laboratory};UID={lab};PWD={a;b=c{d}}}};Server={evil}}}"_qs;
    QTest::newRow("markers and blanks inside values")
        << u" srv "_qs << u"Lab;Password=x"_qs << u"us;UID=er"_qs << u";Database=;Password="_qs
        << u"Provider=SQLOLEDB;Server= srv ;UID=us;UID=er;Database=Lab;Password=x;Password=;Database=;Password="_qs
        << u"Driver={FreeTDS};Server={ srv };Database={Lab;Password=x};UID={us;UID=er};PWD={;Database=;Password=};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={ srv };Database={Lab;Password=x};UID={us;UID=er};PWD={;Database=;Password=}"_qs;
    QTest::newRow("non-ASCII")
        << u"ЛАБ"_qs << u"Laboratório"_qs << u"müller"_qs << u"pässwörd€"_qs
        << u"Provider=SQLOLEDB;Server=ЛАБ;UID=müller;Database=Laboratório;Password=pässwörd€"_qs
        << u"Driver={FreeTDS};Server={ЛАБ};Database={Laboratório};UID={müller};PWD={pässwörd€};TDS_Version=7.4;ClientCharset=UTF-8"_qs
        << u"Driver={SQL Server};Server={ЛАБ};Database={Laboratório};UID={müller};PWD={pässwörd€}"_qs;
}

void tst_db::connectionStrings()
{
    QFETCH(QString, server);
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, program);
    QFETCH(QString, freeTds);
    QFETCH(QString, windows);

    const ConnectionSettings settings{server, database, user, password};
    QCOMPARE(connectionString(settings), program);
    QCOMPARE(odbcConnectionString(settings, u"SQL Server"_qs), windows);
    if (freeTds.isEmpty())
        QVERIFY_THROWS_EXCEPTION(DbError, odbcConnectionString(settings, u"FreeTDS"_qs));
    else
        QCOMPARE(odbcConnectionString(settings, u"FreeTDS"_qs), freeTds);

    // A client handed the program's string reads it back into the settings, except
    // where a value holds the next item's marker (then the settings go in directly).
    if (!QByteArray(QTest::currentDataTag()).startsWith("markers"))
        QCOMPARE(parseConnectionString(program), settings);

    // A driver name with a brace is quoted too.
    QVERIFY(odbcConnectionString(settings, u"My}Driver"_qs).startsWith(u"Driver={My}}Driver};"_qs));
}

void tst_db::connectionStringRejectsForeignText()
{
    QVERIFY_THROWS_EXCEPTION(DbError, parseConnectionString(u"Driver={FreeTDS};Server=x"_qs));
    QVERIFY_THROWS_EXCEPTION(DbError, parseConnectionString(u"Provider=SQLOLEDB;Server=x;UID=u;Password=p"_qs));
    QVERIFY_THROWS_EXCEPTION(DbError, parseConnectionString(QString()));
}

void tst_db::encryptionSettings_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("encrypt"); // -1 unset, 0 no, 1 yes
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QString>("freeTdsTail");   // what FreeTDS's string ends with after ClientCharset=UTF-8
    QTest::addColumn<QString>("windowsTail");   // what Windows' driver's string ends with after PWD={...}
    QTest::addColumn<QString>("configuration"); // FreeTDS's configuration section; empty: none

    QTest::newRow("unset: the driver's default")
        << u"LABSRV"_qs << -1 << QString() << QString() << QString() << QString();
    QTest::newRow("Encrypt=yes") << u"LABSRV"_qs << 1 << QString() << u";Encryption=require"_qs
                                 << u";Encrypt=yes;TrustServerCertificate=yes"_qs << QString();
    QTest::newRow("Encrypt=no") << u"LABSRV"_qs << 0 << QString() << u";Encryption=off"_qs << u";Encrypt=no"_qs
                                << QString();
    QTest::newRow("CAFile, host,port")
        << u"10.0.0.5,1433"_qs << -1 << u"/etc/ssl/ca.pem"_qs << u";Encryption=require"_qs
        << u";Encrypt=yes;TrustServerCertificate=no"_qs
        << u"[norvane]\n\thost = 10.0.0.5\n\tport = 1433\n\tencryption = require\n\tca file = /etc/ssl/ca.pem\n"
           "\tcheck certificate hostname = yes\n"_qs;
    QTest::newRow("CAFile, host\\instance")
        << u"LABSRV\\SQLEXPRESS"_qs << 1 << u"system"_qs << u";Encryption=require"_qs
        << u";Encrypt=yes;TrustServerCertificate=no"_qs
        << u"[norvane]\n\thost = LABSRV\n\tinstance = SQLEXPRESS\n\tencryption = require\n\tca file = system\n"
           "\tcheck certificate hostname = yes\n"_qs;
}

void tst_db::encryptionSettings()
{
    QFETCH(QString, server);
    QFETCH(int, encrypt);
    QFETCH(QString, caFile);
    QFETCH(QString, freeTdsTail);
    QFETCH(QString, windowsTail);
    QFETCH(QString, configuration);
    ConnectionSettings settings{server, u"Laboratory"_qs, u"lab"_qs, u"pw"_qs};
    if (encrypt >= 0)
        settings.encrypt = encrypt == 1;
    settings.caFile = caFile;

    const QString freeTds = odbcConnectionString(settings, u"FreeTDS"_qs);
    QVERIFY2(freeTds.endsWith(u";ClientCharset=UTF-8"_qs + freeTdsTail), qPrintable(freeTds));
    // With a CA file FreeTDS is given the server through its own configuration.
    QCOMPARE(freeTds.contains(u"Servername={norvane}"_qs), !caFile.isEmpty());
    QCOMPARE(freeTds.contains(u"Server={"_qs), caFile.isEmpty());
    const QString windows = odbcConnectionString(settings, u"SQL Server"_qs);
    QVERIFY2(windows.endsWith(u"PWD={pw}"_qs + windowsTail), qPrintable(windows));
    if (!configuration.isEmpty())
        QCOMPARE(freeTdsConfiguration(settings), configuration);
}

void tst_db::odbcDriverNameFromEnvironment()
{
    const QByteArray saved = qgetenv("NORVANE_ODBC_DRIVER");
    qunsetenv("NORVANE_ODBC_DRIVER");
    QCOMPARE(odbcDriverName(), u"FreeTDS"_qs);
    QCOMPARE(SqlServerClient().driver(), u"FreeTDS"_qs);
    qputenv("NORVANE_ODBC_DRIVER", "ODBC Driver 18 for SQL Server");
    QCOMPARE(odbcDriverName(), u"ODBC Driver 18 for SQL Server"_qs);
    QCOMPARE(SqlServerClient().driver(), u"ODBC Driver 18 for SQL Server"_qs);
    if (saved.isNull())
        qunsetenv("NORVANE_ODBC_DRIVER");
    else
        qputenv("NORVANE_ODBC_DRIVER", saved);
}

void tst_db::serverMessageWithoutDriverTags_data()
{
    QTest::addColumn<QString>("databaseText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("FreeTDS") << u"[FreeTDS][SQL Server]Could not find stored procedure 'Lab_X'."_qs
                             << u"Could not find stored procedure 'Lab_X'."_qs;
    QTest::newRow("two messages")
        << u"[FreeTDS][SQL Server]Timeout expired [FreeTDS][SQL Server]Unable to connect to data source"_qs
        << u"Timeout expired Unable to connect to data source"_qs;
    QTest::newRow("Windows driver") << u"[Microsoft][ODBC SQL Server Driver][SQL Server]Invalid object name 'x'."_qs
                                    << u"Invalid object name 'x'."_qs;
    QTest::newRow("brackets of the message kept")
        << u"[FreeTDS][SQL Server]Invalid object name '[dbo].[T]'."_qs << u"Invalid object name '[dbo].[T]'."_qs;
}

void tst_db::serverMessageWithoutDriverTags()
{
    QFETCH(QString, databaseText);
    QFETCH(QString, expected);
    QCOMPARE(SqlServerClient::describe(QSqlError(u"QODBC: Unable to execute statement"_qs, databaseText)), expected);
}

namespace {

QString programString(quint16 port)
{
    return connectionString({u"127.0.0.1,%1"_qs.arg(port), u"Laboratory"_qs, u"lab"_qs, u"pw"_qs});
}
} // namespace

void tst_db::openFailsOnClosedPort()
{
    const quint16 port = testsupport::closedLoopbackPort();
    QVERIFY(port != 0);
    SqlServerClient client(2);
    QElapsedTimer timer;
    timer.start();
    try {
        client.open(programString(port));
        QFAIL("open succeeded without a server");
    } catch (const DbError &error) {
        QVERIFY2(!error.description().isEmpty(), "no description");
        QVERIFY2(!error.description().contains(u"[FreeTDS]"_qs), qPrintable(error.description()));
    }
    QVERIFY(!client.isOpen());
    // Nothing listens: the refusal is immediate, well inside the login time-out.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
}

void tst_db::openGivesUpOnSilentServer()
{
    // Accepts the connection (the kernel completes it) and never answers the login.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    SqlServerClient client(1);
    QCOMPARE(client.loginTimeoutSeconds(), 1);
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_EXCEPTION(DbError, client.open(programString(silent.serverPort())));
    QVERIFY(!client.isOpen());
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    // The login really went to this listener (the server form "host,port" was used).
    QVERIFY(silent.hasPendingConnections() || silent.waitForNewConnection(1000));
}

void tst_db::instanceNameGoesToTheBrowserService()
{
    // "host\instance": the driver asks the host's SQL Server browser (UDP 1434) for
    // the instance's port, then logs in there. A browser on its own thread answers
    // with a port on which a listener waits, so the brace-quoted value must have
    // kept its backslash for the login to arrive.
    QTcpServer instance;
    QVERIFY(instance.listen(QHostAddress::LocalHost));
    QByteArray request;
    bool bound = false;
    QSemaphore ready;
    std::thread browser([&] {
        QUdpSocket socket;
        bound = socket.bind(QHostAddress::LocalHost, 1434);
        ready.release();
        if (!bound || !socket.waitForReadyRead(5000))
            return;
        QHostAddress sender;
        quint16 senderPort = 0;
        request.resize(socket.pendingDatagramSize());
        socket.readDatagram(request.data(), request.size(), &sender, &senderPort);
        const QByteArray answer = "ServerName;LAB;InstanceName;SQLEXPRESS;IsClustered;No;Version;16.0.1000.6;tcp;"
            + QByteArray::number(instance.serverPort()) + ";;";
        QByteArray datagram;
        datagram.append(char(0x05)).append(char(answer.size() & 0xff)).append(char(answer.size() >> 8)).append(answer);
        socket.writeDatagram(datagram, sender, senderPort);
        socket.waitForBytesWritten(1000);
    });
    const auto join = qScopeGuard([&browser] { browser.join(); });
    ready.acquire();
    if (!bound)
        QSKIP("UDP port 1434 is taken on this machine");

    SqlServerClient client(1);
    QVERIFY_THROWS_EXCEPTION(
        DbError, client.openWithSettings({u"127.0.0.1\\SQLEXPRESS"_qs, u"Laboratory"_qs, u"lab"_qs, u"pw"_qs}));
    QCOMPARE(request, QByteArray("\x04SQLEXPRESS", 11) + '\0');
    QVERIFY(instance.hasPendingConnections() || instance.waitForNewConnection(1000));
}

void tst_db::commandsOnClosedConnectionFail()
{
    SqlServerClient client;
    QCOMPARE(client.loginTimeoutSeconds(), SqlServerClient::kDefaultLoginTimeoutSeconds);
    QVERIFY(!client.isOpen());
    QVERIFY_THROWS_EXCEPTION(DbError, client.execute(serverDateCommand()));
    QVERIFY_THROWS_EXCEPTION(DbError, client.openStatic(requeryCommand(u"B77"_qs)));
    QVERIFY_THROWS_EXCEPTION(DbError, client.openReadOnce(serverDateCommand()));
    QVERIFY_THROWS_EXCEPTION(DbError, client.open(u"Server=x;UID=u"_qs));
    client.close();
}

void tst_db::commandsOverTheWire()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString requests = dir.filePath(u"requests.log"_qs);
    QProcess server;
    server.start(
        QString::fromUtf8(NORVANE_LABDB_SERVER),
        {u"--port"_qs, u"0"_qs, u"--demo"_qs, u"--database"_qs, dir.filePath(u"lab.db"_qs), u"--log"_qs, requests});
    QVERIFY(server.waitForStarted());
    QByteArray banner;
    while (!banner.contains('\n') && server.waitForReadyRead(10000))
        banner += server.readAllStandardOutput();
    const QRegularExpressionMatch port =
        QRegularExpression(u"listening on 127\\.0\\.0\\.1:(\\d+)"_qs).match(QString::fromUtf8(banner));
    QVERIFY2(port.hasMatch(), banner.constData());
    const auto stop = qScopeGuard([&server] {
        server.kill();
        server.waitForFinished();
    });

    SqlServerClient client(5);
    const ConnectionSettings settings{u"127.0.0.1,"_qs + port.captured(1), u"Laboratory"_qs, u"norvane"_qs,
                                      u"norvane"_qs};
    ConnectionSettings refused = settings;
    refused.password = u"wrong"_qs;
    QVERIFY_THROWS_EXCEPTION(DbError, client.openWithSettings(refused));
    QVERIFY(!client.isOpen());
    client.open(connectionString(settings));
    QVERIFY(client.isOpen());

    const DbResult clock = client.openReadOnce(serverDateCommand());
    QCOMPARE(clock.rowCount(), -1);
    QVERIFY(qAbs(clock.dateTime(u"serverdate"_qs).secsTo(QDateTime::currentDateTime())) < 3600 * 24);

    const DbResult none = client.openStatic(searchCommand(u"T55'C"_qs, 3));
    QCOMPARE(none.rowCount(), 0);
    QVERIFY(none.columns().contains(u"Barcode"_qs, Qt::CaseInsensitive));

    // A server error inside a transaction: its message reaches the caller, and the
    // rollback that follows really goes out.
    client.beginTrans();
    try {
        client.execute(u"Laboratory..Lab_Barcode_Missing 'x'"_qs);
        QFAIL("an unknown procedure ran");
    } catch (const DbError &error) {
        QCOMPARE(error.description(), u"Could not find stored procedure 'Laboratory..Lab_Barcode_Missing'."_qs);
    }
    client.rollbackTrans();
    client.close();
    QVERIFY(!client.isOpen());

    QFile log(requests);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QByteArray &line : log.readAll().split('\n')) {
        // "<time> #<connection> <kind> <text>": keep "<kind> <text>" of the second connection.
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() >= 3 && parts.at(1) == "#2")
            lines.append(QString::fromUtf8(line.mid(parts.at(0).size() + parts.at(1).size() + 2)));
    }
    // After the driver's own probes of the open, every command is one plain batch
    // with its exact text: no cursor, no prepared statement.
    const qsizetype first = lines.indexOf(u"BATCH SELECT getdate() as serverdate"_qs);
    QVERIFY2(first > 0, qPrintable(lines.join(u'\n')));
    const QStringList mine = lines.mid(first);
    QCOMPARE(mine.at(1), u"BATCH Laboratory..Lab_Barcode_GetRequests 'T55''C',3"_qs);
    QCOMPARE(mine.at(2), u"TM BEGIN"_qs);
    QCOMPARE(mine.at(3), u"BATCH Laboratory..Lab_Barcode_Missing 'x'"_qs);
    QVERIFY2(mine.at(4).startsWith(u"TM ROLLBACK"_qs), qPrintable(mine.join(u'\n')));
    for (const QString &line : mine)
        QVERIFY2(line.startsWith(u"BATCH "_qs) || line.startsWith(u"TM "_qs) || line == u"CLOSE"_qs, qPrintable(line));
}

QTEST_GUILESS_MAIN(tst_db)
#include "tst_db.moc"
