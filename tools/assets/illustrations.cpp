#include "tools/assets/illustrations.h"

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

const QColor kGlass(255, 255, 255, 70);
const QColor kGlassEdge(255, 255, 255, 210);
const QColor kBloodLight(232, 57, 70);
const QColor kBloodDark(158, 20, 30);

QFont boldFont(int px)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(px);
    return font;
}

// A drop with its tip at `tip` and a round bottom of radius `r` centred on `bulb`.
QPainterPath dropPath(QPointF tip, QPointF bulb, qreal r)
{
    QPainterPath path(tip);
    path.cubicTo(tip + QPointF(r * 0.15, (bulb.y() - tip.y()) * 0.35), bulb + QPointF(r, -r * 0.75),
                 bulb + QPointF(r, 0));
    path.arcTo(QRectF(bulb.x() - r, bulb.y() - r, 2 * r, 2 * r), 0, -180);
    path.cubicTo(bulb + QPointF(-r, -r * 0.75), tip + QPointF(-r * 0.15, (bulb.y() - tip.y()) * 0.35), tip);
    path.closeSubpath();
    return path;
}

void paintRedCell(QPainter &p, QPointF c, qreal r, qreal squash)
{
    p.save();
    p.translate(c);
    p.scale(1.0, squash);
    QRadialGradient body(QPointF(-r * 0.3, -r * 0.3), r * 1.3);
    body.setColorAt(0.0, QColor(240, 98, 108));
    body.setColorAt(1.0, QColor(176, 30, 44));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawEllipse(QPointF(0, 0), r, r);
    p.setBrush(QColor(140, 14, 28, 120));
    p.drawEllipse(QPointF(r * 0.05, r * 0.08), r * 0.5, r * 0.5);
    p.restore();
}

void paintBloodCount(QPainter &p)
{
    // white cell with its lobed nucleus
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 230, 250));
    p.drawEllipse(QPointF(38, 150), 19, 19);
    p.setBrush(QColor(123, 74, 168));
    p.drawEllipse(QPointF(32, 146), 7, 7);
    p.drawEllipse(QPointF(42, 143), 6, 6);
    p.drawEllipse(QPointF(40, 155), 6.5, 6.5);

    paintRedCell(p, QPointF(42, 62), 20, 0.8);
    paintRedCell(p, QPointF(166, 58), 15, 0.85);
    paintRedCell(p, QPointF(168, 150), 22, 0.75);

    // platelets
    p.setBrush(QColor(214, 190, 240));
    p.drawEllipse(QPointF(150, 105), 5, 3);
    p.drawEllipse(QPointF(62, 110), 4, 2.5);
    p.drawEllipse(QPointF(140, 186), 4.5, 3);

    const QPainterPath drop = dropPath(QPointF(100, 18), QPointF(100, 126), 54);
    QLinearGradient red(70, 40, 140, 180);
    red.setColorAt(0.0, kBloodLight);
    red.setColorAt(1.0, kBloodDark);
    p.setBrush(red);
    p.drawPath(drop);
    p.setPen(QPen(QColor(255, 255, 255, 110), 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(58, 84, 84, 84), 160 * 16, 55 * 16);

    paintRedCell(p, QPointF(134, 168), 14, 0.8);
}

void paintTube(QPainter &p, qreal x, qreal top, qreal bottom, qreal level, const QColor &liquid, const QColor &cap)
{
    const qreal w = 24;
    QPainterPath tube;
    tube.moveTo(x, top);
    tube.lineTo(x, bottom - w / 2);
    tube.arcTo(QRectF(x, bottom - w, w, w), 180, 180);
    tube.lineTo(x + w, top);
    tube.closeSubpath();

    p.setPen(Qt::NoPen);
    p.setBrush(kGlass);
    p.drawPath(tube);
    p.save();
    p.setClipPath(tube);
    QLinearGradient fill(x, 0, x + w, 0);
    fill.setColorAt(0.0, liquid.lighter(125));
    fill.setColorAt(1.0, liquid.darker(115));
    p.fillRect(QRectF(x, level, w, bottom - level), fill);
    p.fillRect(QRectF(x, level, w, 2.5), liquid.lighter(150));
    p.restore();
    p.setPen(QPen(kGlassEdge, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tube);
    p.setPen(QPen(QColor(255, 255, 255, 150), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x + 6, top + 14), QPointF(x + 6, bottom - 16));

    // stopper
    QLinearGradient capFill(x - 3, 0, x + w + 3, 0);
    capFill.setColorAt(0.0, cap.lighter(130));
    capFill.setColorAt(1.0, cap.darker(120));
    p.setPen(Qt::NoPen);
    p.setBrush(capFill);
    p.drawRoundedRect(QRectF(x - 3, top - 16, w + 6, 20), 3, 3);
    p.setPen(QPen(cap.darker(140), 1));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(x - 3, top - 16 + i * 5), QPointF(x + w + 3, top - 16 + i * 5));
}

void paintChemistry(QPainter &p)
{
    // rack legs and base
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(226, 232, 240));
    p.drawRoundedRect(QRectF(18, 168, 164, 14), 4, 4);
    p.drawRect(QRectF(24, 104, 8, 66));
    p.drawRect(QRectF(168, 104, 8, 66));

    paintTube(p, 44, 40, 176, 100, QColor(240, 178, 50), QColor(214, 48, 48));
    paintTube(p, 78, 40, 176, 82, QColor(196, 32, 44), QColor(244, 170, 30));
    paintTube(p, 112, 40, 176, 110, QColor(244, 208, 72), QColor(134, 104, 204));
    paintTube(p, 146, 40, 176, 94, QColor(232, 140, 52), QColor(66, 180, 236));

    // front plate of the rack, over the tubes
    QLinearGradient plate(0, 100, 0, 116);
    plate.setColorAt(0.0, QColor(246, 248, 251));
    plate.setColorAt(1.0, QColor(206, 214, 226));
    p.setPen(Qt::NoPen);
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(16, 100, 168, 16), 4, 4);
}

void paintMicroscope(QPainter &p, const QColor &theme)
{
    const QColor body(236, 240, 246);
    const QColor shade(188, 198, 214);
    const QColor dark(54, 66, 86);

    // light glow under the stage
    QRadialGradient glow(QPointF(88, 150), 26);
    glow.setColorAt(0.0, QColor(255, 236, 150, 220));
    glow.setColorAt(1.0, QColor(255, 236, 150, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(88, 150), 26, 26);

    // base
    QLinearGradient baseFill(0, 170, 0, 190);
    baseFill.setColorAt(0.0, body);
    baseFill.setColorAt(1.0, shade);
    p.setBrush(baseFill);
    p.drawRoundedRect(QRectF(36, 172, 132, 16), 6, 6);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(74, 156, 28, 18), 4, 4); // lamp housing
    p.setBrush(QColor(255, 226, 120));
    p.drawEllipse(QPointF(88, 157), 8, 3);

    // curved arm from the base to the head
    QPainterPath arm(QPointF(138, 176));
    arm.cubicTo(QPointF(150, 140), QPointF(152, 80), QPointF(112, 56));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(shade, 22, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arm);
    p.setPen(QPen(body, 16, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arm);

    // stage with a slide on it
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawRoundedRect(QRectF(48, 126, 96, 9), 3, 3);
    p.setBrush(QColor(220, 240, 255, 230));
    p.drawRect(QRectF(62, 121, 48, 5));
    p.setBrush(QColor(236, 96, 140));
    p.drawEllipse(QPointF(86, 123.5), 6, 2);

    // focus knobs
    p.setBrush(dark);
    p.drawEllipse(QPointF(146, 120), 11, 11);
    p.setBrush(shade);
    p.drawEllipse(QPointF(146, 120), 5, 5);

    // head, eyepiece tube and objective
    p.save();
    p.translate(92, 58);
    p.rotate(-28);
    QLinearGradient tubeFill(-11, 0, 11, 0);
    tubeFill.setColorAt(0.0, body);
    tubeFill.setColorAt(1.0, shade);
    p.setBrush(tubeFill);
    p.drawRoundedRect(QRectF(-11, -52, 22, 58), 4, 4);
    p.setBrush(dark);
    p.drawRoundedRect(QRectF(-13, -60, 26, 12), 3, 3); // eyepiece
    p.restore();

    p.setBrush(body);
    p.drawRoundedRect(QRectF(70, 50, 48, 24), 8, 8); // head
    p.setBrush(dark);
    p.drawRoundedRect(QRectF(74, 72, 36, 9), 3, 3); // nosepiece
    QLinearGradient lensFill(80, 0, 96, 0);
    lensFill.setColorAt(0.0, body);
    lensFill.setColorAt(1.0, shade);
    p.setBrush(lensFill);
    p.drawRect(QRectF(80, 80, 16, 24));
    p.setBrush(theme.lighter(160));
    p.drawRect(QRectF(80, 96, 16, 4));
    p.setBrush(dark);
    p.drawRect(QRectF(83, 104, 10, 8));
}

void paintAntibody(QPainter &p, QPointF at, qreal scale, qreal angle, const QColor &heavy, const QColor &light)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.scale(scale, scale);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(heavy, 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath y(QPointF(0, 34));
    y.lineTo(0, 2);
    y.lineTo(-22, -24);
    y.moveTo(0, 2);
    y.lineTo(22, -24);
    p.drawPath(y);
    p.setPen(QPen(light, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-14, -2), QPointF(-30, -20));
    p.drawLine(QPointF(14, -2), QPointF(30, -20));
    p.restore();
}

void paintAntigen(QPainter &p, QPointF c, qreal r, const QColor &colour)
{
    p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 10; ++i) {
        const qreal a = i * M_PI / 5;
        const QPointF dir(std::cos(a), std::sin(a));
        p.drawLine(c + dir * r, c + dir * (r + 6));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int i = 0; i < 10; ++i) {
        const qreal a = i * M_PI / 5;
        p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * (r + 7), 2.6, 2.6);
    }
    QRadialGradient body(c - QPointF(r * 0.3, r * 0.3), r * 1.4);
    body.setColorAt(0.0, colour.lighter(140));
    body.setColorAt(1.0, colour.darker(120));
    p.setBrush(body);
    p.drawEllipse(c, r, r);
}

void paintSerology(QPainter &p)
{
    const QColor heavy(255, 255, 255);
    const QColor light(255, 214, 90);
    paintAntigen(p, QPointF(100, 52), 16, QColor(236, 84, 100));
    paintAntigen(p, QPointF(170, 150), 11, QColor(236, 84, 100));
    paintAntibody(p, QPointF(100, 116), 1.55, 0, heavy, light);
    paintAntibody(p, QPointF(38, 70), 0.8, -35, QColor(170, 236, 230), QColor(255, 255, 255));
    paintAntibody(p, QPointF(160, 72), 0.75, 30, QColor(170, 236, 230), QColor(255, 255, 255));
    paintAntibody(p, QPointF(40, 160), 0.7, -70, QColor(255, 255, 255, 200), light);
    paintAntibody(p, QPointF(132, 176), 0.6, 55, QColor(170, 236, 230), light);
}

void paintMicrobiology(QPainter &p)
{
    const QPointF c(100, 100);
    // dish wall and shadow
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(c + QPointF(4, 6), 84, 84);
    p.setBrush(QColor(236, 244, 250, 240));
    p.drawEllipse(c, 84, 84);

    QRadialGradient agar(c - QPointF(20, 24), 90);
    agar.setColorAt(0.0, QColor(250, 214, 134));
    agar.setColorAt(1.0, QColor(222, 158, 62));
    p.setBrush(agar);
    p.drawEllipse(c, 74, 74);

    // colonies along a streak in three sweeps, thinning out as it goes
    QRandomGenerator rng(90210);
    p.save();
    QPainterPath inside;
    inside.addEllipse(c, 70, 70);
    p.setClipPath(inside);
    // three sweeps of the loop: a dense first streak, then ever fewer and larger colonies
    struct Sweep
    {
        QPointF from;
        QPointF to;
        int count;
        qreal size;
        qreal spread;
    };
    const Sweep sweeps[] = {
        {{52, 56}, {108, 40}, 70, 2.2, 9},
        {{128, 48}, {156, 120}, 30, 3.0, 10},
        {{146, 144}, {70, 160}, 11, 4.6, 12},
    };
    for (const Sweep &s : sweeps) {
        for (int i = 0; i < s.count; ++i) {
            const qreal t = rng.generateDouble();
            const QPointF along = s.from + (s.to - s.from) * t;
            const QPointF off((rng.generateDouble() - 0.5) * s.spread, (rng.generateDouble() - 0.5) * s.spread);
            const qreal r = s.size * (0.6 + 0.5 * rng.generateDouble());
            const QColor base = rng.bounded(4) == 0 ? QColor(255, 240, 200) : QColor(255, 252, 242);
            QRadialGradient col(along + off - QPointF(r * 0.3, r * 0.3), r * 1.3);
            col.setColorAt(0.0, base);
            col.setColorAt(1.0, base.darker(115));
            p.setBrush(col);
            p.drawEllipse(along + off, r, r);
        }
    }
    p.restore();

    // reflection on the lid
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 78, c.y() - 78, 156, 156), 110 * 16, 50 * 16);
    p.setPen(QPen(QColor(255, 255, 255, 220), 2));
    p.drawEllipse(c, 84, 84);

    // inoculating loop laid across the dish
    p.setPen(QPen(QColor(60, 70, 84), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(196, 196), QPointF(164, 164));
    p.setPen(QPen(QColor(214, 220, 228), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(164, 164), QPointF(130, 130));
    p.drawEllipse(QPointF(125, 125), 6, 6);
}

void paintBloodBank(QPainter &p, const QColor &theme)
{
    // blood group badges
    const char *groups[] = {"A", "B", "AB", "O"};
    const QPointF spots[] = {{24, 64}, {176, 64}, {24, 140}, {176, 140}};
    for (int i = 0; i < 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 235));
        p.drawEllipse(spots[i], 18, 18);
        p.setPen(theme);
        p.setFont(boldFont(groups[i][1] ? 15 : 19));
        p.drawText(QRectF(spots[i].x() - 18, spots[i].y() - 18, 36, 36), Qt::AlignCenter,
                   QString::fromLatin1(groups[i]));
    }

    // hanger tab and ports
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 244, 248));
    QPainterPath tab;
    tab.addRoundedRect(QRectF(86, 18, 28, 24), 8, 8);
    QPainterPath hole;
    hole.addEllipse(QPointF(100, 28), 5, 5);
    p.drawPath(tab.subtracted(hole));
    p.drawRoundedRect(QRectF(72, 34, 8, 22), 3, 3);
    p.drawRoundedRect(QRectF(120, 34, 8, 22), 3, 3);

    // tubing leaving the bottom
    QPainterPath line(QPointF(100, 176));
    line.cubicTo(QPointF(100, 196), QPointF(140, 200), QPointF(150, 186));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(240, 244, 248), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(line);
    p.setPen(QPen(QColor(190, 28, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(line);

    // the bag, filled with blood below a gently curved surface
    const QRectF bag(52, 46, 96, 132);
    QPainterPath outline;
    outline.addRoundedRect(bag, 22, 22);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(248, 250, 252, 240));
    p.drawPath(outline);
    QPainterPath inner;
    inner.addRoundedRect(bag.adjusted(6, 6, -6, -6), 17, 17);
    QPainterPath level(QPointF(40, 80));
    level.cubicTo(QPointF(80, 70), QPointF(120, 92), QPointF(160, 78));
    level.lineTo(160, 190);
    level.lineTo(40, 190);
    level.closeSubpath();
    QLinearGradient blood(0, 70, 0, 180);
    blood.setColorAt(0.0, kBloodLight);
    blood.setColorAt(1.0, kBloodDark);
    p.setBrush(blood);
    p.drawPath(inner.intersected(level));

    // label
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(70, 112, 60, 44), 5, 5);
    p.setBrush(kBloodLight);
    p.drawRect(QRectF(96, 118, 8, 22));
    p.drawRect(QRectF(89, 125, 22, 8));
    p.setBrush(QColor(200, 206, 216));
    p.drawRect(QRectF(78, 145, 44, 3));

    p.setPen(QPen(QColor(255, 255, 255, 150), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(64, 66), QPointF(64, 100));
}

void paintHomeService(QPainter &p, const QColor &theme)
{
    // house
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 245));
    p.drawRect(QRectF(42, 96, 110, 84));
    p.setBrush(QColor(236, 240, 246));
    p.drawRect(QRectF(128, 40, 14, 40)); // chimney
    QPainterPath roof;
    roof.moveTo(26, 104);
    roof.lineTo(97, 40);
    roof.lineTo(168, 104);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(roof);
    p.setPen(QPen(theme.darker(110), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(roof);

    p.setPen(Qt::NoPen);
    p.setBrush(theme);
    p.drawRoundedRect(QRectF(60, 128, 28, 52), 4, 4); // door
    p.setBrush(QColor(255, 214, 120));
    p.drawEllipse(QPointF(82, 156), 2.5, 2.5);
    p.setBrush(QColor(186, 222, 246));
    p.drawRoundedRect(QRectF(104, 116, 32, 28), 3, 3); // window
    p.setBrush(Qt::white);
    p.drawRect(QRectF(119, 116, 2, 28));
    p.drawRect(QRectF(104, 129, 32, 2));

    // cross above the door
    p.setBrush(kBloodLight);
    p.drawRect(QRectF(89, 70, 10, 26));
    p.drawRect(QRectF(81, 78, 26, 10));

    // phlebotomist's bag by the door
    const QRectF kit(128, 150, 60, 40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 66, 80), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawRoundedRect(QRectF(146, 140, 24, 18), 6, 6);
    p.setPen(Qt::NoPen);
    QLinearGradient kitFill(0, kit.top(), 0, kit.bottom());
    kitFill.setColorAt(0.0, QColor(226, 64, 64));
    kitFill.setColorAt(1.0, QColor(170, 30, 36));
    p.setBrush(kitFill);
    p.drawRoundedRect(kit, 7, 7);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(154, 158, 8, 24));
    p.drawRect(QRectF(146, 166, 24, 8));
}

void paintOpenAllHours(QPainter &p, const QColor &theme)
{
    const QPointF c(100, 104);

    // arrow running round the clock
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 230), 9, Qt::SolidLine, Qt::FlatCap));
    const QRectF ring(c.x() - 82, c.y() - 82, 164, 164);
    p.drawArc(ring, 70 * 16, 280 * 16);
    const qreal end = (70.0 + 280.0) * M_PI / 180.0;
    const QPointF tip = c + QPointF(std::cos(end), -std::sin(end)) * 82;
    const QPointF along(-std::sin(end), -std::cos(end)); // direction of travel at the end
    const QPointF normal(std::cos(end), -std::sin(end));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawPolygon(QPolygonF({tip + along * 16, tip + normal * 13, tip - normal * 13}));

    // face
    QRadialGradient face(c - QPointF(18, 20), 90);
    face.setColorAt(0.0, Qt::white);
    face.setColorAt(1.0, QColor(222, 230, 242));
    p.setBrush(face);
    p.drawEllipse(c, 62, 62);
    p.setPen(QPen(theme, 4, Qt::SolidLine, Qt::RoundCap));
    for (int h = 0; h < 12; ++h) {
        const qreal a = h * M_PI / 6;
        const QPointF dir(std::sin(a), -std::cos(a));
        p.setPen(QPen(theme, h % 3 == 0 ? 5 : 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + dir * (h % 3 == 0 ? 44 : 48), c + dir * 54);
    }
    // hands at ten past ten
    p.setPen(QPen(theme.darker(120), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::sin(-M_PI / 3 - 0.09), -std::cos(-M_PI / 3 - 0.09)) * 30);
    p.setPen(QPen(theme.darker(120), 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::sin(M_PI / 3), -std::cos(M_PI / 3)) * 44);
    p.setPen(Qt::NoPen);
    p.setBrush(kBloodLight);
    p.drawEllipse(c, 6, 6);

    // 24 badge
    const QPointF badge(160, 44);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawEllipse(badge + QPointF(2, 3), 27, 27);
    p.setBrush(kBloodLight);
    p.drawEllipse(badge, 27, 27);
    p.setPen(Qt::white);
    p.setFont(boldFont(24));
    p.drawText(QRectF(badge.x() - 27, badge.y() - 30, 54, 46), Qt::AlignCenter, QStringLiteral("24"));
    p.setFont(boldFont(9));
    p.drawText(QRectF(badge.x() - 27, badge.y() + 4, 54, 16), Qt::AlignCenter, QStringLiteral("HOURS"));
}

void paintService(QPainter &p, int index, const QColor &theme);

// The emblem ringed by a small badge for each of the eight services.
void paintWelcome(QPainter &p)
{
    const QPointF c(100, 100);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 26));
    p.drawEllipse(c, 70, 70);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 120), 1.5, Qt::DashLine));
    p.drawEllipse(c, 84, 84);

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 54, 54);
    paintEmblem(p, QRectF(c.x() - 48, c.y() - 48, 96, 96));

    const QColor badges[] = {QColor(36, 42, 56), QColor(8, 78, 90),   QColor(34, 44, 126), QColor(66, 36, 110),
                             QColor(22, 86, 44), QColor(110, 14, 30), QColor(150, 62, 10), QColor(20, 24, 52)};
    const qreal r = 17;
    for (int k = 0; k < 8; ++k) {
        const qreal a = -M_PI / 2 + k * M_PI / 4;
        const QPointF at = c + QPointF(std::cos(a), std::sin(a)) * 84;
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(badges[k]);
        p.drawEllipse(at, r, r);
        p.save();
        p.translate(at.x() - r * 0.78, at.y() - r * 0.78);
        p.scale(r * 1.56 / 200.0, r * 1.56 / 200.0);
        paintService(p, k + 1, badges[k]);
        p.restore();
    }
}

void paintService(QPainter &p, int index, const QColor &theme)
{
    switch (index) {
    case 1: paintBloodCount(p); break;
    case 2: paintChemistry(p); break;
    case 3: paintMicroscope(p, theme); break;
    case 4: paintSerology(p); break;
    case 5: paintMicrobiology(p); break;
    case 6: paintBloodBank(p, theme); break;
    case 7: paintHomeService(p, theme); break;
    case 8: paintOpenAllHours(p, theme); break;
    default: break;
    }
}

} // namespace

void paintIllustration(QPainter &painter, int index, const QColor &theme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (index == 0)
        paintWelcome(painter);
    else
        paintService(painter, index, theme);
    painter.restore();
}

} // namespace assets
