#pragma once

// Runs the current row of a Qt test again in a child of the test program as the user
// nobody: root writes into any folder, so a folder without write permission holds only
// for another user.

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTest>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <unistd.h>
#endif

namespace testsupport {

inline bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

struct ChildRow
{
    enum class Status { Passed, Failed, CannotRun };
    Status status = Status::CannotRun;
    QString output; // the child's output, or why it could not run
};

inline ChildRow runRowAsNobody()
{
    ChildRow result;
#ifdef Q_OS_UNIX
    QProcess child;
    child.setChildProcessModifier([] {
        const gid_t nogroup = 65534;
        if (setgroups(1, &nogroup) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(126);
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR")); // root's own
    // No display of its own: a test with windows draws them offscreen.
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString function = QLatin1String(QTest::currentTestFunction());
    const QString tag = QLatin1String(QTest::currentDataTag());
    child.start(QCoreApplication::applicationFilePath(), {function + u':' + tag});
    if (!child.waitForStarted()) {
        result.output = QStringLiteral("cannot run the test program as nobody: ") + child.errorString();
        return result;
    }
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        result.status = ChildRow::Status::Failed;
        result.output = QStringLiteral("the row as nobody did not end within 2 minutes");
        return result;
    }
    result.output = QString::fromUtf8(child.readAll());
    if (child.exitCode() == 126) {
        result.output = QStringLiteral("cannot become nobody");
        return result;
    }
    bool passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    const QString row = QStringLiteral("::%1(%2)").arg(function, tag);
    bool rowPassed = false;
    for (const QString &line : result.output.split(u'\n'))
        rowPassed = rowPassed || (line.startsWith(QStringLiteral("PASS   : ")) && line.trimmed().endsWith(row));
    passed = passed && rowPassed;
    result.status = passed ? ChildRow::Status::Passed : ChildRow::Status::Failed;
#else
    result.output = QStringLiteral("runs as another user on Unix only");
#endif
    return result;
}

} // namespace testsupport
