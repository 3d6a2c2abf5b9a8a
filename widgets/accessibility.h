#pragma once

// What a screen reader is given of the widget set, through Qt's accessibility:
//  - vkListBox: a list (QAccessible::List) whose items, drawn by hand, are its
//    children: each a list item named by its text, checkable, checked as it is drawn,
//    focused when it is the current item of the focused list, offscreen when
//    scrolled out of sight, with a toggle action that checks or unchecks it as a
//    click would;
//  - vkFrame: a group (QAccessible::Grouping) named by its caption unless it was
//    given an accessible name of its own.
// The list tells the screen reader of added and removed items, changed checks and the
// current item while one is listening (QAccessible::isActive()).
namespace widgets {

class vkListBox;

// Installs the interfaces' factory with Qt, once; the two widgets' constructors call it.
void installAccessibility();

namespace accessibility {

// What a vkListBox tells of its items (rows counted from 0).
void itemInserted(vkListBox *list, int row, bool appended);
void itemsCleared(vkListBox *list);
void itemCheckChanged(vkListBox *list, int row);
void allItemChecksChanged(vkListBox *list);
void currentItemChanged(vkListBox *list, int row);

} // namespace accessibility

} // namespace widgets
