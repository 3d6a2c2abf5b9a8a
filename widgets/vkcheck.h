#pragma once

#include <QCheckBox>
#include <QColor>

namespace widgets {

// A check box whose value is 1 (checked) or 0 (unchecked). Its click event,
// clickEvent(), follows every change of the value, whether the user clicked or
// the program called setValue; setting the value it already has is no change
// and raises nothing.
class vkCheck : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)
    Q_PROPERTY(QColor backcolor READ backcolor WRITE setBackcolor)

public:
    explicit vkCheck(QWidget *parent = nullptr);

    int value() const { return isChecked() ? 1 : 0; }
    // Any value other than 0 checks the box.
    void setValue(int value) { setChecked(value != 0); }

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    QColor forecolor() const { return m_forecolor; }
    void setForecolor(const QColor &color);
    QColor backcolor() const { return m_backcolor; }
    void setBackcolor(const QColor &color);

Q_SIGNALS:
    void clickEvent();

private:
    void applyColors();

    QColor m_forecolor;
    QColor m_backcolor;
};

} // namespace widgets
