#include "widgets/vklabel.h"

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
