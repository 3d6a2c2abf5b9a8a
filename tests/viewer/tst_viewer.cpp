// The report viewer window and the viewing path of ShowReport, on the shipped
// label template; every print goes to a temporary PDF folder.

#include "label/labelerror.h"
#include "norvane-label/labeloptions.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/report.h"
#include "report/viewer/frmreportviewer.h"
#include "report/viewer/reportviewercontrol.h"
#include "widgets/messagebox.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

using label::LabelError;
using namespace report;

namespace {

frmReportViewer *openViewer()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *viewer = qobject_cast<frmReportViewer *>(w); viewer && viewer->isVisible())
            return viewer;
    return nullptr;
}

} // namespace

class tst_Viewer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_out;
    int m_dirCount = 0;

    // The label output and the report module, with the viewer as ShowReport's viewing
    // path: every label to PDF files in folder.
    std::unique_ptr<output::LabelOutput> m_output;
    std::unique_ptr<modMain> m_labels;

    void printTo(const QString &folder)
    {
        m_labels.reset();
        m_output = std::make_unique<output::LabelOutput>(output::LabelOutput::Destination{folder, {}});
        m_labels = std::make_unique<modMain>(*m_output);
        installReportViewer(*m_labels);
    }

    std::unique_ptr<Report> &CurrentReport() { return m_labels->CurrentReport(); }
    void OpenReport(const QString &path, const QVariantList &values) { m_labels->OpenReport(path, values); }
    void ShowReport(bool showGroupTree, const QString &caption, bool directPrint)
    {
        m_labels->ShowReport(showGroupTree, caption, directPrint);
    }

    QStringList printed() const { return QDir(m_out).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name); }

    // Runs ShowReport's viewing path; act runs inside the window's modal loop
    // and must close the window. A window left open fails the test and is closed.
    void viewModal(const std::function<void(frmReportViewer *)> &act, bool showGroupTree = false,
                   const QString &caption = QStringLiteral("Label Preview"))
    {
        bool acted = false;
        QTimer::singleShot(0, this, [&] {
            frmReportViewer *w = openViewer();
            acted = true;
            if (w) {
                act(w);
                if (w->isVisible())
                    w->close();
            }
        });
        ShowReport(showGroupTree, caption, false);
        QVERIFY(acted);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFile::exists(labelTemplatePath()), qPrintable(labelTemplatePath()));
    }

    void init()
    {
        m_out = m_dir.filePath(QStringLiteral("out%1").arg(++m_dirCount));
        printTo(m_out);
    }

    void cleanup()
    {
        widgets::setMessageBoxHandler({});
        m_labels.reset();
        m_output.reset();
    }

    // ShowReport's viewing path: the window loads when its caption is set, views
    // the report it took from CurrentReport, fills the screen, never prints on
    // load, and releases the report when it closes.
    void viewingPathViewsAndNeverPrints()
    {
        OpenReport(labelTemplatePath(), {QStringLiteral("VIEW0001")});
        const Report *opened = CurrentReport().get();
        QString caption;
        const Report *source = nullptr;
        int pages = -1;
        bool modal = false, fills = false, viewerFills = false, treeShown = true;
        QStringList printedWhileOpen{QStringLiteral("not looked at")};
        viewModal([&](frmReportViewer *w) {
            caption = w->caption();
            modal = QApplication::activeModalWidget() == w && w->windowModality() == Qt::ApplicationModal;
            source = w->crViewer1()->reportSource();
            pages = w->crViewer1()->preview()->pageCount();
            fills = w->geometry() == w->screen()->availableGeometry() || w->isMaximized();
            viewerFills = w->crViewer1()->geometry() == w->rect();
            treeShown = w->crViewer1()->displayGroupTree();
            printedWhileOpen = printed();
        });
        QCOMPARE(caption, QStringLiteral("Label Preview"));
        QVERIFY(modal);
        QCOMPARE(source, opened);
        QCOMPARE(pages, 1);
        QVERIFY(fills);
        QVERIFY(viewerFills);
        QVERIFY(!treeShown);
        QCOMPARE(printedWhileOpen, QStringList());
        QCOMPARE(printed(), QStringList());
        QVERIFY(!CurrentReport());
    }

    // The set-only properties do not load the window and count only when set
    // before it loads; caption, viewer and showing each load it.
    void loadSteps_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("treeWhen");  // 0 unset, 1 before loading, 2 after
        QTest::addColumn<int>("printWhen"); // likewise for DirectPrint
        QTest::addColumn<bool>("treeOn");
        QTest::addColumn<int>("files");
        QTest::newRow("caption, nothing set: viewed, tree off") << "caption" << 0 << 0 << false << 0;
        QTest::newRow("viewer, tree before load: both settings on") << "viewer" << 1 << 0 << true << 0;
        QTest::newRow("show, tree after load: off") << "show" << 2 << 0 << false << 0;
        QTest::newRow("caption, DirectPrint before load: printed once") << "caption" << 0 << 1 << false << 1;
        QTest::newRow("viewer, DirectPrint after load: viewed only") << "viewer" << 1 << 2 << true << 0;
    }

    void loadSteps()
    {
        QFETCH(QString, trigger);
        QFETCH(int, treeWhen);
        QFETCH(int, printWhen);
        QFETCH(bool, treeOn);
        QFETCH(int, files);

        OpenReport(labelTemplatePath(), {});
        frmReportViewer w(*m_labels);
        if (treeWhen == 1)
            w.setShowGroupTree(true);
        if (printWhen == 1)
            w.setDirectPrint(true);
        QVERIFY(!w.isLoaded());
        QVERIFY(!w.findChild<ReportViewerControl *>());

        if (trigger == QLatin1String("caption"))
            QCOMPARE(w.caption(), QStringLiteral("View Report"));
        else if (trigger == QLatin1String("viewer"))
            QVERIFY(w.crViewer1());
        else
            w.show();
        QVERIFY(w.isLoaded());
        if (treeWhen == 2)
            w.setShowGroupTree(true);
        if (printWhen == 2)
            w.setDirectPrint(true);

        ReportViewerControl *viewer = w.crViewer1();
        QCOMPARE(viewer->objectName(), QStringLiteral("crViewer1"));
        QCOMPARE(viewer->reportSource(), CurrentReport().get());
        QCOMPARE(viewer->displayGroupTree(), treeOn);
        QCOMPARE(viewer->enableGroupTree(), treeOn);
        QCOMPARE(viewer->groupTreeAction()->isEnabled(), treeOn);
        QCOMPARE(printed().size(), files);
        if (trigger != QLatin1String("show"))                        // showing draws the preview anyway
            QCOMPARE(viewer->preview()->pageCount(), files ? 0 : 1); // printing on load does not view
        w.show();
        QCOMPARE(viewer->groupTree()->isVisible(), treeOn);
        if (treeOn) {
            // The tree lists the template and each field with the value it prints.
            QTreeWidgetItem *root = viewer->groupTree()->topLevelItem(0);
            QVERIFY(root);
            QCOMPARE(root->text(0), QStringLiteral("LabBarcodeLabel.rpt"));
            QVERIFY(root->childCount() >= 7);
            QCOMPARE(root->child(0)->text(0), QStringLiteral("Barcode"));
        }
        w.close();
        QVERIFY(!CurrentReport());
    }

    void resizeFitsViewer()
    {
        OpenReport(labelTemplatePath(), {});
        frmReportViewer w(*m_labels);
        w.show();
        for (const QSize size : {QSize(640, 480), QSize(300, 200), QSize(1000, 700)}) {
            w.resize(size);
            QCOMPARE(w.crViewer1()->geometry(), QRect(QPoint(0, 0), size));
        }
        w.close();
    }

    // A screen reader finds the window by its caption and every part of the viewer
    // by its name: the viewer, its toolbar and buttons, the group tree, the preview.
    void screenReaderNames()
    {
        OpenReport(labelTemplatePath(), {});
        frmReportViewer w(*m_labels);
        w.setCaption(QStringLiteral("Print Barcode Sticker"));
        w.show();
        QCOMPARE(QAccessible::queryAccessibleInterface(&w)->text(QAccessible::Name),
                 QStringLiteral("Print Barcode Sticker"));
        const QList<std::pair<const char *, const char *>> named{{"crViewer1", "Report viewer"},
                                                                 {"viewerToolBar", "Viewer toolbar"},
                                                                 {"groupTree", "Group Tree"},
                                                                 {"preview", "Report preview"}};
        for (const auto &[object, name] : named) {
            auto *widget = w.findChild<QWidget *>(QLatin1String(object));
            QVERIFY2(widget, object);
            QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), QLatin1String(name));
        }
        QStringList buttons;
        for (QToolButton *button : w.findChildren<QToolButton *>()) {
            if (button->defaultAction())
                buttons.append(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name));
        }
        QCOMPARE(buttons, (QStringList{"Print", "Group Tree", "Page Width", "Whole Page", "Zoom In", "Zoom Out"}));
        w.close();
    }

    // Esc reaching the window closes it whatever the modifiers; other keys do not.
    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(Qt::NoModifier) << true;
        QTest::newRow("Shift+Esc") << int(Qt::Key_Escape) << int(Qt::ShiftModifier) << true;
        QTest::newRow("Ctrl+Esc") << int(Qt::Key_Escape) << int(Qt::ControlModifier) << true;
        QTest::newRow("Alt+Shift+Esc") << int(Qt::Key_Escape) << int(Qt::AltModifier | Qt::ShiftModifier) << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << false;
        QTest::newRow("Q") << int(Qt::Key_Q) << int(Qt::NoModifier) << false;
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << false;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier) << false;
    }

    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closes);
        OpenReport(labelTemplatePath(), {});
        frmReportViewer w(*m_labels);
        w.show();
        QTest::keyClick(&w, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(bool(CurrentReport()), !closes);
        QCOMPARE(printed(), QStringList());
        w.close();
    }

    // Every way of closing releases CurrentReport; the next direct print then
    // needs a new OpenReport.
    void closeReleases_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("files");
        QTest::newRow("Esc") << "esc" << 0;
        QTest::newRow("close command") << "close" << 0;
        QTest::newRow("Print button: prints, then closes") << "print" << 1;
    }

    void closeReleases()
    {
        QFETCH(QString, how);
        QFETCH(int, files);
        OpenReport(labelTemplatePath(), {QStringLiteral("CLOSE001")});
        bool closedByAct = false;
        viewModal([&](frmReportViewer *w) {
            if (how == QLatin1String("esc"))
                QTest::keyClick(w, Qt::Key_Escape);
            else if (how == QLatin1String("close"))
                w->close();
            else
                w->crViewer1()->printAction()->trigger();
            closedByAct = !w->isVisible();
        });
        QVERIFY(closedByAct);
        QVERIFY(!CurrentReport());
        QCOMPARE(printed().size(), files);
        if (files)
            QCOMPARE(printed().first(), QStringLiteral("0001-CLOSE001.pdf"));

        QVERIFY_THROWS_EXCEPTION(LabelError, ShowReport(false, QString(), true));
        QCOMPARE(printed().size(), files);
        OpenReport(labelTemplatePath(), {QStringLiteral("AGAIN001")});
        ShowReport(false, QString(), true);
        QCOMPARE(printed().size(), files + 1);
        QVERIFY(!CurrentReport());
    }

    // A print that fails is shown and leaves the report on screen, not lost.
    void failedPrintKeepsWindowOpen()
    {
        QFile blocker(m_dir.filePath(QStringLiteral("a-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        printTo(blocker.fileName() + QStringLiteral("/labels"));
        QStringList messages;
        widgets::setMessageBoxHandler([&](const QString &text, const QString &) { messages << text; });

        OpenReport(labelTemplatePath(), {});
        bool openAfterFailure = false, reportKept = false;
        viewModal([&](frmReportViewer *w) {
            w->crViewer1()->printAction()->trigger();
            openAfterFailure = w->isVisible();
            reportKept = bool(CurrentReport());
        });
        QVERIFY(openAfterFailure);
        QVERIFY(reportKept);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(QStringLiteral("cannot be created")), qPrintable(messages.first()));
        QVERIFY(!CurrentReport());
    }

    // A label that cannot be drawn fails the load, and ShowReport with it,
    // before any window is shown.
    void unviewableLabelFailsBeforeShowing()
    {
        // A value Code 128 cannot carry.
        OpenReport(labelTemplatePath(), {QStringLiteral("\u00e9\u4e2d\u6587")});
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            if (frmReportViewer *w = openViewer()) {
                shown = true;
                w->close();
            }
        });
        QVERIFY_THROWS_EXCEPTION(LabelError, ShowReport(false, QStringLiteral("x"), false));
        QTest::qWait(1);
        QVERIFY(!shown);
    }

    void previewOption_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QString>("pdfDir");
        QTest::newRow("--preview") << QStringList{"--preview"} << true << true << QString();
        QTest::newRow("--preview --pdf: Print writes there")
            << QStringList{"--preview", "--pdf", "d"} << true << true << "d";
        QTest::newRow("--preview --png refused")
            << QStringList{"--preview", "--png", "f.png"} << false << false << QString();
        QTest::newRow("no --preview") << QStringList{"A1"} << true << false << QString();
    }

    void previewOption()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, ok);
        QFETCH(bool, preview);
        QFETCH(QString, pdfDir);
        LabelOptions options;
        QString error, help;
        QCOMPARE(parseLabelOptions(QStringList{"norvane-label"} + arguments, options, error, help), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok) {
            QCOMPARE(options.preview, preview);
            QCOMPARE(options.output, pdfDir);
        }
    }

    void templateAndVersionOptions_data()
    {
        // --template with no file (the last argument) asks which template is used;
        // with a file it names the template, as it always did.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("showTemplate");
        QTest::addColumn<QString>("templatePath");
        QTest::addColumn<bool>("version");
        QTest::newRow("--template alone") << QStringList{"--template"} << true << QString() << false;
        QTest::newRow("-t alone") << QStringList{"-t"} << true << QString() << false;
        QTest::newRow("--template FILE") << QStringList{"--template", "my.rpt", "--list-fields"} << false << "my.rpt"
                                         << false;
        QTest::newRow("-t FILE then -t alone") << QStringList{"-t", "my.rpt", "-t"} << true << "my.rpt" << false;
        QTest::newRow("--version") << QStringList{"--version"} << false << QString() << true;
        QTest::newRow("-v") << QStringList{"-v"} << false << QString() << true;
    }

    void templateAndVersionOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, showTemplate);
        QFETCH(QString, templatePath);
        QFETCH(bool, version);
        LabelOptions options;
        QString error, help;
        QVERIFY2(parseLabelOptions(QStringList{"norvane-label"} + arguments, options, error, help), qPrintable(error));
        QCOMPARE(options.showTemplate, showTemplate);
        QCOMPARE(options.templatePath, templatePath);
        QCOMPARE(options.version, version);
    }
};

QTEST_MAIN(tst_Viewer)
#include "tst_viewer.moc"
