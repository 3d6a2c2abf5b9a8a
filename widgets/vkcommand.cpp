#include "widgets/vkcommand.h"

#include <QKeyEvent>

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
