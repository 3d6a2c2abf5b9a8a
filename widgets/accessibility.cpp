#include "widgets/accessibility.h"

#include "widgets/vkframe.h"
#include "widgets/vklistbox.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>

namespace widgets {

// One item of a vkListBox: it has no object of its own, only its list and its row.
class ListItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    ListItemAccessible(vkListBox *list, int row)
        : m_list(list)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_list && m_row < m_list->listCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        const QAccessibleInterface *list = parent();
        return list ? list->window() : nullptr;
    }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_list.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? m_list->itemText(m_row + 1) : QString();
    }
    void setText(QAccessible::Text, const QString &) override { }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QRect rect() const override
    {
        if (!isValid() || !isShown())
            return QRect();
        const QWidget *viewport = m_list->viewport();
        const int top = (m_row - m_list->verticalScrollBar()->value()) * m_list->rowHeight();
        return QRect(viewport->mapToGlobal(QPoint(0, top)), QSize(viewport->width(), m_list->rowHeight()));
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool current = m_list->currentItem() == m_row + 1;
        s.checkable = m_list->stylecheckbox();
        s.checked = m_list->itemChecked(m_row + 1);
        s.focusable = true;
        s.selectable = true;
        s.selected = current;
        s.focused = current && m_list->hasFocus();
        s.disabled = !m_list->isEnabled();
        s.invisible = !m_list->isVisible();
        s.offscreen = !isShown();
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString &name) override
    {
        if (name == toggleAction() && isValid() && m_list->isEnabled())
            m_list->clickItem(m_row + 1);
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList();
    }

private:
    // Whether the row lies within the list's view (scrolled into sight).
    bool isShown() const
    {
        const int first = m_list->verticalScrollBar()->value();
        const int rows = std::max(1, m_list->viewport()->height() / m_list->rowHeight());
        return m_row >= first && m_row < first + rows;
    }

    QPointer<vkListBox> m_list;
    int m_row;
};

// The list: its items are its children, made when first asked for and kept (registered
// with Qt's cache) until the items change other than by being appended.
class ListBoxAccessible : public QAccessibleWidget
{
public:
    explicit ListBoxAccessible(vkListBox *list)
        : QAccessibleWidget(list, QAccessible::List)
    {
    }
    ~ListBoxAccessible() override { forgetItems(); }

    vkListBox *list() const { return static_cast<vkListBox *>(widget()); }

    int childCount() const override { return list()->listCount(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        const auto known = m_items.constFind(index);
        if (known != m_items.cend())
            return QAccessible::accessibleInterface(*known);
        auto *item = new ListItemAccessible(list(), index);
        m_items.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QWidget *viewport = list()->viewport();
        const QPoint at = viewport->mapFromGlobal(QPoint(x, y));
        if (!viewport->rect().contains(at))
            return nullptr;
        return child(list()->verticalScrollBar()->value() + at.y() / list()->rowHeight());
    }
    QAccessibleInterface *focusChild() const override
    {
        return list()->hasFocus() && list()->currentItem() > 0 ? child(list()->currentItem() - 1) : nullptr;
    }

    // The items known to a screen reader, in the order of their rows.
    QList<int> knownRows() const
    {
        QList<int> rows = m_items.keys();
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    void forgetItems()
    {
        for (QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
        m_items.clear();
    }

private:
    mutable QHash<int, QAccessible::Id> m_items;
};

// A frame: a group named by its caption.
class FrameAccessible : public QAccessibleWidget
{
public:
    explicit FrameAccessible(vkFrame *frame)
        : QAccessibleWidget(frame, QAccessible::Grouping)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            text = static_cast<vkFrame *>(widget())->caption();
        return text;
    }
};

namespace {

// Whether a change is worth telling: only while someone listens, for a list of
// thousands of items would otherwise make an interface for every item it tells of.
bool listening()
{
    return QAccessible::isActive();
}

QAccessibleInterface *widgetSetInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("widgets::vkListBox"))
        return new ListBoxAccessible(static_cast<vkListBox *>(object));
    if (className == QLatin1String("widgets::vkFrame"))
        return new FrameAccessible(static_cast<vkFrame *>(object));
    return nullptr;
}

ListBoxAccessible *listInterface(vkListBox *list)
{
    return dynamic_cast<ListBoxAccessible *>(QAccessible::queryAccessibleInterface(list));
}

void tellState(vkListBox *list, int row)
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(list, changed);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(widgetSetInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

namespace accessibility {

void itemInserted(vkListBox *list, int row, bool appended)
{
    if (!listening())
        return;
    if (!appended) {
        // The rows after it moved: the items known so far name other rows now.
        if (ListBoxAccessible *iface = listInterface(list))
            iface->forgetItems();
        QAccessibleEvent reordered(list, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reordered);
    }
    QAccessibleEvent created(list, QAccessible::ObjectCreated);
    created.setChild(row);
    QAccessible::updateAccessibility(&created);
}

void itemsCleared(vkListBox *list)
{
    if (!listening())
        return;
    if (ListBoxAccessible *iface = listInterface(list))
        iface->forgetItems();
    QAccessibleEvent reordered(list, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reordered);
}

void itemCheckChanged(vkListBox *list, int row)
{
    if (listening())
        tellState(list, row);
}

void allItemChecksChanged(vkListBox *list)
{
    if (!listening())
        return;
    // The items a screen reader knows of; it asks for the others when it needs them.
    if (ListBoxAccessible *iface = listInterface(list)) {
        for (int row : iface->knownRows())
            tellState(list, row);
    }
}

void currentItemChanged(vkListBox *list, int row)
{
    if (!listening() || row < 0 || !list->hasFocus())
        return;
    QAccessibleEvent focus(list, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
}

} // namespace accessibility

} // namespace widgets
