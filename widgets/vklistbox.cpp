#include "widgets/vklistbox.h"

#include "widgets/accessibility.h"

#include <QAbstractEventDispatcher>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimerEvent>

#include <algorithm>
#include <stdexcept>

namespace widgets {

vkListBox::vkListBox(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    installAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(1, 1, 1, 1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Opaque, so that repainting the list (its scroll bar grows with every item
    // added) never repaints the frames and window behind it.
    setAutoFillBackground(true);
    applyBackcolor();
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    if (auto *dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &vkListBox::refreshNow);
}

qsizetype vkListBox::indexOf(int i) const
{
    if (i < 1 || i > m_items.size())
        throw std::out_of_range("list item index out of range");
    return i - 1;
}

bool vkListBox::itemChecked(int i) const
{
    return m_items[indexOf(i)].checked;
}

void vkListBox::setItemChecked(int i, bool checked)
{
    const qsizetype row = indexOf(i);
    if (m_items[row].checked != checked) {
        m_items[row].checked = checked;
        updateRow(row);
        accessibility::itemCheckChanged(this, int(row));
    }
}

QString vkListBox::itemText(int i) const
{
    return m_items[indexOf(i)].text;
}

void vkListBox::addItem(const QString &text)
{
    qsizetype row = m_items.size();
    if (m_sorted) {
        const auto at = std::upper_bound(
            m_items.cbegin(), m_items.cend(), text,
            [](const QString &t, const Item &item) { return t.compare(item.text, Qt::CaseInsensitive) < 0; });
        row = at - m_items.cbegin();
    }
    m_items.insert(row, Item{text, false});
    if (m_current >= row)
        ++m_current;
    accessibility::itemInserted(this, int(row), row == m_items.size() - 1);
    // The scroll bar and the rows on screen follow at the next refresh, not
    // with every item: a search that yields to the event loop after each item
    // would otherwise repaint once per item. The refresh comes when the event
    // loop next waits for input, or after kRefreshMs while items keep coming.
    if (!m_refresh.isActive())
        m_refresh.start(kRefreshMs, this);
}

void vkListBox::refreshNow()
{
    if (m_refresh.isActive()) {
        m_refresh.stop();
        updateScrollBar();
        viewport()->update();
    }
}

void vkListBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_refresh.timerId())
        refreshNow();
    else
        QAbstractScrollArea::timerEvent(event);
}

void vkListBox::clear()
{
    m_refresh.stop();
    m_items.clear();
    m_current = -1;
    updateScrollBar();
    viewport()->update();
    accessibility::itemsCleared(this);
}

void vkListBox::checkAll()
{
    for (Item &item : m_items)
        item.checked = true;
    viewport()->update();
    accessibility::allItemChecksChanged(this);
}

void vkListBox::uncheckAll()
{
    for (Item &item : m_items)
        item.checked = false;
    viewport()->update();
    accessibility::allItemChecksChanged(this);
}

void vkListBox::setForecolor(const QColor &color)
{
    m_forecolor = color;
    viewport()->update();
}
void vkListBox::setBackcolor(const QColor &color)
{
    m_backcolor = color;
    applyBackcolor();
    viewport()->update();
}

void vkListBox::applyBackcolor()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, m_backcolor);
    setPalette(pal);
}
void vkListBox::setBordercolor(const QColor &color)
{
    m_bordercolor = color;
    update();
}
void vkListBox::setStylecheckbox(bool on)
{
    m_stylecheckbox = on;
    viewport()->update();
}

void vkListBox::setSorted(bool on)
{
    m_sorted = on;
    if (on) {
        std::stable_sort(m_items.begin(), m_items.end(),
                         [](const Item &a, const Item &b) { return a.text.compare(b.text, Qt::CaseInsensitive) < 0; });
        viewport()->update();
    }
}

int vkListBox::textLeft() const
{
    if (!m_stylecheckbox)
        return 4;
    const int box = std::min(rowHeight() - 6, style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this));
    return 4 + box + 6;
}

QString vkListBox::shownText(qsizetype row) const
{
    // A text wider than its row ends with "…", so that a cut never passes for the whole.
    const int width = viewport()->width() - textLeft() - 4;
    return fontMetrics().elidedText(m_items[row].text, Qt::ElideRight, std::max(0, width));
}

QString vkListBox::shownItemText(int i) const
{
    return shownText(indexOf(i));
}

int vkListBox::rowHeight() const
{
    return fontMetrics().height() + 6;
}

int vkListBox::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

void vkListBox::updateScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const int rows = visibleRows();
    bar->setPageStep(rows);
    bar->setRange(0, std::max(0, int(m_items.size()) - rows));
}

void vkListBox::updateRow(qsizetype row)
{
    const int top = int(row - verticalScrollBar()->value()) * rowHeight();
    if (top + rowHeight() >= 0 && top <= viewport()->height())
        viewport()->update(0, top, viewport()->width(), rowHeight());
}

void vkListBox::setCurrent(qsizetype row)
{
    if (m_items.isEmpty())
        return;
    refreshNow();
    row = std::clamp<qsizetype>(row, 0, m_items.size() - 1);
    m_current = row;
    QScrollBar *bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(int(row));
    else if (row >= bar->value() + visibleRows())
        bar->setValue(int(row) - visibleRows() + 1);
    viewport()->update();
    accessibility::currentItemChanged(this, int(row));
}

void vkListBox::toggle(qsizetype row)
{
    if (row < 0 || row >= m_items.size() || !m_stylecheckbox)
        return;
    m_items[row].checked = !m_items[row].checked;
    updateRow(row);
    accessibility::itemCheckChanged(this, int(row));
    Q_EMIT itemCheckChanged(int(row) + 1);
}

void vkListBox::clickItem(int i)
{
    const qsizetype row = indexOf(i);
    setCurrent(row);
    toggle(row);
}

void vkListBox::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), m_backcolor);
    const int h = rowHeight();
    const int first = verticalScrollBar()->value();
    const int last = std::min<qsizetype>(m_items.size(), qsizetype(first) + visibleRows() + 1);
    const QColor text = !isEnabled() ? palette().color(QPalette::Disabled, QPalette::Text)
        : m_forecolor.isValid()      ? m_forecolor
                                     : palette().color(QPalette::Text);
    p.setFont(font());
    for (int row = first; row < last; ++row) {
        const QRect r(0, (row - first) * h, viewport()->width(), h);
        int x = 4;
        if (row == m_current && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = r.adjusted(1, 1, -1, -1);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
        if (m_stylecheckbox) {
            QStyleOptionViewItem opt;
            opt.initFrom(this);
            const int box = std::min(h - 6, style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this));
            opt.rect = QRect(x, r.top() + (h - box) / 2, box, box);
            opt.state |= m_items[row].checked ? QStyle::State_On : QStyle::State_Off;
            style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &opt, &p, this);
        }
        x = textLeft();
        p.setPen(text);
        p.drawText(r.adjusted(x, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, shownText(row));
    }
}

bool vkListBox::event(QEvent *event)
{
    const bool handled = QAbstractScrollArea::event(event);
    if (event->type() == QEvent::Paint) {
        // The border, in the one-pixel margin around the viewport.
        QPainter frame(this);
        frame.setPen(isEnabled() ? m_bordercolor : palette().color(QPalette::Disabled, QPalette::WindowText));
        frame.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return handled;
}

void vkListBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void vkListBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    refreshNow();
    const qsizetype row = verticalScrollBar()->value() + int(event->position().y()) / rowHeight();
    if (row < 0 || row >= m_items.size())
        return;
    setCurrent(row);
    toggle(row);
}

void vkListBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void vkListBox::keyPressEvent(QKeyEvent *event)
{
    refreshNow();
    switch (event->key()) {
    case Qt::Key_Up: setCurrent(m_current - 1); break;
    case Qt::Key_Down: setCurrent(m_current + 1); break;
    case Qt::Key_Home: setCurrent(0); break;
    case Qt::Key_End: setCurrent(m_items.size() - 1); break;
    case Qt::Key_PageUp: setCurrent(m_current - visibleRows()); break;
    case Qt::Key_PageDown: setCurrent(m_current + visibleRows()); break;
    case Qt::Key_Space:
        if (m_current < 0)
            setCurrent(0);
        toggle(m_current);
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

void vkListBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollBar();
}

void vkListBox::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    accessibility::currentItemChanged(this, int(m_current));
}

void vkListBox::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace widgets
