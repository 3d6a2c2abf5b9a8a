#pragma once

#include <QPushButton>

namespace widgets {

// A push button. Its click event is QAbstractButton::clicked, which a disabled
// button (or one inside a disabled frame) never raises. As on the workstations'
// own platform, Enter on the focused button clicks it, as Space does. The
// button that holds the focus shows a ring inside its edge.
class vkCommand : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

public:
    explicit vkCommand(QWidget *parent = nullptr);
    explicit vkCommand(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }

    static constexpr int kFocusRingWidth = 2; // pixels

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace widgets
