#include "app/showmodal.h"

#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace app {

void showModal(QWidget *window)
{
    QPointer<QWidget> guard(window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    if (guard)
        loop.exec();
}

} // namespace app
