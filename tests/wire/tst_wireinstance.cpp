// A named instance, as the README's own example connects: Server=HOST\NAME. The
// driver asks the SQL Server Browser (UDP port 1434) for the instance's TCP port;
// labdb-server --instance answers it. The test holds port 1434 alone (see
// tests/wire/CMakeLists.txt).

#include "app/modconnect.h"
#include "connectionsettings.h"
#include "db/commands.h"
#include "db/dbconnection.h"
#include "db/sqlserverclient.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "wire/serverprocess.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace labdb::sample;

class tst_wireinstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void connectsByInstanceName_data();
    void connectsByInstanceName();

private:
    QTemporaryDir m_home;
};

void tst_wireinstance::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
}

void tst_wireinstance::cleanup()
{
    db::installConnection(nullptr);
}

void tst_wireinstance::connectsByInstanceName_data()
{
    QTest::addColumn<QString>("server"); // the Server setting
    QTest::addColumn<bool>("connects");

    QTest::newRow("127.0.0.1\\LABTEST") << u"127.0.0.1\\LABTEST"_qs << true;
    QTest::newRow("case does not matter") << u"127.0.0.1\\labtest"_qs << true;
    QTest::newRow("another instance") << u"127.0.0.1\\PHARMACY"_qs << false;
}

void tst_wireinstance::connectsByInstanceName()
{
    QFETCH(QString, server);
    QFETCH(bool, connects);

    const QString dbPath = m_home.filePath(u"lab.sqlite"_qs);
    labdb::createDemoDatabase(dbPath);
    ServerProcess labServer;
    QVERIFY2(labServer.start(dbPath, {u"--instance"_qs, u"LABTEST"_qs}), qPrintable(labServer.error()));

    QVERIFY(writeConnectionSettings(server));

    db::installConnection(std::make_unique<db::SqlServerClient>(5));
    QString failure;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(app::modConnect::OpenConnection(&failure), connects);
    if (connects) {
        QCOMPARE(db::DbConnection().openStatic(db::searchCommand(QString::fromLatin1(obrienTBarcode), 3)).rowCount(),
                 2);
        QCOMPARE(labServer.loggedRequests().filter(u"LOGIN"_qs).size(), 1);
    } else {
        // The Browser does not answer for another instance: the driver says it
        // cannot connect (FreeTDS asks 16 times, a second apart), and the program
        // says where to look.
        QVERIFY2(failure.contains(u"SQL Server Browser on 127.0.0.1 (UDP port 1434)"_qs), qPrintable(failure));
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(labServer.loggedRequests().filter(u"LOGIN"_qs).size(), 0);
    }
}

QTEST_MAIN(tst_wireinstance)
#include "tst_wireinstance.moc"
