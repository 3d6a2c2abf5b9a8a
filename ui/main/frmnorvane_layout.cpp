// The main window's look: a borderless window filling the screen, the
// background picture, and fraMain carrying the header, the search frame, the
// exams frame and the slideshow frame. Places and sizes below are in twips
// (15 to a device-independent pixel), relative to each control's container.
#include "ui/main/frmnorvane.h"

#include "ui/main/imagebox.h"
#include "ui/main/patientnamelabel.h"
#include "ui/main/shapebox.h"
#include "ui/main/uilogging.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <initializer_list>

// The pictures live in the program (assets.qrc); a static library must register
// them itself, outside any namespace.
static void initAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace ui {

namespace {

constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

// Fonts by their face on the machine the layout was drawn on, each followed by
// the closest face every Linux desktop has: Arial by Liberation Sans (same
// widths); MS Sans Serif by Liberation Sans; Tahoma by DejaVu Sans Condensed,
// whose narrow bold keeps the search hint within its label.
QFont face(const QStringList &families, qreal points, bool bold)
{
    QFont f;
    f.setFamilies(families);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont arial(qreal points, bool bold)
{
    return face({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, points, bold);
}

QFont msSansSerif(qreal points, bool bold)
{
    return face(
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans")},
        points, bold);
}

QFont tahoma(qreal points, bool bold)
{
    return face({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")},
                points, bold);
}

void setTextColor(QWidget *w, const QColor &color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::Text, color);
    w->setPalette(pal);
}

// A plain label with no background of its own.
QLabel *platformLabel(QWidget *parent, const char *name, const QString &text, const QFont &font, const QColor &color,
                      Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAutoFillBackground(false);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setWordWrap(false);
    label->setContentsMargins(0, 0, 0, 0);
    setTextColor(label, color);
    return label;
}

ImageBox *image(QWidget *parent, const char *name, const QPixmap &picture)
{
    auto *box = new ImageBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setPixmap(picture);
    return box;
}

// Stacks siblings so that each is drawn over those listed after it.
void stackTopFirst(std::initializer_list<QWidget *> topToBottom)
{
    for (auto it = std::rbegin(topToBottom); it != std::rend(topToBottom); ++it)
        (*it)->raise();
}

// Decodes a compiled-in picture now, so that nothing is decoded while showing.
QPixmap picture(const QString &name)
{
    QPixmap pixmap(QStringLiteral(":/assets/") + name);
    if (pixmap.isNull())
        qCWarning(lcUi, "Picture %s is missing from the program", qPrintable(name));
    return pixmap;
}

const QColor kNavy(0, 0, 128);
const QColor kGrey(128, 128, 128);
const QColor kLightGrey(192, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kHintRed(218, 16, 16);
const QColor kLegendBlue(49, 106, 197);

} // namespace

void frmNorvane::layoutControls()
{
    initAssets();
    // No border, no title bar, and as a tool window no taskbar button.
    setWindowFlags(Qt::Window | Qt::Tool | Qt::FramelessWindowHint);
    m_background = picture(QStringLiteral("background.bmp"));

    buildHeader();
    buildSlideshow();
    placeControls();
    applyLook();

    // Within each container the first listed is drawn over the rest.
    stackTopFirst({fraSearch, fraExams, vkFrame1, Label5, Label4, Label7, Label3, Image2});
    stackTopFirst({txtNumber, cmdKeyboard, Image1, Label1, Label2});
    stackTopFirst({vkLabel1, txtCopies, chkAll, cmdNew, lblPatientName, cmdGenerate, lstExams});
    stackTopFirst({imgPics[8], imgPics[7], imgPics[6], imgPics[5], imgPics[4], imgPics[3], imgPics[2], imgPics[1],
                   imgPics[0], imgPause, imgPlay, imgButton, Shape1});

    fitToScreen();
    onSlideshowLoad();
}

void frmNorvane::buildHeader()
{
    Image2 = image(fraMain, "Image2", picture(QStringLiteral("logo.gif")));
    Image2->setAccessibleName(tr("Brellan Medical Center logo"));
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
    Label3 = platformLabel(fraMain, "Label3", QStringLiteral("Brellan Medical Center"), arial(24, false), kNavy,
                           centred);
    Label4 = platformLabel(fraMain, "Label4", tr("Laboratory Blood Extraction Section"), arial(20.25, false), kNavy,
                           centred);
    Label5 = platformLabel(fraMain, "Label5", tr("Barcode Label Printing"), arial(20.25, false), kNavy, centred);
    Label7 = platformLabel(fraMain, "Label7", tr("Founded in 1962"), arial(8.25, true), QColor(0, 0, 192), centred);
}

void frmNorvane::buildSlideshow()
{
    vkFrame1 = new widgets::vkFrame(fraMain);
    vkFrame1->setObjectName(QStringLiteral("vkFrame1"));
    vkFrame1->setCaption(QStringLiteral("www.brellanmedical.example"));

    static const char *const names[9] = {"imgPics(0)", "imgPics(1)", "imgPics(2)", "imgPics(3)", "imgPics(4)",
                                         "imgPics(5)", "imgPics(6)", "imgPics(7)", "imgPics(8)"};
    vkFrame1->setAccessibleDescription(tr("Slideshow"));
    imgPics[0] = image(vkFrame1, names[0], picture(QStringLiteral("slide0.bmp")));
    for (int i = 1; i <= 8; ++i)
        imgPics[i] = image(vkFrame1, names[i], picture(QStringLiteral("slide%1.jpg").arg(i)));
    for (int i = 0; i <= 8; ++i)
        imgPics[i]->setAccessibleName(tr("Slideshow picture %1 of 9").arg(i + 1));

    imgPlay = image(vkFrame1, "imgPlay", picture(QStringLiteral("play.bmp")));
    imgPause = image(vkFrame1, "imgPause", picture(QStringLiteral("pause.bmp")));
    imgPlay->setAccessibleName(tr("Play"));
    imgPause->setAccessibleName(tr("Pause"));
    imgPlay->hide();
    imgPause->hide();
    imgButton = image(vkFrame1, "imgButton", imgPlay->pixmap());
    imgButton->setCursor(Qt::PointingHandCursor);
    imgButton->setToolTip(tr("Play / Pause"));
    imgButton->setAccessibleName(tr("Play the slideshow"));
    Shape1 = new ShapeBox(vkFrame1);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setAccessibleName(tr("Slideshow button backdrop"));
    Shape1->setFillColor(kWhite);

    setupTimer1();
}

void frmNorvane::placeControls()
{
    // The window as laid out, before it takes the whole screen.
    resize(px(18735), px(10395));
    place(fraMain, 180, 120, 18465, 10155);
    place(vkFrame1, 180, 2220, 10125, 7725);
    place(fraExams, 10410, 4050, 7875, 5895);
    place(fraSearch, 10410, 2220, 7875, 1785);

    place(Image2, 2400, 540, 3000, 1170);
    place(Label3, 6360, 510, 7215, 555);
    place(Label4, 5280, 1140, 9495, 465);
    place(Label5, 6360, 1590, 7245, 465);
    place(Label7, 3090, 1710, 1605, 195);

    place(Image1, 180, 390, 735, 750);
    place(Label1, 1050, 420, 2295, 195);
    place(Label2, 1050, 660, 6135, 195);
    place(txtNumber, 1020, 960, 5895, 585);
    place(cmdKeyboard, 6930, 930, 735, 615);

    place(lblPatientName, 180, 405, 7530, 600);
    place(lstExams, 450, 1080, 6855, 2850);
    place(chkAll, 495, 4005, 2400, 465);
    place(vkLabel1, 3690, 4095, 2760, 285);
    place(txtCopies, 6705, 4005, 600, 465);
    place(cmdGenerate, 2430, 4770, 2445, 960);
    place(cmdNew, 4950, 4770, 2445, 960);

    place(imgPics[0], 210, 450, 9720, 6480);
    place(imgPics[1], 1200, 630, 7800, 6000);
    place(imgPics[2], 1200, 630, 7800, 6000);
    place(imgPics[3], 1680, 810, 6840, 5700);
    place(imgPics[4], 1110, 570, 7950, 6150);
    place(imgPics[5], 960, 540, 8250, 6300);
    place(imgPics[6], 1890, 1230, 6495, 5085);
    place(imgPics[7], 1650, 840, 6945, 5790);
    place(imgPics[8], 1200, 720, 7800, 6000);
    place(imgButton, 4800, 7080, 510, 510);
    place(Shape1, 4050, 7020, 1935, 615);
    place(imgPlay, 210, 7080, 510, 510);
    place(imgPause, 780, 7080, 510, 510);
}

void frmNorvane::applyLook()
{
    fraMain->setFont(msSansSerif(8.25, false));
    fraMain->setCaption(QString());
    fraMain->setBackcolor2(kWhite);
    vkFrame1->setFont(arial(8.25, true));
    vkFrame1->setBackcolor1(QColor(0, 0, 0));
    vkFrame1->setBackcolor2(QColor(0, 0, 0));
    fraExams->setFont(arial(9, true));
    fraExams->setBackcolor2(kWhite);
    fraSearch->setFont(arial(9, true));
    fraSearch->setBackcolor2(kWhite);

    Image1->setPixmap(picture(QStringLiteral("search.bmp")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(false);
    for (QLabel *label : {Label1, Label2}) {
        label->setFont(tahoma(8.25, true));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAutoFillBackground(false);
        label->setContentsMargins(0, 0, 0, 0);
        setTextColor(label, kHintRed);
    }

    txtNumber->setFont(tahoma(18, false));
    txtNumber->setLegendfont(msSansSerif(8.25, false));
    txtNumber->setLegendforecolor(kLegendBlue);

    // A graphical button: the keyboard picture on white, no caption.
    cmdKeyboard->setText(QString());
    const QPixmap keyboard = picture(QStringLiteral("keyboard.bmp"));
    cmdKeyboard->setIcon(QIcon(keyboard));
    cmdKeyboard->setIconSize(keyboard.size());
    {
        QPalette pal = cmdKeyboard->palette();
        pal.setColor(QPalette::Button, kWhite);
        cmdKeyboard->setPalette(pal);
    }

    applyExamsLook();
}

void frmNorvane::applyExamsLook()
{
    lblPatientName->setFont(arial(14.25, true));
    lblPatientName->setForecolor(QColor(128, 0, 0));
    lblPatientName->setBackcolor(kWhite);

    lstExams->setFont(arial(14.25, true));
    lstExams->setForecolor(kGrey);
    lstExams->setBordercolor(kLightGrey);

    chkAll->setFont(arial(12, true));
    chkAll->setForecolor(kGrey);
    chkAll->setBackcolor(kWhite);

    vkLabel1->setFont(arial(12, true));
    vkLabel1->setForecolor(kGrey);
    vkLabel1->setBackcolor(kWhite);

    txtCopies->setFont(arial(14.25, true));
    txtCopies->setLegendfont(arial(12, true));
    txtCopies->setBordercolor(kLightGrey);
    txtCopies->setLegendforecolor(kLegendBlue);

    cmdGenerate->setFont(arial(12, true));
    cmdNew->setFont(arial(12, true));
}

void frmNorvane::fitToScreen()
{
    // Maximized, and given the screen's whole area as well: without a window
    // manager nothing else would make the window fill the screen. A screen whose
    // size changes (a new resolution) takes the window along.
    QScreen *display = screen();
    if (!display)
        return;
    setGeometry(display->geometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    connect(display, &QScreen::geometryChanged, this, [this](const QRect &area) {
        if (windowState() & Qt::WindowMaximized)
            setGeometry(area);
    });
}

void frmNorvane::paintEvent(QPaintEvent *)
{
    // From the top-left corner, unscaled on a screen the picture covers; on a
    // larger one it is enlarged, its proportions kept, until it covers the whole
    // window, so that no band of bare window shows beside or below it.
    const QSize window = size();
    if (m_background.isNull())
        return;
    const qreal scale = std::max(
        {1.0, qreal(window.width()) / m_background.width(), qreal(window.height()) / m_background.height()});
    const QSize shown(int(std::ceil(m_background.width() * scale)), int(std::ceil(m_background.height() * scale)));
    if (m_backgroundShown.size() != shown)
        m_backgroundShown = scale == 1.0 ? m_background
                                         : m_background.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_backgroundShown);
}

} // namespace ui
