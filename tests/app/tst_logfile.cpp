// The program's log file: lines with time, category and level; rotation at its
// size bound; a file that cannot be written is found out and told once.

#include "app/applogging.h"
#include "app/logfile.h"
#include "app/storagenotice.h"
#include "db/dblogging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_logfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void linesCarryTimeCategoryAndLevel();
    void rotatesAtItsBound();
    void defaultPlaceIsTheDataFolder();
    void fileThatCannotBeWritten_data();
    void fileThatCannotBeWritten();
};

namespace {
QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
} // namespace

void tst_logfile::cleanup()
{
    app::removeLogFile();
}

void tst_logfile::linesCarryTimeCategoryAndLevel()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"logs/norvane.log"_qs); // the folder is made
    QCOMPARE(app::installLogFile(path), path);
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    qCWarning(db::lcDb, "Print log of barcode \"%s\" rolled back: %s", "T1000001C", "Communication link failure");
    qCInfo(app::lcApp) << u"PEÑA 李"_qs;
    app::removeLogFile();

    const QStringList lines = linesOf(path);
    QCOMPARE(lines.size(), 2);
    const qsizetype space = lines.at(0).indexOf(u' ');
    const QDateTime stamp = QDateTime::fromString(lines.at(0).left(space), Qt::ISODateWithMs);
    QVERIFY2(stamp.isValid() && stamp >= before && stamp <= QDateTime::currentDateTime(), qPrintable(lines.at(0)));
    QCOMPARE(lines.at(0).mid(space + 1),
             u"norvane.db warning: Print log of barcode \"T1000001C\" rolled back: Communication link failure"_qs);
    QVERIFY2(lines.at(1).endsWith(u" norvane.app info: \"PEÑA 李\""_qs), qPrintable(lines.at(1)));
}

void tst_logfile::rotatesAtItsBound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"norvane.log"_qs);
    app::installLogFile(path);
    // Numbered lines of about 1 KiB: enough for more files than are kept.
    const QByteArray filler(1000, 'x');
    const int lines = int(app::kLogFileMaxBytes / 1000) * (app::kLogFilesKept + 2);
    for (int i = 0; i < lines; ++i)
        qCWarning(db::lcDb, "line %06d %s", i, filler.constData());
    app::removeLogFile();

    // The current file and the kept ones, each within the bound, no more.
    QStringList files{path};
    for (int i = 1; i <= app::kLogFilesKept; ++i)
        files << path + u'.' + QString::number(i);
    for (const QString &file : files) {
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        QVERIFY(QFileInfo(file).size() <= app::kLogFileMaxBytes);
        // A file is turned over only when the next line would not fit.
        if (file != path)
            QVERIFY(QFileInfo(file).size() > app::kLogFileMaxBytes - 2000);
    }
    QVERIFY(!QFileInfo::exists(path + u'.' + QString::number(app::kLogFilesKept + 1)));

    // Oldest to newest, the lines follow on without a gap; the last is the newest.
    int expected = -1;
    for (qsizetype f = files.size() - 1; f >= 0; --f) {
        for (const QString &line : linesOf(files.at(f))) {
            const int n = line.section(u' ', 4, 4).toInt();
            if (expected >= 0)
                QCOMPARE(n, expected);
            expected = n + 1;
        }
    }
    QCOMPARE(expected, lines);
}

void tst_logfile::defaultPlaceIsTheDataFolder()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"Norvane"_qs);
    const QString path = app::defaultLogFilePath();
    QVERIFY2(path.endsWith(u"/Norvane/norvane.log"_qs), qPrintable(path));
}

void tst_logfile::fileThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason"); // part of the problem's words
    QTest::addColumn<bool>("atInstall"); // found out before a line is written
    QTest::newRow("a full disk") << u"full disk"_qs << u"No space left on device"_qs << false;
    QTest::newRow("its folder is a file") << u"folder is a file"_qs << u"its folder cannot be created"_qs << true;
    QTest::newRow("the file is a folder") << u"file is a folder"_qs << QString() << true;
    QTest::newRow("written") << u"writable"_qs << QString() << false;
}

void tst_logfile::fileThatCannotBeWritten()
{
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    QFETCH(bool, atInstall);
    QTemporaryDir dir;
    QString path = dir.filePath(u"norvane.log"_qs);
    if (setup == u"full disk") {
        path = u"/dev/full"_qs; // every write fails as on a full disk, also for root
    } else if (setup == u"folder is a file") {
        QFile blocker(dir.filePath(u"data"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        path = dir.filePath(u"data/norvane.log"_qs);
    } else if (setup == u"file is a folder") {
        QVERIFY(QDir().mkpath(path));
    }
    app::StorageNotice notice;
    notice.journalFailed(u"The print journal /data/journal.sqlite cannot be used: disk I/O error."_qs);

    app::installLogFile(path);
    QCOMPARE(app::logFileProblem().isEmpty(), !atInstall);
    qCWarning(db::lcDb, "Print log of barcode \"%s\" rolled back", "T1000001C");
    qCWarning(db::lcDb, "Print log of barcode \"%s\" rolled back", "T1000002C");
    const QString problem = app::logFileProblem();
    const QString told = notice.take();
    app::removeLogFile();

    if (setup == u"writable") {
        QCOMPARE(problem, QString());
        QCOMPARE(told, QString());
        QCOMPARE(linesOf(path).size(), 2);
        return;
    }
    // Named with its path and the system's reason, and told on screen once, with the
    // journal that could not be told in it.
    QVERIFY2(problem.startsWith(u"The log file "_qs + path + u" cannot be written: "_qs), qPrintable(problem));
    QVERIFY2(problem.contains(reason), qPrintable(problem));
    QVERIFY2(told.startsWith(problem + u"\n\nThe print journal /data/journal.sqlite cannot be used"_qs),
             qPrintable(told));
    QVERIFY2(told.contains(u"Tell IT"_qs), qPrintable(told));
    QCOMPARE(notice.take(), QString());
}

QTEST_GUILESS_MAIN(tst_logfile)
#include "tst_logfile.moc"
