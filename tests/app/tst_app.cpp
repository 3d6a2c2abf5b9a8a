#include "app/journalcommand.h"
#include "app/modconnect.h"
#include "app/showmodal.h"
#include "common/loopback.h"
#include "db/dberror.h"
#include "db/sqlserverclient.h"
#include "journal/printjournal.h"
#include "settings/journalsettings.h"
#include "settings/printersettings.h"
#include "settings/settingsstore.h"
#include "widgets/messagebox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

using namespace app;
using settings::SettingsStore;
namespace mc = app::modConnect;

using SettingsMap = QMap<QString, QString>;

namespace {

// What a stand-in database client saw.
struct ClientLog
{
    QStringList calls; // "open <string>", "close"
    bool failOpen = false;
    bool open = false;
};

class FakeClient : public db::DbClient
{
public:
    explicit FakeClient(ClientLog *log)
        : m_log(log)
    {
    }
    bool isOpen() const override { return m_log->open; }
    void open(const QString &connectionString) override
    {
        m_log->calls.append(u"open "_qs + connectionString);
        if (m_log->failOpen)
            throw db::DbError(u"Login failed for user 'lab'."_qs);
        m_log->open = true;
    }
    void close() override
    {
        m_log->calls.append(u"close"_qs);
        m_log->open = false;
    }
    void execute(const QString &) override { }
    db::DbResult openStatic(const QString &) override { return {}; }
    db::DbResult openReadOnce(const QString &) override { return {}; }
    void beginTrans() override { }
    void commitTrans() override { }
    void rollbackTrans() override { }

private:
    ClientLog *m_log;
};

} // namespace

class tst_app : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void settingsFileForms_data();
    void settingsFileForms();
    void printerCheckSetting_data();
    void printerCheckSetting();
    void loadConnectionSettings();

    void openConnectionString_data();
    void openConnectionString();
    void openConnectionClosesAnOpenConnectionFirst();
    void openConnectionFailsOnClosedPort();
    void openConnectionGivesUpOnSilentServer();

    void mainShowsWarningWhenTheOpenFails();
    void mainWithoutSettingsOnTheRealClient();
    void mainShowsTheMainWindowWhenConnected();
    void showModalReturnsOnceTheWindowCloses();

    void journalSettings_data();
    void journalSettings();
    void journalCommand_data();
    void journalCommand();

private:
    // Writes the program's settings file as a site's IT would, key by key.
    void writeConnectionSettings(const QMap<QString, QString> &values);
    ClientLog *installFake();

    QTemporaryDir m_home;
    ClientLog m_log;
    QStringList m_boxes; // "caption|text" of every message box
};

void tst_app::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before the first QSettings: the store's folder is fixed at first use.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
    widgets::setMessageBoxHandler(
        [this](const QString &text, const QString &caption) { m_boxes.append(caption + u"|"_qs + text); });
}

void tst_app::init()
{
    m_boxes.clear();
    m_log = ClientLog();
    QFile::remove(SettingsStore(u"ZEMRIX Current User"_qs).location());
}

void tst_app::cleanup()
{
    db::installConnection(nullptr);
}

void tst_app::writeConnectionSettings(const QMap<QString, QString> &values)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, u"ZEMRIX Current User"_qs);
    store.clear();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        store.setValue(u"Connection/"_qs + it.key(), it.value());
    store.sync();
    QCOMPARE(store.status(), QSettings::NoError);
}

ClientLog *tst_app::installFake()
{
    db::installConnection(std::make_unique<FakeClient>(&m_log));
    return &m_log;
}

void tst_app::settingsFileForms_data()
{
    // The file as a site writes it by hand: what each line reads as. An absent key
    // gives the default; a key that is there gives its value, even when empty.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << QByteArray("[Connection]\nServer=LABSRV\n") << u"Server"_qs << true << u"LABSRV"_qs;
    QTest::newRow("absent key") << QByteArray("[Connection]\nServer=LABSRV\n") << u"Password"_qs << false << QString();
    QTest::newRow("other section only") << QByteArray("[Other]\nServer=LABSRV\n") << u"Server"_qs << false << QString();
    QTest::newRow("key names are case-sensitive")
        << QByteArray("[Connection]\nserver=LABSRV\n") << u"Server"_qs << false << QString();
    QTest::newRow("empty value") << QByteArray("[Connection]\nUser=\n") << u"User"_qs << true << QString();
    QTest::newRow("host,port unquoted") << QByteArray("[Connection]\nServer=10.0.0.5,1433\n") << u"Server"_qs << true
                                        << u"10.0.0.5,1433"_qs;
    QTest::newRow("host,port quoted") << QByteArray("[Connection]\nServer=\"10.0.0.5,1433\"\n") << u"Server"_qs << true
                                      << u"10.0.0.5,1433"_qs;
    QTest::newRow("host-instance, backslash doubled") << QByteArray("[Connection]\nServer=LABSRV\\\\SQLEXPRESS\n")
                                                      << u"Server"_qs << true << u"LABSRV\\SQLEXPRESS"_qs;
    QTest::newRow("password with ; = { } quoted")
        << QByteArray("[Connection]\nPassword=\"a;b=c{d}\"\n") << u"Password"_qs << true << u"a;b=c{d}"_qs;
    QTest::newRow("password with quote and backslash escaped")
        << QByteArray("[Connection]\nPassword=\"x\\\"y\\\\z\"\n") << u"Password"_qs << true << u"x\"y\\z"_qs;
    QTest::newRow("UTF-8") << QByteArray("[Connection]\nDatabase=Laborat\xc3\xb3rio\n") << u"Database"_qs << true
                           << u"Laboratório"_qs;
}

void tst_app::settingsFileForms()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(bool, present);
    QFETCH(QString, expected);

    // A store of its own per row, so that no cached file stands in for the new one.
    const SettingsStore store(u"Norvane Test "_qs + QString::fromLatin1(QTest::currentDataTag()));
    const QString path = store.location();
    QVERIFY2(path.startsWith(m_home.filePath(u"config/"_qs)) && path.endsWith(u".conf"_qs), qPrintable(path));
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file);
    out.close();

    QCOMPARE(store.value(u"Connection"_qs, key, QString()), expected);
    QCOMPARE(store.value(u"Connection"_qs, key, u"default"_qs), present ? expected : u"default"_qs);
}

void tst_app::printerCheckSetting_data()
{
    QTest::addColumn<QString>("value"); // null: no such key
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("told"); // the log file says the value was not taken
    QTest::newRow("not set") << QString() << 5.0 << false;
    QTest::newRow("whole") << "1" << 1.0 << false;
    QTest::newRow("fraction, spaces around") << " 2.5 " << 2.5 << false;
    QTest::newRow("off") << "0" << 0.0 << false;
    QTest::newRow("largest") << "600" << 600.0 << false;
    QTest::newRow("too large: the default") << "601" << 5.0 << true;
    QTest::newRow("negative: the default") << "-1" << 5.0 << true;
    QTest::newRow("no number: the default") << "5s" << 5.0 << true;
    QTest::newRow("empty: the default") << "" << 5.0 << false;
}

void tst_app::printerCheckSetting()
{
    QFETCH(QString, value);
    QFETCH(double, seconds);
    QFETCH(bool, told);
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, u"ZEMRIX Current User"_qs);
        store.clear();
        if (!value.isNull())
            store.setValue(u"Printer/TakeJobSeconds"_qs, value);
        store.sync();
        QCOMPARE(store.status(), QSettings::NoError);
    }
    if (told)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"^\\[Printer\\] TakeJobSeconds=.* is not a number of "
                                                u"seconds from 0 to 600: 5 is used$"_qs));
    QCOMPARE(settings::readPrinterSettings().takeJobSeconds, seconds);
}

void tst_app::loadConnectionSettings()
{
    // Where the program looks: <config>/ZEMRIX Current User.conf.
    QCOMPARE(SettingsStore(u"ZEMRIX Current User"_qs).location(),
             m_home.filePath(u"config/ZEMRIX Current User.conf"_qs));

    writeConnectionSettings({{u"Server"_qs, u"LABSRV,1433"_qs},
                             {u"Database"_qs, u"Laboratory"_qs},
                             {u"User"_qs, u"lab"_qs},
                             {u"Password"_qs, u"p;w=d}"_qs}});
    mc::LoadConnectionSettings();
    QCOMPARE(mc::DbServer, u"LABSRV,1433"_qs);
    QCOMPARE(mc::DbName, u"Laboratory"_qs);
    QCOMPARE(mc::DbUser, u"lab"_qs);
    QCOMPARE(mc::DbPassword, u"p;w=d}"_qs);

    // Every read replaces the earlier values; an absent key reads as "".
    writeConnectionSettings({{u"Server"_qs, u"OTHER"_qs}});
    mc::LoadConnectionSettings();
    QCOMPARE(mc::DbServer, u"OTHER"_qs);
    QCOMPARE(mc::DbName, QString());
    QCOMPARE(mc::DbUser, QString());
    QCOMPARE(mc::DbPassword, QString());
}

void tst_app::openConnectionString_data()
{
    QTest::addColumn<SettingsMap>("settings");
    QTest::addColumn<QString>("expected");

    QTest::newRow("all settings absent") << QMap<QString, QString>()
                                         << u"Provider=SQLOLEDB;Server=;UID=;Database=;Password="_qs;
    QTest::newRow("only the password absent")
        << QMap<QString, QString>{{u"Server"_qs, u"LABSRV"_qs},
                                  {u"Database"_qs, u"Laboratory"_qs},
                                  {u"User"_qs, u"lab"_qs}}
        << u"Provider=SQLOLEDB;Server=LABSRV;UID=lab;Database=Laboratory;Password="_qs;
    QTest::newRow("values as they stand")
        << QMap<QString, QString>{{u"Server"_qs, u" LABSRV\\SQLEXPRESS "_qs},
                                  {u"Database"_qs, u"Lab"_qs},
                                  {u"User"_qs, u"Lab User"_qs},
                                  {u"Password"_qs, u"a;b=c{d}"_qs}}
        << u"Provider=SQLOLEDB;Server= LABSRV\\SQLEXPRESS ;UID=Lab User;Database=Lab;Password=a;b=c{d}"_qs;
}

void tst_app::openConnectionString()
{
    QFETCH(SettingsMap, settings);
    QFETCH(QString, expected);
    writeConnectionSettings(settings);
    ClientLog *log = installFake();

    QVERIFY(mc::OpenConnection());
    QCOMPARE(log->calls, QStringList{u"open "_qs + expected});

    // A refused open is the result false, with nothing shown.
    db::installConnection(nullptr);
    m_log = ClientLog();
    m_log.failOpen = true;
    installFake();
    QString failure;
    QVERIFY(!mc::OpenConnection(&failure));
    QCOMPARE(failure, u"Login failed for user 'lab'."_qs);
    QCOMPARE(log->calls, QStringList{u"open "_qs + expected});
    QVERIFY(m_boxes.isEmpty());
}

void tst_app::openConnectionClosesAnOpenConnectionFirst()
{
    ClientLog *log = installFake();
    QVERIFY(mc::OpenConnection());
    QVERIFY(mc::OpenConnection());
    const QString open = u"open Provider=SQLOLEDB;Server=;UID=;Database=;Password="_qs;
    QCOMPARE(log->calls, (QStringList{open, u"close"_qs, open}));
    QVERIFY(&mc::DbConnection() == &db::DbConnection());
}

void tst_app::openConnectionFailsOnClosedPort()
{
    const quint16 port = testsupport::closedLoopbackPort();
    QVERIFY(port != 0);
    writeConnectionSettings({{u"Server"_qs, u"127.0.0.1,%1"_qs.arg(port)},
                             {u"Database"_qs, u"Laboratory"_qs},
                             {u"User"_qs, u"lab"_qs},
                             {u"Password"_qs, u"pw"_qs}});
    db::installConnection(std::make_unique<db::SqlServerClient>(2));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!mc::OpenConnection());
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!mc::DbConnection().isOpen());
    QVERIFY(m_boxes.isEmpty());
}

void tst_app::openConnectionGivesUpOnSilentServer()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    writeConnectionSettings({{u"Server"_qs, u"127.0.0.1,%1"_qs.arg(silent.serverPort())},
                             {u"Database"_qs, u"Laboratory"_qs},
                             {u"User"_qs, u"lab"_qs},
                             {u"Password"_qs, u"pw"_qs}});
    db::installConnection(std::make_unique<db::SqlServerClient>(1));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!mc::OpenConnection());
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(silent.hasPendingConnections() || silent.waitForNewConnection(1000));
}

void tst_app::mainShowsWarningWhenTheOpenFails()
{
    writeConnectionSettings({{u"Server"_qs, u"LABSRV"_qs},
                             {u"Database"_qs, u"Laboratory"_qs},
                             {u"User"_qs, u"lab"_qs},
                             {u"Password"_qs, u"s3cret"_qs}});
    m_log.failOpen = true;
    installFake();
    int mainWindows = 0;
    // The box, then the driver's reason with what was tried (never the password) in the log.
    QTest::ignoreMessage(QtWarningMsg,
                         "Unable to contact the database server: server \"LABSRV\", database "
                         "\"Laboratory\", user \"lab\" failed: Login failed for user 'lab'.");
    QVERIFY(!mc::Main([&mainWindows] { ++mainWindows; }));
    QCOMPARE(m_boxes, QStringList{u"Norvane|Unable to contact the database server."_qs});
    QCOMPARE(mainWindows, 0);
}

void tst_app::mainWithoutSettingsOnTheRealClient()
{
    // No settings file at all, the client the program creates by itself.
    db::installConnection(nullptr);
    int mainWindows = 0;
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(u"^Unable to contact the database server: server \"\", "
                                            "database \"\", user \"\", ODBC driver \"FreeTDS\" failed: .+"_qs));
    QVERIFY(!mc::Main([&mainWindows] { ++mainWindows; }));
    QCOMPARE(m_boxes, QStringList{u"Norvane|Unable to contact the database server."_qs});
    QCOMPARE(mainWindows, 0);
    QVERIFY(!mc::DbConnection().isOpen());
    QVERIFY(dynamic_cast<db::SqlServerClient *>(&mc::DbConnection()));
}

void tst_app::mainShowsTheMainWindowWhenConnected()
{
    ClientLog *log = installFake();
    int mainWindows = 0;
    QVERIFY(mc::Main([&] {
        ++mainWindows;
        QVERIFY(mc::DbConnection().isOpen());
    }));
    QCOMPARE(mainWindows, 1);
    QVERIFY(m_boxes.isEmpty());
    // The connection stays open: nothing closes it before the program ends.
    QVERIFY(log->open);
    QCOMPARE(log->calls.size(), 1);
}

void tst_app::showModalReturnsOnceTheWindowCloses()
{
    QPointer<QWidget> window = new QWidget;
    bool wasVisible = false;
    QTimer::singleShot(0, window, [&] {
        wasVisible = window->isVisible() && window->isModal();
        window->close();
    });
    showModal(window);
    QVERIFY(wasVisible);
    QVERIFY(window.isNull());
}

void tst_app::journalSettings_data()
{
    QTest::addColumn<SettingsMap>("journal"); // the keys of [Journal]
    QTest::addColumn<int>("keepDays");
    QTest::addColumn<int>("reprintHours");
    QTest::addColumn<QString>("problem"); // part of it; empty: none

    QTest::newRow("not set") << SettingsMap() << 90 << 24 << QString();
    QTest::newRow("set") << SettingsMap{{u"KeepDays"_qs, u"30"_qs}, {u"ReprintWarningHours"_qs, u" 8 "_qs}} << 30 << 8
                         << QString();
    QTest::newRow("0 keeps every line, 0 never asks")
        << SettingsMap{{u"KeepDays"_qs, u"0"_qs}, {u"ReprintWarningHours"_qs, u"0"_qs}} << 0 << 0 << QString();
    QTest::newRow("no number")
        << SettingsMap{{u"KeepDays"_qs, u"ninety"_qs}} << 90 << 24
        << u"[Journal] KeepDays=ninety is not a whole number of days (0 or more); 90 is used."_qs;
    QTest::newRow("negative") << SettingsMap{{u"ReprintWarningHours"_qs, u"-1"_qs}} << 90 << 24
                              << u"[Journal] ReprintWarningHours=-1 is not a whole number of hours"_qs;
}

void tst_app::journalSettings()
{
    QFETCH(SettingsMap, journal);
    QFETCH(int, keepDays);
    QFETCH(int, reprintHours);
    QFETCH(QString, problem);
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, u"ZEMRIX Current User"_qs);
        store.clear();
        for (auto it = journal.cbegin(); it != journal.cend(); ++it)
            store.setValue(u"Journal/"_qs + it.key(), it.value());
    }
    const settings::JournalSettings read = settings::readJournalSettings(
        SettingsStore(QString::fromUtf16(settings::kApplication)));
    QCOMPARE(read.keepDays, keepDays);
    QCOMPARE(read.reprintWarningHours, reprintHours);
    QCOMPARE(read.problem.isEmpty(), problem.isEmpty());
    QVERIFY2(read.problem.contains(problem), qPrintable(read.problem));
}

void tst_app::journalCommand_data()
{
    QTest::addColumn<QString>("journal"); // a journal with lines, none, or one that cannot be read
    QTest::addColumn<QString>("since");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("barcodes"); // the lines printed, in order
    QTest::addColumn<QString>("error");        // part of what is said on standard error

    QTest::newRow("today's") << u"lines"_qs << QString() << 0 << QStringList{u"T1000002C"_qs, u"T1000003C"_qs}
                             << QString();
    QTest::newRow("since yesterday") << u"lines"_qs << u"yesterday"_qs << 0
                                     << QStringList{u"T1000001C"_qs, u"T1000002C"_qs, u"T1000003C"_qs} << QString();
    QTest::newRow("since a time today") << u"lines"_qs << u"late"_qs << 0 << QStringList{u"T1000003C"_qs} << QString();
    QTest::newRow("no journal yet") << u"none"_qs << QString() << 0 << QStringList()
                                    << u"nothing has been printed on this workstation"_qs;
    QTest::newRow("not a journal that can be read") << u"later version"_qs << QString() << 1 << QStringList()
                                                    << u"cannot be read: it was written by a later version"_qs;
}

void tst_app::journalCommand()
{
    QFETCH(QString, journal);
    QFETCH(QString, since);
    QFETCH(int, status);
    QFETCH(QStringList, barcodes);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"journal.sqlite"_qs);
    const QDateTime morning = QDate::currentDate().startOfDay().addSecs(8 * 3600);
    if (journal == u"lines") {
        // Yesterday's line, and two of this morning, 08:00 and 09:00.
        journal::PrintJournal printJournal;
        QVERIFY(printJournal.open(path));
        const QDateTime times[] = {morning.addDays(-1), morning, morning.addSecs(3600)};
        for (int i = 0; i < 3; ++i) {
            printJournal.setClock([&times, i] { return times[i]; });
            journal::Line l;
            l.barcode = u"T100000%1C"_qs.arg(i + 1);
            l.patientName = u"O'BRIEN, MARGARET"_qs;
            QVERIFY(printJournal.add(l) > 0);
        }
    } else if (journal == u"later version") {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"later"_qs);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(u"PRAGMA user_version = 99"_qs));
        }
        QSqlDatabase::removeDatabase(u"later"_qs);
    }
    if (since == u"yesterday")
        since = morning.date().addDays(-1).toString(Qt::ISODate);
    else if (since == u"late")
        since = morning.addSecs(1800).toString(u"yyyy-MM-ddTHH:mm"_qs);

    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(app::printJournal(out, err, path, since), status);
    out.flush();
    err.flush();
    QVERIFY2(errText.contains(error), qPrintable(errText));
    QCOMPARE(errText.isEmpty(), error.isEmpty());
    QCOMPARE(QFileInfo::exists(path), journal != u"none");
    if (status != 0)
        return;
    const QStringList lines = outText.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.value(0).startsWith(u"time\tbarcode\tpatient\t"_qs), qPrintable(outText));
    QStringList printed;
    for (const QString &line : lines.mid(1)) {
        printed << line.section(u'\t', 1, 1);
        QCOMPARE(line.section(u'\t', 2, 2), u"O'BRIEN, MARGARET"_qs);
    }
    QCOMPARE(printed, barcodes);
}

QTEST_MAIN(tst_app)
#include "tst_app.moc"
