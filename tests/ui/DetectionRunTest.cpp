// Whole detection runs through the real window, crawl, HTTP client and
// analysis, against a loopback marketplace.
#include "Main.h"

#include "ExpectedTables.h"
#include "FixtureMarketplace.h"
#include "FullBacklogListener.h"
#include "GbkText.h"
#include "GridView.h"
#include "ListingFetch.h"
#include "LoopbackServer.h"
#include "MyUtils.h"
#include "QtWait.h"
#include "RankAnalysis.h"
#include "RecordingDesktop.h"
#include "ResultTables.h"
#include "SortChoice.h"
#include "TestWindow.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::ExpectedTables;
using korvane::test::FixtureItem;
using korvane::test::FixtureMarketplace;
using korvane::test::Gbk;
using korvane::test::MakeItem;

namespace {

constexpr int kRunWaitMs = 20000;

class DetectionRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        TMainFormSettings settings;
        settings.SearchHost = Marketplace.Host();
        Form = test::ShowTestWindow(Desktop, settings);
    }
    void TearDown() override {
        Form.reset();
        EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
    }

    QPushButton* Button() const { return Form->findChild<QPushButton*>("btnSearch"); }

    void Press(const QString& nick) {
        auto* box = Form->findChild<QLineEdit*>("txtID");
        box->clear();
        box->setFocus();
        // Typed text arrives as one committed string, as from an input method.
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, nick);
        QApplication::sendEvent(box, &typed);
        QTest::mouseClick(Button(), Qt::LeftButton);
    }
    void WaitForRunEnd() {
        ASSERT_TRUE(test::WaitUntil([this] { return Button()->isEnabled(); }, kRunWaitMs));
    }
    void Run(const QString& nick = "shop") {
        Press(nick);
        EXPECT_FALSE(Button()->isEnabled());
        WaitForRunEnd();
    }

    FixtureMarketplace Marketplace;
    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

void ExpectSameCells(const TStringGrid& actual, const TStringGrid& expected, const char* name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(actual.RowCount(), expected.RowCount());
    ASSERT_EQ(actual.ColumnCount(), expected.ColumnCount());
    for (int r = 0; r < expected.RowCount(); ++r)
        for (int c = 0; c < expected.ColumnCount(); ++c)
            EXPECT_EQ(actual.Cell(c, r), expected.Cell(c, r)) << "cell (" << c << ", " << r << ")";
}

std::vector<std::string> Row(const TStringGrid& grid, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < grid.ColumnCount(); ++c)
        cells.push_back(grid.Cell(c, row));
    return cells;
}

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
    ASSERT_EQ(Form->Grid3().RowCount(), 6);
    EXPECT_EQ(Row(Form->Grid3(), 1),
              (std::vector<std::string>{"1", "W", "9", "2.00", "2", "1", "-1", demoted, "102"}));
    EXPECT_EQ(Row(Form->Grid3(), 2),
              (std::vector<std::string>{"2", "Z", "9", "5.00", "5", "2", "-3", demoted, "105"}));
    EXPECT_EQ(Row(Form->Grid3(), 3),
              (std::vector<std::string>{"3", "V", "5", "1.00", "1", "4", "3", normal, "101"}));
    EXPECT_EQ(Row(Form->Grid3(), 4),
              (std::vector<std::string>{"4", "X", "5", "3.00", "3", "3", "0", normal, "103"}));
    EXPECT_EQ(Row(Form->Grid3(), 5), std::vector<std::string>(9));
    EXPECT_EQ(Form->findChild<QLabel*>("sbar")->text().toStdString(),
              "探测完成：卖家“shop”共5件宝贝，降权宝贝1件，重要宝贝被隐性降权2件。");
    // One page per pass, the nick in both.
    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("sort=biz30day&nick=shop&"), std::string::npos);
    EXPECT_NE(requests[1].find("sort=coefp&nick=shop&"), std::string::npos);
}

// A shop of several pages: ties in sales, an item listed twice, items the
// sales listing leaves out, and a GBK title.
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
        if (i % 17 != 5) // the sales listing leaves a few out
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
    auto* view = Form->findChild<TGridView*>("sgData1");
    auto* bar = Form->findChild<QScrollBar*>("sgData1VSB");

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
    EXPECT_EQ(Form->findChild<QLabel*>("sbar")->text(),
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
    Marketplace.SetShop(FixtureMarketplace::ShopPages({}), FixtureMarketplace::ShopPages(second));
    Run();
    const ExpectedTables expected({}, second);
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
    Form->findChild<QTabWidget*>("MainPage")->setCurrentIndex(2);
    auto* view = Form->findChild<TGridView*>("sgData3");
    QHeaderView* header = view->horizontalHeader();
    auto* across = Form->findChild<QScrollBar*>("sgData3HSB");
    auto* down = Form->findChild<QScrollBar*>("sgData3VSB");
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

    Form->findChild<QComboBox*>("cbSort")->setCurrentIndex(0);
    Form->findChild<QPushButton*>("btnSort")->click();
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
    Form->findChild<QPushButton*>("btnSort")->click();
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
    auto* box = Form->findChild<QLineEdit*>("txtID");
    ASSERT_TRUE(box->isEnabled());
    box->setText(QStringLiteral("other"));
    WaitForRunEnd();

    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const std::string& target : requests)
        EXPECT_NE(target.find("&nick=shop&"), std::string::npos) << target;
    EXPECT_EQ(Form->findChild<QLabel*>("sbar")->text().toStdString(),
              "探测完成：卖家“shop”共4件宝贝，降权宝贝0件，重要宝贝被隐性降权2件。");
    EXPECT_EQ(box->text(), QStringLiteral("other"));
}

// Runs the marketplace could not serve: what the seller is told, and that
// nothing read is never shown as nothing demoted.
class FailedRunTest : public DetectionRunTest {
protected:
    // Short enough for a suite, long enough for a loopback page.
    static constexpr int kShortLimitMs = 300;

    // The window again, with the crawl's limits cut short.
    void Reopen(const std::string& searchHost) {
        Form.reset();
        TMainFormSettings settings;
        settings.VersionUrl = "";
        settings.SearchHost = searchHost;
        settings.Desktop = &Desktop;
        settings.FetchPage = [](const std::string& url, std::string& body) {
            FetchListingPageWithin(url, body, kShortLimitMs);
        };
        test::LeaveWebPanesEmpty(settings);
        Form = std::make_unique<TMainForm>(settings);
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    }

    std::string StatusText() const {
        return Form->findChild<QLabel*>("sbar")->text().toStdString();
    }

    // As the start of the run left them: no row, no notice.
    void ExpectTablesCleared(std::initializer_list<const TStringGrid*> grids) const {
        for (const TStringGrid* grid : grids) {
            ASSERT_EQ(grid->RowCount(), 2);
            for (int c = 0; c < grid->ColumnCount(); ++c)
                EXPECT_EQ(grid->Cell(c, 1), "") << "column " << c;
        }
    }
    void ExpectTablesCleared() const {
        ExpectTablesCleared({&Form->Grid1(), &Form->Grid2(), &Form->Grid3()});
    }

    static std::vector<FixtureItem> Items(int count) {
        std::vector<FixtureItem> items;
        for (int i = 0; i < count; ++i)
            items.push_back(MakeItem(std::to_string(300 + i), "t" + std::to_string(i), "1.00",
                                     std::to_string(40 - i)));
        return items;
    }
};

TEST_F(FailedRunTest, MarketplaceThatCannotBeReadGivesNoComparison) {
    std::uint16_t closedPort = 0;
    {
        test::LoopbackServer gone;
        gone.Start();
        closedPort = gone.Port();
    }
    test::FullBacklogListener unanswered;
    const std::string local = "127.0.0.1:";
    struct Case {
        const char* name;
        std::string host;
        std::function<void()> script; // on the fixture marketplace
        const char* reason;
    };
    const Case cases[] = {
        {"refused", local + std::to_string(closedPort), nullptr, "连接被拒绝"},
        {"connect never completes", local + std::to_string(unanswered.Port()), nullptr, "连接超时"},
        {"accepts and never answers", Marketplace.Host(),
         [this] {
             Marketplace.SetShop(FixtureMarketplace::ShopPages(Items(3)),
                                 FixtureMarketplace::ShopPages(Items(3)));
             Marketplace.SetDelay(std::chrono::seconds(60));
         },
         "读取超时"},
        {"every page an error status", Marketplace.Host(),
         [this] {
             Marketplace.SetDelay(std::chrono::milliseconds(0));
             Marketplace.SetShop({}, {});
         },
         "服务器返回错误 404"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.script)
            c.script();
        Marketplace.ClearRequests();
        Reopen(c.host);
        Run();
        EXPECT_EQ(StatusText(), std::string("无法读取淘宝的宝贝列表（") + c.reason +
                                    "），未做比较，请检查网络后重试。");
        ExpectTablesCleared();
    }
    // A marketplace that never answers is asked for two sales pages, not
    // for the default listing.
    Marketplace.ClearRequests();
    Marketplace.SetShop(FixtureMarketplace::ShopPages(Items(3)),
                        FixtureMarketplace::ShopPages(Items(3)));
    Marketplace.SetDelay(std::chrono::seconds(60));
    Reopen(Marketplace.Host());
    Run();
    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), static_cast<std::size_t>(kMaxTimeoutsBeforeAnswer));
    for (const std::string& target : requests)
        EXPECT_NE(target.find("sort=biz30day"), std::string::npos) << target;
    Marketplace.SetDelay(std::chrono::milliseconds(0));
}

TEST_F(FailedRunTest, ServerErrorsOnSomePagesAreNamedAndOnlyAWholeSalesListingCompared) {
    const std::vector<FixtureItem> items = Items(8); // four pages a pass
    struct Case {
        const char* name;
        bool salesPass;
        std::vector<int> failing;
        const char* status;
    };
    const Case cases[] = {
        {"one default page",
         false,
         {2},
         "默认排序第2页读取失败（服务器返回错误 500），结果不完整。"},
        {"two default pages",
         false,
         {2, 3},
         "默认排序有2页读取失败（最后是第3页：服务器返回错误 500），结果不完整。"},
        // Its items would look demoted: the default listing is shown, not compared.
        {"one sales page",
         true,
         {2},
         "销量排序第2页读取失败（服务器返回错误 500），未做比较，请重试。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Marketplace.ClearFaults();
        Marketplace.SetShop(FixtureMarketplace::ShopPages(items, 2),
                            FixtureMarketplace::ShopPages(items, 2));
        std::vector<FixtureItem> readSales = items, readDefault = items;
        std::vector<FixtureItem>& read = c.salesPass ? readSales : readDefault;
        for (auto page = c.failing.rbegin(); page != c.failing.rend(); ++page) {
            Marketplace.SetFault(c.salesPass, *page, FixtureMarketplace::TFault::ServerError);
            read.erase(read.begin() + (*page - 1) * 2, read.begin() + *page * 2);
        }
        Run();

        EXPECT_EQ(StatusText(), c.status);
        // What was read of the default listing is compared with the whole
        // sales listing, and the notice claims nothing for the pages missing.
        const ExpectedTables expected(readSales, readDefault, {false, false});
        ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
        if (c.salesPass) {
            ExpectTablesCleared({&Form->Grid2(), &Form->Grid3()});
            continue;
        }
        ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
        ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    }
}

TEST_F(FailedRunTest, SalesListingUnreadGivesNoComparison) {
    // Without a single sales page every item would show as demoted.
    const std::vector<FixtureItem> items = Items(4);
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items, 2),
                        FixtureMarketplace::ShopPages(items, 2));
    for (int page = 1; page <= kMaxEmptyPagesInRow; ++page)
        Marketplace.SetFault(true, page, FixtureMarketplace::TFault::ServerError);
    Run();

    EXPECT_EQ(StatusText(), "无法读取销量排序的宝贝列表（服务器返回错误 500），"
                            "未做比较，请检查网络后重试。");
    EXPECT_EQ(Form->Grid1().RowCount(), 6); // the default listing is still shown
    ExpectTablesCleared({&Form->Grid2(), &Form->Grid3()});
}

// A marketplace that answers with something other than the listing (a
// verification or login page, or a redirect to https) is asked no further,
// and nothing it sent is compared: not a list of every item as demoted, not
// the all-clear.
TEST_F(FailedRunTest, MarketplaceThatTurnsTheReaderAwayIsNamedAndNothingCompared) {
    const std::vector<FixtureItem> items = Items(4);
    const std::string verify = Gbk("<html><body>亲，请拖动滑块完成验证</body></html>");
    using F = FixtureMarketplace::TFault;
    struct Case {
        const char* name;
        std::vector<std::string> salesPages, defaultPages;
        F salesFault, defaultFault;
        std::size_t requests;
        int allItemsRows; // of sgData1, its empty last row included
        const char* status;
    };
    const Case cases[] = {
        {"sales listing answered with a verification page",
         {verify, verify, verify},
         FixtureMarketplace::ShopPages(items),
         F::None,
         F::None,
         1,
         2,
         "销量排序第1页：淘宝返回的不是宝贝列表，可能需要验证或登录，未做比较。"},
        {"default listing answered with a verification page",
         FixtureMarketplace::ShopPages(items),
         {verify, verify},
         F::None,
         F::None,
         2,
         2,
         "默认排序第1页：淘宝返回的不是宝贝列表，可能需要验证或登录，未做比较。"},
        {"sales listing sent on to https", FixtureMarketplace::ShopPages(items),
         FixtureMarketplace::ShopPages(items), F::RedirectToHttps, F::None, 1, 2,
         "销量排序第1页：淘宝要求登录或加密连接（https），本程序无法读取，未做比较。"},
        {"default listing sent on to https after its first page",
         FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items, 2), F::None,
         F::RedirectToHttps, 3, 4,
         "默认排序第2页：淘宝要求登录或加密连接（https），本程序无法读取，"
         "结果只含前1页的宝贝。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Marketplace.ClearFaults();
        Marketplace.ClearRequests();
        Marketplace.SetShop(c.salesPages, c.defaultPages);
        Marketplace.SetFault(true, 1, c.salesFault);
        Marketplace.SetFault(false, 2, c.defaultFault);
        Run();

        EXPECT_EQ(StatusText(), c.status);
        EXPECT_EQ(Marketplace.Requests().size(), c.requests);
        EXPECT_EQ(Form->Grid1().RowCount(), c.allItemsRows);
        if (c.allItemsRows == 2) {
            ExpectTablesCleared();
        } else {
            // The first page is compared, and nothing claims the whole shop.
            const std::vector<FixtureItem> read(items.begin(), items.begin() + 2);
            const ExpectedTables expected(items, read, {false, false});
            ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
            ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
        }
    }
    // A marketplace that answers again gives the verdict again.
    Marketplace.ClearFaults();
    Marketplace.SetShop(FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items));
    Run();
    EXPECT_EQ(StatusText(), "探测完成：卖家“shop”共4件宝贝，降权宝贝0件，重要宝贝被隐性降权0件。");
}

// The marketplace lists no more than the page limit of a search: what the
// sales listing leaves out past its cut is not called demoted.
TEST_F(FailedRunTest, SalesListingCutAtThePageLimitLeavesOutOnlyWhatOutsellsTheCut) {
    // One item a page, best sellers first: 101 pages, of which 100 are listed.
    std::vector<FixtureItem> salesOrder;
    for (int i = 0; i <= kMaxPagesPerPass; ++i)
        salesOrder.push_back(MakeItem(std::to_string(1000 + i), "s" + std::to_string(i), "1.00",
                                      std::to_string(500 - i)));
    std::vector<FixtureItem> defaultOrder = salesOrder;
    // Sells more than anything listed, yet left out: pushed out.
    defaultOrder.push_back(MakeItem("77", "pushed", "1.00", "999"));
    // Sells no more than the least of the listed: past the cut, with item 1100.
    defaultOrder.push_back(MakeItem("78", "past", "1.00", "401"));
    Marketplace.SetShop(FixtureMarketplace::ShopPages(salesOrder, 1),
                        FixtureMarketplace::ShopPages(defaultOrder));
    Run();

    EXPECT_EQ(Marketplace.Requests().size(), static_cast<std::size_t>(kMaxPagesPerPass) + 3);
    EXPECT_EQ(StatusText(), "销量排序只列到第100页（淘宝最多列出100页），2件销量不高于401笔的宝贝"
                            "可能排在其后，未计为降权。");
    const std::vector<FixtureItem> listed(salesOrder.begin(), salesOrder.end() - 1);
    const ExpectedTables expected(listed, defaultOrder, {true, true});
    ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    ASSERT_EQ(Form->Grid2().RowCount(), 3);
    EXPECT_EQ(Form->Grid2().Cell(demoted::kId, 1), "77");
}

TEST_F(FailedRunTest, FailedPageStaysInViewWhileTheRunGoesOn) {
    Marketplace.SetShop(FixtureMarketplace::ShopPages(Items(6), 2),
                        FixtureMarketplace::ShopPages(Items(6), 2));
    Marketplace.SetFault(false, 2, FixtureMarketplace::TFault::ServerError);
    Marketplace.SetPageDelay(false, 3, std::chrono::milliseconds(500));
    Press("shop");
    const QString during = QString::fromUtf8(
        "正在读取默认排序第3页，已找到2件宝贝（第2页读取失败：服务器返回错误 500）");
    EXPECT_TRUE(test::WaitUntil(
        [this, &during] { return Form->findChild<QLabel*>("sbar")->text() == during; }, kRunWaitMs))
        << StatusText();
    WaitForRunEnd();
}

TEST_F(FailedRunTest, BlankNickStartsNoRun) {
    Form->Grid1().SetCell(1, 1, "earlier result");
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    auto* box = Form->findChild<QLineEdit*>("txtID");
    for (const char* nick : {"", " ", "   ", "\t", "\xE3\x80\x80" /* a full-width blank */}) {
        SCOPED_TRACE(nick);
        box->setText(QString::fromUtf8(nick));
        Form->findChild<QWidget*>("sgData1")->setFocus();
        QTest::mouseClick(Button(), Qt::LeftButton);
        QTest::qWait(200);

        EXPECT_TRUE(Button()->isEnabled());
        EXPECT_FALSE(Form->findChild<QPushButton*>("btnStop")->isEnabled());
        EXPECT_EQ(StatusText(), "请输入卖家ID");
        EXPECT_EQ(QApplication::focusWidget(), box);
        EXPECT_TRUE(Marketplace.Requests().empty());
        EXPECT_EQ(Form->Grid1().Cell(1, 1), "earlier result");
    }
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

// Progress, stop and the run after a stop, through the window.
class RunProgressTest : public DetectionRunTest {
protected:
    QLabel* StatusPanel() const { return Form->findChild<QLabel*>("sbar"); }
    QProgressBar* Bar() const { return Form->findChild<QProgressBar*>("pbRun"); }
    QPushButton* StopButton() const { return Form->findChild<QPushButton*>("btnStop"); }

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
    auto* table = Form->findChild<TGridView*>("sgData1");
    table->setFocus();
    StopWhenShowing("正在读取默认排序第3页，已找到6件宝贝", 6,
                    [table] { QTest::keyClick(table, Qt::Key_Escape); });

    EXPECT_EQ(StatusPanel()->text(),
              QString::fromUtf8("已停止：默认排序只读到第2页，结果只含前2页的宝贝。"));
    const std::vector<FixtureItem> read(defaultOrder.begin(), defaultOrder.begin() + 6);
    const ExpectedTables expected(salesOrder, read, {false, false});
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
