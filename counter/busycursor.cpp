#include "counter/busycursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace counter {

BusyCursor::BusyCursor()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_set = true;
    }
}

BusyCursor::~BusyCursor()
{
    if (m_set)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace counter
