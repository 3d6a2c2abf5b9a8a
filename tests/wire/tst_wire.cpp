// End-to-end tests of the SQL Server path: db::SqlServerClient over QODBC,
// unixODBC and FreeTDS to labdb-server on a loopback port, against the same
// laboratory database that db::EmbeddedClient and labdb::Session serve directly.
// Every test starts its own server (port 0) on a fresh sample database and kills
// it in cleanup.

#include "app/modconnect.h"
#include "common/loopback.h"
#include "common/mainwindow.h"
#include "common/platformkeys.h"
#include "connectionsettings.h"
#include "db/commands.h"
#include "db/connectionstring.h"
#include "db/dbconnection.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "db/generaldate.h"
#include "db/printlog.h"
#include "db/sqlserverclient.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "labdb/session.h"
#include "support/bulkchargeslip.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"
#include "wire/rawtdsclient.h"
#include "wire/serverprocess.h"
#include "wire/tcprelay.h"
#include "wire/testcertificates.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace labdb::sample;

namespace {

enum class Impl { Embedded, Wire };

// The reference: a value of the interpreter's own result as the program reads it
// (joined to the empty text, date-times in the general date form, a DATE alone).
QString referenceText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.metaType().id() == QMetaType::QDateTime)
        return db::generalDate(v.toDateTime());
    if (v.metaType().id() == QMetaType::QDate)
        return db::generalDate(QDateTime(v.toDate(), QTime(0, 0)));
    return v.toString();
}

// The interpreter answering as labdb-server does with these options.
labdb::SessionOptions referenceOptions(const QStringList &serverOptions)
{
    labdb::SessionOptions options;
    if (!serverOptions.contains(u"plain"_qs))
        options = labdb::SessionOptions::sqlServer();
    const qsizetype type = serverOptions.indexOf(u"--transdate-type"_qs);
    if (type >= 0) {
        const QString name = serverOptions.value(type + 1);
        options.transdateType = name == u"date"_qs ? labdb::Column::Type::Date
            : name == u"datetime2"_qs              ? labdb::Column::Type::DateTime2
            : name == u"smalldatetime"_qs          ? labdb::Column::Type::SmallDateTime
                                                   : labdb::Column::Type::DateTime;
    }
    return options;
}

// Every column and row of a client's result equals the interpreter's own result.
void compareWithReference(const db::DbResult &result, const labdb::Outcome &reference)
{
    QVERIFY(reference.hasResultSet);
    QStringList names;
    for (const labdb::Column &c : reference.columns)
        names.append(c.name);
    QCOMPARE(result.columns(), names);
    QCOMPARE(result.rowCount(), qint64(reference.rows.size()));
    db::DbResult walk = result;
    for (const QVariantList &row : reference.rows) {
        QVERIFY(!walk.atEnd());
        for (int c = 0; c < names.size(); ++c)
            QCOMPARE(walk.text(names.at(c)), referenceText(row.at(c)));
        walk.moveNext();
    }
    QVERIFY(walk.atEnd());
}

} // namespace

Q_DECLARE_METATYPE(Impl)

class tst_wire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void openConnection_data();
    void openConnection();
    void loginCharacters_data();
    void loginCharacters();
    void checkConnection_data();
    void checkConnection();
    void checkConnectionSaysEncryptionAndDates_data();
    void checkConnectionSaysEncryptionAndDates();
    void commands_data();
    void commands();
    void serverErrorText_data();
    void serverErrorText();
    void longValuesReadWhole_data();
    void longValuesReadWhole();
    void dateTextReadByTheServer_data();
    void dateTextReadByTheServer();
    void olderProtocolClientIsServed();
    void encryptionOnTheWire_data();
    void encryptionOnTheWire();
    void printLog_data();
    void printLog();
    void batchTextsReachServerUnchanged();
    void windowSearchOverTheWire();
    void windowPrintRunOverTheWire_data();
    void windowPrintRunOverTheWire();
    void packetsPartialReadsAndAttention();
    void clientsKeepTheirOwnTransactions();
    void shutdownRollsBackOpenTransactions();
    void crossCheckWithTedious_data();
    void crossCheckWithTedious();
    void keysTypedWhileServerHeld_data();
    void keysTypedWhileServerHeld();

private:
    std::unique_ptr<db::DbClient> openClient(Impl impl, const QStringList &serverOptions = {});
    bool startServer(const QStringList &options = {});
    void writeSettings(const QString &server, const QString &database, const QString &user, const QString &password);
    // Writes the settings file by hand, as the README tells a site to: every value in
    // double quotes, with \\ for a backslash and \" for a quote; with quotePassword
    // false the password stands as it is, unquoted.
    void writeSettingsByHand(const QString &server, const QString &database, const QString &user,
                             const QString &password, bool quotePassword = true);
    // Starts a server with these options and connects the program to it as at start-up,
    // through the settings store; message boxes' texts are collected in messages.
    bool connectProgram(const QStringList &serverOptions, QStringList &messages);
    // Connects a raw protocol client to the running server and logs it in with the
    // server's own login.
    bool logIn(RawTdsClient &client, int packetSize = 4096);

    QTemporaryDir m_home;
    QString m_dbPath;
    std::unique_ptr<ServerProcess> m_server;
    int m_run = 0;
};

void tst_wire::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before the first QSettings: the store's folder is fixed at first use.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_wire::init()
{
    // Every test writes the settings it needs: none are left from the one before.
    QFile::remove(
        m_home.filePath(u"config/"_qs + QString::fromUtf16(app::modConnect::kSettingsApplication) + u".conf"_qs));
    m_dbPath = m_home.filePath(QStringLiteral("lab-%1.sqlite").arg(++m_run));
    labdb::createDemoDatabase(m_dbPath);
}

void tst_wire::cleanup()
{
    widgets::setMessageBoxHandler(nullptr);
    db::installConnection(nullptr);
    db::setGeneralDateLocale(std::nullopt);
    m_server.reset();
    QFile::remove(m_dbPath);
}

bool tst_wire::startServer(const QStringList &options)
{
    m_server = std::make_unique<ServerProcess>();
    if (!m_server->start(m_dbPath, options)) {
        qWarning("%s", qPrintable(m_server->error()));
        return false;
    }
    return true;
}

std::unique_ptr<db::DbClient> tst_wire::openClient(Impl impl, const QStringList &serverOptions)
{
    if (impl == Impl::Embedded) {
        auto client = std::make_unique<db::EmbeddedClient>(m_dbPath);
        client->open(QString());
        return client;
    }
    if (!startServer(serverOptions))
        return nullptr;
    auto client = std::make_unique<db::SqlServerClient>(5);
    client->openWithSettings({m_server->serverSetting(), u"Laboratory"_qs, QString::fromUtf16(ServerProcess::kUser),
                              QString::fromUtf16(ServerProcess::kPassword)});
    return client;
}

void tst_wire::writeSettings(const QString &server, const QString &database, const QString &user,
                             const QString &password)
{
    QVERIFY(writeConnectionSettings(server, database, user, password));
}

void tst_wire::writeSettingsByHand(const QString &server, const QString &database, const QString &user,
                                   const QString &password, bool quotePassword)
{
    const auto quoted = [](QString value) {
        value.replace(u"\\"_qs, u"\\\\"_qs).replace(u"\""_qs, u"\\\""_qs);
        return u"\""_qs + value + u"\""_qs;
    };
    const QString path = m_home.filePath(u"config/"_qs + QString::fromUtf16(app::modConnect::kSettingsApplication)
                                         + u".conf"_qs);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString text = u"[Connection]\nServer=%1\nDatabase=%2\nUser=%3\nPassword=%4\n"_qs.arg(
        quoted(server), quoted(database), quoted(user), quotePassword ? quoted(password) : password);
    file.write(text.toUtf8());
}

bool tst_wire::connectProgram(const QStringList &serverOptions, QStringList &messages)
{
    if (!startServer(serverOptions))
        return false;
    writeSettings(m_server->serverSetting(), u"Laboratory"_qs, QString::fromUtf16(ServerProcess::kUser),
                  QString::fromUtf16(ServerProcess::kPassword));
    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    if (!app::modConnect::OpenConnection())
        return false;
    widgets::setMessageBoxHandler([&messages](const QString &text, const QString &) { messages.append(text); });
    return true;
}

bool tst_wire::logIn(RawTdsClient &client, int packetSize)
{
    return client.connectTo(m_server->port())
        && client.login(QString::fromUtf16(ServerProcess::kUser), QString::fromUtf16(ServerProcess::kPassword),
                        u"Laboratory"_qs, packetSize);
}

void tst_wire::openConnection_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("why"); // the driver's description of a refusal

    const QString user = QString::fromUtf16(ServerProcess::kUser);
    const QString password = QString::fromUtf16(ServerProcess::kPassword);
    QTest::newRow("right settings") << QStringList() << true << u"Laboratory"_qs << user << password << true
                                    << QString();
    QTest::newRow("wrong password") << QStringList() << true << u"Laboratory"_qs << user << u"S3cret;pw=2"_qs << false
                                    << u"Login failed for user 'labuser'."_qs;
    QTest::newRow("unknown user") << QStringList() << true << u"Laboratory"_qs << u"intruder"_qs << password << false
                                  << u"Login failed for user 'intruder'."_qs;
    // The server refuses with 4060 and then 18456, as SQL Server does; the driver
    // reports the last.
    QTest::newRow("unknown database") << QStringList() << true << u"Pharmacy"_qs << user << password << false
                                      << u"Login failed for user 'labuser'."_qs;
    QTest::newRow("closed port") << QStringList() << false << u"Laboratory"_qs << user << password << false
                                 << u"Unable to connect"_qs;
    QTest::newRow("server that never answers")
        << QStringList{u"--stall"_qs} << true << u"Laboratory"_qs << user << password << false << QString();
}

void tst_wire::openConnection()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, serverRuns);
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, opens);
    QFETCH(QString, why);

    QString server = QStringLiteral("127.0.0.1,%1").arg(testsupport::closedLoopbackPort());
    if (serverRuns) {
        QVERIFY(startServer(serverOptions));
        server = m_server->serverSetting();
    }
    writeSettings(server, database, user, password);
    // A short login time-out, so that the silent server costs two seconds.
    db::installConnection(std::make_unique<db::SqlServerClient>(2));

    QCOMPARE(app::modConnect::OpenConnection(), opens);
    QCOMPARE(db::DbConnection().isOpen(), opens);
    if (opens) {
        const db::DbResult found = db::DbConnection().openStatic(
            db::searchCommand(QString::fromLatin1(obrienTBarcode), 3));
        QCOMPARE(found.rowCount(), 2);
        QCOMPARE(found.text(u"PatientName"_qs), u"O'BRIEN, MARGARET"_qs);
    } else if (!why.isEmpty()) {
        // The same settings straight through the client: refused for the right reason.
        db::SqlServerClient client(2);
        try {
            client.openWithSettings({server, database, user, password});
            QFAIL("the open should have failed");
        } catch (const db::DbError &e) {
            QVERIFY2(e.description().contains(why), qPrintable(e.description()));
        }
    }
}

void tst_wire::loginCharacters_data()
{
    // Logins that a site may have, each written into the settings file by hand and
    // sent by the program to a server that accepts exactly that login. why: empty
    // when the login must succeed, else the reason the program gives.
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("why");

    QTest::newRow("closing brace") << u"lab"_qs << u"p}d"_qs << QString();
    QTest::newRow("opening brace") << u"lab"_qs << u"p{d"_qs << QString();
    QTest::newRow("backslash") << u"lab"_qs << u"a\\b"_qs << QString();
    QTest::newRow("semicolon in the user") << u"o;dd"_qs << u"pw"_qs << QString();
    QTest::newRow("; } { = together") << u"lab"_qs << u"p;w}d{x=z"_qs << QString();
    QTest::newRow("double quote") << u"lab"_qs << u"p\"d"_qs << QString();
    QTest::newRow("non-ASCII") << u"lab"_qs << u"ñandú€"_qs << QString();
    QTest::newRow("blanks around and inside") << u" lab user "_qs << u" p w "_qs << QString();
    QTest::newRow("braces around the whole value") << u"{lab}"_qs << u"{pw}"_qs << QString();
    QTest::newRow("equals, quote and brace in the user") << u"a=b\"c}"_qs << u"pw"_qs << QString();
    QTest::newRow("password ends in a backslash") << u"lab"_qs << u"pw\\"_qs << QString();
    QTest::newRow("non-ASCII user") << u"Müller"_qs << u"Äöü;ß"_qs << QString();
    // What FreeTDS cannot carry: "};" ends a braced value wherever it stands, so
    // the program refuses it before connecting; and a User with a backslash is a
    // Windows domain login (NTLM) to FreeTDS, which sends no SQL Server login name.
    QTest::newRow("password holding };")
        << u"lab"_qs << u"a};b"_qs
        << u"The Password setting holds \"};\", which the FreeTDS ODBC driver cannot take."_qs;
    QTest::newRow("user holding };") << u"x};y"_qs << u"pw"_qs
                                     << u"The User setting holds \"};\", which the FreeTDS ODBC driver cannot take."_qs;
    QTest::newRow("user with a backslash") << u"DOM\\lab"_qs << u"pw"_qs << u"Login failed for user ''."_qs;
}

void tst_wire::loginCharacters()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, why);

    m_server = std::make_unique<ServerProcess>();
    QVERIFY2(m_server->start(m_dbPath, {u"--user"_qs, user, u"--password"_qs, password}),
             qPrintable(m_server->error()));
    writeSettingsByHand(m_server->serverSetting(), u"Laboratory"_qs, user, password);
    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    QString failure;
    QCOMPARE(app::modConnect::OpenConnection(&failure), why.isEmpty());
    QVERIFY2(why.isEmpty() || failure.contains(why), qPrintable(failure));
    // The settings file gave every character back.
    QCOMPARE(app::modConnect::DbUser, user);
    QCOMPARE(app::modConnect::DbPassword, password);

    const QStringList requests = m_server->loggedRequests().filter(QRegularExpression(u"^(LOGIN|BATCH) "_qs));
    if (why.isEmpty()) {
        QVERIFY2(!requests.isEmpty() && requests.first() == u"LOGIN user="_qs + user + u" database=Laboratory app="_qs,
                 qPrintable(requests.join(u'\n')));
        // A batch on the connection proves the login was accepted.
        QCOMPARE(db::DbConnection().openStatic(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3)).rowCount(),
                 2);
    } else if (why.contains(u"};"_qs)) {
        QVERIFY2(requests.isEmpty(), qPrintable(requests.join(u'\n')));
    }
}

void tst_wire::checkConnection_data()
{
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // lines the output must hold, besides what was tried
    QTest::addColumn<bool>("quoted");       // the password in double quotes in the file

    const QString password = QString::fromUtf16(ServerProcess::kPassword);
    QTest::newRow("connected") << true << u"Laboratory"_qs << password << 0 << QStringList{u"Connected."_qs} << true;
    QTest::newRow("wrong password") << true << u"Laboratory"_qs << u"S3cret;pw=2"_qs << 1
                                    << QStringList{u"Not connected: "_qs, u"Login failed for user 'labuser'."_qs}
                                    << true;
    QTest::newRow("wrong database") << true << u"Pharmacy"_qs << password << 1
                                    << QStringList{u"Not connected: "_qs,
                                                   u"Cannot open database \"Pharmacy\" requested by the login."_qs}
                                    << true;
    QTest::newRow("closed port") << false << u"Laboratory"_qs << password << 1
                                 << QStringList{u"Not connected: "_qs, u"Unable to connect"_qs} << true;
    QTest::newRow("password FreeTDS cannot take")
        << true << u"Laboratory"_qs << u"x};y"_qs << 1
        << QStringList{u"Not connected: The Password setting holds \"};\""_qs} << true;
    // Unquoted, the server's password is read only up to its ";": the login fails, and
    // the cut is told with its fix.
    QTest::newRow("password cut at an unquoted ;")
        << true << u"Laboratory"_qs << password << 1
        << QStringList{u"Login failed for user 'labuser'."_qs,
                       u"the Password setting of [Connection] holds a \";\" outside double quotes"_qs,
                       u"Fix: put the whole value in double quotes: Password=\"...\""_qs}
        << false;
}

void tst_wire::checkConnection()
{
    QFETCH(bool, serverRuns);
    QFETCH(QString, database);
    QFETCH(QString, password);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFETCH(bool, quoted);

    QString server = QStringLiteral("127.0.0.1,%1").arg(testsupport::closedLoopbackPort());
    if (serverRuns) {
        QVERIFY(startServer());
        server = m_server->serverSetting();
    }
    writeSettingsByHand(server, database, QString::fromUtf16(ServerProcess::kUser), password, quoted);

    // The program itself, as an installer runs it: no display, no window system.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(u"HOME"_qs, m_home.path());
    env.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(NORVANE_PROGRAM), {u"--check-connection"_qs});
    QVERIFY(program.waitForFinished(30000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, qPrintable(out + QString::fromUtf8(program.readAllStandardError())));

    // What was tried, never the password.
    QVERIFY2(out.contains(u"Settings: "_qs + m_home.filePath(u"config/ZEMRIX Current User.conf"_qs)), qPrintable(out));
    QVERIFY2(out.contains(u"Server:   \""_qs + server + u"\""_qs), qPrintable(out));
    QVERIFY2(out.contains(u"Database: \""_qs + database + u"\""_qs), qPrintable(out));
    QVERIFY2(out.contains(u"User:     \"labuser\""_qs), qPrintable(out));
    QVERIFY2(out.contains(u"Driver:   \"FreeTDS\" (ODBC)"_qs), qPrintable(out));
    QVERIFY2(out.contains(u"Password: (given, not shown)"_qs), qPrintable(out));
    QVERIFY2(!out.contains(password), qPrintable(out));
    for (const QString &line : lines)
        QVERIFY2(out.contains(line), qPrintable(out));
}

void tst_wire::checkConnectionSaysEncryptionAndDates_data()
{
    QTest::addColumn<QString>("tls");      // the server's: none, offered, forced
    QTest::addColumn<QString>("settings"); // beside [Connection]; CA and OTHER_CA stand for the CA files
    QTest::addColumn<QString>("locale");   // the workstation's
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines");

    const QString en_US = u"en_US.UTF-8"_qs;
    QTest::newRow("defaults, en_US")
        << u"none"_qs << QString() << en_US << 0
        << QStringList{u"Encryption: the driver's own default"_qs, u"Certificate: not verified"_qs,
                       u"Encrypted:  no, not after the login"_qs,
                       u"Dates:      the server reads \"12/9/2024 2:05:33 PM\" (locale en_US) as 9 December 2024, "
                       "14:05:33, as meant."_qs};
    // The server's login reads dates as month/day: the workstation's day/month is
    // told, with the fix.
    QTest::newRow("en_GB: another day") << u"none"_qs << QString() << u"en_GB.UTF-8"_qs << 0
                                        << QStringList{u"WARNING:    the server reads the dates Norvane sends as other "
                                                       "days: it took \"09/12/2024 14:05:33\""_qs,
                                                       u"for 12 September 2024, 14:05:33"_qs, u"[Dates]"_qs,
                                                       u"Locale=en_US"_qs};
    QTest::newRow("es_ES: another day") << u"none"_qs << QString() << u"es_ES.UTF-8"_qs << 0
                                        << QStringList{u"it took \"9/12/2024 14:05:33\""_qs,
                                                       u"for 12 September 2024, 14:05:33"_qs};
    QTest::newRow("en_GB, [Dates] Locale=en_US")
        << u"none"_qs << u"[Dates]\nLocale=en_US\n"_qs << u"en_GB.UTF-8"_qs << 0
        << QStringList{u"Dates:      the server reads \"12/9/2024 2:05:33 PM\" (locale en_US)"_qs};
    QTest::newRow("a locale that is none") << u"none"_qs << u"[Dates]\nLocale=xx_YY\n"_qs << en_US << 1
                                           << QStringList{u"The Locale setting of [Dates] holds \"xx_YY\""_qs};
    QTest::newRow("TLS offered: the login alone")
        << u"offered"_qs << QString() << en_US << 0 << QStringList{u"Encrypted:  no, not after the login"_qs};
    QTest::newRow("TLS forced: everything")
        << u"forced"_qs << QString() << en_US << 0 << QStringList{u"Encrypted:  yes, every packet"_qs};
    QTest::newRow("Encrypt=yes: everything")
        << u"offered"_qs << u"[Encryption]\nEncrypt=yes\n"_qs << en_US << 0
        << QStringList{u"Encryption: required by the settings ([Encryption] Encrypt=yes)"_qs,
                       u"Certificate: not verified"_qs, u"Encrypted:  yes, every packet"_qs};
    QTest::newRow("Encrypt=yes, a server without encryption")
        << u"none"_qs << u"[Encryption]\nEncrypt=yes\n"_qs << en_US << 1
        << QStringList{u"Not connected: "_qs,
                       u"The server does not offer encryption, and the settings require it ([Encryption] "
                       "Encrypt=yes)."_qs};
    QTest::newRow("CAFile: verified") << u"offered"_qs << u"[Encryption]\nCAFile=CA\n"_qs << en_US << 0
                                      << QStringList{u"Certificate: verified against \"CA\""_qs,
                                                     u"Encrypted:  yes, every packet"_qs};
    QTest::newRow("CAFile of another CA: refused")
        << u"offered"_qs << u"[Encryption]\nCAFile=OTHER_CA\n"_qs << en_US << 1
        << QStringList{u"The server offers encryption, but its certificate was refused: it is not signed by the CA "
                       "in \"OTHER_CA\""_qs};
    QTest::newRow("Encrypt=maybe") << u"none"_qs << u"[Encryption]\nEncrypt=maybe\n"_qs << en_US << 1
                                   << QStringList{u"The Encrypt setting of [Encryption] holds \"maybe\""_qs};
}

void tst_wire::checkConnectionSaysEncryptionAndDates()
{
    QFETCH(QString, tls);
    QFETCH(QString, settings);
    QFETCH(QString, locale);
    QFETCH(int, status);
    QFETCH(QStringList, lines);

    TestCertificates pki;
    QString why;
    QVERIFY2(pki.make(m_home.path(), &why), qPrintable(why));
    QStringList options;
    if (tls != u"none"_qs)
        options = {u"--tls-cert"_qs, pki.serverCertificate, u"--tls-key"_qs, pki.serverKey};
    if (tls == u"forced"_qs)
        options += u"--force-encryption"_qs;
    QVERIFY(startServer(options));
    writeSettingsByHand(m_server->serverSetting(), u"Laboratory"_qs, QString::fromUtf16(ServerProcess::kUser),
                        QString::fromUtf16(ServerProcess::kPassword));
    settings.replace(u"OTHER_CA"_qs, pki.otherCaFile).replace(u"CA\n"_qs, pki.caFile + u"\n"_qs);
    QFile file(
        m_home.filePath(u"config/"_qs + QString::fromUtf16(app::modConnect::kSettingsApplication) + u".conf"_qs));
    QVERIFY(file.open(QIODevice::Append));
    file.write(settings.toUtf8());
    file.close();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
        env.remove(QString::fromLatin1(name));
    env.insert(u"HOME"_qs, m_home.path());
    env.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
    env.insert(u"LC_ALL"_qs, locale);
    env.insert(u"LANG"_qs, locale);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(NORVANE_PROGRAM), {u"--check-connection"_qs});
    QVERIFY(program.waitForFinished(60000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(program.exitCode() == status, qPrintable(out + QString::fromUtf8(program.readAllStandardError())));
    for (QString line : lines) {
        line.replace(u"\"OTHER_CA\""_qs, u'"' + pki.otherCaFile + u'"').replace(u"\"CA\""_qs, u'"' + pki.caFile + u'"');
        QVERIFY2(out.contains(line), qPrintable(line + u"\n---\n"_qs + out));
    }
    // The counter's five commands are untouched: the checks are queries of their own.
    QVERIFY(m_server->loggedRequests().filter(u"Lab_Barcode"_qs).isEmpty());
}

void tst_wire::commands_data()
{
    QTest::addColumn<Impl>("impl");
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<QString>("room");      // O'Brien's RoomID as read
    QTest::addColumn<QString>("transdate"); // her Transdate as read, today at 6:06 (US English)

    const QString today = QDate::currentDate().toString(u"M/d/yyyy"_qs);
    const QString at606 = today + u" 6:06:00 AM"_qs;
    QTest::newRow("embedded") << Impl::Embedded << QStringList() << u"W3-112"_qs << at606;
    QTest::newRow("wire, plain answers") << Impl::Wire << QStringList{u"--answers"_qs, u"plain"_qs} << u"W3-112"_qs
                                         << at606;
    // As the hospital's procedure answers: RoomID is CHAR(8), padding kept; the
    // rest in their declared types (VARCHAR, NUMERIC, SMALLINT, (MAX) types).
    QTest::newRow("wire, SQL Server") << Impl::Wire << QStringList() << u"W3-112  "_qs << at606;
    QTest::newRow("wire, SQL Server, NOCOUNT") << Impl::Wire << QStringList{u"--nocount"_qs} << u"W3-112  "_qs << at606;
    // Every date-time in the general date form, whatever its type; a DATE alone.
    QTest::newRow("wire, Transdate DATE")
        << Impl::Wire << QStringList{u"--transdate-type"_qs, u"date"_qs} << u"W3-112  "_qs << today;
    QTest::newRow("wire, Transdate DATETIME2")
        << Impl::Wire << QStringList{u"--transdate-type"_qs, u"datetime2"_qs} << u"W3-112  "_qs << at606;
    QTest::newRow("wire, Transdate SMALLDATETIME")
        << Impl::Wire << QStringList{u"--transdate-type"_qs, u"smalldatetime"_qs} << u"W3-112  "_qs << at606;
}

void tst_wire::commands()
{
    QFETCH(Impl, impl);
    QFETCH(QStringList, serverOptions);
    QFETCH(QString, room);
    QFETCH(QString, transdate);
    const std::unique_ptr<db::DbClient> client = openClient(impl, serverOptions);
    QVERIFY(client && client->isOpen());
    labdb::Session reference(m_dbPath,
                             impl == Impl::Embedded ? labdb::SessionOptions() : referenceOptions(serverOptions));

    // 1. The search, mode 3: one patient, two exams.
    const QString search3 = db::searchCommand(QString::fromLatin1(obrienTBarcode), 3);
    const db::DbResult obrien = client->openStatic(search3);
    QCOMPARE(obrien.rowCount(), 2);
    QCOMPARE(obrien.text(u"PatientName"_qs), u"O'BRIEN, MARGARET"_qs);
    QCOMPARE(obrien.text(u"RoomID"_qs), room);
    QCOMPARE(obrien.text(u"Barcode"_qs), QString::fromLatin1(obrienTBarcode));
    QCOMPARE(obrien.text(u"Transdate"_qs), transdate);
    QCOMPARE(obrien.text(u"RequestNum"_qs), u"88001"_qs);
    QCOMPARE(obrien.text(u"SectionID"_qs), u"1"_qs);
    compareWithReference(obrien, reference.execute(search3));

    // The search, mode 2: names beyond Latin-1's ASCII, NULL room and instruments.
    const QString search2 = db::searchCommand(QString::fromLatin1(penaChargeslip), 2);
    const labdb::Outcome penaReference = reference.execute(search2);
    const db::DbResult pena = client->openStatic(search2);
    QCOMPARE(pena.text(u"PatientName"_qs), u"PEÑA, JOSÉ LUIS"_qs);
    QCOMPARE(pena.text(u"RoomID"_qs), QString());
    bool nullInstrument = false;
    for (const QVariantList &row : penaReference.rows)
        nullInstrument = nullInstrument || row.at(7).isNull();
    QVERIFY2(nullInstrument, "the sample should hold an exam without instrument");
    compareWithReference(pena, penaReference);

    // 200 exams: a result over many packets.
    const QString big = db::searchCommand(QString::fromLatin1(bigChargeslip), 2);
    const db::DbResult bigResult = client->openStatic(big);
    QCOMPARE(bigResult.rowCount(), bigChargeslipExams);
    compareWithReference(bigResult, reference.execute(big));

    // Nothing found: no rows, no error.
    QCOMPARE(client->openStatic(db::searchCommand(QString::fromLatin1(unknownBarcode), 3)).rowCount(), 0);

    // 2. The re-query.
    const QString requery = db::requeryCommand(QString::fromLatin1(obrienNumericBarcode));
    db::DbResult rows = client->openStatic(requery);
    QVERIFY(rows.rowCount() >= 1);
    compareWithReference(rows, reference.execute(requery));

    // 3 to 5 in one transaction.
    const db::MasterRow master{rows.text(u"RefNum"_qs),    rows.text(u"IdNum"_qs),      rows.text(u"HospNum"_qs),
                               rows.text(u"Barcode"_qs),   rows.text(u"ItemID"_qs),     rows.text(u"SpecimenID"_qs),
                               rows.text(u"SectionID"_qs), rows.text(u"RequestNum"_qs), rows.text(u"ProfileID"_qs)};
    client->beginTrans();
    client->execute(db::saveMasterCommand(master));
    const db::DbResult clock = client->openReadOnce(db::serverDateCommand());
    const QDateTime serverDate = clock.dateTime(u"serverdate"_qs);
    QVERIFY(qAbs(serverDate.secsTo(QDateTime::currentDateTime())) < 120);
    const QString dateText = db::generalDate(serverDate);
    client->execute(db::saveDateCommand(master.requestNum, master.itemId, master.sectionId, dateText));
    client->commitTrans();

    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(log.masterRows.size(), 1);
    QCOMPARE(log.masterRows.at(0).mid(0, 9),
             (QStringList{master.refNum, master.idNum, master.hospNum, master.barcode, master.itemId, master.specimenId,
                          master.sectionId, master.requestNum, master.profileId}));
    QCOMPARE(log.dateRows.size(), 1);
    // SQL Server's procedure stores the datetime it reads in the text (US English:
    // month first), which is the clock reading to the second; the plain one the text.
    const QDateTime second(serverDate.date(),
                           QTime(serverDate.time().hour(), serverDate.time().minute(), serverDate.time().second()));
    const QString stored = referenceOptions(serverOptions).printDateAsDateTime && impl == Impl::Wire
        ? second.toString(u"yyyy-MM-ddTHH:mm:ss.zzz"_qs)
        : dateText;
    QCOMPARE(log.dateRows.at(0).mid(0, 6),
             (QStringList{master.requestNum, master.itemId, master.sectionId, stored, u"0"_qs, QString()}));
}

void tst_wire::serverErrorText_data()
{
    QTest::addColumn<Impl>("impl");
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<bool>("setsCarriedOut"); // SET options before a command are carried out
    QTest::newRow("embedded") << Impl::Embedded << QStringList() << false;
    QTest::newRow("wire, plain answers") << Impl::Wire << QStringList{u"--answers"_qs, u"plain"_qs} << false;
    QTest::newRow("wire, SQL Server") << Impl::Wire << QStringList() << true;
}

void tst_wire::serverErrorText()
{
    QFETCH(Impl, impl);
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, setsCarriedOut);
    const std::unique_ptr<db::DbClient> client = openClient(impl, serverOptions);
    QVERIFY(client && client->isOpen());
    labdb::Session reference(m_dbPath);

    QStringList failing{u"Laboratory..Lab_Barcode_GetRequests 'T1000001C',7"_qs,
                        u"Laboratory..Lab_Barcode_Unknown 'X'"_qs};
    const QStringList withOptions{u"SET NOCOUNT ON; SELECT getdate() as serverdate"_qs,
                                  u"set nocount on\nset rowcount 0 select getdate() as serverdate"_qs};
    if (setsCarriedOut) {
        // SQL Server carries the options out and runs the command.
        for (const QString &command : withOptions)
            QCOMPARE(client->openStatic(command).rowCount(), 1);
    } else {
        // A session option in front of a command does not pass for an option batch.
        failing += withOptions;
    }
    for (const QString &command : failing) {
        QString expected;
        try {
            reference.execute(command);
        } catch (const labdb::SqlError &e) {
            expected = e.message();
        }
        QVERIFY(!expected.isEmpty());
        try {
            client->openStatic(command);
            QFAIL("the command should have failed");
        } catch (const db::DbError &e) {
            QCOMPARE(e.description(), expected);
        }
    }
    // The connection goes on after an error.
    QCOMPARE(client->openStatic(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3)).rowCount(), 2);
}

namespace {
// Sets one patient's name and one exam's barcode in the database file.
void setLongValues(const QString &dbPath, const QString &name, const QString &barcode)
{
    {
        QSqlDatabase lab = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"long-values"_qs);
        lab.setDatabaseName(dbPath);
        QVERIFY(lab.open());
        QSqlQuery q(lab);
        QVERIFY(q.prepare(u"UPDATE patients SET name = ? WHERE hosp_num = "
                          "(SELECT hosp_num FROM chargeslips WHERE ref_num = ?)"_qs));
        q.addBindValue(name);
        q.addBindValue(QString::fromLatin1(obrienChargeslip));
        QVERIFY(q.exec());
        QVERIFY(q.prepare(u"UPDATE exams SET barcode = ? WHERE barcode = 'T1000002C'"_qs));
        q.addBindValue(barcode);
        QVERIFY(q.exec());
    }
    QSqlDatabase::removeDatabase(u"long-values"_qs);
}
} // namespace

void tst_wire::longValuesReadWhole_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    // As the hospital's procedure types them: PatientName NVARCHAR(MAX), Barcode VARCHAR(MAX).
    QTest::newRow("SQL Server, (MAX) types") << QStringList();
    // NVARCHAR(MAX) for any value beyond 4,000 characters.
    QTest::newRow("plain answers") << QStringList{u"--answers"_qs, u"plain"_qs};
}

void tst_wire::longValuesReadWhole()
{
    QFETCH(QStringList, serverOptions);
    // A name of 5,000 characters (not all ASCII) and a barcode of 4,002: both
    // arrived empty when the program read them through Qt SQL.
    QString name;
    for (int i = 0; name.size() < 5000; ++i)
        name += (i % 7 == 0) ? u'Ñ' : QChar(u'A' + i % 26);
    const QString barcode = u"T1000002C"_qs + QString(3993, u'X');
    setLongValues(m_dbPath, name, barcode);

    QStringList messages;
    QVERIFY(connectProgram(serverOptions, messages));
    const db::DbResult found = db::DbConnection().openStatic(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3));
    QCOMPARE(found.rowCount(), 2);
    QCOMPARE(found.text(u"PatientName"_qs).size(), name.size());
    QCOMPARE(found.text(u"PatientName"_qs), name);
    db::DbResult rows = found;
    rows.moveNext();
    QCOMPARE(rows.text(u"Barcode"_qs), barcode);

    // And the window shows the whole name.
    testsupport::MainWindow mainWindow(db::DbConnection());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *number = window.findChild<widgets::vkTextBox *>(u"txtNumber"_qs);
    QTest::keyClicks(number, QString::fromLatin1(obrienTBarcode));
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(messages, QStringList());
    QCOMPARE(window.findChild<widgets::vkLabel *>(u"lblPatientName"_qs)->caption(), name);
    QCOMPARE(mainWindow.patient().Barcodes.value(1), barcode);
}

void tst_wire::dateTextReadByTheServer_data()
{
    QTest::addColumn<QString>("clock");       // the server's clock at the log
    QTest::addColumn<QString>("workstation"); // the workstation's locale
    QTest::addColumn<QString>("dateLocale");  // the locale set for the general date form, if any
    QTest::addColumn<QString>("stored");      // the date row's date as the server stored it
    QTest::addColumn<int>("error");           // the server's error when it refused the text

    const QString dec9 = u"2024-12-09T14:05:33"_qs;
    const QString dec13 = u"2024-12-13T14:05:33"_qs;
    // The server's login speaks US English: month/day.
    QTest::newRow("en_US") << dec9 << u"en_US"_qs << QString() << u"2024-12-09T14:05"_qs << 0;
    QTest::newRow("en_GB: stored as 12 September") << dec9 << u"en_GB"_qs << QString() << u"2024-09-12T14:05"_qs << 0;
    QTest::newRow("en_GB on the 13th: refused") << dec13 << u"en_GB"_qs << QString() << QString() << 242;
    QTest::newRow("es_ES: stored as 12 September") << dec9 << u"es_ES"_qs << QString() << u"2024-09-12T14:05"_qs << 0;
    QTest::newRow("ja_JP: refused") << dec9 << u"ja_JP"_qs << QString() << QString() << 241;
    // The general date form in the server's own form: the right day.
    QTest::newRow("en_GB, dates in en_US") << dec9 << u"en_GB"_qs << u"en_US"_qs << u"2024-12-09T14:05"_qs << 0;
    QTest::newRow("en_GB on the 13th, dates in en_US")
        << dec13 << u"en_GB"_qs << u"en_US"_qs << u"2024-12-13T14:05"_qs << 0;
    QTest::newRow("es_ES, dates in en_US") << dec9 << u"es_ES"_qs << u"en_US"_qs << u"2024-12-09T14:05"_qs << 0;
}

void tst_wire::dateTextReadByTheServer()
{
    QFETCH(QString, clock);
    QFETCH(QString, workstation);
    QFETCH(QString, dateLocale);
    QFETCH(QString, stored);
    QFETCH(int, error);

    // The workstation's locale, and the program started as at the counter, with
    // the [Dates] Locale setting when the row gives one.
    QLocale::setDefault(QLocale(workstation));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
    QVERIFY(startServer({u"--clock"_qs, clock}));
    writeSettings(m_server->serverSetting(), u"Laboratory"_qs, QString::fromUtf16(ServerProcess::kUser),
                  QString::fromUtf16(ServerProcess::kPassword));
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                        QString::fromUtf16(app::modConnect::kSettingsApplication));
        if (dateLocale.isEmpty())
            store.remove(u"Dates/Locale"_qs);
        else
            store.setValue(u"Dates/Locale"_qs, dateLocale);
    }
    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    QVERIFY(app::modConnect::OpenConnection());
    db::DbClient *client = &db::DbConnection();

    QString barcode = QString::fromLatin1(obrienBBarcode);
    const db::LogOutcome outcome = db::SaveBarcodeLog(*client, barcode);
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                        QString::fromUtf16(app::modConnect::kSettingsApplication));
        store.remove(u"Dates/Locale"_qs);
    }
    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    if (error) {
        QVERIFY(!outcome.recorded());
        QVERIFY2(outcome.reason.contains(error == 242 ? u"out-of-range value"_qs : u"Conversion failed"_qs),
                 qPrintable(outcome.reason));
        QCOMPARE(log.dateRows.size(), 0);
        return;
    }
    QVERIFY2(outcome.recorded(), qPrintable(outcome.reason));
    QCOMPARE(log.dateRows.size(), 1);
    QVERIFY2(log.dateRows.first().at(3).startsWith(stored), qPrintable(log.dateRows.first().at(3)));
}

void tst_wire::olderProtocolClientIsServed()
{
    // FreeTDS speaking TDS 7.1, as a workstation's old configuration may: the
    // server answers in 7.1's form ((MAX) types as NTEXT and TEXT, 4-byte row
    // counts, transactions as batches), and a rollback leaves nothing behind.
    QVERIFY(startServer());
    const QString connectionName = u"tds71"_qs;
    {
        QSqlDatabase lab = QSqlDatabase::addDatabase(u"QODBC"_qs, connectionName);
        QString text = db::odbcConnectionString({m_server->serverSetting(), u"Laboratory"_qs,
                                                 QString::fromUtf16(ServerProcess::kUser),
                                                 QString::fromUtf16(ServerProcess::kPassword)},
                                                u"FreeTDS"_qs);
        text.replace(u"TDS_Version=7.4"_qs, u"TDS_Version=7.1"_qs);
        lab.setDatabaseName(text);
        lab.setConnectOptions(u"SQL_ATTR_LOGIN_TIMEOUT=5"_qs);
        QVERIFY2(lab.open(), qPrintable(lab.lastError().text()));
        {
            QSqlQuery search(lab);
            search.setForwardOnly(true);
            QVERIFY2(search.exec(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3)),
                     qPrintable(search.lastError().text()));
            QVERIFY(search.next());
            QCOMPARE(search.value(u"PatientName"_qs).toString(), u"O'BRIEN, MARGARET"_qs);
        }
        for (const bool commit : {false, true}) {
            QVERIFY(lab.transaction());
            {
                QSqlQuery save(lab);
                save.setForwardOnly(true);
                QVERIFY2(save.exec(db::saveMasterCommand(
                             {u"R1"_qs, u"7"_qs, u"H9"_qs, u"B77"_qs, u"11"_qs, u"2"_qs, u"4"_qs, u"88"_qs, u"0"_qs})),
                         qPrintable(save.lastError().text()));
            }
            QVERIFY2(commit ? lab.commit() : lab.rollback(), qPrintable(lab.lastError().text()));
            QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), commit ? 1 : 0);
        }
        lab.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

void tst_wire::encryptionOnTheWire_data()
{
    QTest::addColumn<QStringList>("serverOptions"); // beside the certificate's
    QTest::addColumn<bool>("certificate");
    QTest::addColumn<bool>("encryptSetting"); // [Encryption] Encrypt=yes
    QTest::addColumn<QString>("logged");      // the server's log of the TLS
    QTest::addColumn<bool>("passwordInClear");
    QTest::addColumn<bool>("namesInClear");

    // FreeTDS as Norvane configures it by default asks for encryption "off": the
    // login alone when the server offers TLS (as SQL Server always does),
    // everything when the server forces it or the settings ask for it.
    QTest::newRow("server without TLS") << QStringList() << false << false << QString() << true << true;
    QTest::newRow("TLS offered: the login encrypted")
        << QStringList() << true << false << u"TLS login encrypted"_qs << false << true;
    QTest::newRow("encryption forced: everything encrypted")
        << QStringList{u"--force-encryption"_qs} << true << false << u"TLS everything encrypted"_qs << false << false;
    QTest::newRow("Encrypt=yes: everything encrypted")
        << QStringList() << true << true << u"TLS everything encrypted"_qs << false << false;
}

void tst_wire::encryptionOnTheWire()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, certificate);
    QFETCH(bool, encryptSetting);
    QFETCH(QString, logged);
    QFETCH(bool, passwordInClear);
    QFETCH(bool, namesInClear);

    TestCertificates pki;
    QString error;
    QVERIFY2(pki.make(m_home.path(), &error), qPrintable(error));
    if (certificate)
        serverOptions += {u"--tls-cert"_qs, pki.serverCertificate, u"--tls-key"_qs, pki.serverKey};
    QVERIFY(startServer(serverOptions));
    TcpRelay relay(m_server->port());
    QVERIFY(relay.open());

    // The program, through the relay: a login, a search, a print log.
    db::SqlServerClient client(5);
    client.openWithSettings({u"127.0.0.1,%1"_qs.arg(relay.port()), u"Laboratory"_qs,
                             QString::fromUtf16(ServerProcess::kUser), QString::fromUtf16(ServerProcess::kPassword),
                             encryptSetting ? std::optional<bool>(true) : std::nullopt});
    QCOMPARE(client.openStatic(db::searchCommand(QString::fromLatin1(penaChargeslip), 2)).text(u"PatientName"_qs),
             u"PEÑA, JOSÉ LUIS"_qs);
    QString barcode = QString::fromLatin1(obrienBBarcode);
    QVERIFY(db::SaveBarcodeLog(client, barcode).recorded());
    client.close();

    if (!logged.isEmpty())
        QVERIFY2(m_server->loggedRequests().contains(logged), qPrintable(m_server->loggedRequests().join(u'\n')));
    // What an eavesdropper saw: the password as the login carries it, the names
    // as the answers do.
    QTRY_VERIFY(!relay.recorded().isEmpty());
    const QByteArray seen = relay.recorded();
    QByteArray password = RawTdsClient::utf16(QString::fromUtf16(ServerProcess::kPassword));
    for (char &c : password)
        c = char(quint8((quint8(c) << 4) | (quint8(c) >> 4)) ^ 0xA5);
    QCOMPARE(seen.contains(password), passwordInClear);
    QCOMPARE(seen.contains(RawTdsClient::utf16(u"PEÑA, JOSÉ LUIS"_qs)), namesInClear);
    QCOMPARE(seen.contains(RawTdsClient::utf16(u"Laboratory..Lab_Barcode_SaveMaster"_qs)), namesInClear);
}

void tst_wire::printLog_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<bool>("commits");
    QTest::addColumn<bool>("connectionSurvives");

    // Batches of one log of two rows: 1 re-query, then per row master, clock, date (2-4, 5-7).
    QTest::newRow("commits") << QStringList() << true << true;
    QTest::newRow("second date row fails") << QStringList{u"--fail-batch"_qs, u"7"_qs} << false << true;
    QTest::newRow("clock reading fails") << QStringList{u"--fail-batch"_qs, u"6"_qs} << false << true;
    // The server rolls the transaction back itself and the client's rollback finds
    // none: the connection is closed rather than trusted, and opened again.
    QTest::newRow("deadlock victim at the first date row")
        << QStringList{u"--deadlock-batch"_qs, u"4"_qs} << false << false;
    QTest::newRow("connection dropped after second master row")
        << QStringList{u"--drop-after"_qs, u"5"_qs} << false << false;
}

void tst_wire::printLog()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, commits);
    QFETCH(bool, connectionSurvives);

    // A barcode shared by two exams: the log writes two master and two date rows.
    const QString original = labdb::addChargeslip(m_dbPath, 2, true).barcodes.first();
    const std::unique_ptr<db::DbClient> client = openClient(Impl::Wire, serverOptions);
    QVERIFY(client && client->isOpen());
    labdb::Session reference(m_dbPath);
    const qsizetype rows = reference.execute(db::requeryCommand(original)).rows.size();
    QCOMPARE(rows, 2);

    QString barcode = original;
    QCOMPARE(db::SaveBarcodeLog(*client, barcode).recorded(), commits);
    QCOMPARE(barcode, commits ? QString() : original);

    if (!connectionSurvives && !serverOptions.contains(u"--deadlock-batch"_qs)) {
        // The server rolls the dropped connection's transaction back.
        QTRY_VERIFY(m_server->loggedRequests().contains(u"TM ROLLBACK (connection closed)"_qs));
    }
    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(log.masterRows.size(), commits ? rows : 0);
    QCOMPARE(log.dateRows.size(), commits ? rows : 0);

    // The next search is served: on the live connection, or on the dropped one
    // opened again with the same settings.
    const QString search = db::searchCommand(QString::fromLatin1(obrienTBarcode), 3);
    QCOMPARE(client->openStatic(search).rowCount(), 2);
    QCOMPARE(m_server->loggedRequests().filter(u"LOGIN"_qs).size(), connectionSurvives ? 1 : 2);
}

void tst_wire::batchTextsReachServerUnchanged()
{
    // Plain answers store the date text as it came, so the log holds every text sent.
    const QString shared = labdb::addChargeslip(m_dbPath, 2, true).barcodes.first();
    const std::unique_ptr<db::DbClient> client = openClient(Impl::Wire, {u"--answers"_qs, u"plain"_qs});
    QVERIFY(client && client->isOpen());
    const qsizetype before = m_server->loggedRequests().size();

    client->openStatic(db::searchCommand(u"T55C"_qs, 3));
    QString barcode = shared;
    QVERIFY(db::SaveBarcodeLog(*client, barcode));

    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(log.masterRows.size(), 2);
    QStringList expected{u"BATCH Laboratory..Lab_Barcode_GetRequests 'T55C',3"_qs, u"TM BEGIN"_qs,
                         u"BATCH Laboratory..Lab_Barcode_GetRequests '"_qs + shared + u'\''};
    for (int i = 0; i < 2; ++i) {
        const QStringList &m = log.masterRows.at(i);
        const QStringList &d = log.dateRows.at(i);
        expected << u"BATCH Laboratory..Lab_Barcode_SaveMaster '"_qs + m.mid(0, 9).join(u"','"_qs) + u'\''
                 << u"BATCH SELECT getdate() as serverdate"_qs
                 << u"BATCH Laboratory..Lab_Barcode_SaveDate '"_qs + d.at(0) + u"','"_qs + d.at(1) + u"','"_qs + d.at(2)
                + u"','"_qs + d.at(3) + u"','0',''"_qs;
        // The stamp is the general date form of the server's clock.
        QVERIFY2(QRegularExpression(u"^\\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d{2}:\\d{2} [AP]M)?$"_qs)
                     .match(d.at(3))
                     .hasMatch(),
                 qPrintable(d.at(3)));
    }
    expected << u"TM COMMIT AND BEGIN"_qs;
    const QStringList logged = m_server->loggedRequests().mid(before, expected.size());
    QCOMPARE(logged, expected);
}

void tst_wire::windowSearchOverTheWire()
{
    // The second search batch of the connection fails on the server.
    QStringList messages;
    QVERIFY(connectProgram({u"--fail-batch"_qs, u"2"_qs}, messages));

    testsupport::MainWindow mainWindow(db::DbConnection());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *number = window.findChild<widgets::vkTextBox *>(u"txtNumber"_qs);
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    QVERIFY(number && exams);

    // Typed in lower case: the server receives the upper-cased number in mode 3.
    QTest::keyClicks(number, u"t1000001c"_qs);
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(exams->listCount(), 2);
    QCOMPARE(window.findChild<widgets::vkLabel *>(u"lblPatientName"_qs)->caption(), u"O'BRIEN, MARGARET"_qs);
    QCOMPARE(mainWindow.patient().Barcodes.mid(0, 2), (QStringList{u"T1000001C"_qs, u"T1000002C"_qs}));
    QCOMPARE(m_server->loggedRequests().filter(u"BATCH Laboratory"_qs),
             QStringList{u"BATCH Laboratory..Lab_Barcode_GetRequests 'T1000001C',3"_qs});
    QVERIFY(messages.isEmpty());

    // The server's error text is what the message box shows.
    QTest::mouseClick(window.findChild<QWidget *>(u"cmdNew"_qs), Qt::LeftButton);
    QTest::keyClicks(number, QString::fromLatin1(penaChargeslip));
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(messages, QStringList{u"Injected failure of batch 2."_qs});
}

void tst_wire::windowPrintRunOverTheWire_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<bool>("logged");

    // Batches: 1 the search; the first exam's log 2 re-query, 3 master, 4 clock, 5 date.
    // (Failed logs at every step: tst_wirefaults.)
    QTest::newRow("logged") << QStringList() << true;
    QTest::newRow("connection dropped in the first log") << QStringList{u"--drop-after"_qs, u"3"_qs} << false;
}

void tst_wire::windowPrintRunOverTheWire()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, logged);

    QTemporaryDir stickers;
    QStringList messages;
    QVERIFY(connectProgram(serverOptions, messages));

    testsupport::MainWindow mainWindow(db::DbConnection(), stickers.path());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *number = window.findChild<widgets::vkTextBox *>(u"txtNumber"_qs);
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    const QString barcode = QString::fromLatin1(obrienTBarcode);
    QTest::keyClicks(number, barcode);
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(exams->listCount(), 2);
    const QStringList found = mainWindow.patient().Barcodes.mid(0, 2);

    QStringList questions;
    widgets::setQuestionHandler([&questions](const QString &text, const QString &, widgets::QuestionIcon) {
        questions.append(text);
        return false;
    });
    const auto noQuestions = qScopeGuard([] { widgets::setQuestionHandler(nullptr); });
    QTest::mouseClick(window.findChild<QWidget *>(u"cmdGenerate"_qs), Qt::LeftButton);
    // Both exams are printed and logged; or the failing log stops the run after the
    // first exam and is told.
    QCOMPARE(QDir(stickers.path()).entryList({u"*.pdf"_qs}, QDir::Files).size(), logged ? 2 : 1);
    QCOMPARE(messages, QStringList());
    QCOMPARE(questions.size(), logged ? 0 : 1);
    QCOMPARE(mainWindow.patient().Barcodes.mid(0, 2), logged ? QStringList(2, QString()) : found);
    if (!logged) {
        QVERIFY2(questions.first().contains(found.first()), qPrintable(questions.first()));
        QTRY_VERIFY(m_server->loggedRequests().contains(u"TM ROLLBACK (connection closed)"_qs));
    }
    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(log.masterRows.size(), logged ? 2 : 0);
    QCOMPARE(log.dateRows.size(), logged ? 2 : 0);

    // The next search finds the patient again, on the dropped connection opened again.
    if (!logged)
        QTest::mouseClick(window.findChild<QWidget *>(u"cmdNew"_qs), Qt::LeftButton);
    QTest::keyClicks(number, barcode);
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(exams->listCount(), 2);
    QCOMPARE(messages, QStringList());
    QCOMPARE(m_server->loggedRequests().filter(u"LOGIN"_qs).size(), logged ? 1 : 2);
}

void tst_wire::packetsPartialReadsAndAttention()
{
    // The tokens of the plain answers: the result set and one DONE with its count.
    QVERIFY(startServer({u"--answers"_qs, u"plain"_qs}));
    RawTdsClient raw;
    // Small packets: long requests and long answers both span several.
    QVERIFY(logIn(raw, 512));

    // A request over several packets, trickled a few bytes at a time. Trailing
    // blanks do not change the number, so the answer is O'Brien's two exams.
    const QString padded = QString::fromLatin1(obrienTBarcode) + QString(1500, u' ');
    raw.sendBatch(u"Laboratory..Lab_Barcode_GetRequests '"_qs + padded + u"',3"_qs, true);
    QByteArray reply = raw.readReply();
    QVERIFY(reply.contains(RawTdsClient::utf16(u"O'BRIEN, MARGARET"_qs)));
    QCOMPARE(RawTdsClient::finalDoneStatus(reply), quint16(0x0010));
    QCOMPARE(RawTdsClient::finalDoneCount(reply), quint64(2));
    QCOMPARE(m_server->loggedRequests().filter(u"BATCH"_qs).last(),
             u"BATCH Laboratory..Lab_Barcode_GetRequests '"_qs + padded + u"',3"_qs);

    // An answer over many packets.
    raw.sendBatch(db::searchCommand(QString::fromLatin1(bigChargeslip), 2));
    reply = raw.readReply();
    QVERIFY(raw.lastReplyPackets() > 10);
    QCOMPARE(RawTdsClient::finalDoneCount(reply), quint64(bigChargeslipExams));

    // Attention is acknowledged with a DONE carrying the attention bit, and the
    // connection goes on.
    raw.sendAttention();
    reply = raw.readReply();
    QCOMPARE(RawTdsClient::finalDoneStatus(reply) & 0x0020, 0x0020);
    raw.sendBatch(db::serverDateCommand());
    QCOMPARE(RawTdsClient::finalDoneCount(raw.readReply()), quint64(1));

    // Attention in the middle of a request still being sent: the request is
    // dropped unanswered, the attention acknowledged.
    raw.writeRaw(QByteArray::fromHex("0100000c0000010016000000"));
    raw.sendAttention();
    reply = raw.readReply();
    QCOMPARE(RawTdsClient::finalDoneStatus(reply), quint16(0x0020));
    QCOMPARE(reply.size(), 13);
    raw.sendBatch(db::serverDateCommand());
    QCOMPARE(RawTdsClient::finalDoneCount(raw.readReply()), quint64(1));

    // A message that breaks the framing closes that connection only.
    raw.writeRaw(QByteArray::fromHex("0101000400000100"));
    QCOMPARE(raw.readReply(3000), QByteArray());
    RawTdsClient other;
    QVERIFY(logIn(other));
}

void tst_wire::clientsKeepTheirOwnTransactions()
{
    QVERIFY(startServer());
    RawTdsClient writer;
    QVERIFY(logIn(writer));
    writer.sendTransaction(5);
    QCOMPARE(RawTdsClient::finalDoneStatus(writer.readReply()), quint16(0));
    const db::MasterRow row{u"R1"_qs, u"7"_qs, u"H9"_qs, u"B77"_qs, u"11"_qs, u"2"_qs, u"4"_qs, u"88"_qs, u"0"_qs};
    writer.sendBatch(db::saveMasterCommand(row));
    QCOMPARE(RawTdsClient::finalDoneStatus(writer.readReply()) & 0x0002, 0);

    // Another client, meanwhile, reads on its own connection and does not see
    // the uncommitted row.
    db::SqlServerClient reader(5);
    reader.openWithSettings({m_server->serverSetting(), u"Laboratory"_qs, QString::fromUtf16(ServerProcess::kUser),
                             QString::fromUtf16(ServerProcess::kPassword)});
    QCOMPARE(reader.openStatic(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3)).rowCount(), 2);
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 0);

    // The writer's connection goes away mid-transaction: rolled back, and the
    // database is free for the other client's own transaction.
    writer.abort();
    QTRY_VERIFY(m_server->loggedRequests().contains(u"TM ROLLBACK (connection closed)"_qs));
    reader.beginTrans();
    reader.execute(db::saveMasterCommand(row));
    reader.commitTrans();
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 1);
}

void tst_wire::shutdownRollsBackOpenTransactions()
{
    QVERIFY(startServer());
    RawTdsClient writer;
    QVERIFY(logIn(writer));
    writer.sendTransaction(5);
    QCOMPARE(RawTdsClient::finalDoneStatus(writer.readReply()), quint16(0));
    writer.sendBatch(
        db::saveMasterCommand({u"R1"_qs, u"7"_qs, u"H9"_qs, u"B77"_qs, u"11"_qs, u"2"_qs, u"4"_qs, u"88"_qs, u"0"_qs}));
    QCOMPARE(RawTdsClient::finalDoneStatus(writer.readReply()) & 0x0002, 0);

    QVERIFY(m_server->closeInputAndWait());
    QVERIFY(m_server->loggedRequests().contains(u"TM ROLLBACK (connection closed)"_qs));
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 0);
}

void tst_wire::crossCheckWithTedious_data()
{
    QTest::addColumn<bool>("encrypt");
    // The server offers TLS; tedious asks for none (and gets none) or for all of it.
    QTest::newRow("not encrypted") << false;
    QTest::newRow("everything encrypted") << true;
}

void tst_wire::crossCheckWithTedious()
{
    QFETCH(bool, encrypt);
    const QByteArray tediousDir = qgetenv("NORVANE_TEDIOUS_DIR");
    if (tediousDir.isEmpty())
        QSKIP("runs as the test tst_wire_tedious, after npm has installed tedious");
    TestCertificates pki;
    QString why;
    QVERIFY2(pki.make(m_home.path(), &why), qPrintable(why));
    QVERIFY(startServer({u"--tls-cert"_qs, pki.serverCertificate, u"--tls-key"_qs, pki.serverKey}));
    // The SQL Server answers: the procedure's types and row counts.
    labdb::Session reference(m_dbPath, labdb::SessionOptions::sqlServer());

    const QStringList reads{db::searchCommand(QString::fromLatin1(obrienTBarcode), 3),
                            db::searchCommand(QString::fromLatin1(penaChargeslip), 2),
                            db::requeryCommand(QString::fromLatin1(obrienNumericBarcode))};
    const db::MasterRow kept{u"R1"_qs, u"7"_qs, u"H9"_qs, u"B77"_qs, u"11"_qs, u"2"_qs, u"4"_qs, u"88"_qs, u"0"_qs};
    db::MasterRow dropped = kept;
    dropped.refNum = u"R2"_qs;
    const QString date = db::saveDateCommand(u"88"_qs, u"11"_qs, u"4"_qs, u"12/9/2024 2:05:33 PM"_qs);

    QJsonArray steps;
    for (const QString &sql : reads)
        steps.append(QJsonObject{{u"sql"_qs, sql}});
    steps.append(QJsonObject{{u"begin"_qs, true}});
    steps.append(QJsonObject{{u"sql"_qs, db::saveMasterCommand(kept)}});
    steps.append(QJsonObject{{u"sql"_qs, db::serverDateCommand()}});
    steps.append(QJsonObject{{u"sql"_qs, date}});
    steps.append(QJsonObject{{u"commit"_qs, true}});
    steps.append(QJsonObject{{u"begin"_qs, true}});
    steps.append(QJsonObject{{u"sql"_qs, db::saveMasterCommand(dropped)}});
    steps.append(QJsonObject{{u"rollback"_qs, true}});
    steps.append(QJsonObject{{u"sql"_qs, u"Laboratory..Lab_Barcode_GetRequests 'T1000001C',7"_qs}});

    QProcess node;
    node.setWorkingDirectory(QFile::decodeName(tediousDir));
    node.start(u"node"_qs,
               {QFile::decodeName(tediousDir) + u"/crosscheck.js"_qs, QString::number(m_server->port()),
                QString::fromUtf16(ServerProcess::kUser), QString::fromUtf16(ServerProcess::kPassword),
                u"Laboratory"_qs, encrypt ? u"encrypt"_qs : u"clear"_qs});
    QVERIFY2(node.waitForStarted(10000), qPrintable(node.errorString()));
    node.write(QJsonDocument(steps).toJson(QJsonDocument::Compact));
    node.closeWriteChannel();
    QVERIFY(node.waitForFinished(60000));
    QVERIFY2(node.exitCode() == 0, node.readAllStandardError().constData());
    const QJsonArray results = QJsonDocument::fromJson(node.readAllStandardOutput()).array();
    QCOMPARE(results.size(), steps.size());

    // The reads: every column and value as the interpreter gives them.
    auto json = [](const QVariant &v) -> QJsonValue {
        if (v.isNull())
            return QJsonValue::Null;
        if (v.metaType().id() == QMetaType::QDateTime)
            return v.toDateTime().toString(u"yyyy-MM-ddTHH:mm:ss.zzz"_qs);
        if (v.metaType().id() == QMetaType::QString)
            return v.toString();
        return v.toDouble();
    };
    for (int i = 0; i < reads.size(); ++i) {
        const labdb::Outcome expected = reference.execute(reads.at(i));
        const QJsonObject got = results.at(i).toObject();
        QJsonArray columns, rows;
        for (const labdb::Column &c : expected.columns)
            columns.append(c.name);
        for (const QVariantList &row : expected.rows) {
            QJsonArray r;
            for (const QVariant &v : row)
                r.append(json(v));
            rows.append(r);
        }
        QCOMPARE(got.value(u"columns"_qs).toArray(), columns);
        QCOMPARE(got.value(u"rows"_qs).toArray(), rows);
        // tedious adds up the counts of the procedure's statements: the rows
        // gathered, then the rows returned.
        QCOMPARE(got.value(u"rowCount"_qs).toInt(), 2 * int(expected.rows.size()));
    }
    QVERIFY2(m_server->loggedRequests().contains(encrypt
                                                     ? u"TLS everything encrypted"_qs
                                                     : u"ENCRYPTION asked not supported, answered not supported"_qs),
             qPrintable(m_server->loggedRequests().filter(u"ENCRYPTION"_qs).join(u'\n')));
    // The transaction steps: begin, master row (1 row), clock, date row (1 row), commit.
    QCOMPARE(results.at(3).toObject().value(u"ok"_qs).toBool(), true);
    QCOMPARE(results.at(4).toObject().value(u"rowCount"_qs).toInt(), 1);
    const QString clock = results.at(5).toObject().value(u"rows"_qs).toArray().at(0).toArray().at(0).toString();
    const QDateTime clockValue = QDateTime::fromString(clock, Qt::ISODateWithMs);
    QVERIFY2(clockValue.isValid() && qAbs(clockValue.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(clock));
    QCOMPARE(results.at(6).toObject().value(u"rowCount"_qs).toInt(), 1);
    QCOMPARE(results.at(7).toObject().value(u"ok"_qs).toBool(), true);
    QCOMPARE(results.at(10).toObject().value(u"ok"_qs).toBool(), true);
    // The error: number and text of the interpreter.
    const QJsonObject error = results.at(11).toObject().value(u"error"_qs).toObject();
    QCOMPARE(error.value(u"number"_qs).toInt(), 50000);
    QVERIFY2(error.value(u"message"_qs).toString().startsWith(u"Lab_Barcode_GetRequests: unknown search mode 7"_qs),
             qPrintable(error.value(u"message"_qs).toString()));

    // Only the committed transaction's rows are in the database.
    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(log.masterRows.size(), 1);
    QCOMPARE(log.masterRows.at(0).first(), u"R1"_qs);
    QCOMPARE(log.dateRows.size(), 1);
    // The date as the server read it (US English).
    QCOMPARE(log.dateRows.at(0).at(3), u"2024-12-09T14:05:33.000"_qs);
}

void tst_wire::keysTypedWhileServerHeld_data()
{
    QTest::addColumn<QString>("during");       // typed while the first search waits for the server
    QTest::addColumn<QStringList>("searched"); // the numbers the server was asked for, in order
    QTest::addColumn<QString>("shown");        // the number box at the end
    QTest::addColumn<int>("exams");

    const QString first = QString::fromLatin1(obrienTBarcode);
    const QString next = QString::fromLatin1(obrienBBarcode);
    QTest::newRow("next scan") << next + u"\r"_qs << QStringList{first, next} << next << 1;
    QTest::newRow("scanner's second Return") << u"\r"_qs << QStringList{first} << first << 2;
}

void tst_wire::keysTypedWhileServerHeld()
{
    QFETCH(QString, during);
    QFETCH(QStringList, searched);
    QFETCH(QString, shown);
    QFETCH(int, exams);

    QTemporaryDir stickers;
    QStringList messages;
    QVERIFY(connectProgram({}, messages));

    testsupport::MainWindow mainWindow(db::DbConnection(), stickers.path());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *number = window.findChild<widgets::vkTextBox *>(u"txtNumber"_qs);
    auto *list = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    QWindow *handle = window.windowHandle();

    // The server stops answering; the first scan's search waits for it while
    // the next keys arrive from the window system; then the server goes on.
    QVERIFY(m_server->hold());
    std::atomic<bool> released = false;
    QElapsedTimer clock;
    clock.start();
    {
        std::jthread typist([&] {
            QThread::msleep(500);
            testsupport::queuePlatformKeys(handle, during);
            QThread::msleep(1000);
            released = m_server->release();
        });
        testsupport::queuePlatformKeys(handle, QString::fromLatin1(obrienTBarcode) + u"\r"_qs);
        // The numbers searched, in order: each once.
        QStringList expected;
        for (const QString &n : searched)
            expected.append(u"BATCH Laboratory..Lab_Barcode_GetRequests '"_qs + n + u"',3"_qs);
        QTRY_VERIFY2_WITH_TIMEOUT(m_server->loggedRequests().filter(u"BATCH Laboratory"_qs) == expected,
                                  qPrintable(m_server->loggedRequests().join(u"\n"_qs)), 20000);
        QTRY_COMPARE(number->text(), shown);
        QTRY_COMPARE(list->listCount(), exams);
    }
    QVERIFY(released);
    QVERIFY2(clock.elapsed() >= 1500, "the first search was answered while the server was held");
    QTest::qWait(200); // anything still on its way arrives

    // Nothing more searched, nothing printed or logged.
    QCOMPARE(m_server->loggedRequests().filter(u"BATCH Laboratory"_qs).size(), searched.size());
    QVERIFY(m_server->loggedRequests().filter(u"TM BEGIN"_qs).isEmpty());
    QCOMPARE(QDir(stickers.path()).entryList({u"*.pdf"_qs}, QDir::Files), QStringList());
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 0);
    QCOMPARE(messages, QStringList());
    QCOMPARE(list->listCount(), exams);
    QCOMPARE(window.focusWidget(), window.findChild<QWidget *>(u"cmdGenerate"_qs));
}

QTEST_MAIN(tst_wire)
#include "tst_wire.moc"
