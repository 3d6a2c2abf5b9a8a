#include "widgets/displaycheck.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

// What keeps a program from its display, told before the application object exists.
class tst_DisplayCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void missingDisplay_data();
    void missingDisplay();
    void message();

private:
    // A listening Unix socket standing in for a Wayland compositor.
    QTemporaryDir m_runtime;
    int m_compositor = -1;
};

void tst_DisplayCheck::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    m_compositor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(m_compositor >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_runtime.filePath(QStringLiteral("wayland-test")));
    QVERIFY(path.size() < qsizetype(sizeof address.sun_path));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(m_compositor, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(m_compositor, 4), 0);
}

void tst_DisplayCheck::cleanup()
{
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})
        qunsetenv(name);
}

void tst_DisplayCheck::missingDisplay_data()
{
    // The environment (a null value unsets it), the switches, and what is missing;
    // a reason ending in "..." is compared by its beginning. The X display :64999 has
    // no server.
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("missing");

    const QByteArray unset;
    const QStringList none;
    QTest::newRow("offscreen needs no display") << QByteArray("offscreen") << unset << unset << none << QString();
    QTest::newRow("minimal with options") << QByteArray("minimal:fontconfig") << unset << unset << none << QString();
    QTest::newRow("-platform offscreen") << unset << unset << unset << QStringList{"-platform", "offscreen"}
                                         << QString();
    QTest::newRow("--platform overrides the environment")
        << QByteArray("xcb") << unset << unset << QStringList{"--platform", "minimal"} << QString();
    QTest::newRow("the default platform, nothing set")
        << unset << unset << unset << none << "neither DISPLAY nor WAYLAND_DISPLAY is set";
    QTest::newRow("an empty platform is the default")
        << QByteArray("") << QByteArray("") << unset << none << "neither DISPLAY nor WAYLAND_DISPLAY is set";
    QTest::newRow("xcb without DISPLAY") << QByteArray("xcb") << unset << QByteArray("wayland-test") << none
                                         << "DISPLAY is not set";
    QTest::newRow("an X display nobody serves")
        << unset << QByteArray(":64999") << unset << none
        << "cannot open the X display :64999: no X server answers there, or this user may not use it";
    QTest::newRow("-display names the X display")
        << QByteArray("xcb") << QByteArray(":0") << unset << QStringList{"-display", ":64999"}
        << "cannot open the X display :64999: ...";
    QTest::newRow("a Wayland compositor that answers")
        << unset << unset << QByteArray("wayland-test") << none << QString();
    QTest::newRow("a Wayland socket nobody serves") << QByteArray("wayland") << unset << QByteArray("wayland-gone")
                                                    << none << "the Wayland display wayland-gone does not answer";
    QTest::newRow("either of wayland;xcb")
        << QByteArray("wayland;xcb") << QByteArray(":64999") << QByteArray("wayland-test") << none << QString();
    QTest::newRow("a platform of another kind is not judged")
        << QByteArray("vnc") << unset << unset << none << QString();
}

void tst_DisplayCheck::missingDisplay()
{
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, wayland);
    QFETCH(QStringList, switches);
    QFETCH(QString, missing);

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    const auto set = [](const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    set("QT_QPA_PLATFORM", platform);
    set("DISPLAY", display);
    set("WAYLAND_DISPLAY", wayland);

    QList<QByteArray> arguments{"norvane"};
    for (const QString &s : switches)
        arguments.append(s.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const QString found = widgets::DisplayCheck(int(arguments.size()), argv.data()).missing();
    if (missing.endsWith(QLatin1String("...")))
        QVERIFY2(found.startsWith(missing.chopped(3)), qPrintable(found));
    else
        QCOMPARE(found, missing);
}

void tst_DisplayCheck::message()
{
    QCOMPARE(widgets::noDisplayMessage(QStringLiteral("norvane"), QStringLiteral("DISPLAY is not set")),
             QStringLiteral("norvane: no display: DISPLAY is not set (set DISPLAY or run on the workstation's "
                            "desktop)"));
}

QTEST_APPLESS_MAIN(tst_DisplayCheck)
#include "tst_displaycheck.moc"
