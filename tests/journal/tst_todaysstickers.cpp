// "Today's stickers": the day's lines of the journal, Record now through the
// function the window gives (with the warning for a log in doubt), and the keys.

#include "journal/journalfixture.h"

#include "journal/printjournal.h"
#include "ui/journal/journallinesmodel.h"
#include "ui/journal/todaysstickersdialog.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using journal::Claim;
using journal::Line;
using journal::PrintJournal;
using journal::State;
using journalfixture::exam;
using journalfixture::pathTo;
using journalfixture::walk;
using ui::JournalLinesModel;
using ui::TodaysStickersDialog;

class tst_todaysstickers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void listsTheLinesOfTheDay();
    void recordNow_data();
    void recordNow();
    void enterRecordsNothingAndEscCloses();
    void aJournalThatCannotBeRead();

private:
    // Writes, for today unless said, a line of barcode that reaches state.
    qint64 addLine(const QString &barcode, State state, int copies = 1);
    // The window's part: a claim on the line, the print log (here: it commits, or
    // fails when asked to), and its outcome in the journal.
    TodaysStickersDialog::RecordFunction recorder();
    QString cell(const TodaysStickersDialog &dialog, int row, int column) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PrintJournal> m_journal;
    QDateTime m_clock;
    QStringList m_recorded; // barcodes handed to the record function
    bool m_logFails = false;
    QStringList m_asked;   // questions shown
    bool m_answer = false; // the answer given to them
};

void tst_todaysstickers::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_journal = std::make_unique<PrintJournal>();
    QVERIFY(m_journal->open(m_dir->filePath(QStringLiteral("journal.sqlite"))));
    m_clock = QDateTime(QDate::currentDate(), QTime(8, 0));
    m_journal->setClock([this] { return m_clock; });
    m_recorded.clear();
    m_asked.clear();
    m_logFails = false;
    widgets::setQuestionHandler([this](const QString &text, const QString &, widgets::QuestionIcon) {
        m_asked << text;
        return m_answer;
    });
}

void tst_todaysstickers::cleanup()
{
    widgets::setQuestionHandler({});
    m_journal.reset();
    m_dir.reset();
}

qint64 tst_todaysstickers::addLine(const QString &barcode, State state, int copies)
{
    m_clock = m_clock.addSecs(60);
    const qint64 id = m_journal->add(exam(barcode, copies));
    if (!walk(*m_journal, id, pathTo(state)))
        return 0;
    return id;
}

TodaysStickersDialog::RecordFunction tst_todaysstickers::recorder()
{
    return [this](const Line &line) {
        m_recorded << line.barcode;
        if (m_journal->claimForLog(line.id, line.state) != Claim::Taken)
            return;
        if (m_logFails)
            m_journal->setState(line.id, State::LogFailed, QStringLiteral("Communication link failure"));
        else
            m_journal->setState(line.id, State::Recorded);
    };
}

QString tst_todaysstickers::cell(const TodaysStickersDialog &dialog, int row, int column) const
{
    const auto *table = dialog.findChild<QTableView *>(QStringLiteral("stickersTable"));
    return table->model()->index(row, column).data().toString();
}

void tst_todaysstickers::listsTheLinesOfTheDay()
{
    m_clock = m_clock.addDays(-1);
    QVERIFY(addLine(QStringLiteral("T0999999C"), State::LogFailed)); // yesterday's
    m_clock = m_clock.addDays(1);
    QVERIFY(addLine(QStringLiteral("T1000001C"), State::Recorded, 2));
    QVERIFY(addLine(QStringLiteral("T1000002C"), State::LogFailed));
    QVERIFY(addLine(QStringLiteral("T1000003C"), State::PrintFailed));

    TodaysStickersDialog dialog(*m_journal, recorder());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.windowTitle(), u"Today's stickers"_qs);
    const auto *table = dialog.findChild<QTableView *>(QStringLiteral("stickersTable"));
    QVERIFY(table);
    QCOMPARE(table->model()->rowCount(), 3);

    QCOMPARE(cell(dialog, 0, JournalLinesModel::Time), u"08:02:00"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::Barcode), u"T1000001C"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::Patient), u"DELA CRUZ, JUAN"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::HospitalNumber), u"H0012345"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::Exam), u"CBC"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::Copies), u"2"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::Printed), u"08:02:00"_qs);
    QCOMPARE(cell(dialog, 0, JournalLinesModel::Recorded), u"08:02:00"_qs);
    QVERIFY(!cell(dialog, 0, JournalLinesModel::Operator).isEmpty());
    QCOMPARE(cell(dialog, 0, JournalLinesModel::State), u"recorded"_qs);
    QCOMPARE(cell(dialog, 1, JournalLinesModel::Recorded), QString());
    QCOMPARE(cell(dialog, 1, JournalLinesModel::State), u"log failed"_qs);
    QCOMPARE(table->model()->index(1, JournalLinesModel::State).data(Qt::ToolTipRole).toString(),
             u"log failed: injected failure"_qs);
    QCOMPARE(cell(dialog, 2, JournalLinesModel::Printed), QString());
    QCOMPARE(cell(dialog, 2, JournalLinesModel::State), u"print failed"_qs);

    // It opens on the line to record, with the list in the keys' hands.
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(QApplication::focusWidget(), table);
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("dayLabel"))->text().contains(u"1 printed but not recorded"_qs));
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("problemLabel"))->isHidden());
}

void tst_todaysstickers::recordNow_data()
{
    QTest::addColumn<State>("state");
    QTest::addColumn<bool>("answer"); // to the question, when one is asked
    QTest::addColumn<bool>("logFails");
    QTest::addColumn<bool>("enabled"); // Record now, on that line
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("recorded"); // handed to the record function
    QTest::addColumn<QString>("stateAfter");

    QTest::newRow("log failed: recorded")
        << State::LogFailed << false << false << true << false << true << u"recorded"_qs;
    QTest::newRow("given up: recorded") << State::GivenUp << false << false << true << false << true << u"recorded"_qs;
    QTest::newRow("log fails again: shown so")
        << State::LogFailed << false << true << true << false << true << u"log failed"_qs;
    QTest::newRow("in doubt, Yes: recorded")
        << State::InDoubt << true << false << true << true << true << u"recorded"_qs;
    QTest::newRow("in doubt, No: left") << State::InDoubt << false << false << true << true << false << u"in doubt"_qs;
    QTest::newRow("recorded: nothing to do")
        << State::Recorded << true << false << false << false << false << u"recorded"_qs;
    QTest::newRow("print failed: nothing to do")
        << State::PrintFailed << true << false << false << false << false << u"print failed"_qs;
}

void tst_todaysstickers::recordNow()
{
    QFETCH(State, state);
    QFETCH(bool, answer);
    QFETCH(bool, logFails);
    QFETCH(bool, enabled);
    QFETCH(bool, asked);
    QFETCH(bool, recorded);
    QFETCH(QString, stateAfter);

    QVERIFY(addLine(QStringLiteral("T1000001C"), State::Recorded));
    QVERIFY(addLine(QStringLiteral("T1000002C"), state));
    QVERIFY(addLine(QStringLiteral("T1000003C"), State::Recorded));
    m_answer = answer;
    m_logFails = logFails;

    TodaysStickersDialog dialog(*m_journal, recorder());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *table = dialog.findChild<QTableView *>(QStringLiteral("stickersTable"));
    auto *record = dialog.findChild<QPushButton *>(QStringLiteral("recordNowButton"));
    QVERIFY(record);

    // From the first line down to the second with the arrows.
    QTest::keyClick(table, Qt::Key_PageUp);
    QCOMPARE(table->currentIndex().row(), 0);
    QVERIFY(!record->isEnabled());
    QTest::keyClick(table, Qt::Key_Down);
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(record->isEnabled(), enabled);

    // Alt+R presses Record now (a button's mnemonic clicks it a moment later).
    QSignalSpy clicked(record, &QPushButton::clicked);
    QTest::keyClick(table, Qt::Key_R, Qt::AltModifier);
    if (enabled)
        QVERIFY(clicked.wait(2000));
    QCOMPARE(clicked.count(), enabled ? 1 : 0);
    QCOMPARE(!m_asked.isEmpty(), asked);
    if (asked)
        QVERIFY2(m_asked.first().contains(u"T1000002C"_qs) && m_asked.first().contains(u"appear twice"_qs),
                 qPrintable(m_asked.first()));
    QCOMPARE(m_recorded, recorded ? QStringList{u"T1000002C"_qs} : QStringList());
    // The line shows what became of it, and stays the current one.
    QCOMPARE(cell(dialog, 1, JournalLinesModel::State), stateAfter);
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(record->isEnabled(), stateAfter != u"recorded"_qs && enabled);
}

void tst_todaysstickers::enterRecordsNothingAndEscCloses()
{
    QVERIFY(addLine(QStringLiteral("T1000001C"), State::LogFailed));
    TodaysStickersDialog dialog(*m_journal, recorder());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *table = dialog.findChild<QTableView *>(QStringLiteral("stickersTable"));
    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("recordNowButton"))->isEnabled());

    // A scanner's Enter and a scan of the next tube.
    QTest::keyClick(table, Qt::Key_Return);
    QTest::keyClicks(table, u"3000001B"_qs);
    QTest::keyClick(table, Qt::Key_Enter);
    QVERIFY(m_recorded.isEmpty());
    QVERIFY(dialog.isVisible());

    QTest::keyClick(table, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(m_recorded.isEmpty());
}

void tst_todaysstickers::aJournalThatCannotBeRead()
{
    QFile blocker(m_dir->filePath(QStringLiteral("blocked")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    PrintJournal broken;
    broken.setFailureHandler([](const QString &) {});
    QVERIFY(!broken.open(m_dir->filePath(QStringLiteral("blocked/journal.sqlite"))));

    TodaysStickersDialog dialog(broken, recorder());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.findChild<QTableView *>(QStringLiteral("stickersTable"))->model()->rowCount(), 0);
    auto *problem = dialog.findChild<QLabel *>(QStringLiteral("problemLabel"));
    QVERIFY(!problem->isHidden());
    QVERIFY2(problem->text().startsWith(u"The print journal cannot be read"_qs), qPrintable(problem->text()));
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("recordNowButton"))->isEnabled());
}

QTEST_MAIN(tst_todaysstickers)
#include "tst_todaysstickers.moc"
