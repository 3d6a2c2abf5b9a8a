#include "app/startoptions.h"

#include <QtTest>

// The command line, read before any application object exists: the demo and PDF
// output switches, help, version, the connection check, the journal for IT, the
// window system's own switches, and what is refused.
class tst_StartOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void journalSwitches_data();
    void journalSwitches();
    void usageNamesEverySwitch();
};

void tst_StartOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("printTo");
    QTest::addColumn<bool>("checkConnection");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("version");
    QTest::addColumn<bool>("failed");

    QTest::newRow("no switches: the normal start")
        << QStringList() << false << QString() << false << false << false << false;
    QTest::newRow("demo") << QStringList{"--demo"} << true << QString() << false << false << false << false;
    QTest::newRow("print-to with a separate folder")
        << QStringList{"--print-to", "/tmp/x"} << false << "/tmp/x" << false << false << false << false;
    QTest::newRow("print-to=folder") << QStringList{"--print-to=/tmp/y"} << false << "/tmp/y" << false << false << false
                                     << false;
    QTest::newRow("demo and print-to") << QStringList{"--print-to", "out dir", "--demo"} << true << "out dir" << false
                                       << false << false << false;
    QTest::newRow("check-connection") << QStringList{"--check-connection"} << false << QString() << true << false
                                      << false << false;
    QTest::newRow("help") << QStringList{"--help"} << false << QString() << false << true << false << false;
    QTest::newRow("-h") << QStringList{"-h"} << false << QString() << false << true << false << false;
    QTest::newRow("version") << QStringList{"--version"} << false << QString() << false << false << true << false;
    QTest::newRow("help wins over a wrong combination") << QStringList{"--check-connection", "--demo", "--help"}
                                                        << false << QString() << false << true << false << false;
    QTest::newRow("window system's -platform NAME passes")
        << QStringList{"-platform", "offscreen", "--demo"} << true << QString() << false << false << false << false;
    QTest::newRow("window system's -style=NAME and -reverse pass")
        << QStringList{"-style=fusion", "-reverse"} << false << QString() << false << false << false << false;
    QTest::newRow("print-to without a folder")
        << QStringList{"--print-to"} << false << QString() << false << false << false << true;
    QTest::newRow("print-to= empty") << QStringList{"--print-to="} << false << QString() << false << false << false
                                     << true;
    QTest::newRow("unknown switch") << QStringList{"--server=x"} << false << QString() << false << false << false
                                    << true;
    QTest::newRow("unknown single-dash switch")
        << QStringList{"-x"} << false << QString() << false << false << false << true;
    QTest::newRow("a bare number is no way in")
        << QStringList{"T55C"} << false << QString() << false << false << false << true;
    QTest::newRow("check-connection with demo")
        << QStringList{"--check-connection", "--demo"} << false << QString() << false << false << false << true;
}

void tst_StartOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, demo);
    QFETCH(QString, printTo);
    QFETCH(bool, checkConnection);
    QFETCH(bool, help);
    QFETCH(bool, version);
    QFETCH(bool, failed);

    // No application object here, as in the program when it reads its switches.
    QVERIFY(!QCoreApplication::instance());
    const app::StartOptions options = app::parseStartOptions(QStringList{"norvane"} + arguments);
    QVERIFY2(options.error.isEmpty() != failed, qPrintable(options.error));
    if (failed)
        return;
    QCOMPARE(options.demo, demo);
    QCOMPARE(options.printTo, printTo);
    QCOMPARE(options.checkConnection, checkConnection);
    QCOMPARE(options.help, help);
    QCOMPARE(options.version, version);
}

void tst_StartOptions::journalSwitches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("since");
    QTest::addColumn<bool>("failed");

    QTest::newRow("today's lines") << QStringList{"--journal"} << false << QString() << false;
    QTest::newRow("since a day") << QStringList{"--journal", "--since", "2026-12-10"} << false << "2026-12-10" << false;
    QTest::newRow("since a local time") << QStringList{"--journal", "--since=2026-12-10T08:00"} << false
                                        << "2026-12-10T08:00" << false;
    QTest::newRow("the demo's journal") << QStringList{"--demo", "--journal"} << true << QString() << false;
    QTest::newRow("since without journal") << QStringList{"--since", "2026-12-10"} << false << QString() << true;
    QTest::newRow("since no date") << QStringList{"--journal", "--since", "yesterday"} << false << QString() << true;
    QTest::newRow("since a day that is none")
        << QStringList{"--journal", "--since", "2026-02-30"} << false << QString() << true;
    QTest::newRow("journal with check-connection")
        << QStringList{"--journal", "--check-connection"} << false << QString() << true;
    QTest::newRow("journal with print-to")
        << QStringList{"--journal", "--print-to", "/tmp/x"} << false << QString() << true;
}

void tst_StartOptions::journalSwitches()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, demo);
    QFETCH(QString, since);
    QFETCH(bool, failed);

    const app::StartOptions options = app::parseStartOptions(QStringList{"norvane"} + arguments);
    QVERIFY2(options.error.isEmpty() != failed, qPrintable(options.error));
    if (failed)
        return;
    QVERIFY(options.journal);
    QCOMPARE(options.demo, demo);
    QCOMPARE(options.since, since);
}

void tst_StartOptions::usageNamesEverySwitch()
{
    const QString usage = app::startOptionsUsage();
    for (const char *name :
         {"--demo", "--print-to DIR", "--check-connection", "--journal", "--since DATE", "--help", "--version"})
        QVERIFY2(usage.contains(QLatin1String(name)), name);
    QVERIFY(app::versionText().startsWith(u"norvane "_qs));
}

int main(int argc, char *argv[])
{
    tst_StartOptions test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startoptions.moc"
