#include "tools/assets/artwork.h"

#include "tools/assets/illustrations.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>

namespace assets {

namespace {

struct Slide
{
    const char16_t *title;
    const char16_t *line;
    QColor dark;  // top-left of the backdrop
    QColor light; // bottom-right of the backdrop
    QColor ink;   // the title
};

const std::array<Slide, 9> kSlides{{
    {u"Laboratory Services", u"Accurate results, caring hands \u2014 welcome to our laboratory.", QColor(10, 36, 96),
     QColor(36, 98, 170), QColor(10, 36, 96)},
    {u"Complete Blood Count", u"Red cells, white cells and platelets, counted by analyser.", QColor(36, 42, 56),
     QColor(92, 104, 128), QColor(150, 24, 40)},
    {u"Blood Chemistry", u"Glucose, lipid, kidney and liver panels, with results the same day.", QColor(8, 78, 90),
     QColor(30, 142, 146), QColor(8, 78, 90)},
    {u"Clinical Microscopy", u"Urinalysis and stool examination by licensed medical technologists.",
     QColor(34, 44, 126), QColor(70, 96, 190), QColor(34, 44, 126)},
    {u"Serology & Immunology", u"Antibody and antigen tests for infections and immune status.", QColor(66, 36, 110),
     QColor(122, 80, 170), QColor(66, 36, 110)},
    {u"Microbiology", u"Cultures and sensitivity testing to guide the right treatment.", QColor(22, 86, 44),
     QColor(64, 150, 80), QColor(22, 86, 44)},
    {u"Blood Bank", u"Blood typing, cross-matching and safe transfusion support.", QColor(110, 14, 30),
     QColor(170, 36, 48), QColor(110, 14, 30)},
    {u"Home Service Extraction", u"Our phlebotomists come to you. Ask at the front desk to book a visit.",
     QColor(150, 62, 10), QColor(222, 128, 40), QColor(150, 62, 10)},
    {u"Open 24 Hours", u"The laboratory never closes: walk in any time, day or night.", QColor(20, 24, 52),
     QColor(58, 74, 128), QColor(32, 48, 112)},
}};

QFont sansFont(qreal px, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(std::max(1, int(std::lround(px))));
    font.setBold(bold);
    return font;
}

// Faint hexagon chain, a nod to molecules, drawn in the backdrop's corner.
void paintMolecules(QPainter &p, QPointF origin, qreal r)
{
    p.setPen(QPen(QColor(255, 255, 255, 34), std::max(1.0, r * 0.09)));
    p.setBrush(Qt::NoBrush);
    const QPointF steps[] = {{0, 0},
                             {r * std::sqrt(3.0), 0},
                             {r * std::sqrt(3.0) * 1.5, r * 1.5},
                             {r * std::sqrt(3.0) * 2.5, r * 1.5},
                             {r * std::sqrt(3.0) * 0.5, -r * 1.5}};
    for (const QPointF &step : steps) {
        QPolygonF hex;
        for (int i = 0; i < 6; ++i) {
            const qreal a = M_PI / 6 + i * M_PI / 3;
            hex << origin + step + QPointF(std::cos(a), std::sin(a)) * r;
        }
        p.drawPolygon(hex);
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawEllipse(hex[0], r * 0.16, r * 0.16);
        p.setBrush(Qt::NoBrush);
    }
}

// The text on one line if it fits, otherwise broken at the blank nearest its
// middle, so that two lines of about equal length stand under the title.
QString balancedLines(const QString &text, const QFont &font, qreal width)
{
    if (QFontMetricsF(font).horizontalAdvance(text) <= width)
        return text;
    qsizetype best = -1;
    for (qsizetype i = text.indexOf(u' '); i >= 0; i = text.indexOf(u' ', i + 1)) {
        if (best < 0 || std::abs(i - text.size() / 2) < std::abs(best - text.size() / 2))
            best = i;
    }
    if (best < 0)
        return text;
    return text.left(best) + u'\n' + text.mid(best + 1);
}

} // namespace

QImage paintSlide(int index, QSize size)
{
    const Slide &slide = kSlides.at(size_t(std::clamp(index, 0, 8)));
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal unit = std::min(w / 520.0, h / 400.0); // layout scale

    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient backdrop(0, 0, w, h);
    backdrop.setColorAt(0.0, slide.dark);
    backdrop.setColorAt(1.0, slide.light);
    p.fillRect(image.rect(), backdrop);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 14));
    p.drawEllipse(QPointF(w * 0.92, h * 0.1), h * 0.42, h * 0.42);
    p.drawEllipse(QPointF(w * 0.06, h * 0.72), h * 0.3, h * 0.3);
    paintMolecules(p, QPointF(w * 0.74, h * 0.2), 15 * unit);

    const qreal bandTop = std::round(h * 0.7);

    // kicker: emblem and the organisation's name
    const qreal kick = 22 * unit;
    const QRectF kickEmblem(14 * unit, 12 * unit, kick, kick);
    paintEmblem(p, kickEmblem);
    QFont kicker = sansFont(11 * unit, true);
    kicker.setLetterSpacing(QFont::AbsoluteSpacing, 1.4 * unit);
    p.setFont(kicker);
    p.setPen(QColor(255, 255, 255, 225));
    p.drawText(QRectF(kickEmblem.right() + 8 * unit, kickEmblem.top(), w, kick), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("BRELLAN MEDICAL CENTER  \u00b7  LABORATORY"));

    // illustration on a soft glow, centred over the caption band
    const qreal side = (bandTop - kickEmblem.bottom()) * 0.86;
    const QPointF centre(w / 2, kickEmblem.bottom() + (bandTop - kickEmblem.bottom()) / 2);
    QRadialGradient glow(centre, side * 0.75);
    glow.setColorAt(0.0, QColor(255, 255, 255, 60));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, side * 0.75, side * 0.75);
    p.save();
    p.translate(centre.x() - side / 2, centre.y() - side / 2);
    p.scale(side / 200.0, side / 200.0);
    paintIllustration(p, index, slide.dark);
    p.restore();

    // caption band
    QLinearGradient band(0, bandTop, 0, h);
    band.setColorAt(0.0, QColor(255, 255, 255));
    band.setColorAt(1.0, QColor(234, 239, 246));
    p.fillRect(QRectF(0, bandTop, w, h - bandTop), band);
    p.fillRect(QRectF(0, bandTop, w, std::max(2.0, 4 * unit)), slide.light);

    const QString title = QString::fromUtf16(slide.title);
    const qreal margin = 24 * unit;
    QFont titleFont = sansFont(34 * unit, true);
    for (qreal px = 34 * unit; px > 10; px -= 1) {
        titleFont.setPixelSize(int(px));
        if (QFontMetricsF(titleFont).horizontalAdvance(title) <= w - 2 * margin)
            break;
    }
    const qreal bandHeight = h - bandTop;
    p.setFont(titleFont);
    p.setPen(slide.ink);
    p.drawText(QRectF(margin, bandTop + bandHeight * 0.08, w - 2 * margin, bandHeight * 0.44), Qt::AlignCenter, title);

    const QFont lineFont = sansFont(15 * unit, false);
    p.setFont(lineFont);
    p.setPen(QColor(70, 80, 96));
    p.drawText(QRectF(margin, bandTop + bandHeight * 0.52, w - 2 * margin, bandHeight * 0.42),
               Qt::AlignHCenter | Qt::AlignTop,
               balancedLines(QString::fromUtf16(slide.line), lineFont, w - 2 * margin));
    return image;
}

} // namespace assets
