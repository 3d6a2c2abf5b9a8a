// From Enter in the number box to the filled checklist, on the embedded
// laboratory database: 1, 10 and 200 exams, and the largest result the search
// lists (32,767 rows). Prints median and spread per case, and for comparison the
// database's share (the search command alone, fetched whole).
//
//   bench_search [runs]     (default 25; the 32,767-row case runs 5 times)
// Runs without a display when QT_QPA_PLATFORM=offscreen is set.
#include "bench/benchstats.h"
#include "counter/patientsearch.h"
#include "counter/printrun.h"
#include "db/commands.h"
#include "db/dbconnection.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "support/bulkchargeslip.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {
// Notes when the checklist is painted holding all its rows, checked.
struct PaintWatch : QObject
{
    widgets::vkListBox *list = nullptr;
    int rows = 0;
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && list->listCount() == rows && list->itemChecked(rows))
            painted = true;
        return false;
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 25;
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lab.sqlite"));
    labdb::createDatabase(path);
    labdb::seedSampleData(path);
    const QString ten = labdb::addChargeslip(path, 10).refNum;
    const QString largest = labdb::addChargeslip(path, 32767).refNum;
    auto client = std::make_unique<db::EmbeddedClient>(path);
    client->open(QString());
    db::installConnection(std::move(client));
    widgets::setMessageBoxHandler([](const QString &text, const QString &) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    });

    output::LabelOutput labelOutput;
    report::modMain labels(labelOutput);
    counter::PatientSearch search(db::DbConnection());
    counter::PrintRun printRun(db::DbConnection(), labels);
    ui::frmNorvane window(search, printRun);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *number = window.findChild<widgets::vkTextBox *>(QStringLiteral("txtNumber"));
    auto *exams = window.findChild<widgets::vkListBox *>(QStringLiteral("lstExams"));
    auto *reset = window.findChild<widgets::vkCommand *>(QStringLiteral("cmdNew"));
    PaintWatch paints;
    paints.list = exams;
    exams->viewport()->installEventFilter(&paints);

    struct Case
    {
        QString name;
        QString number;
        int mode;
        int rows;
        int runs;
    };
    const QList<Case> cases{
        {QStringLiteral("search, 1 exam"), QString::fromLatin1(labdb::sample::obrienBBarcode), 3, 1, runs},
        {QStringLiteral("search, 10 exams"), ten, 2, 10, runs},
        {QStringLiteral("search, 200 exams"), QString::fromLatin1(labdb::sample::bigChargeslip), 2, 200, runs},
        {QStringLiteral("search, 32,767 rows"), largest, 2, 32767, std::min(runs, 5)},
    };
    out << "Enter to filled checklist (window shown, " << QGuiApplication::platformName() << ")" << Qt::endl;
    for (const Case &c : cases) {
        QList<double> total, shown, database;
        for (int i = 0; i < c.runs + 1; ++i) { // the first run warms caches and is not counted
            QElapsedTimer t;
            t.start();
            (void)db::DbConnection().openStatic(db::searchCommand(c.number, c.mode));
            const double dbMs = t.nsecsElapsed() / 1e6;

            number->setText(c.number);
            QApplication::processEvents();
            paints.painted = false;
            paints.rows = c.rows;
            t.start();
            QTest::keyClick(number, Qt::Key_Return);
            const double ms = t.nsecsElapsed() / 1e6;
            // Then on, as the event loop goes on, until the rows are on screen.
            while (!paints.painted && t.elapsed() < 5000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const double shownMs = t.nsecsElapsed() / 1e6;
            if (exams->listCount() != c.rows) {
                std::fprintf(stderr, "%s: %d items listed, %d expected\n", qPrintable(c.name), exams->listCount(),
                             c.rows);
                return 1;
            }
            reset->click();
            QApplication::processEvents();
            if (i > 0) {
                total.append(ms);
                shown.append(shownMs);
                database.append(dbMs);
            }
        }
        bench::print(out, c.name, bench::summarize(total));
        bench::print(out, QStringLiteral("  until the rows are painted"), bench::summarize(shown));
        bench::print(out, QStringLiteral("  of which the command alone"), bench::summarize(database));
    }
    return 0;
}
