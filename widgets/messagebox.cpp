#include "messagebox.h"

#include <QMessageBox>

namespace widgets {

namespace {
MessageBoxHandler &handler()
{
    static MessageBoxHandler h;
    return h;
}
} // namespace

void setMessageBoxHandler(MessageBoxHandler h)
{
    handler() = std::move(h);
}

void MsgBox(const QString &text)
{
    const QString caption = QString::fromUtf16(kApplicationTitle);
    if (handler()) {
        handler()(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    box.exec();
}

} // namespace widgets
