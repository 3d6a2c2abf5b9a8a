#include "common/modalbox.h"
#include "common/platformkeys.h"
#include "widgets/messagebox.h"
#include "widgets/scanguard.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <cstdlib>
#include <stdexcept>

using namespace widgets;

class tst_Widgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void disabledFrameDisablesEverythingInside();
    void frameFocusNeverFails();
    void keyDownGivesKeyCodeAndShift_data();
    void keyDownGivesKeyCodeAndShift();
    void keyPressHandlerChangesOrSwallowsTypedCharacter();
    void textNotTypedPassesKeyPressHandler();
    void disabledButtonRaisesNoClick();
    void checkClickFollowsEveryValueChange();
    void listKeepsAddOrderAndCountsFromOne();
    void listCheckingByProgramAndUser();
    void designSettingsAreRendered();
    void listShowsItsItemsToScreenReaders();
    void listTellsScreenReadersOfChanges();
    void framesAreGroupsNamedByTheirCaptions();
    void questionAnswersNoToEnterAndYesToItsButton_data();
    void questionAnswersNoToEnterAndYesToItsButton();
    void scanNeverAnswersABox_data();
    void scanNeverAnswersABox();
    void choiceAnswersTheSafeOneToEnterAndEsc_data();
    void choiceAnswersTheSafeOneToEnterAndEsc();
};

void tst_Widgets::disabledFrameDisablesEverythingInside()
{
    QWidget window;
    auto *outer = new vkFrame(&window);
    auto *inner = new vkFrame(outer);
    auto *text = new vkTextBox(inner);
    auto *button = new vkCommand(QStringLiteral("Go"), outer);
    outer->setEnabled(false);
    QVERIFY(!inner->isEnabled());
    QVERIFY(!text->isEnabled());
    QVERIFY(!button->isEnabled());
    outer->setEnabled(true);
    QVERIFY(text->isEnabled());
    QVERIFY(button->isEnabled());
}

void tst_Widgets::frameFocusNeverFails()
{
    QWidget window;
    auto *outside = new vkTextBox(&window);
    auto *frame = new vkFrame(&window);
    auto *first = new vkTextBox(frame);
    auto *second = new vkTextBox(frame);
    QWidget::setTabOrder(outside, first);
    QWidget::setTabOrder(first, second);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Focus outside: the frame hands it to its first widget.
    outside->setFocus();
    frame->takeFocus();
    QCOMPARE(window.focusWidget(), first);

    // Focus already inside stays where it is.
    second->setFocus();
    frame->takeFocus();
    QCOMPARE(window.focusWidget(), second);

    // A disabled frame takes nothing and does not fail.
    outside->setFocus();
    frame->setEnabled(false);
    frame->takeFocus();
    QCOMPARE(window.focusWidget(), outside);

    // A frame with nothing focusable inside leaves the focus alone.
    auto *empty = new vkFrame(&window);
    empty->show();
    empty->takeFocus();
    QCOMPARE(window.focusWidget(), outside);
}

void tst_Widgets::keyDownGivesKeyCodeAndShift_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("shift");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << 13 << 0;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 13 << 0;
    QTest::newRow("shifted letter") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 65 << 1;
    QTest::newRow("digit") << int(Qt::Key_7) << int(Qt::NoModifier) << 55 << 0;
    QTest::newRow("ctrl+alt backspace") << int(Qt::Key_Backspace) << int(Qt::ControlModifier | Qt::AltModifier) << 8
                                        << 6;
    QTest::newRow("F2") << int(Qt::Key_F2) << int(Qt::NoModifier) << 113 << 0;
    QTest::newRow("left arrow") << int(Qt::Key_Left) << int(Qt::NoModifier) << 37 << 0;
}

void tst_Widgets::keyDownGivesKeyCodeAndShift()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, keyCode);
    QFETCH(int, shift);
    vkTextBox box;
    QSignalSpy spy(&box, &vkTextBox::keyDown);
    QTest::keyClick(&box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    // Modifier keys raise their own key-down first; the key itself comes last.
    QVERIFY(!spy.isEmpty());
    QCOMPARE(spy.last().at(0).toInt(), keyCode);
    QCOMPARE(spy.last().at(1).toInt(), shift);
}

void tst_Widgets::keyPressHandlerChangesOrSwallowsTypedCharacter()
{
    vkTextBox box;
    QList<int> seen;
    box.setKeyPressHandler([&seen](int &code) {
        seen.append(code);
        if (code == 'x')
            code = 'y';
        else if (code == '#')
            code = 0;
    });
    QSignalSpy keyDown(&box, &vkTextBox::keyDown);
    QTest::keyClicks(&box, QStringLiteral("ax#b"));
    QCOMPARE(box.text(), QStringLiteral("ayb"));
    QCOMPARE(seen, (QList<int>{'a', 'x', '#', 'b'}));
    QCOMPARE(keyDown.size(), 4); // a swallowed character still raised its key-down

    // Control keys are not characters: editing keys work and skip the handler.
    seen.clear();
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("ay"));
    QVERIFY(seen.isEmpty());

    // The program's own text is not filtered.
    box.setText(QStringLiteral("x#"));
    QCOMPARE(box.text(), QStringLiteral("x#"));
}

void tst_Widgets::textNotTypedPassesKeyPressHandler()
{
    vkTextBox box;
    box.setKeyPressHandler([](int &code) {
        code = QChar(char16_t(code)).toUpper().unicode();
        if (code == '\'')
            code = 0;
    });

    // Pasted with the keyboard shortcut.
    QApplication::clipboard()->setText(QStringLiteral("t1'2c"));
    QTest::keySequence(&box, QKeySequence::Paste);
    QCOMPARE(box.text(), QStringLiteral("T12C"));

    // Dropped from elsewhere, at the end of the text.
    box.clear();
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QMimeData mime;
    mime.setText(QStringLiteral("o'k"));
    const QPoint end(box.width() - 2, box.height() / 2);
    QDragEnterEvent enter(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &enter);
    QDropEvent drop(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &drop);
    QCOMPARE(box.text(), QStringLiteral("OK"));

    // Committed by an input method.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("a'b"));
    QApplication::sendEvent(&box, &commit);
    QCOMPARE(box.text(), QStringLiteral("OKAB"));

    // Typed on the user's behalf.
    QCOMPARE(box.typeText(QStringLiteral("z'")), QStringLiteral("Z"));
    QCOMPARE(box.text(), QStringLiteral("OKABZ"));
}

void tst_Widgets::disabledButtonRaisesNoClick()
{
    QWidget window;
    auto *frame = new vkFrame(&window);
    auto *button = new vkCommand(QStringLiteral("Print"), frame);
    button->setGeometry(10, 20, 80, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(button, &vkCommand::clicked);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QTest::keyClick(button, Qt::Key_Return); // Enter on the focused button clicks it
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(clicks.size(), 3);

    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Return);
    button->click();
    QCOMPARE(clicks.size(), 3);

    button->setEnabled(true);
    frame->setEnabled(false); // disabled through its frame
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicks.size(), 3);
}

void tst_Widgets::checkClickFollowsEveryValueChange()
{
    vkCheck check;
    check.setGeometry(0, 0, 120, 30);
    check.show();
    QVERIFY(QTest::qWaitForWindowExposed(&check));
    QList<int> valuesSeen;
    connect(&check, &vkCheck::clickEvent, &check, [&] { valuesSeen.append(check.value()); });

    check.setValue(1);                                            // by the program
    check.setValue(1);                                            // no change, no event
    QTest::mouseClick(&check, Qt::LeftButton, {}, QPoint(8, 15)); // by the user
    check.setValue(1);
    check.setValue(0);
    QCOMPARE(valuesSeen, (QList<int>{1, 0, 1, 0}));
}

void tst_Widgets::listKeepsAddOrderAndCountsFromOne()
{
    vkListBox list;
    QCOMPARE(list.listCount(), 0);
    list.addItem(QStringLiteral("C7 [HEMA] "));
    list.addItem(QStringLiteral("A1 [CHEM] "));
    list.addItem(QStringLiteral("B2 [] "));
    QCOMPARE(list.listCount(), 3);
    QCOMPARE(list.itemText(1), QStringLiteral("C7 [HEMA] "));
    QCOMPARE(list.itemText(2), QStringLiteral("A1 [CHEM] "));
    QCOMPARE(list.itemText(3), QStringLiteral("B2 [] "));
    QVERIFY(!list.itemChecked(1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.itemChecked(0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.itemChecked(4));

    // The sorted setting, when a window asks for it, orders the items.
    list.setSorted(true);
    list.addItem(QStringLiteral("a0"));
    QCOMPARE(list.itemText(1), QStringLiteral("a0"));
    QCOMPARE(list.itemText(2), QStringLiteral("A1 [CHEM] "));
    QCOMPARE(list.itemText(4), QStringLiteral("C7 [HEMA] "));

    list.clear();
    QCOMPARE(list.listCount(), 0);
}

void tst_Widgets::listCheckingByProgramAndUser()
{
    vkListBox list;
    list.resize(300, 200);
    for (const char *t : {"one", "two", "three"})
        list.addItem(QLatin1String(t));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    list.checkAll();
    QVERIFY(list.itemChecked(1) && list.itemChecked(2) && list.itemChecked(3));
    list.uncheckAll();
    QVERIFY(!list.itemChecked(1) && !list.itemChecked(2) && !list.itemChecked(3));
    list.checkAll(); // on an empty list, checking all must be harmless
    vkListBox().checkAll();

    // A click on the second row toggles that item alone; Space toggles it back.
    QSignalSpy changed(&list, &vkListBox::itemCheckChanged);
    const int h = list.rowHeight();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, h + h / 2));
    QVERIFY(list.itemChecked(1));
    QVERIFY(!list.itemChecked(2));
    QVERIFY(list.itemChecked(3));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 2);
    QTest::keyClick(&list, Qt::Key_Space);
    QVERIFY(list.itemChecked(2));
}

namespace {

// The accessible children of a list as a screen reader reads them: "text|checked" or
// "text|unchecked" each.
QStringList accessibleItems(QAccessibleInterface *list)
{
    QStringList items;
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface *item = list->child(i);
        if (!item || item->role() != QAccessible::ListItem || !item->state().checkable)
            return {QStringLiteral("child %1 is no checkable list item").arg(i)};
        items.append(item->text(QAccessible::Name) + (item->state().checked ? u"|checked"_qs : u"|unchecked"_qs));
    }
    return items;
}

// What Qt's accessibility was told while a test listened.
QList<QPair<QAccessible::Event, int>> g_accessibleEvents;

void recordAccessibleEvent(QAccessibleEvent *event)
{
    g_accessibleEvents.append({event->type(), event->child()});
}

} // namespace

void tst_Widgets::listShowsItsItemsToScreenReaders()
{
    QWidget window;
    auto *list = new vkListBox(&window);
    list->setAccessibleName(u"Exams"_qs);
    list->setGeometry(0, 0, 300, 2 * list->rowHeight() + 2); // two rows in sight
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::List);
    QCOMPARE(iface->text(QAccessible::Name), u"Exams"_qs);
    QCOMPARE(iface->childCount(), 0);

    for (const char *t : {"T1000001C [HEMA] ", "200000001 [CHEM] ", "3000001B [URINE] "})
        list->addItem(QLatin1String(t));
    list->setItemChecked(2, true);
    QCOMPARE(accessibleItems(iface),
             (QStringList{u"T1000001C [HEMA] |unchecked"_qs, u"200000001 [CHEM] |checked"_qs,
                          u"3000001B [URINE] |unchecked"_qs}));
    QCOMPARE(iface->indexOfChild(iface->child(2)), 2);
    QCOMPARE(iface->child(0)->parent(), iface);
    QVERIFY(!iface->child(0)->state().offscreen);
    QVERIFY(iface->child(2)->state().offscreen); // below the two rows in sight
    QCOMPARE(iface->childAt(iface->child(1)->rect().center().x(), iface->child(1)->rect().center().y()),
             iface->child(1));

    // Checked and unchecked by the program, all at once and one by one.
    list->checkAll();
    QCOMPARE(accessibleItems(iface).filter(u"|unchecked"_qs), QStringList());
    list->uncheckAll();
    QCOMPARE(accessibleItems(iface).filter(u"|checked"_qs), QStringList());

    // The toggle action checks an item as a click does, and makes it the current one:
    // focused while the list has the focus.
    QSignalSpy changed(list, &vkListBox::itemCheckChanged);
    QAccessibleActionInterface *actions = iface->child(1)->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 2);
    QVERIFY(list->itemChecked(2));
    QVERIFY(iface->child(1)->state().checked);
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    QVERIFY(iface->child(1)->state().focused);
    QCOMPARE(iface->focusChild(), iface->child(1));

    // A disabled list's items are disabled and take no action.
    list->setEnabled(false);
    QVERIFY(iface->child(0)->state().disabled);
    iface->child(0)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!list->itemChecked(1));
    list->setEnabled(true);

    // Emptied, the list has no children.
    list->clear();
    QCOMPARE(iface->childCount(), 0);
    QVERIFY(!iface->child(0));
}

void tst_Widgets::listTellsScreenReadersOfChanges()
{
    vkListBox list;
    list.resize(300, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    // A screen reader listens: Qt's accessibility is switched on, as the platform does
    // when one starts, and what it is told is recorded in its place.
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
    g_accessibleEvents.clear();
    QAccessible::installUpdateHandler(recordAccessibleEvent);
    list.addItem(u"one"_qs);
    list.addItem(u"two"_qs);
    const int h = list.rowHeight();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, h + h / 2));
    list.setItemChecked(2, false);
    list.checkAll(); // the items known to the screen reader: both
    list.clear();
    QAccessible::installUpdateHandler(nullptr);
    platform->setActive(false);
    // Each added item, the click's check and the current item (the list has no focus,
    // so no focus moves), the program's checks, and the emptied list.
    const QList<QPair<QAccessible::Event, int>> expected{
        {QAccessible::ObjectCreated, 0}, {QAccessible::ObjectCreated, 1}, {QAccessible::StateChanged, 1},
        {QAccessible::StateChanged, 1},  {QAccessible::StateChanged, 0},  {QAccessible::StateChanged, 1},
        {QAccessible::ObjectReorder, -1}};
    QList<QPair<QAccessible::Event, int>> told;
    for (const auto &event : std::as_const(g_accessibleEvents)) {
        if (event.first != QAccessible::Focus && event.first != QAccessible::ObjectShow
            && event.first != QAccessible::NameChanged)
            told.append(event);
    }
    QCOMPARE(told, expected);
}

void tst_Widgets::framesAreGroupsNamedByTheirCaptions()
{
    vkFrame frame;
    frame.setCaption(u"Search A Patient"_qs);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&frame);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Grouping);
    QCOMPARE(iface->text(QAccessible::Name), u"Search A Patient"_qs);
    frame.setCaption(u"Barcode"_qs);
    QCOMPARE(iface->text(QAccessible::Name), u"Barcode"_qs);
    // A name of its own wins over the caption.
    frame.setAccessibleName(u"Exams"_qs);
    QCOMPARE(iface->text(QAccessible::Name), u"Exams"_qs);
}

void tst_Widgets::designSettingsAreRendered()
{
    vkFrame frame;
    frame.resize(200, 100);
    frame.setCaption(QStringLiteral("Barcode"));
    frame.setBackcolor1(QColor(255, 0, 0));
    frame.setBackcolor2(QColor(0, 0, 255));
    QImage image = frame.grab().toImage();
    const QColor top = image.pixelColor(100, 3);
    const QColor bottom = image.pixelColor(100, 96);
    QVERIFY2(top.red() > 200 && top.blue() < 60, qPrintable(top.name()));
    QVERIFY2(bottom.blue() > 200 && bottom.red() < 60, qPrintable(bottom.name()));

    vkListBox list;
    list.resize(120, 80);
    list.setBordercolor(QColor(0, 200, 0));
    list.setBackcolor(QColor(255, 255, 255));
    image = list.grab().toImage();
    QCOMPARE(image.pixelColor(0, 40), QColor(0, 200, 0));
    QCOMPARE(image.pixelColor(60, 40), QColor(255, 255, 255));

    // Legend, right and centred alignment: the caption's ink lands where asked.
    vkLabel label;
    label.resize(300, 30);
    label.setBackcolor(Qt::white);
    label.setForecolor(Qt::black);
    label.setCaption(QStringLiteral("Number of Copies :"));
    auto inkColumns = [](const QImage &img) {
        int first = img.width(), last = -1;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (qGray(img.pixel(x, y)) < 128) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair(first, last);
    };
    label.setAlignmentCode(vkLabel::AlignmentCode::Right);
    const auto right = inkColumns(label.grab().toImage());
    label.setAlignmentCode(vkLabel::AlignmentCode::Left);
    const auto left = inkColumns(label.grab().toImage());
    label.setAlignmentCode(vkLabel::AlignmentCode::Centre);
    const auto centre = inkColumns(label.grab().toImage());
    QVERIFY(left.first < 10);
    QVERIFY(right.second > 290);
    QVERIFY(std::abs((centre.first + centre.second) / 2 - 150) <= 2);
    // Qt's own alignment keeps its meaning on a vkLabel, and the code follows it.
    label.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(label.alignmentCode(), vkLabel::AlignmentCode::Right);
    label.setAlignment(Qt::AlignLeft);
    QCOMPARE(inkColumns(label.grab().toImage()).first, left.first);
    QCOMPARE(label.alignmentCode(), vkLabel::AlignmentCode::Left);
    QCOMPARE(label.property("alignment").value<Qt::Alignment>(), Qt::Alignment(Qt::AlignLeft));
    label.setProperty("alignmentCode", QVariant::fromValue(vkLabel::AlignmentCode::Centre));
    QCOMPARE(label.alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

    vkTextBox box;
    box.resize(200, 40);
    box.setLegend(QStringLiteral("Number"));
    box.setLegendforecolor(QColor(49, 106, 197));
    image = box.grab().toImage();
    bool legendInk = false;
    for (int x = 0; x < 100 && !legendInk; ++x)
        for (int y = 0; y < 40 && !legendInk; ++y)
            legendInk = image.pixelColor(x, y) == QColor(49, 106, 197);
    QVERIFY(legendInk);

    // A check box paints its backcolor behind its caption, like a label.
    vkCheck check;
    check.resize(200, 30);
    check.setBackcolor(QColor(255, 255, 255));
    check.setCaption(QStringLiteral("Check All"));
    image = check.grab().toImage();
    QCOMPARE(image.pixelColor(195, 15), QColor(255, 255, 255));
}

void tst_Widgets::questionAnswersNoToEnterAndYesToItsButton_data()
{
    QTest::addColumn<widgets::QuestionIcon>("icon");
    QTest::addColumn<bool>("clickYes");
    QTest::addColumn<QMessageBox::Icon>("shownIcon");
    QTest::addColumn<bool>("answer");
    QTest::newRow("question, Enter") << widgets::QuestionIcon::Question << false << QMessageBox::Question << false;
    QTest::newRow("question, Yes clicked") << widgets::QuestionIcon::Question << true << QMessageBox::Question << true;
    QTest::newRow("warning, Enter") << widgets::QuestionIcon::Warning << false << QMessageBox::Warning << false;
}

// The real box on screen: a scanner's stray Enter must answer No.
void tst_Widgets::questionAnswersNoToEnterAndYesToItsButton()
{
    QFETCH(widgets::QuestionIcon, icon);
    QFETCH(bool, clickYes);
    QFETCH(QMessageBox::Icon, shownIcon);
    QFETCH(bool, answer);

    QString caption;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    testsupport::whenBoxShows(this, [&](QMessageBox *box) {
        caption = box->windowTitle();
        seenIcon = box->icon();
        if (clickYes)
            box->button(QMessageBox::Yes)->click();
        else
            QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(widgets::AskYesNo(QStringLiteral("Print?"), icon), answer);
    QCOMPARE(caption, QStringLiteral("Norvane"));
    QCOMPARE(seenIcon, shownIcon);
}

void tst_Widgets::scanNeverAnswersABox_data()
{
    QTest::addColumn<bool>("question");    // AskYesNo, else MsgBox
    QTest::addColumn<QString>("before");   // a scan typed into the window below before the box opens
    QTest::addColumn<QString>("scan");     // a scan typed into the box
    QTest::addColumn<QString>("person");   // then keys typed by a person, each alone
    QTest::addColumn<bool>("byKeys");      // the keys answered the box; else it waits for a click
    QTest::addColumn<bool>("yes");         // the answer (a click answers Yes, or OK)
    QTest::addColumn<QString>("passedOn"); // what reaches the window below once the box has closed
    QTest::addColumn<int>("returns");      // and how many Returns

    QTest::newRow("scan") << true << ""
                          << "T1000001C\r"
                          << "" << false << true << "T1000001C" << 1;
    QTest::newRow("scan holding Y and N") << true << ""
                                          << "YN42\r"
                                          << "" << false << true << "YN42" << 1;
    QTest::newRow("scan ending in two Returns") << true << ""
                                                << "X1\r\r"
                                                << "" << false << true << "X1" << 2;
    QTest::newRow("scan made before the box opened") << true << "3000001B\r"
                                                     << ""
                                                     << "" << false << true << "3000001B" << 1;
    QTest::newRow("Return alone") << true << ""
                                  << ""
                                  << "\r" << true << false << "" << 0;
    QTest::newRow("Y alone") << true << ""
                             << ""
                             << "y" << true << true << "" << 0;
    QTest::newRow("N alone") << true << ""
                             << ""
                             << "n" << true << false << "" << 0;
    QTest::newRow("Esc alone") << true << ""
                               << ""
                               << "\x1b" << true << false << "" << 0;
    QTest::newRow("Space alone on the default button") << true << ""
                                                       << ""
                                                       << " " << true << false << "" << 0;
    QTest::newRow("scan, then a person's Y") << true << ""
                                             << "CS202400001\r"
                                             << "y" << true << true << "CS202400001" << 1;
    QTest::newRow("message box, scan") << false << ""
                                       << "T1000001C\r"
                                       << "" << false << true << "T1000001C" << 1;
    QTest::newRow("message box, Return alone") << false << ""
                                               << ""
                                               << "\r" << true << true << "" << 0;
}

// The real box on screen, the keys queued as the window system delivers them, with
// its time stamps.
void tst_Widgets::scanNeverAnswersABox()
{
    QFETCH(bool, question);
    QFETCH(QString, before);
    QFETCH(QString, scan);
    QFETCH(QString, person);
    QFETCH(bool, byKeys);
    QFETCH(bool, yes);
    QFETCH(QString, passedOn);
    QFETCH(int, returns);

    // The window below, waiting for a number.
    QWidget below;
    auto *number = new QLineEdit(&below);
    below.show();
    QVERIFY(QTest::qWaitForWindowActive(&below));
    number->setFocus();
    int returnsBelow = 0;
    connect(number, &QLineEdit::returnPressed, this, [&] { ++returnsBelow; });

    if (!before.isEmpty())
        testsupport::queuePlatformKeys(below.windowHandle(), before);
    bool answeredByKeys = true;
    testsupport::whenBoxShows(this, [&](QMessageBox *box) {
        QWindow *window = box->windowHandle();
        if (!scan.isEmpty())
            testsupport::queuePlatformKeys(window, scan);
        for (const QChar c : person)
            testsupport::queuePersonKeys(window, QString(c));
        // Time for the keys to be decided on (and a letter's button to be pressed).
        QTest::qWait(ScanGuard::kAloneAfterMs * 3 + 150);
        if (!box->isVisible())
            return;
        answeredByKeys = false;
        QCOMPARE(number->text(), QString()); // nothing passed on while the box is open
        box->button(question ? QMessageBox::Yes : QMessageBox::Ok)->click();
    });
    const bool answer = question ? AskYesNo(QStringLiteral("Record them now?")) : (MsgBox(QStringLiteral("x")), true);

    QCOMPARE(answeredByKeys, byKeys);
    QCOMPARE(answer, yes);
    QTRY_COMPARE(number->text(), passedOn);
    QTRY_COMPARE(returnsBelow, returns);
    QTest::qWait(50);
    QCOMPARE(number->text(), passedOn);
    QCOMPARE(returnsBelow, returns);
}


void tst_Widgets::choiceAnswersTheSafeOneToEnterAndEsc_data()
{
    QTest::addColumn<QString>("how"); // Enter, Esc, or the caption of the button clicked
    QTest::addColumn<bool>("answer");
    QTest::newRow("Enter") << "Enter" << false;
    QTest::newRow("Esc") << "Esc" << false;
    QTest::newRow("safe answer clicked") << "Cancel them" << false;
    QTest::newRow("other answer clicked") << "Leave them" << true;
}

// The real box on screen, with the caller's answers: Enter and Esc give the safe one.
void tst_Widgets::choiceAnswersTheSafeOneToEnterAndEsc()
{
    QFETCH(QString, how);
    QFETCH(bool, answer);

    QStringList buttons;
    QString caption;
    testsupport::whenBoxShows(this, [&](QMessageBox *box) {
        caption = box->windowTitle();
        for (QAbstractButton *b : box->buttons())
            buttons << b->text();
        if (how == u"Enter" || how == u"Esc") {
            QTest::keyClick(box, how == u"Enter" ? Qt::Key_Return : Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *b : box->buttons())
            if (b->text() == how)
                b->click();
    });
    QCOMPARE(widgets::AskChoice(QStringLiteral("The printer is not answering."), QStringLiteral("Cancel them"),
                                QStringLiteral("Leave them")),
             answer);
    QCOMPARE(caption, QStringLiteral("Norvane"));
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("Cancel them"), QStringLiteral("Leave them")}));
}

QTEST_MAIN(tst_Widgets)
#include "tst_widgets.moc"
