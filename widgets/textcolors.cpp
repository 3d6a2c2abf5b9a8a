#include "widgets/textcolors.h"

#include <QPalette>
#include <QWidget>

namespace widgets {

void applyTextColors(QWidget &widget, const QColor &forecolor, const QColor &backcolor)
{
    QPalette pal = widget.palette();
    if (forecolor.isValid()) {
        pal.setColor(QPalette::Active, QPalette::WindowText, forecolor);
        pal.setColor(QPalette::Inactive, QPalette::WindowText, forecolor);
    }
    if (backcolor.isValid())
        pal.setColor(QPalette::Window, backcolor);
    widget.setPalette(pal);
    // Check boxes fill from the Button role by default; every text widget here
    // paints its background colour from Window.
    widget.setBackgroundRole(QPalette::Window);
    widget.setAutoFillBackground(backcolor.isValid());
}

} // namespace widgets
