#include "widgets/vkframe.h"

#include "widgets/accessibility.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace widgets {

vkFrame::vkFrame(QWidget *parent)
    : QFrame(parent)
{
    installAccessibility();
    setFocusPolicy(Qt::NoFocus);
    updateMargins();
}

void vkFrame::setCaption(const QString &caption)
{
    m_caption = caption;
    updateMargins();
    update();
}

void vkFrame::setBackcolor1(const QColor &c)
{
    m_backcolor1 = c;
    update();
}
void vkFrame::setBackcolor2(const QColor &c)
{
    m_backcolor2 = c;
    update();
}
void vkFrame::setBordercolor(const QColor &c)
{
    m_bordercolor = c;
    update();
}
void vkFrame::setForecolor(const QColor &c)
{
    m_forecolor = c;
    update();
}

void vkFrame::takeFocus()
{
    if (!isEnabled() || !isVisibleTo(window()))
        return;
    QWidget *current = window()->focusWidget();
    if (current && isAncestorOf(current))
        return;
    for (QWidget *w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(window()) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

int vkFrame::captionHeight() const
{
    return m_caption.isEmpty() ? 4 : fontMetrics().height() + 6;
}

void vkFrame::updateMargins()
{
    setContentsMargins(4, captionHeight(), 4, 4);
}

void vkFrame::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateMargins();
    QFrame::changeEvent(event);
}

void vkFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(r, 5, 5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, m_backcolor1);
    g.setColorAt(1, m_backcolor2);
    p.fillPath(path, g);
    p.setPen(isEnabled() ? m_bordercolor : palette().color(QPalette::Disabled, QPalette::WindowText));
    p.drawPath(path);
    if (!m_caption.isEmpty()) {
        p.setFont(font());
        p.setPen(isEnabled() ? m_forecolor : palette().color(QPalette::Disabled, QPalette::WindowText));
        p.drawText(QRect(8, 2, width() - 16, captionHeight() - 2), Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    }
}

} // namespace widgets
