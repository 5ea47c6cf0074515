// Copying the result tables: keys, the right-click menu, and the text a
// spreadsheet receives.
#include "GridCopier.h"

#include "GbkText.h"
#include "GridView.h"
#include "Main.h"
#include "MyUtils.h"
#include "RecordingDesktop.h"
#include "ResultTables.h"
#include "TestWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::Gbk;

namespace {

class GridCopierTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = test::ShowTestWindow(Desktop);
        QApplication::clipboard()->clear();
    }

    TGridView* View(const char* name) const {
        return Form->findChild<TGridView*>(QString::fromLatin1(name));
    }
    void ShowTab(int index) {
        Form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(index);
        QApplication::processEvents();
    }

    // Ranking rows as the analysis writes them (GBK), then the empty bottom row.
    void FillRanking(const std::vector<std::vector<std::string>>& rows) {
        test::FillRankingRows(Form->Grid3(), rows);
    }

    // A left click on grid cell (column, row), with modifiers.
    static void Click(TGridView* view, int column, int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect cell = view->visualRect(view->model()->index(row - 1, column - 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
    }

    static QString Clipboard() { return QApplication::clipboard()->text(); }

    // Right-clicks on widget and picks the entry with the given text.
    static void PickFromMenu(TGridView* view, QWidget* on, const char* entry) {
        QContextMenuEvent press(QContextMenuEvent::Mouse, {5, 5}, on->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(on, &press);
        auto* menu = view->findChild<QMenu*>(QStringLiteral("GridCopyMenu"));
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QStringList texts;
        QAction* picked = nullptr;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            if (action->text() == QString::fromUtf8(entry))
                picked = action;
        }
        EXPECT_EQ(texts,
                  QStringList({QString::fromUtf8("复制"), QString::fromUtf8("复制整个表格")}));
        ASSERT_NE(picked, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(picked).center());
        // The menu goes once closed.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(view->findChild<QMenu*>(QStringLiteral("GridCopyMenu")), nullptr);
    }

    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(GridCopierTest, KeysCopyTheSelectionAsShown) {
    ShowTab(2);
    FillRanking({
        {Gbk("连衣裙 \"夏\""), "12", "9.90", "1", "2", "1", Gbk("重要宝贝权值正常"), "501"},
        {"a\tb", "7", "1.00", "2", "1", "-1", Gbk("重要宝贝被隐性降权"), "502"},
        {"line\r\nbreak", "3", "2.00", "3", "3", "0", "", "503"},
    });
    TGridView* view = View("sgData3");
    view->setFocus();

    // A range: no header, no row numbers; quoted where a cell holds a
    // quote, tab or line break, so a spreadsheet keeps it one cell.
    Click(view, 1, 1);
    Click(view, 3, 2, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QString::fromUtf8("\"连衣裙 \"\"夏\"\"\"\t12\t9.90\n\"a\tb\"\t7\t1.00"));

    Click(view, 1, 3);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QString::fromUtf8("\"line\r\nbreak\""));

    // Ctrl+A: every data cell, not the empty bottom row; the id column is hidden.
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    EXPECT_EQ(selected.size(), 3 * 8);
    for (const QModelIndex& index : selected)
        EXPECT_LT(index.row(), 3);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(),
              QString::fromUtf8("\"连衣裙 \"\"夏\"\"\"\t12\t9.90\t1\t2\t1\t重要宝贝权值正常\n"
                                "\"a\tb\"\t7\t1.00\t2\t1\t-1\t重要宝贝被隐性降权\n"
                                "\"line\r\nbreak\"\t3\t2.00\t3\t3\t0\t"));
    // The double click still opens the item at the selection's top.
    Form->sgData3DblClick();
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_TRUE(Desktop.Opened[0].Url.endsWith(QLatin1String("id=501")));

    // A column the user dragged shut is hidden too.
    view->horizontalHeader()->resizeSection(2, 0); // "价格"
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(Clipboard().startsWith(QString::fromUtf8("\"连衣裙 \"\"夏\"\"\"\t12\t1\t2\t1\t")))
        << Clipboard().toStdString();
}

TEST_F(GridCopierTest, MenuCopiesTheSelectionOrTheWholeTable) {
    TGridView* view = View("sgData1");
    AddItemRow(Form->Grid1(), {"42", Gbk("连衣裙"), "9.90", 1, 3, 0, 0});
    AddItemRow(Form->Grid1(), {"43", "b", "1.00", 2, 12, 0, 0});
    QApplication::processEvents();

    // Rank column and header included; the hidden columns left out.
    PickFromMenu(view, view->viewport(), "复制整个表格");
    EXPECT_EQ(Clipboard(),
              QString::fromUtf8("\t宝贝\t成交量\t价格\n1\t连衣裙\t3\t9.90\n2\tb\t12\t1.00"));

    Click(view, 2, 2);
    PickFromMenu(view, view->viewport(), "复制");
    EXPECT_EQ(Clipboard(), QString::fromUtf8("12"));
    // The menu opens on the header row too.
    QApplication::clipboard()->clear();
    PickFromMenu(view, view->horizontalHeader()->viewport(), "复制");
    EXPECT_EQ(Clipboard(), QString::fromUtf8("12"));
}

TEST_F(GridCopierTest, WholeTableOfEmptyTablesAndTheNotice) {
    // A table without data: the header row alone; Ctrl+A selects nothing new.
    ShowTab(2);
    TGridView* ranking = View("sgData3");
    PickFromMenu(ranking, ranking->viewport(), "复制整个表格");
    EXPECT_EQ(Clipboard(), QString::fromUtf8("\t宝贝\t成交量\t价格\t实际排名\t理论排名\t差值\t"));
    ranking->setFocus();
    QTest::keyClick(ranking, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ranking->selectionModel()->selectedIndexes().size(), 1);

    // The no-demotion notice sits in the bottom row and is data all the same.
    ShowTab(1);
    Form->Grid2().SetCell(1, 1, Gbk("店铺宝贝共0个 ，没有被降权宝贝"));
    QApplication::processEvents();
    TGridView* demoted = View("sgData2");
    PickFromMenu(demoted, demoted->viewport(), "复制整个表格");
    EXPECT_EQ(Clipboard(),
              QString::fromUtf8("\t宝贝\t成交量\t价格\n\t店铺宝贝共0个 ，没有被降权宝贝\t\t"));
}

TEST(GridCopierJoinTest, SpreadsheetQuoting) {
    const struct {
        std::vector<std::vector<const char*>> rows;
        const char* text;
    } cases[] = {
        {{{"a", "b"}, {"c", ""}}, "a\tb\nc\t"},
        {{{"tab\there"}}, "\"tab\there\""},
        {{{"one\ntwo", "x"}}, "\"one\ntwo\"\tx"},
        {{{"cr\rx"}}, "\"cr\rx\""},
        {{{"say \"hi\""}}, "\"say \"\"hi\"\"\""},
        {{{"\""}}, "\"\"\"\""},
        {{{""}}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::vector<QString>> rows;
        for (const auto& row : c.rows) {
            auto& cells = rows.emplace_back();
            for (const char* cell : row)
                cells.push_back(QString::fromUtf8(cell));
        }
        EXPECT_EQ(TGridCopier::JoinRows(rows), QString::fromUtf8(c.text)) << c.text;
    }
}

} // namespace
