#include "common/mainwindow.h"
#include "common/platformkeys.h"
#include "common/windowcontrols.h"
#include "counter/patientsearch.h"
#include "counter/searchfailure.h"
#include "counter/searchrules.h"
#include "db/commands.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "db/generaldate.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "labdb/session.h"
#include "support/bulkchargeslip.h"
#include "support/faultyembeddedclient.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace widgets;

namespace {

// A client that hands out one prepared result, for failures the laboratory
// database cannot produce: a missing column, more rows than announced.
class CannedClient : public db::DbClient
{
public:
    explicit CannedClient(db::DbResult result)
        : m_result(std::move(result))
    {
    }
    bool isOpen() const override { return true; }
    void open(const QString &) override { }
    void close() override { }
    void execute(const QString &) override { }
    db::DbResult openStatic(const QString &) override { return m_result; }
    db::DbResult openReadOnce(const QString &) override { return m_result; }
    void beginTrans() override { }
    void commitTrans() override { }
    void rollbackTrans() override { }

private:
    db::DbResult m_result;
};

// The window's client: every call goes to the client the test puts behind it, so that
// one window can meet a failing client and then the laboratory database again.
class ForwardingClient : public db::DbClient
{
public:
    db::DbClient *target = nullptr;
    bool isOpen() const override { return target->isOpen(); }
    void open(const QString &connectionString) override { target->open(connectionString); }
    void close() override { target->close(); }
    void execute(const QString &command) override { target->execute(command); }
    db::DbResult openStatic(const QString &command) override { return target->openStatic(command); }
    db::DbResult openReadOnce(const QString &command) override { return target->openReadOnce(command); }
    void beginTrans() override { target->beginTrans(); }
    void commitTrans() override { target->commitTrans(); }
    void rollbackTrans() override { target->rollbackTrans(); }
};

// A client whose every command fails with one description, as the driver gives it.
class FailingClient : public CannedClient
{
public:
    explicit FailingClient(QString description)
        : CannedClient(db::DbResult())
        , m_description(std::move(description))
    {
    }
    db::DbResult openStatic(const QString &) override { throw db::DbError(m_description); }

private:
    QString m_description;
};

// The rows the laboratory database gives for a search, read directly.
struct Rows
{
    QStringList columns;
    QList<QVariantList> rows;
    QString text(int row, const char *column) const
    {
        const QVariant v = rows.at(row).at(columns.indexOf(QLatin1String(column)));
        if (v.isNull())
            return QString();
        return v.metaType().id() == QMetaType::QDateTime ? db::generalDate(v.toDateTime()) : v.toString();
    }
};

// Types text key by key, also characters beyond ASCII that keyClicks refuses.
void typeKeys(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

} // namespace

Q_DECLARE_METATYPE(counter::SearchFailureKind)
Q_DECLARE_METATYPE(counter::PatientSearch::Outcome::Status)

class tst_MainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void searchWithoutWindow_data();
    void searchWithoutWindow();
    void keyFilter_data();
    void keyFilter();
    void searchMode_data();
    void searchMode();
    void blankNumberStartsNoSearch();
    void notFound();
    void oneRow();
    void manyRows();
    void nullInstrument();
    void resultPastRowIndexStopsWithMessage();
    void largestResultCompletes();
    void injectedDatabaseFailure();
    void searchFailureWords_data();
    void searchFailureWords();
    void failureShownInPlainWords_data();
    void failureShownInPlainWords();
    void failureWhileListing_data();
    void failureWhileListing();
    void reset();
    void checkAll();
    void printEnabledState();
    void activation();
    void inputDuringSearchIsHeldUntilItEnds();
    void closeDuringSearchWaitsForIt();
    void everyControlHasAnAccessibleName_data();
    void everyControlHasAnAccessibleName();
    void screenReaderReadsTheChecklist();

private:
    template<typename T>
    T *control(const char *name) const
    {
        return testsupport::control<T>(m_window, name);
    }
    vkTextBox *number() const { return control<vkTextBox>("txtNumber"); }
    vkListBox *exams() const { return control<vkListBox>("lstExams"); }
    vkCheck *checkAllBox() const { return control<vkCheck>("chkAll"); }
    vkCommand *print() const { return control<vkCommand>("cmdGenerate"); }
    vkCommand *resetButton() const { return control<vkCommand>("cmdNew"); }
    void search(const QString &text);
    // The window's client becomes a fresh embedded client on the test's database (m_client),
    // or the given one.
    void useEmbedded();
    void use(std::unique_ptr<db::DbClient> client);
    Rows query(const QString &number, int mode) const;
    void verifyAwaitingNumber(const QString &numberText = QString()) const;
    void verifyPatientShown(const QString &numberText, const Rows &rows) const;

    QTemporaryDir m_dir;
    QString m_path;
    QString m_overflowChargeslip;
    QString m_largestChargeslip;
    testsupport::FaultyEmbeddedClient *m_client = nullptr;
    std::unique_ptr<db::DbClient> m_current; // behind m_forward
    ForwardingClient m_forward;
    std::unique_ptr<testsupport::MainWindow> m_main;
    ui::frmNorvane *m_window = nullptr;
    QStringList m_messages;
    QStringList m_captions;
    std::function<void()> m_onMessage;
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("lab.sqlite"));
    labdb::createDatabase(m_path);
    labdb::seedSampleData(m_path);
    m_largestChargeslip = labdb::addChargeslip(m_path, 32767).refNum;
    m_overflowChargeslip = labdb::addChargeslip(m_path, 32768).refNum;
    useEmbedded();
    widgets::setMessageBoxHandler([this](const QString &text, const QString &caption) {
        m_messages.append(text);
        m_captions.append(caption);
        if (m_onMessage)
            m_onMessage();
    });
}

void tst_MainWindow::useEmbedded()
{
    auto client = std::make_unique<testsupport::FaultyEmbeddedClient>(m_path);
    client->open(QString());
    m_client = client.get();
    use(std::move(client));
}

void tst_MainWindow::use(std::unique_ptr<db::DbClient> client)
{
    m_forward.target = client.get();
    m_current = std::move(client);
}

void tst_MainWindow::init()
{
    m_messages.clear();
    m_captions.clear();
    m_onMessage = nullptr;
    m_client->clearFaults();
    m_client->clearJournal();
    m_main = std::make_unique<testsupport::MainWindow>(m_forward);
    m_window = &m_main->window;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void tst_MainWindow::cleanup()
{
    m_main.reset();
}

void tst_MainWindow::search(const QString &text)
{
    number()->setText(text);
    QTest::keyClick(number(), Qt::Key_Return);
}

Rows tst_MainWindow::query(const QString &numberText, int mode) const
{
    labdb::Session session(m_path);
    const labdb::Outcome out = session.execute(db::searchCommand(numberText, mode));
    Rows r;
    for (const labdb::Column &c : out.columns)
        r.columns.append(c.name);
    r.rows = out.rows;
    return r;
}

void tst_MainWindow::verifyAwaitingNumber(const QString &numberText) const
{
    QVERIFY(control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(!control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(number()->text(), numberText);
    QCOMPARE(exams()->listCount(), 0);
    QCOMPARE(checkAllBox()->value(), 0);
    QCOMPARE(control<vkLabel>("lblPatientName")->caption(), QString());
    QCOMPARE(control<vkTextBox>("txtCopies")->text(), QStringLiteral("1"));
    QCOMPARE(m_window->focusWidget(), number());
}

void tst_MainWindow::verifyPatientShown(const QString &numberText, const Rows &rows) const
{
    QVERIFY(!control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(number()->text(), numberText);
    QCOMPARE(control<vkTextBox>("txtCopies")->text(), QStringLiteral("1"));
    QCOMPARE(control<vkLabel>("lblPatientName")->caption(), rows.text(0, "PatientName"));
    QCOMPARE(m_main->patient().PatientName, rows.text(0, "PatientName"));
    QCOMPARE(m_main->patient().HospNum, rows.text(0, "HospNum"));
    QCOMPARE(m_main->patient().Transdate, rows.text(0, "Transdate"));
    QCOMPARE(m_main->patient().RoomID, rows.text(0, "RoomID"));
    QCOMPARE(m_main->patient().Age, rows.text(0, "Age"));
    QCOMPARE(m_main->patient().Sex, rows.text(0, "Sex"));

    const int n = int(rows.rows.size());
    QCOMPARE(exams()->listCount(), n);
    QCOMPARE(m_main->patient().Barcodes.size(), n + 1);
    QCOMPARE(m_main->patient().Instruments.size(), n + 1);
    for (int i = 1; i <= n; ++i) {
        const QString barcode = rows.text(i - 1, "Barcode");
        const QString instrument = rows.text(i - 1, "Instrument");
        QCOMPARE(m_main->patient().Barcodes.at(i - 1), barcode);
        QCOMPARE(m_main->patient().Instruments.at(i - 1), instrument);
        QCOMPARE(exams()->itemText(i), barcode + QStringLiteral(" [") + instrument + QStringLiteral("] "));
        QVERIFY(exams()->itemChecked(i));
    }
    // The spare last element stays empty.
    QCOMPARE(m_main->patient().Barcodes.last(), QString());
    QCOMPARE(m_main->patient().Instruments.last(), QString());
    QCOMPARE(checkAllBox()->value(), 1);
    QVERIFY(print()->isEnabled());
    QCOMPARE(m_window->focusWidget(), print());
    QVERIFY(m_messages.isEmpty());
}

void tst_MainWindow::searchWithoutWindow_data()
{
    using Status = counter::PatientSearch::Outcome::Status;
    QTest::addColumn<QString>("number");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("asked");
    QTest::newRow("blank") << "   " << Status::Blank << QString() << false;
    QTest::newRow("not found") << QString::fromLatin1(labdb::sample::unknownBarcode) << Status::NotFound
                               << QStringLiteral("Sample not found!") << true;
    QTest::newRow("one row") << QString::fromLatin1(labdb::sample::obrienBBarcode) << Status::Listed << QString()
                             << true;
    QTest::newRow("many rows") << QString::fromLatin1(labdb::sample::obrienChargeslip) << Status::Listed << QString()
                               << true;
    QTest::newRow("past the row index") << m_overflowChargeslip << Status::Failed
                                        << counter::searchFailureText(QStringLiteral("Overflow")) << true;
}

void tst_MainWindow::searchWithoutWindow()
{
    // The search on its own, a listing of the test's in place of the window: what it
    // asks, the order in which it lists, what it keeps and what it tells.
    QFETCH(QString, number);
    QFETCH(counter::PatientSearch::Outcome::Status, status);
    QFETCH(QString, message);
    QFETCH(bool, asked);
    counter::PatientSearch search(*m_client);
    QStringList calls;
    const counter::PatientSearch::Listing listing{
        [&calls] { calls << QStringLiteral("begin"); },
        [&calls](const counter::Patient &p) { calls << QStringLiteral("patient ") + p.PatientName; },
        [&calls](const QString &item) { calls << QStringLiteral("item ") + item; },
        [&calls] { calls << QStringLiteral("yield"); },
    };
    const counter::PatientSearch::Outcome outcome = search.run(number, listing);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.message, message);
    QCOMPARE(!m_client->journal().isEmpty(), asked);
    if (status != counter::PatientSearch::Outcome::Status::Listed) {
        QCOMPARE(calls, QStringList());
        QCOMPARE(search.patient().PatientName, QString());
        return;
    }
    const Rows rows = query(number, counter::searchMode(number));
    QStringList expected{QStringLiteral("begin"), QStringLiteral("patient ") + rows.text(0, "PatientName")};
    for (int i = 0; i < rows.rows.size(); ++i)
        expected << QStringLiteral("yield")
                 << QStringLiteral("item %1 [%2] ").arg(rows.text(i, "Barcode"), rows.text(i, "Instrument"));
    QCOMPARE(calls, expected);
    const counter::Patient &patient = search.patient();
    QCOMPARE(patient.HospNum, rows.text(0, "HospNum"));
    QCOMPARE(patient.Transdate, rows.text(0, "Transdate"));
    QCOMPARE(patient.RoomID, rows.text(0, "RoomID"));
    QCOMPARE(patient.Age + u'/' + patient.Sex, rows.text(0, "Age") + u'/' + rows.text(0, "Sex"));
    QCOMPARE(patient.Barcodes.size(), rows.rows.size() + 1);
    QCOMPARE(patient.Barcodes.last(), QString());
    QCOMPARE(patient.Instruments.last(), QString());
}

void tst_MainWindow::keyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lower case raised") << "t1000001c"
                                       << "T1000001C";
    QTest::newRow("apostrophes dropped") << "o'bri'en"
                                         << "OBRIEN";
    QTest::newRow("accented letter raised") << QStringLiteral("peña") << QStringLiteral("PEÑA");
    QTest::newRow("digits, dash and blank kept") << "cs-2024 01"
                                                 << "CS-2024 01";
    QTest::newRow("only an apostrophe") << "'"
                                        << "";
}

void tst_MainWindow::keyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    typeKeys(number(), typed);
    QCOMPARE(number()->text(), shown);

    // Pasted text and text typed on the user's behalf get the same treatment.
    number()->clear();
    QApplication::clipboard()->setText(typed);
    QTest::keySequence(number(), QKeySequence::Paste);
    QCOMPARE(number()->text(), shown);
    number()->clear();
    m_window->typeIntoNumber(typed);
    QCOMPARE(number()->text(), shown);
    QVERIFY(m_client->journal().isEmpty()); // typing alone searches nothing
}

void tst_MainWindow::searchMode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::newRow("T...C") << "T123C" << 3;
    QTest::newRow("ends in B") << "ABCB" << 3;
    QTest::newRow("B alone") << "B" << 3;
    QTest::newRow("TC, nothing between") << "TC" << 3;
    QTest::newRow("digits") << "123" << 3;
    QTest::newRow("exponent") << "1E3" << 3;
    QTest::newRow("signed decimal") << "-1.5" << 3;
    QTest::newRow("letters") << "ABC" << 2;
    QTest::newRow("letter then digits") << "X12" << 2;
    QTest::newRow("lower case t...c") << "t123c" << 2;
    QTest::newRow("leading space before T...C") << " T123C" << 2;
    QTest::newRow("trailing space after B") << "ABCB " << 2;
    QTest::newRow("chargeslip number") << "CS-2024-00001" << 2;
    QTest::newRow("group separator") << "1,000" << 2;
    QTest::newRow("leading space before digits") << " 123" << 3;
    QTest::newRow("trailing space after digits") << "123 " << 3;
}

void tst_MainWindow::searchMode()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    search(text);
    // The number goes out untrimmed, the mode as a bare digit.
    QCOMPARE(m_client->journal(),
             QStringList{QStringLiteral("Laboratory..Lab_Barcode_GetRequests '%1',%2").arg(text).arg(mode)});
}

void tst_MainWindow::blankNumberStartsNoSearch()
{
    // A patient found first, so that the search's emptying of the texts shows.
    search(QString::fromLatin1(labdb::sample::obrienBBarcode));
    QCOMPARE(exams()->listCount(), 1);
    const QStringList barcodes = m_main->patient().Barcodes;
    resetButton()->click();

    m_client->clearJournal();
    number()->setText(QStringLiteral("   "));
    QTest::keyClick(number(), Qt::Key_Return);
    QVERIFY(m_client->journal().isEmpty());
    QVERIFY(m_messages.isEmpty());
    verifyAwaitingNumber(QStringLiteral("   "));
    QCOMPARE(m_main->patient().PatientName, QString());
    QCOMPARE(m_main->patient().HospNum, QString());
    QCOMPARE(m_main->patient().Barcodes, barcodes); // the arrays wait for the next search that finds rows
}

void tst_MainWindow::notFound()
{
    QString numberWhileShown;
    m_onMessage = [&] { numberWhileShown = number()->text(); };
    QTest::keyClicks(number(), QString::fromLatin1(labdb::sample::unknownBarcode));
    QTest::keyClick(number(), Qt::Key_Return);
    QCOMPARE(m_messages, QStringList{QStringLiteral("Sample not found!")});
    QCOMPARE(m_captions, QStringList{QStringLiteral("Norvane")});
    QCOMPARE(numberWhileShown, QString::fromLatin1(labdb::sample::unknownBarcode)); // emptied after the box
    verifyAwaitingNumber();
}

void tst_MainWindow::oneRow()
{
    const QString barcode = QString::fromLatin1(labdb::sample::obrienBBarcode);
    const Rows rows = query(barcode, 3);
    QCOMPARE(rows.rows.size(), 1);
    QTest::keyClicks(number(), barcode.toLower());
    QTest::keyClick(number(), Qt::Key_Return);
    verifyPatientShown(barcode, rows);
    QCOMPARE(m_main->patient().PatientName,
             QStringLiteral("O'BRIEN, MARGARET")); // an apostrophe from the database stays
}

void tst_MainWindow::manyRows()
{
    const QString chargeslip = QString::fromLatin1(labdb::sample::bigChargeslip);
    const Rows rows = query(chargeslip, 2);
    QCOMPARE(rows.rows.size(), labdb::sample::bigChargeslipExams);
    search(chargeslip);
    verifyPatientShown(chargeslip, rows);
}

void tst_MainWindow::nullInstrument()
{
    const QString barcode = QString::fromLatin1(labdb::sample::penaNoInstrumentBarcode);
    const Rows rows = query(barcode, 3);
    int manual = -1;
    for (int i = 0; i < rows.rows.size(); ++i)
        if (rows.rows.at(i).at(rows.columns.indexOf(QStringLiteral("Instrument"))).isNull())
            manual = i;
    QVERIFY(manual >= 0);
    QVERIFY(rows.text(0, "RoomID").isEmpty()); // an outpatient: null room as well
    search(barcode);
    verifyPatientShown(barcode, rows);
    QCOMPARE(exams()->itemText(manual + 1), rows.text(manual, "Barcode") + QStringLiteral(" [] "));
}

void tst_MainWindow::resultPastRowIndexStopsWithMessage()
{
    search(m_overflowChargeslip);
    QCOMPARE(m_messages, QStringList{counter::searchFailureText(QStringLiteral("Overflow"))});
    QVERIFY(m_messages.first().startsWith(QStringLiteral("This chargeslip has too many exams to list")));
    QCOMPARE(m_captions, QStringList{QStringLiteral("Norvane")});
    // Stopped before the window changed: still awaiting a number, which stays.
    QVERIFY(control<vkFrame>("fraSearch")->isEnabled());
    QCOMPARE(number()->text(), m_overflowChargeslip);
    QCOMPARE(exams()->listCount(), 0);
    QVERIFY(m_main->patient().Barcodes.isEmpty());
}

void tst_MainWindow::largestResultCompletes()
{
    search(m_largestChargeslip);
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(exams()->listCount(), 32767);
    QCOMPARE(m_main->patient().Barcodes.size(), 32768);
    QVERIFY(m_main->patient().Barcodes.at(32766).startsWith(QLatin1Char('T')));
    QCOMPARE(m_main->patient().Barcodes.last(), QString());
    QVERIFY(exams()->itemChecked(32767));
    QCOMPARE(m_window->focusWidget(), print());
}

void tst_MainWindow::injectedDatabaseFailure()
{
    const QString barcode = QString::fromLatin1(labdb::sample::obrienTBarcode);
    m_client->failCommand(1);
    search(barcode);
    QCOMPARE(m_messages, QStringList{QStringLiteral("The command failed (injected fault).")});
    QCOMPARE(m_captions, QStringList{QStringLiteral("Norvane")});
    // The command failed before the window changed: the number waits for another Enter.
    QVERIFY(control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(!control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(number()->text(), barcode);
    QCOMPARE(number()->selectedText(), barcode); // the next scan replaces it
    QCOMPARE(exams()->listCount(), 0);

    m_messages.clear();
    QTest::keyClick(number(), Qt::Key_Return);
    verifyPatientShown(barcode, query(barcode, 3));
}

void tst_MainWindow::searchFailureWords_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<int>("nativeCode");
    QTest::addColumn<counter::SearchFailureKind>("kind");

    using Kind = counter::SearchFailureKind;
    QTest::newRow("link failure") << "Communication link failure"
                                  << "" << 0 << Kind::ConnectionLost;
    QTest::newRow("EOF from the server") << "Unexpected EOF from the server"
                                         << "" << 0 << Kind::ConnectionLost;
    QTest::newRow("write failed") << "Write to the server failed"
                                  << "" << 0 << Kind::ConnectionLost;
    QTest::newRow("connection object closed") << "Operation is not allowed when the object is closed."
                                              << "" << 0 << Kind::ConnectionLost;
    QTest::newRow("lost in the client's words")
        << "The connection to the database server was lost during the transaction."
        << "" << 0 << Kind::ConnectionLost;
    QTest::newRow("link state, plain text") << "General network error"
                                            << "08S01" << 0 << Kind::ConnectionLost;
    QTest::newRow("EOF by native number") << "Read failed"
                                          << "" << 20017 << Kind::ConnectionLost;
    QTest::newRow("cannot connect") << "Unable to connect: Adaptive Server is unavailable or does not exist"
                                    << "" << 0 << Kind::Unreachable;
    QTest::newRow("cannot connect by state") << "Client unable to establish connection"
                                             << "08001" << 0 << Kind::Unreachable;
    QTest::newRow("query time-out") << "Timeout expired"
                                    << "" << 0 << Kind::TimedOut;
    QTest::newRow("FreeTDS time-out") << "Adaptive Server connection timed out"
                                      << "" << 0 << Kind::TimedOut;
    QTest::newRow("time-out by state") << "Query cancelled"
                                       << "HYT00" << 0 << Kind::TimedOut;
    QTest::newRow("time-out by native number") << "Server did not answer"
                                               << "" << 20003 << Kind::TimedOut;
    QTest::newRow("row index overflow") << "Overflow"
                                        << "" << 0 << Kind::TooManyRows;
    QTest::newRow("no reason") << "Unknown error"
                               << "" << 0 << Kind::NoReason;
    QTest::newRow("server's own message") << "Injected failure of batch 2."
                                          << "42000" << 50000 << Kind::Other;
    QTest::newRow("missing procedure") << "Could not find stored procedure 'X'."
                                       << "" << 0 << Kind::Other;
    QTest::newRow("server message naming an overflow")
        << "Arithmetic overflow error converting expression to data type int."
        << "22003" << 8115 << Kind::Other;
    QTest::newRow("missing column") << "Item cannot be found in the collection corresponding to the requested name "
                                       "or ordinal. (Instrument)"
                                    << "" << 0 << Kind::Other;
}

void tst_MainWindow::searchFailureWords()
{
    QFETCH(QString, description);
    QFETCH(QString, sqlState);
    QFETCH(int, nativeCode);
    QFETCH(counter::SearchFailureKind, kind);

    QCOMPARE(counter::searchFailureKind(description, sqlState, nativeCode), kind);
    const QString text = counter::searchFailureText(description, sqlState, nativeCode);
    if (kind == counter::SearchFailureKind::Other) {
        QCOMPARE(text, description);
        return;
    }
    // A line in plain words, then the driver's own text, whole.
    const QString suffix = QStringLiteral("\n\n") + description;
    QVERIFY2(text.endsWith(suffix), qPrintable(text));
    const QString plain = text.chopped(suffix.size());
    QVERIFY(!plain.isEmpty() && !plain.contains(u'\n'));
    QVERIFY(!plain.contains(description));
    // Each kind has its own words.
    static QHash<int, QString> seen;
    QVERIFY(!seen.contains(int(kind)) || seen.value(int(kind)) == plain);
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        QVERIFY(it.key() == int(kind) || it.value() != plain);
    seen.insert(int(kind), plain);
}

void tst_MainWindow::failureShownInPlainWords_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("firstWords");
    QTest::newRow("connection lost") << "Communication link failure"
                                     << "The connection to the laboratory database was lost.";
    QTest::newRow("EOF from the server") << "Unexpected EOF from the server"
                                         << "The connection to the laboratory database was lost.";
    QTest::newRow("time-out") << "Adaptive Server connection timed out"
                              << "The laboratory database did not answer in time.";
    QTest::newRow("server's own message") << "Injected failure of batch 2."
                                          << "Injected failure of batch 2.";
}

void tst_MainWindow::failureShownInPlainWords()
{
    QFETCH(QString, description);
    QFETCH(QString, firstWords);
    const QString failed = QString::fromLatin1(labdb::sample::obrienTBarcode);
    use(std::make_unique<FailingClient>(description));
    search(failed);
    useEmbedded();

    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().startsWith(firstWords), qPrintable(m_messages.first()));
    QVERIFY(m_messages.first().endsWith(description));
    QCOMPARE(m_captions, QStringList{QStringLiteral("Norvane")});
    QCOMPARE(m_window->focusWidget(), number());
    QCOMPARE(number()->selectedText(), failed);

    // The next scan, typed as the window system delivers it, replaces the number.
    m_messages.clear();
    const QString next = QString::fromLatin1(labdb::sample::obrienBBarcode);
    testsupport::queuePlatformKeys(m_window->windowHandle(), next + QStringLiteral("\r"));
    QTRY_COMPARE(exams()->listCount(), 1);
    verifyPatientShown(next, query(next, 3));
}

void tst_MainWindow::failureWhileListing_data()
{
    const QStringList columns{QStringLiteral("HospNum"), QStringLiteral("PatientName"), QStringLiteral("Transdate"),
                              QStringLiteral("RoomID"),  QStringLiteral("Age"),         QStringLiteral("Sex"),
                              QStringLiteral("Barcode"), QStringLiteral("Instrument")};
    auto row = [](const char *barcode) {
        return QVariantList{
            QStringLiteral("H1"), QStringLiteral("DOE, JANE"), QVariant(),          QVariant(), QStringLiteral("40"),
            QStringLiteral("F"),  QLatin1String(barcode),      QStringLiteral("XN")};
    };
    QTest::addColumn<db::DbResult>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("listed");

    QStringList noInstrument = columns;
    noInstrument.removeLast();
    QList<QVariantList> shortRows{row("B1"), row("B2")};
    for (QVariantList &r : shortRows)
        r.removeLast();
    QTest::newRow("column missing") << db::DbResult(noInstrument, shortRows, 2)
                                    << QStringLiteral("Item cannot be found in the collection corresponding to the "
                                                      "requested name or ordinal. (Instrument)")
                                    << QStringList{};
    QTest::newRow("more rows than announced")
        << db::DbResult(columns, {row("B1"), row("B2"), row("B3")}, 2) << QStringLiteral("Subscript out of range")
        << QStringList{QStringLiteral("B1 [XN] "), QStringLiteral("B2 [XN] ")};
}

void tst_MainWindow::failureWhileListing()
{
    QFETCH(db::DbResult, result);
    QFETCH(QString, message);
    QFETCH(QStringList, listed);
    use(std::make_unique<CannedClient>(result));
    search(QStringLiteral("T1C"));
    useEmbedded();

    QCOMPARE(m_messages, QStringList{message});
    // Left as the error left it: frames switched, name shown, partial checklist.
    QVERIFY(!control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(control<vkLabel>("lblPatientName")->caption(), QStringLiteral("DOE, JANE"));
    QCOMPARE(exams()->listCount(), listed.size());
    for (int i = 1; i <= listed.size(); ++i)
        QCOMPARE(exams()->itemText(i), listed.at(i - 1));
    QCOMPARE(checkAllBox()->value(), 0);

    // Reset leads back.
    QTest::mouseClick(resetButton(), Qt::LeftButton);
    verifyAwaitingNumber();
    QVERIFY(!print()->isEnabled());
}

void tst_MainWindow::reset()
{
    const QString chargeslip = QString::fromLatin1(labdb::sample::obrienChargeslip);
    search(chargeslip);
    QVERIFY(exams()->listCount() > 1);
    control<vkTextBox>("txtCopies")->setText(QStringLiteral("3"));
    const QString name = m_main->patient().PatientName;
    const QStringList barcodes = m_main->patient().Barcodes;

    QTest::mouseClick(resetButton(), Qt::LeftButton);
    verifyAwaitingNumber();
    QVERIFY(!print()->isEnabled());
    // The reset leaves the form-level state for the next search.
    QCOMPARE(m_main->patient().PatientName, name);
    QCOMPARE(m_main->patient().Barcodes, barcodes);

    // The window takes the next scan at once: keys sent to the window reach the box.
    for (char c : QByteArrayLiteral("3000001b"))
        QTest::keyClick(m_window->windowHandle(), c);
    QCOMPARE(number()->text(), QStringLiteral("3000001B"));
}

void tst_MainWindow::everyControlHasAnAccessibleName_data()
{
    // What a screen reader calls each control: its caption, or what it is for.
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");

    const QList<std::tuple<const char *, const char *, QAccessible::Role>> controls{
        {"fraMain", "Norvane", QAccessible::Grouping},
        {"fraSearch", "Search A Patient", QAccessible::Grouping},
        {"txtNumber", "Barcode or chargeslip number", QAccessible::EditableText},
        {"cmdKeyboard", "Keyboard", QAccessible::Button},
        {"Image1", "Search", QAccessible::Graphic},
        {"Label1", "To Search Patient :", QAccessible::StaticText},
        {"Label2", "Scan the barcode of patient or type in the chargeslip no. of the patient.",
         QAccessible::StaticText},
        {"fraExams", "Barcode", QAccessible::Grouping},
        {"lblPatientName", "Patient name", QAccessible::StaticText},
        {"lstExams", "Exams", QAccessible::List},
        {"chkAll", "Check All", QAccessible::CheckBox},
        {"vkLabel1", "Number of Copies :", QAccessible::StaticText},
        {"txtCopies", "Number of Copies", QAccessible::EditableText},
        {"cmdGenerate", "Print", QAccessible::Button},
        {"cmdNew", "Reset", QAccessible::Button},
        {"vkFrame1", "www.brellanmedical.example", QAccessible::Grouping},
        {"imgPics(0)", "Slideshow picture 1 of 9", QAccessible::Graphic},
        {"imgPics(8)", "Slideshow picture 9 of 9", QAccessible::Graphic},
        {"imgButton", "Play the slideshow", QAccessible::Graphic},
        {"Label3", "Brellan Medical Center", QAccessible::StaticText},
        {"Label4", "Laboratory Blood Extraction Section", QAccessible::StaticText},
        {"Label5", "Barcode Label Printing", QAccessible::StaticText},
        {"Image2", "Brellan Medical Center logo", QAccessible::Graphic},
    };
    for (const auto &[control, name, role] : controls)
        QTest::newRow(control) << QString::fromLatin1(control) << QString::fromUtf8(name) << role;
}

void tst_MainWindow::everyControlHasAnAccessibleName()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);
    auto *widget = m_window->findChild<QWidget *>(control);
    QVERIFY(widget);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(iface->role(), role);

    // And every other control of the window, by whatever name: none is left unnamed.
    if (QTest::currentDataTag() == QByteArray("fraMain")) {
        for (QWidget *w : m_window->findChildren<QWidget *>()) {
            if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"_qs))
                continue; // the parts Qt makes inside its own widgets
            QAccessibleInterface *each = QAccessible::queryAccessibleInterface(w);
            QVERIFY(each);
            QVERIFY2(!each->text(QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
        }
    }
}

void tst_MainWindow::screenReaderReadsTheChecklist()
{
    // The checklist as a screen reader reads it: each exam by its text, checked after
    // the search; one unchecked by its toggle action, as a screen reader's user does it.
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(exams());
    QVERIFY(list);
    QCOMPARE(list->childCount(), 0);
    const QString number = QString::fromLatin1(labdb::sample::obrienChargeslip);
    search(number);
    const Rows rows = query(number, counter::searchMode(number));
    const int n = int(rows.rows.size());
    QVERIFY(n > 1);
    QCOMPARE(list->childCount(), n);
    for (int i = 0; i < n; ++i) {
        QAccessibleInterface *item = list->child(i);
        QVERIFY(item);
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(item->text(QAccessible::Name), exams()->itemText(i + 1));
        QVERIFY(item->text(QAccessible::Name).startsWith(rows.text(i, "Barcode")));
        QVERIFY(item->state().checkable);
        QVERIFY(item->state().checked);
    }
    QAccessibleInterface *patient = QAccessible::queryAccessibleInterface(control<vkLabel>("lblPatientName"));
    QCOMPARE(patient->text(QAccessible::Name), rows.text(0, "PatientName"));

    list->child(1)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!exams()->itemChecked(2));
    for (int i = 0; i < n; ++i)
        QCOMPARE(list->child(i)->state().checked, i != 1);

    // Reset empties it again.
    QTest::mouseClick(resetButton(), Qt::LeftButton);
    QCOMPARE(list->childCount(), 0);
    QCOMPARE(patient->text(QAccessible::Name), u"Patient name"_qs);
}

void tst_MainWindow::checkAll()
{
    // On the empty list: nothing to check.
    checkAllBox()->setValue(1);
    QCOMPARE(exams()->listCount(), 0);
    checkAllBox()->setValue(0);

    // On a full list, by the user: unchecking and checking every item.
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    const int n = exams()->listCount();
    QVERIFY(n > 1);
    QTest::mouseClick(checkAllBox(), Qt::LeftButton, {}, QPoint(8, checkAllBox()->height() / 2));
    QCOMPARE(checkAllBox()->value(), 0);
    for (int i = 1; i <= n; ++i)
        QVERIFY(!exams()->itemChecked(i));
    QTest::mouseClick(checkAllBox(), Qt::LeftButton, {}, QPoint(8, checkAllBox()->height() / 2));
    for (int i = 1; i <= n; ++i)
        QVERIFY(exams()->itemChecked(i));

    // Single items stay the user's to change; Check All set again covers them all.
    QTest::mouseClick(exams()->viewport(), Qt::LeftButton, {}, QPoint(20, exams()->rowHeight() / 2));
    QVERIFY(!exams()->itemChecked(1));
    checkAllBox()->setValue(0);
    checkAllBox()->setValue(1);
    QVERIFY(exams()->itemChecked(1));
}

void tst_MainWindow::printEnabledState()
{
    // Its own state, apart from its frame's.
    const auto ownState = [this] { return print()->isEnabledTo(control<vkFrame>("fraExams")); };
    QVERIFY(ownState()); // starts enabled, out of reach in its disabled frame
    QVERIFY(!print()->isEnabled());

    search(QString::fromLatin1(labdb::sample::obrienTBarcode));
    QVERIFY(print()->isEnabled());
    QTest::mouseClick(resetButton(), Qt::LeftButton);
    QVERIFY(!ownState());

    // Check All on the empty list does not enable it.
    checkAllBox()->setValue(1);
    QVERIFY(!ownState());
    checkAllBox()->setValue(0);

    // A search that lists exams does; unchecking everything leaves it enabled.
    search(QString::fromLatin1(labdb::sample::obrienTBarcode));
    QVERIFY(ownState());
    checkAllBox()->setValue(0);
    QVERIFY(ownState());
    QVERIFY(print()->isEnabled());

    // A search that finds nothing leaves it as it was: disabled after a Reset.
    QTest::mouseClick(resetButton(), Qt::LeftButton);
    search(QString::fromLatin1(labdb::sample::unknownBarcode));
    QVERIFY(!ownState());
}

void tst_MainWindow::activation()
{
    // The first show reset the window from its design-time texts.
    verifyAwaitingNumber();

    // A message box closing is no activation.
    QTest::keyClicks(number(), QStringLiteral("T55"));
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Norvane"), QStringLiteral("x"), QMessageBox::Ok);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.close();
    }
    QApplication::processEvents();
    QCOMPARE(number()->text(), QStringLiteral("T55"));

    // Nor is coming back from another application, which Qt reports as activation.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(m_window, &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_window, &activate);
    QApplication::processEvents();
    QCOMPARE(number()->text(), QStringLiteral("T55"));

    // Another window of the program opened over it and closed: the window resets.
    {
        QDialog over(m_window);
        over.setWindowTitle(QStringLiteral(" Keyboard"));
        QTimer::singleShot(0, &over, [&] {
            QCOMPARE(number()->text(), QStringLiteral("T55")); // nothing happens while it is open
            over.close();
        });
        over.exec();
    }
    verifyAwaitingNumber();

    // Also with a patient shown: the reset applies whatever the window shows.
    search(QString::fromLatin1(labdb::sample::obrienBBarcode));
    QCOMPARE(exams()->listCount(), 1);
    {
        QWidget over; // a window without owner, as the keyboard window is shown
        over.show();
        QVERIFY(QTest::qWaitForWindowExposed(&over));
        over.close();
    }
    verifyAwaitingNumber();
}

void tst_MainWindow::inputDuringSearchIsHeldUntilItEnds()
{
    // A click on Reset and the next scan arrive while the search lists rows,
    // delivered by a timer, which keeps ticking meanwhile.
    int ticks = 0;
    int itemsAtClick = -1;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (++ticks == 1) {
            itemsAtClick = exams()->listCount();
            QTest::mouseClick(resetButton(), Qt::LeftButton);
            for (char c : QByteArrayLiteral("t5'5c"))
                QTest::keyClick(m_window->windowHandle(), c);
        }
    });
    ticker.start(0);
    search(QString::fromLatin1(labdb::sample::bigChargeslip));
    ticker.stop();

    // Timers ran during the search; the click did not: the search finished whole.
    QVERIFY(ticks >= 1);
    QVERIFY(itemsAtClick >= 0 && itemsAtClick < labdb::sample::bigChargeslipExams);
    QCOMPARE(m_main->patient().Barcodes.size(), labdb::sample::bigChargeslipExams + 1);
    QVERIFY(!m_main->patient().Barcodes.at(labdb::sample::bigChargeslipExams - 1).isEmpty());

    // Held, not lost: once the search has returned, the window gives way to the
    // scan typed for the number box (and the click resets it); the scan lands
    // in the number box, through its key filter.
    QTRY_COMPARE(number()->text(), QStringLiteral("T55C"));
    verifyAwaitingNumber(QStringLiteral("T55C"));
    QVERIFY(!print()->isEnabled());
}

void tst_MainWindow::closeDuringSearchWaitsForIt()
{
    QTimer::singleShot(0, m_window, [this] { m_window->close(); });
    search(QString::fromLatin1(labdb::sample::bigChargeslip));
    QVERIFY(m_window->isVisible());
    QCOMPARE(exams()->listCount(), labdb::sample::bigChargeslipExams);
    QTRY_VERIFY(!m_window->isVisible());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
