// The window's keys wherever the focus is: Tab out of a table, tabs switched
// with Ctrl+Tab and Ctrl+PgDn, Shift+F10 for the context menu; where the
// focus is, as a table and a link show it; the links opened by key.
#include "Main.h"
#include "RunWindowTest.h"

#include "FixtureMarketplace.h"
#include "FocusFrame.h"
#include "GridView.h"
#include "LinkLabel.h"
#include "QtWait.h"
#include "RecordingDesktop.h"
#include "TestWindow.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

class KeyboardConventionsTest : public test::RunWindowTest {
protected:
    void SetUp() override {
        RunWindowTest::SetUp();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        // The web pages' tabs start the web engine when shown, which these
        // tests leave out: Ctrl+Tab passes over disabled tabs.
        for (int i = 3; i < Tabs()->count(); ++i)
            Tabs()->setTabEnabled(i, false);
        test::FillRankingRows(Form->Grid3(), {{"a", "5", "1.00", "1", "1", "0"},
                                              {"b", "3", "2.00", "2", "2", "0"},
                                              {"c", "1", "3.00", "3", "3", "0"}});
    }

    template <typename T> T* Find(const char* name) const {
        return test::FindControl<T>(*Form, name);
    }
    QTabWidget* Tabs() const { return Find<QTabWidget>("MainPage"); }
    TGridView* Table(int tab) const {
        const char* names[] = {"sgData1", "sgData2", "sgData3"};
        return Find<TGridView>(names[tab]);
    }
    void ShowTab(int index) {
        Tabs()->setCurrentIndex(index);
        QApplication::processEvents();
    }
    // Focus in a table with a cell made current, as a click would leave it.
    void FocusCell(int tab, int row, int column) {
        ShowTab(tab);
        TGridView* table = Table(tab);
        table->setFocus();
        table->setCurrentIndex(table->model()->index(row, column));
        ASSERT_TRUE(table->hasFocus());
    }
    // Tab from the tab bar of that tab, as a seller reaches its first control.
    void TabFromTabBar(int tab) {
        ShowTab(tab);
        Tabs()->tabBar()->setFocus();
        Key(Qt::Key_Tab);
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Focus(), static_cast<Qt::Key>(key), modifiers);
        QApplication::processEvents();
    }
};

TEST_F(KeyboardConventionsTest, TabLeavesEachTableAndShiftTabComesBack) {
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        TGridView* table = Table(tab);
        // The last cell, where a table's own Tab would wrap to the first.
        const int lastRow = table->model()->rowCount() - 1;
        FocusCell(tab, lastRow, 0);
        const QModelIndex cell = table->currentIndex();

        Key(Qt::Key_Tab);
        EXPECT_FALSE(table->hasFocus());
        EXPECT_EQ(table->currentIndex(), cell);
        Key(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_TRUE(table->hasFocus());
        EXPECT_EQ(table->currentIndex(), cell);

        Key(Qt::Key_Backtab, Qt::ShiftModifier); // Shift+Tab as X sends it
        EXPECT_FALSE(table->hasFocus());
        EXPECT_EQ(table->currentIndex(), cell);
    }
}

TEST_F(KeyboardConventionsTest, ArrowsStillMoveBetweenCells) {
    FocusCell(2, 0, 0);
    TGridView* table = Table(2);
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_TRUE(table->hasFocus());
    EXPECT_EQ(table->currentIndex(), table->model()->index(1, 1));
}

TEST_F(KeyboardConventionsTest, ShiftTabWalksBackFromATableToTheNickBox) {
    struct Case {
        int tab;
        std::vector<const char*> backwards; // object names; "" for the tab bar
    };
    // The stop button is disabled outside a run: passed over.
    for (const Case& c : {Case{0, {"", "btnSearch", "txtID"}},
                          Case{2, {"btnChart", "btnSort", "cbSort", "", "btnSearch", "txtID"}}}) {
        SCOPED_TRACE(c.tab);
        FocusCell(c.tab, 1, 1);
        for (const char* name : c.backwards) {
            Key(Qt::Key_Tab, Qt::ShiftModifier);
            if (*name == '\0')
                EXPECT_TRUE(qobject_cast<QTabBar*>(Focus())) << Focus()->objectName().toStdString();
            else
                EXPECT_EQ(Focus()->objectName(), QString::fromLatin1(name));
        }
        EXPECT_EQ(Tabs()->currentIndex(), c.tab);
    }
    // And forward on the ranking tab: the controls as they stand, then the table.
    ShowTab(2);
    Find<QWidget>("cbSort")->setFocus();
    for (const char* name : {"btnSort", "btnChart", "sgData3"}) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focus()->objectName(), QString::fromLatin1(name));
    }
}

TEST_F(KeyboardConventionsTest, CtrlTabAndCtrlPageKeysSwitchTabsFromAnywhere) {
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        int from, to;
    };
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const std::vector<Case> cases = {
        {"Ctrl+Tab", Qt::Key_Tab, ctrl, 0, 1},
        {"Ctrl+Tab past the last enabled tab", Qt::Key_Tab, ctrl, 2, 0},
        {"Ctrl+Shift+Tab", Qt::Key_Tab, ctrlShift, 1, 0},
        {"Ctrl+Shift+Tab as X sends it", Qt::Key_Backtab, ctrlShift, 2, 1},
        {"Ctrl+Shift+Tab before the first", Qt::Key_Backtab, ctrlShift, 0, 2},
        {"Ctrl+PgDn", Qt::Key_PageDown, ctrl, 1, 2},
        {"Ctrl+PgDn past the last", Qt::Key_PageDown, ctrl, 2, 0},
        {"Ctrl+PgUp", Qt::Key_PageUp, ctrl, 2, 1},
        {"Ctrl+PgUp before the first", Qt::Key_PageUp, ctrl, 0, 2},
    };
    // Where the focus is: the table on the tab, the nick box, the tab bar.
    const std::vector<const char*> places = {"table", "txtID", "tabbar"};
    for (const Case& c : cases) {
        for (const char* place : places) {
            SCOPED_TRACE(std::string(c.name) + " from " + place);
            const std::string where = place;
            TGridView* table = c.from < 3 ? Table(c.from) : nullptr;
            if (where == "table") {
                FocusCell(c.from, 1, 1);
            } else {
                ShowTab(c.from);
                if (where == "txtID")
                    Find<QWidget>("txtID")->setFocus();
                else
                    Tabs()->tabBar()->setFocus();
            }
            const QModelIndex cell = table->currentIndex();
            QWidget* focus = Focus();
            Key(c.key, c.modifiers);
            EXPECT_EQ(Tabs()->currentIndex(), c.to);
            // The table's current cell does not move with the key.
            EXPECT_EQ(table->currentIndex(), cell);
            if (where == "table") // the focus goes with the page
                EXPECT_TRUE(Table(c.to)->hasFocus());
            else
                EXPECT_EQ(Focus(), focus);
        }
    }
}

TEST_F(KeyboardConventionsTest, ShiftF10OpensTheTablesMenuAtTheCurrentCell) {
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        FocusCell(tab, 0, 0);
        TGridView* table = Table(tab);
        Key(Qt::Key_F10, Qt::ShiftModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QStringLiteral("GridCopyMenu"));
        EXPECT_EQ(menu->parentWidget(), table);
        // At the current cell, inside the table.
        const QRect tableOnScreen(table->mapToGlobal(QPoint(0, 0)), table->size());
        EXPECT_TRUE(tableOnScreen.contains(menu->pos()))
            << menu->pos().x() << "," << menu->pos().y();
        menu->close();
        QApplication::processEvents();
        EXPECT_EQ(table->currentIndex(), table->model()->index(0, 0));
    }
    // F10 alone and Ctrl+Shift+F10 open nothing.
    FocusCell(2, 0, 0);
    Key(Qt::Key_F10);
    Key(Qt::Key_F10, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(KeyboardConventionsTest, EnterInTheNickBoxStartsNoRun) {
    auto* nick = Find<QLineEdit>("txtID");
    nick->setFocus();
    QTest::keyClicks(nick, QStringLiteral("shop"));
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        Key(key);
        EXPECT_TRUE(Find<QPushButton>("btnSearch")->isEnabled());
        EXPECT_TRUE(nick->hasFocus());
        EXPECT_EQ(nick->text(), QStringLiteral("shop"));
    }
    QTest::qWait(50);
    EXPECT_TRUE(Marketplace.Requests().empty());
}

TEST_F(KeyboardConventionsTest, RunStartedByKeyHandsTheFocusToStopAndItsEndBack) {
    const auto shop =
        test::FixtureMarketplace::ShopPages({test::MakeItem("301", "a", "1.00", "9")});
    Marketplace.SetShop(shop, shop);
    Marketplace.SetDelay(std::chrono::milliseconds(300));
    auto* nick = Find<QLineEdit>("txtID");
    nick->setFocus();
    QTest::keyClicks(nick, QStringLiteral("shop"));
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), Find<QPushButton>("btnSearch"));
    Key(Qt::Key_Space);
    ASSERT_FALSE(Find<QPushButton>("btnSearch")->isEnabled());
    EXPECT_EQ(Focus(), Find<QPushButton>("btnStop"));
    ASSERT_TRUE(test::WaitUntil([this] { return Find<QPushButton>("btnSearch")->isEnabled(); },
                                test::kRunWaitMs));
    EXPECT_EQ(Focus(), Find<QPushButton>("btnSearch"));

    // Stopped by key, the same way back.
    Key(Qt::Key_Space);
    ASSERT_EQ(Focus(), Find<QPushButton>("btnStop"));
    Key(Qt::Key_Space);
    ASSERT_TRUE(test::WaitUntil([this] { return Find<QPushButton>("btnSearch")->isEnabled(); },
                                test::kRunWaitMs));
    EXPECT_EQ(Focus(), Find<QPushButton>("btnSearch"));
}

// The highlight of the window's style, as a focused table's selection and
// the focus frame are drawn.
QColor Highlight(const QWidget& widget) {
    return widget.palette().color(QPalette::Active, QPalette::Highlight);
}

TEST_F(KeyboardConventionsTest, FocusedTableShowsItsFrameAndCurrentCell) {
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        TGridView* table = Table(tab);
        QWidget* page = table->parentWidget();
        // Its first row, selected by the arrow: a cell with text at its left only.
        TabFromTabBar(tab);
        if (tab == 2) // past the sort list and the two buttons
            for (int i = 0; i < 3; ++i)
                Key(Qt::Key_Tab);
        ASSERT_TRUE(table->hasFocus());
        Key(Qt::Key_Down);
        Key(Qt::Key_Up);
        const QModelIndex cell = table->model()->index(0, 0);
        ASSERT_EQ(table->currentIndex(), cell);
        const QRect rect = table->visualRect(cell);
        const QPoint blank(rect.right() - 6, rect.center().y());
        const QRect frameLine(rect.left() + 1, rect.top() + 1, rect.width() - 2, 1);
        const auto look = [&] {
            QApplication::processEvents();
            struct Look {
                QColor background;
                int darkOnFrameLine = 0;
                QColor besideTable;
            } seen;
            const QImage cells = table->viewport()->grab().toImage();
            seen.background = cells.pixelColor(blank);
            for (int x = frameLine.left(); x <= frameLine.right(); ++x)
                seen.darkOnFrameLine += cells.pixelColor(x, frameLine.top()).value() < 60;
            const QImage around = page->grab().toImage();
            seen.besideTable = around.pixelColor(table->x() - 1, table->y() + table->height() / 2);
            return seen;
        };

        const auto focused = look();
        EXPECT_EQ(focused.background, Highlight(*table));
        EXPECT_GT(focused.darkOnFrameLine, frameLine.width() / 4); // the dotted rectangle
        EXPECT_EQ(focused.besideTable, Highlight(*table));
        auto* frame = Find<TFocusFrame>(
            (table->objectName() + QStringLiteral("Focus")).toLatin1().constData());
        EXPECT_TRUE(frame->isVisible());

        Key(Qt::Key_Tab); // on to the next control: the same cell, greyed
        ASSERT_FALSE(table->hasFocus());
        const auto unfocused = look();
        EXPECT_EQ(unfocused.background, TGridView::kUnfocusedSelection);
        EXPECT_EQ(unfocused.darkOnFrameLine, 0);
        EXPECT_NE(unfocused.besideTable, Highlight(*table));
        EXPECT_FALSE(frame->isVisible());
        EXPECT_EQ(table->currentIndex(), cell);
    }
}

TEST_F(KeyboardConventionsTest, TabReachesEveryLinkWhichShowsItsFocusAndOpensByKey) {
    // The first tab's chain: the table, the panel's links and QQ box, the
    // status line and the status bar's link, the nick box.
    const std::vector<const char*> chain = {"sgData1",       "ADPanel1Link1", "ADPanel1Link2",
                                            "ADPanel1Link3", "ADPanel1QQ",    "sbar",
                                            "labCP",         "txtID"};
    TabFromTabBar(0);
    EXPECT_EQ(Focus()->objectName().toStdString(), chain[0]);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focus()->objectName().toStdString(), chain[i]);
    }
    for (std::size_t i = chain.size() - 1; i-- > 0;) {
        Key(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(Focus()->objectName().toStdString(), chain[i]);
    }
    // The second tab has its own panel; the ranking tab goes from the table
    // to the status line and the status bar's link.
    TabFromTabBar(1);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus()->objectName().toStdString(), "ADPanel2Link1");
    TabFromTabBar(2);
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Tab);
    EXPECT_EQ(Focus()->objectName().toStdString(), "sbar");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus()->objectName().toStdString(), "labCP");

    // A link with the focus shows it; Enter, the keypad's Enter and Space
    // open it as a click does; other keys, and a held key's repeats, do not.
    struct Case {
        const char* link;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"ADPanel1Link1", Qt::Key_Return, Qt::NoModifier, true},
        {"ADPanel1Link2", Qt::Key_Space, Qt::NoModifier, true},
        {"ADPanel1Link3", Qt::Key_Enter, Qt::KeypadModifier, true},
        {"labCP", Qt::Key_Return, Qt::NoModifier, true},
        {"ADPanel1Link1", Qt::Key_A, Qt::NoModifier, false},
        {"ADPanel1Link1", Qt::Key_Return, Qt::ControlModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.link) + " " + std::to_string(c.key));
        auto* link = Find<TLinkLabel>(c.link);
        ShowTab(0);
        Find<QWidget>("txtID")->setFocus();
        QApplication::processEvents();
        const QImage plain = link->grab().toImage();
        // Reached by Tab and Shift+Tab from the nick box.
        for (int i = 0; i < 20 && Focus() != link; ++i)
            Key(Qt::Key_Tab, Qt::ShiftModifier);
        ASSERT_EQ(Focus(), link);
        EXPECT_NE(link->grab().toImage(), plain);
        Desktop.Opened.clear();
        Key(c.key, c.modifiers);
        if (c.opens) {
            ASSERT_EQ(Desktop.Opened.size(), 1u);
            EXPECT_EQ(Desktop.Opened[0].Url, link->Url());
            EXPECT_EQ(Desktop.Opened[0].Mode, TDesktopServices::TShowMode::Normal);
        } else {
            EXPECT_TRUE(Desktop.Opened.empty());
        }
        EXPECT_EQ(Focus(), link);
    }
    auto* link = Find<TLinkLabel>("ADPanel1Link1");
    link->setFocus();
    Desktop.Opened.clear();
    QTest::keyPress(link, Qt::Key_Space);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "),
                         true);
        QApplication::sendEvent(link, &repeat);
    }
    QTest::keyRelease(link, Qt::Key_Space);
    EXPECT_EQ(Desktop.Opened.size(), 1u);
}

} // namespace
