#include "app/journalcommand.h"
#include "app/connectioncheck.h"
#include "app/modconnect.h"
#include "app/showmodal.h"
#include "common/loopback.h"
#include "db/dberror.h"
#include "db/sqlserverclient.h"
#include "journal/printjournal.h"
#include "settings/journalsettings.h"
#include "settings/printersettings.h"
#include "settings/settingsstore.h"
#include "settings/settingswarnings.h"
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
    void settingsFallBackKeyByKey_data();
    void settingsFallBackKeyByKey();
    void loadConnectionSettings();
    void valuesCutAtSemicolon_data();
    void valuesCutAtSemicolon();
    void settingsWarnings_data();
    void settingsWarnings();
    void checkConnectionNamesEachValuesFile_data();
    void checkConnectionNamesEachValuesFile();

    void openConnectionString_data();
    void openConnectionString();
    void openConnectionClosesAnOpenConnectionFirst();
    void openConnectionFailsOnClosedPort();
    void openConnectionGivesUpOnSilentServer();

    void mainShowsWarningWhenTheOpenFails();
    void mainLogsSettingsWarnings();
    void mainWithoutSettingsOnTheRealClient();
    void mainShowsTheMainWindowWhenConnected();
    void showModalReturnsOnceTheWindowCloses();

    void journalSettings_data();
    void journalSettings();
    void journalCommand_data();
    void journalCommand();

private:
    // Writes the program's settings file as a site's IT would, key by key, readable by
    // its user alone.
    void writeConnectionSettings(const QMap<QString, QString> &values);
    // The workstation's file of application in the first or second folder of
    // $XDG_CONFIG_DIRS, and the user's file; a null text removes the file.
    QString workstationFile(const QString &application, int folder) const;
    QString userFile(const QString &application) const;
    static void writeFile(const QString &path, const QByteArray &text, QFileDevice::Permissions mode);
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
    // The workstation's files for every user, as /etc/xdg holds them.
    qputenv("XDG_CONFIG_DIRS",
            QFile::encodeName(m_home.filePath(u"xdg-a"_qs) + u":"_qs + m_home.filePath(u"xdg-b"_qs)));
    widgets::setMessageBoxHandler(
        [this](const QString &text, const QString &caption) { m_boxes.append(caption + u"|"_qs + text); });
}

void tst_app::init()
{
    m_boxes.clear();
    m_log = ClientLog();
    for (const QString &file : SettingsStore(u"ZEMRIX Current User"_qs).files())
        QFile::remove(file);
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
    if (QFile::exists(store.fileName())) // nothing is written for no values
        QVERIFY(QFile::setPermissions(store.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

QString tst_app::workstationFile(const QString &application, int folder) const
{
    return m_home.filePath((folder == 1 ? u"xdg-a/"_qs : u"xdg-b/"_qs) + application + u".conf"_qs);
}

QString tst_app::userFile(const QString &application) const
{
    return m_home.filePath(u"config/"_qs + application + u".conf"_qs);
}

void tst_app::writeFile(const QString &path, const QByteArray &text, QFileDevice::Permissions mode)
{
    if (text.isNull()) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text);
    out.close();
    QVERIFY(QFile::setPermissions(path, mode));
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

void tst_app::settingsFallBackKeyByKey_data()
{
    // The user's file, then the workstation's in each folder of $XDG_CONFIG_DIRS: the
    // first file that holds the key gives its value, even an empty one.
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("first");  // $XDG_CONFIG_DIRS' first folder
    QTest::addColumn<QByteArray>("second"); // and its second
    QTest::addColumn<QString>("expected");  // "default" when no file holds the key
    QTest::addColumn<QString>("source");    // user, first, second or nothing

    const QByteArray none;
    QTest::newRow("the user's file alone")
        << QByteArray("[Connection]\nServer=U\n") << none << none << u"U"_qs << u"user"_qs;
    QTest::newRow("the workstation's file alone")
        << none << QByteArray("[Connection]\nServer=W\n") << none << u"W"_qs << u"first"_qs;
    QTest::newRow("the user's key wins") << QByteArray("[Connection]\nServer=U\n")
                                         << QByteArray("[Connection]\nServer=W\n") << none << u"U"_qs << u"user"_qs;
    QTest::newRow("the user's empty key wins")
        << QByteArray("[Connection]\nServer=\n") << QByteArray("[Connection]\nServer=W\n") << none << QString()
        << u"user"_qs;
    QTest::newRow("a key the user's file lacks")
        << QByteArray("[Connection]\nUser=u\n") << QByteArray("[Connection]\nServer=W\n") << none << u"W"_qs
        << u"first"_qs;
    QTest::newRow("the first folder before the second")
        << none << QByteArray("[Connection]\nServer=A\n") << QByteArray("[Connection]\nServer=B\n") << u"A"_qs
        << u"first"_qs;
    QTest::newRow("the second folder") << QByteArray("[Connection]\nUser=u\n") << QByteArray("[Printer]\nServer=A\n")
                                       << QByteArray("[Connection]\nServer=B\n") << u"B"_qs << u"second"_qs;
    QTest::newRow("in no file") << QByteArray("[Connection]\nUser=u\n") << QByteArray("[Connection]\nUser=w\n") << none
                                << u"default"_qs << QString();
}

void tst_app::settingsFallBackKeyByKey()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, expected);
    QFETCH(QString, source);

    // A store of its own per row, so that no cached file stands in for the new one.
    const QString application = u"Norvane Fallback "_qs + QString::fromLatin1(QTest::currentDataTag());
    const SettingsStore store(application);
    QCOMPARE(store.files(),
             (QStringList{userFile(application), workstationFile(application, 1), workstationFile(application, 2)}));
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    writeFile(userFile(application), user, mode);
    writeFile(workstationFile(application, 1), first, mode);
    writeFile(workstationFile(application, 2), second, mode);

    QCOMPARE(store.value(u"Connection"_qs, u"Server"_qs, u"default"_qs), expected);
    const QMap<QString, QString> sources{{u"user"_qs, userFile(application)},
                                         {u"first"_qs, workstationFile(application, 1)},
                                         {u"second"_qs, workstationFile(application, 2)}};
    QCOMPARE(store.sourceOf(u"Connection"_qs, u"Server"_qs), sources.value(source));
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

void tst_app::valuesCutAtSemicolon_data()
{
    // A ";" outside double quotes ends the value there (the rest is a comment).
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("cut"); // section/key of each value cut

    QTest::newRow("unquoted") << u"[Connection]\nPassword=s3cret;pw\n"_qs << QStringList{u"Connection/Password"_qs};
    QTest::newRow("quoted") << u"[Connection]\nPassword=\"s3cret;pw\"\n"_qs << QStringList();
    QTest::newRow("an escaped quote stays inside the quotes")
        << u"[Connection]\nPassword=\"x\\\";y\"\n"_qs << QStringList();
    QTest::newRow("after a quoted part") << u"[Connection]\nPassword=a\"b;c\"d;e\n"_qs
                                         << QStringList{u"Connection/Password"_qs};
    QTest::newRow("a backslash does not keep it")
        << u"[Connection]\nPassword=x\\;y\n"_qs << QStringList{u"Connection/Password"_qs};
    QTest::newRow("a comment line") << u"[Connection]\n; Password=a;b\n  ;x=1;2\n"_qs << QStringList();
    QTest::newRow("sections, CRLF and a key before any section")
        << u"Top=a;b\r\n[Connection]\r\nServer=LAB;SRV\r\nUser=u\r\n[Printer]\r\nLanguage = ZPL ; the printer\r\n"_qs
        << QStringList{u"General/Top"_qs, u"Connection/Server"_qs, u"Printer/Language"_qs};
}

void tst_app::valuesCutAtSemicolon()
{
    QFETCH(QString, text);
    QFETCH(QStringList, cut);
    QStringList found;
    for (const settings::CutValue &value : settings::valuesCutAtSemicolon(text))
        found.append(value.section + u"/"_qs + value.key);
    QCOMPARE(found, cut);
}

void tst_app::settingsWarnings_data()
{
    // The user's file and the first workstation's file, each with its mode; the
    // warnings expected, as "Warning|fix" or "Note|fix" with USER and WORKSTATION for
    // the files' quoted paths, and a part of each text.
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<int>("userMode");
    QTest::addColumn<QByteArray>("workstation");
    QTest::addColumn<int>("workstationMode");
    QTest::addColumn<QStringList>("fixes");
    QTest::addColumn<QStringList>("texts");

    const QByteArray none;
    const QByteArray password("[Connection]\nServer=LABSRV\nPassword=s3cret\n");
    const QString chmodUser = u"Warning|chmod 600 USER"_qs;
    const QString group = u"Warning|let only the group of those who run Norvane read it: chown root:GROUP "
                          "WORKSTATION && chmod 640 WORKSTATION; or give each user the password in their own settings "
                          "file (chmod 600) instead"_qs;
    QTest::newRow("the user's file for its user alone")
        << password << 0600 << none << 0 << QStringList() << QStringList();
    QTest::newRow("the user's file readable by all")
        << password << 0644 << none << 0 << QStringList{chmodUser}
        << QStringList{u"holds the password and can be read by other users (mode 644)."_qs};
    QTest::newRow("the user's file writable by its group")
        << password << 0620 << none << 0 << QStringList{chmodUser}
        << QStringList{u"can be changed by other users (mode 620)."_qs};
    QTest::newRow("the user's file readable and writable by all")
        << password << 0666 << none << 0 << QStringList{chmodUser}
        << QStringList{u"can be read and changed by other users (mode 666)."_qs};
    QTest::newRow("an empty password is none")
        << QByteArray("[Connection]\nPassword=\n") << 0644 << none << 0 << QStringList() << QStringList();
    QTest::newRow("no password") << QByteArray("[Connection]\nServer=LABSRV\n") << 0644 << none << 0 << QStringList()
                                 << QStringList();
    QTest::newRow("the workstation's file for a group")
        << QByteArray("[Connection]\nUser=lab\n") << 0600 << password << 0640
        << QStringList{u"Note|if that is not meant, remove Password from it and give each user the password in their "
                       "own settings file, USERPATH, readable by that user alone (chmod 600)"_qs}
        << QStringList{u"every user who may run Norvane reads that file, and so can read the password."_qs};
    QTest::newRow("the workstation's file readable by all")
        << none << 0 << password << 0644 << QStringList{group}
        << QStringList{u"holds the password and every user of this machine can read it (mode 644)."_qs};
    QTest::newRow("the workstation's file writable by its group")
        << none << 0 << password << 0660
        << QStringList{u"Warning|chmod go-w WORKSTATION"_qs,
                       u"Note|if that is not meant, remove Password from it and give each user the password in "
                       "their own settings file, USERPATH, readable by that user alone (chmod 600)"_qs}
        << QStringList{u"can be changed by users other than its owner (mode 660)"_qs};
    QTest::newRow("the user's own password wins")
        << password << 0600 << password << 0644 << QStringList() << QStringList();
    QTest::newRow("a password cut at an unquoted ;")
        << QByteArray("[Connection]\nPassword=s3cret;pw\n") << 0600 << none << 0
        << QStringList{u"Warning|put the whole value in double quotes: Password=\"...\" (inside the quotes write \\\" "
                       "for a quote and \\\\ for a backslash)"_qs}
        << QStringList{u"the Password setting of [Connection] holds a \";\" outside double quotes"_qs,
                       u"so the password sent is not the one written."_qs};
    QTest::newRow("a server cut at an unquoted ;")
        << QByteArray("[Connection]\nServer=LAB;SRV\n") << 0600 << none << 0
        << QStringList{u"Warning|put the whole value in double quotes: Server=\"LAB;SRV\""_qs}
        << QStringList{u"it reads as \"LAB\"."_qs};
    QTest::newRow("a cut value in the workstation's file")
        << none << 0 << QByteArray("[Printer]\nLanguage=ZPL;x\n") << 0644
        << QStringList{u"Warning|put the whole value in double quotes: Language=\"ZPL;x\""_qs}
        << QStringList{u"WORKSTATIONPATH, the Language setting of [Printer]"_qs};
    QTest::newRow("a cut value the user's file overrides")
        << QByteArray("[Printer]\nLanguage=ZPL\n") << 0600 << QByteArray("[Printer]\nLanguage=ZPL;x\n") << 0644
        << QStringList() << QStringList();
    QTest::newRow("quoted values") << QByteArray("[Connection]\nServer=\"LAB;SRV\"\nPassword=\"s3cret;pw\"\n") << 0600
                                   << none << 0 << QStringList() << QStringList();
}

void tst_app::settingsWarnings()
{
    QFETCH(QByteArray, user);
    QFETCH(int, userMode);
    QFETCH(QByteArray, workstation);
    QFETCH(int, workstationMode);
    QFETCH(QStringList, fixes);
    QFETCH(QStringList, texts);

    const auto permissions = [](int mode) {
        QFileDevice::Permissions p;
        const QFileDevice::Permission bits[] = {QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner,
                                                QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup,
                                                QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther};
        for (int i = 0; i < 9; ++i) {
            if (mode & (0400 >> i))
                p |= bits[i];
        }
        return p;
    };
    const QString application = u"Norvane Warnings "_qs + QString::fromLatin1(QTest::currentDataTag());
    writeFile(userFile(application), user, permissions(userMode));
    writeFile(workstationFile(application, 1), workstation, permissions(workstationMode));

    const QList<settings::SettingsWarning> warnings = settings::settingsWarnings(SettingsStore(application),
                                                                                 u"Connection"_qs, u"Password"_qs);
    QStringList found;
    QString allTexts;
    for (const settings::SettingsWarning &w : warnings) {
        found.append((w.level == settings::SettingsWarning::Level::Warning ? u"Warning|"_qs : u"Note|"_qs) + w.fix);
        allTexts += w.text + u"\n"_qs;
    }
    for (QString &fix : fixes) {
        fix.replace(u"USERPATH"_qs, userFile(application))
            .replace(u"USER"_qs, settings::shellQuoted(userFile(application)))
            .replace(u"WORKSTATION"_qs, settings::shellQuoted(workstationFile(application, 1)));
    }
    QCOMPARE(found, fixes);
    for (QString text : texts) {
        text.replace(u"WORKSTATIONPATH"_qs, workstationFile(application, 1));
        QVERIFY2(allTexts.contains(text), qPrintable(allTexts));
    }
    QVERIFY2(!allTexts.contains(u"s3cret"_qs), qPrintable(allTexts));
}

void tst_app::checkConnectionNamesEachValuesFile_data()
{
    // What --check-connection says of the files and of each value's source.
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("workstation");
    QTest::addColumn<QStringList>("lines"); // USER and WORKSTATION for the files' paths

    const QString workstationLine =
        u"Settings: WORKSTATION (the workstation's, for every user: read for the keys the user's file lacks)"_qs;
    QTest::newRow("both files") << QByteArray("[Connection]\nUser=lab\nPassword=pw\n")
                                << QByteArray("[Connection]\nServer=LABSRV\nDatabase=Laboratory\nUser=shared\n")
                                << QStringList{u"Settings: USER (the user's)"_qs,
                                               workstationLine,
                                               u"Server:   \"LABSRV\" from WORKSTATION"_qs,
                                               u"Database: \"Laboratory\" from WORKSTATION"_qs,
                                               u"User:     \"lab\" from USER"_qs,
                                               u"Password: (given, not shown) from USER"_qs};
    QTest::newRow("the workstation's file alone")
        << QByteArray() << QByteArray("[Connection]\nServer=LABSRV\n")
        << QStringList{u"Settings: USER (the user's: no such file)"_qs, workstationLine,
                       u"Server:   \"LABSRV\" from WORKSTATION"_qs, u"Database: (empty) in no settings file"_qs,
                       u"Password: (empty) in no settings file"_qs};
    QTest::newRow("no file") << QByteArray() << QByteArray()
                             << QStringList{u"Settings: USER (the user's: no such file, and no workstation's file: "
                                            "every setting reads as empty)"_qs,
                                            u"Settings: WORKSTATION (the workstation's: no such file)"_qs,
                                            u"Server:   (empty) in no settings file"_qs};
    QTest::newRow("a password cut at a ;")
        << QByteArray("[Connection]\nPassword=s3cret;pw\n") << QByteArray()
        << QStringList{u"WARNING:  In USER, the Password setting of [Connection] holds a \";\" outside double "
                       "quotes"_qs,
                       u"          Fix: put the whole value in double quotes: Password=\"...\""_qs};
}

void tst_app::checkConnectionNamesEachValuesFile()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, workstation);
    QFETCH(QStringList, lines);

    const QString application = u"ZEMRIX Current User"_qs;
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    writeFile(userFile(application), user, mode);
    writeFile(workstationFile(application, 1), workstation, mode | QFileDevice::ReadGroup);
    m_log.failOpen = true;
    installFake();

    QString text;
    QTextStream out(&text);
    QCOMPARE(app::checkConnection(out), 1);
    for (QString line : lines) {
        line.replace(u"WORKSTATION"_qs, workstationFile(application, 1)).replace(u"USER"_qs, userFile(application));
        QVERIFY2(text.contains(line + u"\n"_qs) || text.contains(line), qPrintable(line + u"\n---\n"_qs + text));
    }
    QVERIFY2(text.contains(u"Not connected: Login failed for user 'lab'."_qs), qPrintable(text));
    QVERIFY2(!text.contains(u"s3cret"_qs), qPrintable(text));
    // The workstation's file supplies values: the settings are not all empty.
    if (!workstation.isNull())
        QVERIFY2(!text.contains(u"every setting reads as empty"_qs), qPrintable(text));
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

void tst_app::mainLogsSettingsWarnings()
{
    // Once at start, for the site's IT: the password's file that others can read.
    writeConnectionSettings({{u"Server"_qs, u"LABSRV"_qs}, {u"Password"_qs, u"s3cret"_qs}});
    const QString file = userFile(u"ZEMRIX Current User"_qs);
    QVERIFY(QFile::setPermissions(
        file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    m_log.failOpen = true;
    installFake();
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(u"The settings file %1 holds the password and can be read by other users (mode "
                                    "644). Fix: chmod 600 %2"_qs.arg(file, settings::shellQuoted(file))));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Unable to contact the database server: "_qs));
    QVERIFY(!mc::Main([] {}));
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
