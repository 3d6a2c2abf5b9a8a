#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRectF>
#include <QSize>

class QPainter;

// Drawing code for the main window's pictures. Everything is drawn here with
// QPainter from shapes, gradients and the system's Liberation Sans; random
// placement uses fixed seeds, so every run draws the same pixels.
namespace assets {

// Blue-grey backdrop of isometric cubes and scattered digits, 1600 x 1000.
QImage paintBackground();

// The organisation's logo, 200 x 78, on a transparent background: binary alpha,
// edges smoothed against white (the header it sits on is white).
QImage paintLogo();

// Small buttons and badges, opaque on white.
QImage paintSearchIcon();   // 49 x 50
QImage paintKeyboardIcon(); // 36 x 31
QImage paintPlayIcon();     // 34 x 34
QImage paintPauseIcon();    // 34 x 34

// Promotional slide `index` (0 to 8) of the laboratory's services at `size`.
QImage paintSlide(int index, QSize size);

// The program's icon for the desktop (hicolor theme): the logo's emblem filling a
// transparent square of size x size pixels.
QImage paintAppIcon(int size);

// Where the emblem sits in the program's icon of size x size pixels.
QRectF appIconBox(int size);

// The program's scalable icon for the desktop (hicolor/scalable): the emblem of
// paintAppIcon(256) as SVG source, the same shapes and colours in a 256 x 256 view.
QByteArray appIconSvg();

// The emblem of the logo (a white cross and a red drop on a navy disc) in `box`.
void paintEmblem(QPainter &painter, const QRectF &box);

// The emblem's shapes in `box`, from which both paintEmblem() and appIconSvg() draw:
// a disc filled with `disc`, a ring stroked inside it, the white cross and the drop.
struct EmblemShapes
{
    QPointF centre;
    qreal radius = 0;
    QRadialGradient disc;
    qreal ringRadius = 0;
    qreal ringWidth = 0;
    QColor ringColour;
    QPainterPath cross; // two overlapping bars, winding fill
    QPainterPath drop;
    QLinearGradient red;
};
EmblemShapes emblemShapes(const QRectF &box);

} // namespace assets
