#include "app/logfile.h"
#include "app/storagenotice.h"
#include "common/asnobody.h"
#include "common/mainwindow.h"
#include "common/modalbox.h"
#include "common/platformkeys.h"
#include "common/windowcontrols.h"
#include "counter/copiescount.h"
#include "counter/journalquestions.h"
#include "counter/patientsearch.h"
#include "counter/printquestions.h"
#include "counter/printrun.h"
#include "db/commands.h"
#include "db/dberror.h"
#include "db/embeddedclient.h"
#include "journal/printjournal.h"
#include "journal/workstation.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "labdb/session.h"
#include "label/barcodevalue.h"
#include "label/labelerror.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/reportapplication.h"
#include "support/bulkchargeslip.h"
#include "support/faultyembeddedclient.h"
#include "ui/journal/todaysstickersdialog.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/scanguard.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

using namespace widgets;

namespace {

const QString kCopiesMessage = QStringLiteral(
    "Type how many stickers to print for each exam in Number of Copies: a whole number, such as 1 or 2.");
const QString kRequeryPrefix = QStringLiteral("Laboratory..Lab_Barcode_GetRequests '");

// The embedded database, with the search's Age and Sex read as null on request:
// the laboratory database itself always has both.
class DemoClient : public testsupport::FaultyEmbeddedClient
{
public:
    using testsupport::FaultyEmbeddedClient::FaultyEmbeddedClient;
    bool blankAgeSex = false;
    std::function<void()> beforeCommit; // runs as a commit is asked for, before it
    bool commitInDoubt = false;         // commits, and the answer is lost as with a dropped connection

    void commitTrans() override
    {
        if (beforeCommit)
            beforeCommit();
        testsupport::FaultyEmbeddedClient::commitTrans();
        if (commitInDoubt)
            throw db::DbError(QStringLiteral("Communication link failure (injected: the commit's answer was lost)"),
                              db::DbError::Kind::ConnectionLost, true);
    }

    db::DbResult openStatic(const QString &command) override
    {
        db::DbResult r = testsupport::FaultyEmbeddedClient::openStatic(command);
        if (!blankAgeSex)
            return r;
        QList<QVariantList> rows;
        for (db::DbResult copy = r; !copy.atEnd(); copy.moveNext()) {
            QVariantList row;
            for (const QString &c : r.columns()) {
                const bool blank = c.compare(QLatin1String("Age"), Qt::CaseInsensitive) == 0
                    || c.compare(QLatin1String("Sex"), Qt::CaseInsensitive) == 0;
                row.append(blank ? QVariant() : copy.value(c));
            }
            rows.append(row);
        }
        return db::DbResult(r.columns(), rows, r.rowCount());
    }
};

// A PDF sticker without its creation time, so that two prints of the same values
// compare equal.
QByteArray withoutCreationDate(QByteArray pdf)
{
    const qsizetype at = pdf.indexOf("/CreationDate (");
    if (at >= 0)
        pdf.remove(at, pdf.indexOf(')', at) - at + 1);
    return pdf;
}

// How keys reach the window: queued by the window system, or posted events.
enum class Delivery { Platform, Posted };

void typeKeys(Delivery delivery, QWindow *window, const QString &text)
{
    if (delivery == Delivery::Platform) {
        testsupport::queuePlatformKeys(window, text);
        return;
    }
    for (const QChar c : text) {
        const int key = c == u'\r' ? int(Qt::Key_Return) : int(c.toUpper().unicode());
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(c)));
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(c)));
    }
}

// Every message the program logs, as "category: text" (the log file's lines).
QStringList *loggedLines = nullptr;
QtMessageHandler passOn = nullptr;
void keepLogged(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (loggedLines)
        loggedLines->append(QLatin1String(context.category ? context.category : "default") + u": "_qs + message);
    passOn(type, context, message);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

Q_DECLARE_METATYPE(Delivery)

class tst_PrintRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void copiesCount_data();
    void copiesCount();
    void printsAndLogsCheckedExamsInChecklistOrder();
    void printRunWithoutWindow();
    void copies_data();
    void copies();
    void invalidCopiesStopsBeforeAnything_data();
    void invalidCopiesStopsBeforeAnything();
    void noItemChecked();
    void copiesQuestion_data();
    void copiesQuestion();
    void largeOrEmptyCopiesAreConfirmed_data();
    void largeOrEmptyCopiesAreConfirmed();
    void unprintableBarcodeStopsBeforeAnything();
    void blankBarcodeStopsBeforeAnything_data();
    void blankBarcodeStopsBeforeAnything();
    void printerFailureStopsAtThatExam();
    void stopDuringRun_data();
    void stopDuringRun();
    void emptyAgeAndSexGiveSlash();
    void secondPrintDuringRunStartsNothing();
    void keysTypedDuringSearch_data();
    void keysTypedDuringSearch();
    void clickOnDisabledPrintDuringSearchIsLost();
    void rescanNeverPrints_data();
    void rescanNeverPrints();
    void secondKeyOfAScanNeverPrints_data();
    void secondKeyOfAScanNeverPrints();
    void scanNeverAnswersTheLogQuestion_data();
    void scanNeverAnswersTheLogQuestion();
    void scanTypedWhileLogsWaitIsSearchedAfterTheRun();
    void journalStatesAfterRun_data();
    void journalStatesAfterRun();
    void reprintWarning_data();
    void reprintWarning();
    void offerAtStartUp_data();
    void offerAtStartUp();
    void offerAfterRecovery_data();
    void offerAfterRecovery();
    void todaysStickersOnF9();
    void journalThatCannotBeWritten_data();
    void journalThatCannotBeWritten();
    void logFileThatCannotBeWrittenIsToldOnce_data();
    void logFileThatCannotBeWrittenIsToldOnce();

private:
    template<typename T>
    T *control(const char *name) const
    {
        return testsupport::control<T>(m_window, name);
    }
    vkTextBox *number() const { return control<vkTextBox>("txtNumber"); }
    vkTextBox *copiesBox() const { return control<vkTextBox>("txtCopies"); }
    vkListBox *exams() const { return control<vkListBox>("lstExams"); }
    vkCommand *print() const { return control<vkCommand>("cmdGenerate"); }

    void search(const QString &text);
    // Scans the number as the window system delivers a scanner's keys, ended by Return,
    // and waits for the list with Print focused; returns the Return's time stamp (0: no list).
    quint64 scanAndWait(const QString &number);
    // Answers questions and message boxes through the seams, or leaves them on screen.
    void answerBoxesHere(bool on);
    void clickPrint() { QTest::mouseClick(print(), Qt::LeftButton); }
    // The stickers printed so far, in print order, as the barcodes they carry.
    QStringList stickers() const;
    // The barcodes the print log re-queried, in order.
    QStringList loggedBarcodes() const;
    // The numbers searched, in order.
    QStringList searchedNumbers() const;
    int requeryRows(const QString &barcode) const;
    // The sticker the shipped template makes with each of its fields given the value
    // stored under the field's name, printed without the label job, without its
    // creation time: an oracle for the order in which the print run and the label job
    // hand the values over. Empty when the fields and the names differ.
    QByteArray stickerByFieldName(const QMap<QString, QString> &values) const;
    // An exam's values under the template's field names.
    QMap<QString, QString> fieldValues(int exam, const QString &ageSex) const;
    void verifyAwaitingNumber() const;
    // The window made again on the test's client, writing journal (none: no
    // journal), and shown; the storage notice comes from notice when given.
    void showWindow(journal::PrintJournal *journal, int reprintWarningHours = 24, app::StorageNotice *notice = nullptr);
    QString journalPath() const { return m_journalDir->filePath(QStringLiteral("data/journal.sqlite")); }
    // The journal's lines written since the test began, as "barcode: state".
    QStringList journalStates();
    // Rows of the print log's master table for barcode.
    int masterRows(const QString &barcode) const;

    QTemporaryDir m_dir;
    QString m_path;
    QStringList m_badBarcodes; // three exams of one chargeslip; the second is too long for the sticker
    QString m_badChargeslip;
    QStringList m_accentBarcodes; // three exams of one chargeslip; the third has a letter outside ASCII
    QString m_accentChargeslip;
    QStringList m_blankBarcodes; // three exams of one chargeslip; the second's barcode is blanks only
    QString m_blankChargeslip;
    labdb::BulkChargeslip m_threeExams; // a chargeslip of three exams, a barcode each
    DemoClient *m_client = nullptr;
    std::unique_ptr<DemoClient> m_clientOwner;
    std::unique_ptr<QTemporaryDir> m_pdfDir;
    std::unique_ptr<QTemporaryDir> m_journalDir;
    std::unique_ptr<journal::PrintJournal> m_journal; // the window's, fresh for each test
    std::unique_ptr<testsupport::MainWindow> m_main;  // stickers to PDF files in m_pdfDir
    ui::frmNorvane *m_window = nullptr;
    QStringList m_messages;
    QStringList m_captions;
    std::function<void()> m_onMessage;
    QStringList m_questions;
    bool m_answer = true;               // what the user answers every question
    std::function<void()> m_onQuestion; // runs when a question is asked, before the answer
    QStringList m_logged;               // what the program logged since the test began
};

void tst_PrintRun::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("demo/laboratory.sqlite"));
    labdb::createDemoDatabase(m_path);

    // A chargeslip whose second exam carries a barcode too long for the sticker,
    // and one whose third carries a letter outside ASCII.
    const labdb::BulkChargeslip bad = labdb::addChargeslip(m_path, 3);
    m_badChargeslip = bad.refNum;
    m_badBarcodes = bad.barcodes;
    m_badBarcodes[1] = QStringLiteral("T90ABCDEFGHIJKLMNOPQRS02C");
    m_threeExams = labdb::addChargeslip(m_path, 3);
    const labdb::BulkChargeslip accent = labdb::addChargeslip(m_path, 3);
    m_accentChargeslip = accent.refNum;
    m_accentBarcodes = accent.barcodes;
    m_accentBarcodes[2] = QStringLiteral("PE\u00D1A01");
    const labdb::BulkChargeslip blank = labdb::addChargeslip(m_path, 3);
    m_blankChargeslip = blank.refNum;
    m_blankBarcodes = blank.barcodes;
    m_blankBarcodes[1] = QStringLiteral("   ");
    {
        QSqlDatabase sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        sql.setDatabaseName(m_path);
        QVERIFY(sql.open());
        QSqlQuery q(sql);
        const std::pair<QString, QString> changes[] = {{bad.barcodes[1], m_badBarcodes[1]},
                                                       {accent.barcodes[2], m_accentBarcodes[2]},
                                                       {blank.barcodes[1], m_blankBarcodes[1]}};
        for (const auto &[from, to] : changes) {
            q.prepare(QStringLiteral("UPDATE exams SET barcode = ? WHERE barcode = ?"));
            q.addBindValue(to);
            q.addBindValue(from);
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            QCOMPARE(q.numRowsAffected(), 1);
        }
        sql.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));

    auto client = std::make_unique<DemoClient>(m_path);
    client->open(QString());
    m_client = client.get();
    m_clientOwner = std::move(client);
    answerBoxesHere(true);
    QVERIFY(QFile::exists(report::labelTemplatePath()));
}

void tst_PrintRun::answerBoxesHere(bool on)
{
    if (!on) {
        widgets::setMessageBoxHandler({});
        widgets::setQuestionHandler({});
        return;
    }
    widgets::setMessageBoxHandler([this](const QString &text, const QString &caption) {
        m_messages.append(text);
        m_captions.append(caption);
        if (m_onMessage)
            m_onMessage();
    });
    widgets::setQuestionHandler([this](const QString &text, const QString &caption, widgets::QuestionIcon) {
        m_questions.append(text);
        m_captions.append(caption);
        if (m_onQuestion)
            m_onQuestion();
        return m_answer;
    });
    QVERIFY(QFile::exists(report::labelTemplatePath()));
    loggedLines = &m_logged;
    if (!passOn) // once: a second handler would pass each message on to itself
        passOn = qInstallMessageHandler(keepLogged);
}

void tst_PrintRun::init()
{
    m_messages.clear();
    m_captions.clear();
    m_onMessage = nullptr;
    m_questions.clear();
    m_answer = true;
    m_onQuestion = nullptr;
    m_client->clearFaults();
    m_client->blankAgeSex = false;
    m_client->beforeCommit = nullptr;
    m_client->commitInDoubt = false;
    m_logged.clear();
    m_pdfDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pdfDir->isValid());
    m_journalDir = std::make_unique<QTemporaryDir>();
    m_journal = std::make_unique<journal::PrintJournal>();
    QVERIFY(m_journal->open(journalPath()));
    showWindow(m_journal.get());
}

void tst_PrintRun::cleanup()
{
    m_main.reset();
    m_journal.reset();
    if (m_journalDir)
        QFile::setPermissions(m_journalDir->filePath(QStringLiteral("unwritable")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_journalDir.reset();
    app::removeLogFile();
}

void tst_PrintRun::showWindow(journal::PrintJournal *journal, int reprintWarningHours, app::StorageNotice *notice)
{
    m_main.reset();
    m_main = std::make_unique<testsupport::MainWindow>(*m_client, m_pdfDir->path(), journal, reprintWarningHours);
    m_window = &m_main->window;
    if (notice)
        m_window->setStorageNotice([notice] { return notice->take(); });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

QStringList tst_PrintRun::journalStates()
{
    QStringList states;
    for (const journal::Line &l : m_journal->linesSince(QDateTime::currentDateTime().addDays(-2)))
        states << l.barcode + u": "_qs + journal::stateName(l.state);
    return states;
}

int tst_PrintRun::masterRows(const QString &barcode) const
{
    int n = 0;
    for (const QStringList &row : labdb::PrintLog::read(m_path).masterRows)
        n += row.value(3) == barcode ? 1 : 0;
    return n;
}

void tst_PrintRun::search(const QString &text)
{
    number()->setText(text);
    QTest::keyClick(number(), Qt::Key_Return);
    QVERIFY(m_messages.isEmpty());
    QVERIFY(exams()->listCount() > 0);
    QVERIFY(print()->isEnabled());
    m_client->clearJournal();
}

quint64 tst_PrintRun::scanAndWait(const QString &numberText)
{
    const quint64 enter = testsupport::queuePlatformKeys(m_window->windowHandle(), numberText + u'\r');
    const bool listed = QTest::qWaitFor(
        [this] { return !ui::ExclusiveRun::isRunning(m_window) && print()->hasFocus(); });
    return listed ? enter : 0;
}

QStringList tst_PrintRun::stickers() const
{
    QStringList barcodes;
    const QStringList files = QDir(m_pdfDir->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    for (const QString &f : files)
        barcodes.append(f.section(u'-', 1).chopped(4));
    return barcodes;
}

QStringList tst_PrintRun::loggedBarcodes() const
{
    QStringList barcodes;
    for (const QString &command : m_client->journal()) {
        if (command.startsWith(kRequeryPrefix) && command.endsWith(u'\''))
            barcodes.append(command.mid(kRequeryPrefix.size()).chopped(1));
    }
    return barcodes;
}

QStringList tst_PrintRun::searchedNumbers() const
{
    static const QRegularExpression search(QStringLiteral("^Laboratory\\.\\.Lab_Barcode_GetRequests '(.*)',[23]$"));
    QStringList numbers;
    for (const QString &command : m_client->journal()) {
        const QRegularExpressionMatch m = search.match(command);
        if (m.hasMatch())
            numbers.append(m.captured(1));
    }
    return numbers;
}

int tst_PrintRun::requeryRows(const QString &barcode) const
{
    labdb::Session session(m_path);
    return int(session.execute(db::requeryCommand(barcode)).rows.size());
}

QByteArray tst_PrintRun::stickerByFieldName(const QMap<QString, QString> &values) const
{
    QTemporaryDir dir;
    output::LabelOutput toFiles({dir.path(), {}});
    const std::unique_ptr<report::Report> sticker = report::ReportApplication(toFiles).openReport(
        report::labelTemplatePath(), report::ReportApplication::OpenFresh);
    sticker->setReportTitle(QStringLiteral("Barcode Label Printing"));
    QList<report::ParameterField> &fields = sticker->parameterFields();
    if (fields.size() != values.size())
        return QByteArray();
    for (report::ParameterField &field : fields) {
        if (!values.contains(field.name()))
            return QByteArray();
        field.setCurrentValue(values.value(field.name()));
    }
    sticker->printOut(false);
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    return files.size() == 1 ? withoutCreationDate(readFile(dir.filePath(files[0]))) : QByteArray();
}

QMap<QString, QString> tst_PrintRun::fieldValues(int exam, const QString &ageSex) const
{
    return {{QStringLiteral("Barcode"), m_main->patient().Barcodes[exam]},
            {QStringLiteral("PatientName"), m_main->patient().PatientName},
            {QStringLiteral("HospNum"), m_main->patient().HospNum},
            {QStringLiteral("Instrument"), m_main->patient().Instruments[exam]},
            {QStringLiteral("Transdate"), m_main->patient().Transdate},
            {QStringLiteral("RoomID"), m_main->patient().RoomID},
            {QStringLiteral("AgeSex"), ageSex}};
}

void tst_PrintRun::verifyAwaitingNumber() const
{
    QVERIFY(control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(!control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(number()->text(), QString());
    QCOMPARE(exams()->listCount(), 0);
    QCOMPARE(copiesBox()->text(), QStringLiteral("1"));
    QCOMPARE(m_window->focusWidget(), number());
    QVERIFY(!print()->isEnabled());
}

void tst_PrintRun::copiesCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count"); // -99999: not a 16-bit whole number
    const int none = -99999;
    QTest::newRow("plain") << "3" << 3;
    QTest::newRow("spaces around") << " 3 " << 3;
    QTest::newRow("sign") << "+3" << 3;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("half down to even") << "2.5" << 2;
    QTest::newRow("half up to even") << "3.5" << 4;
    QTest::newRow("negative half to even") << "-2.5" << -2;
    QTest::newRow("minus a half is zero") << "-0.5" << 0;
    QTest::newRow("above a half") << "2.51" << 3;
    QTest::newRow("exponent") << "1e2" << 100;
    QTest::newRow("fraction only") << ".6" << 1;
    QTest::newRow("largest") << "32767" << 32767;
    QTest::newRow("smallest") << "-32768" << -32768;
    QTest::newRow("half above largest") << "32767.5" << none;
    QTest::newRow("too large") << "32768" << none;
    QTest::newRow("too small") << "-32769" << none;
    QTest::newRow("huge") << "1e400" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("spaces only") << "  " << none;
    QTest::newRow("letters") << "abc" << none;
    QTest::newRow("two numbers") << "1 2" << none;
    QTest::newRow("group separator") << "1,000" << none;
    QTest::newRow("hexadecimal") << "0x10" << none;
}

void tst_PrintRun::copiesCount()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    const std::optional<qint16> got = counter::copiesCount(text);
    if (count == -99999)
        QVERIFY(!got);
    else
        QCOMPARE(got, std::optional<qint16>(qint16(count)));
}

void tst_PrintRun::printsAndLogsCheckedExamsInChecklistOrder()
{
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    const int n = exams()->listCount();
    QCOMPARE(n, 5);
    const QStringList barcodes = m_main->patient().Barcodes;
    const labdb::PrintLog before = labdb::PrintLog::read(m_path);

    // Item 2 is left out.
    exams()->setItemChecked(2, false);
    QStringList expected;
    int expectedRows = 0;
    for (int i = 1; i <= n; ++i) {
        if (i != 2) {
            expected.append(barcodes[i - 1]);
            expectedRows += requeryRows(barcodes[i - 1]);
        }
    }
    const QMap<QString, QString> firstValues = fieldValues(0, m_main->patient().Age + u'/' + m_main->patient().Sex);
    QVERIFY(firstValues.value(QStringLiteral("AgeSex")) != QStringLiteral("/"));
    clickPrint();

    // One sticker per checked exam and one log per checked exam, both in checklist order.
    QCOMPARE(stickers(), expected);
    QCOMPARE(loggedBarcodes(), expected);
    const labdb::PrintLog after = labdb::PrintLog::read(m_path);
    QCOMPARE(after.masterRows.size() - before.masterRows.size(), expectedRows);
    QCOMPARE(after.dateRows.size() - before.dateRows.size(), expectedRows);
    QStringList masterBarcodes;
    for (qsizetype k = before.masterRows.size(); k < after.masterRows.size(); ++k)
        masterBarcodes.append(after.masterRows[k].at(3));
    masterBarcodes.removeDuplicates();
    QStringList expectedDistinct = expected;
    expectedDistinct.removeDuplicates();
    QCOMPARE(masterBarcodes, expectedDistinct);

    // The sticker carries each of the exam's values in the field named for it.
    const QStringList files = QDir(m_pdfDir->path()).entryList(QDir::Files, QDir::Name);
    const QByteArray oracle = stickerByFieldName(firstValues);
    QVERIFY(!oracle.isEmpty());
    QCOMPARE(withoutCreationDate(readFile(QDir(m_pdfDir->path()).filePath(files[0]))), oracle);

    // Logged elements were emptied in place; the one left out keeps its barcode.
    for (int i = 1; i <= n; ++i)
        QCOMPARE(m_main->patient().Barcodes[i - 1], i == 2 ? barcodes[1] : QString());
    verifyAwaitingNumber();
    QVERIFY(m_messages.isEmpty());
}

void tst_PrintRun::printRunWithoutWindow()
{
    // The print run on its own, a checklist of the test's in place of the window's: a
    // log that fails stops the run after its exam, with the exams not reached still
    // checked; recording again clears it; the next run prints the rest, each exam's
    // stickers then its log, and tells every sticker job.
    QTemporaryDir stickers;
    output::LabelOutput toFiles({stickers.path(), {}});
    report::modMain labels(toFiles);
    counter::PatientSearch search(*m_client);
    counter::PrintRun run(*m_client, labels);
    const counter::PatientSearch::Listing quiet{[] {}, [](const counter::Patient &) {}, [](const QString &) {}, [] {}};
    QCOMPARE(search.run(QString::fromLatin1(labdb::sample::obrienChargeslip), quiet).status,
             counter::PatientSearch::Outcome::Status::Listed);
    counter::Patient &patient = search.patient();
    const QStringList barcodes = patient.Barcodes.mid(0, 5);
    QList<bool> checked{true, false, true, true, true};
    int yields = 0;
    const counter::PrintRun::Checklist checklist{
        [&] { return int(checked.size()); },
        [&](int item) { return checked[item - 1]; },
        [&](int item) { checked[item - 1] = false; },
        [] { return QStringLiteral("2"); },
        [&] { ++yields; },
        [] { return false; },
        [] { return false; },
    };
    QCOMPARE(run.check(patient, checklist).status, counter::PrintRun::Check::Status::Go);

    m_client->failCommit();
    counter::PrintRun::Outcome outcome = run.run(patient, checklist);
    QCOMPARE(outcome.status, counter::PrintRun::Outcome::Status::LogFailed);
    QCOMPARE(outcome.jobs.size(), 2);
    QVERIFY(outcome.examsLeft);
    QCOMPARE(checked, (QList<bool>{false, false, true, true, true}));
    QCOMPARE(outcome.unrecorded.entries().size(), 1);
    QCOMPARE(outcome.unrecorded.entries().first().barcode, barcodes[0]);
    QCOMPARE(patient.Barcodes[0], barcodes[0]);

    m_client->clearFaults();
    run.recordAgain(patient, outcome.unrecorded, checklist);
    QVERIFY(outcome.unrecorded.isEmpty());
    QCOMPARE(patient.Barcodes[0], QString());

    m_client->clearJournal();
    outcome = run.run(patient, checklist);
    QCOMPARE(outcome.status, counter::PrintRun::Outcome::Status::Done);
    QStringList printed;
    for (const output::PrintedJob &job : std::as_const(outcome.jobs))
        printed << QFileInfo(job.file).fileName().section(u'-', 1).chopped(4);
    QCOMPARE(printed, (QStringList{barcodes[2], barcodes[2], barcodes[3], barcodes[3], barcodes[4], barcodes[4]}));
    QCOMPARE(loggedBarcodes(), barcodes.mid(2));
    QCOMPARE(patient.Barcodes.mid(0, 5), (QStringList{QString(), barcodes[1], QString(), QString(), QString()}));
    QCOMPARE(checked, QList<bool>(5, false));
    QVERIFY(yields >= 5);
}

void tst_PrintRun::copies_data()
{
    QTest::addColumn<QString>("copies");
    QTest::addColumn<int>("perExam");
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("smallest") << "-32768" << 0;
    QTest::newRow("spaces around three") << " 3 " << 3;
    QTest::newRow("two and a half") << "2.5" << 2;
    QTest::newRow("three and a half") << "3.5" << 4;
}

void tst_PrintRun::copies()
{
    QFETCH(QString, copies);
    QFETCH(int, perExam);
    search(QString::fromLatin1(labdb::sample::obrienTBarcode));
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, exams()->listCount());
    QStringList expected;
    for (const QString &b : barcodes)
        for (int c = 0; c < perExam; ++c)
            expected.append(b);
    copiesBox()->setText(copies);
    clickPrint();

    QCOMPARE(stickers(), expected);
    // Every checked exam is logged, stickers or not; printing none is confirmed first.
    QCOMPARE(loggedBarcodes(), barcodes);
    QCOMPARE(m_client->journal().count(QStringLiteral("COMMIT")), barcodes.size());
    verifyAwaitingNumber();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(m_questions.size(), perExam == 0 ? 1 : 0);
}

void tst_PrintRun::invalidCopiesStopsBeforeAnything_data()
{
    QTest::addColumn<QString>("copies");
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "two";
    QTest::newRow("above 32767") << "32768";
    QTest::newRow("below -32768") << "-32769";
    QTest::newRow("rounds above 32767") << "32767.5";
    QTest::newRow("group separator") << "1,000";
}

void tst_PrintRun::invalidCopiesStopsBeforeAnything()
{
    QFETCH(QString, copies);
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    const QStringList barcodes = m_main->patient().Barcodes;
    copiesBox()->setText(copies);
    clickPrint();

    QCOMPARE(m_messages, QStringList{kCopiesMessage});
    QCOMPARE(m_captions, QStringList{QStringLiteral("Norvane")});
    QCOMPARE(stickers(), QStringList());
    QCOMPARE(m_client->journal(), QStringList());
    // The window is as it was, with the focus in the copies box.
    QVERIFY(!control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(number()->text(), QString::fromLatin1(labdb::sample::obrienChargeslip));
    QCOMPARE(exams()->listCount(), 5);
    for (int i = 1; i <= 5; ++i)
        QVERIFY(exams()->itemChecked(i));
    QCOMPARE(m_main->patient().Barcodes, barcodes);
    QCOMPARE(copiesBox()->text(), copies);
    QVERIFY(print()->isEnabled());
    QCOMPARE(m_window->focusWidget(), copiesBox());

    // Corrected, the same Print goes through.
    m_messages.clear();
    copiesBox()->setText(QStringLiteral("1"));
    clickPrint();
    QCOMPARE(stickers(), barcodes.mid(0, 5));
    verifyAwaitingNumber();
}

void tst_PrintRun::noItemChecked()
{
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    control<vkCheck>("chkAll")->setValue(0);
    QVERIFY(print()->isEnabled());
    // The copies box is never read when no exam is checked.
    copiesBox()->setText(QStringLiteral("none"));
    clickPrint();

    QCOMPARE(stickers(), QStringList());
    QCOMPARE(m_client->journal(), QStringList());
    QVERIFY(m_messages.isEmpty());
    verifyAwaitingNumber();
}

void tst_PrintRun::copiesQuestion_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("exams");
    QTest::addColumn<QString>("question");
    QTest::newRow("1: none") << 1 << 5 << QString();
    QTest::newRow("10: none") << 10 << 5 << QString();
    QTest::newRow("11") << 11 << 5 << "Print 11 stickers for each of the 5 checked exams (55 stickers)?";
    QTest::newRow("111, one exam") << 111 << 1 << "Print 111 stickers for the checked exam?";
    QTest::newRow("largest") << 32767 << 200
                             << "Print 32767 stickers for each of the 200 checked exams (6553400 stickers)?";
    QTest::newRow("0") << 0 << 5 << "Record the 5 checked exams as collected without printing stickers?";
    QTest::newRow("negative, one exam") << -3 << 1 << "Record the checked exam as collected without printing stickers?";
}

void tst_PrintRun::copiesQuestion()
{
    QFETCH(int, copies);
    QFETCH(int, exams);
    QFETCH(QString, question);
    QCOMPARE(counter::copiesQuestion(copies, exams), question);
}

void tst_PrintRun::largeOrEmptyCopiesAreConfirmed_data()
{
    QTest::addColumn<QString>("copies");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("perExam"); // stickers per exam once answered; -1: nothing printed or logged
    QTest::newRow("11, yes") << "11" << true << "Print 11 stickers for each of the 2 checked exams (22 stickers)?"
                             << 11;
    QTest::newRow("111, no") << "111" << false << "Print 111 stickers for each of the 2 checked exams (222 stickers)?"
                             << -1;
    QTest::newRow("1e3, no") << "1e3" << false << "Print 1000 stickers for each of the 2 checked exams (2000 stickers)?"
                             << -1;
    QTest::newRow("0, no") << "0" << false << "Record the 2 checked exams as collected without printing stickers?"
                           << -1;
    QTest::newRow("-1, yes") << "-1" << true << "Record the 2 checked exams as collected without printing stickers?"
                             << 0;
    QTest::newRow("10: not asked") << "10" << true << QString() << 10;
}

void tst_PrintRun::largeOrEmptyCopiesAreConfirmed()
{
    QFETCH(QString, copies);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(int, perExam);
    search(QString::fromLatin1(labdb::sample::obrienTBarcode));
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, exams()->listCount());
    QCOMPARE(barcodes.size(), 2);
    copiesBox()->setText(copies);
    m_answer = answer;
    // Nothing is printed before the answer.
    QStringList printedBeforeAnswer{QStringLiteral("not asked")};
    m_onQuestion = [&] { printedBeforeAnswer = stickers() + loggedBarcodes(); };
    clickPrint();

    QCOMPARE(m_questions, question.isEmpty() ? QStringList() : QStringList{question});
    QVERIFY(m_messages.isEmpty());
    if (!question.isEmpty())
        QCOMPARE(printedBeforeAnswer, QStringList());
    if (perExam < 0) {
        // No: nothing printed or logged, the patient still shown, the focus in the copies box.
        QCOMPARE(stickers(), QStringList());
        QCOMPARE(m_client->journal(), QStringList());
        QCOMPARE(exams()->listCount(), 2);
        QVERIFY(exams()->itemChecked(1) && exams()->itemChecked(2));
        QVERIFY(print()->isEnabled());
        QCOMPARE(copiesBox()->text(), copies);
        QCOMPARE(m_window->focusWidget(), copiesBox());
        return;
    }
    QStringList expected;
    for (const QString &b : barcodes)
        for (int c = 0; c < perExam; ++c)
            expected.append(b);
    QCOMPARE(stickers(), expected);
    QCOMPARE(loggedBarcodes(), barcodes);
    verifyAwaitingNumber();
}

void tst_PrintRun::unprintableBarcodeStopsBeforeAnything()
{
    search(m_accentChargeslip);
    QCOMPARE(m_main->patient().Barcodes.mid(0, 3), m_accentBarcodes);
    copiesBox()->setText(QStringLiteral("20"));
    clickPrint();

    // Refused before the copies question, the stickers and the log.
    const QString expected = label::unprintableBarcodeMessage(m_accentBarcodes[2]);
    QVERIFY(expected.contains(QStringLiteral("\"PE\u00D1A01\" has the character \"\u00D1\"")));
    QCOMPARE(m_messages, QStringList{expected});
    QCOMPARE(m_questions, QStringList());
    QCOMPARE(stickers(), QStringList());
    QCOMPARE(m_client->journal(), QStringList());
    QCOMPARE(m_main->patient().Barcodes.mid(0, 3), m_accentBarcodes);
    for (int i = 1; i <= 3; ++i)
        QVERIFY(exams()->itemChecked(i));
    QVERIFY(print()->isEnabled());
    QCOMPARE(m_window->focusWidget(), exams());

    // Left out, the others print.
    m_messages.clear();
    exams()->setItemChecked(3, false);
    copiesBox()->setText(QStringLiteral("1"));
    clickPrint();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(stickers(), m_accentBarcodes.mid(0, 2));
    QCOMPARE(loggedBarcodes(), m_accentBarcodes.mid(0, 2));
}

void tst_PrintRun::blankBarcodeStopsBeforeAnything_data()
{
    QTest::addColumn<QString>("copies");
    QTest::newRow("one copy") << "1";
    // Recording without stickers would record nothing for it, without a word.
    QTest::newRow("no copies") << "0";
}

void tst_PrintRun::blankBarcodeStopsBeforeAnything()
{
    QFETCH(QString, copies);
    search(m_blankChargeslip);
    QCOMPARE(m_main->patient().Barcodes.mid(0, 3), m_blankBarcodes);
    const QString instrument = m_main->patient().Instruments[1];
    QVERIFY(!instrument.isEmpty());
    copiesBox()->setText(copies);
    clickPrint();

    // Refused by its exam's name before any sticker, log or question.
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().startsWith(QStringLiteral("The exam %1 (item 2 of the list) has a barcode of 3 "
                                                          "blanks only")
                                               .arg(instrument)),
             qPrintable(m_messages.first()));
    QCOMPARE(m_questions, QStringList());
    QCOMPARE(stickers(), QStringList());
    QCOMPARE(m_client->journal(), QStringList());
    for (int i = 1; i <= 3; ++i)
        QVERIFY(exams()->itemChecked(i));
    QVERIFY(print()->isEnabled());
    QCOMPARE(m_window->focusWidget(), exams());

    // The label engine refuses such a value too.
    m_messages.clear();
    try {
        m_main->labels.PrintBarcodeLabel(m_blankBarcodes[1], m_main->patient().PatientName, m_main->patient().HospNum,
                                         instrument, m_main->patient().Transdate, m_main->patient().RoomID,
                                         QStringLiteral("/"), 1);
        QFAIL("a sticker of blanks was printed");
    } catch (const label::LabelError &e) {
        QVERIFY2(e.description().contains(QLatin1String("only blanks")), qPrintable(e.description()));
    }

    // Left out, the others print and are recorded.
    exams()->setItemChecked(2, false);
    copiesBox()->setText(QStringLiteral("1"));
    clickPrint();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(stickers(), (QStringList{m_blankBarcodes[0], m_blankBarcodes[2]}));
    QCOMPARE(loggedBarcodes(), (QStringList{m_blankBarcodes[0], m_blankBarcodes[2]}));
}

void tst_PrintRun::stopDuringRun_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Reset, yes") << "Reset" << true;
    QTest::newRow("Esc, yes") << "Esc" << true;
    QTest::newRow("Reset, no") << "Reset" << false;
}

void tst_PrintRun::stopDuringRun()
{
    QFETCH(QString, how);
    QFETCH(bool, answer);
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, 5);
    m_answer = answer;
    QStringList printedWhenAsked;
    m_onQuestion = [&] { printedWhenAsked = stickers(); };

    // While the first exam's log is open: Reset clicked, or Esc pressed.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (m_client->inTransaction() && ++ticks == 1) {
            if (how == u"Reset")
                QTest::mouseClick(control<vkCommand>("cmdNew"), Qt::LeftButton);
            else
                QTest::keyClick(m_window->windowHandle(), Qt::Key_Escape);
        }
    });
    ticker.start(0);
    clickPrint();
    ticker.stop();
    QVERIFY(ticks >= 1);

    // Asked once, after the first exam's stickers and log.
    QCOMPARE(m_questions, QStringList{counter::stopPrintingQuestion()});
    QCOMPARE(printedWhenAsked, barcodes.mid(0, 1));
    QVERIFY(m_messages.isEmpty());
    if (!answer) {
        QCOMPARE(stickers(), barcodes);
        QCOMPARE(loggedBarcodes(), barcodes);
        verifyAwaitingNumber();
        return;
    }
    // Stopped there: the exams not reached stay checked and Print takes them on,
    // but the focus is on the list, so that a scanner's Enter prints nothing.
    QCOMPARE(stickers(), barcodes.mid(0, 1));
    QCOMPARE(loggedBarcodes(), barcodes.mid(0, 1));
    QCOMPARE(exams()->listCount(), 5);
    QVERIFY(!exams()->itemChecked(1));
    for (int i = 2; i <= 5; ++i)
        QVERIFY(exams()->itemChecked(i));
    QVERIFY(control<vkFrame>("fraExams")->isEnabled());
    QVERIFY(print()->isEnabled());
    QCOMPARE(m_window->focusWidget(), exams());
    QCOMPARE(control<vkCheck>("chkAll")->value(), 0);
    // The click on Reset was the stop request, not a reset after the run.
    QTest::qWait(20);
    QCOMPARE(exams()->listCount(), 5);

    m_questions.clear();
    clickPrint();
    QCOMPARE(stickers(), barcodes);
    QCOMPARE(loggedBarcodes(), barcodes);
    QCOMPARE(m_questions, QStringList());
    verifyAwaitingNumber();
}

void tst_PrintRun::printerFailureStopsAtThatExam()
{
    search(m_badChargeslip);
    QCOMPARE(m_main->patient().Barcodes.mid(0, 3), m_badBarcodes);
    const labdb::PrintLog before = labdb::PrintLog::read(m_path);

    // What the label job itself says about the second exam.
    QString expectedMessage;
    try {
        m_main->labels.PrintBarcodeLabel(m_badBarcodes[1], m_main->patient().PatientName, m_main->patient().HospNum,
                                         m_main->patient().Instruments[1], m_main->patient().Transdate,
                                         m_main->patient().RoomID, m_main->patient().Age + u'/' + m_main->patient().Sex,
                                         1);
    } catch (const label::LabelError &e) {
        expectedMessage = e.description();
    }
    QVERIFY(!expectedMessage.isEmpty());
    QCOMPARE(stickers(), QStringList());

    clickPrint();

    // The first exam is printed, logged and unchecked; the run stopped at the second.
    QCOMPARE(m_messages, QStringList{expectedMessage});
    QVERIFY2(expectedMessage.contains(QLatin1String("too long to fit on the sticker")), qPrintable(expectedMessage));
    QCOMPARE(stickers(), QStringList{m_badBarcodes[0]});
    QCOMPARE(loggedBarcodes(), QStringList{m_badBarcodes[0]});
    QCOMPARE(labdb::PrintLog::read(m_path).masterRows.size(), before.masterRows.size() + 1);
    QCOMPARE(m_main->patient().Barcodes[0], QString());
    QCOMPARE(m_main->patient().Barcodes[1], m_badBarcodes[1]);
    QCOMPARE(m_main->patient().Barcodes[2], m_badBarcodes[2]);
    QVERIFY(!exams()->itemChecked(1));
    QVERIFY(exams()->itemChecked(2));
    QVERIFY(exams()->itemChecked(3));
    // Still showing the patient, Print enabled.
    QVERIFY(!control<vkFrame>("fraSearch")->isEnabled());
    QVERIFY(control<vkFrame>("fraExams")->isEnabled());
    QCOMPARE(exams()->listCount(), 3);
    QVERIFY(print()->isEnabled());
    // Check All tells that not every exam is checked any more; the focus is on
    // the list, so that a scanner's Enter for the next patient prints nothing.
    QCOMPARE(control<vkCheck>("chkAll")->value(), 0);
    QVERIFY(exams()->itemChecked(2));
    QCOMPARE(m_window->focusWidget(), exams());
    testsupport::queuePlatformKeys(m_window->windowHandle(), QStringLiteral("\r"));
    // Delivered now, whatever the machine's load: the check below then sees its effect.
    QWindowSystemInterface::flushWindowSystemEvents();
    QCoreApplication::processEvents();
    QCOMPARE(stickers(), QStringList{m_badBarcodes[0]});
    QCOMPARE(m_messages.size(), 1);

    // The user leaves the bad one out and prints the rest: nothing twice.
    m_messages.clear();
    exams()->setItemChecked(2, false);
    clickPrint();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(stickers(), (QStringList{m_badBarcodes[0], m_badBarcodes[2]}));
    QCOMPARE(loggedBarcodes(), (QStringList{m_badBarcodes[0], m_badBarcodes[2]}));
    QCOMPARE(labdb::PrintLog::read(m_path).masterRows.size(), before.masterRows.size() + 2);
    verifyAwaitingNumber();
}

void tst_PrintRun::emptyAgeAndSexGiveSlash()
{
    m_client->blankAgeSex = true;
    search(QString::fromLatin1(labdb::sample::obrienBBarcode));
    QCOMPARE(m_main->patient().Age, QString());
    QCOMPARE(m_main->patient().Sex, QString());
    const QMap<QString, QString> values = fieldValues(0, QStringLiteral("/"));
    const QMap<QString, QString> withAgeSex = fieldValues(0, QStringLiteral("45/F"));
    clickPrint();

    const QStringList files = QDir(m_pdfDir->path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 1);
    const QByteArray printed = withoutCreationDate(readFile(QDir(m_pdfDir->path()).filePath(files[0])));
    QCOMPARE(printed, stickerByFieldName(values));
    QVERIFY(printed != stickerByFieldName(withAgeSex));
}

void tst_PrintRun::secondPrintDuringRunStartsNothing()
{
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, 5);

    // While the run yields inside the first exam's log, its transaction open: a
    // second click on Print, the button's own click signal (as from a key held
    // on it), and the next patient's scan.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (m_client->inTransaction() && ++ticks == 1) {
            QTest::mouseClick(print(), Qt::LeftButton);
            print()->click();
            for (char c : QByteArrayLiteral("t55c"))
                QTest::keyClick(m_window->windowHandle(), c);
        }
    });
    ticker.start(0);
    clickPrint();
    ticker.stop();
    QVERIFY(ticks >= 1);

    // One run: each sticker once, each barcode logged once.
    QCOMPARE(stickers(), barcodes);
    QCOMPARE(loggedBarcodes(), barcodes);
    QVERIFY(m_messages.isEmpty());
    // The scan typed during the run lands in the number box after the reset.
    QTRY_COMPARE(number()->text(), QStringLiteral("T55C"));
    QVERIFY(!print()->isEnabled());
    QCOMPARE(stickers(), barcodes);
}

void tst_PrintRun::keysTypedDuringSearch_data()
{
    QTest::addColumn<Delivery>("delivery");
    QTest::addColumn<QString>("first");  // typed first, ending in the Enter that starts the search
    QTest::addColumn<QString>("during"); // typed while that search runs
    QTest::addColumn<QStringList>("searched");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("numberAfter");
    QTest::addColumn<int>("examsShown");
    QTest::addColumn<bool>("modalBox"); // the message box is a real modal window

    const QString chargeslip = QString::fromLatin1(labdb::sample::obrienChargeslip);
    const QString next = QString::fromLatin1(labdb::sample::obrienBBarcode); // one exam
    const QString unknown = QString::fromLatin1(labdb::sample::unknownBarcode);
    const QString enter = QStringLiteral("\r");
    for (const Delivery delivery : {Delivery::Platform, Delivery::Posted}) {
        const QString how = delivery == Delivery::Platform ? QStringLiteral("platform") : QStringLiteral("posted");
        QTest::addRow("next scan, %s", qPrintable(how))
            << delivery << chargeslip + enter << next + enter << QStringList{chargeslip, next} << QStringList() << next
            << 1 << false;
        QTest::addRow("scanner's second Return, %s", qPrintable(how))
            << delivery << next + enter << enter << QStringList{next} << QStringList() << next << 1 << false;
        QTest::addRow("next scan after nothing found, %s", qPrintable(how))
            << delivery << unknown + enter << next + enter << QStringList{unknown, next}
            << QStringList{QStringLiteral("Sample not found!")} << next << 1 << false;
        // Typed before the message box opens; a modal window would throw them away.
        QTest::addRow("next scan before the message box, %s", qPrintable(how))
            << delivery << unknown + enter + next + enter << QString() << QStringList{unknown, next}
            << QStringList{QStringLiteral("Sample not found!")} << next << 1 << true;
        QTest::addRow("next scan queued with the first, %s", qPrintable(how))
            << delivery << chargeslip + enter + next + enter << QString() << QStringList{chargeslip, next}
            << QStringList() << next << 1 << false;
        QTest::addRow("half a scan, %s", qPrintable(how))
            << delivery << chargeslip + enter << QStringLiteral("3o0") << QStringList{chargeslip} << QStringList()
            << QStringLiteral("3O0") << 0 << false;
    }
}

void tst_PrintRun::keysTypedDuringSearch()
{
    QFETCH(Delivery, delivery);
    QFETCH(QString, first);
    QFETCH(QString, during);
    QFETCH(QStringList, searched);
    QFETCH(QStringList, messages);
    QFETCH(QString, numberAfter);
    QFETCH(int, examsShown);
    QFETCH(bool, modalBox);

    QWindow *window = m_window->windowHandle();
    m_client->clearJournal();
    // The keys come while the search yields between rows, or while its message
    // box is up when it finds nothing.
    bool typed = during.isEmpty();
    const auto typeDuring = [&] {
        if (!typed && ui::ExclusiveRun::isRunning(m_window) && !m_client->journal().isEmpty()) {
            typed = true;
            typeKeys(delivery, window, during);
        }
    };
    m_onMessage = [&] {
        typeDuring();
        if (modalBox) {
            QDialog box(m_window);
            box.setModal(true);
            QTimer::singleShot(20, &box, &QDialog::accept);
            box.exec();
        }
    };
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, typeDuring);
    ticker.start(0);
    typeKeys(delivery, window, first);

    QTRY_COMPARE(number()->text(), numberAfter);
    QTRY_COMPARE(exams()->listCount(), examsShown);
    QTRY_VERIFY(!ui::ExclusiveRun::isRunning(m_window));
    QVERIFY(typed);
    QTest::qWait(50); // anything still on its way arrives
    ticker.stop();

    QCOMPARE(searchedNumbers(), searched);
    QCOMPARE(m_messages, messages);
    // Nothing typed during a search presses Print.
    QCOMPARE(stickers(), QStringList());
    QCOMPARE(loggedBarcodes(), QStringList());
    if (examsShown == 0) {
        QVERIFY(control<vkFrame>("fraSearch")->isEnabled());
        QCOMPARE(m_window->focusWidget(), number());
        QVERIFY(!print()->isEnabled());
        return;
    }
    QCOMPARE(m_window->focusWidget(), print());
    QVERIFY(print()->isEnabled());

    // An Enter typed by a person once the list is shown does press Print.
    const QString shown = m_main->patient().Barcodes.first();
    if (delivery == Delivery::Platform)
        testsupport::queuePersonKeys(window, QStringLiteral("\r"));
    else
        typeKeys(delivery, window, QStringLiteral("\r"));
    QTRY_COMPARE(stickers(), QStringList{shown});
    QCOMPARE(loggedBarcodes(), QStringList{shown});
}

void tst_PrintRun::clickOnDisabledPrintDuringSearchIsLost()
{
    // Print disabled, as after every print run and Reset.
    search(QString::fromLatin1(labdb::sample::obrienBBarcode));
    QTest::mouseClick(control<vkCommand>("cmdNew"), Qt::LeftButton);
    QVERIFY(!print()->isEnabled());

    // While the next search lists its exams, Print (still disabled) is clicked,
    // on the button itself and through the window as the window system does.
    bool clicked = false;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (!clicked && ui::ExclusiveRun::isRunning(m_window) && exams()->listCount() > 0) {
            clicked = true;
            QVERIFY(!print()->isEnabled());
            QTest::mouseClick(print(), Qt::LeftButton);
            QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {},
                              print()->mapTo(m_window, print()->rect().center()));
        }
    });
    ticker.start(0);
    search(QString::fromLatin1(labdb::sample::obrienChargeslip));
    QTest::qWait(50);
    ticker.stop();
    QVERIFY(clicked);

    // The list is shown and waits for a click made now.
    QVERIFY(print()->isEnabled());
    QCOMPARE(stickers(), QStringList());
    QCOMPARE(loggedBarcodes(), QStringList());
    QCOMPARE(m_window->focusWidget(), print());
}

void tst_PrintRun::rescanNeverPrints_data()
{
    QTest::addColumn<QString>("first"); // scanned first
    QTest::addColumn<QString>("run");   // then: nothing, a run "stopped" with Esc, or one that "failed"
    QTest::addColumn<QByteArray>("on"); // the control the next scan lands on; empty: where the window left it
    QTest::addColumn<QString>("next");  // the next scan

    const QString chargeslip = QString::fromLatin1(labdb::sample::obrienChargeslip);
    const QString next = QString::fromLatin1(labdb::sample::obrienBBarcode);
    QTest::newRow("on Print after the list") << chargeslip << "" << QByteArray() << next;
    QTest::newRow("on Check All") << chargeslip << "" << QByteArray("chkAll") << next;
    QTest::newRow("on the list") << chargeslip << "" << QByteArray("lstExams") << next;
    QTest::newRow("on Reset") << chargeslip << "" << QByteArray("cmdNew") << next;
    QTest::newRow("after 200 exams listed")
        << QString::fromLatin1(labdb::sample::bigChargeslip) << "" << QByteArray() << next;
    QTest::newRow("after a stopped run") << chargeslip << "stopped" << QByteArray() << next;
    QTest::newRow("after a failed run") << m_badChargeslip << "failed" << QByteArray() << next;
}

void tst_PrintRun::rescanNeverPrints()
{
    // The next tube is scanned instead of pressing Print: its characters start a new
    // number, the patient shown gives way and the Return searches, never prints.
    QFETCH(QString, first);
    QFETCH(QString, run);
    QFETCH(QByteArray, on);
    QFETCH(QString, next);
    QVERIFY(scanAndWait(first));
    if (run == u"stopped") {
        m_answer = true;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (m_client->inTransaction())
                QTest::keyClick(m_window->windowHandle(), Qt::Key_Escape);
        });
        ticker.start(0);
        clickPrint();
        QCOMPARE(m_questions, QStringList{counter::stopPrintingQuestion()});
    } else if (run == u"failed") {
        clickPrint();
        QCOMPARE(m_messages.size(), 1);
    }
    if (!run.isEmpty()) {
        QCOMPARE(stickers().size(), 1);
        QCOMPARE(m_window->focusWidget(), exams());
    }
    if (!on.isEmpty())
        control<QWidget>(on.constData())->setFocus();
    const QStringList printed = stickers();
    m_client->clearJournal();

    QVERIFY(scanAndWait(next));
    QTest::qWait(50); // anything still on its way arrives

    QCOMPARE(searchedNumbers(), QStringList{next});
    QCOMPARE(stickers(), printed);
    QCOMPARE(loggedBarcodes(), QStringList());
    QCOMPARE(number()->text(), next);
    QCOMPARE(exams()->listCount(), 1);
    QCOMPARE(m_main->patient().Barcodes.size(), 2);
    QVERIFY(print()->isEnabled());
}

void tst_PrintRun::secondKeyOfAScanNeverPrints_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("afterMs"); // after the scan's Return, by the window system's time stamps
    QTest::addColumn<bool>("prints");
    QTest::newRow("second Return of CR LF") << "\r" << 4 << false;
    QTest::newRow("second Return of a double trigger") << "\r" << 120 << false;
    QTest::newRow("Return just too soon for a person") << "\r" << 249 << false;
    QTest::newRow("Space from the scanner") << " " << 4 << false;
    QTest::newRow("a person's Return") << "\r" << 250 << true;
    QTest::newRow("a person's Return, later") << "\r" << 900 << true;
    QTest::newRow("a person's Space") << " " << 400 << true;
}

void tst_PrintRun::secondKeyOfAScanNeverPrints()
{
    // The server answered at once: the list is shown (Print has the focus) before the
    // scanner's next key comes.
    QFETCH(QString, key);
    QFETCH(int, afterMs);
    QFETCH(bool, prints);
    const QString barcode = QString::fromLatin1(labdb::sample::obrienBBarcode);
    const quint64 enter = scanAndWait(barcode);
    QVERIFY(enter);
    QCOMPARE(exams()->listCount(), 1);
    m_client->clearJournal();

    testsupport::queuePlatformKeysAt(m_window->windowHandle(), key, enter + quint64(afterMs));
    if (prints) {
        QTRY_COMPARE(stickers(), QStringList{barcode});
        QCOMPARE(loggedBarcodes(), QStringList{barcode});
        return;
    }
    QTest::qWait(100);
    QCOMPARE(stickers(), QStringList());
    QCOMPARE(m_client->journal(), QStringList());
    QCOMPARE(m_window->focusWidget(), print());
    QVERIFY(print()->isEnabled());
}

void tst_PrintRun::scanNeverAnswersTheLogQuestion_data()
{
    QTest::addColumn<bool>("whileLogWaits"); // the scan comes while the log waits; else while the question is open
    QTest::addColumn<bool>("personsYes");    // a person's Y after the scan answers; else a click on No
    QTest::newRow("scan while the log waits, No clicked") << true << false;
    QTest::newRow("scan while the question is open, No clicked") << false << false;
    QTest::newRow("scan while the question is open, then a person's Y") << false << true;
}

void tst_PrintRun::scanNeverAnswersTheLogQuestion()
{
    // The real question "record them again?" after a failed log (No is its default).
    QFETCH(bool, whileLogWaits);
    QFETCH(bool, personsYes);
    // No journal: its offer of the unrecorded barcode after the next search is another
    // question, not this test's.
    showWindow(nullptr);
    answerBoxesHere(false);
    const auto seams = qScopeGuard([this] { answerBoxesHere(true); });
    const QString next = QString::fromLatin1(labdb::sample::obrienBBarcode);
    QWindow *window = m_window->windowHandle();
    QVERIFY(scanAndWait(QString::fromLatin1(labdb::sample::obrienTBarcode)));
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, 2);
    const int logRows = int(labdb::PrintLog::read(m_path).masterRows.size());
    m_client->clearJournal();

    // The first exam's log fails. Keys typed while it waits for the database stay with
    // the window system: nothing reads them until the question opens.
    m_client->failCommit();
    if (whileLogWaits)
        m_client->beforeCommit = [&] { testsupport::queuePlatformKeys(window, next + u'\r'); };
    bool openAfterScan = false;
    testsupport::whenBoxShows(this, [&](QMessageBox *box) {
        if (!whileLogWaits)
            testsupport::queuePlatformKeys(box->windowHandle(), next + u'\r');
        if (personsYes) {
            m_client->clearFaults();
            testsupport::queuePersonKeys(box->windowHandle(), QStringLiteral("y"));
        }
        QTest::qWait(widgets::ScanGuard::kAloneAfterMs * 3 + 150);
        openAfterScan = box->isVisible();
        if (openAfterScan)
            box->button(QMessageBox::No)->click();
    });
    clickPrint();

    // The scan answered nothing; it is searched once the question is answered.
    QCOMPARE(openAfterScan, !personsYes);
    QTRY_COMPARE(searchedNumbers(), QStringList{next});
    QTRY_VERIFY(!ui::ExclusiveRun::isRunning(m_window) && m_window->focusWidget() == print());
    QCOMPARE(number()->text(), next);
    QCOMPARE(exams()->listCount(), 1);
    // Only the first exam's sticker; recorded only when the person said Yes.
    QCOMPARE(stickers(), barcodes.mid(0, 1));
    QCOMPARE(int(labdb::PrintLog::read(m_path).masterRows.size()) - logRows, personsYes ? requeryRows(barcodes[0]) : 0);
}

void tst_PrintRun::scanTypedWhileLogsWaitIsSearchedAfterTheRun()
{
    // A scan typed while the logs of the last two exams wait for the database, the
    // window reading nothing meanwhile: half of it comes while the run still yields
    // between exams, the rest after its last yield. Once the run is over, the whole
    // number is searched, its keys in the order they were typed.
    QVERIFY(scanAndWait(QString::fromLatin1(labdb::sample::obrienChargeslip)));
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, 5);
    const QString next = QString::fromLatin1(labdb::sample::obrienBBarcode);
    m_client->clearJournal();
    int commits = 0;
    m_client->beforeCommit = [&] {
        ++commits;
        if (commits == 4)
            testsupport::queuePlatformKeys(m_window->windowHandle(), next.left(4));
        else if (commits == 5)
            testsupport::queuePlatformKeys(m_window->windowHandle(), next.mid(4) + u'\r');
    };
    clickPrint();
    QCOMPARE(commits, 5);
    QCOMPARE(stickers(), barcodes);

    QTRY_COMPARE(searchedNumbers(), QStringList{next});
    QTRY_VERIFY(!ui::ExclusiveRun::isRunning(m_window) && print()->hasFocus());
    QCOMPARE(number()->text(), next);
    QCOMPARE(stickers(), barcodes);
}

void tst_PrintRun::journalStatesAfterRun_data()
{
    QTest::addColumn<QString>("fault");      // what goes wrong on the first exam's log, or "stop", "print"
    QTest::addColumn<bool>("retry");         // the answer to the question after a failed log
    QTest::addColumn<QStringList>("states"); // of the lines written, in order; B0.. the exams' barcodes

    QTest::newRow("done") << QString() << false
                          << QStringList{u"B0: recorded"_qs, u"B1: recorded"_qs, u"B2: recorded"_qs};
    QTest::newRow("print failed") << u"print"_qs << false << QStringList{u"B0: recorded"_qs, u"B1: print failed"_qs};
    QTest::newRow("log failed, given up") << u"commit fails"_qs << false << QStringList{u"B0: given up"_qs};
    QTest::newRow("log failed, recorded again") << u"commit fails"_qs << true << QStringList{u"B0: recorded"_qs};
    // Given up, a log in doubt keeps saying so: offered later, it comes with the warning.
    QTest::newRow("in doubt, given up") << u"commit in doubt"_qs << false << QStringList{u"B0: in doubt"_qs};
    QTest::newRow("in doubt, recorded again") << u"commit in doubt"_qs << true << QStringList{u"B0: recorded"_qs};
    QTest::newRow("stopped") << u"stop"_qs << true << QStringList{u"B0: recorded"_qs};
}

void tst_PrintRun::journalStatesAfterRun()
{
    QFETCH(QString, fault);
    QFETCH(bool, retry);
    QFETCH(QStringList, states);

    const QString number = fault == u"print" ? m_badChargeslip : m_threeExams.refNum;
    search(number);
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, 3);
    for (int i = 0; i < barcodes.size(); ++i)
        states.replaceInStrings(u"B%1:"_qs.arg(i), barcodes[i] + u':');
    if (fault == u"commit fails")
        m_client->failCommit();
    m_client->commitInDoubt = fault == u"commit in doubt";
    m_answer = retry;
    m_onQuestion = [this] {
        m_client->clearFaults();
        m_client->commitInDoubt = false;
    };

    // While the first exam's log is open, the journal already holds that the printer
    // took its stickers and that its log began; nothing of the next exam yet.
    QStringList duringFirstLog;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (m_client->inTransaction() && duringFirstLog.isEmpty()) {
            duringFirstLog = journalStates();
            if (fault == u"stop")
                QTest::mouseClick(control<vkCommand>("cmdNew"), Qt::LeftButton);
        }
    });
    ticker.start(0);
    clickPrint();
    ticker.stop();

    QCOMPARE(duringFirstLog, QStringList{barcodes[0] + u": log begun"_qs});
    QCOMPARE(journalStates(), states);
    const QList<journal::Line> lines = m_journal->linesSince(QDateTime::currentDateTime().addDays(-1));
    const journal::Line &first = lines.first();
    QCOMPARE(first.number, number);
    QCOMPARE(first.patientName, m_main->patient().PatientName);
    QCOMPARE(first.hospitalNumber, m_main->patient().HospNum);
    QCOMPARE(first.exam, m_main->patient().Instruments[0]);
    QCOMPARE(first.copies, 1);
    QCOMPARE(first.workstation, QSysInfo::machineHostName());
    QCOMPARE(first.operatorName, journal::currentOperator());
    QVERIFY(first.printed.isValid());
    QCOMPARE(first.recorded.isValid(), states.first().endsWith(u"recorded"_qs));
    if (fault == u"print")
        QVERIFY2(lines.last().reason.contains(u"too long to fit on the sticker"_qs), qPrintable(lines.last().reason));
}

void tst_PrintRun::reprintWarning_data()
{
    QTest::addColumn<int>("hoursAgo");    // the first run's stickers, by the journal's clock
    QTest::addColumn<int>("windowHours"); // the setting
    QTest::addColumn<QString>("copies");  // of the second run
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("answer");

    QTest::newRow("printed just now, Yes: printed again") << 0 << 24 << u"1"_qs << true << true;
    QTest::newRow("printed just now, No: nothing") << 0 << 24 << u"1"_qs << true << false;
    QTest::newRow("printed 23 hours ago: asked") << 23 << 24 << u"1"_qs << true << false;
    QTest::newRow("printed 25 hours ago: not asked") << 25 << 24 << u"1"_qs << false << true;
    QTest::newRow("warning turned off") << 0 << 0 << u"1"_qs << false << true;
    QTest::newRow("no sticker to print: not asked") << 0 << 24 << u"0"_qs << false << true;
}

void tst_PrintRun::reprintWarning()
{
    QFETCH(int, hoursAgo);
    QFETCH(int, windowHours);
    QFETCH(QString, copies);
    QFETCH(bool, asked);
    QFETCH(bool, answer);

    showWindow(m_journal.get(), windowHours);
    const QDateTime firstRun = QDateTime::currentDateTime().addSecs(-3600 * hoursAgo);
    m_journal->setClock([firstRun] { return firstRun; });
    const QString number = QString::fromLatin1(labdb::sample::obrienTBarcode); // two exams
    search(number);
    const QStringList barcodes = m_main->patient().Barcodes.mid(0, 2);
    const QStringList instruments = m_main->patient().Instruments.mid(0, 2);
    copiesBox()->setText(u"2"_qs);
    clickPrint();
    QCOMPARE(stickers().size(), 4);
    QCOMPARE(m_questions, QStringList());
    m_journal->setClock({});

    search(number);
    copiesBox()->setText(copies);
    m_answer = answer;
    clickPrint();

    const QStringList reprint = m_questions.filter(u"already printed here"_qs);
    QCOMPARE(reprint.size(), asked ? 1 : 0);
    if (asked) {
        const QString when = counter::whenText(firstRun, QDateTime::currentDateTime());
        QCOMPARE(reprint.first(),
                 u"%1 (%2): already printed here %3, 2 stickers.\n"
                 "%4 (%5): already printed here %3, 2 stickers.\n\n"
                 "Print again? No prints and records nothing."_qs.arg(barcodes[0], instruments[0], when, barcodes[1],
                                                                      instruments[1]));
    }
    if (asked && !answer) {
        // Nothing printed or recorded; the list as it was, the focus off Print.
        QCOMPARE(stickers().size(), 4);
        QCOMPARE(loggedBarcodes(), QStringList());
        QCOMPARE(journalStates().size(), 2);
        QVERIFY(exams()->itemChecked(1) && exams()->itemChecked(2));
        QVERIFY(print()->isEnabled());
        QCOMPARE(m_window->focusWidget(), exams());
        return;
    }
    QCOMPARE(stickers().size(), 4 + 2 * qMax(0, copies.toInt()));
    QCOMPARE(loggedBarcodes(), barcodes);
    QCOMPARE(journalStates().size(), 4);
    verifyAwaitingNumber();
}

void tst_PrintRun::offerAtStartUp_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("Yes: recorded, nothing printed") << true;
    QTest::newRow("No: kept for later") << false;
}

void tst_PrintRun::offerAtStartUp()
{
    QFETCH(bool, answer);
    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_path, 4);
    const auto lineOf = [&slip](int i) {
        journal::Line l;
        l.number = slip.refNum;
        l.barcode = slip.barcodes[i];
        l.patientName = u"DELA CRUZ, JUAN"_qs;
        l.exam = u"HEMA-1"_qs;
        l.copies = 1;
        return l;
    };

    // A run of Norvane that ended in a crash: a sticker printed before its log, one
    // whose log had begun, one recorded; and a run still going, whose line is its own.
    m_main.reset();
    qint64 printed = 0, logBegun = 0, recorded = 0, otherRuns = 0;
    journal::PrintJournal stillRunning;
    {
        journal::PrintJournal crashed;
        QVERIFY(crashed.open(journalPath()));
        printed = crashed.add(lineOf(0));
        logBegun = crashed.add(lineOf(1));
        recorded = crashed.add(lineOf(2));
        QVERIFY(crashed.setState(printed, journal::State::Printed));
        QVERIFY(crashed.setState(logBegun, journal::State::Printed));
        QCOMPARE(crashed.claimForLog(logBegun, journal::State::Printed), journal::Claim::Taken);
        QVERIFY(crashed.setState(recorded, journal::State::Recorded));
        QVERIFY(stillRunning.open(journalPath()));
        otherRuns = stillRunning.add(lineOf(3));
        QVERIFY(stillRunning.setState(otherRuns, journal::State::Printed));
    }
    m_answer = answer;
    showWindow(m_journal.get());

    // Asked once the window shows, naming the two barcodes with patient, exam and time.
    QTRY_COMPARE(m_questions.size(), 1);
    const QString question = m_questions.first();
    const QString when = counter::whenText(m_journal->line(printed)->printed, QDateTime::currentDateTime());
    QVERIFY2(question.startsWith(u"These stickers were printed on this workstation and are not recorded in the "
                                 "laboratory database:\n"_qs),
             qPrintable(question));
    QVERIFY2(question.contains(u"%1, DELA CRUZ, JUAN, HEMA-1: printed %2\n"_qs.arg(slip.barcodes[0], when)),
             qPrintable(question));
    QVERIFY2(question.contains(slip.barcodes[1] + u", DELA CRUZ, JUAN, HEMA-1: printed "_qs), qPrintable(question));
    QVERIFY2(question.contains(u" (may already be recorded)"_qs), qPrintable(question));
    QVERIFY2(question.contains(u"Record them now? Nothing is printed. Those that may already be recorded could then "
                               "appear twice."_qs),
             qPrintable(question));
    QVERIFY(!question.contains(slip.barcodes[2]) && !question.contains(slip.barcodes[3]));
    QTRY_VERIFY(!ui::ExclusiveRun::isRunning(m_window));

    QCOMPARE(stickers(), QStringList());
    QCOMPARE(masterRows(slip.barcodes[0]), answer ? requeryRows(slip.barcodes[0]) : 0);
    QCOMPARE(masterRows(slip.barcodes[1]), answer ? requeryRows(slip.barcodes[1]) : 0);
    QCOMPARE(masterRows(slip.barcodes[3]), 0);
    QCOMPARE(m_journal->line(printed)->state, answer ? journal::State::Recorded : journal::State::Printed);
    QCOMPARE(m_journal->line(logBegun)->state, answer ? journal::State::Recorded : journal::State::InDoubt);
    QCOMPARE(m_journal->line(otherRuns)->state, journal::State::Printed);
    // Kept for later: the log file lists them.
    const QStringList kept = m_logged.filter(u"kept in the print journal for later"_qs);
    QCOMPARE(kept.size(), answer ? 0 : 2);
    verifyAwaitingNumber();
}

void tst_PrintRun::offerAfterRecovery_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("a failed log given up, then a search") << u"log"_qs;
    QTest::newRow("a failed search, then a search") << u"search"_qs;
}

void tst_PrintRun::offerAfterRecovery()
{
    QFETCH(QString, failure);
    const labdb::BulkChargeslip slip = labdb::addChargeslip(m_path, 2);
    const QString next = QString::fromLatin1(labdb::sample::obrienBBarcode);
    QString unrecorded;
    if (failure == u"log") {
        // The log of the first exam fails and the user gives it up.
        search(slip.refNum);
        unrecorded = slip.barcodes[0];
        m_client->failCommit();
        m_answer = false;
        clickPrint();
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(journalStates(), QStringList{unrecorded + u": given up"_qs});
        QTest::mouseClick(control<vkCommand>("cmdNew"), Qt::LeftButton);
    } else {
        // A line given up earlier, declined once at start-up; then a search fails.
        journal::Line l;
        l.barcode = unrecorded = slip.barcodes[1];
        l.copies = 1;
        const qint64 id = m_journal->add(l);
        QVERIFY(m_journal->setState(id, journal::State::LogFailed, u"Communication link failure"_qs));
        m_answer = false;
        showWindow(m_journal.get());
        QTRY_COMPARE(m_questions.size(), 1);
        QTRY_VERIFY(!ui::ExclusiveRun::isRunning(m_window));
        m_client->failCommand(1);
        number()->setText(next);
        QTest::keyClick(number(), Qt::Key_Return);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_questions.size(), 1);
    }
    m_client->clearFaults();
    m_questions.clear();
    m_messages.clear();

    // The next search that reaches the database offers it, after its list.
    m_answer = true;
    int listed = -1;
    m_onQuestion = [&] { listed = exams()->listCount(); };
    search(next);
    QCOMPARE(m_questions.size(), 1);
    QVERIFY2(m_questions.first().contains(unrecorded), qPrintable(m_questions.first()));
    QCOMPARE(listed, 1);
    QCOMPARE(masterRows(unrecorded), requeryRows(unrecorded));
    QVERIFY(journalStates().contains(unrecorded + u": recorded"_qs));
    QCOMPARE(m_window->focusWidget(), print());
    QCOMPARE(stickers().size(), failure == u"log" ? 1 : 0);

    // Once: the search after it asks nothing.
    search(next);
    QCOMPARE(m_questions.size(), 1);
}

void tst_PrintRun::todaysStickersOnF9()
{
    // A line printed and given up today.
    const QString barcode = labdb::addChargeslip(m_path, 1).barcodes[0];
    journal::Line l;
    l.barcode = barcode;
    l.copies = 1;
    const qint64 id = m_journal->add(l);
    QVERIFY(m_journal->setState(id, journal::State::Printed));
    QVERIFY(m_journal->setState(id, journal::State::GivenUp, u"Communication link failure"_qs));
    QVERIFY(number()->toolTip().contains(u"F9"_qs));

    // F9 while the window awaits a number: the day's lines; Record now records the
    // selected one through the print log, printing nothing.
    int rows = -1;
    bool opened = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<ui::TodaysStickersDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        opened = true;
        rows = dialog->findChild<QTableView *>(u"stickersTable"_qs)->model()->rowCount();
        dialog->findChild<QPushButton *>(u"recordNowButton"_qs)->click();
        dialog->reject();
    });
    QTest::keyClick(m_window, Qt::Key_F9);
    QTRY_VERIFY(opened);
    QCOMPARE(rows, 1);
    QCOMPARE(masterRows(barcode), requeryRows(barcode));
    QCOMPARE(m_journal->line(id)->state, journal::State::Recorded);
    QCOMPARE(stickers(), QStringList());

    // Not while a patient is shown.
    search(QString::fromLatin1(labdb::sample::obrienBBarcode));
    opened = false;
    QTimer::singleShot(0, this, [&] {
        if (auto *dialog = QApplication::activeModalWidget()) {
            opened = true;
            dialog->close();
        }
    });
    QTest::keyClick(m_window, Qt::Key_F9);
    QTest::qWait(20);
    QVERIFY(!opened);
}

void tst_PrintRun::journalThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("read-only folder") << u"read-only folder"_qs;
    QTest::newRow("its folder is a file") << u"folder is a file"_qs;
}

void tst_PrintRun::journalThatCannotBeWritten()
{
    QFETCH(QString, setup);
    const QString path = m_journalDir->filePath(u"unwritable/journal.sqlite"_qs);
    const QString folder = QFileInfo(path).absolutePath();
    if (setup == u"read-only folder") {
        if (testsupport::runningAsRoot()) {
            // Root writes into any folder: the row runs again as nobody.
            const testsupport::ChildRow child = testsupport::runRowAsNobody();
            if (child.status == testsupport::ChildRow::Status::CannotRun)
                QSKIP(qPrintable(child.output));
            QVERIFY2(child.status == testsupport::ChildRow::Status::Passed, qPrintable(child.output));
            return;
        }
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QStringList told;
    journal::PrintJournal unwritable;
    unwritable.setFailureHandler([&told](const QString &message) { told << message; });
    QVERIFY(!unwritable.open(path));
    app::StorageNotice notice;
    showWindow(&unwritable, 24, &notice);

    // Printed and recorded as ever, twice over (no reprint question), without a word
    // on screen: the journal's failure went to the log file, once.
    const QString number = QString::fromLatin1(labdb::sample::obrienTBarcode);
    for (int run = 1; run <= 2; ++run) {
        search(number);
        const QStringList barcodes = m_main->patient().Barcodes.mid(0, 2);
        clickPrint();
        QCOMPARE(stickers().size(), 2 * run);
        QCOMPARE(loggedBarcodes(), barcodes);
        verifyAwaitingNumber();
    }
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(m_questions, QStringList());
    QCOMPARE(told.size(), 1);
    QCOMPARE(m_logged.filter(u"norvane.journal: The print journal "_qs).size(), 1);
}

void tst_PrintRun::logFileThatCannotBeWrittenIsToldOnce_data()
{
    QTest::addColumn<QString>("logFile");     // where the log file is put
    QTest::addColumn<bool>("atStart");        // found out before the window shows (on /dev/full, Qt's own
                                              // warnings may reach it first)
    QTest::addColumn<bool>("journalFailing"); // the journal cannot be written either

    QTest::newRow("a full disk") << u"/dev/full"_qs << false << false;
    QTest::newRow("its folder cannot be made: told at start-up") << u"file/norvane.log"_qs << true << false;
    QTest::newRow("the journal fails too: told in the same notice") << u"/dev/full"_qs << false << true;
}

void tst_PrintRun::logFileThatCannotBeWrittenIsToldOnce()
{
    QFETCH(QString, logFile);
    QFETCH(bool, atStart);
    QFETCH(bool, journalFailing);
    QTemporaryDir dir;
    if (!logFile.startsWith(u'/')) {
        QFile blocker(dir.filePath(u"file"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        logFile = dir.filePath(logFile);
    }
    app::installLogFile(logFile);
    app::StorageNotice notice;
    journal::PrintJournal failing;
    journal::PrintJournal *journal = m_journal.get();
    if (journalFailing) {
        QFile blocker(dir.filePath(u"journal"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        failing.setFailureHandler([&notice](const QString &message) { notice.journalFailed(message); });
        QVERIFY(!failing.open(dir.filePath(u"journal/journal.sqlite"_qs)));
        journal = &failing;
    }
    showWindow(journal, 24, &notice);
    if (atStart)
        QTRY_COMPARE(m_messages.size(), 1);
    QTRY_VERIFY(!ui::ExclusiveRun::isRunning(m_window));
    QStringList told = m_messages;
    m_messages.clear();

    // Two runs whose log fails, each given up (written to the log): one notice in all.
    m_answer = false;
    for (int run = 0; run < 2; ++run) {
        search(m_threeExams.refNum);
        m_client->failCommit();
        clickPrint();
        m_client->clearFaults();
        told += m_messages;
        m_messages.clear();
        QCOMPARE(told.size(), 1);
        QTest::mouseClick(control<vkCommand>("cmdNew"), Qt::LeftButton);
    }
    const QString shown = told.first();
    QVERIFY2(shown.startsWith(u"The log file %1 cannot be written: "_qs.arg(logFile)), qPrintable(shown));
    QCOMPARE(shown.contains(u"The print journal "_qs), journalFailing);
    QVERIFY2(shown.contains(u"Tell IT"_qs), qPrintable(shown));
}

QTEST_MAIN(tst_PrintRun)
#include "tst_printrun.moc"
