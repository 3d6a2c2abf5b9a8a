// The next tube scanned where the program used to print or answer: the main window on
// the SQL Server path (db::SqlServerClient to labdb-server) printing to the default
// printer of a CUPS scheduler of the test's own (PrivateCups: the stock Zebra ZPL
// driver, sending to a socket that keeps every job, as a network label printer), the
// keys queued as the window system delivers a scanner's, with its time stamps, and the
// program's real question on screen. Every scan is searched; none prints a sticker,
// records a log row or answers a question.

#include "app/modconnect.h"
#include "common/mainwindow.h"
#include "common/modalbox.h"
#include "common/platformkeys.h"
#include "common/privatecups.h"
#include "connectionsettings.h"
#include "db/dbconnection.h"
#include "db/sqlserverclient.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/scanguard.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"
#include "wire/serverprocess.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace labdb::sample;
using testsupport::LabelSink;
using testsupport::PrivateCups;

class tst_wirerescan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void rescanPrintsNothing_data();
    void rescanPrintsNothing();

private:
    bool connectProgram(const QStringList &serverOptions);
    // The numbers the server was asked to search, in order.
    QStringList searched() const;

    QTemporaryDir m_home;
    QString m_dbPath;
    PrivateCups m_cups;
    LabelSink m_sink;
    std::unique_ptr<ServerProcess> m_server;
    QStringList m_messages;
    int m_run = 0;
};

void tst_wirerescan::initTestCase()
{
    if (const QString missing = PrivateCups::missingTools(); !missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("needs %1").arg(missing)));
    QVERIFY(m_home.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(m_sink.listening());
    QString error;
    QVERIFY2(m_cups.start(error), qPrintable(error));
    QVERIFY2(
        m_cups.addQueue(u"Label"_qs, m_sink.port(), u"drv:///sample.drv/zebra.ppd"_qs, {u"PageSize=w144h72"_qs}, error),
        qPrintable(error));
    QVERIFY2(m_cups.run(u"lpadmin"_qs, {u"-d"_qs, u"Label"_qs}, error), qPrintable(error));
}

void tst_wirerescan::init()
{
    m_dbPath = m_home.filePath(QStringLiteral("lab-%1.sqlite").arg(++m_run));
    labdb::createDemoDatabase(m_dbPath);
    m_messages.clear();
}

void tst_wirerescan::cleanup()
{
    widgets::setMessageBoxHandler(nullptr);
    db::installConnection(nullptr);
    m_server.reset();
    QFile::remove(m_dbPath);
}

void tst_wirerescan::cleanupTestCase()
{
    if (QTest::currentTestFailed())
        qInfo().noquote() << "scheduler log:\n" << m_cups.errorLog();
}

bool tst_wirerescan::connectProgram(const QStringList &serverOptions)
{
    m_server = std::make_unique<ServerProcess>();
    if (!m_server->start(m_dbPath, serverOptions)) {
        qWarning("%s", qPrintable(m_server->error()));
        return false;
    }
    if (!writeConnectionSettings(m_server->serverSetting()))
        return false;
    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    if (!app::modConnect::OpenConnection())
        return false;
    // A message box would be a failure here; the question is left on screen.
    widgets::setMessageBoxHandler([this](const QString &text, const QString &) { m_messages.append(text); });
    return true;
}

QStringList tst_wirerescan::searched() const
{
    static const QRegularExpression search(u"^BATCH Laboratory\\.\\.Lab_Barcode_GetRequests '(.*)',[23]$"_qs);
    QStringList numbers;
    for (const QString &request : m_server->loggedRequests()) {
        const QRegularExpressionMatch m = search.match(request);
        if (m.hasMatch())
            numbers.append(m.captured(1));
    }
    return numbers;
}

void tst_wirerescan::rescanPrintsNothing_data()
{
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<QStringList>("scans"); // scanned one after the other, each once the one before is listed
    QTest::addColumn<bool>("secondReturn"); // each scan ends in two Returns, the second coming after its list
    QTest::addColumn<bool>("failedRun");    // Print after the first scan, whose first exam's log fails
    QTest::addColumn<bool>("whileAsked");   // the next scan comes while the question about that log is open

    const QString chargeslip = QString::fromLatin1(obrienChargeslip);
    const QString next = QString::fromLatin1(obrienBBarcode);
    // Batches of the connection: 1 the search; the first exam's log: 2 its re-query, 3
    // its master call.
    const QStringList failMaster{u"--fail-batch"_qs, u"3"_qs};
    QTest::newRow("after a list") << QStringList() << QStringList{chargeslip, next} << false << false << false;
    QTest::newRow("after a list of 200 exams")
        << QStringList() << QStringList{QString::fromLatin1(bigChargeslip), next} << false << false << false;
    QTest::newRow("scans ending in two Returns, the server answering at once")
        << QStringList() << QStringList{next, QString::fromLatin1(obrienTBarcode), chargeslip} << true << false
        << false;
    QTest::newRow("after a failed run") << failMaster << QStringList{QString::fromLatin1(obrienTBarcode), next} << false
                                        << true << false;
    QTest::newRow("while the question is open")
        << failMaster << QStringList{QString::fromLatin1(obrienTBarcode), next} << false << true << true;
}

void tst_wirerescan::rescanPrintsNothing()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(QStringList, scans);
    QFETCH(bool, secondReturn);
    QFETCH(bool, failedRun);
    QFETCH(bool, whileAsked);

    QVERIFY(connectProgram(serverOptions));
    testsupport::MainWindow mainWindow(db::DbConnection()); // stickers to the default printer
    ui::frmNorvane &window = mainWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWindow *handle = window.windowHandle();
    auto *number = window.findChild<widgets::vkTextBox *>(u"txtNumber"_qs);
    auto *exams = window.findChild<widgets::vkListBox *>(u"lstExams"_qs);
    auto *print = window.findChild<widgets::vkCommand *>(u"cmdGenerate"_qs);
    const auto listed = [&](const QString &shown) {
        return QTest::qWaitFor(
            [&] {
                return !ui::ExclusiveRun::isRunning(&window) && number->text() == shown && window.focusWidget() == print
                    && exams->listCount() == mainWindow.patient().Barcodes.size() - 1;
            },
            20000);
    };
    const int jobsAtStart = m_sink.jobCount();

    // The first scan, listed.
    const quint64 enter = testsupport::queuePlatformKeys(handle, scans.first() + u'\r');
    QVERIFY(listed(scans.first()));
    if (secondReturn)
        testsupport::queuePlatformKeysAt(handle, u"\r"_qs, enter + testsupport::kScannerKeyMs);

    int printed = 0; // stickers Print itself made
    bool askedAfterScan = false;
    if (failedRun) {
        // Print: the first exam's sticker, then its log fails and the real question
        // asks whether to record it again; a click on No gives it up.
        testsupport::whenBoxShows(this, [&](QMessageBox *box) {
            if (whileAsked)
                testsupport::queuePlatformKeys(box->windowHandle(), scans.at(1) + u'\r');
            QTest::qWait(widgets::ScanGuard::kAloneAfterMs * 3 + 200);
            askedAfterScan = box->isVisible();
            box->button(QMessageBox::No)->click();
        });
        QTest::mouseClick(print, Qt::LeftButton);
        QVERIFY(askedAfterScan);
        printed = 1;
        QVERIFY2(m_sink.waitForJobs(jobsAtStart + printed, 30000),
                 "the first exam's sticker never reached the printer");
        QCOMPARE(window.focusWidget(), exams);
    }

    // The next scans, each on the list the one before left.
    for (qsizetype i = 1; i < scans.size(); ++i) {
        quint64 at = 0;
        if (!whileAsked)
            at = testsupport::queuePlatformKeys(handle, scans.at(i) + u'\r');
        QVERIFY2(listed(scans.at(i)),
                 qPrintable(u"%1 not listed; %2 stickers printed, %3 log rows"_qs.arg(scans.at(i))
                                .arg(m_sink.jobCount() - jobsAtStart)
                                .arg(labdb::PrintLog::read(m_dbPath).masterRows.size())));
        if (secondReturn)
            testsupport::queuePlatformKeysAt(handle, u"\r"_qs, at + testsupport::kScannerKeyMs);
    }
    QTest::qWait(1000); // anything still on its way arrives, and a job sent would reach the printer

    QCOMPARE(searched(), scans);
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(m_sink.jobCount() - jobsAtStart, printed);
    QCOMPARE(labdb::PrintLog::read(m_dbPath).masterRows.size(), 0);
    QCOMPARE(number->text(), scans.last());
    QVERIFY(print->isEnabled());
}

QTEST_MAIN(tst_wirerescan)
#include "tst_wirerescan.moc"
