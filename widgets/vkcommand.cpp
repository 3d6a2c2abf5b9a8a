#include "widgets/vkcommand.h"

#include <QKeyEvent>
#include <QPainter>

namespace widgets {

vkCommand::vkCommand(QWidget *parent)
    : QPushButton(parent)
{
    setAutoDefault(false);
}

vkCommand::vkCommand(const QString &caption, QWidget *parent)
    : vkCommand(parent)
{
    setText(caption);
}

void vkCommand::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()
        && event->modifiers() == Qt::NoModifier) {
        click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace widgets

namespace widgets {

void vkCommand::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    if (!hasFocus() || !isEnabled())
        return;
    // The style's own focus mark is a faint line; a button that Enter would press
    // shows it plainly, as a ring inside its edge.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight), kFocusRingWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int inset = 3 + kFocusRingWidth / 2;
    painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
}

} // namespace widgets
