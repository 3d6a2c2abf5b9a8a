// Stickers through CUPS as a label printer receives them. A scheduler of the test's
// own (PrivateCups, never as root) has two queues, each sending to a socket that keeps
// every job's bytes (LabelSink), as a 9100-style network printer would receive them:
//  - LabelZPL: the stock Zebra ZPL driver, 203 dpi, 2 x 1 in;
//  - LabelRaw: a raw queue, no driver, printed to as ZPL by the settings;
//  - LabelPWG: the Zebra driver's PPD turned into a driverless queue's (it takes PWG
//    raster and passes it on as it is), as an IPP Everywhere printer would receive it.
// The bytes are decoded back to the label's dots (the ~DG or ^GFA graphic, or the PWG
// raster) and read with a barcode reader (zbarimg).

#include "common/mainwindow.h"
#include "common/privatecups.h"
#include "common/windowcontrols.h"
#include "common/zbar.h"
#include "common/zpldecoder.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "label/labeldots.h"
#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "output/cupsprintsystem.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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

int jobsOnScheduler(const QString &queue)
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(n, jobs);
    return n;
}

} // namespace

class TestCupsPrint : public QObject
{
    Q_OBJECT

private:
    PrivateCups m_cups;
    LabelSink m_driverSink;
    LabelSink m_rawSink;
    LabelSink m_pwgSink;
    QTemporaryDir m_work;

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

    void cleanup()
    {
        QString error;
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
