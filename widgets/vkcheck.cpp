#include "widgets/vkcheck.h"

#include "widgets/textcolors.h"

namespace widgets {

vkCheck::vkCheck(QWidget *parent)
    : QCheckBox(parent)
{
    connect(this, &QCheckBox::toggled, this, &vkCheck::clickEvent);
}

void vkCheck::setForecolor(const QColor &color)
{
    m_forecolor = color;
    applyColors();
}

void vkCheck::setBackcolor(const QColor &color)
{
    m_backcolor = color;
    applyColors();
}

void vkCheck::applyColors()
{
    applyTextColors(*this, m_forecolor, m_backcolor);
}

} // namespace widgets
