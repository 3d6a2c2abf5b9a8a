// The on-screen keypad: its layout, and how the main window opens it, types
// its keys into the number box and keeps them when it closes.

#include "common/mainwindow.h"
#include "db/dbconnection.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "labdb/sampledata.h"
#include "ui/keyboard/frmkeyboard.h"
#include "ui/main/frmnorvane.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vktextbox.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace widgets;
using ui::frmKeyboard;

namespace {

// Every key's caption, row by row: cmdKeys 0-27, then cmdNum 0-9. A row is the
// index of its first key.
const char *const kLetterCaptions[] = {"Q", "W", "E", "R", "T", "Y", "U", "I",         "O",    "P", //
                                       "A", "S", "D", "F", "G", "H", "J", "K",         "L",         //
                                       "Z", "X", "C", "V", "B", "N", "M", "Backspace", "Space"};
const int kLetterRows[] = {0, 10, 19, 27};
const char *const kDigitCaptions[] = {"7", "8", "9", "4", "5", "6", "1", "2", "3", "0"};
const int kDigitRows[] = {0, 3, 6, 9};

// The keys of one frame: each inside the frame below its caption band, none over
// another, the keys of a row on one line from left to right, the rows from top to
// bottom.
template<int N>
void verifyKeyRows(const QList<vkCommand *> &keys, const vkFrame *frame, const int (&rowStarts)[N])
{
    const QRect inside(0, frame->captionHeight(), frame->width(), frame->height() - frame->captionHeight());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QVERIFY2(inside.contains(keys[i]->geometry()), qPrintable(keys[i]->caption()));
        for (qsizetype j = i + 1; j < keys.size(); ++j)
            QVERIFY2(!keys[i]->geometry().intersects(keys[j]->geometry()),
                     qPrintable(keys[i]->caption() + QStringLiteral(" over ") + keys[j]->caption()));
    }
    for (int r = 0; r < N; ++r) {
        const qsizetype end = r + 1 < N ? rowStarts[r + 1] : keys.size();
        for (qsizetype i = rowStarts[r] + 1; i < end; ++i) {
            QCOMPARE(keys[i]->y(), keys[i - 1]->y());
            QVERIFY2(keys[i]->x() > keys[i - 1]->x(), qPrintable(keys[i]->caption()));
        }
        if (r > 0)
            QVERIFY(keys[rowStarts[r]]->y() > keys[rowStarts[r - 1]]->y());
    }
}

frmKeyboard *openKeypad()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *k = qobject_cast<frmKeyboard *>(w); k && k->isVisible())
            return k;
    return nullptr;
}

// Everything the layout sets, as text, to compare one opening with another.
QStringList layoutOf(frmKeyboard *k)
{
    QStringList out{k->windowTitle(), QString::number(k->width()) + 'x' + QString::number(k->height())};
    for (QWidget *w : k->findChildren<QWidget *>()) {
        const QRect g = w->geometry();
        out << QStringLiteral("%1 %2 %3,%4 %5x%6 %7 %8")
                   .arg(w->objectName(), w->parentWidget()->objectName())
                   .arg(g.x())
                   .arg(g.y())
                   .arg(g.width())
                   .arg(g.height())
                   .arg(w->font().toString(), w->property("caption").toString());
    }
    // The tab chain from the first key.
    QWidget *w = k->letterKey(0);
    QString chain;
    for (int i = 0; w && i < 40; ++i, w = w->nextInFocusChain())
        chain += w->objectName() + ' ';
    out << chain;
    return out;
}

} // namespace

class tst_Keyboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<testsupport::MainWindow> m_main;
    ui::frmNorvane *m_window = nullptr;
    QStringList m_messages;

    vkTextBox *txtNumber() const { return m_window->findChild<vkTextBox *>(QStringLiteral("txtNumber")); }
    QPushButton *cmdKeyboard() const { return m_window->findChild<QPushButton *>(QStringLiteral("cmdKeyboard")); }
    vkFrame *frame(const char *name) const { return m_window->findChild<vkFrame *>(QLatin1String(name)); }

    // Clicks the keyboard button; act runs inside the keypad's modal loop
    // (with null if no keypad opened) and the keypad is closed after it.
    bool clickKeyboard(const std::function<void(frmKeyboard *)> &act)
    {
        bool opened = false;
        QTimer::singleShot(0, this, [&] {
            frmKeyboard *k = openKeypad();
            opened = k != nullptr;
            act(k);
            if (k && k->isVisible())
                k->close();
        });
        QTest::mouseClick(cmdKeyboard(), Qt::LeftButton);
        QTest::qWait(1); // lets the timer run when no keypad took the click
        return opened;
    }

    static void clickKeys(frmKeyboard *k, const QString &captions)
    {
        // One key per character; '<' is Backspace, '_' is Space.
        for (QChar c : captions) {
            const QString caption = c == '<' ? QStringLiteral("Backspace")
                : c == '_'                   ? QStringLiteral("Space")
                                             : QString(c);
            vkCommand *key = nullptr;
            for (int i = 0; i < frmKeyboard::kLetterKeys && !key; ++i)
                if (k->letterKey(i)->caption() == caption)
                    key = k->letterKey(i);
            for (int i = 0; i < frmKeyboard::kDigitKeys && !key; ++i)
                if (k->digitKey(i)->caption() == caption)
                    key = k->digitKey(i);
            QVERIFY2(key, qPrintable(caption));
            QTest::mouseClick(key, Qt::LeftButton);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(QStringLiteral("lab.sqlite"));
        labdb::createDatabase(path);
        labdb::seedSampleData(path);
        auto client = std::make_unique<db::EmbeddedClient>(path);
        client->open(QString());
        db::installConnection(std::move(client));
        widgets::setMessageBoxHandler([this](const QString &text, const QString &) { m_messages << text; });
    }

    void init()
    {
        m_messages.clear();
        m_main = std::make_unique<testsupport::MainWindow>(db::DbConnection());
        m_window = &m_main->window;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup() { m_main.reset(); }

    void layout()
    {
        frmKeyboard k;
        QVERIFY(!k.isLoaded());
        k.show();
        QVERIFY(k.isLoaded());
        QCOMPARE(k.windowTitle(), QStringLiteral(" Keyboard"));
        QCOMPARE(k.windowType(), Qt::Tool);
        const Qt::WindowFlags flags = k.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // A fixed size, holding both frames side by side.
        QCOMPARE(k.minimumSize(), k.maximumSize());
        QCOMPARE(k.size(), k.minimumSize());
        QCOMPARE(k.palette().color(QPalette::Window), QColor(255, 255, 255));
        QVERIFY(k.rect().contains(k.frame1()->geometry()));
        QVERIFY(k.rect().contains(k.frame2()->geometry()));
        QVERIFY(k.frame1()->geometry().right() < k.frame2()->geometry().left());

        const struct
        {
            vkFrame *frame;
            const char *caption;
        } frames[] = {{k.frame1(), "Alpha Keys"}, {k.frame2(), "Num Keys"}};
        for (const auto &f : frames) {
            QCOMPARE(f.frame->caption(), QLatin1String(f.caption));
            QCOMPARE(f.frame->font().family(), QStringLiteral("Arial"));
            QCOMPARE(f.frame->font().pointSizeF(), 9.0);
            QVERIFY(f.frame->font().bold());
            QCOMPARE(f.frame->backcolor2(), QColor(255, 255, 255));
        }
        const auto checkKey = [](vkCommand *key, QWidget *frame, const char *caption) {
            QVERIFY(key);
            QCOMPARE(key->parentWidget(), frame);
            QCOMPARE(key->caption(), QLatin1String(caption));
            QCOMPARE(key->font().family(), QStringLiteral("Arial"));
            QCOMPARE(key->font().pointSizeF(), 15.75);
            QCOMPARE(key->font().weight(), QFont::Normal);
            QVERIFY(!key->font().italic());
        };
        QList<vkCommand *> letters, digits;
        for (int i = 0; i < frmKeyboard::kLetterKeys; ++i) {
            checkKey(k.letterKey(i), k.frame1(), kLetterCaptions[i]);
            letters.append(k.letterKey(i));
        }
        for (int i = 0; i < frmKeyboard::kDigitKeys; ++i) {
            checkKey(k.digitKey(i), k.frame2(), kDigitCaptions[i]);
            digits.append(k.digitKey(i));
        }
        QCOMPARE(k.findChildren<vkCommand *>().size(), 38);
        verifyKeyRows(letters, k.frame1(), kLetterRows);
        verifyKeyRows(digits, k.frame2(), kDigitRows);
        // Backspace and Space end at the same right edge.
        QCOMPARE(k.letterKey(26)->geometry().right(), k.letterKey(27)->geometry().right());

        // Tab order: Q to M, Space, Backspace, then 7 8 9 4 5 6 1 2 3 0.
        QStringList chain;
        QWidget *w = k.letterKey(0);
        for (int i = 0; i < 38; ++i, w = w->nextInFocusChain()) {
            while (!(w->focusPolicy() & Qt::TabFocus))
                w = w->nextInFocusChain();
            chain << w->property("caption").toString();
        }
        QCOMPARE(chain.join(' '),
                 QStringLiteral("Q W E R T Y U I O P A S D F G H J K L Z X C V B N M Space Backspace "
                                "7 8 9 4 5 6 1 2 3 0"));
        k.close();
        QVERIFY(!k.isLoaded());
    }

    // A screen reader finds the window by its caption, the two groups by their
    // captions and every key by its caption; the main window's keypad button is named.
    void screenReaderNames()
    {
        frmKeyboard k;
        k.show();
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&k);
        QVERIFY(window);
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral(" Keyboard"));
        const struct
        {
            vkFrame *frame;
            const char *caption;
        } frames[] = {{k.frame1(), "Alpha Keys"}, {k.frame2(), "Num Keys"}};
        for (const auto &f : frames) {
            QAccessibleInterface *group = QAccessible::queryAccessibleInterface(f.frame);
            QCOMPARE(group->role(), QAccessible::Grouping);
            QCOMPARE(group->text(QAccessible::Name), QLatin1String(f.caption));
        }
        for (vkCommand *key : k.findChildren<vkCommand *>()) {
            QAccessibleInterface *button = QAccessible::queryAccessibleInterface(key);
            QCOMPARE(button->role(), QAccessible::Button);
            QCOMPARE(button->text(QAccessible::Name), key->caption());
        }
        k.close();
        QAccessibleInterface *keyboardButton = QAccessible::queryAccessibleInterface(cmdKeyboard());
        QCOMPARE(keyboardButton->text(QAccessible::Name), QStringLiteral("Keyboard"));
        QCOMPARE(keyboardButton->role(), QAccessible::Button);
    }

    // The button opens the keypad modally, on the screen and clear of the number
    // box, only while the search frame is enabled.
    void opensOnlyWhileSearching()
    {
        bool modal = false, clear = false, mainBlocked = false;
        QString textInside;
        txtNumber()->setText(QStringLiteral("T1"));
        QVERIFY(clickKeyboard([&](frmKeyboard *k) {
            QVERIFY(k);
            modal = QApplication::activeModalWidget() == k && k->windowModality() == Qt::ApplicationModal;
            mainBlocked = QApplication::activeModalWidget() != m_window;
            // The typed text stays in sight: the number box is on the screen and
            // the keypad (its title bar included) leaves it uncovered.
            const QRect screen = k->screen()->availableGeometry();
            const QRect numberBox(txtNumber()->mapToGlobal(QPoint(0, 0)), txtNumber()->size());
            // (The test platform's own screen, 800 x 600, is smaller than the
            // keypad. CTest runs this test on 1280 x 800 and 1920 x 1080 screens.)
            const bool roomForBoth = screen.width() >= k->frameGeometry().width() && screen.height() >= 768;
            clear = !roomForBoth
                || (screen.contains(k->frameGeometry()) && screen.contains(numberBox)
                    && !k->frameGeometry().intersects(numberBox));
            textInside = txtNumber()->text();
        }));
        QVERIFY(modal);
        QVERIFY(mainBlocked);
        QVERIFY(clear);
        QCOMPARE(textInside, QStringLiteral("T1")); // opening takes nothing from the number box

        // A patient shown: the search frame and the button are disabled.
        txtNumber()->setText(QString::fromLatin1(labdb::sample::obrienChargeslip));
        QTest::keyClick(txtNumber(), Qt::Key_Return);
        QVERIFY(!frame("fraSearch")->isEnabled());
        QVERIFY(!clickKeyboard([](frmKeyboard *k) { QVERIFY(!k); }));
        QVERIFY(!openKeypad());
    }

    // The same keypad object comes back, loaded afresh from the layout.
    void secondOpeningAsFirst()
    {
        QStringList first, second;
        frmKeyboard *firstObject = nullptr;
        QPointer<vkCommand> oldKey;
        QVERIFY(clickKeyboard([&](frmKeyboard *k) {
            firstObject = k;
            first = layoutOf(k);
            // Disturb it: a key moved and renamed, the focus on a key.
            oldKey = k->letterKey(0);
            oldKey->move(300, 200);
            oldKey->setCaption(QStringLiteral("?"));
            k->digitKey(5)->setFocus();
        }));
        QVERIFY(!oldKey); // closing unloaded the controls
        QVERIFY(!firstObject->isLoaded());
        frmKeyboard *secondObject = nullptr;
        QVERIFY(clickKeyboard([&](frmKeyboard *k) {
            secondObject = k;
            second = layoutOf(k);
        }));
        QCOMPARE(secondObject, firstObject);
        QCOMPARE(second, first);
    }

    // Keys type at the cursor through the number box's key filter.
    void keysTypeThroughTheFilter_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::newRow("letters and digits") << ""
                                            << "CS2024"
                                            << "CS2024";
        QTest::newRow("Space types a blank") << ""
                                             << "A_1"
                                             << "A 1";
        QTest::newRow("Backspace deletes the last character") << "T1000"
                                                              << "<<9"
                                                              << "T109";
        QTest::newRow("Backspace on an empty box") << ""
                                                   << "<<"
                                                   << "";
        QTest::newRow("appended to what was there") << "cs2"
                                                    << "0"
                                                    << "cs20"; // the program's own text is unfiltered
    }

    void keysTypeThroughTheFilter()
    {
        QFETCH(QString, before);
        QFETCH(QString, keys);
        QFETCH(QString, after);
        txtNumber()->setText(before);
        QString inside;
        QVERIFY(clickKeyboard([&](frmKeyboard *k) {
            clickKeys(k, keys);
            inside = txtNumber()->text();
        }));
        QCOMPARE(inside, after);
        QCOMPARE(txtNumber()->text(), after);
    }

    void keysPassTheBoxsHandler()
    {
        // The box's own key-press handler sees every character the keypad types.
        QList<int> seen;
        txtNumber()->setKeyPressHandler([&](int &code) {
            seen << code;
            if (code == 'Q')
                code = 0; // dropped
            else if (code == 'W')
                code = 'w'; // changed
        });
        QVERIFY(clickKeyboard([&](frmKeyboard *k) { clickKeys(k, QStringLiteral("QW_7")); }));
        QCOMPARE(seen, (QList<int>{'Q', 'W', ' ', '7'}));
        QCOMPARE(txtNumber()->text(), QStringLiteral("w 7"));
    }

    // The keypad's place on the workstations' screens: centred across, below the
    // number box, which it never covers, and within the screen.
    void placedClearOfTheNumberBox_data()
    {
        QTest::addColumn<QSize>("screen");
        for (const QSize size : {QSize(1280, 800), QSize(1366, 768), QSize(1920, 1080), QSize(2560, 1440)})
            QTest::addRow("%dx%d", size.width(), size.height()) << size;
    }

    void placedClearOfTheNumberBox()
    {
        QFETCH(QSize, screen);
        // The main window at that size, its number box where the layout puts it.
        m_window->setWindowState(Qt::WindowNoState);
        m_window->setGeometry(QRect(QPoint(0, 0), screen));
        QTRY_COMPARE(m_window->size(), screen);
        const QRect numberBox(txtNumber()->mapTo(m_window, QPoint(0, 0)), txtNumber()->size());
        // The keypad with a title bar as tall as a large one.
        const QSize keypad(1221, 373 + 40);
        const QRect placed(frmKeyboard::placement(keypad, QRect(QPoint(0, 0), screen), numberBox), keypad);
        QVERIFY(QRect(QPoint(0, 0), screen).contains(placed));
        QVERIFY(!placed.intersects(numberBox));
        QVERIFY(placed.top() > numberBox.bottom());
        QVERIFY(qAbs(placed.center().x() - screen.width() / 2) <= 1);
        // Nothing to keep clear: centred, as laid out.
        const QRect centred(frmKeyboard::placement(keypad, QRect(QPoint(0, 0), screen), QRect()), keypad);
        QVERIFY((centred.center() - QRect(QPoint(0, 0), screen).center()).manhattanLength() <= 2);
    }

    // A scan made while the keypad is open: its characters type into the number
    // box like the keypad's keys, whichever key holds the focus, and its Return
    // closes the keypad and searches; neither Return nor Space clicks that key.
    void scanWhileOpen_data()
    {
        QTest::addColumn<QString>("keypadKeys"); // clicked first; the last one keeps the focus
        QTest::addColumn<QString>("scanned");    // then typed on the physical keyboard, with Return
        QTest::newRow("scan alone") << ""
                                    << "T1000001C";
        QTest::newRow("scan after a key was clicked") << "C<"
                                                      << "T1000001C";
        QTest::newRow("finishing what the keypad began") << "T100000"
                                                         << "1C";
        QTest::newRow("Backspace from the keyboard") << "T1"
                                                     << "X\b000001C";
    }

    void scanWhileOpen()
    {
        QFETCH(QString, keypadKeys);
        QFETCH(QString, scanned);
        QString beforeReturn;
        bool closedByReturn = false;
        QVERIFY(clickKeyboard([&](frmKeyboard *k) {
            k->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(k));
            clickKeys(k, keypadKeys);
            if (keypadKeys.isEmpty())
                k->letterKey(21)->setFocus(); // "C" holds the focus without being clicked
            QWidget *focused = QApplication::focusWidget();
            QVERIFY(focused && k->isAncestorOf(focused));
            for (QChar c : scanned) {
                if (c == u'\b')
                    QTest::keyClick(focused, Qt::Key_Backspace);
                else
                    QTest::keyClick(focused, c.toLatin1());
            }
            beforeReturn = txtNumber()->text();
            QTest::keyClick(focused, Qt::Key_Return);
            closedByReturn = !k->isVisible();
        }));
        QCOMPARE(beforeReturn, QStringLiteral("T1000001C"));
        QVERIFY(closedByReturn);
        // Searched at once: the patient is shown, the number box holds the scan alone.
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(m_window->findChild<vkLabel *>(QStringLiteral("lblPatientName"))->caption(),
                 QStringLiteral("O'BRIEN, MARGARET"));
        QCOMPARE(txtNumber()->text(), QStringLiteral("T1000001C"));
        QVERIFY(!frame("fraSearch")->isEnabled());
    }

    void spaceFromTheKeyboardTypesABlank()
    {
        QVERIFY(clickKeyboard([&](frmKeyboard *k) {
            k->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(k));
            clickKeys(k, QStringLiteral("C"));
            QCOMPARE(QApplication::focusWidget(), k->letterKey(21));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QTest::keyClick(QApplication::focusWidget(), 'a');
        }));
        QCOMPARE(txtNumber()->text(), QStringLiteral("C A"));
    }

    // Closing the keypad keeps the number typed on it, with the focus in the
    // number box, so that Enter searches for it; other activations still reset.
    void closingKeepsTheNumber()
    {
        const QString chargeslip = QString::fromLatin1(labdb::sample::obrienChargeslip); // CS202400001
        QVERIFY(clickKeyboard([&](frmKeyboard *k) { clickKeys(k, chargeslip + QStringLiteral("9<")); }));
        QCOMPARE(txtNumber()->text(), chargeslip);
        QCOMPARE(m_window->focusWidget(), txtNumber());
        // Back to the main window (a window manager does this when the keypad closes).
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QCOMPARE(QApplication::focusWidget(), txtNumber());
        QVERIFY(frame("fraSearch")->isEnabled());
        QVERIFY(!frame("fraExams")->isEnabled());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_messages, QStringList());
        QVERIFY(!frame("fraSearch")->isEnabled());
        QCOMPARE(m_window->findChild<vkLabel *>(QStringLiteral("lblPatientName"))->caption(),
                 QStringLiteral("O'BRIEN, MARGARET"));

        // Another window of the program closing over it resets as before.
        m_window->findChild<vkCommand *>(QStringLiteral("cmdNew"))->click();
        txtNumber()->setText(QStringLiteral("T1"));
        {
            QWidget other;
            other.show();
            QVERIFY(QTest::qWaitForWindowExposed(&other));
        }
        QCOMPARE(txtNumber()->text(), QString());
        // And the next keypad closing keeps its number again.
        QVERIFY(clickKeyboard([&](frmKeyboard *k) { clickKeys(k, QStringLiteral("T1")); }));
        QCOMPARE(txtNumber()->text(), QStringLiteral("T1"));
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
