#include "ui/main/activationwatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

namespace ui {

ActivationWatch::ActivationWatch(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

ActivationWatch::~ActivationWatch()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool ActivationWatch::countsAsWindowOver(const QWidget *widget) const
{
    if (widget == m_window || !widget->isWindow() || qobject_cast<const QMessageBox *>(widget))
        return false;
    switch (widget->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop: return false;
    default: return true;
    }
}

bool ActivationWatch::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::Hide && type != QEvent::Destroy) || !watched->isWidgetType()
        || !m_window)
        return false;
    auto *widget = static_cast<QWidget *>(watched);

    if (widget == m_window) {
        if (type == QEvent::Show && !m_shownOnce) {
            m_shownOnce = true;
            Q_EMIT activated();
        }
        return false;
    }
    if (type == QEvent::Destroy) {
        m_over.remove(widget);
        return false;
    }
    if (!widget->isWindow())
        return false;
    if (type == QEvent::Show) {
        if (m_window->isVisible() && countsAsWindowOver(widget))
            m_over.insert(widget);
    } else if (m_over.remove(widget) && m_window->isVisible()) {
        Q_EMIT activated();
    }
    return false;
}

} // namespace ui
