// labdb-server: serves the embedded laboratory database over the SQL Server
// protocol (MS-TDS 7.4) on a loopback port, for the end-to-end tests and for
// running Norvane without a SQL Server. See README.md, "Running against labdb-server".

#include "labdb/server/tdsserver.h"

#include "labdb/labdatabase.h"
#include "labdb/session.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <unistd.h>
#endif

using labdb::tds::ServerConfig;
using labdb::tds::TdsServer;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("labdb-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves the embedded laboratory database to SQL Server clients (TDS 7.4) on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port; 0 picks a free one (default 1433)."), QStringLiteral("N"),
                                  QStringLiteral("1433"));
    const QCommandLineOption database(
        QStringLiteral("database"), QStringLiteral("SQLite file of the laboratory database."), QStringLiteral("PATH"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Login name accepted (default norvane)."),
                                  QStringLiteral("NAME"), QStringLiteral("norvane"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Password accepted (default norvane)."), QStringLiteral("TEXT"),
                                      QStringLiteral("norvane"));
    const QCommandLineOption dbname(QStringLiteral("dbname"),
                                    QStringLiteral("Database name clients log in to (default Laboratory)."),
                                    QStringLiteral("NAME"), QStringLiteral("Laboratory"));
    const QCommandLineOption dropAfter(
        QStringLiteral("drop-after"),
        QStringLiteral("Close each connection right after running its N-th SQL batch, without answering it."),
        QStringLiteral("N"));
    const QCommandLineOption failBatch(
        QStringLiteral("fail-batch"),
        QStringLiteral("Answer each connection's N-th SQL batch with an error, without running it."),
        QStringLiteral("N"));
    const QCommandLineOption stall(QStringLiteral("stall"), QStringLiteral("Accept connections and never answer."));
    const QCommandLineOption stallBatch(
        QStringLiteral("stall-batch"),
        QStringLiteral("Never answer each connection's N-th SQL batch, nor anything after it "
                       "(the connection stays open, as with a server that hangs)."),
        QStringLiteral("N"));
    const QCommandLineOption stallCommit(QStringLiteral("stall-commit"),
                                         QStringLiteral("Never carry out nor answer each connection's N-th COMMIT, nor "
                                                        "anything after it."),
                                         QStringLiteral("N"));
    const QCommandLineOption failRollback(
        QStringLiteral("fail-rollback"),
        QStringLiteral("Answer each connection's N-th ROLLBACK with an error, without "
                       "carrying it out (the transaction stays open)."),
        QStringLiteral("N"));
    const QCommandLineOption dropCommit(
        QStringLiteral("drop-commit"),
        QStringLiteral("Carry out each connection's N-th COMMIT, then close the connection "
                       "without answering it (a commit in doubt)."),
        QStringLiteral("N"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Create a fresh sample database first, at --database PATH or at the demo "
                       "database's default place (an existing file there is replaced)."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append every request received to FILE, one per line."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption watchStdin(
        QStringLiteral("watch-stdin"),
        QStringLiteral("Shut down when standard input ends (a test that started the server "
                       "through a pipe takes it along when it ends, even by a crash)."));
    parser.addOptions({port, database, demo, user, password, dbname, dropAfter, failBatch, stall, stallBatch,
                       stallCommit, dropCommit, failRollback, log, watchStdin});
    parser.process(app);

    QTextStream err(stderr);
    auto fail = [&](const QString &message) {
        err << "labdb-server: " << message << Qt::endl;
        return 2;
    };

    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return fail(QStringLiteral("--port takes a number from 0 to 65535"));

    ServerConfig config;
    config.user = parser.value(user);
    config.password = parser.value(password);
    config.databaseName = parser.value(dbname);
    config.stall = parser.isSet(stall);
    const std::pair<const QCommandLineOption *, int *> counted[] = {
        {&dropAfter, &config.dropAfter},     {&failBatch, &config.failBatch},   {&stallBatch, &config.stallBatch},
        {&stallCommit, &config.stallCommit}, {&dropCommit, &config.dropCommit}, {&failRollback, &config.failRollback}};
    for (const auto &[option, value] : counted) {
        if (!parser.isSet(*option))
            continue;
        *value = parser.value(*option).toInt(&ok);
        if (!ok || *value < 1)
            return fail(QStringLiteral("--%1 takes a number from 1 up").arg(option->names().constFirst()));
    }
    if (parser.isSet(demo)) {
        config.databasePath = parser.isSet(database) ? QFileInfo(parser.value(database)).absoluteFilePath()
                                                     : labdb::defaultDemoDatabasePath();
        try {
            labdb::createDemoDatabase(config.databasePath);
        } catch (const labdb::SqlError &e) {
            return fail(QStringLiteral("cannot create the demo database %1: %2").arg(config.databasePath, e.message()));
        }
    } else if (parser.isSet(database)) {
        config.databasePath = QFileInfo(parser.value(database)).absoluteFilePath();
    } else {
        return fail(QStringLiteral("give --database PATH, or --demo"));
    }
    if (!QFileInfo::exists(config.databasePath))
        return fail(QStringLiteral("no database at %1").arg(config.databasePath));

    TdsServer server(config, parser.value(log));
    QString logError;
    if (!server.openLog(&logError))
        return fail(QStringLiteral("cannot write the log %1: %2").arg(parser.value(log), logError));
    if (!server.listen(QHostAddress::LocalHost, quint16(portNumber)))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(portNumber).arg(server.errorString()));

#ifdef Q_OS_UNIX
    if (parser.isSet(watchStdin)) {
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(input, &QSocketNotifier::activated, &app, [input] {
            char buffer[256];
            if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
                input->setEnabled(false);
                // Leaving the event loop destroys the server: every connection is
                // closed and its open transaction rolled back.
                QCoreApplication::quit();
            }
        });
    }
#else
    if (parser.isSet(watchStdin))
        return fail(QStringLiteral("--watch-stdin is not available on this system"));
#endif

    // Tests start the server on port 0 and read the port from this line.
    std::printf("listening on 127.0.0.1:%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
