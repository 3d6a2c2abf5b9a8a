#include "tools/assets/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace assets {

namespace {

QImage whiteCanvas(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// A glossy blue disc: the shared body of the search badge and the play and pause buttons.
void paintBlueDisc(QPainter &p, QPointF centre, qreal radius)
{
    QRadialGradient body(centre + QPointF(-radius * 0.35, -radius * 0.45), radius * 1.55);
    body.setColorAt(0.0, QColor(104, 170, 240));
    body.setColorAt(0.55, QColor(37, 106, 200));
    body.setColorAt(1.0, QColor(16, 62, 148));
    p.setPen(QPen(QColor(14, 54, 128), 1.0));
    p.setBrush(body);
    p.drawEllipse(centre, radius, radius);

    // soft reflection on the upper half
    QLinearGradient shine(centre.x(), centre.y() - radius, centre.x(), centre.y());
    shine.setColorAt(0.0, QColor(255, 255, 255, 120));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(centre.x() - radius * 0.72, centre.y() - radius * 0.92, radius * 1.44, radius * 0.9));
}

} // namespace

QImage paintSearchIcon()
{
    QImage image = whiteCanvas(49, 50);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBlueDisc(p, QPointF(24.5, 25.0), 22.5);

    const QPointF lens(21.0, 21.5);
    const qreal r = 8.5;
    QPen handle(Qt::white, 5.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(handle);
    p.drawLine(lens + QPointF(r * 0.72, r * 0.72), QPointF(34.0, 35.0));
    p.setPen(QPen(Qt::white, 3.2));
    p.setBrush(QColor(255, 255, 255, 55));
    p.drawEllipse(lens, r, r);
    // glint on the glass
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(lens.x() - r + 3.2, lens.y() - r + 3.2, 2 * r - 6.4, 2 * r - 6.4), 100 * 16, 70 * 16);
    return image;
}

QImage paintKeyboardIcon()
{
    QImage image = whiteCanvas(36, 31);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // cable leaving the top edge
    QPainterPath cable(QPointF(18.0, 8.0));
    cable.cubicTo(18.0, 4.0, 24.0, 5.0, 25.0, 1.0);
    p.setPen(QPen(QColor(70, 82, 98), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);

    const QRectF body(0.5, 8.5, 35.0, 19.0);
    QLinearGradient bodyFill(0, body.top(), 0, body.bottom());
    bodyFill.setColorAt(0.0, QColor(98, 114, 136));
    bodyFill.setColorAt(1.0, QColor(52, 62, 78));
    p.setPen(QPen(QColor(40, 48, 60), 1.0));
    p.setBrush(bodyFill);
    p.drawRoundedRect(body, 3.0, 3.0);

    // keys on whole pixels, so they stay crisp at this size
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor key(244, 247, 251);
    const QColor keyShade(170, 182, 200);
    // each key: two rows of face, one of shade, then a row of the dark body as gap
    auto drawKey = [&](int x, int y, int w) {
        p.fillRect(x, y, w, 2, key);
        p.fillRect(x, y + 2, w, 1, keyShade);
    };
    for (int i = 0; i < 8; ++i)
        drawKey(2 + i * 4, 11, 3); // top row of 8 keys
    drawKey(2, 15, 5);             // tab
    for (int i = 0; i < 6; ++i)
        drawKey(8 + i * 4, 15, 3);
    drawKey(32, 15, 2);
    drawKey(2, 19, 6); // caps
    for (int i = 0; i < 5; ++i)
        drawKey(9 + i * 4, 19, 3);
    drawKey(29, 19, 5); // enter
    drawKey(2, 23, 5);
    drawKey(8, 23, 20); // space bar
    drawKey(29, 23, 5);
    return image;
}

QImage paintPlayIcon()
{
    QImage image = whiteCanvas(34, 34);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBlueDisc(p, QPointF(17.0, 17.0), 15.5);

    QPainterPath triangle;
    triangle.moveTo(13.0, 10.0);
    triangle.lineTo(24.5, 17.0);
    triangle.lineTo(13.0, 24.0);
    triangle.closeSubpath();
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(triangle);
    return image;
}

QImage paintPauseIcon()
{
    QImage image = whiteCanvas(34, 34);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBlueDisc(p, QPointF(17.0, 17.0), 15.5);

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(11.0, 10.0, 4.5, 14.0), 1.2, 1.2);
    p.drawRoundedRect(QRectF(18.5, 10.0, 4.5, 14.0), 1.2, 1.2);
    return image;
}

QRectF appIconBox(int size)
{
    // A one-pixel margin (none at 16 px) keeps the antialiased rim inside the square.
    const qreal margin = size >= 32 ? size / 32.0 : 0.0;
    return QRectF(margin, margin, size - 2 * margin, size - 2 * margin);
}

QImage paintAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintEmblem(p, appIconBox(size));
    p.end();
    return image;
}

} // namespace assets
