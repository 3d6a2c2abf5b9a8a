#pragma once

#include <QColor>

class QWidget;

namespace widgets {

// Gives a text widget its design-time colours: the text colour (active and
// inactive; a disabled widget keeps the style's greyed text) and an opaque
// background. An invalid colour keeps the style's own.
void applyTextColors(QWidget &widget, const QColor &forecolor, const QColor &backcolor);

} // namespace widgets
