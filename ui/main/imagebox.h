#pragma once

#include <QLabel>

namespace ui {

// A picture on a window (QLabel::setPixmap): shown at its own size from the
// top-left corner, never stretched, with no frame or background of its own. A
// left-button press and release over it is a click.
class ImageBox : public QLabel
{
    Q_OBJECT

public:
    explicit ImageBox(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace ui
