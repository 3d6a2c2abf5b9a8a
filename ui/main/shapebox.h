#pragma once

#include <QColor>
#include <QWidget>

namespace ui {

// A drawn shape with no behaviour: a rounded rectangle filled with one colour and
// outlined with a thin line. It takes no input, so a click on it goes to
// whatever lies beneath.
class ShapeBox : public QWidget
{
    Q_OBJECT

public:
    explicit ShapeBox(QWidget *parent = nullptr);

    QColor fillColor() const { return m_fill; }
    void setFillColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill = Qt::white;
    QColor m_outline = Qt::black;
};

} // namespace ui
