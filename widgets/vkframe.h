#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>

namespace widgets {

// A container with a caption drawn in its top border and a vertical colour
// gradient from backcolor1 (top) to backcolor2 (bottom). Disabling the frame
// disables every widget inside it (Qt passes the state on to children). A screen
// reader sees it as a group named by its caption (widgets/accessibility.h).
class vkFrame : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor backcolor1 READ backcolor1 WRITE setBackcolor1)
    Q_PROPERTY(QColor backcolor2 READ backcolor2 WRITE setBackcolor2)
    Q_PROPERTY(QColor bordercolor READ bordercolor WRITE setBordercolor)
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)

public:
    explicit vkFrame(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QColor backcolor1() const { return m_backcolor1; }
    void setBackcolor1(const QColor &c);
    QColor backcolor2() const { return m_backcolor2; }
    void setBackcolor2(const QColor &c);
    QColor bordercolor() const { return m_bordercolor; }
    void setBordercolor(const QColor &c);
    QColor forecolor() const { return m_forecolor; }
    void setForecolor(const QColor &c);

    // Gives the frame the keyboard focus; never fails. If the focus is already
    // on a widget inside the frame it stays there; otherwise it goes to the
    // first widget inside that takes focus. A disabled or hidden frame, or one
    // with nothing that takes focus, leaves the focus where it is.
    void takeFocus();

    // Height of the caption band at the top, in pixels; children are placed below it.
    int captionHeight() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateMargins();

    QString m_caption;
    QColor m_backcolor1 = QColor(255, 255, 255);
    QColor m_backcolor2 = QColor(236, 233, 216);
    QColor m_bordercolor = QColor(0, 60, 116);
    QColor m_forecolor = QColor(0, 70, 213);
};

} // namespace widgets
