#include "ui/main/patientnamelabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr qreal kStep = 0.75; // points per step: visibly smaller, without big jumps

// The lines of text laid out within width, broken between words where it can and
// anywhere else where it must (names in scripts without blanks). At most
// maxLines + 1 lines are made: one more tells that the text needs more.
QStringList wrapped(const QString &text, const QFont &font, qreal width, int maxLines)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
        if (lines.size() > maxLines)
            break;
    }
    layout.endLayout();
    return lines;
}

bool fitsWidth(const QStringList &lines, const QFont &font, qreal width)
{
    const QFontMetricsF metrics(font);
    return std::all_of(lines.cbegin(), lines.cend(),
                       [&](const QString &line) { return metrics.horizontalAdvance(line) <= width; });
}

QFont sized(QFont font, qreal points)
{
    font.setPointSizeF(points);
    return font;
}

} // namespace

PatientNameLabel::PatientNameLabel(QWidget *parent)
    : widgets::vkLabel(parent)
{
}

void PatientNameLabel::setName(const QString &name)
{
    setCaption(name);
    setToolTip(name);
    // A screen reader reads the whole name, however it is drawn; an empty label is
    // still named by what it is for.
    setAccessibleName(name.isEmpty() ? tr("Patient name") : name);
    update();
}

QStringList PatientNameLabel::shownLines() const
{
    return fitted().lines;
}

QFont PatientNameLabel::shownFont() const
{
    return fitted().shownFont;
}

const PatientNameLabel::Fit &PatientNameLabel::fitted() const
{
    const QString name = text().simplified();
    if (m_fit.made && m_fit.text == name && m_fit.font == font() && m_fit.size == size())
        return m_fit;
    m_fit = Fit{name, font(), size(), {}, font(), true};
    if (name.isEmpty())
        return m_fit;

    const QRectF area = contentsRect();
    const qreal width = area.width();
    const qreal base = font().pointSizeF();
    const qreal smallest = std::min(base, kSmallestPoints);

    // From the label's own size down in steps, ending on the smallest size.
    QList<qreal> sizes;
    for (qreal points = base; points > smallest + 1e-9; points -= kStep)
        sizes.append(points);
    sizes.append(smallest);

    // 1. One line, the font smaller step by step.
    for (qreal points : sizes) {
        const QFont f = sized(font(), points);
        if (QFontMetricsF(f).horizontalAdvance(name) <= width) {
            m_fit.lines = {name};
            m_fit.shownFont = f;
            return m_fit;
        }
    }
    // 2. Two lines, at the largest size whose two lines fit the label's height.
    for (qreal points : sizes) {
        const QFont f = sized(font(), points);
        if (2 * QFontMetricsF(f).height() > area.height() && points > smallest)
            continue;
        const QStringList lines = wrapped(name, f, width, 2);
        if (lines.size() <= 2 && fitsWidth(lines, f, width)) {
            m_fit.lines = lines;
            m_fit.shownFont = f;
            return m_fit;
        }
    }
    // 3. The smallest size, two lines, the second cut at its end.
    const QFont f = sized(font(), smallest);
    const QStringList lines = wrapped(name, f, width, 1);
    const QString first = lines.value(0);
    const QString rest = name.mid(name.indexOf(first) + first.size()).trimmed();
    m_fit.lines = {first, QFontMetricsF(f).elidedText(rest, Qt::ElideRight, width)};
    m_fit.shownFont = f;
    return m_fit;
}

void PatientNameLabel::paintEvent(QPaintEvent *)
{
    const Fit &fit = fitted();
    if (fit.lines.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(fit.shownFont);
    painter.setPen(palette().color(foregroundRole()));
    const QFontMetricsF metrics(fit.shownFont);
    const QRectF area = contentsRect();
    const qreal lineHeight = metrics.height();
    qreal top = area.top() + (area.height() - lineHeight * fit.lines.size()) / 2;
    for (const QString &line : fit.lines) {
        painter.drawText(QRectF(area.left(), top, area.width(), lineHeight), Qt::AlignHCenter | Qt::AlignVCenter, line);
        top += lineHeight;
    }
}

} // namespace ui
