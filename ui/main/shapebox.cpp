#include "ui/main/shapebox.h"

#include <QPainter>

#include <algorithm>

namespace ui {

ShapeBox::ShapeBox(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ShapeBox::setFillColor(const QColor &color)
{
    m_fill = color;
    update();
}

void ShapeBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // Corners rounded by a sixth of the shorter side.
    const qreal radius = std::min(r.width(), r.height()) / 6.0;
    p.setPen(QPen(m_outline, 1));
    p.setBrush(m_fill);
    p.drawRoundedRect(r, radius, radius);
}

} // namespace ui
