// Whole detection runs read to their end, through the window.
#include "RunWindowTest.h"

#include "FullBacklogListener.h"
#include "GbkText.h"
#include "GridView.h"
#include "ListingFetch.h"
#include "LoopbackServer.h"
#include "MyUtils.h"
#include "RankAnalysis.h"
#include "ResultTables.h"
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

class DetectionRunTest : public test::RunWindowTest {};

TEST_F(DetectionRunTest, WorkedExample) {
    const FixtureItem v = MakeItem("101", "V", "1.00", "5"), w = MakeItem("102", "W", "2.00", "9"),
                      x = MakeItem("103", "X", "3.00", "5"), y = MakeItem("104", "Y", "4.00", "0"),
                      z = MakeItem("105", "Z", "5.00", "9");
    Marketplace.SetShop(FixtureMarketplace::ShopPages({w, z, v, x}),
                        FixtureMarketplace::ShopPages({v, w, x, y, z}));
    Run();

    const std::string demoted = Gbk("重要宝贝被隐性降权"), normal = Gbk("重要宝贝权值正常");
    EXPECT_EQ(Row(Form->Grid1(), 1), (std::vector<std::string>{"1", "V", "5", "1.00", "", "101"}));
    EXPECT_EQ(Row(Form->Grid1(), 5), (std::vector<std::string>{"5", "Z", "9", "5.00", "", "105"}));
    EXPECT_EQ(Form->Grid1().RowCount(), 7);
    EXPECT_EQ(Form->Grid2().RowCount(), 3);
    EXPECT_EQ(Row(Form->Grid2(), 1), (std::vector<std::string>{"1", "Y", "0", "4.00", "104"}));
    // The analysis gives V, X, W, Z; the end-of-run sort by sales gives W, Z, V, X.
    // W shares Z's figure, so its sales earn it place 1 or 2: at 2 it is not
    // pushed down.
    ASSERT_EQ(Form->Grid3().RowCount(), 6);
    EXPECT_EQ(Row(Form->Grid3(), 1),
              (std::vector<std::string>{"1", "W", "9", "2.00", "2", "1", "-1", normal, "102"}));
    EXPECT_EQ(Row(Form->Grid3(), 2),
              (std::vector<std::string>{"2", "Z", "9", "5.00", "5", "2", "-3", demoted, "105"}));
    EXPECT_EQ(Row(Form->Grid3(), 3),
              (std::vector<std::string>{"3", "V", "5", "1.00", "1", "4", "3", normal, "101"}));
    EXPECT_EQ(Row(Form->Grid3(), 4),
              (std::vector<std::string>{"4", "X", "5", "3.00", "3", "3", "0", normal, "103"}));
    EXPECT_EQ(Row(Form->Grid3(), 5), std::vector<std::string>(9));
    EXPECT_EQ(StatusText(), "探测完成：卖家“shop”共5件宝贝，降权宝贝1件，重要宝贝被隐性降权1件。");
    // One page per pass, the nick in both.
    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("sort=biz30day&nick=shop&"), std::string::npos);
    EXPECT_NE(requests[1].find("sort=coefp&nick=shop&"), std::string::npos);
}

// A shop of several pages: ties in sales, an item listed twice in the
// default listing, items the sales listing leaves out, and a GBK title.
std::vector<FixtureItem> BigShop() {
    std::vector<FixtureItem> items;
    for (int i = 0; i < 100; ++i)
        items.push_back(MakeItem(std::to_string(5000 + i), "连衣裙 " + std::to_string(i),
                                 std::to_string(10 + i) + ".00", std::to_string((i * 7) % 13)));
    items.insert(items.begin() + 50, items[3]); // listed again on page 2
    return items;
}

TEST_F(DetectionRunTest, ShopOfSeveralPages) {
    const std::vector<FixtureItem> defaultOrder = BigShop();
    std::vector<FixtureItem> salesOrder;
    for (std::size_t i = 0; i < defaultOrder.size(); ++i)
        if (i % 17 != 5 &&
            (i * 31) % defaultOrder.size() != 50) // leaves a few out, lists each once
            salesOrder.push_back(defaultOrder[(i * 31) % defaultOrder.size()]);
    Marketplace.SetShop(FixtureMarketplace::ShopPages(salesOrder),
                        FixtureMarketplace::ShopPages(defaultOrder));
    Run(QString::fromUtf8("小店 a-1"));

    const ExpectedTables expected(salesOrder, defaultOrder);
    ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
    ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    EXPECT_GT(Form->Grid2().RowCount(), 3);
    // Three pages a pass; the nick went out as GBK.
    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_NE(requests[4].find("s=42&sort=coefp&nick=%D0%A1%B5%EA%20a%2D1&"), std::string::npos);
}

TEST_F(DetectionRunTest, RowsShowInOrderDuringTheDefaultPassAndLeaveTheUserAlone) {
    std::vector<FixtureItem> items;
    for (int i = 0; i < 5 * 42; ++i)
        items.push_back(MakeItem(std::to_string(900 + i), "t" + std::to_string(i), "1.00", "1"));
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items));
    // Pages slower than the table's row notices: each page shows on its own.
    Marketplace.SetDelay(std::chrono::milliseconds(100));
    auto* view = Form->findChild<TGridView*>(QStringLiteral("sgData1"));
    auto* bar = Form->findChild<QScrollBar*>(QStringLiteral("sgData1VSB"));

    // Every notice of new rows: the rows it brings are the next in listing
    // order, complete, and the default pass is still fetching.
    struct Notice {
        int first, last;
        std::size_t requests;
    };
    std::vector<Notice> notices;
    bool rowsInOrder = true;
    const auto connection = QObject::connect(
        view->model(), &QAbstractItemModel::rowsInserted,
        [&](const QModelIndex&, int first, int last) {
            notices.push_back({first, last, Marketplace.Requests().size()});
            // The bottom row stays empty; the ones above hold the items.
            for (int row = first - 1; row < last; ++row) {
                if (row < 0)
                    continue;
                const auto i = static_cast<std::size_t>(row);
                rowsInOrder &= view->model()->headerData(row, Qt::Vertical).toString() ==
                                   QString::number(row + 1) &&
                               Form->Grid1().Cell(allitems::kId, row + 1) == items[i].Id &&
                               Form->Grid1().Cell(allitems::kTitle, row + 1) == items[i].Title;
            }
        });
    Press("shop");

    // The user picks a cell of the second row and scrolls a little while
    // later pages are still coming.
    ASSERT_TRUE(test::WaitUntil([&] { return view->model()->rowCount() > 42; }, kRunWaitMs));
    const QModelIndex picked = view->model()->index(1, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(picked).center());
    ASSERT_EQ(view->currentIndex(), picked);
    bar->setValue(3);
    WaitForRunEnd();
    QObject::disconnect(connection);

    EXPECT_TRUE(rowsInOrder);
    ASSERT_EQ(view->model()->rowCount(), static_cast<int>(items.size()) + 1);
    // About one notice per page (a starved window thread may merge two),
    // each following on the one before, and the first while the default
    // pass had pages left to fetch.
    ASSERT_GE(notices.size(), 3u);
    for (std::size_t n = 1; n < notices.size(); ++n)
        EXPECT_EQ(notices[n].first, notices[n - 1].last + 1);
    EXPECT_LT(notices.front().requests, 10u);
    // Rows added below moved neither the selection nor the scroll position.
    EXPECT_EQ(view->currentIndex(), view->model()->index(1, 0));
    EXPECT_EQ(view->SelectionTopRow(), 2);
    EXPECT_EQ(view->selectionModel()->selectedIndexes(),
              QModelIndexList{view->model()->index(1, 0)});
    EXPECT_EQ(bar->value(), 3);
    EXPECT_EQ(view->verticalScrollBar()->value(), 3);
    EXPECT_GT(bar->maximum(), 150);
}

TEST_F(DetectionRunTest, EmptyShopShowsTheNotice) {
    Marketplace.SetShop(FixtureMarketplace::ShopPages({}), FixtureMarketplace::ShopPages({}));
    Run();
    EXPECT_EQ(Form->Grid1().RowCount(), 2);
    EXPECT_EQ(Form->Grid3().RowCount(), 2);
    EXPECT_EQ(Form->Grid2().RowCount(), 2);
    EXPECT_EQ(Form->Grid2().Cell(1, 1), Gbk("店铺宝贝共0个 ，没有被降权宝贝"));
    // Read in full and empty: the nick may be mistyped.
    EXPECT_EQ(Form->findChild<QLabel*>(QStringLiteral("sbar"))->text(),
              QString::fromUtf8("没有找到卖家“shop”的宝贝，请检查卖家ID是否正确。"));
}

TEST_F(DetectionRunTest, FailingPageIsLeftOutAndTheRunGoesOn) {
    std::vector<FixtureItem> items;
    for (int i = 0; i < 100; ++i)
        items.push_back(MakeItem(std::to_string(i), "t" + std::to_string(i), "1.00", "1"));
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items));
    Marketplace.SetFault(false, 2, FixtureMarketplace::TFault::Reset);
    Run();

    // Page 2 (items 42 to 83) is missing; page 3 follows with the next ranks.
    std::vector<FixtureItem> read(items.begin(), items.begin() + 42);
    read.insert(read.end(), items.begin() + 84, items.end());
    const ExpectedTables expected(items, read);
    ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    EXPECT_EQ(Form->Grid1().Cell(0, 43), "43");
    EXPECT_EQ(Form->Grid1().Cell(5, 43), "84");
}

TEST_F(DetectionRunTest, SecondRunRightAfterTheFirst) {
    const std::vector<FixtureItem> first = {MakeItem("1", "a", "1", "3"),
                                            MakeItem("2", "b", "1", "4")};
    const std::vector<FixtureItem> second = {MakeItem("7", "c", "2", "1")};
    Marketplace.SetShop(FixtureMarketplace::ShopPages(first), FixtureMarketplace::ShopPages(first));
    Run();
    EXPECT_EQ(Form->Grid1().RowCount(), 4);

    // The first run's threads are still releasing when the second starts.
    Marketplace.SetShop(FixtureMarketplace::ShopPages(second),
                        FixtureMarketplace::ShopPages(second));
    Run();
    const ExpectedTables expected(second, second);
    ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
    ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
}

TEST_F(DetectionRunTest, DraggedWidthsAndScrollPositionOutlastSortsAndRuns) {
    // Enough rows that the ranking scrolls; every sort moves them.
    std::vector<FixtureItem> items;
    for (int i = 0; i < 80; ++i)
        items.push_back(MakeItem(std::to_string(500 + i), "t" + std::to_string(i), "1.00",
                                 std::to_string((i * 37) % 80 + 1)));
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items));
    Run();
    Form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(2);
    auto* view = Form->findChild<TGridView*>(QStringLiteral("sgData3"));
    QHeaderView* header = view->horizontalHeader();
    auto* across = Form->findChild<QScrollBar*>(QStringLiteral("sgData3HSB"));
    auto* down = Form->findChild<QScrollBar*>(QStringLiteral("sgData3VSB"));
    QApplication::processEvents();

    // The user drags the title column 180 pixels wider, scrolls both ways
    // and picks a row on screen.
    const int border = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, {border, 10});
    QTest::mouseMove(header->viewport(), {border + 180, 10});
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, {border + 180, 10});
    QApplication::processEvents();
    ASSERT_EQ(view->columnWidth(0), 680);
    ASSERT_TRUE(across->isVisible());
    across->setValue(1);
    down->setValue(30);
    QApplication::processEvents();
    const int shifted = header->offset(); // the table scrolled sideways
    const int firstRow = view->rowAt(0);
    ASSERT_EQ(firstRow, 30);
    ASSERT_GT(shifted, 0);
    const QRect picked = view->visualRect(view->model()->index(35, 2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, picked.center());
    ASSERT_EQ(view->SelectionTopRow(), 36);

    const auto expectKept = [&](const char* step, int row, int selected) {
        SCOPED_TRACE(step);
        QApplication::processEvents();
        EXPECT_EQ(view->columnWidth(0), 680);
        EXPECT_EQ(view->columnWidth(1), 60);
        EXPECT_TRUE(view->isColumnHidden(ranking::kId - 1));
        EXPECT_EQ(view->rowHeight(row), TStringGrid::kRowHeight);
        EXPECT_EQ(header->offset(), shifted);
        EXPECT_EQ(view->rowAt(0), row);
        EXPECT_EQ(down->value(), view->verticalScrollBar()->value());
        EXPECT_EQ(view->SelectionTopRow(), selected);
    };
    const std::string before = Form->Grid3().Cell(ranking::kId, 36);
    const auto headerPoint = [header](int logical) {
        return QPoint(header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2,
                      10);
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, headerPoint(ranking::kSales - 1));
    EXPECT_NE(Form->Grid3().Cell(ranking::kId, 36), before); // sorted
    expectKept("header press", firstRow, 36);

    Form->findChild<QComboBox*>(QStringLiteral("cbSort"))->setCurrentIndex(0);
    Form->findChild<QPushButton*>(QStringLiteral("btnSort"))->click();
    expectKept("sort button", firstRow, 36);

    // A new run empties the table and ends with its sort: the new ranking
    // shows from its top, where the verdicts are, in the user's widths.
    Run();
    expectKept("run again", 0, 1);
}

TEST_F(DetectionRunTest, PressesDuringARunDoNothing) {
    std::vector<FixtureItem> items;
    for (int i = 0; i < 6; ++i)
        items.push_back(
            MakeItem(std::to_string(i), "t" + std::to_string(i), "1", std::to_string(i % 3)));
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items, 2),
                        FixtureMarketplace::ShopPages(items, 2));
    Marketplace.SetDelay(std::chrono::milliseconds(50));
    Press("shop");
    ASSERT_FALSE(Button()->isEnabled());
    QTest::mouseClick(Button(), Qt::LeftButton); // disabled: ignored
    Form->btnSearchClick();                      // and the handler itself refuses
    Form->findChild<QPushButton*>(QStringLiteral("btnSort"))->click();
    WaitForRunEnd();

    EXPECT_EQ(Marketplace.Requests().size(), 6u); // three pages a pass, one run
    // The end of the run sorted the ranking table by sales, highest first.
    std::vector<std::string> sales;
    for (int r = 1; r < Form->Grid3().RowCount() - 1; ++r)
        sales.push_back(Form->Grid3().Cell(2, r));
    EXPECT_TRUE(std::is_sorted(sales.rbegin(), sales.rend())) << ::testing::PrintToString(sales);
}

// Both passes list the shop named when 探测 was pressed; what is typed into
// the box meanwhile is for the next run.
TEST_F(DetectionRunTest, NickEditedDuringARunIsForTheNextRun) {
    std::vector<FixtureItem> items;
    for (const char* id : {"1", "2", "3", "4"})
        items.push_back(MakeItem(id, id, "1.00", id));
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items, 2),
                        FixtureMarketplace::ShopPages(items, 2));
    Marketplace.SetPageDelay(true, 2, std::chrono::milliseconds(400));
    Press("shop");
    ASSERT_TRUE(test::WaitUntil([this] { return Marketplace.Requests().size() == 2; }, kRunWaitMs));
    auto* box = Form->findChild<QLineEdit*>(QStringLiteral("txtID"));
    ASSERT_TRUE(box->isEnabled());
    box->setText(QStringLiteral("other"));
    WaitForRunEnd();

    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const std::string& target : requests)
        EXPECT_NE(target.find("&nick=shop&"), std::string::npos) << target;
    EXPECT_EQ(StatusText(), "探测完成：卖家“shop”共4件宝贝，降权宝贝0件，重要宝贝被隐性降权2件。");
    EXPECT_EQ(box->text(), QStringLiteral("other"));
}

TEST_F(DetectionRunTest, ClosingDuringARunEndsItsThreads) {
    Marketplace.SetShop(FixtureMarketplace::ShopPages({MakeItem("1", "a", "1", "1")}),
                        FixtureMarketplace::ShopPages({MakeItem("1", "a", "1", "1")}));
    Marketplace.SetDelay(std::chrono::seconds(60)); // a fetch that would outlast any patience
    Press("shop");
    ASSERT_TRUE(test::WaitUntil([this] { return !Marketplace.Requests().empty(); }, 5000));
    Form.reset();
    // The fetch in flight is abandoned: without that the worker would wait
    // out the client's 10-second read limit.
    EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(3)));
}

// Listings a seller cannot tell from a true demotion, ending as the truth
// behind them says.
class VerdictTruthTest : public test::RunWindowTest {
protected:
    // Items of the given figures, best sellers first.
    static std::vector<FixtureItem> Shop(const std::vector<std::string>& figures) {
        std::vector<FixtureItem> items;
        for (std::size_t i = 0; i < figures.size(); ++i)
            items.push_back(
                MakeItem(std::to_string(7000 + i), "item" + std::to_string(i), "9.90", figures[i]));
        return items;
    }
    static std::vector<std::string> Figures(int count) {
        std::vector<std::string> figures;
        for (int i = 0; i < count; ++i)
            figures.push_back(std::to_string(3000 - 10 * i));
        return figures;
    }
    int CellsSaying(const TStringGrid& grid, std::int32_t column, std::string_view text) const {
        int count = 0;
        for (std::int32_t r = 1; r < grid.RowCount(); ++r)
            count += grid.Cell(column, r) == text ? 1 : 0;
        return count;
    }
};

// A throttled marketplace answers the sales listing with its frame and the
// pager's end but no item: the whole shop would look demoted.
TEST_F(VerdictTruthTest, EmptySalesListingBesideAFullDefaultOneIsNoComparison) {
    const std::vector<FixtureItem> items = Shop(Figures(101));
    Marketplace.SetShop(FixtureMarketplace::ShopPages({}), FixtureMarketplace::ShopPages(items));
    Run();
    EXPECT_EQ(StatusText(), "未做比较：销量排序没有列出任何宝贝。默认排序却列出了101件，"
                            "淘宝可能限制了访问，请稍后重试。");
    EXPECT_EQ(Form->Grid1().RowCount(), 103); // the default listing is still shown
    EXPECT_EQ(Form->Grid2().RowCount(), 2);
    EXPECT_EQ(Form->Grid2().Cell(demoted::kTitle, 1), "");
    EXPECT_EQ(Form->Grid3().RowCount(), 2);
}

// The default order follows sales exactly; the best seller's figure cannot
// be read. It holds no earned place and moves nobody else's.
TEST_F(VerdictTruthTest, UnreadableBestSellerMovesNoOtherItemsPlace) {
    std::vector<std::string> figures = Figures(30);
    figures[0] = "2,999";
    const std::vector<FixtureItem> items = Shop(figures);
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items));
    Run();
    EXPECT_EQ(StatusText(), "探测完成：卖家“shop”共30件宝贝，降权宝贝0件，重要宝贝被隐性降权0件。"
                            "1件宝贝的销量无法读取，不参与理论排名。");
    EXPECT_EQ(CellsSaying(Form->Grid3(), ranking::kVerdict, texts::kDemotedVerdict), 0);
    EXPECT_EQ(CellsSaying(Form->Grid3(), ranking::kVerdict, texts::kNormalVerdict), 10);
    EXPECT_EQ(Form->Grid1().Cell(allitems::kSales, 1), texts::kUnreadSales);
    // In the ranking it shows its figure unread and no earned place.
    for (std::int32_t r = 1; r + 1 < Form->Grid3().RowCount(); ++r)
        if (Form->Grid3().Cell(ranking::kId, r) == "7000") {
            EXPECT_EQ(Form->Grid3().Cell(ranking::kSales, r), texts::kUnreadSales);
            EXPECT_EQ(Form->Grid3().Cell(ranking::kSalesRank, r), "");
            EXPECT_EQ(Form->Grid3().Cell(ranking::kRank, r), "1");
        }
}

// An item sells and moves up onto a page the sales pass has already read:
// it is never seen there, and another item is read twice. Looked for again
// where its figure stands, it is found: it only moved.
TEST_F(VerdictTruthTest, ItemThatMovedWhileTheSalesListingWasReadIsFoundAgain) {
    std::vector<std::string> before = Figures(100);
    const std::vector<FixtureItem> listed = Shop(before);
    // Item 60 (page 2) sells enough to stand 10th once page 1 has been read.
    std::vector<FixtureItem> moved = listed;
    FixtureItem mover = moved[60];
    mover.SalesText = "2905";
    moved.erase(moved.begin() + 60);
    moved.insert(moved.begin() + 10, mover);
    Marketplace.SetShop(FixtureMarketplace::ShopPages(listed),
                        FixtureMarketplace::ShopPages(moved));
    Marketplace.MoveSalesListingAfter(1, FixtureMarketplace::ShopPages(moved));
    Run();
    EXPECT_EQ(StatusText(),
              "探测完成：卖家“shop”共100件宝贝，降权宝贝0件，重要宝贝被隐性降权0件。"
              "淘宝的列表在读取时有变动：1件宝贝复核时在销量排序中找到，未计为降权。");
    EXPECT_EQ(Form->Grid2().Cell(demoted::kId, 1), "");
    // Three pages a pass, and page 1 of the sales listing once more.
    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_NE(requests[6].find("sort=biz30day&nick=shop&"), std::string::npos);
}

} // namespace
