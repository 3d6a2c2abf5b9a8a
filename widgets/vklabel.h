#pragma once

#include <QColor>
#include <QLabel>

namespace widgets {

// A one-line caption, vertically centred. Its alignment code follows the
// platform's numbering (0 left, 1 right, 2 centred) and lives beside Qt's own
// alignment, which it reads and writes: QLabel::setAlignment keeps its meaning
// on a vkLabel. An invalid backcolor leaves the label transparent.
class vkLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(AlignmentCode alignmentCode READ alignmentCode WRITE setAlignmentCode)
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)
    Q_PROPERTY(QColor backcolor READ backcolor WRITE setBackcolor)

public:
    enum class AlignmentCode { Left = 0, Right = 1, Centre = 2 };
    Q_ENUM(AlignmentCode)

    explicit vkLabel(QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    AlignmentCode alignmentCode() const;
    void setAlignmentCode(AlignmentCode code);
    QColor forecolor() const { return m_forecolor; }
    void setForecolor(const QColor &color);
    QColor backcolor() const { return m_backcolor; }
    void setBackcolor(const QColor &color);

private:
    void applyColors();

    QColor m_forecolor;
    QColor m_backcolor;
};

} // namespace widgets
