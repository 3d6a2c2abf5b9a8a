#pragma once

#include <QImage>
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

// The emblem of the logo (a white cross and a red drop on a navy disc) in `box`.
void paintEmblem(QPainter &painter, const QRectF &box);

} // namespace assets
