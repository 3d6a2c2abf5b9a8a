#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace testsupport {

// Runs act on the program's modal message box once it is on screen: the box comes up
// inside the call under test, so this polls for it (a real box, no answering seam).
inline void whenBoxShows(QObject *context, std::function<void(QMessageBox *)> act)
{
    auto *poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act = std::move(act)] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || !box->windowHandle() || !box->windowHandle()->isExposed())
            return;
        poll->stop();
        poll->deleteLater();
        act(box);
    });
    poll->start(5);
}

} // namespace testsupport
