#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QList>
#include <QString>

namespace widgets {

// A list of text items, each with a check box (while stylecheckbox is set).
// Items keep the order in which they were added unless `sorted` is set; item i
// is counted from 1. Clicking an item or pressing Space on the current item
// toggles its check. Drawn by hand, row by row, so that adding an item costs
// the same whether the list holds ten items or thirty thousand. A screen reader
// sees its items, their texts and checks (widgets/accessibility.h).
class vkListBox : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)
    Q_PROPERTY(QColor backcolor READ backcolor WRITE setBackcolor)
    Q_PROPERTY(QColor bordercolor READ bordercolor WRITE setBordercolor)
    Q_PROPERTY(bool stylecheckbox READ stylecheckbox WRITE setStylecheckbox)
    Q_PROPERTY(bool sorted READ sorted WRITE setSorted)

public:
    explicit vkListBox(QWidget *parent = nullptr);

    int listCount() const { return int(m_items.size()); }
    // Item i, counted from 1; throws std::out_of_range outside 1..listCount().
    bool itemChecked(int i) const;
    void setItemChecked(int i, bool checked);
    QString itemText(int i) const;
    // Item i as drawn: its text, cut at the end with "…" when it is wider than the list.
    QString shownItemText(int i) const;

    void addItem(const QString &text);
    void clear();
    void checkAll();
    void uncheckAll();

    // Checks or unchecks item i as a click on it does: it becomes the current item and
    // itemCheckChanged follows (a screen reader's toggle action).
    void clickItem(int i);

    // The current item (counted from 1), 0 when there is none.
    int currentItem() const { return m_current + 1; }

    QColor forecolor() const { return m_forecolor; }
    void setForecolor(const QColor &color);
    QColor backcolor() const { return m_backcolor; }
    void setBackcolor(const QColor &color);
    QColor bordercolor() const { return m_bordercolor; }
    void setBordercolor(const QColor &color);
    bool stylecheckbox() const { return m_stylecheckbox; }
    void setStylecheckbox(bool on);
    // When set, each new item is placed in case-insensitive order of its text.
    bool sorted() const { return m_sorted; }
    void setSorted(bool on);

    int rowHeight() const;

Q_SIGNALS:
    // Item i (counted from 1) was checked or unchecked by the user.
    void itemCheckChanged(int i);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Item
    {
        QString text;
        bool checked = false;
    };
    qsizetype indexOf(int i) const;
    void refreshNow();
    void applyBackcolor();
    int visibleRows() const;
    int textLeft() const; // where an item's text starts, after its check box
    QString shownText(qsizetype row) const;
    void updateScrollBar();
    void updateRow(qsizetype row);
    void setCurrent(qsizetype row);
    void toggle(qsizetype row);

    static constexpr int kRefreshMs = 16; // at most one repaint per screen frame while items pour in
    QList<Item> m_items;
    QBasicTimer m_refresh;
    qsizetype m_current = -1;
    QColor m_forecolor;
    QColor m_backcolor = QColor(255, 255, 255);
    QColor m_bordercolor = QColor(127, 157, 185);
    bool m_stylecheckbox = true;
    bool m_sorted = false;
};

} // namespace widgets
