#include "tools/assets/artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace assets {

namespace {

const QColor kNavy(0, 0, 128);

// Largest pixel size, down from `start`, at which `text` fits in `width`.
QFont fittedFont(const QString &text, int start, qreal width, QFont::Weight weight, qreal spacing)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setWeight(weight);
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    for (int px = start; px > 6; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(text) <= width)
            break;
    }
    return font;
}

} // namespace

EmblemShapes emblemShapes(const QRectF &box)
{
    EmblemShapes e;
    const qreal d = std::min(box.width(), box.height());
    const QPointF c = box.center();
    const qreal r = d / 2.0;

    e.centre = c;
    e.radius = r;
    e.disc = QRadialGradient(c + QPointF(-r * 0.3, -r * 0.4), r * 1.5);
    e.disc.setColorAt(0.0, QColor(40, 64, 178));
    e.disc.setColorAt(0.6, kNavy);
    e.disc.setColorAt(1.0, QColor(0, 0, 84));

    // inner ring
    e.ringRadius = r * 0.84;
    e.ringWidth = std::max(1.0, d * 0.025);
    e.ringColour = QColor(255, 255, 255, 170);

    // cross with softened corners, the two bars filled as one shape
    const qreal arm = d * 0.21;
    const qreal len = d * 0.56;
    e.cross.addRoundedRect(QRectF(c.x() - arm / 2, c.y() - len / 2, arm, len), arm * 0.18, arm * 0.18);
    e.cross.addRoundedRect(QRectF(c.x() - len / 2, c.y() - arm / 2, len, arm), arm * 0.18, arm * 0.18);
    e.cross.setFillRule(Qt::WindingFill);

    // blood drop in the middle of the cross
    const qreal dh = arm * 0.95;
    const QPointF tip(c.x(), c.y() - dh * 0.55);
    const qreal dr = dh * 0.33;
    const QPointF bulb(c.x(), c.y() + dh * 0.12);
    e.drop.moveTo(tip);
    e.drop.cubicTo(tip + QPointF(dr * 0.35, dh * 0.25), bulb + QPointF(dr, -dr * 0.4), bulb + QPointF(dr, 0));
    e.drop.arcTo(QRectF(bulb.x() - dr, bulb.y() - dr, 2 * dr, 2 * dr), 0, -180);
    e.drop.cubicTo(bulb + QPointF(-dr, -dr * 0.4), tip + QPointF(-dr * 0.35, dh * 0.25), tip);
    e.red = QLinearGradient(tip, bulb + QPointF(0, dr));
    e.red.setColorAt(0.0, QColor(232, 48, 56));
    e.red.setColorAt(1.0, QColor(170, 16, 30));
    return e;
}

void paintEmblem(QPainter &p, const QRectF &box)
{
    const EmblemShapes e = emblemShapes(box);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(e.disc);
    p.drawEllipse(e.centre, e.radius, e.radius);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(e.ringColour, e.ringWidth));
    p.drawEllipse(e.centre, e.ringRadius, e.ringRadius);

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(e.cross.simplified());

    p.setBrush(e.red);
    p.drawPath(e.drop);
    p.restore();
}

QImage paintLogo()
{
    QImage canvas(200, 78, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintEmblem(p, QRectF(3, 4, 70, 70));

        const qreal left = 82;
        const qreal width = 200 - left - 2;
        const QString name = QStringLiteral("Brellan");
        const QString rest = QStringLiteral("MEDICAL CENTER");
        const QFont nameFont = fittedFont(name, 34, width, QFont::Bold, 0.0);
        const QFont restFont = fittedFont(rest, 14, width, QFont::Bold, 1.0);

        p.setPen(kNavy);
        p.setFont(nameFont);
        const QFontMetricsF nm(nameFont);
        const qreal nameWidth = nm.horizontalAdvance(name);
        const QFontMetricsF rm(restFont);
        const qreal restWidth = rm.horizontalAdvance(rest);
        const qreal block = std::max(nameWidth, restWidth);
        const qreal x0 = left + (width - block) / 2;
        p.drawText(QPointF(x0 + (block - nameWidth) / 2, 40), name);

        p.fillRect(QRectF(x0, 46, block, 1.5), QColor(200, 24, 36));

        p.setFont(restFont);
        p.setPen(QColor(16, 32, 140));
        p.drawText(QPointF(x0 + (block - restWidth) / 2, 63), rest);
    }

    // A GIF pixel is either fully shown or not at all: keep what is mostly
    // covered, blended onto white, and drop the faint outer fringe.
    QImage logo(canvas.size(), QImage::Format_ARGB32);
    for (int y = 0; y < canvas.height(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(canvas.constScanLine(y));
        auto *dst = reinterpret_cast<QRgb *>(logo.scanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb s = src[x]; // premultiplied
            const int a = qAlpha(s);
            if (a < 100) {
                dst[x] = qRgba(255, 255, 255, 0);
                continue;
            }
            dst[x] = qRgb(qRed(s) + 255 - a, qGreen(s) + 255 - a, qBlue(s) + 255 - a);
        }
    }
    return logo;
}

} // namespace assets
