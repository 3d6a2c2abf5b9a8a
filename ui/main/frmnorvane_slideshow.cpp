// The slideshow of vkFrame1 (its timer, Timer1, included) and the centring of fraMain.

#include "ui/main/frmnorvane.h"

#include "ui/main/imagebox.h"
#include "widgets/vkframe.h"

#include <QResizeEvent>
#include <QTimer>

#include <cmath>

namespace ui {

void frmNorvane::setupTimer1()
{
    // Paused at load (onSlideshowLoad); the button under the pictures starts and stops it.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setTimerType(Qt::CoarseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmNorvane::onTimer1Tick);
    connect(imgButton, &ImageBox::clicked, this, &frmNorvane::onImgButtonClick);
}

void frmNorvane::onSlideshowLoad()
{
    for (int index = 1; index <= 8; ++index)
        imgPics[index]->setVisible(false);
    FrameIndex = 0;
}

void frmNorvane::onTimer1Tick()
{
    if (FrameIndex == 8)
        FrameIndex = 0;
    else
        FrameIndex = qint16(FrameIndex + 1);
    for (SlideStep = 0; SlideStep <= 8; ++SlideStep)
        imgPics[SlideStep]->setVisible(SlideStep == FrameIndex);
}

void frmNorvane::onImgButtonClick()
{
    if (Timer1->isActive()) {
        Timer1->stop();
        imgButton->setPixmap(imgPlay->pixmap());
        imgButton->setAccessibleName(tr("Play the slideshow"));
    } else {
        Timer1->start();
        imgButton->setPixmap(imgPause->pixmap());
        imgButton->setAccessibleName(tr("Pause the slideshow"));
    }
}

void frmNorvane::centreMain()
{
    // Halves and differences in single precision, unrounded; a window smaller
    // than the frame gives negative offsets, applied as they are. Positions are
    // whole pixels, so the result is rounded once, here, half up: the two
    // overhangs then differ by at most one pixel, and only when the window and
    // the frame differ by an odd number of pixels.
    const float left = float(width()) / 2.0f - float(fraMain->width()) / 2.0f;
    const float top = float(height()) / 2.0f - float(fraMain->height()) / 2.0f;
    fraMain->move(int(std::floor(left + 0.5f)), int(std::floor(top + 0.5f)));
}

void frmNorvane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    centreMain();
}

} // namespace ui
