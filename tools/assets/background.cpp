#include "tools/assets/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>

namespace assets {

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1000;
const qreal kCos30 = std::sqrt(3.0) / 2.0;

// Smooth value noise in [0, 1] from a hashed lattice; fixed, so the artwork repeats exactly.
qreal latticeValue(int x, int y, quint32 seed)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffff) / 65535.0;
}

qreal smoothNoise(qreal x, qreal y, quint32 seed)
{
    const int xi = int(std::floor(x));
    const int yi = int(std::floor(y));
    const qreal fx = x - xi;
    const qreal fy = y - yi;
    const qreal sx = fx * fx * (3 - 2 * fx);
    const qreal sy = fy * fy * (3 - 2 * fy);
    const qreal a = latticeValue(xi, yi, seed);
    const qreal b = latticeValue(xi + 1, yi, seed);
    const qreal c = latticeValue(xi, yi + 1, seed);
    const qreal d = latticeValue(xi + 1, yi + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

qreal noise(qreal x, qreal y)
{
    return 0.65 * smoothNoise(x / 260.0, y / 260.0, 11) + 0.35 * smoothNoise(x / 110.0, y / 110.0, 29);
}

// One isometric cube standing on the point `c` (centre of its top face's lower corner).
void paintCube(QPainter &p, QPointF c, qreal s, qreal strength, bool outlineOnly)
{
    const QPointF top(c.x(), c.y() - s);
    const QPointF left(c.x() - s * kCos30, c.y() - s / 2);
    const QPointF right(c.x() + s * kCos30, c.y() - s / 2);
    const QPointF bottom(c.x(), c.y() + s);
    const QPointF leftLow(c.x() - s * kCos30, c.y() + s / 2);
    const QPointF rightLow(c.x() + s * kCos30, c.y() + s / 2);

    const QPolygonF topFace({top, right, c, left});
    const QPolygonF leftFace({left, c, bottom, leftLow});
    const QPolygonF rightFace({c, right, rightLow, bottom});

    p.setPen(Qt::NoPen);
    if (!outlineOnly) {
        p.setBrush(QColor(255, 255, 255, int(90 * strength)));
        p.drawPolygon(topFace);
        p.setBrush(QColor(120, 142, 170, int(70 * strength)));
        p.drawPolygon(leftFace);
        p.setBrush(QColor(62, 84, 116, int(70 * strength)));
        p.drawPolygon(rightFace);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, int((outlineOnly ? 70 : 110) * strength)), 1.0));
    p.drawPolygon(QPolygonF({top, right, rightLow, bottom, leftLow, left}));
    p.drawLine(c, left);
    p.drawLine(c, right);
    p.drawLine(c, bottom);
}

} // namespace

QImage paintBackground()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient base(0, 0, kWidth, kHeight);
    base.setColorAt(0.0, QColor(202, 215, 232));
    base.setColorAt(0.5, QColor(168, 188, 214));
    base.setColorAt(1.0, QColor(124, 148, 182));
    p.fillRect(image.rect(), base);

    QRadialGradient glow(QPointF(kWidth * 0.45, kHeight * 0.4), kWidth * 0.55);
    glow.setColorAt(0.0, QColor(255, 255, 255, 70));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    // faint isometric lattice over everything
    const qreal s = 30.0;
    const qreal dx = 2 * s * kCos30;
    const qreal dy = 1.5 * s;
    p.setPen(QPen(QColor(255, 255, 255, 16), 1.0));
    for (qreal x0 = -kHeight * 2; x0 < kWidth + kHeight * 2; x0 += dx) {
        p.drawLine(QPointF(x0, 0), QPointF(x0 + kHeight / std::tan(M_PI / 6), kHeight));
        p.drawLine(QPointF(x0, 0), QPointF(x0 - kHeight / std::tan(M_PI / 6), kHeight));
    }

    // clusters of cubes on the lattice where the noise is high
    QRandomGenerator rng(20240611);
    for (int row = -1; row * dy < kHeight + 2 * s; ++row) {
        for (int col = -1; col * dx < kWidth + dx; ++col) {
            const QPointF c(col * dx + ((row & 1) ? dx / 2 : 0), row * dy);
            const qreal n = noise(c.x(), c.y());
            const qreal jitter = rng.generateDouble();
            if (n + 0.18 * jitter < 0.62)
                continue;
            const qreal strength = std::clamp((n - 0.5) * 2.2, 0.25, 1.0);
            paintCube(p, c, s, strength, jitter > 0.82);
        }
    }

    // a few large cubes floating free, outline only
    for (int i = 0; i < 16; ++i) {
        const QPointF c(rng.bounded(kWidth), rng.bounded(kHeight));
        const qreal size = 50 + rng.bounded(90);
        paintCube(p, c, size, 0.5 + 0.4 * rng.generateDouble(), true);
    }

    // scattered digits and short runs of them
    QFont mono(QStringLiteral("Liberation Mono"));
    QFont sans(QStringLiteral("Liberation Sans"));
    for (int i = 0; i < 220; ++i) {
        QFont font = (i % 3 == 0) ? sans : mono;
        font.setBold(rng.bounded(4) == 0);
        const int px = 11 + int(std::pow(rng.generateDouble(), 2.4) * 40);
        font.setPixelSize(px);
        p.setFont(font);
        const bool light = rng.bounded(4) != 0;
        const int alpha = light ? 45 + rng.bounded(60) : 22 + rng.bounded(30);
        p.setPen(light ? QColor(255, 255, 255, alpha) : QColor(44, 66, 104, alpha));
        QString text;
        const int digits = rng.bounded(10) < 8 ? 1 : 2 + rng.bounded(3);
        for (int k = 0; k < digits; ++k)
            text += QChar(u'0' + rng.bounded(10));
        p.drawText(QPointF(rng.bounded(kWidth), rng.bounded(kHeight + px)), text);
    }

    // gentle vignette keeps the edges calm
    QRadialGradient vignette(QPointF(kWidth / 2.0, kHeight / 2.0), kWidth * 0.75);
    vignette.setColorAt(0.6, QColor(40, 60, 90, 0));
    vignette.setColorAt(1.0, QColor(40, 60, 90, 50));
    p.fillRect(image.rect(), vignette);
    return image;
}

} // namespace assets
