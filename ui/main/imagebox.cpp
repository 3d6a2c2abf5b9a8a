#include "ui/main/imagebox.h"

#include <QMouseEvent>

namespace ui {

ImageBox::ImageBox(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setScaledContents(false);
    setFrameShape(QFrame::NoFrame);
    setContentsMargins(0, 0, 0, 0);
}

void ImageBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void ImageBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            Q_EMIT clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace ui
