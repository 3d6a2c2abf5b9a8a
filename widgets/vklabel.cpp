#include "widgets/vklabel.h"

#include "widgets/textcolors.h"

namespace widgets {

vkLabel::vkLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(0);
}

void vkLabel::setAlignment(int alignment)
{
    m_alignment = alignment;
    const Qt::Alignment h = alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    QLabel::setAlignment(h | Qt::AlignVCenter);
}

void vkLabel::setForecolor(const QColor &color)
{
    m_forecolor = color;
    applyColors();
}

void vkLabel::setBackcolor(const QColor &color)
{
    m_backcolor = color;
    applyColors();
}

void vkLabel::applyColors()
{
    applyTextColors(*this, m_forecolor, m_backcolor);
}

} // namespace widgets
