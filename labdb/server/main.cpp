// labdb-server: serves the embedded laboratory database over the SQL Server
// protocol (MS-TDS 7.4) on a loopback port, for the end-to-end tests and for
// running Norvane without a SQL Server. See README.md, "Running against labdb-server".

#include "labdb/server/browserresponder.h"
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

using labdb::tds::BrowserResponder;
using labdb::tds::ServerConfig;
using labdb::tds::TdsServer;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("labdb-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves the embedded laboratory database to SQL Server clients (TDS 7.1 to 7.4) on 127.0.0.1."));
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
    const QCommandLineOption answers(
        QStringLiteral("answers"),
        QStringLiteral("How to answer: sqlserver (the default: as SQL Server and the hospital's procedures do) or "
                       "plain (the embedded database's plain answers)."),
        QStringLiteral("MODE"), QStringLiteral("sqlserver"));
    const QCommandLineOption nocount(
        QStringLiteral("nocount"), QStringLiteral("The procedures SET NOCOUNT ON: no row counts of their statements."));
    const QCommandLineOption transdateType(
        QStringLiteral("transdate-type"),
        QStringLiteral("The type of the Transdate column: datetime (default), date, datetime2 or smalldatetime."),
        QStringLiteral("TYPE"), QStringLiteral("datetime"));
    const QCommandLineOption tlsCert(QStringLiteral("tls-cert"),
                                     QStringLiteral("PEM certificate (chain) to offer TLS with, as SQL Server does."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                                    QStringLiteral("PEM private key of the --tls-cert certificate."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption forceEncryption(
        QStringLiteral("force-encryption"),
        QStringLiteral("Encrypt every connection entirely; refuse clients that cannot encrypt (needs --tls-cert)."));
    const QCommandLineOption instance(
        QStringLiteral("instance"),
        QStringLiteral("Serve as the named instance NAME: answer SQL Server Browser requests for it on UDP."),
        QStringLiteral("NAME"));
    const QCommandLineOption browserPort(QStringLiteral("browser-port"),
                                         QStringLiteral("UDP port of the Browser answers (default 1434)."),
                                         QStringLiteral("N"), QStringLiteral("1434"));
    const QCommandLineOption deadlockBatch(
        QStringLiteral("deadlock-batch"),
        QStringLiteral("Choose each connection's N-th SQL batch as a deadlock victim: error 1205, its open "
                       "transaction rolled back by the server."),
        QStringLiteral("N"));
    const QCommandLineOption lockWaitBatch(
        QStringLiteral("lock-wait-batch"),
        QStringLiteral("Make each connection's N-th SQL batch wait for a lock another session holds, until the client "
                       "cancels it, the session's LOCK_TIMEOUT passes, or --lock-release-after."),
        QStringLiteral("N"));
    const QCommandLineOption lockReleaseAfter(
        QStringLiteral("lock-release-after"),
        QStringLiteral("Release the --lock-wait-batch lock after MS milliseconds (default: never)."),
        QStringLiteral("MS"));
    const QCommandLineOption clock(
        QStringLiteral("clock"),
        QStringLiteral("Run the database's clock from this local date and time (yyyy-MM-ddTHH:mm:ss) on, instead of "
                       "the machine's."),
        QStringLiteral("TIME"));
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
    parser.addOptions({port,          database,      demo,
                       user,          password,      dbname,
                       answers,       nocount,       transdateType,
                       tlsCert,       tlsKey,        forceEncryption,
                       instance,      browserPort,   dropAfter,
                       failBatch,     stall,         stallBatch,
                       deadlockBatch, lockWaitBatch, lockReleaseAfter,
                       clock,         stallCommit,   dropCommit,
                       failRollback,  log,           watchStdin});
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
        {&dropAfter, &config.dropAfter},         {&failBatch, &config.failBatch},
        {&stallBatch, &config.stallBatch},       {&deadlockBatch, &config.deadlockBatch},
        {&lockWaitBatch, &config.lockWaitBatch}, {&stallCommit, &config.stallCommit},
        {&dropCommit, &config.dropCommit},       {&failRollback, &config.failRollback}};
    for (const auto &[option, value] : counted) {
        if (!parser.isSet(*option))
            continue;
        *value = parser.value(*option).toInt(&ok);
        if (!ok || *value < 1)
            return fail(QStringLiteral("--%1 takes a number from 1 up").arg(option->names().constFirst()));
    }
    if (parser.isSet(lockReleaseAfter)) {
        config.lockReleaseMs = parser.value(lockReleaseAfter).toInt(&ok);
        if (!ok || config.lockReleaseMs < 0)
            return fail(QStringLiteral("--lock-release-after takes a number of milliseconds"));
    }
    const QString mode = parser.value(answers);
    if (mode != QLatin1String("sqlserver") && mode != QLatin1String("plain"))
        return fail(QStringLiteral("--answers takes sqlserver or plain"));
    config.sqlServerAnswers = mode == QLatin1String("sqlserver");
    config.nocount = parser.isSet(nocount);
    const QString transdate = parser.value(transdateType).toLower();
    using Type = labdb::Column::Type;
    const std::pair<const char *, Type> types[] = {{"datetime", Type::DateTime},
                                                   {"date", Type::Date},
                                                   {"datetime2", Type::DateTime2},
                                                   {"smalldatetime", Type::SmallDateTime}};
    bool known = false;
    for (const auto &[name, type] : types) {
        if (transdate == QLatin1String(name)) {
            config.transdateType = type;
            known = true;
        }
    }
    if (!known)
        return fail(QStringLiteral("--transdate-type takes datetime, date, datetime2 or smalldatetime"));
    if (parser.isSet(tlsCert) != parser.isSet(tlsKey))
        return fail(QStringLiteral("--tls-cert and --tls-key go together"));
    config.certificatePath = parser.value(tlsCert);
    config.keyPath = parser.value(tlsKey);
    config.forceEncryption = parser.isSet(forceEncryption);
    if (config.forceEncryption && config.certificatePath.isEmpty())
        return fail(QStringLiteral("--force-encryption needs --tls-cert and --tls-key"));
    config.instanceName = parser.value(instance);
    const uint udpPort = parser.value(browserPort).toUInt(&ok);
    if (!ok || udpPort > 65535)
        return fail(QStringLiteral("--browser-port takes a number from 0 to 65535"));
    config.browserPort = quint16(udpPort);
    if (parser.isSet(clock)) {
        config.clockStart = QDateTime::fromString(parser.value(clock), Qt::ISODate);
        if (!config.clockStart.isValid())
            return fail(QStringLiteral("--clock takes a date and time such as 2024-12-09T14:05:33"));
        config.clockStartedAt = QDateTime::currentMSecsSinceEpoch();
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
    if (!server.loadCertificate(&logError))
        return fail(logError);
    if (!server.listen(QHostAddress::LocalHost, quint16(portNumber)))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(portNumber).arg(server.errorString()));
    if (!config.instanceName.isEmpty()) {
        auto *browser = new BrowserResponder(config.serverName, config.instanceName, server.serverPort(), &app);
        QString browserError;
        if (!browser->listen(config.browserPort, &browserError))
            return fail(QStringLiteral("cannot answer SQL Server Browser requests on UDP 127.0.0.1:%1: %2")
                            .arg(config.browserPort)
                            .arg(browserError));
    }

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
