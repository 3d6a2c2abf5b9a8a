#include "ui/main/frmnorvane.h"

namespace ui {

frmNorvane::frmNorvane(QWidget *parent)
    : QWidget(parent)
{
}

} // namespace ui
