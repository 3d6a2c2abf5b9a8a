// The program's log file: lines with time, category and level; rotation at its
// size bound.

#include "app/applogging.h"
#include "app/logfile.h"
#include "db/dblogging.h"

#include <QDateTime>
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

QTEST_GUILESS_MAIN(tst_logfile)
#include "tst_logfile.moc"
