// The report engine, the label template reader, the drawing of labels, the PDF output
// and the label job. Printing tests write PDF files into a temporary folder; none uses
// a real printer. Barcodes are checked the way a lab would: by a barcode reader
// (zbarimg) on the rendered image and on the PDF rasterised by pdftoppm.

#include "common/fileopens.h"
#include "common/zbar.h"
#include "common/zpldecoder.h"
#include "label/labeldots.h"
#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "label/labeltemplate.h"
#include "label/templatereader.h"
#include "output/labeloutput.h"
#include "output/zplwriter.h"
#include "report/modmain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace label;
using namespace output;
using namespace report;

namespace {

const QString kSevenFields = QStringLiteral("label width=50.8 height=25.4\n"
                                            "field name=Barcode default=B0\n"
                                            "field name=PatientName default=P0\n"
                                            "field name=HospNum default=H0\n"
                                            "field name=Instrument default=I0\n"
                                            "field name=Transdate default=T0\n"
                                            "field name=RoomID default=R0\n"
                                            "field name=AgeSex default=A0\n");

QVariantList sevenValues(const QString &barcode = QStringLiteral("LAB123"))
{
    return {barcode,
            QStringLiteral("DOE, JANE"),
            QStringLiteral("H-1"),
            QStringLiteral("CHEM"),
            QStringLiteral("12/10/2026"),
            QString(),
            QStringLiteral("30/F")};
}

QString shippedTemplate()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/LabBarcodeLabel.rpt");
}

// A label that is only one barcode across the full 2-inch width.
QString barcodeOnly(const QString &extra = QString())
{
    return QStringLiteral("label width=50.8 height=25.4\nfield name=Barcode default=X\n"
                          "barcode x=0 y=2 width=50.8 field=Barcode bar-height=12 %1\n")
        .arg(extra);
}

// Dark pixels, with a little tolerance for anti-aliased text edges.
bool isDark(QRgb p)
{
    return qGray(p) < 160;
}

// The label as the printer prints it (every dot on or off), with only one of its
// items drawn.
QImage printedDots(const Label &full, LabelTemplate::ItemKind kind, int index, double dpi)
{
    Label alone = full;
    alone.labelTemplate.order = {LabelTemplate::ItemRef{kind, index}};
    return LabelRenderer(alone, dpi).toImage(true).convertToFormat(QImage::Format_RGB32);
}

// The dots of a box given in millimetres that lie more than one dot inside its
// edges: ink outside them means a glyph touches (or was cut at) the box's edge.
QRect innerDots(const QRectF &mm, double dpi)
{
    const double k = dpi / 25.4;
    const int left = int(std::ceil(mm.left() * k + 0.5));
    const int top = int(std::ceil(mm.top() * k + 0.5));
    const int right = int(std::floor(mm.right() * k - 1.5));
    const int bottom = int(std::floor(mm.bottom() * k - 1.5));
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Ink outside the area, as "x,y" of the first such dot; empty when there is none.
// Also counts the ink inside.
QString inkOutside(const QImage &image, const QRect &area, int &inside)
{
    inside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                if (!area.contains(x, y))
                    return QStringLiteral("%1,%2").arg(x).arg(y);
                ++inside;
            }
    return QString();
}

// Strokes a single dot wide, which a thermal head prints faint or not at all: three
// or more dots in a line (down, across or diagonal) each of which has no ink beside
// it across the line. A lone dot at a curve's end is no stroke.
int oneDotStrokes(const QImage &image)
{
    const auto ink = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < 128;
    };
    const auto thinAcross = [&](int x, int y) { return ink(x, y) && !ink(x - 1, y) && !ink(x + 1, y); };
    const auto thinDown = [&](int x, int y) { return ink(x, y) && !ink(x, y - 1) && !ink(x, y + 1); };
    const auto thinBoth = [&](int x, int y) { return thinAcross(x, y) && thinDown(x, y); };
    int strokes = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            // Counted at the stroke's first dot.
            if (thinAcross(x, y) && thinAcross(x, y + 1) && thinAcross(x, y + 2) && !thinAcross(x, y - 1))
                ++strokes;
            if (thinDown(x, y) && thinDown(x + 1, y) && thinDown(x + 2, y) && !thinDown(x - 1, y))
                ++strokes;
            for (int dx : {-1, 1})
                if (thinBoth(x, y) && thinBoth(x + dx, y + 1) && thinBoth(x + 2 * dx, y + 2)
                    && !thinBoth(x - dx, y - 1))
                    ++strokes;
        }
    return strokes;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_fileNo = 0;

    QString writeTemplate(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("t%1.rpt").arg(++m_fileNo));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write fixture");
        return path;
    }
    QString writeTemplate(const QString &content) { return writeTemplate(content.toUtf8()); }

    QStringList pdfsIn(const QString &dir) const
    {
        return QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

    // The label output and the report module under test: labels to PDF files in
    // folder, or to the default printer when it is empty; the label job's template is
    // labelTemplate, or the shipped one found beside the program when that is empty.
    std::unique_ptr<LabelOutput> m_output;
    std::unique_ptr<modMain> m_labels;

    void printTo(const QString &folder, const QString &labelTemplate = QString())
    {
        m_labels.reset();
        m_output = std::make_unique<LabelOutput>(LabelOutput::Destination{folder, {}});
        m_labels = std::make_unique<modMain>(*m_output, labelTemplate);
    }

    std::unique_ptr<Report> &CurrentReport() { return m_labels->CurrentReport(); }
    void OpenReport(const QString &path, const QVariantList &values) { m_labels->OpenReport(path, values); }
    void ShowReport(bool showGroupTree, const QString &caption, bool directPrint)
    {
        m_labels->ShowReport(showGroupTree, caption, directPrint);
    }
    void setReportViewer(modMain::ReportViewer viewer) { m_labels->setReportViewer(std::move(viewer)); }
    void printLabelCopies(const QString &path, const QVariantList &values, qint16 copies)
    {
        m_labels->printLabelCopies(path, values, copies);
    }

private Q_SLOTS:
    void initTestCase()
    {
        printTo(QString());
        QVERIFY(m_dir.isValid());
        for (const char *tool : {"zbarimg", "pdftoppm", "pdfinfo", "pdfimages"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                     qPrintable(QStringLiteral("%1 is needed (zbar-tools, poppler-utils)").arg(QLatin1String(tool))));
    }

    // Every test (and data function) starts on a fresh module, printing to the default printer.
    void cleanup() { printTo(QString()); }

    // ---- Values reach fields by position only -------------------------------------

    void parameterMatching_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<int>("touched");

        const QString three = QStringLiteral("label width=50 height=25\nfield name=Z default=z\n"
                                             "field name=Barcode default=y\nfield name=A default=x\n");
        QTest::newRow("fewer fields than values: first values in order, rest ignored")
            << three << sevenValues() << QStringList{"LAB123", "DOE, JANE", "H-1"} << 3;
        QTest::newRow("more fields than values: later fields keep their defaults")
            << QString(kSevenFields + "field name=Extra1 default=E1\nfield name=Extra2 default=E2\n") << sevenValues()
            << QStringList{"LAB123", "DOE, JANE", "H-1", "CHEM", "12/10/2026", "", "30/F", "E1", "E2"} << 7;
        QTest::newRow("empty list: fields not touched")
            << kSevenFields << QVariantList{} << QStringList{"B0", "P0", "H0", "I0", "T0", "R0", "A0"} << 0;
        QTest::newRow("names never matter: a field named like another value")
            << QStringLiteral("label width=50 height=25\nfield name=AgeSex default=q\n") << sevenValues()
            << QStringList{"LAB123"} << 1;
        QTest::newRow("template without fields")
            << QStringLiteral("label width=50 height=25\n") << sevenValues() << QStringList{} << 0;
    }

    void parameterMatching()
    {
        QFETCH(QString, fields);
        QFETCH(QVariantList, values);
        QFETCH(QStringList, printed);
        QFETCH(int, touched);

        OpenReport(writeTemplate(fields), values);
        QVERIFY(CurrentReport());
        QCOMPARE(CurrentReport()->reportTitle(), QStringLiteral("Barcode Label Printing"));
        QStringList got;
        int given = 0;
        for (const ParameterField &f : CurrentReport()->parameterFields()) {
            got << f.value();
            given += f.hasCurrentValue() ? 1 : 0;
        }
        QCOMPARE(got, printed);
        QCOMPARE(given, touched);
    }

    void refusedValueLeavesReportOpen()
    {
        // A value that is not text fails the walk; the opened report stays in
        // CurrentReport until the next OpenReport releases it.
        QVERIFY_THROWS_EXCEPTION(LabelError, OpenReport(writeTemplate(kSevenFields), {QVariant(QVariantList{1, 2})}));
        QVERIFY(CurrentReport());
        OpenReport(writeTemplate(kSevenFields), {QStringLiteral("next")});
        QCOMPARE(CurrentReport()->fieldValue(0), QStringLiteral("next"));
    }

    // ---- OpenReport, ShowReport and CurrentReport ----------------------------------

    void openReleasesEarlierReportEvenWhenOpenFails()
    {
        OpenReport(writeTemplate(kSevenFields), sevenValues());
        QVERIFY(CurrentReport());
        try {
            OpenReport(m_dir.filePath(QStringLiteral("absent.rpt")), sevenValues());
            QFAIL("opening a missing file succeeded");
        } catch (const LabelError &e) {
            QVERIFY2(e.description().contains(QLatin1String("absent.rpt")), qPrintable(e.description()));
        }
        QVERIFY(!CurrentReport());
    }

    void failedPrintKeepsReportUntilNextOpen()
    {
        QTemporaryDir out;
        printTo(out.path());
        OpenReport(writeTemplate(barcodeOnly()), {QString()});
        QVERIFY_THROWS_EXCEPTION(LabelError, ShowReport(false, QString(), true));
        QVERIFY(CurrentReport()); // the print failed: the report is still held
        QVERIFY(pdfsIn(out.path()).isEmpty());
        OpenReport(writeTemplate(barcodeOnly()), {QStringLiteral("OK1")});
        QCOMPARE(CurrentReport()->fieldValue(0), QStringLiteral("OK1"));
        ShowReport(true, QStringLiteral("ignored"), true);
        QVERIFY(!CurrentReport());
        QCOMPARE(pdfsIn(out.path()), QStringList{"0001-OK1.pdf"});
    }

    void showReportPaths()
    {
        QVERIFY_THROWS_EXCEPTION(LabelError, ShowReport(false, QStringLiteral("x"), true)); // nothing open

        // Viewing path: handed to the viewer, which owns the release.
        OpenReport(writeTemplate(kSevenFields), {});
        QVERIFY_THROWS_EXCEPTION(LabelError, CurrentReport()->printOut(true)); // no dialogs in this engine
        QVERIFY_THROWS_EXCEPTION(LabelError, ShowReport(false, QStringLiteral("View"), false));
        QString caption;
        bool tree = false;
        const Report *seen = nullptr;
        setReportViewer([&](bool showGroupTree, const QString &c) {
            tree = showGroupTree;
            caption = c;
            seen = CurrentReport().get();
            CurrentReport().reset(); // as the window does when it closes
        });
        ShowReport(true, QStringLiteral("Print Barcode Sticker"), false);
        QCOMPARE(caption, QStringLiteral("Print Barcode Sticker"));
        QVERIFY(tree);
        QVERIFY(seen);
        QVERIFY(!CurrentReport());
    }

    // ---- The label job ------------------------------------------------------------

    void labelJobCopies_data()
    {
        QTest::addColumn<int>("copies");
        QTest::newRow("0: nothing opened or printed") << 0;
        QTest::newRow("-5: nothing opened or printed") << -5;
        QTest::newRow("1") << 1;
        QTest::newRow("3: three jobs, template read three times") << 3;
    }

    void labelJobCopies()
    {
        QFETCH(int, copies);
        QTemporaryDir out;
        // A copy of the shipped template of this test's own: no other test (run at the
        // same time) opens it.
        const QString labelTemplate = out.filePath(QStringLiteral("LabBarcodeLabel.rpt"));
        QVERIFY(QFile::copy(labelTemplatePath(), labelTemplate));
        printTo(out.filePath(QStringLiteral("labels")), labelTemplate);
        testsupport::FileOpens templateOpens(labelTemplate);
        QVERIFY(templateOpens.isValid());
        const qint16 n = qint16(copies);
        m_labels->PrintBarcodeLabel(QStringLiteral("24121000"), QStringLiteral("DOE, JANE"), QStringLiteral("H-1"),
                                    QStringLiteral("CHEM"), QStringLiteral("12/10/2026"), QString(),
                                    QStringLiteral("30/F"), n);
        const int expected = std::max(0, copies);
        QCOMPARE(templateOpens.count(), expected);
        QStringList names;
        for (int i = 1; i <= expected; ++i)
            names << QStringLiteral("%1-24121000.pdf").arg(i, 4, 10, QChar(u'0'));
        QCOMPARE(pdfsIn(out.filePath(QStringLiteral("labels"))), names);
        QVERIFY(!CurrentReport());
    }

    void labelJobStopsAtFailingCopy()
    {
        // An empty barcode cannot make a sticker: the job fails, nothing is written,
        // and the error reaches the caller as it is.
        QTemporaryDir out;
        printTo(out.path());
        try {
            m_labels->PrintBarcodeLabel(QString(), QStringLiteral("DOE"), QString(), QString(), QString(), QString(),
                                        QString(), 2);
            QFAIL("an empty barcode printed");
        } catch (const LabelError &e) {
            QVERIFY2(e.description().contains(QLatin1String("empty")), qPrintable(e.description()));
        }
        QVERIFY(pdfsIn(out.path()).isEmpty());
    }

    void shippedTemplate_()
    {
        OpenReport(shippedTemplate(), {});
        const Report &r = *CurrentReport();
        QStringList names;
        for (const ParameterField &f : r.parameterFields())
            names << f.name();
        QCOMPARE(names,
                 (QStringList{"Barcode", "PatientName", "HospNum", "Instrument", "Transdate", "RoomID", "AgeSex"}));
        QCOMPARE(r.labelTemplate().width, 50.8);
        QCOMPARE(r.labelTemplate().height, 25.4);
    }

    // ---- Where the template is looked for ------------------------------------------

    void systemConfigDirectory_data()
    {
        // As GNUInstallDirs makes the configuration folder of a prefix.
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("sysconfdir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("/usr: /etc") << "/usr"
                                    << "etc"
                                    << "/etc";
        QTest::newRow("/: /etc") << "/"
                                 << "etc"
                                 << "/etc";
        QTest::newRow("/opt/<name>: /etc/opt/<name>") << "/opt/norvane"
                                                      << "etc"
                                                      << "/etc/opt/norvane";
        QTest::newRow("/usr/local: its own") << "/usr/local"
                                             << "etc"
                                             << "/usr/local/etc";
        QTest::newRow("a prefix of one's own") << "/home/it/norvane/"
                                               << "etc"
                                               << "/home/it/norvane/etc";
        QTest::newRow("an absolute sysconfdir") << "/usr"
                                                << "/srv/config"
                                                << "/srv/config";
    }

    void systemConfigDirectory()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, sysconfdir);
        QFETCH(QString, expected);
        QCOMPARE(report::systemConfigDirectory(prefix, sysconfdir), expected);
    }

    void templateLookupOrder()
    {
        // An installation under a prefix of its own: the laboratory's copy in
        // <prefix>/etc/norvane first, then beside the program, then the shipped one.
        QTemporaryDir root;
        const QString bin = root.filePath("prefix/bin");
        const QList<report::TemplateCandidate> candidates = report::labelTemplateCandidates(bin);
        QCOMPARE(candidates.size(), 3);
        QCOMPARE(candidates.at(0).place, report::TemplatePlace::Laboratory);
        QCOMPARE(candidates.at(0).path, root.filePath("prefix/etc/norvane/LabBarcodeLabel.rpt"));
        QCOMPARE(candidates.at(1).place, report::TemplatePlace::BesideProgram);
        QCOMPARE(candidates.at(1).path, root.filePath("prefix/bin/LabBarcodeLabel.rpt"));
        QCOMPARE(candidates.at(2).place, report::TemplatePlace::Shipped);
        QCOMPARE(candidates.at(2).path, root.filePath("prefix/share/norvane/LabBarcodeLabel.rpt"));

        for (const report::TemplateCandidate &candidate : candidates) {
            QVERIFY(QDir().mkpath(QFileInfo(candidate.path).path()));
            QVERIFY(QFile::copy(shippedTemplate(), candidate.path));
        }
        // Each found in turn as the ones before it go.
        for (const report::TemplateCandidate &candidate : candidates) {
            const report::LabelTemplateLookup lookup = report::findLabelTemplate(bin);
            QVERIFY(lookup.found);
            QCOMPARE(lookup.path, candidate.path);
            QCOMPARE(lookup.place, candidate.place);
            QCOMPARE(report::describeLabelTemplate(lookup),
                     candidate.path + " (" + report::describeTemplatePlace(candidate.place) + ")");
            QVERIFY(QFile::remove(candidate.path));
        }
        // None: the place beside the program, which the failure to open it names.
        const report::LabelTemplateLookup none = report::findLabelTemplate(bin);
        QVERIFY(!none.found);
        QCOMPARE(none.path, candidates.at(1).path);
        QCOMPARE(report::describeLabelTemplate(none),
                 "none found (looked for " + candidates.at(0).path + ", " + candidates.at(1).path + " and "
                     + candidates.at(2).path + ")");
    }

    // ---- PDF output -----------------------------------------------------------------

    void pdfFilesKeepOrderAndNeverOverwrite()
    {
        QTemporaryDir out;
        QFile old(out.filePath(QStringLiteral("0007-earlier.pdf")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("kept");
        old.close();
        printTo(out.path());
        printLabelCopies(writeTemplate(barcodeOnly()), {QStringLiteral("A/B 1:x")}, 1);
        printLabelCopies(writeTemplate(barcodeOnly()), {QStringLiteral("..9")}, 1);
        QCOMPARE(pdfsIn(out.path()), (QStringList{"0007-earlier.pdf", "0008-A_B_1_x.pdf", "0009-_.9.pdf"}));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("kept"));

        // Page size (2 x 1 inch = 144 x 72 pt) and the document title.
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {out.filePath(QStringLiteral("0008-A_B_1_x.pdf"))});
        QVERIFY(info.waitForFinished(20000));
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains(QLatin1String("Barcode Label Printing")), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Page size:\\s+144(\\.0+)? x 72(\\.0+)? pts"))),
                 qPrintable(text));
    }

    void pdfCarriesTheLabelDots()
    {
        // The PDF holds the label exactly as the 203-dpi printer prints it: one lossless
        // image of the label's dots on a 2 x 1 inch page, equal dot for dot to the label
        // drawn into an image.
        QTemporaryDir out;
        printTo(out.path());
        OpenReport(shippedTemplate(), sevenValues(QStringLiteral("AbCdEf12xY")));
        const QImage expected =
            LabelRenderer(CurrentReport()->asLabel(), 203).toImage(true).convertToFormat(QImage::Format_RGB32);
        ShowReport(false, QString(), true);
        const QStringList pdfs = pdfsIn(out.path());
        QCOMPARE(pdfs.size(), 1);
        QCOMPARE(QProcess::execute(
                     QStringLiteral("pdfimages"),
                     {QStringLiteral("-png"), out.filePath(pdfs.first()), out.filePath(QStringLiteral("img"))}),
                 0);
        const QStringList images = QDir(out.path()).entryList({QStringLiteral("img*.png")});
        QCOMPARE(images.size(), 1);
        const QImage dots = QImage(out.filePath(images.first())).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(dots.size(), QSize(406, 203));
        int differ = 0;
        for (int y = 0; y < dots.height(); ++y)
            for (int x = 0; x < dots.width(); ++x)
                differ += dots.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
        QCOMPARE(differ, 0);
    }

    void unwritableFolderIsAnError()
    {
        QTemporaryDir out;
        QFile blocker(out.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        printTo(out.filePath(QStringLiteral("file/sub")));
        OpenReport(writeTemplate(barcodeOnly()), {QStringLiteral("A1")});
        QVERIFY_THROWS_EXCEPTION(LabelError, ShowReport(false, QString(), true));
    }

    void noDefaultPrinterIsAnError()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer; the test never prints to a real one");
        printTo(QString());
        OpenReport(writeTemplate(barcodeOnly()), {QStringLiteral("A1")});
        try {
            ShowReport(false, QString(), true);
            QFAIL("printed without a default printer");
        } catch (const LabelError &e) {
            // A print service that does not answer is told as such (tst_report_no_printer
            // points CUPS at nothing), never as a missing default printer.
            const QString why = e.description();
            if (qEnvironmentVariable("CUPS_SERVER") == u"/nonexistent/cups.sock")
                QVERIFY2(why.startsWith(QLatin1String("The print service (CUPS) on this computer is not answering")),
                         qPrintable(why));
            else
                QVERIFY2(
                    why.contains(QLatin1String("No default printer"))
                        || why.contains(QLatin1String("The print service (CUPS) on this computer is not answering")),
                    qPrintable(why));
        }
    }

    // ---- Broken templates -----------------------------------------------------------

    void brokenTemplates_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");

        const QByteArray label = "label width=50.8 height=25.4\nfield name=B\n";
        QTest::newRow("empty file") << QByteArray() << "the label size is missing";
        QTest::newRow("missing size") << QByteArray("field name=B\ntext x=1 y=1 width=5 height=3 field=B\n")
                                      << "the label size is missing";
        QTest::newRow("missing height") << QByteArray("label width=50\n")
                                        << "line 1: the setting \"height\" is missing";
        QTest::newRow("unknown item kind") << label + "circle x=1\n"
                                           << "line 3: unknown item kind \"circle\"";
        QTest::newRow("bad number") << label + "text x=1,5 y=1 width=5 height=3 field=B\n"
                                    << "line 3: \"1,5\" is not a number (setting \"x\")";
        QTest::newRow("nan") << QByteArray("label width=nan height=2\n") << "line 1: \"nan\" is not a number";
        QTest::newRow("negative size") << QByteArray("label width=-5 height=20\n")
                                       << "line 1: width = -5 is out of range";
        QTest::newRow("unknown setting") << label + "text x=1 y=1 width=5 height=3 field=B colour=red\n"
                                         << "line 3: unknown setting \"colour\" for text";
        QTest::newRow("not key=value") << label + "text x=1 y 1\n"
                                       << "line 3: \"y\" is not a setting";
        QTest::newRow("unclosed quote") << label + "text x=1 y=1 width=5 height=3 text=\"abc\n"
                                        << "line 3: the quoted value of \"text\" has no closing quote";
        QTest::newRow("unknown field") << label + "text x=1 y=1 width=5 height=3 field=Nope\n"
                                       << "line 3: no field named \"Nope\"";
        QTest::newRow("unknown field in text") << label + "text x=1 y=1 width=5 height=3 text=\"Rm {Room}\"\n"
                                               << "line 3: no field named \"Room\"";
        QTest::newRow("unclosed brace") << label + "text x=1 y=1 width=5 height=3 text=\"Rm {B\"\n"
                                        << "without its \"}\"";
        QTest::newRow("text without source") << label + "text x=1 y=1 width=5 height=3\n"
                                             << "line 3: the setting \"field\" or \"text\" is missing";
        QTest::newRow("duplicate field") << label + "field name=B\n"
                                         << "line 3: the field \"B\" is declared twice";
        QTest::newRow("duplicate setting") << QByteArray("label width=5 width=6 height=5\n") << "given twice";
        QTest::newRow("label twice") << label + "label width=10 height=10\n"
                                     << "line 3: the label size is given twice";
        QTest::newRow("unknown symbology") << label + "barcode x=0 y=0 width=50 field=B symbology=ean99\n"
                                           << "line 3: unknown symbology \"ean99\"";
        QTest::newRow("bad alignment") << label + "text x=1 y=1 width=5 height=3 field=B align=middle\n"
                                       << "line 3: \"middle\" is not a valid align";
        QTest::newRow("bad hide-when-empty") << label + "text x=1 y=1 width=5 height=3 field=B hide-when-empty=yes\n"
                                             << "line 3: \"yes\" is not a valid hide-when-empty (use off, on)";
        QTest::newRow("bad hrt-weight") << label + "barcode x=0 y=0 width=50 field=B hrt-weight=heavy\n"
                                        << "line 3: \"heavy\" is not a valid hrt-weight";
        QTest::newRow("barcode without field") << label + "barcode x=0 y=0 width=50\n"
                                               << "line 3: the setting \"field\" is missing for barcode";
        QTest::newRow("item beyond the label") << label + "text x=40 y=1 width=20 height=3 field=B\n"
                                               << "line 3: the item reaches beyond the 50.8 x 25.4 mm label";
        QTest::newRow("barcode text below the label")
            << label + "barcode x=0 y=14 width=50 field=B bar-height=10 hrt=on\n"
            << "line 3: the item reaches beyond";
        QTest::newRow("not UTF-8") << QByteArray("label width=50 height=25\nfield name=\xff\xfe\n")
                                   << "not a UTF-8 text file";
        QTest::newRow("binary junk") << QByteArray("\x00\x01\x02garbage", 10) << "unknown item kind";
    }

    void brokenTemplates()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        const QString path = writeTemplate(content);
        try {
            OpenReport(path, sevenValues());
            QFAIL("a broken template was accepted");
        } catch (const LabelError &e) {
            QVERIFY2(e.description().contains(QFileInfo(path).fileName()), qPrintable(e.description()));
            QVERIFY2(e.description().contains(error), qPrintable(e.description()));
        }
        QVERIFY(!CurrentReport());
    }

    void unreadableTemplateFiles()
    {
        QVERIFY_THROWS_EXCEPTION(LabelError, OpenReport(m_dir.path(), {})); // a folder
        const QString big = writeTemplate(QByteArray(300 * 1024, '#'));
        try {
            OpenReport(big, {});
            QFAIL("an oversized file was read");
        } catch (const LabelError &e) {
            QVERIFY2(e.description().contains(QLatin1String("larger than")), qPrintable(e.description()));
        }
    }

    void commentsQuotesAndBlankLines()
    {
        OpenReport(writeTemplate(QStringLiteral("\r\n# comment\n  label width=50 height=25 # trailing\r\n"
                                                "field name=N default=\"a \\\"b\\\" # c\"\n")),
                   {});
        QCOMPARE(CurrentReport()->fieldValue(0), QStringLiteral("a \"b\" # c"));
    }

    // ---- ZPL for raw label printers ---------------------------------------------------

    void zplCarriesTheDots_data()
    {
        QTest::addColumn<QImage>("image");
        auto blank = [](int w, int h) {
            QImage image(w, h, QImage::Format_RGB32);
            image.fill(Qt::white);
            return image;
        };
        QImage black = blank(406, 12);
        black.fill(Qt::black);
        // Stripes of growing width, then runs of 1000 hex digits, longer than one repeat
        // code says (419).
        QImage runs = blank(4800, 8);
        {
            QPainter p(&runs);
            int x = 0;
            for (int w = 1; x < runs.width(); w = w * 3 / 2 + 1, x += 2 * w)
                p.fillRect(x, 0, w, 3, Qt::black);
            p.fillRect(0, 4, 4800, 1, Qt::black);
            p.fillRect(0, 5, 4000, 1, Qt::black); // 1000 F digits, then white
            p.fillRect(4000, 6, 8, 1, Qt::black); // 1000 0 digits, then black
        }
        // 13 dots wide (a row ends inside a byte), a dot at each corner, rows repeated.
        QImage ragged = blank(13, 9);
        for (const QPoint &pt : {QPoint(0, 0), QPoint(12, 0), QPoint(0, 8), QPoint(12, 8)})
            ragged.setPixel(pt, qRgb(0, 0, 0));
        OpenReport(shippedTemplate(), sevenValues(QStringLiteral("T1000001C")));
        const QImage sticker = LabelRenderer(CurrentReport()->asLabel(), 300).toImage(true);
        CurrentReport().reset();
        QTest::newRow("all white") << blank(406, 12);
        QTest::newRow("all black") << black;
        QTest::newRow("runs longer than one repeat code") << runs;
        QTest::newRow("ragged width, repeated rows") << ragged;
        QTest::newRow("the shipped sticker at 300 dpi") << sticker;
    }

    void zplCarriesTheDots()
    {
        QFETCH(QImage, image);
        const LabelDots dots = LabelDots::fromImage(image);
        const QByteArray zpl = ZplWriter::label(dots);
        QVERIFY(zpl.startsWith("^XA"));
        QVERIFY(zpl.trimmed().endsWith("^XZ"));
        QVERIFY(zpl.contains("^PW" + QByteArray::number(image.width()) + '\n'));
        const QList<QImage> graphics = testsupport::zplGraphics(zpl);
        QCOMPARE(graphics.size(), 1);
        const QImage &g = graphics.first();
        QCOMPARE(g.size(), QSize(dots.bytesPerRow * 8, image.height()));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < g.width(); ++x) {
                const bool expected = x < image.width() && qGray(image.pixel(x, y)) < 128;
                if ((g.pixelIndex(x, y) == 1) != expected)
                    QFAIL(qPrintable(QStringLiteral("dot %1,%2 differs").arg(x).arg(y)));
            }
        // Compressed: never longer than the plain hex it stands for.
        QVERIFY(ZplWriter::compressedHex(dots).size() <= dots.bits.size() * 2);
    }

    void zplCompressionExample()
    {
        QImage row(48, 1, QImage::Format_RGB32);
        row.fill(Qt::white);
        for (int x = 16; x < 24; ++x)
            row.setPixel(x, 0, qRgb(0, 0, 0));
        QCOMPARE(ZplWriter::compressedHex(LabelDots::fromImage(row)), QByteArray("J0HF,"));
    }

    // ---- Barcodes that scan -----------------------------------------------------------

    void barcodesDecode_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("output");
        const QStringList values{QStringLiteral("A1"),         QStringLiteral("12345678901234567890"),
                                 QStringLiteral("2412100042"), QStringLiteral("AbCdEf12xY"),
                                 QStringLiteral("LAB 1234 X"), QStringLiteral("Ab3dEf7hIj1Lm")};
        const QStringList rows{"short",      "20 digits",    "digits only",
                               "mixed case", "with a blank", "13 mixed: widest that fits"};
        for (const QString &output : {QStringLiteral("image 203"), QStringLiteral("image 300"), QStringLiteral("pdf")})
            for (int i = 0; i < values.size(); ++i)
                QTest::addRow("%s, %s", qPrintable(rows.at(i)), qPrintable(output)) << values.at(i) << output;
    }

    void barcodesDecode()
    {
        QFETCH(QString, value);
        QFETCH(QString, output);
        QTemporaryDir out;
        QString png = out.filePath(QStringLiteral("label.png"));
        if (output == u"pdf") {
            printTo(out.path());
            printLabelCopies(shippedTemplate(), sevenValues(value), 1);
            const QStringList pdfs = pdfsIn(out.path());
            QCOMPARE(pdfs.size(), 1);
            QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"),
                                       {QStringLiteral("-r"), QStringLiteral("203"), QStringLiteral("-mono"),
                                        QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                        out.filePath(pdfs.first()), out.filePath(QStringLiteral("label"))}),
                     0);
        } else {
            OpenReport(shippedTemplate(), sevenValues(value));
            const QImage image = LabelRenderer::renderImage(CurrentReport()->asLabel(), output.mid(6).toDouble());
            QVERIFY(image.save(png));
        }
        QCOMPARE(testsupport::zbarDecode(png), value);
    }

    void unprintableBarcodes_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("20 mixed characters do not fit at 2 dots")
            << QStringLiteral("AbCdEfGhIjKlMnOpQrSt") << QStringLiteral("is too long to fit on the sticker");
        QTest::newRow("character Code 128 cannot carry")
            << QStringLiteral("LAB\u03A9")
            << QStringLiteral("has the character \"\u03A9\", which a barcode sticker cannot carry");
        // Code 128 would print these through its extended set, and a scanner reads
        // them back as other characters: "PEÑA01" as "PEQA01".
        QTest::newRow("accented letter") << QStringLiteral("PE\u00D1A01")
                                         << QStringLiteral("has the character \"\u00D1\", which a barcode sticker");
        QTest::newRow("Latin-1 sign") << QStringLiteral("A\u00B012")
                                      << QStringLiteral("which a barcode sticker cannot carry");
        QTest::newRow("tab") << QStringLiteral("A\t12") << QStringLiteral("has an invisible character");
        QTest::newRow("delete character")
            << QStringLiteral("A\u007F12") << QStringLiteral("has an invisible character");
        QTest::newRow("empty") << QString() << QStringLiteral("is empty");
        QTest::newRow("blanks only") << QStringLiteral("   ") << QStringLiteral("holds only blanks");
    }

    void unprintableBarcodes()
    {
        // The job fails before any file is made, rather than print a clipped or
        // unreadable barcode.
        QFETCH(QString, value);
        QFETCH(QString, error);
        QTemporaryDir out;
        printTo(out.path());
        try {
            printLabelCopies(shippedTemplate(), sevenValues(value), 1);
            QFAIL("an unprintable barcode printed");
        } catch (const LabelError &e) {
            QVERIFY2(e.description().contains(error), qPrintable(e.description()));
        }
        QVERIFY(pdfsIn(out.path()).isEmpty());
        OpenReport(shippedTemplate(), sevenValues(value)); // drawing an image fails the same way
        QVERIFY_THROWS_EXCEPTION(LabelError, LabelRenderer::renderImage(CurrentReport()->asLabel(), 203));
    }

    void barsAreWholeDotsWithQuietZones_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("moduleDots");
        QTest::newRow("203 dpi: 2 dots") << 203.0 << 2;
        QTest::newRow("300 dpi: 3 dots") << 300.0 << 3;
        QTest::newRow("600 dpi: 6 dots") << 600.0 << 6;
    }

    void barsAreWholeDotsWithQuietZones()
    {
        QFETCH(double, dpi);
        QFETCH(int, moduleDots);
        OpenReport(writeTemplate(barcodeOnly(QStringLiteral("hrt=off quiet=10"))), {QStringLiteral("Ab3dEf7hIj1Lm")});
        const QImage image = LabelRenderer::renderImage(CurrentReport()->asLabel(), dpi);
        const int y = int(7 * dpi / 25.4); // through the bars
        QList<int> runs;
        int first = -1, last = -1, run = 0;
        bool dark = false;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            QVERIFY2(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255), "a grey pixel: bars are antialiased");
            const bool d = p == qRgb(0, 0, 0);
            if (d) {
                last = x;
                if (first < 0)
                    first = x;
            }
            if (x > 0 && d != dark && first >= 0 && x - 1 >= first) {
                runs << run;
                run = 0;
            }
            dark = d;
            run += first >= 0 ? 1 : 0;
        }
        QVERIFY(!runs.isEmpty());
        for (int r : runs)
            QVERIFY2(r % moduleDots == 0, qPrintable(QStringLiteral("a run of %1 dots").arg(r)));
        QVERIFY(first >= 10 * moduleDots);
        QVERIFY(image.width() - 1 - last >= 10 * moduleDots);
    }

    // ---- The shipped sticker with awkward values ----------------------------------

    void stickerWithAwkwardValues_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QVariantList>("values");
        const QString longName = QStringLiteral(
            "WOLFESCHLEGELSTEINHAUSENBERGERDORFF-PEÑALOZA, HUBERT BLAINE MARÍA DE LOS SANTOS"); // 79 characters
        const struct
        {
            const char *name;
            QVariantList values;
        } rows[] = {
            {"descenders",
             {"T1000001C", "QUIGLEY-PAYNE, GYPSY JOY", "00123456", "Glycosylated Hgb, Typing", "12/10/2026 8:15:00 AM",
              "Peds-gyn", "45/F"}},
            {"accents",
             {"CS2024", QStringLiteral("PEÑA, JOSÉ ÁNGEL ÑÚÑEZ"), QStringLiteral("HÉ-0042"),
              QStringLiteral("Hématologie Ç"), "12/31/2026 12:59:59 PM", QStringLiteral("ÉR-3"), "7/M"}},
            {"empty room and hospital number",
             {"200000001", "O'BRIEN, MARGARET", "", "CHEMISTRY", "1/2/2026 9:05:00 AM", "", "80/F"}},
            {"blank room and hospital number",
             {"3000001B", "DOE, JOHN", "   ", "URINALYSIS", "1/2/2026 9:05:00 AM", " ", "/"}},
            {"long values",
             {"Ab3dEf7hIj1Lm", longName, "1234567890123456789012345", "Glycosylated Hemoglobin and Blood Typing Panel",
              "12/31/2026 12:59:59 PM", "PEDIATRICS-GYNECOLOGY WARD 12", "105/F"}},
        };
        QCOMPARE(longName.size(), 79);
        for (double dpi : {203.0, 300.0})
            for (const auto &row : rows)
                QTest::addRow("%s, %g dpi", row.name, dpi) << dpi << row.values;
    }

    void stickerWithAwkwardValues()
    {
        QFETCH(double, dpi);
        QFETCH(QVariantList, values);
        OpenReport(shippedTemplate(), values);
        const Report &report = *CurrentReport();
        const LabelTemplate &t = report.labelTemplate();

        // No two boxes overlap.
        QList<QRectF> boxes;
        for (const LabelTemplate::TextItem &item : t.texts)
            boxes << item.box;
        for (const LabelTemplate::BarcodeItem &item : t.barcodes)
            boxes << item.box;
        for (int a = 0; a < boxes.size(); ++a)
            for (int b = a + 1; b < boxes.size(); ++b)
                QVERIFY2(!boxes[a].intersects(boxes[b]),
                         qPrintable(QStringLiteral("boxes %1 and %2 overlap").arg(a).arg(b)));

        // The whole sticker: at least 1.5 mm blank on every side, and its barcode reads back.
        const QImage label = LabelRenderer(report.asLabel(), dpi).toImage(true).convertToFormat(QImage::Format_RGB32);
        const int margin = int(std::ceil(1.5 * dpi / 25.4));
        int inkDots = 0;
        const QString outside = inkOutside(
            label, QRect(margin, margin, label.width() - 2 * margin, label.height() - 2 * margin), inkDots);
        QVERIFY2(outside.isEmpty(), qPrintable(QStringLiteral("ink within 1.5 mm of the edge at %1").arg(outside)));
        const QString png = m_dir.filePath(QStringLiteral("sticker.png"));
        QVERIFY(label.save(png));
        QCOMPARE(testsupport::zbarDecode(png), values[0].toString());

        // Each text alone: every glyph inside its box, clear of its edges; a prefix
        // whose value is empty prints nothing.
        for (int i = 0; i < t.texts.size(); ++i) {
            const LabelTemplate::TextItem &item = t.texts[i];
            const QImage dots = printedDots(report.asLabel(), LabelTemplate::ItemKind::Text, i, dpi);
            int inside = 0;
            const QString at = inkOutside(dots, innerDots(item.box, dpi), inside);
            QVERIFY2(at.isEmpty(),
                     qPrintable(QStringLiteral("text of line %1 touches its box's edge at %2").arg(item.line).arg(at)));
            bool emptyField = false;
            for (const LabelTemplate::TextPart &part : item.parts)
                emptyField |= part.field >= 0 && report.fieldValue(part.field).trimmed().isEmpty();
            if (emptyField)
                QVERIFY2(inside == 0, qPrintable(QStringLiteral("line %1 prints with an empty value").arg(item.line)));
            else
                QVERIFY2(inside > 0, qPrintable(QStringLiteral("line %1 prints nothing").arg(item.line)));
            // The date at the printer's resolution: no stroke a single dot wide.
            if (dpi == 203 && item.parts.size() == 1 && item.parts[0].field == 4)
                QCOMPARE(oneDotStrokes(dots), 0);
        }

        // The value under the bars likewise, below the bars.
        QCOMPARE(t.barcodes.size(), 1);
        const LabelTemplate::BarcodeItem &code = t.barcodes[0];
        const QImage dots = printedDots(report.asLabel(), LabelTemplate::ItemKind::Barcode, 0, dpi);
        const double k = dpi / 25.4;
        const int textTop = int(std::lround(code.box.y() * k)) + int(std::lround(code.barHeight * k));
        const QImage text = dots.copy(0, textTop, dots.width(), dots.height() - textTop);
        const QRectF textBoxMm(code.box.x(), 0, code.box.width(), code.textHeight());
        int inside = 0;
        const QString at = inkOutside(text, innerDots(textBoxMm, dpi), inside);
        QVERIFY2(at.isEmpty(),
                 qPrintable(QStringLiteral("the value under the bars touches its box's edge at %1").arg(at)));
        QVERIFY(inside > 0);
        if (dpi == 203)
            QCOMPARE(oneDotStrokes(text), 0);
    }

    // ---- Texts stay in their boxes ----------------------------------------------------

    void longTextsStayInTheirBox_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("value");
        const QString longName = QStringLiteral(
            "WOLFESCHLEGELSTEINHAUSENBERGERDORFF, HUBERT BLAINE MARIA DE LOS SANTOS");
        for (const char *overflow : {"elide", "shrink"})
            for (const char *align : {"left", "center", "right"})
                QTest::addRow("%s, %s", overflow, align) << QStringLiteral("overflow=%1 align=%2 size=9 weight=bold")
                                                                .arg(QLatin1String(overflow), QLatin1String(align))
                                                         << longName;
        QTest::newRow("line breaks in the value")
            << QStringLiteral("overflow=shrink size=9") << QStringLiteral("DOE,\nJANE\r\nMARIE\tX");
        QTest::newRow("font too tall for the box") << QStringLiteral("size=40") << QStringLiteral("TALL");
        QTest::newRow("font that does not exist") << QStringLiteral("font=\"No Such Font\" size=9") << longName;
    }

    void longTextsStayInTheirBox()
    {
        QFETCH(QString, settings);
        QFETCH(QString, value);
        const QRectF boxMm(10, 8, 30, 4);
        OpenReport(writeTemplate(QStringLiteral("label width=50.8 height=25.4\nfield name=N\n"
                                                "text x=10 y=8 width=30 height=4 field=N %1\n")
                                     .arg(settings)),
                   {value});
        const double dpi = 203;
        const QImage image = LabelRenderer::renderImage(CurrentReport()->asLabel(), dpi);
        const QRect box(
            QPoint(int(boxMm.left() * dpi / 25.4), int(boxMm.top() * dpi / 25.4)),
            QPoint(int(std::ceil(boxMm.right() * dpi / 25.4)), int(std::ceil(boxMm.bottom() * dpi / 25.4))));
        int inside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (isDark(image.pixel(x, y))) {
                    QVERIFY2(box.contains(x, y),
                             qPrintable(QStringLiteral("ink at %1,%2 outside the box").arg(x).arg(y)));
                    ++inside;
                }
        QVERIFY(inside > 20); // something was printed
    }

    void shrinkKeepsTheWholeName()
    {
        // Shrink draws a name that is too wide in a smaller font; elide keeps the size.
        const QString name = QStringLiteral("DELA CRUZ, MARIA CONCEPCION SANTOS");
        int inkRows[2] = {0, 0};
        int i = 0;
        for (const char *overflow : {"shrink", "elide"}) {
            OpenReport(writeTemplate(QStringLiteral("label width=50.8 height=25.4\nfield name=N\n"
                                                    "text x=1 y=1 width=40 height=4 field=N size=9 overflow=%1\n")
                                         .arg(QLatin1String(overflow))),
                       {name});
            const QImage image = LabelRenderer::renderImage(CurrentReport()->asLabel(), 203);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (isDark(image.pixel(x, y))) {
                        ++inkRows[i];
                        break;
                    }
            ++i;
        }
        QVERIFY2(inkRows[0] < inkRows[1],
                 qPrintable(QStringLiteral("%1 rows shrunk, %2 elided").arg(inkRows[0]).arg(inkRows[1])));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_report.moc"
