#include "widgets/vkcommand.h"

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

} // namespace widgets
