// Runs the marketplace could not serve, through the window.
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
#include <gmock/gmock.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>

using namespace korvane;
using namespace korvane::test;

namespace {

// Runs the marketplace could not serve: what the seller is told, and that
// nothing read is never shown as nothing demoted.
class FailedRunTest : public test::RunWindowTest {
protected:
    // Short enough for a suite, long enough for a loopback page.
    static constexpr int kShortLimitMs = 300;
    static constexpr int kShortAnswerLimitMs = 1000;

    // The window again, with the crawl's limits cut short.
    void Reopen(const std::string& searchHost) {
        Form.reset();
        TMainFormSettings settings;
        settings.SearchHost = searchHost;
        settings.FetchPage = [](const std::string& url, std::string& body) {
            FetchPageWithin(url, body, {kShortLimitMs, kShortAnswerLimitMs});
        };
        Form = test::ShowTestWindow(Desktop, settings);
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
    const test::SilentResolver silentNameServer;
    const std::string local = "127.0.0.1:";
    struct Case {
        const char* name;
        std::string host;
        std::function<void()> script; // on the fixture marketplace
        const char* reason;
    };
    const Case cases[] = {
        {"refused", local + std::to_string(closedPort), nullptr, "连接被拒绝"},
        {"connect never completes", local + std::to_string(unanswered.Port()), nullptr,
         "销量排序第1页起连续2页连接超时"},
        {"accepts and never answers", Marketplace.Host(),
         [this] {
             Marketplace.SetShop(FixtureMarketplace::ShopPages(Items(3)),
                                 FixtureMarketplace::ShopPages(Items(3)));
             Marketplace.SetDelay(std::chrono::seconds(60));
         },
         "销量排序第1页起连续2页读取超时"},
        // Every single wait is short, but no page ever arrives whole.
        {"answers a byte at a time", Marketplace.Host(),
         [this] {
             Marketplace.SetDelay(std::chrono::milliseconds(0));
             Marketplace.SetShop(FixtureMarketplace::ShopPages(Items(3), 1),
                                 FixtureMarketplace::ShopPages(Items(3), 1));
             for (int page = 1; page <= 3; ++page)
                 Marketplace.SetFault(true, page, FixtureMarketplace::TFault::Trickle);
         },
         "销量排序第1页起连续2页读取超时"},
        // The marketplace's name is never resolved: a lookup time-out is a
        // failed page, like a connect time-out.
        {"name server never answers", "marketplace.korvane.test", nullptr,
         "销量排序第1页起连续2页域名解析超时"},
        {"every page an error status", Marketplace.Host(),
         [this] {
             Marketplace.ClearFaults();
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

// Pages lost on the way, to an error status or as a hollow page (the
// listing's frame without an item, as a throttled marketplace sends it).
TEST_F(FailedRunTest, LostPagesAreNamedAndOnlyAWholeSalesListingCompared) {
    const std::vector<FixtureItem> items = Items(8); // four pages a pass
    const std::string hollow = ListingPageBuilder().Build();
    struct Case {
        const char* name;
        bool salesPass;
        std::vector<int> failing;
        bool hollow;
        const char* status;
    };
    const Case cases[] = {
        {"one default page",
         false,
         {2},
         false,
         "结果不完整：默认排序第2页读取失败（服务器返回错误 500）。"
         "已比较的6件宝贝中，降权宝贝0件，重要宝贝被隐性降权0件。"},
        {"two default pages",
         false,
         {2, 3},
         false,
         "结果不完整：默认排序有2页读取失败（最后是第3页：服务器返回错误 500）。"
         "已比较的4件宝贝中，降权宝贝0件，重要宝贝被隐性降权0件。"},
        {"a hollow default page",
         false,
         {3},
         true,
         "结果不完整：默认排序第3页读取失败（淘宝返回的页面中没有宝贝）。"
         "已比较的6件宝贝中，降权宝贝0件，重要宝贝被隐性降权0件。"},
        // Its items would look demoted: the default listing is shown, not compared.
        {"one sales page",
         true,
         {2},
         false,
         "未做比较：销量排序第2页读取失败（服务器返回错误 500），请重试。"},
        {"a hollow sales page",
         true,
         {2},
         true,
         "未做比较：销量排序第2页读取失败（淘宝返回的页面中没有宝贝），请重试。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Marketplace.ClearFaults();
        std::vector<std::string> salesPages = FixtureMarketplace::ShopPages(items, 2),
                                 defaultPages = FixtureMarketplace::ShopPages(items, 2);
        std::vector<FixtureItem> readSales = items, readDefault = items;
        std::vector<FixtureItem>& read = c.salesPass ? readSales : readDefault;
        for (auto page = c.failing.rbegin(); page != c.failing.rend(); ++page) {
            if (c.hollow)
                (c.salesPass ? salesPages : defaultPages)[static_cast<std::size_t>(*page) - 1] =
                    hollow;
            else
                Marketplace.SetFault(c.salesPass, *page, FixtureMarketplace::TFault::ServerError);
            read.erase(read.begin() + (*page - 1) * 2, read.begin() + *page * 2);
        }
        Marketplace.SetShop(salesPages, defaultPages);
        Run();

        EXPECT_EQ(StatusText(), c.status);
        // What was read of the default listing is compared with the whole
        // sales listing, and the notice claims nothing for the pages missing.
        const ExpectedTables expected(readSales, readDefault, {false, false, std::nullopt});
        ExpectSameCells(Form->Grid1(), expected.Data1, "sgData1");
        if (c.salesPass) {
            ExpectTablesCleared({&Form->Grid2(), &Form->Grid3()});
            EXPECT_FALSE(test::FindControl<QPushButton>(*Form, "btnChart")->isEnabled());
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
         "未做比较：淘宝返回的不是宝贝列表，可能需要验证或登录。"
         "请在浏览器中打开淘宝，通过验证后重试（销量排序第1页）。"},
        {"default listing answered with a verification page",
         FixtureMarketplace::ShopPages(items),
         {verify, verify},
         F::None,
         F::None,
         2,
         2,
         "未做比较：淘宝返回的不是宝贝列表，可能需要验证或登录。"
         "请在浏览器中打开淘宝，通过验证后重试（默认排序第1页）。"},
        {"sales listing sent on to https", FixtureMarketplace::ShopPages(items),
         FixtureMarketplace::ShopPages(items), F::RedirectToHttps, F::None, 1, 2,
         "未做比较：淘宝要求登录或加密连接（https），本程序无法读取（销量排序第1页）。"},
        {"default listing sent on to https after its first page",
         FixtureMarketplace::ShopPages(items), FixtureMarketplace::ShopPages(items, 2), F::None,
         F::RedirectToHttps, 3, 4,
         "结果只含默认排序前1页的宝贝：淘宝要求登录或加密连接（https），本程序无法读取"
         "（默认排序第2页）。已比较的2件宝贝中，降权宝贝0件，重要宝贝被隐性降权0件。"},
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
            const ExpectedTables expected(items, read, {false, false, std::nullopt});
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
// sales listing leaves out past its own end is not called demoted, and only
// an item whose figure could be read can be past it.
TEST_F(FailedRunTest, SalesListingCutAtThePageLimitLeavesOutOnlyWhatOutsellsTheCut) {
    // One item a page, best sellers first: 101 pages, of which 100 are
    // listed; the last listed (item 1099) sells 401.
    std::vector<FixtureItem> salesOrder;
    for (int i = 0; i <= kMaxPagesPerPass; ++i)
        salesOrder.push_back(MakeItem(std::to_string(1000 + i), "s" + std::to_string(i), "1.00",
                                      std::to_string(500 - i)));
    // The default listing is cut too, and shares only the best sellers
    // (down to 451) with the sales listing.
    std::vector<FixtureItem> defaultOrder(salesOrder.begin(), salesOrder.begin() + 50);
    // Sells more than the sales listing's end, yet left out: pushed out.
    defaultOrder.push_back(MakeItem("77", "pushed", "1.00", "999"));
    defaultOrder.push_back(MakeItem("79", "between", "1.00", "420"));
    // A best seller whose figure cannot be read: never excused, and nothing
    // says where in the sales listing to look for it.
    defaultOrder.push_back(MakeItem("80", "unreadable", "1.00", "2,999"));
    // No more than the sales listing's end: past it, with item 1100.
    defaultOrder.push_back(MakeItem("78", "past", "1.00", "401"));
    defaultOrder.push_back(salesOrder.back());
    Marketplace.SetShop(FixtureMarketplace::ShopPages(salesOrder, 1),
                        FixtureMarketplace::ShopPages(defaultOrder));
    Run();

    // The two left out with a figure are looked for again where it stands
    // (page 1 for 999, page 81 for 420).
    const auto requests = Marketplace.Requests();
    ASSERT_EQ(requests.size(), static_cast<std::size_t>(kMaxPagesPerPass) + 4);
    EXPECT_NE(requests[kMaxPagesPerPass + 2].find("sort=biz30day&nick=shop&"), std::string::npos);
    EXPECT_NE(requests[kMaxPagesPerPass + 3].find("s=3360&as=1&sort=biz30day"), std::string::npos);
    EXPECT_EQ(
        StatusText(),
        "结果不确定：1件宝贝未能确认是否降权。它们在销量排序中没有读到，1件的销量无法读取，"
        "无从查找，未计为降权，排名表中标为“未能确认是否降权”。"
        "淘宝最多列出100页，销量排序未列全。2件销量不高于401笔的宝贝可能排在销量排序第100页之后，"
        "未计为降权。已比较的55件宝贝中，降权宝贝2件，重要宝贝被隐性降权0件。"
        "1件宝贝的销量无法读取，不参与理论排名。");
    const std::vector<FixtureItem> listed(salesOrder.begin(), salesOrder.end() - 1);
    const ExpectedTables expected(listed, defaultOrder, {true, true, 401, {"80"}});
    ExpectSameCells(Form->Grid2(), expected.Data2, "sgData2");
    ExpectSameCells(Form->Grid3(), expected.Data3, "sgData3");
    std::vector<std::string> demotedIds;
    for (int r = 1; r + 1 < Form->Grid2().RowCount(); ++r)
        demotedIds.push_back(Form->Grid2().Cell(demoted::kId, r));
    EXPECT_THAT(demotedIds, ::testing::UnorderedElementsAre("77", "79"));
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
        [this, &during] {
            return Form->findChild<QLabel*>(QStringLiteral("sbar"))->text() == during;
        },
        kRunWaitMs))
        << StatusText();
    WaitForRunEnd();
}

TEST_F(FailedRunTest, BlankNickStartsNoRun) {
    Form->Grid1().SetCell(1, 1, "earlier result");
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    auto* box = Form->findChild<QLineEdit*>(QStringLiteral("txtID"));
    for (const char* nick : {"", " ", "   ", "\t", "\xE3\x80\x80" /* a full-width blank */}) {
        SCOPED_TRACE(nick);
        box->setText(QString::fromUtf8(nick));
        Form->findChild<QWidget*>(QStringLiteral("sgData1"))->setFocus();
        QTest::mouseClick(Button(), Qt::LeftButton);
        QTest::qWait(200);

        EXPECT_TRUE(Button()->isEnabled());
        EXPECT_FALSE(Form->findChild<QPushButton*>(QStringLiteral("btnStop"))->isEnabled());
        EXPECT_EQ(StatusText(), "请输入卖家ID");
        EXPECT_EQ(QApplication::focusWidget(), box);
        EXPECT_TRUE(Marketplace.Requests().empty());
        EXPECT_EQ(Form->Grid1().Cell(1, 1), "earlier result");
    }
    // Answered once the nick is edited.
    QTest::keyClick(box, Qt::Key_A);
    EXPECT_EQ(StatusText(), "");
}

} // namespace
