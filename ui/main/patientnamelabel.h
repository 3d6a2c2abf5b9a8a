#pragma once

#include "widgets/vklabel.h"

#include <QFont>
#include <QStringList>

namespace ui {

// The patient's name in the exams frame, always read whole: a name too wide for
// the label is drawn in a smaller font, step by step down to kSmallestPoints;
// still too wide, it takes two lines (at the largest size from there down that
// fits them); only a name that fits no way is cut, at its end, with "…". The
// beginning is never cut, and the tooltip holds the whole name.
class PatientNameLabel : public widgets::vkLabel
{
    Q_OBJECT

public:
    static constexpr qreal kSmallestPoints = 10; // bold Arial stays readable at arm's length

    explicit PatientNameLabel(QWidget *parent = nullptr);

    // Shows the name (the caption) and makes it the tooltip and the accessible name
    // ("Patient name" while there is none).
    void setName(const QString &name);

    // What is drawn: no line, one or two, in shownFont().
    QStringList shownLines() const;
    QFont shownFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Fit
    {
        QString text; // the caption, font and size it was made for
        QFont font;
        QSize size;
        QStringList lines;
        QFont shownFont;
        bool made = false;
    };
    // The fit for the caption, font and size as they are now; made afresh when
    // one of them has changed (the caption is also set through setCaption).
    const Fit &fitted() const;

    mutable Fit m_fit;
};

} // namespace ui
