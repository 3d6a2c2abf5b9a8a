#include "tools/assets/artwork.h"

#include <QTextStream>

namespace assets {

namespace {

// A coordinate or length with at most three decimals and no trailing zeros.
QString num(qreal v)
{
    QString s = QString::number(v, 'f', 3);
    while (s.endsWith(u'0'))
        s.chop(1);
    if (s.endsWith(u'.'))
        s.chop(1);
    return s == u"-0" ? QStringLiteral("0") : s;
}

QString colour(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

// A stop's colour, with its opacity where it is not solid.
QString stop(qreal at, const QColor &c)
{
    QString s = QStringLiteral("<stop offset=\"%1\" stop-color=\"%2\"").arg(num(at), colour(c));
    if (c.alpha() != 255)
        s += QStringLiteral(" stop-opacity=\"%1\"").arg(num(c.alphaF()));
    return s + QStringLiteral("/>");
}

// SVG path data of a QPainterPath: moves, lines and cubic curves, as QPainterPath
// holds them (its arcs and rounded corners are cubic curves already).
QString pathData(const QPainterPath &path)
{
    QStringList parts;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement: parts << QStringLiteral("M%1 %2").arg(num(e.x), num(e.y)); break;
        case QPainterPath::LineToElement: parts << QStringLiteral("L%1 %2").arg(num(e.x), num(e.y)); break;
        case QPainterPath::CurveToElement: {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element to = path.elementAt(i + 2);
            parts << QStringLiteral("C%1 %2 %3 %4 %5 %6")
                         .arg(num(e.x), num(e.y), num(c2.x), num(c2.y), num(to.x), num(to.y));
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement: break; // consumed with its curve
        }
    }
    return parts.join(u' ');
}

} // namespace

QByteArray appIconSvg()
{
    constexpr int kSize = 256;
    const EmblemShapes e = emblemShapes(appIconBox(kSize));

    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << kSize << "\" height=\"" << kSize
        << "\" viewBox=\"0 0 " << kSize << ' ' << kSize << "\">\n"
        << "  <title>Norvane</title>\n"
        << "  <defs>\n"
        << "    <radialGradient id=\"disc\" gradientUnits=\"userSpaceOnUse\" cx=\"" << num(e.disc.center().x())
        << "\" cy=\"" << num(e.disc.center().y()) << "\" r=\"" << num(e.disc.radius()) << "\" fx=\""
        << num(e.disc.focalPoint().x()) << "\" fy=\"" << num(e.disc.focalPoint().y()) << "\">\n";
    for (const auto &[at, c] : e.disc.stops())
        out << "      " << stop(at, c) << '\n';
    out << "    </radialGradient>\n"
        << "    <linearGradient id=\"red\" gradientUnits=\"userSpaceOnUse\" x1=\"" << num(e.red.start().x())
        << "\" y1=\"" << num(e.red.start().y()) << "\" x2=\"" << num(e.red.finalStop().x()) << "\" y2=\""
        << num(e.red.finalStop().y()) << "\">\n";
    for (const auto &[at, c] : e.red.stops())
        out << "      " << stop(at, c) << '\n';
    out << "    </linearGradient>\n"
        << "  </defs>\n"
        << "  <circle cx=\"" << num(e.centre.x()) << "\" cy=\"" << num(e.centre.y()) << "\" r=\"" << num(e.radius)
        << "\" fill=\"url(#disc)\"/>\n"
        << "  <circle cx=\"" << num(e.centre.x()) << "\" cy=\"" << num(e.centre.y()) << "\" r=\"" << num(e.ringRadius)
        << "\" fill=\"none\" stroke=\"" << colour(e.ringColour) << "\" stroke-opacity=\"" << num(e.ringColour.alphaF())
        << "\" stroke-width=\"" << num(e.ringWidth) << "\"/>\n"
        << "  <path fill=\"#ffffff\" fill-rule=\"nonzero\" d=\"" << pathData(e.cross) << "\"/>\n"
        << "  <path fill=\"url(#red)\" d=\"" << pathData(e.drop) << "\"/>\n"
        << "</svg>\n";
    out.flush();
    return svg.toUtf8();
}

} // namespace assets
