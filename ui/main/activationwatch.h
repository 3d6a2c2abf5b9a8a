#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace ui {

// Tells a window when it becomes the program's active window in the sense the
// reset needs: when it is first shown, and whenever another window of the
// program that was opened over it (the keyboard window, the report viewer)
// closes. It watches the application's windows rather than Qt's activation
// event, which also fires when a message box closes or the user returns from
// another application; neither of those counts here.
//
// Another window counts when it is a top-level widget shown while the watched
// window is visible, and is neither a message box (QMessageBox), a popup
// (menus, completer lists), a tool tip nor a splash screen. Its Hide (by
// closing or hiding) raises activated().
class ActivationWatch : public QObject
{
    Q_OBJECT

public:
    explicit ActivationWatch(QWidget *window);
    ~ActivationWatch() override;

Q_SIGNALS:
    void activated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool countsAsWindowOver(const QWidget *widget) const;

    QPointer<QWidget> m_window;
    bool m_shownOnce = false;
    QSet<const QWidget *> m_over;
};

} // namespace ui
