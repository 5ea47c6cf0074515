// Progress, stop and the run after a stop, through the window.
#include "RunWindowTest.h"

#include "FullBacklogListener.h"
#include "GbkText.h"
#include "GridView.h"
#include "ListingFetch.h"
#include "LoopbackServer.h"
#include "MyUtils.h"
#include "RankAnalysis.h"
#include "ResultTables.h"
#include "SilentResolver.h"
#include "SortChoice.h"
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>

using namespace korvane;
using namespace korvane::test;

namespace {

// Progress, stop and the run after a stop, through the window.
class RunProgressTest : public test::RunWindowTest {
protected:
    QLabel* StatusPanel() const { return Form->findChild<QLabel*>(QStringLiteral("sbar")); }
    QProgressBar* Bar() const { return Form->findChild<QProgressBar*>(QStringLiteral("pbRun")); }
    QPushButton* StopButton() const {
        return Form->findChild<QPushButton*>(QStringLiteral("btnStop"));
    }

    static std::vector<FixtureItem> Items(int count, const std::string& prefix) {
        std::vector<FixtureItem> items;
        for (int i = 0; i < count; ++i)
            items.push_back(MakeItem(std::to_string(100 + i), prefix + std::to_string(i), "1.00",
                                     std::to_string(50 - i)));
        return items;
    }

    // Waits for the status text and for the page's request to be in flight,
    // then stops the run the given way and checks that it ends well within a
    // second.
    void StopWhenShowing(const char* text, std::size_t requests,
                         const std::function<void()>& stop) {
        ASSERT_TRUE(test::WaitUntil(
            [&] { return StatusPanel()->text() == QString::fromUtf8(text); }, kRunWaitMs))
            << StatusPanel()->text().toStdString();
        ASSERT_TRUE(
            test::WaitUntil([&] { return Marketplace.Requests().size() == requests; }, kRunWaitMs));
        ASSERT_TRUE(StopButton()->isEnabled());
        QElapsedTimer clock;
        clock.start();
        stop();
        ASSERT_TRUE(test::WaitUntil([this] { return Button()->isEnabled(); }, kRunWaitMs));
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_FALSE(StopButton()->isEnabled());
        EXPECT_FALSE(Bar()->isVisible());
        // No page is asked for after the stop.
        QTest::qWait(300);
        EXPECT_EQ(Marketplace.Requests().size(), requests);
    }
};

TEST_F(RunProgressTest, StatusLineAndBarFollowBothPasses) {
    // Sales 3 pages, default 5: the bar stays full past the sales pass's length.
    Marketplace.SetShop(FixtureMarketplace::ShopPages(Items(6, "s"), 2),
                        FixtureMarketplace::ShopPages(Items(9, "d"), 2));
    Marketplace.SetDelay(std::chrono::milliseconds(250));
    EXPECT_FALSE(Bar()->isVisible());
    EXPECT_FALSE(StopButton()->isEnabled());
    Press("shop");
    EXPECT_TRUE(StopButton()->isEnabled());

    struct Step {
        const char* text;
        int maximum; // 0: busy
        int value;
    };
    const Step steps[] = {
        {"正在读取销量排序第1页，已找到0件宝贝", 0, 0},
        {"正在读取销量排序第2页，已找到2件宝贝", 0, 0},
        {"正在读取销量排序第3页，已找到4件宝贝", 0, 0},
        {"正在读取默认排序第1页，已找到0件宝贝", 3, 0},
        {"正在读取默认排序第2页，已找到2件宝贝", 3, 1},
        {"正在读取默认排序第3页，已找到4件宝贝", 3, 2},
        {"正在读取默认排序第4页，已找到6件宝贝", 3, 3},
        {"正在读取默认排序第5页，已找到8件宝贝", 3, 3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        ASSERT_TRUE(test::WaitUntil(
            [&] { return StatusPanel()->text() == QString::fromUtf8(step.text); }, kRunWaitMs))
            << StatusPanel()->text().toStdString();
        EXPECT_TRUE(Bar()->isVisible());
        EXPECT_EQ(Bar()->maximum(), step.maximum);
        if (step.maximum > 0) {
            EXPECT_EQ(Bar()->value(), step.value);
        }
        // The bar lies inside the status panel, at its right end.
        EXPECT_EQ(Bar()->parentWidget(), StatusPanel());
        EXPECT_EQ(Bar()->geometry().right(), StatusPanel()->width() - 4);
    }
    WaitForRunEnd();
    EXPECT_EQ(StatusPanel()->text().toStdString(),
              "探测完成：卖家“shop”共9件宝贝，降权宝贝3件，重要宝贝被隐性降权0件。");
    EXPECT_FALSE(Bar()->isVisible());
    EXPECT_FALSE(StopButton()->isEnabled());
    EXPECT_EQ(Form->Grid1().RowCount(), 11);
}

// The marketplace's name server never answers: stop ends the run while the
// first page's name is still being looked up, at once.
TEST_F(RunProgressTest, StopDuringANameLookupEndsTheRunAtOnce) {
    const test::SilentResolver silent;
    CloseTestWindow(Form);
    TMainFormSettings settings;
    settings.SearchHost = "marketplace.korvane.test";
    Form = ShowTestWindow(Desktop, settings);
    Press("shop");
    ASSERT_TRUE(test::WaitUntil([&] { return silent.Asked() == 1; }, kRunWaitMs));
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(StopButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([this] { return Button()->isEnabled(); }, kRunWaitMs));
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(StatusPanel()->text(),
              QString::fromUtf8("已停止：销量排序未读到任何一页，未做比较。"));
}

TEST_F(RunProgressTest, StopInTheSalesPassThenANewRun) {
    const std::vector<FixtureItem> items = Items(10, "t");
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items, 2),
                        FixtureMarketplace::ShopPages(items, 2));
    // Page 3 would take a minute: only abandoning it ends the run in time.
    Marketplace.SetPageDelay(true, 3, std::chrono::seconds(60));
    Press("shop");
    StopWhenShowing("正在读取销量排序第3页，已找到4件宝贝", 3,
                    [this] { QTest::mouseClick(StopButton(), Qt::LeftButton); });

    EXPECT_EQ(StatusPanel()->text(), QString::fromUtf8("已停止：销量排序只读到第2页，未做比较。"));
    EXPECT_EQ(Marketplace.Requests().size(), 3u);
    // No comparison: every table stays as the start of the run left it.
    for (const TStringGrid* grid : {&Form->Grid1(), &Form->Grid2(), &Form->Grid3()}) {
        ASSERT_EQ(grid->RowCount(), 2);
        for (int c = 0; c < grid->ColumnCount(); ++c)
            EXPECT_EQ(grid->Cell(c, 1), "");
    }

    // A new run after the stop works as any run.
    Marketplace.ClearFaults();
    Marketplace.ClearRequests();
    Run();
    const ExpectedTables expected(items, items);
    ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
    ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    EXPECT_EQ(StatusPanel()->text().toStdString(),
              "探测完成：卖家“shop”共10件宝贝，降权宝贝0件，重要宝贝被隐性降权0件。");
    EXPECT_EQ(Marketplace.Requests().size(), 10u);
}

TEST_F(RunProgressTest, EscInTheDefaultPassAnalysesThePagesRead) {
    // The sales listing leaves out item 1, which the first default page lists.
    const std::vector<FixtureItem> defaultOrder = Items(8, "d");
    std::vector<FixtureItem> salesOrder = defaultOrder;
    salesOrder.erase(salesOrder.begin() + 1);
    Marketplace.SetShop(FixtureMarketplace::ShopPages(salesOrder, 3),
                        FixtureMarketplace::ShopPages(defaultOrder, 3));
    Marketplace.SetPageDelay(false, 3, std::chrono::seconds(60));
    Press("shop");
    // Esc reaches the window wherever the focus is, the tables included.
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    auto* table = Form->findChild<TGridView*>(QStringLiteral("sgData1"));
    table->setFocus();
    StopWhenShowing("正在读取默认排序第3页，已找到6件宝贝", 6,
                    [table] { QTest::keyClick(table, Qt::Key_Escape); });

    EXPECT_EQ(StatusPanel()->text(),
              QString::fromUtf8("已停止：默认排序只读到第2页，结果只含前2页的宝贝。"
                                "已比较的6件宝贝中，降权宝贝1件，重要宝贝被隐性降权0件。"));
    const std::vector<FixtureItem> read(defaultOrder.begin(), defaultOrder.begin() + 6);
    const ExpectedTables expected(salesOrder, read, {false, false, std::nullopt});
    ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
    ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    EXPECT_EQ(Form->Grid2().Cell(4, 1), "101");

    // Outside a run Esc and the stop handler do nothing.
    Marketplace.ClearRequests();
    QTest::keyClick(Form.get(), Qt::Key_Escape);
    Form->btnStopClick();
    EXPECT_TRUE(Button()->isEnabled());
    EXPECT_TRUE(Marketplace.Requests().empty());
}

} // namespace
