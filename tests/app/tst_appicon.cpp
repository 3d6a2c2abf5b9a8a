#include "app/appicon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

QImage committedIcon(int size)
{
    return QImage(QStringLiteral(NORVANE_ICONS_DIR "/norvane-%1.png").arg(size)).convertToFormat(QImage::Format_ARGB32);
}

QImage shown(const QIcon &icon, int size)
{
    return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class tst_AppIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compiledInWithoutATheme_data();
    void compiledInWithoutATheme();
    void themeIconComesFirst();
    void everyWindowGetsIt();
};

void tst_AppIcon::compiledInWithoutATheme_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

// No icon theme holds "norvane" (a build tree, a bare prefix): every size of the
// committed icon is compiled in, pixel for pixel.
void tst_AppIcon::compiledInWithoutATheme()
{
    QFETCH(int, size);
    QTemporaryDir empty;
    QIcon::setThemeSearchPaths({empty.path()});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    const QIcon icon = app::applicationIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    QCOMPARE(shown(icon, size), committedIcon(size));
}

// Installed, the theme's icon is the one shown, so a site that replaces it in its
// theme sees its own.
void tst_AppIcon::themeIconComesFirst()
{
    QTemporaryDir themes;
    const QDir hicolor(themes.filePath(QStringLiteral("hicolor")));
    QVERIFY(QDir().mkpath(hicolor.filePath(QStringLiteral("48x48/apps"))));
    QFile index(hicolor.filePath(QStringLiteral("index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
                "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n");
    index.close();
    QImage green(48, 48, QImage::Format_ARGB32);
    green.fill(qRgb(0, 160, 0));
    QVERIFY(green.save(hicolor.filePath(QStringLiteral("48x48/apps/norvane.png"))));

    QIcon::setThemeSearchPaths({themes.path()});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    QCOMPARE(shown(app::applicationIcon(), 48), green);
}

void tst_AppIcon::everyWindowGetsIt()
{
    QTemporaryDir empty;
    QIcon::setThemeSearchPaths({empty.path()});
    app::installApplicationIcon();
    QCOMPARE(QGuiApplication::desktopFileName(), app::desktopId());
    QWidget window;
    QCOMPARE(shown(window.windowIcon(), 48), committedIcon(48));
}

QTEST_MAIN(tst_AppIcon)
#include "tst_appicon.moc"
