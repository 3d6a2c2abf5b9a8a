// The program against a SQL Server that fails, hangs or restarts: db::SqlServerClient
// over QODBC, unixODBC and FreeTDS to labdb-server with its fault options, driven
// through the main window where the user would see the fault. Runs under LC_ALL=C,
// the locale in which text once lost its characters on the way.

#include "app/logfile.h"
#include "app/modconnect.h"
#include "common/mainwindow.h"
#include "connectionsettings.h"
#include "db/commands.h"
#include "db/dbconnection.h"
#include "db/printlog.h"
#include "db/sqlserverclient.h"
#include "journal/printjournal.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "support/bulkchargeslip.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"
#include "wire/serverprocess.h"
#include "wire/tcprelay.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <langinfo.h>
#include <memory>
#include <thread>

using namespace labdb::sample;

namespace {

// A temporary folder for the stickers, which the main window prints as PDF files.
struct StickerFolder
{
    QString path() const { return dir.path(); }
    QTemporaryDir dir;
};

struct Question
{
    QString text;
    QString caption;
    widgets::QuestionIcon icon;
};

// Rows of one barcode in the two log tables.
int masterRowsOf(const labdb::PrintLog &log, const QString &barcode)
{
    int n = 0;
    for (const QStringList &row : log.masterRows)
        n += row.value(3) == barcode ? 1 : 0;
    return n;
}

int dateRowsOf(const labdb::PrintLog &log, const QString &itemId)
{
    int n = 0;
    for (const QStringList &row : log.dateRows)
        n += row.value(1) == itemId ? 1 : 0;
    return n;
}

// An X display of the test's own (Xvfb), on which the real norvane runs as on a
// workstation, typed into with xdotool as a scanner types.
class XDisplay
{
public:
    ~XDisplay()
    {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000)) {
            m_xvfb.kill();
            m_xvfb.waitForFinished(5000);
        }
    }

    // Empty when the display runs; else why not.
    QString start()
    {
        for (const char *tool : {"Xvfb", "xdotool"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return QStringLiteral("%1 is missing: run scripts/install-deps.sh --test").arg(QLatin1String(tool));
        }
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {u"-displayfd"_qs, u"1"_qs, u"-screen"_qs, u"0"_qs, u"1280x800x24"_qs, u"-nolisten"_qs, u"tcp"_qs,
                      u"-noreset"_qs});
        if (!m_xvfb.waitForStarted(10000))
            return m_xvfb.errorString();
        const QDeadlineTimer deadline(30000);
        while (!m_xvfb.canReadLine() && !deadline.hasExpired())
            m_xvfb.waitForReadyRead(int(deadline.remainingTime()));
        const QString number = QString::fromLatin1(m_xvfb.readLine()).trimmed();
        if (number.isEmpty())
            return QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(m_xvfb.readAllStandardError());
        m_name = u':' + number;
        return QString();
    }

    QString name() const { return m_name; }

    // Runs xdotool on the display; its standard output, trimmed.
    QString xdotool(const QStringList &arguments) const
    {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_qs, m_name);
        tool.setProcessEnvironment(environment);
        tool.start(u"xdotool"_qs, arguments);
        tool.waitForFinished(30000);
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    // The first visible window whose name matches the regular expression.
    QString window(const QString &name) const
    {
        return xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--name"_qs, name}).section(u'\n', 0, 0);
    }

private:
    QProcess m_xvfb;
    QString m_name;
};

} // namespace

class tst_wirefaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void textSurvivesAnyLocale();
    void failedLogIsToldAndRecordedAgain_data();
    void failedLogIsToldAndRecordedAgain();
    void commitWhoseReturnToAutocommitFailsCountsOnce();
    void stalledServerIsGivenUp_data();
    void stalledServerIsGivenUp();
    void lockWaitIsCancelledAtTheTimeOut();
    void searchRetryStaysWithinTheTimeOut();
    void serverRestartCostsNoRestart();
    void commandTimeoutIsThirtySecondsByDefault();
    void killedDuringLogIsOfferedAtRestart();

private:
    // Starts a server with these options and connects the program to it as at
    // start-up, through the settings store, with this command time-out; message
    // boxes and questions are collected (questions answered with m_answer).
    bool connectProgram(const QStringList &serverOptions, int commandTimeoutSeconds = 30);
    void writeSettings(const QString &server);
    // Searches number in the window as typed and scanned.
    void search(ui::frmNorvane &window, const QString &number);
    // What the program's log file gained since the test began.
    QString logFileText() const;

    QTemporaryDir m_home;
    QString m_dbPath;
    QString m_logPath;
    qint64 m_logStart = 0;
    std::unique_ptr<ServerProcess> m_server;
    QStringList m_messages;
    QList<Question> m_questions;
    bool m_answer = false;
    bool m_busyWhileAsking = false;
    int m_run = 0;
};

void tst_wirefaults::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // The workstation's locale as CTest sets it for this test: plain C, ASCII only.
    QCOMPARE(QByteArray(nl_langinfo(CODESET)), QByteArray("ANSI_X3.4-1968"));
    m_logPath = app::installLogFile(m_home.filePath(u"log/norvane.log"_qs));
}

void tst_wirefaults::cleanupTestCase()
{
    app::removeLogFile();
}

void tst_wirefaults::init()
{
    m_dbPath = m_home.filePath(QStringLiteral("lab-%1.sqlite").arg(++m_run));
    labdb::createDemoDatabase(m_dbPath);
    m_messages.clear();
    m_questions.clear();
    m_answer = false;
    m_busyWhileAsking = false;
    m_logStart = QFileInfo(m_logPath).size();
}

void tst_wirefaults::cleanup()
{
    widgets::setMessageBoxHandler(nullptr);
    widgets::setQuestionHandler(nullptr);
    db::installConnection(nullptr);
    m_server.reset();
    QFile::remove(m_dbPath);
}

void tst_wirefaults::writeSettings(const QString &server)
{
    QVERIFY(writeConnectionSettings(server));
}

bool tst_wirefaults::connectProgram(const QStringList &serverOptions, int commandTimeoutSeconds)
{
    m_server = std::make_unique<ServerProcess>();
    if (!m_server->start(m_dbPath, serverOptions)) {
        qWarning("%s", qPrintable(m_server->error()));
        return false;
    }
    writeSettings(m_server->serverSetting());
    db::installConnection(std::make_unique<db::SqlServerClient>(5, QString(), commandTimeoutSeconds));
    if (!app::modConnect::OpenConnection())
        return false;
    widgets::setMessageBoxHandler([this](const QString &text, const QString &) { m_messages.append(text); });
    widgets::setQuestionHandler([this](const QString &text, const QString &caption, widgets::QuestionIcon icon) {
        // Asked once the command is over: not under the busy cursor.
        if (QGuiApplication::overrideCursor())
            m_busyWhileAsking = true;
        m_questions.append({text, caption, icon});
        return m_answer;
    });
    return true;
}

void tst_wirefaults::search(ui::frmNorvane &window, const QString &number)
{
    auto *box = window.findChild<widgets::vkTextBox *>(u"txtNumber"_qs);
    if (!box->isEnabled())
        QTest::mouseClick(window.findChild<QWidget *>(u"cmdNew"_qs), Qt::LeftButton);
    box->setText(QString());
    // Through the number box's key filter, as typed (QTest types ASCII only).
    window.typeIntoNumber(number);
    QTest::keyClick(box, Qt::Key_Return);
}

QString tst_wirefaults::logFileText() const
{
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_logStart))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void tst_wirefaults::textSurvivesAnyLocale()
{
    // A patient whose name, chargeslip and id number hold Ñ, É and CJK: the search
    // sends the chargeslip, reads the name, and the log writes the re-queried
    // chargeslip and id number back into the master rows.
    const QString refNum = u"CS-ÑÉ-検査"_qs;
    const QString name = u"李, 小龍 PEÑA JOSÉ"_qs;
    const QString idNum = u"ID-Ñ-東京-É"_qs;
    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_dbPath, 1, false, refNum);
    {
        QSqlDatabase lab = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"fixture"_qs);
        lab.setDatabaseName(m_dbPath);
        QVERIFY(lab.open());
        QSqlQuery q(lab);
        QVERIFY(q.prepare(u"UPDATE patients SET name = ? WHERE hosp_num = ?"_qs));
        q.addBindValue(name);
        q.addBindValue(slip.hospNum);
        QVERIFY(q.exec());
        QVERIFY(q.prepare(u"UPDATE chargeslips SET id_num = ? WHERE ref_num = ?"_qs));
        q.addBindValue(idNum);
        q.addBindValue(refNum);
        QVERIFY(q.exec());
    }
    QSqlDatabase::removeDatabase(u"fixture"_qs);

    const StickerFolder stickers;
    QVERIFY(connectProgram({}));
    testsupport::MainWindow mainWindow(db::DbConnection(), stickers.path());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *label = window.findChild<widgets::vkLabel *>(u"lblPatientName"_qs);

    // The sample's own outpatient, on screen as in the database.
    search(window, QString::fromLatin1(penaChargeslip));
    QCOMPARE(label->caption(), u"PEÑA, JOSÉ LUIS"_qs);

    // The number reaches the server whole; the name comes back whole. (Typed keys
    // are upper-cased, which leaves these characters as they are.)
    search(window, refNum);
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(m_server->loggedRequests().filter(u"BATCH Laboratory"_qs).last(),
             u"BATCH "_qs + db::searchCommand(refNum, 2));
    QCOMPARE(label->caption(), name);
    QCOMPARE(mainWindow.patient().PatientName, name);

    QTest::mouseClick(window.findChild<QWidget *>(u"cmdGenerate"_qs), Qt::LeftButton);
    QCOMPARE(m_questions.size(), 0);
    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(log.masterRows.size(), 1);
    QCOMPARE(log.masterRows.at(0).mid(0, 4), (QStringList{refNum, idNum, slip.hospNum, slip.barcodes.first()}));
}

void tst_wirefaults::failedLogIsToldAndRecordedAgain_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<bool>("inDoubt");
    QTest::addColumn<bool>("retry");
    QTest::addColumn<QString>("reason"); // the database's own words, when they are known

    // A chargeslip of three exams, one barcode each. Batches of the connection:
    // 1 the search; exam 1: 2 re-query, 3 master, 4 clock, 5 date, commit 1;
    // exam 2: 6 re-query, 7 master, 8 clock, 9 date, commit 2. Every fault hits exam 2.
    QTest::newRow("master call fails, recorded again")
        << QStringList{u"--fail-batch"_qs, u"7"_qs} << false << true << u"Injected failure of batch 7."_qs;
    QTest::newRow("clock reading fails, given up")
        << QStringList{u"--fail-batch"_qs, u"8"_qs} << false << false << u"Injected failure of batch 8."_qs;
    QTest::newRow("date call fails, recorded again")
        << QStringList{u"--fail-batch"_qs, u"9"_qs} << false << true << u"Injected failure of batch 9."_qs;
    // The retry runs on a connection opened again, whose batches count from 1.
    QTest::newRow("connection lost at the master call, recorded again")
        << QStringList{u"--drop-after"_qs, u"7"_qs} << false << true << QString();
    QTest::newRow("connection lost at the master call, given up")
        << QStringList{u"--drop-after"_qs, u"7"_qs} << false << false << QString();
    // A rollback refused on a live connection would leave the transaction open
    // under every later log: the connection is closed instead, and opened again.
    // (Rollback 1 is FreeTDS's return to autocommit after exam 1's commit.)
    QTest::newRow("master call and its rollback fail, recorded again")
        << QStringList{u"--fail-batch"_qs, u"7"_qs, u"--fail-rollback"_qs, u"2"_qs} << false << true
        << u"Injected failure of batch 7."_qs;
    // The server commits and the answer never comes: the log may be recorded.
    QTest::newRow("commit unanswered, given up")
        << QStringList{u"--drop-commit"_qs, u"2"_qs} << true << false << QString();
}

void tst_wirefaults::failedLogIsToldAndRecordedAgain()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, inDoubt);
    QFETCH(bool, retry);
    QFETCH(QString, reason);

    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_dbPath, 3);
    const StickerFolder stickers;
    QVERIFY(connectProgram(serverOptions));
    m_answer = retry;

    testsupport::MainWindow mainWindow(db::DbConnection(), stickers.path());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    auto *print = window.findChild<widgets::vkCommand *>(u"cmdGenerate"_qs);
    search(window, slip.refNum);
    QCOMPARE(exams->listCount(), 3);
    const QStringList barcodes = mainWindow.patient().Barcodes.mid(0, 3);
    QCOMPARE(barcodes, slip.barcodes);

    QTest::mouseClick(print, Qt::LeftButton);

    // The run stopped after the failing exam: exam 3 was never printed.
    QCOMPARE(QDir(stickers.path()).entryList({u"*.pdf"_qs}, QDir::Files).size(), 2);
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(m_questions.size(), 1);
    const Question &asked = m_questions.first();
    QCOMPARE(asked.caption, u"Norvane"_qs);
    QCOMPARE(asked.icon, widgets::QuestionIcon::Warning);
    QVERIFY2(asked.text.contains(barcodes.at(1)), qPrintable(asked.text));
    QVERIFY2(!asked.text.contains(barcodes.at(0)) && !asked.text.contains(barcodes.at(2)), qPrintable(asked.text));
    QVERIFY2(asked.text.contains(inDoubt ? u"may already be recorded"_qs : u"printed but not recorded"_qs),
             qPrintable(asked.text));
    QCOMPARE(asked.text.contains(u"could then appear twice"_qs), inDoubt);
    QVERIFY2(asked.text.contains(u"The database said: "_qs + (reason.isEmpty() ? QString() : reason)),
             qPrintable(asked.text));
    QVERIFY(!asked.text.contains(u"The database said: \n"_qs));

    // Exams 1 and 2 are printed and no longer checked; exam 3 waits for Print.
    QCOMPARE(exams->itemChecked(1), false);
    QCOMPARE(exams->itemChecked(2), false);
    QCOMPARE(exams->itemChecked(3), true);
    QVERIFY(print->isEnabled());
    QVERIFY(!print->hasFocus());
    QVERIFY(!m_busyWhileAsking);
    QVERIFY(!QGuiApplication::overrideCursor());

    // Exactly once, or not at all: never a master row without its date row.
    const bool recorded = retry || inDoubt;
    const labdb::PrintLog log = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(masterRowsOf(log, barcodes.at(0)), 1);
    QCOMPARE(masterRowsOf(log, barcodes.at(1)), recorded ? 1 : 0);
    QCOMPARE(masterRowsOf(log, barcodes.at(2)), 0);
    QCOMPARE(log.masterRows.size(), log.dateRows.size());
    for (const QStringList &master : log.masterRows)
        QCOMPARE(dateRowsOf(log, master.value(4)), 1);
    QCOMPARE(mainWindow.patient().Barcodes.at(1), retry ? QString() : barcodes.at(1));

    // A connection opened again is never opened inside a log: on it, the first
    // thing the program does is begin the retry's transaction (or nothing at all).
    const QStringList requests = m_server->loggedRequests();
    const qsizetype lastLogin = requests.lastIndexOf(QRegularExpression(u"LOGIN .*"_qs));
    if (requests.filter(QRegularExpression(u"^LOGIN "_qs)).size() > 1) {
        const QStringList after =
            requests.mid(lastLogin + 1).filter(QRegularExpression(u"^(TM |BATCH Laboratory|BATCH SELECT)"_qs));
        QVERIFY2(after.isEmpty() || after.first() == u"TM BEGIN"_qs,
                 qPrintable(requests.mid(lastLogin).join(u" | "_qs)));
        QCOMPARE(after.isEmpty(), !retry);
    }

    // Given up: the IT staff find the barcode, the reason and the time in the log file.
    const QStringList givenUp =
        logFileText().split(u'\n').filter(u"Printed but not recorded"_qs).filter(barcodes.at(1));
    if (retry) {
        QCOMPARE(givenUp.size(), 0);
    } else {
        QCOMPARE(givenUp.size(), 1);
        QVERIFY2(givenUp.first().contains(u"norvane.ui warning"_qs), qPrintable(givenUp.first()));
        QVERIFY2(givenUp.first().contains(QDate::currentDate().toString(Qt::ISODate)), qPrintable(givenUp.first()));
        if (!reason.isEmpty())
            QVERIFY2(givenUp.first().endsWith(reason), qPrintable(givenUp.first()));
        QCOMPARE(givenUp.first().contains(u"may already be recorded"_qs), inDoubt);
    }
}

void tst_wirefaults::commitWhoseReturnToAutocommitFailsCountsOnce()
{
    // The driver commits, then fails to go back to autocommit (FreeTDS sends that as
    // a rollback, refused here): the log is recorded, and said so, exactly once; the
    // next log runs on a connection opened again.
    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_dbPath, 2);
    m_server = std::make_unique<ServerProcess>();
    QVERIFY(m_server->start(m_dbPath, {u"--fail-rollback"_qs, u"1"_qs}));
    db::SqlServerClient client(5);
    client.openWithSettings({m_server->serverSetting(), u"Laboratory"_qs, QString::fromUtf16(ServerProcess::kUser),
                             QString::fromUtf16(ServerProcess::kPassword)});
    for (QString barcode : slip.barcodes) {
        const QString original = barcode;
        const db::LogOutcome outcome = db::SaveBarcodeLog(client, barcode);
        QVERIFY2(outcome.recorded(), qPrintable(outcome.reason));
        QCOMPARE(masterRowsOf(labdb::PrintLog::read(m_dbPath), original), 1);
    }
    QCOMPARE(m_server->loggedRequests().filter(u"LOGIN"_qs).size(), 2);
}

void tst_wirefaults::stalledServerIsGivenUp_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<bool>("atPrint");
    QTest::addColumn<bool>("inDoubt");

    // Batches: 1 the first search, 2 the second search or the first exam's re-query,
    // 3 its master call.
    QTest::newRow("search") << QStringList{u"--stall-batch"_qs, u"2"_qs} << false << false;
    QTest::newRow("log's master call") << QStringList{u"--stall-batch"_qs, u"3"_qs} << true << false;
    QTest::newRow("log's commit") << QStringList{u"--stall-commit"_qs, u"1"_qs} << true << true;
}

void tst_wirefaults::stalledServerIsGivenUp()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, atPrint);
    QFETCH(bool, inDoubt);

    // A short time-out, so that the test does not wait the real 30 seconds.
    constexpr int timeoutSeconds = 4;
    const StickerFolder stickers;
    QVERIFY(connectProgram(serverOptions, timeoutSeconds));

    testsupport::MainWindow mainWindow(db::DbConnection(), stickers.path());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    const QString barcode = QString::fromLatin1(obrienBBarcode);
    search(window, barcode);
    QCOMPARE(exams->listCount(), 1);

    QElapsedTimer clock;
    clock.start();
    if (atPrint)
        QTest::mouseClick(window.findChild<QWidget *>(u"cmdGenerate"_qs), Qt::LeftButton);
    else
        search(window, QString::fromLatin1(obrienTBarcode));
    const qint64 waited = clock.elapsed();

    // Given up within the time-out and a second (a transaction request at half of
    // it: see SqlServerClient), and told.
    QVERIFY2(waited >= timeoutSeconds * 500 - 250, qPrintable(QString::number(waited)));
    QVERIFY2(waited < timeoutSeconds * 1000 + 1000, qPrintable(QString::number(waited)));
    if (atPrint) {
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(m_questions.size(), 1);
        QVERIFY2(m_questions.first().text.contains(barcode), qPrintable(m_questions.first().text));
        QVERIFY2(m_questions.first().text.contains(u"Timeout expired"_qs), qPrintable(m_questions.first().text));
        QCOMPARE(m_questions.first().text.contains(u"may already be recorded"_qs), inDoubt);
    } else {
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(u"Timeout expired"_qs), qPrintable(m_messages.first()));
    }
    QVERIFY(!QGuiApplication::overrideCursor());

    // The window is usable at once: the next search runs on a connection opened again.
    search(window, barcode);
    QCOMPARE(exams->listCount(), 1);
    QCOMPARE(m_messages.size(), atPrint ? 0 : 1);
    QCOMPARE(m_server->loggedRequests().filter(u"LOGIN"_qs).size(), 2);
    // The stalled log left nothing: its connection's transaction was rolled back.
    if (atPrint)
        QTRY_VERIFY(m_server->loggedRequests().contains(u"TM ROLLBACK (connection closed)"_qs));
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 0);
}

void tst_wirefaults::lockWaitIsCancelledAtTheTimeOut()
{
    // The second search waits for a lock another session holds. At the command
    // time-out the driver cancels it, the server acknowledges, and the connection
    // goes on: the next search runs on it.
    constexpr int timeoutSeconds = 4;
    QVERIFY(connectProgram({u"--lock-wait-batch"_qs, u"2"_qs}, timeoutSeconds));
    testsupport::MainWindow mainWindow(db::DbConnection());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    const QString barcode = QString::fromLatin1(obrienBBarcode);
    search(window, barcode);
    QCOMPARE(exams->listCount(), 1);

    QElapsedTimer clock;
    clock.start();
    search(window, barcode);
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited >= timeoutSeconds * 1000 - 250, qPrintable(QString::number(waited)));
    QVERIFY2(waited < timeoutSeconds * 1000 + 1000, qPrintable(QString::number(waited)));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(u"Timeout expired"_qs), qPrintable(m_messages.first()));
    QTRY_VERIFY(m_server->loggedRequests().contains(u"ATTENTION during batch 2"_qs));

    search(window, barcode);
    QCOMPARE(exams->listCount(), 1);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_server->loggedRequests().filter(u"LOGIN"_qs).size(), 1);
}

void tst_wirefaults::searchRetryStaysWithinTheTimeOut()
{
    // The search's connection dies while the server keeps it waiting; the search
    // is tried again on a connection opened again, and that server hangs. Both
    // tries together stay within the command time-out.
    constexpr int timeoutSeconds = 6;
    constexpr int cutAfterMs = 2000;
    ServerProcess hanging; // the server the retry meets
    QVERIFY2(hanging.start(m_dbPath, {u"--stall-batch"_qs, u"1"_qs}), qPrintable(hanging.error()));
    m_server = std::make_unique<ServerProcess>();
    QVERIFY(m_server->start(m_dbPath, {u"--stall-batch"_qs, u"2"_qs}));
    TcpRelay relay(m_server->port());
    QVERIFY(relay.open());
    writeSettings(u"127.0.0.1,%1"_qs.arg(relay.port()));
    db::installConnection(std::make_unique<db::SqlServerClient>(5, QString(), timeoutSeconds));
    QVERIFY(app::modConnect::OpenConnection());
    widgets::setMessageBoxHandler([this](const QString &text, const QString &) { m_messages.append(text); });

    testsupport::MainWindow mainWindow(db::DbConnection());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QString barcode = QString::fromLatin1(obrienBBarcode);
    search(window, barcode);
    QCOMPARE(m_messages, QStringList());

    QElapsedTimer clock;
    clock.start();
    {
        std::jthread cut([&] {
            QThread::msleep(cutAfterMs);
            relay.switchServer(hanging.port());
        });
        search(window, barcode);
    }
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited < timeoutSeconds * 1000 + 1000, qPrintable(QString::number(waited)));
    QVERIFY2(waited >= timeoutSeconds * 1000 - 500, qPrintable(QString::number(waited)));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(u"Timeout expired"_qs), qPrintable(m_messages.first()));
    // The retry did reach the second server.
    QCOMPARE(hanging.loggedRequests().filter(u"STALL"_qs).size(), 1);
}

void tst_wirefaults::serverRestartCostsNoRestart()
{
    const StickerFolder stickers;
    QVERIFY(connectProgram({}));
    testsupport::MainWindow mainWindow(db::DbConnection(), stickers.path());
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    const QString barcode = QString::fromLatin1(obrienTBarcode);
    search(window, barcode);
    QCOMPARE(exams->listCount(), 2);

    // The server stops and starts again on the same database and port.
    const quint16 port = m_server->port();
    QVERIFY(m_server->closeInputAndWait());
    m_server = std::make_unique<ServerProcess>();
    QVERIFY2(m_server->start(m_dbPath, {}, port), qPrintable(m_server->error()));

    // At most one search fails; the second finds the patient in any case.
    search(window, barcode);
    search(window, barcode);
    QVERIFY2(m_messages.size() <= 1, qPrintable(m_messages.join(u" | "_qs)));
    QCOMPARE(exams->listCount(), 2);
    QCOMPARE(m_server->loggedRequests().filter(u"LOGIN"_qs).size(), 1);

    // And the print run records on the new connection.
    QTest::mouseClick(window.findChild<QWidget *>(u"cmdGenerate"_qs), Qt::LeftButton);
    QCOMPARE(m_questions.size(), 0);
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 2);
}

void tst_wirefaults::commandTimeoutIsThirtySecondsByDefault()
{
    // The program's own connection, as start-up makes it, with the time-out it
    // gives the driver.
    m_server = std::make_unique<ServerProcess>();
    QVERIFY(m_server->start(m_dbPath));
    writeSettings(m_server->serverSetting());
    db::installConnection(nullptr);
    QVERIFY(app::modConnect::OpenConnection());
    auto *client = dynamic_cast<db::SqlServerClient *>(&db::DbConnection());
    QVERIFY(client);
    QCOMPARE(client->commandTimeoutSeconds(), 30);
    QVERIFY2(client->driverConnectionString().endsWith(u";ClientCharset=UTF-8;Timeout=30"_qs),
             qPrintable(client->driverConnectionString()));
}

void tst_wirefaults::killedDuringLogIsOfferedAtRestart()
{
    // The real program on a display of its own: a scanned barcode is printed, its
    // log's commit never answered, and the program killed there (SIGKILL, as a crash
    // or a power cut). Started again, it offers that barcode, in doubt, and Yes
    // records it once, printing nothing.
    XDisplay display;
    const QString problem = display.start();
    if (!problem.isEmpty())
        QFAIL(qPrintable(problem));
    m_server = std::make_unique<ServerProcess>();
    QVERIFY2(m_server->start(m_dbPath, {u"--stall-commit"_qs, u"1"_qs}), qPrintable(m_server->error()));
    writeSettings(m_server->serverSetting());
    const StickerFolder stickers;
    const QString data = m_home.filePath(u"data-%1"_qs.arg(m_run));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_qs, display.name());
    environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    environment.insert(u"XDG_DATA_HOME"_qs, data);
    QProcess norvane;
    norvane.setProcessEnvironment(environment);
    norvane.setProcessChannelMode(QProcess::MergedChannels);
    const auto startNorvane = [&] {
        norvane.start(QStringLiteral(NORVANE_PROGRAM), {u"--print-to"_qs, stickers.path()});
        return norvane.waitForStarted(10000);
    };
    const auto pdfCount = [&stickers] { return QDir(stickers.path()).entryList({u"*.pdf"_qs}, QDir::Files).size(); };
    const QString barcode = QString::fromLatin1(obrienBBarcode); // one exam, one row

    QVERIFY(startNorvane());
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = display.window(u"^ Norvane$"_qs)).isEmpty(), 30000);
    display.xdotool({u"windowfocus"_qs, u"--sync"_qs, window});
    display.xdotool({u"type"_qs, u"--delay"_qs, u"5"_qs, barcode});
    display.xdotool({u"key"_qs, u"Return"_qs});
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_server->loggedRequests().filter(u"Lab_Barcode_GetRequests '%1'"_qs.arg(barcode)).isEmpty(), 30000);
    // Listed, the focus on Print: Enter, as a person presses it, well after the scan.
    QTest::qWait(700);
    display.xdotool({u"key"_qs, u"Return"_qs});
    QTRY_VERIFY_WITH_TIMEOUT(m_server->loggedRequests().contains(u"STALL at commit 1"_qs), 30000);
    QCOMPARE(pdfCount(), 1);
    norvane.kill();
    QVERIFY(norvane.waitForFinished(10000));
    QCOMPARE(norvane.exitStatus(), QProcess::CrashExit);
    // What the program left: the sticker, no log row, and a journal line whose log began.
    const QString journalPath = data + u"/Norvane/journal.sqlite"_qs;
    {
        journal::PrintJournal left;
        QVERIFY(left.open(journalPath));
        const QList<journal::Line> lines = left.linesSince(QDateTime::currentDateTime().addDays(-1));
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().barcode, barcode);
        QCOMPARE(lines.first().state, journal::State::LogBegun);
    }
    QTRY_VERIFY_WITH_TIMEOUT(m_server->loggedRequests().contains(u"TM ROLLBACK (connection closed)"_qs), 10000);
    QCOMPARE(masterRowsOf(labdb::PrintLog::read(m_dbPath), barcode), 0);

    // The server comes back; the program is started again.
    m_server = std::make_unique<ServerProcess>();
    QVERIFY2(m_server->start(m_dbPath), qPrintable(m_server->error()));
    writeSettings(m_server->serverSetting());
    QVERIFY(startNorvane());
    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = display.window(u"^Norvane$"_qs)).isEmpty(), 30000);
    QFile log(data + u"/Norvane/norvane.log"_qs);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString logText = QString::fromUtf8(log.readAll());
    QVERIFY2(logText.contains(u"Offered to record 1 printed barcodes not recorded: %1\n"_qs.arg(barcode)),
             qPrintable(logText));
    display.xdotool({u"windowfocus"_qs, u"--sync"_qs, box});
    display.xdotool({u"key"_qs, u"y"_qs});

    // Recorded once, with its date row; nothing printed.
    QTRY_COMPARE_WITH_TIMEOUT(masterRowsOf(labdb::PrintLog::read(m_dbPath), barcode), 1, 30000);
    QTRY_VERIFY(display.window(u"^Norvane$"_qs).isEmpty());
    QTest::qWait(500);
    const labdb::PrintLog printLog = labdb::PrintLog::read(m_dbPath);
    QCOMPARE(masterRowsOf(printLog, barcode), 1);
    QCOMPARE(printLog.dateRows.size(), 1);
    QCOMPARE(pdfCount(), 1);
    QCOMPARE(m_server->loggedRequests().filter(u"TM COMMIT"_qs).size(), 1);
    norvane.terminate();
    if (!norvane.waitForFinished(10000)) {
        norvane.kill();
        norvane.waitForFinished(10000);
    }

    // For IT, without a display: norvane --journal tells the same.
    QProcessEnvironment headless = environment;
    headless.remove(u"DISPLAY"_qs);
    headless.remove(u"QT_QPA_PLATFORM"_qs);
    QProcess text;
    text.setProcessEnvironment(headless);
    text.start(QStringLiteral(NORVANE_PROGRAM), {u"--journal"_qs});
    QVERIFY(text.waitForFinished(30000));
    QCOMPARE(text.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(text.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1].section(u'\t', 1, 1), barcode);
    QCOMPARE(lines[1].section(u'\t', 9, 9), u"recorded"_qs);
}

QTEST_MAIN(tst_wirefaults)
#include "tst_wirefaults.moc"
