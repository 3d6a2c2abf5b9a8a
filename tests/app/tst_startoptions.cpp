#include "app/startoptions.h"

#include <QtTest>

// The command line: the demo and PDF output switches, and what is refused.
class tst_StartOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void tst_StartOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("printTo");
    QTest::addColumn<bool>("failed");

    QTest::newRow("no switches: the normal start") << QStringList() << false << QString() << false;
    QTest::newRow("demo") << QStringList{"--demo"} << true << QString() << false;
    QTest::newRow("print-to with a separate folder") << QStringList{"--print-to", "/tmp/x"} << false << "/tmp/x" << false;
    QTest::newRow("print-to=folder") << QStringList{"--print-to=/tmp/y"} << false << "/tmp/y" << false;
    QTest::newRow("demo and print-to") << QStringList{"--print-to", "out dir", "--demo"} << true << "out dir" << false;
    QTest::newRow("print-to without a folder") << QStringList{"--print-to"} << false << QString() << true;
    QTest::newRow("print-to= empty") << QStringList{"--print-to="} << false << QString() << true;
    QTest::newRow("unknown switch") << QStringList{"--server=x"} << false << QString() << true;
    QTest::newRow("a bare number is no way in") << QStringList{"T55C"} << false << QString() << true;
}

void tst_StartOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, demo);
    QFETCH(QString, printTo);
    QFETCH(bool, failed);

    const app::StartOptions options = app::parseStartOptions(arguments);
    QCOMPARE(!options.error.isEmpty(), failed);
    if (failed)
        return;
    QCOMPARE(options.demo, demo);
    QCOMPARE(options.printTo, printTo);
}

QTEST_GUILESS_MAIN(tst_StartOptions)
#include "tst_startoptions.moc"
