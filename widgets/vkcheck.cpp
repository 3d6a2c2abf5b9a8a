#include "widgets/vkcheck.h"

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
    QPalette pal = palette();
    if (m_forecolor.isValid()) {
        pal.setColor(QPalette::Active, QPalette::WindowText, m_forecolor);
        pal.setColor(QPalette::Inactive, QPalette::WindowText, m_forecolor);
    }
    if (m_backcolor.isValid())
        pal.setColor(QPalette::Window, m_backcolor);
    setPalette(pal);
    setAutoFillBackground(m_backcolor.isValid());
}

} // namespace widgets
