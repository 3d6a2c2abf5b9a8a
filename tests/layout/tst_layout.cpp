// The main window's look and its slideshow: the window at load, the tick and
// the play/pause button, the centring of fraMain, and the places, stacking,
// fonts and tab order where a slip is easy to make.
#include "common/mainwindow.h"
#include "common/windowcontrols.h"
#include "db/embeddedclient.h"
#include "ui/main/frmnorvane.h"
#include "ui/main/imagebox.h"
#include "ui/main/patientnamelabel.h"
#include "widgets/vkframe.h"
#include "widgets/vklistbox.h"

#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int kFrameWidth = 18465 / 15; // fraMain, in pixels
constexpr int kFrameHeight = 10155 / 15;

QImage rgb(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowFillsTheScreenWithoutBorder();
    void slideshowAtLoad();
    void ticksCycleThroughEveryPicture();
    void clickPausesOnThePictureShownAndResumesFromIt();
    void centring_data();
    void centring();
    void centredOnFirstShow();
    void backgroundFillsTheWindow_data();
    void backgroundFillsTheWindow();
    void patientNameReadWhole_data();
    void patientNameReadWhole();
    void examLineCutWithEllipsis();
    void printShowsItHoldsTheFocus();
    void placesInContainers_data();
    void placesInContainers();
    void playButtonDrawnOverItsBackdrop();
    void textFitsItsLabel_data();
    void textFitsItsLabel();
    void tabOrderOfInputControls();

private:
    template<typename T = QWidget>
    T *child(const char *name) const
    {
        return testsupport::control<T>(m_window, name);
    }
    QList<ui::ImageBox *> pictures() const;
    int visiblePicture() const; // index of the one picture shown; -1 if not exactly one
    QTimer *timer() const { return child<QTimer>("Timer1"); }
    void tick() const { QVERIFY(QMetaObject::invokeMethod(timer(), "timeout")); }
    void clickPlayButton() const { QTest::mouseClick(child("imgButton"), Qt::LeftButton, {}, QPoint(17, 17)); }
    QImage buttonIcon() const { return rgb(child<ui::ImageBox>("imgButton")->pixmap()); }
    QImage playIcon() const { return rgb(QPixmap(QStringLiteral(":/assets/play.bmp"))); }
    QImage pauseIcon() const { return rgb(QPixmap(QStringLiteral(":/assets/pause.bmp"))); }

    db::EmbeddedClient m_noDatabase{QString()}; // never opened: the layout asks nothing
    std::unique_ptr<testsupport::MainWindow> m_main;
    ui::frmNorvane *m_window = nullptr;
};

void tst_Layout::init()
{
    m_main = std::make_unique<testsupport::MainWindow>(m_noDatabase);
    m_window = &m_main->window;
}

void tst_Layout::cleanup()
{
    m_main.reset();
}

QList<ui::ImageBox *> tst_Layout::pictures() const
{
    QList<ui::ImageBox *> list;
    for (int i = 0; i <= 8; ++i)
        list.append(child<ui::ImageBox>(qPrintable(QStringLiteral("imgPics(%1)").arg(i))));
    return list;
}

int tst_Layout::visiblePicture() const
{
    int shown = -1;
    const QList<ui::ImageBox *> list = pictures();
    for (int i = 0; i < list.size(); ++i) {
        if (!list[i]->isHidden()) {
            if (shown != -1)
                return -1;
            shown = i;
        }
    }
    return shown;
}

void tst_Layout::windowFillsTheScreenWithoutBorder()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral(" Norvane"));
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar button
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY(m_window->windowState().testFlag(Qt::WindowMaximized));
    QCOMPARE(m_window->geometry(), m_window->screen()->geometry());
}

void tst_Layout::slideshowAtLoad()
{
    QCOMPARE(visiblePicture(), 0);
    for (ui::ImageBox *picture : pictures())
        QVERIFY(!picture->pixmap().isNull()); // decoded with the window
    QVERIFY(!timer()->isActive());
    QCOMPARE(timer()->interval(), 1000);
    QCOMPARE(buttonIcon(), playIcon());
    QVERIFY(playIcon() != pauseIcon());
    QVERIFY(child("imgPlay")->isHidden());
    QVERIFY(child("imgPause")->isHidden());
    QVERIFY(!child("imgButton")->isHidden());
    QVERIFY(!child("Shape1")->isHidden());
}

void tst_Layout::ticksCycleThroughEveryPicture()
{
    m_window->show();
    // Two full rounds: 1 .. 8, 0, 1 .. 8, 0.
    for (int n = 1; n <= 18; ++n) {
        tick();
        QCOMPARE(visiblePicture(), n % 9);
    }
    QVERIFY(child("imgPics(0)")->isVisible());
}

void tst_Layout::clickPausesOnThePictureShownAndResumesFromIt()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    clickPlayButton();
    QVERIFY(timer()->isActive());
    QCOMPARE(buttonIcon(), pauseIcon());
    // A screen reader hears what a click would do now.
    QCOMPARE(child("imgButton")->accessibleName(), QStringLiteral("Pause the slideshow"));
    QCOMPARE(visiblePicture(), 0); // the first picture change waits for the first tick
    tick();
    tick();
    QCOMPARE(visiblePicture(), 2);

    clickPlayButton();
    QVERIFY(!timer()->isActive());
    QCOMPARE(buttonIcon(), playIcon());
    QCOMPARE(child("imgButton")->accessibleName(), QStringLiteral("Play the slideshow"));
    QCOMPARE(visiblePicture(), 2);

    clickPlayButton();
    QVERIFY(timer()->isActive());
    QCOMPARE(buttonIcon(), pauseIcon());
    QCOMPARE(visiblePicture(), 2);
    tick();
    QCOMPARE(visiblePicture(), 3);

    // A real tick of the running timer moves on as well.
    QTRY_COMPARE_WITH_TIMEOUT(visiblePicture(), 4, 3000);
}

void tst_Layout::centring_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("expected");
    // Left = w/2 - 1231/2, Top = h/2 - 677/2, rounded half up at the end.
    QTest::newRow("1920x1080") << QSize(1920, 1080) << QPoint(345, 202); // 344.5 / 201.5
    QTest::newRow("1280x800") << QSize(1280, 800) << QPoint(25, 62);     // 24.5 / 61.5
    QTest::newRow("frame size") << QSize(1231, 677) << QPoint(0, 0);
    QTest::newRow("1025x768, narrower") << QSize(1025, 768) << QPoint(-103, 46);         // -103 / 45.5
    QTest::newRow("800x600, smaller") << QSize(800, 600) << QPoint(-215, -38);           // -215.5 / -38.5
    QTest::newRow("1001x501, even difference") << QSize(1001, 501) << QPoint(-115, -88); // -115 / -88
}

void tst_Layout::centring()
{
    QFETCH(QSize, window);
    QFETCH(QPoint, expected);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->setWindowState(Qt::WindowNoState);
    m_window->resize(window);
    QTRY_COMPARE(m_window->size(), window);

    auto *frame = child<widgets::vkFrame>("fraMain");
    QCOMPARE(frame->size(), QSize(kFrameWidth, kFrameHeight));
    QCOMPARE(frame->pos(), expected);
    // Overhang (or margin) on each side: equal, or one pixel apart when the
    // two sizes differ by an odd number of pixels.
    const int left = frame->x(), right = window.width() - frame->geometry().right() - 1;
    const int top = frame->y(), bottom = window.height() - frame->geometry().bottom() - 1;
    QCOMPARE(std::abs(left - right), (window.width() - kFrameWidth) % 2 == 0 ? 0 : 1);
    QCOMPARE(std::abs(top - bottom), (window.height() - kFrameHeight) % 2 == 0 ? 0 : 1);
}

void tst_Layout::centredOnFirstShow()
{
    QCOMPARE(child("fraMain")->pos(), QPoint(12, 8)); // as laid out, until shown
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    const QSize size = m_window->size();
    const QPoint expected(int(std::floor(size.width() / 2.0f - kFrameWidth / 2.0f + 0.5f)),
                          int(std::floor(size.height() / 2.0f - kFrameHeight / 2.0f + 0.5f)));
    QCOMPARE(child("fraMain")->pos(), expected);
}

void tst_Layout::backgroundFillsTheWindow_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("1280x800") << QSize(1280, 800);
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1600x1000, the picture's size") << QSize(1600, 1000);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
    QTest::newRow("1920x1200") << QSize(1920, 1200);
    QTest::newRow("2560x1440") << QSize(2560, 1440);
}

void tst_Layout::backgroundFillsTheWindow()
{
    QFETCH(QSize, window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->setWindowState(Qt::WindowNoState);
    m_window->resize(window);
    QTRY_COMPARE(m_window->size(), window);
    const QImage shot = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage background = rgb(QPixmap(QStringLiteral(":/assets/background.bmp")));
    QCOMPARE(background.size(), QSize(1600, 1000));
    const QColor windowColour = m_window->palette().color(QPalette::Window);
    // Around fraMain, along every edge, the picture and never the bare window.
    const QRect frame = child("fraMain")->geometry();
    int picture = 0;
    for (int x = 0; x < window.width(); x += 7)
        for (int y : {0, window.height() - 1})
            if (!frame.contains(x, y)) {
                QVERIFY2(shot.pixelColor(x, y) != windowColour,
                         qPrintable(QStringLiteral("bare at %1,%2").arg(x).arg(y)));
                ++picture;
            }
    for (int y = 0; y < window.height(); y += 7)
        for (int x : {0, window.width() - 1})
            if (!frame.contains(x, y)) {
                QVERIFY2(shot.pixelColor(x, y) != windowColour,
                         qPrintable(QStringLiteral("bare at %1,%2").arg(x).arg(y)));
                ++picture;
            }
    QVERIFY(picture > 100);
    // On a screen the picture covers it is drawn unscaled from the top-left corner.
    if (window.width() <= 1600 && window.height() <= 1000)
        for (const QPoint p : {QPoint(0, 0), QPoint(5, 700), QPoint(window.width() - 1, 5)})
            QCOMPARE(shot.pixelColor(p), background.pixelColor(p));
}

void tst_Layout::patientNameReadWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("whole"); // fits at the smallest size, on two lines at most
    QTest::newRow("short") << "O'BRIEN, MARGARET" << true;
    QTest::newRow("47 characters") << "DELA CRUZ-FERNANDEZ, MARIA ANTONIETTE GUADALUPE" << true;
    QTest::newRow("79 characters") << "WOLFESCHLEGELSTEINHAUSENBERGERDORFF-PENALOZA, HUBERT BLAINE MARIA DE LOS SANTOS"
                                   << true;
    QTest::newRow("accents") << QStringLiteral("PEÑA-ÁLVAREZ, JOSÉ LUIS ÑÚÑEZ DE GUZMÁN Y CÓRDOBA") << true;
    QTest::newRow("CJK") << QStringLiteral("欧阳娜娜 (OUYANG NANA) 欧阳娜娜欧阳娜娜欧阳娜娜欧阳娜娜欧阳娜娜") << true;
    QTest::newRow("one word wider than the label")
        << "WOLFESCHLEGELSTEINHAUSENBERGERDORFFWELCHEVORALTERNWAREN, HUBERT" << true;
    QTest::newRow("too long even for two lines") << QString(QStringLiteral("SANTOS ").repeated(40) + "END") << false;
}

void tst_Layout::patientNameReadWhole()
{
    QFETCH(QString, name);
    QFETCH(bool, whole);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    child("fraExams")->setEnabled(true); // as with a patient shown
    auto *label = child<ui::PatientNameLabel>("lblPatientName");
    label->setName(name);
    QCOMPARE(label->toolTip(), name);

    const QStringList lines = label->shownLines();
    const QFont font = label->shownFont();
    QVERIFY(lines.size() == 1 || lines.size() == 2);
    QVERIFY(font.pointSizeF() >= ui::PatientNameLabel::kSmallestPoints);
    QVERIFY(font.pointSizeF() <= 14.25);
    const QFontMetricsF metrics(font);
    for (const QString &line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) <= label->width(), qPrintable(line));
    QVERIFY(lines.size() * metrics.height() <= label->height() + 1);
    // The first character is always there; the last one too when the name fits,
    // and every character in between, in order.
    QCOMPARE(lines.first().front(), name.front());
    QString shown = lines.join(QString());
    shown.remove(u' ');
    QString all = name;
    all.remove(u' ');
    if (whole) {
        QCOMPARE(lines.last().back(), name.back());
        QCOMPARE(shown, all);
    } else {
        QVERIFY(lines.last().endsWith(QChar(0x2026)));
        QVERIFY(all.startsWith(shown.chopped(1)));
    }
    // What is drawn: ink inside the label, clear of its left and right edges.
    const QImage drawn = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int left = drawn.width(), right = -1;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (qRed(drawn.pixel(x, y)) < 200 && qGreen(drawn.pixel(x, y)) < 160) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY(right > left);
    QVERIFY2(left > 0 && right < drawn.width() - 1,
             qPrintable(QStringLiteral("ink from %1 to %2").arg(left).arg(right)));
}

void tst_Layout::examLineCutWithEllipsis()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    auto *list = child<widgets::vkListBox>("lstExams");
    const QString fits = QStringLiteral("T1000001C [HEMATOLOGY] ");
    const QString wide = QStringLiteral("T1000001C [GLYCOSYLATED HEMOGLOBIN AND BLOOD TYPING PANEL, PEDIATRICS] ");
    list->addItem(fits);
    list->addItem(wide);
    QCOMPARE(list->shownItemText(1), fits);
    const QString shown = list->shownItemText(2);
    QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
    QVERIFY(wide.startsWith(shown.chopped(1)));
    QVERIFY(list->fontMetrics().horizontalAdvance(shown) < list->width());
}

void tst_Layout::printShowsItHoldsTheFocus()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    child("fraExams")->setEnabled(true);
    auto *print = child("cmdGenerate");
    print->setEnabled(true);
    child("cmdNew")->setFocus(Qt::TabFocusReason);
    const QImage without = print->grab().toImage().convertToFormat(QImage::Format_RGB32);
    print->setFocus(Qt::TabFocusReason);
    QVERIFY(print->hasFocus());
    const QImage with = print->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(with.size(), without.size());
    // A ring around the caption: at least one pixel in two along the button's
    // whole outline looks different.
    int changed = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            const QColor a = with.pixelColor(x, y), b = without.pixelColor(x, y);
            changed += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue())
                > 96;
        }
    QVERIFY2(changed >= with.width() + with.height(), qPrintable(QStringLiteral("%1 pixels changed").arg(changed)));
}

void tst_Layout::placesInContainers_data()
{
    // Each container with controls that lie in it side by side: every one inside
    // the container (below a frame's caption band), none over another.
    QTest::addColumn<QString>("container");
    QTest::addColumn<QStringList>("controls");
    QTest::newRow("fraMain: frames and header")
        << "fraMain" << QStringList{"vkFrame1", "fraSearch", "fraExams", "Image2", "Label3", "Label7"};
    // The two longer header lines span the logo's corner and each other's edge by
    // design (their text is centred); they keep clear of the frames.
    QTest::newRow("fraMain: Label4") << "fraMain" << QStringList{"vkFrame1", "fraSearch", "fraExams", "Label4"};
    QTest::newRow("fraMain: Label5") << "fraMain" << QStringList{"vkFrame1", "fraSearch", "fraExams", "Label5"};
    QTest::newRow("fraSearch") << "fraSearch" << QStringList{"txtNumber", "cmdKeyboard", "Image1", "Label1", "Label2"};
    QTest::newRow("fraExams") << "fraExams" << QStringList{"lblPatientName", "lstExams",    "chkAll", "vkLabel1",
                                                           "txtCopies",      "cmdGenerate", "cmdNew"};
    for (int i = 0; i <= 8; ++i)
        QTest::addRow("vkFrame1: imgPics(%d) above the buttons", i)
            << "vkFrame1" << QStringList{QStringLiteral("imgPics(%1)").arg(i), "Shape1", "imgPlay", "imgPause"};
}

void tst_Layout::placesInContainers()
{
    QFETCH(QString, container);
    QFETCH(QStringList, controls);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QWidget *parent = child(qPrintable(container));
    const auto *frame = qobject_cast<widgets::vkFrame *>(parent);
    const int band = frame && !frame->caption().isEmpty() ? frame->captionHeight() : 0;
    const QRect inside(0, band, parent->width(), parent->height() - band);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QWidget *w = child(qPrintable(controls[i]));
        QCOMPARE(w->parentWidget(), parent);
        QVERIFY2(inside.contains(w->geometry()), qPrintable(controls[i]));
        // A picture control is exactly as large as its picture.
        if (auto *image = qobject_cast<ui::ImageBox *>(w))
            QCOMPARE(image->pixmap().size(), w->size());
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            QVERIFY2(!w->geometry().intersects(child(qPrintable(controls[j]))->geometry()),
                     qPrintable(controls[i] + QStringLiteral(" over ") + controls[j]));
    }
}

void tst_Layout::playButtonDrawnOverItsBackdrop()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    auto *frame = child("vkFrame1");
    const QRect button = child("imgButton")->geometry();
    QVERIFY(child("Shape1")->geometry().contains(button));
    const QImage drawn = frame->grab(button).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(drawn, playIcon());
    // The picture shown lies over nothing of the button row, and the button
    // takes the click rather than the backdrop.
    QCOMPARE(frame->childAt(button.center()), child("imgButton"));
}

void tst_Layout::textFitsItsLabel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("color");
    QTest::newRow("Label3") << "Label3" << 24.0 << false << QColor(0, 0, 128);
    QTest::newRow("Label4") << "Label4" << 20.25 << false << QColor(0, 0, 128);
    QTest::newRow("Label5") << "Label5" << 20.25 << false << QColor(0, 0, 128);
    QTest::newRow("Label7") << "Label7" << 8.25 << true << QColor(0, 0, 192);
    QTest::newRow("Label1") << "Label1" << 8.25 << true << QColor(218, 16, 16);
    QTest::newRow("Label2") << "Label2" << 8.25 << true << QColor(218, 16, 16);
    QTest::newRow("vkLabel1") << "vkLabel1" << 12.0 << true << QColor(128, 128, 128);
    QTest::newRow("lblPatientName") << "lblPatientName" << 14.25 << true << QColor(128, 0, 0);
}

void tst_Layout::textFitsItsLabel()
{
    QFETCH(QString, name);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(QColor, color);
    auto *label = child<QLabel>(qPrintable(name));
    QCOMPARE(label->font().pointSizeF(), points);
    QCOMPARE(label->font().bold(), bold);
    QVERIFY(!label->font().italic());
    QCOMPARE(label->palette().color(QPalette::WindowText), color);
    // Nothing clipped with the fonts this machine puts in place.
    const QFontMetrics metrics(label->font());
    QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
             qPrintable(QStringLiteral("%1 px of text in %2 px")
                            .arg(metrics.horizontalAdvance(label->text()))
                            .arg(label->width())));
    QVERIFY2(metrics.ascent() + metrics.descent() <= label->height(),
             qPrintable(
                 QStringLiteral("%1 px high in %2 px").arg(metrics.ascent() + metrics.descent()).arg(label->height())));
}

void tst_Layout::tabOrderOfInputControls()
{
    const QStringList expected = {QStringLiteral("cmdKeyboard"), QStringLiteral("txtNumber"),
                                  QStringLiteral("lstExams"),    QStringLiteral("cmdGenerate"),
                                  QStringLiteral("cmdNew"),      QStringLiteral("chkAll"),
                                  QStringLiteral("txtCopies")};
    QStringList order;
    QWidget *w = child("cmdKeyboard");
    do {
        if (expected.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
            order.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != child("cmdKeyboard") && order.size() < expected.size());
    QCOMPARE(order, expected);
}

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
