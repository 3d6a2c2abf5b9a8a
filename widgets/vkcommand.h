#pragma once

#include <QPushButton>

namespace widgets {

// A push button. Its click event is QAbstractButton::clicked, which a disabled
// button (or one inside a disabled frame) never raises. As on the workstations'
// own platform, Enter on the focused button clicks it, as Space does.
class vkCommand : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

public:
    explicit vkCommand(QWidget *parent = nullptr);
    explicit vkCommand(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace widgets
