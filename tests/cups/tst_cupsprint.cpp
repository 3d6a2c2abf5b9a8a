// Stickers through CUPS as a label printer receives them. A scheduler of the test's
// own (PrivateCups, never as root) has two queues, each sending to a socket that keeps
// every job's bytes (LabelSink), as a 9100-style network printer would receive them:
//  - LabelZPL: the stock Zebra ZPL driver, 203 dpi, 2 x 1 in;
//  - LabelRaw: a raw queue, no driver, printed to as ZPL by the settings;
//  - LabelPWG: the Zebra driver's PPD turned into a driverless queue's (it takes PWG
//    raster and passes it on as it is), as an IPP Everywhere printer would receive it.
//  - LabelDown: the Zebra driver again, to a socket that can be unplugged (it then
//    refuses connections, as a printer switched off) and plugged in again: the
//    printer check, a stuck queue, and the print service going away.
// The bytes are decoded back to the label's dots (the ~DG or ^GFA graphic, or the PWG
// raster) and read with a barcode reader (zbarimg).

#include "common/mainwindow.h"
#include "common/privatecups.h"
#include "common/windowcontrols.h"
#include "common/zbar.h"
#include "common/zpldecoder.h"
#include "db/embeddedclient.h"
#include "journal/printjournal.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/sampledata.h"
#include "label/labeldots.h"
#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "output/cupsprintsystem.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <cups/cups.h>
#include <cups/raster.h>

using namespace label;
using namespace output;
using report::modMain;
using testsupport::LabelSink;
using testsupport::PrivateCups;

namespace {

const QString kDriverQueue = QStringLiteral("LabelZPL");
const QString kRawQueue = QStringLiteral("LabelRaw");
const QString kPwgQueue = QStringLiteral("LabelPWG");
const QString kDownQueue = QStringLiteral("LabelDown");
const QString kZebraDriver = QStringLiteral("drv:///sample.drv/zebra.ppd");

QVariantList values(const QString &barcode)
{
    return {barcode,
            QStringLiteral("DELA CRUZ, MARIA"),
            QStringLiteral("00123456"),
            QStringLiteral("HEMATOLOGY"),
            QStringLiteral("12/10/2026 8:15:00 AM"),
            QStringLiteral("ER-3"),
            QStringLiteral("45/F")};
}

QString shippedTemplate()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/LabBarcodeLabel.rpt");
}

// Rows that differ between a decoded graphic and the rendered dots (bit for bit).
int differingRows(const QImage &graphic, const LabelDots &dots)
{
    if (graphic.height() != dots.height || graphic.width() != dots.bytesPerRow * 8)
        return -1;
    int differ = 0;
    for (int y = 0; y < dots.height; ++y)
        differ += memcmp(graphic.constScanLine(y), dots.row(y), size_t(dots.bytesPerRow)) != 0 ? 1 : 0;
    return differ;
}

// The pages of a PWG raster stream (8-bit grey, 0 = black) as one-bit images of
// whole bytes per row, as zplGraphics gives them; a header other than 8-bit grey at
// 203 dpi gives a null image.
struct ByteReader
{
    QByteArray bytes;
    qsizetype at = 0;
};

ssize_t readBytes(void *context, unsigned char *buffer, size_t length)
{
    auto *reader = static_cast<ByteReader *>(context);
    const auto n = std::min<qsizetype>(qsizetype(length), reader->bytes.size() - reader->at);
    memcpy(buffer, reader->bytes.constData() + reader->at, size_t(n));
    reader->at += n;
    return n;
}

QList<QImage> pwgPages(const QByteArray &bytes)
{
    QList<QImage> pages;
    if (!bytes.startsWith("RaS2"))
        return pages;
    ByteReader reader{bytes, 0};
    cups_raster_t *raster = cupsRasterOpenIO(readBytes, &reader, CUPS_RASTER_READ);
    cups_page_header2_t h;
    while (raster && cupsRasterReadHeader2(raster, &h)) {
        if (h.cupsBitsPerPixel != 8 || h.cupsColorSpace != CUPS_CSPACE_SW || h.HWResolution[0] != 203) {
            pages << QImage();
            break;
        }
        QImage page(int((h.cupsWidth + 7) / 8 * 8), int(h.cupsHeight), QImage::Format_Mono);
        page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        page.fill(0);
        QByteArray line(h.cupsBytesPerLine, '\0');
        for (unsigned y = 0; y < h.cupsHeight; ++y) {
            cupsRasterReadPixels(raster, reinterpret_cast<unsigned char *>(line.data()), h.cupsBytesPerLine);
            for (unsigned x = 0; x < h.cupsWidth; ++x)
                page.setPixel(int(x), int(y), uchar(line[x]) < 128 ? 1 : 0);
        }
        pages << page;
    }
    cupsRasterClose(raster);
    return pages;
}

// The jobs of a queue (of every queue when it is empty).
int jobsOnScheduler(const QString &queue, int which = CUPS_WHICHJOBS_ALL)
{
    cups_job_t *jobs = nullptr;
    const QByteArray name = queue.toUtf8();
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.isEmpty() ? nullptr : name.constData(), 0, which);
    cupsFreeJobs(n, jobs);
    return n;
}

// The jobs still in a queue, or in any (pending, held, processing or stopped).
int jobsWaiting(const QString &queue)
{
    return jobsOnScheduler(queue, CUPS_WHICHJOBS_ACTIVE);
}

// The state of the queue's newest job; 0 when it has none.
int newestJobState(const QString &queue)
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    int newest = -1;
    for (int i = 0; i < n; ++i)
        if (newest < 0 || jobs[i].id > jobs[newest].id)
            newest = i;
    const int state = newest >= 0 ? int(jobs[newest].state) : 0;
    cupsFreeJobs(n, jobs);
    return state;
}

// The barcodes in the print log's master rows, in the order written, once each.
QStringList loggedBarcodes(const QString &database)
{
    QStringList barcodes;
    for (const QStringList &row : labdb::PrintLog::read(database).masterRows)
        if (!barcodes.contains(row.at(3)))
            barcodes << row.at(3);
    return barcodes;
}

// The embedded database, with something to do after each commit (a print log
// recorded): the test's moment between two exams.
class HookedClient : public db::EmbeddedClient
{
public:
    using db::EmbeddedClient::EmbeddedClient;
    std::function<void()> afterCommit;

    void commitTrans() override
    {
        db::EmbeddedClient::commitTrans();
        if (afterCommit)
            afterCommit();
    }
};

// The counter as the staff uses it: the main window on a demo database, printing to
// the default printer with the printer check's bound given.
struct Counter
{
    Counter(const QString &database, double takeJobSeconds)
        : client(database)
        , printJournal(openJournal(journalDir))
        // No reprint question: these runs print one chargeslip after its own barcode.
        , main(client, output::LabelOutput::Destination{QString(), {}, takeJobSeconds}, printJournal.get(), 0)
    {
        client.open(QString());
    }

    static std::unique_ptr<journal::PrintJournal> openJournal(const QTemporaryDir &dir)
    {
        auto opened = std::make_unique<journal::PrintJournal>();
        if (!opened->open(dir.filePath(QStringLiteral("journal.sqlite"))))
            qFatal("the print journal cannot be opened: %s", qPrintable(opened->lastError()));
        return opened;
    }
    // The journal's state of a barcode's newest line; empty when it has none.
    QString journalState(const QString &barcode)
    {
        QString state;
        for (const journal::Line &line : printJournal->linesSince(QDateTime::currentDateTime().addDays(-1)))
            if (line.barcode == barcode)
                state = journal::stateName(line.state);
        return state;
    }

    template<typename T>
    T *control(const char *name)
    {
        return testsupport::control<T>(&main.window, name);
    }
    widgets::vkListBox *exams() { return control<widgets::vkListBox>("lstExams"); }
    widgets::vkCommand *printButton() { return control<widgets::vkCommand>("cmdGenerate"); }
    bool show()
    {
        main.window.show();
        return QTest::qWaitForWindowActive(&main.window);
    }
    // Lists the exams of a number; false when none are listed.
    bool search(const QString &number)
    {
        auto *box = control<widgets::vkTextBox>("txtNumber");
        box->setText(number);
        QTest::keyClick(box, Qt::Key_Return);
        return exams()->listCount() > 0;
    }
    void print() { QTest::mouseClick(printButton(), Qt::LeftButton); }
    // The exams' checked states, from the first.
    QList<bool> checked()
    {
        QList<bool> states;
        for (int i = 1; i <= exams()->listCount(); ++i)
            states << exams()->itemChecked(i);
        return states;
    }

    HookedClient client;
    QTemporaryDir journalDir;
    std::unique_ptr<journal::PrintJournal> printJournal;
    testsupport::MainWindow main;
};

} // namespace

class TestCupsPrint : public QObject
{
    Q_OBJECT

private:
    PrivateCups m_cups;
    LabelSink m_driverSink;
    LabelSink m_rawSink;
    LabelSink m_pwgSink;
    LabelSink m_downSink; // LabelDown's printer, which the tests switch off and on
    QTemporaryDir m_work;
    int m_databases = 0;
    bool m_schedulerStopped = false; // by a test: started again afterwards
    QStringList m_messages;
    QStringList m_questions;
    bool m_answer = false;              // what every question is answered (true: Yes, or the other answer)
    std::function<void()> m_onQuestion; // runs when a question is asked, before the answer

    // A fresh demo database of the test's own.
    QString newDatabase()
    {
        const QString path = m_work.filePath(QStringLiteral("laboratory-%1.sqlite").arg(++m_databases));
        labdb::createDemoDatabase(path);
        return path;
    }

    bool addDownQueue(QString &error)
    {
        return m_cups.addQueue(kDownQueue, m_downSink.port(), kZebraDriver, {QStringLiteral("PageSize=w144h72")},
                               error);
    }

    LabelSink &sinkOf(const QString &queue)
    {
        return queue == kRawQueue ? m_rawSink : queue == kPwgQueue ? m_pwgSink : m_driverSink;
    }

    void makeDefault(const QString &queue)
    {
        QString error;
        QVERIFY2(m_cups.run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), queue}, error), qPrintable(error));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = PrivateCups::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(QStringLiteral("needs %1").arg(missing)));
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty(),
                 "zbarimg is needed (zbar-tools)");
        QVERIFY(m_work.isValid());
        QVERIFY(m_driverSink.listening() && m_rawSink.listening());
        QString error;
        QVERIFY2(m_cups.start(error), qPrintable(error));
        qInfo("private cupsd on %s as user %s", qPrintable(m_cups.server()), qPrintable(m_cups.user()));
        QVERIFY2(m_cups.addQueue(kDriverQueue, m_driverSink.port(), QStringLiteral("drv:///sample.drv/zebra.ppd"),
                                 {QStringLiteral("PageSize=w144h72")}, error),
                 qPrintable(error));
        QVERIFY2(m_cups.addQueue(kRawQueue, m_rawSink.port(), QString(), {}, error), qPrintable(error));
        QVERIFY2(addDownQueue(error), qPrintable(error));

        // A driverless queue's PPD says that the printer itself takes PWG raster.
        QFile zebra(m_cups.ppdPath(kDriverQueue));
        QVERIFY2(zebra.open(QIODevice::ReadOnly), qPrintable(zebra.fileName()));
        QByteArray ppd = zebra.readAll();
        QVERIFY(ppd.contains("*cupsFilter: \"application/vnd.cups-raster 50 rastertolabel\""));
        ppd.replace("*cupsFilter: \"application/vnd.cups-raster 50 rastertolabel\"",
                    "*cupsFilter2: \"image/pwg-raster image/pwg-raster 0 -\"");
        QFile driverless(m_work.filePath(QStringLiteral("driverless.ppd")));
        QVERIFY(driverless.open(QIODevice::WriteOnly) && driverless.write(ppd) == ppd.size());
        driverless.close();
        QVERIFY2(m_cups.run(QStringLiteral("lpadmin"),
                            {QStringLiteral("-p"), kPwgQueue, QStringLiteral("-E"), QStringLiteral("-v"),
                             QStringLiteral("socket://127.0.0.1:%1").arg(m_pwgSink.port()), QStringLiteral("-P"),
                             driverless.fileName()},
                            error),
                 qPrintable(error));
    }

    void init()
    {
        m_messages.clear();
        m_questions.clear();
        m_answer = false;
        m_onQuestion = nullptr;
        widgets::setMessageBoxHandler([this](const QString &text, const QString &) { m_messages << text; });
        widgets::setQuestionHandler([this](const QString &text, const QString &, widgets::QuestionIcon) {
            m_questions << text;
            if (m_onQuestion)
                m_onQuestion();
            return m_answer;
        });
    }

    void cleanup()
    {
        widgets::setMessageBoxHandler({});
        widgets::setQuestionHandler({});
        QString error;
        if (m_schedulerStopped) {
            QVERIFY2(m_cups.restart(error), qPrintable(error));
            m_schedulerStopped = false;
        }
        QVERIFY(m_downSink.accept());
        // Whatever a test left waiting goes, and a queue it removed comes back.
        for (const QString &queue : {kDriverQueue, kRawQueue, kPwgQueue, kDownQueue})
            cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), CUPS_JOBID_ALL, 0);
        QCOMPARE(jobsWaiting(QString()), 0);
        if (cups_dest_t *down = cupsGetNamedDest(CUPS_HTTP_DEFAULT, kDownQueue.toUtf8().constData(), nullptr))
            cupsFreeDests(1, down);
        else
            QVERIFY2(addDownQueue(error), qPrintable(error));
        for (const QString &queue : {kDriverQueue, kRawQueue}) {
            m_cups.run(QStringLiteral("cupsenable"), {queue}, error);
            m_cups.run(QStringLiteral("cupsaccept"), {queue}, error);
        }
    }

    void cleanupTestCase()
    {
        if (QTest::currentTestFailed())
            qInfo().noquote() << "scheduler log:\n" << m_cups.errorLog();
    }

    // ---- What each queue takes --------------------------------------------------------

    void queueKinds_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("dotsPerInch");
        QTest::addRow("Zebra driver") << kDriverQueue << int(CupsQueue::Input::CupsRaster) << 203;
        QTest::addRow("raw") << kRawQueue << int(CupsQueue::Input::Raw) << 0;
        QTest::addRow("driverless") << kPwgQueue << int(CupsQueue::Input::PwgRaster) << 203;
    }

    void queueKinds()
    {
        QFETCH(QString, queue);
        QFETCH(int, input);
        QFETCH(int, dotsPerInch);
        makeDefault(queue);
        CupsPrintSystem cups;
        const std::optional<CupsQueue> found = cups.defaultQueue();
        QVERIFY(found);
        QCOMPARE(found->name, queue);
        QCOMPARE(int(found->input), input);
        QCOMPARE(found->dotsPerInch, dotsPerInch);
        QVERIFY(found->accepting && !found->stopped);
    }

    // ---- Every sticker reaches the printer and reads as its barcode -------------------

    void stickersReachThePrinter_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("language");
        QTest::addRow("driver queue: CUPS raster through rastertolabel") << kDriverQueue << QString();
        QTest::addRow("raw queue: ZPL from the program") << kRawQueue << QStringLiteral("zpl");
        QTest::addRow("driverless queue: PWG raster") << kPwgQueue << QString();
    }

    void stickersReachThePrinter()
    {
        QFETCH(QString, queue);
        QFETCH(QString, language);
        makeDefault(queue);
        LabelOutput output({QString(), {language, 0}});
        modMain labels(output);
        QCOMPARE(output.printerProblem(), QString());

        // Two exams, two copies each: four jobs of one sticker, in order.
        const QStringList barcodes{QStringLiteral("T1000001C"), QStringLiteral("2412100042")};
        const qint16 copies = 2;
        LabelSink &sink = sinkOf(queue);
        const int before = sink.jobCount();
        QList<LabelDots> expected;
        for (const QString &barcode : barcodes) {
            labels.OpenReport(shippedTemplate(), values(barcode));
            expected << LabelDots::fromImage(LabelRenderer(labels.CurrentReport()->asLabel(), 203).toImage(true));
            labels.printLabelCopies(shippedTemplate(), values(barcode), copies);
        }
        const int count = int(barcodes.size()) * copies;
        QVERIFY2(sink.waitForJobs(before + count, 60000),
                 qPrintable(QStringLiteral("%1 of %2 jobs arrived").arg(sink.jobCount() - before).arg(count)));
        const QList<LabelSink::Job> jobs = sink.jobs().mid(before);
        QCOMPARE(jobs.size(), count);

        for (int i = 0; i < count; ++i) {
            const QString barcode = barcodes.at(i / copies);
            const QList<QImage> graphics = queue == kPwgQueue ? pwgPages(jobs.at(i).bytes)
                                                              : testsupport::zplGraphics(jobs.at(i).bytes);
            QVERIFY2(graphics.size() == 1 && !graphics.first().isNull(),
                     qPrintable(QStringLiteral("job %1: %2 graphics in %3")
                                    .arg(i)
                                    .arg(graphics.size())
                                    .arg(QString::fromLatin1(jobs.at(i).bytes.left(200)))));
            // The printer gets exactly the dots that were rendered at its 203 dpi.
            QCOMPARE(differingRows(graphics.first(), expected.at(i / copies)), 0);
            const QString png = m_work.filePath(QStringLiteral("%1-%2.png").arg(queue).arg(i));
            QVERIFY(graphics.first().save(png));
            QCOMPARE(testsupport::zbarDecode(png), barcode);
        }

        if (queue == kDriverQueue) {
            // Only the driver's raster filter ran: no PDF or PostScript interpreter.
            // (The scheduler's log names the filters of every queue; only this test
            // prints to a queue that has filters at all.)
            static const QRegularExpression started(QStringLiteral("Started filter \\S*/(\\S+) "));
            QStringList filters;
            for (auto it = started.globalMatch(m_cups.errorLog()); it.hasNext();)
                filters << it.next().captured(1);
            filters.removeDuplicates();
            QCOMPARE(filters, QStringList{QStringLiteral("rastertolabel")});
        } else if (queue == kRawQueue) {
            const QByteArray zpl = jobs.first().bytes;
            QVERIFY2(zpl.startsWith("^XA") && zpl.trimmed().endsWith("^XZ"), zpl.left(80).constData());
        }
    }

    // ---- A printer that cannot take stickers is told before anything is sent ---------

    void refusedBeforeAnythingIsPrinted_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("dotsPerInch"); // -1: a Resolution setting that is no number
        QTest::addColumn<QString>("command"); // run on the queue first
        QTest::addColumn<QString>("message");
        QTest::addRow("raw queue without a language")
            << kRawQueue << QString() << 0 << QString() << "no printer language is set";
        QTest::addRow("raw queue, a language not spoken") << kRawQueue << "EPL2" << 0 << QString() << "\"EPL2\"";
        QTest::addRow("raw queue, a resolution that is no number")
            << kRawQueue << "ZPL" << -1 << QString() << "not a number of dots per inch";
        QTest::addRow("stopped driver queue") << kDriverQueue << QString() << 0 << "cupsdisable"
                                              << "is stopped";
        QTest::addRow("raw queue refusing jobs") << kRawQueue << "ZPL" << 0 << "cupsreject"
                                                 << "is not accepting";
    }

    void refusedBeforeAnythingIsPrinted()
    {
        QFETCH(QString, queue);
        QFETCH(QString, language);
        QFETCH(int, dotsPerInch);
        QFETCH(QString, command);
        QFETCH(QString, message);
        makeDefault(queue);
        LabelOutput output({QString(), {language, dotsPerInch}});
        modMain labels(output);
        QString error;
        if (!command.isEmpty())
            QVERIFY2(m_cups.run(command, {queue}, error), qPrintable(error));
        const int jobsBefore = jobsOnScheduler(queue);
        const int bytesBefore = sinkOf(queue).jobCount();

        const QString problem = output.printerProblem();
        QVERIFY2(problem.contains(message) && problem.contains(queue), qPrintable(problem));
        // The label job refuses it as well, with the same words, before making a job.
        try {
            labels.printLabelCopies(shippedTemplate(), values(QStringLiteral("T1000001C")), 2);
            QFAIL("the sticker was printed");
        } catch (const LabelError &e) {
            QCOMPARE(e.description(), problem);
        }
        QCOMPARE(jobsOnScheduler(queue), jobsBefore);
        QTest::qWait(300);
        QCOMPARE(sinkOf(queue).jobCount(), bytesBefore);
    }

    void printRunToldBeforeAnything_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::addRow("stopped printer") << kDriverQueue << "cupsdisable"
                                         << "is stopped";
        QTest::addRow("raw queue without a language") << kRawQueue << QString() << "no printer language is set";
    }

    void printRunToldBeforeAnything()
    {
        // The main window's Print on a demo database: the message comes before any
        // sticker or log row, and the exams stay checked for a second try.
        QFETCH(QString, queue);
        QFETCH(QString, command);
        QFETCH(QString, message);
        const QString database = m_work.filePath(QStringLiteral("laboratory.sqlite"));
        labdb::createDemoDatabase(database);
        db::EmbeddedClient client(database);
        client.open(QString());
        QStringList messages;
        widgets::setMessageBoxHandler([&messages](const QString &text, const QString &) { messages << text; });
        makeDefault(queue);
        QString error;
        if (!command.isEmpty())
            QVERIFY2(m_cups.run(command, {queue}, error), qPrintable(error));
        const int jobsBefore = jobsOnScheduler(queue);

        testsupport::MainWindow mainWindow(client);
        ui::frmNorvane &window = mainWindow.window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *number = testsupport::control<widgets::vkTextBox>(&window, "txtNumber");
        auto *exams = testsupport::control<widgets::vkListBox>(&window, "lstExams");
        auto *print = testsupport::control<widgets::vkCommand>(&window, "cmdGenerate");
        number->setText(QStringLiteral("CS202400001"));
        QTest::keyClick(number, Qt::Key_Return);
        QVERIFY(exams->listCount() > 0);
        QTest::mouseClick(print, Qt::LeftButton);

        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(message) && messages.first().contains(queue), qPrintable(messages.first()));
        QCOMPARE(jobsOnScheduler(queue), jobsBefore);
        QCOMPARE(labdb::PrintLog::read(database).masterRows.size(), 0);
        QVERIFY(exams->itemChecked(1));
        QVERIFY(print->isEnabled());
        widgets::setMessageBoxHandler({});
    }

    // ---- The printer must take the stickers before the exam is recorded ----------------

    void eachExamIsRecordedOnceItsStickerIsAtThePrinter()
    {
        makeDefault(kDownQueue);
        const QString database = newDatabase();
        Counter counter(database, output::kDefaultTakeJobSeconds);
        QVERIFY(counter.show());
        QVERIFY(counter.search(QString::fromLatin1(labdb::sample::obrienChargeslip)));
        const QStringList barcodes = counter.main.patient().Barcodes.mid(0, 5);
        const int before = m_downSink.jobCount();
        QList<int> stickersAtEachLog;
        counter.client.afterCommit = [&] { stickersAtEachLog << m_downSink.jobCount() - before; };
        counter.print();

        // Each exam's log came after its sticker had reached the printer.
        QCOMPARE(stickersAtEachLog, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(loggedBarcodes(database), barcodes);
        QVERIFY(m_messages.isEmpty() && m_questions.isEmpty());
        QCOMPARE(counter.exams()->listCount(), 0);
    }

    void printerNotAnswering_data()
    {
        QTest::addColumn<bool>("leave");
        QTest::addRow("Cancel") << false;
        QTest::addRow("Leave") << true;
    }

    void printerNotAnswering()
    {
        // The printer is switched off: its socket refuses, CUPS keeps the job and
        // retries. The run stops at the first exam before recording it, and asks.
        QFETCH(bool, leave);
        makeDefault(kDownQueue);
        const QString database = newDatabase();
        Counter counter(database, 1);
        QVERIFY(counter.show());
        QVERIFY(counter.search(QString::fromLatin1(labdb::sample::obrienChargeslip)));
        const QStringList barcodes = counter.main.patient().Barcodes.mid(0, 5);
        const int stickersBefore = m_downSink.jobCount();
        m_downSink.refuse();
        int waitingWhenAsked = -1;
        QStringList loggedWhenAsked{QStringLiteral("not asked")};
        m_answer = leave;
        m_onQuestion = [&] {
            waitingWhenAsked = jobsWaiting(kDownQueue);
            loggedWhenAsked = loggedBarcodes(database);
        };
        QElapsedTimer took;
        took.start();
        counter.print();

        QCOMPARE(m_questions.size(), 1);
        const QString question = m_questions.first();
        QVERIFY2(question.startsWith(QStringLiteral("The label printer \"%1\" is not answering: the sticker of %2 is "
                                                    "waiting in its print queue.")
                                         .arg(kDownQueue, barcodes[0])),
                 qPrintable(question));
        QVERIFY2(question.contains(QLatin1String("Cancel them:")) && question.contains(QLatin1String("Leave them:")),
                 qPrintable(question));
        QVERIFY(took.elapsed() >= 1000);
        QCOMPARE(waitingWhenAsked, 1);
        QCOMPARE(loggedWhenAsked, QStringList());
        QVERIFY(m_messages.isEmpty());

        // The run went no further. The exams not reached stay checked, Print takes
        // them on, and the focus is on the list.
        QCOMPARE(counter.exams()->listCount(), 5);
        QCOMPARE(counter.checked(), (QList<bool>{!leave, true, true, true, true}));
        QVERIFY(counter.printButton()->isEnabled());
        QCOMPARE(counter.main.window.focusWidget(), counter.exams());
        QCOMPARE(m_downSink.jobCount(), stickersBefore);
        if (!leave) {
            // Cancelled: nothing waits and nothing is recorded; switched on again,
            // the printer gets nothing.
            QCOMPARE(jobsWaiting(kDownQueue), 0);
            QCOMPARE(newestJobState(kDownQueue), int(IPP_JSTATE_CANCELED));
            QCOMPARE(loggedBarcodes(database), QStringList());
            QCOMPARE(counter.main.patient().Barcodes[0], barcodes[0]);
            QCOMPARE(counter.journalState(barcodes[0]), QStringLiteral("cancelled"));
            return;
        }
        // Left: recorded as printed, and the sticker comes out once the printer is back.
        QCOMPARE(loggedBarcodes(database), QStringList{barcodes[0]});
        QCOMPARE(counter.journalState(barcodes[0]), QStringLiteral("recorded"));
        QCOMPARE(jobsWaiting(kDownQueue), 1);
        QVERIFY(m_downSink.accept());
        QVERIFY2(m_downSink.waitForJobs(stickersBefore + 1, 30000), "the sticker left in the queue never arrived");
        const QList<QImage> graphics = testsupport::zplGraphics(m_downSink.jobs().at(stickersBefore).bytes);
        QCOMPARE(graphics.size(), 1);
        const QString png = m_work.filePath(QStringLiteral("left-in-queue.png"));
        QVERIFY(graphics.first().save(png));
        QCOMPARE(testsupport::zbarDecode(png), barcodes[0]);
    }

    void stuckQueueRefusedBeforeTheRun()
    {
        // A sticker of an earlier run still waits for a printer that is switched off.
        makeDefault(kDownQueue);
        m_downSink.refuse();
        {
            LabelOutput earlier({QString(), {}, 0});
            modMain labels(earlier);
            labels.printLabelCopies(shippedTemplate(), values(QStringLiteral("T9999999C")), 1);
        }
        QCOMPARE(jobsWaiting(kDownQueue), 1);
        QTest::qWait(2100); // older than the 1-second bound by the scheduler's whole seconds

        const QString database = newDatabase();
        Counter counter(database, 1);
        QVERIFY(counter.show());
        QVERIFY(counter.search(QString::fromLatin1(labdb::sample::obrienChargeslip)));
        const int jobsBefore = jobsOnScheduler(kDownQueue);
        counter.print();

        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().startsWith(QStringLiteral("The label printer \"%1\" is not answering: 1 print job "
                                                              "has been waiting in its print queue for more than 1 "
                                                              "second. Nothing was printed.")
                                                   .arg(kDownQueue)),
                 qPrintable(m_messages.first()));
        QVERIFY(m_questions.isEmpty());
        // Nothing added to the queue, nothing recorded, the list as it was.
        QCOMPARE(jobsOnScheduler(kDownQueue), jobsBefore);
        QCOMPARE(loggedBarcodes(database), QStringList());
        QCOMPARE(counter.checked(), QList<bool>(5, true));
        QVERIFY(counter.printButton()->isEnabled());
    }

    void busyQueueIsNotStuck()
    {
        // Two stickers wait for a printer that is switched off: stuck, for the one the
        // queue works on has taken longer than the bound.
        makeDefault(kDownQueue);
        m_downSink.refuse();
        LabelOutput output({QString(), {}, 1});
        {
            LabelOutput earlier({QString(), {}, 0});
            modMain labels(earlier);
            labels.printLabelCopies(shippedTemplate(), values(QStringLiteral("T9999999C")), 2);
        }
        QTest::qWait(2100);
        QVERIFY2(output.printerProblem().contains(QLatin1String("2 print jobs have been waiting")),
                 qPrintable(output.printerProblem()));

        // The first goes: the queue begins on the second, old as it is, and is working
        // again, not stuck, until that one too takes longer than the bound.
        cups_job_t *jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kDownQueue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
        QCOMPARE(n, 2);
        const int first = std::min(jobs[0].id, jobs[1].id);
        cupsFreeJobs(n, jobs);
        QVERIFY(cupsCancelJob2(CUPS_HTTP_DEFAULT, kDownQueue.toUtf8().constData(), first, 0) == IPP_STATUS_OK);
        QTRY_COMPARE(output.printerProblem(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(output.printerProblem().contains(QLatin1String("1 print job has been waiting")), 5000);
    }

    // ---- The print service going away, told in plain words ---------------------------

    void printServiceMissing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("words");
        const QString queueGone = QStringLiteral("The label printer's print queue \"%1\" does not exist in the print "
                                                 "service (CUPS), so no sticker can be printed. Ask IT to check that "
                                                 "the queue exists (lpstat -p)")
                                      .arg(kDownQueue);
        const QString notAnswering = QStringLiteral("The print service (CUPS) on this computer is not answering, so no "
                                                    "sticker can be printed. Ask IT to check that the CUPS service is "
                                                    "running");
        for (const char *when : {"before the run", "between two exams", "while the printer check waits"}) {
            QTest::addRow("queue deleted %s", when) << "queue deleted" << when << queueGone;
            QTest::addRow("cupsd stopped %s", when) << "cupsd stopped" << when << notAnswering;
        }
    }

    void printServiceMissing()
    {
        QFETCH(QString, fault);
        QFETCH(QString, when);
        QFETCH(QString, words);
        makeDefault(kDownQueue);
        const QString database = newDatabase();
        // The default bound: no fault here waits for it, and a busy machine's first
        // sticker never meets it.
        Counter counter(database, output::kDefaultTakeJobSeconds);
        QVERIFY(counter.show());
        // The patient before was printed: the program knows its printer.
        QVERIFY(counter.search(QString::fromLatin1(labdb::sample::obrienBBarcode)));
        counter.print();
        QVERIFY2(m_messages.isEmpty() && m_questions.isEmpty(), qPrintable((m_messages + m_questions).join(u'|')));
        const QStringList loggedBefore = loggedBarcodes(database);
        QVERIFY(counter.search(QString::fromLatin1(labdb::sample::obrienChargeslip)));
        const QStringList barcodes = counter.main.patient().Barcodes.mid(0, 5);

        bool done = false;
        const auto breakIt = [&] {
            if (done)
                return;
            done = true;
            QString error;
            if (fault == u"queue deleted") {
                QVERIFY2(m_cups.run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), kDownQueue}, error),
                         qPrintable(error));
            } else {
                m_schedulerStopped = true;
                m_cups.stop();
            }
        };
        QTimer watch;
        if (when == u"before the run") {
            breakIt();
        } else if (when == u"between two exams") {
            counter.client.afterCommit = breakIt;
        } else {
            // The printer is off, so the first exam's sticker waits in the queue: the
            // service goes while the run waits for the printer to take it.
            m_downSink.refuse();
            connect(&watch, &QTimer::timeout, this, [&] {
                if (!done && jobsWaiting(kDownQueue) > 0)
                    breakIt();
            });
            watch.start(10);
        }
        counter.print();
        watch.stop();
        QVERIFY(done);

        // Told once, in its own words: never as a printer setting or a missing default.
        QVERIFY(m_questions.isEmpty());
        QCOMPARE(m_messages.size(), 1);
        const QString message = m_messages.first();
        QVERIFY2(message.startsWith(words), qPrintable(message));
        QVERIFY2(!message.contains(QLatin1String("raw queue")) && !message.contains(QLatin1String("Language"))
                     && !message.contains(QLatin1String("No default printer")),
                 qPrintable(message));
        // Recorded: the exams whose stickers the printer took before the fault; the
        // exam under way is not, and stays checked with those not reached.
        const int recorded = when == u"between two exams" ? 1 : 0;
        QCOMPARE(loggedBarcodes(database), loggedBefore + barcodes.mid(0, recorded));
        QList<bool> checked(5, true);
        for (int i = 0; i < recorded; ++i)
            checked[i] = false;
        QCOMPARE(counter.checked(), checked);
        QVERIFY(counter.printButton()->isEnabled());
        QCOMPARE(counter.main.window.focusWidget(), counter.exams());
        if (when == u"before the run")
            return;
        QVERIFY2(message.contains(QStringLiteral("The stickers of %1 may not have been printed: %1 is not recorded "
                                                 "and stays checked")
                                      .arg(barcodes[recorded])),
                 qPrintable(message));
        // The journal never holds the exam under way as printed: nothing offers it for
        // recording later.
        QCOMPARE(counter.journalState(barcodes[recorded]), QStringLiteral("print failed"));
        if (recorded)
            QCOMPARE(counter.journalState(barcodes[0]), QStringLiteral("recorded"));
    }

    void defaultQueueGoneIsToldByName_data()
    {
        QTest::addColumn<QString>("how");     // how the program knows the default queue
        QTest::addColumn<QString>("message"); // the beginning of what it says once it is gone
        QTest::addRow("printed to before") << "printed"
                                           << "The label printer's print queue \"LabelGone\" does not exist";
        QTest::addRow("named in the user's lpoptions")
            << "lpoptions"
            << "The label printer's print queue \"LabelGone\" does not exist";
        QTest::addRow("never known: none set up") << "none"
                                                  << "No default printer is set up";
    }

    void defaultQueueGoneIsToldByName()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        const QString gone = QStringLiteral("LabelGone");
        QString error;
        QVERIFY2(m_cups.addQueue(gone, m_downSink.port(), kZebraDriver, {QStringLiteral("PageSize=w144h72")}, error),
                 qPrintable(error));
        makeDefault(gone);
        const QString lpoptions = QDir::home().filePath(QStringLiteral(".cups/lpoptions"));
        const auto removeLpoptions = qScopeGuard([&] { QFile::remove(lpoptions); });
        if (how == u"lpoptions") {
            QVERIFY(QDir::home().mkpath(QStringLiteral(".cups")));
            QFile file(lpoptions);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Default LabelGone\n") > 0);
        }
        LabelOutput output({QString(), {}, 1});
        if (how == u"printed")
            QCOMPARE(output.printerProblem(), QString());
        QVERIFY2(m_cups.run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), gone}, error), qPrintable(error));

        const QString problem = output.printerProblem();
        QVERIFY2(problem.startsWith(message), qPrintable(problem));
    }

    void printingToFilesNeverAsksThePrinter()
    {
        // --print-to: stopped or not, the printer is not the destination.
        makeDefault(kRawQueue);
        LabelOutput toFiles({m_work.path(), {}});
        QCOMPARE(toFiles.printerProblem(), QString());
        LabelOutput toPrinter;
        QVERIFY(!toPrinter.printerProblem().isEmpty());
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestCupsPrint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cupsprint.moc"
