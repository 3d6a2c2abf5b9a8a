#include "widgets/vklabel.h"

#include "widgets/textcolors.h"

namespace widgets {

vkLabel::vkLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignmentCode(AlignmentCode::Left);
}

vkLabel::AlignmentCode vkLabel::alignmentCode() const
{
    const Qt::Alignment h = alignment() & Qt::AlignHorizontal_Mask;
    return h & Qt::AlignRight  ? AlignmentCode::Right
        : h & Qt::AlignHCenter ? AlignmentCode::Centre
                               : AlignmentCode::Left;
}

void vkLabel::setAlignmentCode(AlignmentCode code)
{
    const Qt::Alignment h = code == AlignmentCode::Right ? Qt::AlignRight
        : code == AlignmentCode::Centre                  ? Qt::AlignHCenter
                                                         : Qt::AlignLeft;
    setAlignment(h | Qt::AlignVCenter);
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
