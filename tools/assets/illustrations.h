#pragma once

#include <QColor>

class QPainter;

namespace assets {

// Draws the illustration of slide `index` (0 to 8) into the square 0..200 x 0..200
// of the painter's current coordinates; `theme` is the slide's dark colour.
void paintIllustration(QPainter &painter, int index, const QColor &theme);

} // namespace assets
