#pragma once

#include <QColor>
#include <QLabel>

namespace widgets {

// A one-line caption. alignment follows the platform's numbering:
// 0 left, 1 right, 2 centred. An invalid backcolor leaves the label transparent.
class vkLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(int alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)
    Q_PROPERTY(QColor backcolor READ backcolor WRITE setBackcolor)

public:
    explicit vkLabel(QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    int alignment() const { return m_alignment; }
    void setAlignment(int alignment);
    QColor forecolor() const { return m_forecolor; }
    void setForecolor(const QColor &color);
    QColor backcolor() const { return m_backcolor; }
    void setBackcolor(const QColor &color);

private:
    void applyColors();

    int m_alignment = 0;
    QColor m_forecolor;
    QColor m_backcolor;
};

} // namespace widgets
