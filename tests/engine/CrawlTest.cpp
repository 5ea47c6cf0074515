#include "ThreadUnit.h"

#include "GbkText.h"
#include "IdException.h"
#include "ListingPageBuilder.h"
#include "PageReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <utility>

using namespace korvane;
using korvane::test::FixtureItem;
using korvane::test::Gbk;
using korvane::test::ListingPageBuilder;
using korvane::test::MakeItem;
using ::testing::ElementsAre;

namespace {

// A scripted answer to one page fetch.
struct Answer {
    std::string body;
    bool fail = false;                  // throw after leaving body behind
    std::exception_ptr error = nullptr; // what to throw instead of a plain failure
};

// A marketplace scripted per pass and page; unscripted pages fail empty.
class ScriptedMarketplace {
public:
    std::map<int, Answer> Sales;
    std::map<int, Answer> Default;
    std::vector<std::string> Urls;
    std::function<void(int call)> OnFetch;
    // What an unscripted page throws; null: a refused connection.
    std::exception_ptr Unscripted = nullptr;

    void Fetch(const std::string& url, std::string& body) {
        Urls.push_back(url);
        if (OnFetch)
            OnFetch(static_cast<int>(Urls.size()));
        const bool sales = url.find("sort=biz30day") != std::string::npos;
        int page = 1;
        if (const auto s = url.find("&s="); s != std::string::npos)
            page = std::stoi(url.substr(s + 3)) / 42 + 1;
        const auto& pages = sales ? Sales : Default;
        const auto it = pages.find(page);
        if (it == pages.end()) {
            if (Unscripted)
                std::rethrow_exception(Unscripted);
            throw std::runtime_error("Socket Error # 10061\nConnection refused.");
        }
        body = it->second.body;
        if (it->second.error)
            std::rethrow_exception(it->second.error);
        if (it->second.fail)
            throw std::runtime_error("Read timed out.");
    }

    int FetchesOf(const char* sort) const {
        int n = 0;
        for (const std::string& url : Urls)
            n += url.find(sort) != std::string::npos;
        return n;
    }
};

class CrawlTest : public ::testing::Test {
protected:
    ScriptedMarketplace Shop;
    TResultLists Lists;
    std::vector<TItemInfo> Rows;
    int SyncCalls = 0;
    // Hand-overs done so far, seen from the crawl's thread.
    std::atomic<int> HandOvers{0};
    // Items in both lists after each hand-over.
    std::vector<std::size_t> ItemsAfterHandOver;
    std::shared_ptr<std::atomic<bool>> Stop = std::make_shared<std::atomic<bool>>(false);

    TRunOperations Operations() {
        TRunOperations ops;
        ops.FetchPage = [this](const std::string& url, std::string& body) {
            Shop.Fetch(url, body);
        };
        ops.Nick = "shop";
        ops.Synchronize = [this](const std::function<void()>& call) {
            ++SyncCalls;
            call();
            ItemsAfterHandOver.push_back(Lists.SalesOrderList.size() + Lists.DefaultList.size());
            ++HandOvers;
        };
        ops.AddItemRow = [this](const TItemInfo& item) { Rows.push_back(item); };
        ops.Lists = &Lists;
        ops.StopRequested = Stop;
        return ops;
    }

    std::unique_ptr<TRunThread> Crawl() {
        auto worker = std::make_unique<TRunThread>(Operations());
        worker->CrawlListings();
        return worker;
    }

    // Holds the crawl until the reader has handed over count pages.
    void WaitForHandOvers(int count) {
        for (int i = 0; i < 500 && HandOvers.load() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(HandOvers.load(), count);
    }

    static std::vector<std::string> Ids(const TItemList& list) {
        std::vector<std::string> ids;
        for (const TItemInfo& item : list)
            ids.push_back(item.ID);
        return ids;
    }
};

// Threads of this process; -1 where the system does not list them (a
// Windows build under Wine would count Wine's threads).
long ThreadCount() {
#ifdef __linux__
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/self/task", error);
    if (error)
        return -1;
    return static_cast<long>(std::distance(tasks, std::filesystem::directory_iterator{}));
#else
    return -1;
#endif
}

std::string Page(std::vector<std::string> ids, bool last) {
    ListingPageBuilder page;
    for (const std::string& id : ids)
        page.Add(MakeItem(id, "t" + id, id + ".00", id));
    return page.Last(last).Build();
}

TEST_F(CrawlTest, OnePageListingCostsOneFetchPerPass) {
    Shop.Sales[1] = {Page({"1", "2"}, true)};
    Shop.Default[1] = {Page({"2", "1"}, true)};
    const auto worker = Crawl();

    EXPECT_EQ(Shop.Urls.size(), 2u);
    EXPECT_EQ(Shop.Urls[0], "http://s.taobao.com/search_auction.htm?cat=0&as=1&sort=biz30day&"
                            "nick=shop&viewIndex=7&yp4p_page=3&commend=all");
    EXPECT_EQ(Shop.Urls[1], "http://s.taobao.com/search_auction.htm?cat=0&sort=coefp&nick=shop&"
                            "viewIndex=7&yp4p_page=3&commend=all");
    ASSERT_EQ(Lists.SalesOrderList.size(), 2u);
    EXPECT_EQ(Lists.SalesOrderList[0], (TItemRecordInfo{"1", "t1"}));
    ASSERT_EQ(Lists.DefaultList.size(), 2u);
    EXPECT_EQ(Lists.DefaultList[0], (TItemInfo{"2", "t2", "2.00", 1, 2, 0, 0, true}));
    EXPECT_EQ(Lists.DefaultList[1], (TItemInfo{"1", "t1", "1.00", 2, 1, 0, 0, true}));
    EXPECT_EQ(Rows, Lists.DefaultList);
    EXPECT_EQ(SyncCalls, 2); // one hand-over per page
    EXPECT_EQ(worker->Report().Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::EndMarker);
}

TEST_F(CrawlTest, RanksRunAcrossPagesAndDuplicatesAreKept) {
    Shop.Sales[1] = {Page({"a"}, true)};
    Shop.Default[1] = {Page({"a", "b", "c"}, false)};
    Shop.Default[2] = {Page({"d", "a"}, false)};
    Shop.Default[3] = {Page({"e"}, true)};
    const auto worker = Crawl();

    EXPECT_THAT(Ids(Lists.DefaultList), ElementsAre("a", "b", "c", "d", "a", "e"));
    for (std::size_t i = 0; i < Lists.DefaultList.size(); ++i)
        EXPECT_EQ(Lists.DefaultList[i].Rank, static_cast<int>(i) + 1);
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::EndMarker);
    EXPECT_EQ(worker->Report().Default.LastPage, 3);
    EXPECT_EQ(Shop.FetchesOf("sort=coefp"), 3);
    // Each page's items went over together, page after page.
    EXPECT_THAT(ItemsAfterHandOver, ElementsAre(1, 4, 6, 7));
    EXPECT_EQ(Rows, Lists.DefaultList);
}

TEST_F(CrawlTest, BothPassesListTheNickTheRunStartedWith) {
    Shop.Sales[1] = {Page({}, false)};
    Shop.Sales[2] = {Page({}, true)};
    Shop.Default[1] = {Page({}, false)};
    Shop.Default[2] = {Page({}, true)};
    TRunOperations ops = Operations();
    ops.Nick = Gbk("小店 a-1");
    TRunThread worker(std::move(ops));
    worker.CrawlListings();

    ASSERT_EQ(Shop.Urls.size(), 4u);
    for (const std::string& url : Shop.Urls)
        EXPECT_NE(url.find("&nick=%D0%A1%B5%EA%20a%2D1&viewIndex=7&yp4p_page="), std::string::npos)
            << url;
    EXPECT_EQ(worker.Report().Sales.Nick, Gbk("小店 a-1"));
    EXPECT_EQ(worker.Report().Default.Nick, Gbk("小店 a-1"));
}

TEST_F(CrawlTest, FailedPageIsSkippedAndTheNextRequested) {
    Shop.Sales[1] = {Page({"a"}, false)};
    // sales page 2 unscripted: the fetch fails with nothing left
    Shop.Sales[3] = {"", false}; // an empty body
    Shop.Sales[4] = {Page({"b"}, true)};
    Shop.Default[1] = {Page({"a"}, true)};
    Crawl();

    EXPECT_EQ(Shop.FetchesOf("sort=biz30day"), 4);
    ASSERT_EQ(Lists.SalesOrderList.size(), 2u);
    EXPECT_EQ(Lists.SalesOrderList[1].ID, "b");
}

TEST_F(CrawlTest, FailedFetchesAreCountedPerPassAndTheLastIsKept) {
    Shop.Sales[1] = {Page({"a"}, false)};
    // sales page 2 unscripted: refused
    Shop.Sales[3] = {Page({"b"}, false), true}; // cut short: a failed page, its items not read
    Shop.Sales[4] = {Page({"c"}, true)};
    Shop.Default[1] = {Page({"a"}, false)};
    // default page 2 refused; page 3 an empty body, which lost the page as well
    Shop.Default[3] = {"", false};
    // cut short after the pager's end: the pass ends there, the page failed
    Shop.Default[4] = {Page({"b"}, true), true};
    struct Reported {
        TPass pass;
        int page;
        bool goesOn;
    };
    std::vector<Reported> reported;
    TRunOperations ops = Operations();
    ops.ReportPageFailed = [&reported](TPass pass, const TFetchFailure& failure, bool goesOn) {
        reported.push_back({pass, failure.Page, goesOn});
    };
    TRunThread worker(std::move(ops));
    worker.CrawlListings();

    EXPECT_THAT(Ids(Lists.DefaultList), ElementsAre("a"));
    ASSERT_EQ(Lists.SalesOrderList.size(), 2u);
    EXPECT_EQ(Lists.SalesOrderList[1].ID, "c");
    EXPECT_EQ(worker.Report().Sales.ItemsFound, 2);
    EXPECT_EQ(worker.Report().Sales.FailedPages, 2);
    ASSERT_TRUE(worker.Report().Sales.LastFailure);
    EXPECT_EQ(worker.Report().Sales.LastFailure->Page, 3);
    EXPECT_EQ(worker.Report().Sales.LastFailure->Message, "Read timed out.");
    EXPECT_EQ(worker.Report().Sales.LastFailure->ClassName, "runtime_error");
    EXPECT_EQ(worker.Report().Default.ItemsFound, 1);
    EXPECT_EQ(worker.Report().Default.FailedPages, 3);
    EXPECT_EQ(worker.Report().Default.LastFailure->Page, 4);
    EXPECT_EQ(worker.Report().Default.Nick, "shop");
    // Both reached their end markers, but neither whole.
    EXPECT_EQ(worker.Report().Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(worker.Report().Default.End, TPassEnd::EndMarker);
    EXPECT_FALSE(worker.Report().Sales.ReadWhole());
    EXPECT_FALSE(worker.Report().Default.ReadWhole());
    // Items and pages agree: a failed page is neither.
    EXPECT_EQ(worker.Report().Sales.PagesRead, 2);
    EXPECT_EQ(worker.Report().Default.PagesRead, 1);
    // Each failure reached the owner as it happened, through a hand-over,
    // saying whether its pass went on.
    ASSERT_EQ(reported.size(), 5u);
    const Reported order[] = {{TPass::Sales, 2, true},
                              {TPass::Sales, 3, true},
                              {TPass::Default, 2, true},
                              {TPass::Default, 3, true},
                              {TPass::Default, 4, false}};
    for (std::size_t i = 0; i < reported.size(); ++i) {
        EXPECT_EQ(reported[i].pass, order[i].pass) << i;
        EXPECT_EQ(reported[i].page, order[i].page) << i;
        EXPECT_EQ(reported[i].goesOn, order[i].goesOn) << i;
    }
    EXPECT_EQ(SyncCalls, 3 + 5);
}

TEST_F(CrawlTest, BodyCutShortIsAFailedPageWhoseEndMarkerStillEndsThePass) {
    const std::string whole = Page({"a", "b"}, true);
    const std::string pastSideBar = whole.substr(0, whole.find("</div></body>"));
    const std::string beforeSideBar = whole.substr(0, whole.find("SideBarBox"));
    ASSERT_NE(beforeSideBar.find("page-end"), std::string::npos);

    // Cut after the side bar, or before it: no item of a failed page is
    // read, but the end marker that arrived ends the pass.
    Shop.Sales[1] = {pastSideBar, true};
    Shop.Default[1] = {beforeSideBar, true};
    const auto worker = Crawl();

    EXPECT_TRUE(Lists.SalesOrderList.empty());
    EXPECT_TRUE(Lists.DefaultList.empty());
    EXPECT_EQ(Shop.Urls.size(), 2u);
    EXPECT_EQ(worker->Report().Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(worker->Report().Sales.FailedPages, 1);
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::EndMarker);
    EXPECT_FALSE(worker->Report().MakesComparison());
}

TEST_F(CrawlTest, DefaultPassEndsAtOnceWhenItsFirstFetchFails) {
    // The last page text still holds the sales pass's final page.
    Shop.Sales[1] = {Page({"a"}, true)};
    const auto worker = Crawl();

    EXPECT_EQ(Shop.FetchesOf("sort=coefp"), 1);
    EXPECT_TRUE(Lists.DefaultList.empty());
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::EndMarker);
    // Ended, but not read.
    EXPECT_FALSE(worker->Report().Default.ReadWhole());
}

TEST_F(CrawlTest, ListingPagesWithoutItemsAreStillListings) {
    // A list marker without any item yields nothing but ends the pass; so
    // does the pager's end without the list.
    Shop.Sales[1] = {ListingPageBuilder().Last().Build()};
    Shop.Default[1] = {ListingPageBuilder().WithoutListMarker().Last().Build()};
    const auto worker = Crawl();

    EXPECT_TRUE(Lists.SalesOrderList.empty());
    EXPECT_TRUE(Lists.DefaultList.empty());
    EXPECT_TRUE(worker->Report().Sales.ReadWhole());
    EXPECT_TRUE(worker->Report().Default.ReadWhole());
}

TEST_F(CrawlTest, PassEndsAfterFiveEmptyPagesInARow) {
    // Pages 1-4 fail, 5 has an item, 6-10 fail: the bound counts only a run.
    Shop.Sales[5] = {Page({"a"}, false)};
    const auto worker = Crawl();

    EXPECT_EQ(worker->Report().Sales.End, TPassEnd::NoItems);
    EXPECT_EQ(worker->Report().Sales.LastPage, 10);
    EXPECT_EQ(Shop.FetchesOf("sort=biz30day"), 10);
    // The default pass's pages all fail and page 5's text carries no end marker.
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::NoItems);
    EXPECT_EQ(worker->Report().Default.LastPage, 5);
}

TEST_F(CrawlTest, PassEndsAtThePageLimit) {
    for (int page = 1; page <= kMaxPagesPerPass + 1; ++page)
        Shop.Sales[page] = {Page({std::to_string(page)}, false)};
    Shop.Default[1] = {Page({"x"}, true)};
    const auto worker = Crawl();

    EXPECT_EQ(worker->Report().Sales.End, TPassEnd::PageLimit);
    EXPECT_EQ(worker->Report().Sales.LastPage, kMaxPagesPerPass);
    EXPECT_EQ(Lists.SalesOrderList.size(), static_cast<std::size_t>(kMaxPagesPerPass));
    EXPECT_EQ(Shop.FetchesOf("sort=biz30day"), kMaxPagesPerPass);
    EXPECT_EQ(Lists.DefaultList.size(), 1u);
}

// Every way a pass can end, and what the run may show of it: only two
// listings read to their end markers make a complete comparison, a sales
// listing not read whole makes none, and a default listing not read whole is
// compared as far as it was read.
TEST_F(CrawlTest, EveryEndingDecidesWhatTheRunMayShow) {
    using E = TPassEnd;
    const auto timeout = std::make_exception_ptr(http::EIdReadTimeout());
    const auto https = std::make_exception_ptr(http::EIdIOHandlerPropInvalid());
    const std::string verify = "<html><form action=\"/verify\">slide to verify</form></html>";
    const auto listing = [this](int pages, TPass pass) {
        auto& script = pass == TPass::Sales ? Shop.Sales : Shop.Default;
        for (int page = 1; page <= pages; ++page)
            script[page] = {Page({std::to_string(page)}, page == pages)};
    };
    struct Case {
        const char* name;
        std::function<void(TRunOperations& ops)> script;
        E sales, defaults;
        bool salesWhole, defaultWhole, compared;
        int salesFetches, defaultFetches;
        bool salesCut = false;
    };
    const auto hollow = ListingPageBuilder().Build(); // the list's frame, no item, no end
    const auto fullPage = [](int page, bool last) {
        std::vector<std::string> ids;
        for (int i = 0; i < kItemsPerListingPage; ++i)
            ids.push_back(std::to_string(page * 100 + i));
        return Page(ids, last);
    };
    const Case cases[] = {
        {"both to their end markers",
         [&](TRunOperations&) {
             listing(2, TPass::Sales);
             listing(2, TPass::Default);
         },
         E::EndMarker, E::EndMarker, true, true, true, 2, 2},
        {"sales listing cut at the page limit",
         [&](TRunOperations&) {
             for (int page = 1; page <= kMaxPagesPerPass + 1; ++page)
                 Shop.Sales[page] = {Page({std::to_string(page)}, false)};
             listing(1, TPass::Default);
         },
         E::PageLimit, E::EndMarker, false, true, true, kMaxPagesPerPass, 1, true},
        {"sales listing of pages without items",
         [&](TRunOperations&) {
             for (int page = 1; page <= 9; ++page)
                 Shop.Sales[page] = {ListingPageBuilder().Build()};
             listing(1, TPass::Default);
         },
         E::NoItems, E::EndMarker, false, true, false, kMaxEmptyPagesInRow, 1},
        {"a sales page failed",
         [&](TRunOperations&) {
             listing(3, TPass::Sales);
             Shop.Sales.erase(2);
             listing(1, TPass::Default);
         },
         E::EndMarker, E::EndMarker, false, true, false, 3, 1},
        // A hollow page is a page lost, in either listing and as the last.
        {"a hollow sales page",
         [&](TRunOperations&) {
             listing(3, TPass::Sales);
             Shop.Sales[2] = {hollow};
             listing(1, TPass::Default);
         },
         E::EndMarker, E::EndMarker, false, true, false, 3, 1},
        {"a hollow default page",
         [&](TRunOperations&) {
             listing(1, TPass::Sales);
             listing(3, TPass::Default);
             Shop.Default[2] = {hollow};
         },
         E::EndMarker, E::EndMarker, true, false, true, 1, 3},
        {"a hollow last page",
         [&](TRunOperations&) {
             listing(2, TPass::Sales);
             Shop.Sales[2] = {ListingPageBuilder().Last().Build()};
             listing(1, TPass::Default);
         },
         E::EndMarker, E::EndMarker, false, true, false, 2, 1},
        // A trickle that runs out the page's time leaves bytes, not an answer.
        {"sales pages trickle until their time runs out",
         [&](TRunOperations&) {
             Shop.Sales[1] = {Page({"1"}, false).substr(0, 300), false, timeout};
             Shop.Sales[2] = {Page({"2"}, false).substr(0, 300), false, timeout};
             listing(1, TPass::Default);
         },
         E::NoAnswer, E::NotRun, false, false, false, kMaxTimeoutsBeforeAnswer, 0},
        // The marketplace's last page of a search, full and with the pager's
        // end: a longer listing cut there looks just the same.
        {"sales listing ends on a full page at the page limit",
         [&](TRunOperations&) {
             for (int page = 1; page <= kMaxPagesPerPass; ++page)
                 Shop.Sales[page] = {fullPage(page, page == kMaxPagesPerPass)};
             listing(1, TPass::Default);
         },
         E::EndMarker, E::EndMarker, true, true, true, kMaxPagesPerPass, 1, true},
        {"sales listing ends on a page short of full at the page limit",
         [&](TRunOperations&) {
             listing(kMaxPagesPerPass, TPass::Sales);
             listing(1, TPass::Default);
         },
         E::EndMarker, E::EndMarker, true, true, true, kMaxPagesPerPass, 1},
        {"sales answered with a verification page",
         [&](TRunOperations&) {
             listing(3, TPass::Sales);
             Shop.Sales[2] = {verify};
             listing(1, TPass::Default);
         },
         E::TurnedAway, E::NotRun, false, false, false, 2, 0},
        {"sales sent on to https",
         [&](TRunOperations&) {
             Shop.Sales[1] = {"", false, https};
             listing(1, TPass::Default);
         },
         E::TurnedAway, E::NotRun, false, false, false, 1, 0},
        {"no answer to the sales listing",
         [&](TRunOperations&) {
             Shop.Unscripted = timeout;
             listing(1, TPass::Default);
         },
         E::NoAnswer, E::NotRun, false, false, false, kMaxTimeoutsBeforeAnswer, 0},
        // Once a page arrived, time-outs are failed pages like any other.
        {"sales pages time out after one arrived",
         [&](TRunOperations&) {
             Shop.Sales[1] = {Page({"1"}, false)};
             Shop.Unscripted = timeout;
         },
         E::NoItems, E::NoAnswer, false, false, false, 1 + kMaxEmptyPagesInRow,
         kMaxTimeoutsBeforeAnswer},
        {"default answered with a verification page",
         [&](TRunOperations&) {
             listing(1, TPass::Sales);
             Shop.Default[1] = {verify};
         },
         E::EndMarker, E::TurnedAway, true, false, false, 1, 1},
        {"default turned away after a page",
         [&](TRunOperations&) {
             listing(1, TPass::Sales);
             listing(3, TPass::Default);
             Shop.Default[2] = {verify};
         },
         E::EndMarker, E::TurnedAway, true, false, true, 1, 2},
        {"default's first page empty",
         [&](TRunOperations&) {
             listing(1, TPass::Sales);
             Shop.Default[1] = {""};
         },
         E::EndMarker, E::EndMarker, true, false, false, 1, 1},
        {"default cut at the page limit",
         [&](TRunOperations&) {
             listing(1, TPass::Sales);
             for (int page = 1; page <= kMaxPagesPerPass; ++page)
                 Shop.Default[page] = {Page({std::to_string(page)}, false)};
         },
         E::EndMarker, E::PageLimit, true, false, true, 1, kMaxPagesPerPass},
        // The stop comes during the last page's fetch, which ends well: the
        // page read is not shown, so the pass is not whole.
        {"stopped during the default listing's last fetch",
         [&](TRunOperations&) {
             listing(1, TPass::Sales);
             listing(2, TPass::Default);
             Shop.OnFetch = [this](int call) {
                 if (call != 3)
                     return;
                 WaitForHandOvers(2);
                 Stop->store(true);
             };
         },
         E::EndMarker, E::Stopped, true, false, true, 1, 2},
        // The window still holds the first page when the last is fetched.
        {"stopped while the sales listing's pages wait for the window",
         [&](TRunOperations& ops) {
             listing(2, TPass::Sales);
             listing(1, TPass::Default);
             auto lastFetched = std::make_shared<std::promise<void>>();
             Shop.OnFetch = [lastFetched](int call) {
                 if (call == 2)
                     lastFetched->set_value();
             };
             ops.Synchronize = [this, lastFetched,
                                handOver = ops.Synchronize](const std::function<void()>& call) {
                 if (HandOvers.load() == 0) {
                     lastFetched->get_future().wait_for(std::chrono::seconds(5));
                     Stop->store(true);
                 }
                 handOver(call);
             };
         },
         E::Stopped, E::Stopped, false, false, false, 2, 0},
        {"the window could not take a default page",
         [&](TRunOperations& ops) {
             listing(1, TPass::Sales);
             listing(2, TPass::Default);
             ops.AddItemRow = [](const TItemInfo&) { throw std::bad_alloc(); };
         },
         E::EndMarker, E::HandOverFailed, true, false, false, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Shop = {};
        Lists = {};
        Rows.clear();
        HandOvers = 0;
        Stop->store(false);
        TRunOperations ops = Operations();
        c.script(ops);
        TRunThread worker(std::move(ops));
        worker.CrawlListings();

        const TRunReport report = worker.Report();
        EXPECT_EQ(report.Sales.End, c.sales);
        EXPECT_EQ(report.Default.End, c.defaults);
        EXPECT_EQ(report.Sales.ReadWhole(), c.salesWhole);
        EXPECT_EQ(report.Default.ReadWhole(), c.defaultWhole);
        EXPECT_EQ(report.MakesComparison(), c.compared);
        EXPECT_EQ(report.SalesCut(), c.salesCut);
        EXPECT_EQ(report.Complete(), c.salesWhole && c.defaultWhole && !c.salesCut);
        EXPECT_EQ(Shop.FetchesOf("sort=biz30day"), c.salesFetches);
        if (c.defaultFetches >= 0) { // a failed hand-over is seen a page or two late
            EXPECT_EQ(Shop.FetchesOf("sort=coefp"), c.defaultFetches);
        }
    }
}

// A sales listing cut at the page limit ends at the lowest figure that can
// be read on its last page: the cut the analysis judges left-out items by.
TEST_F(CrawlTest, LastSalesPageGivesItsLowestReadableFigure) {
    const auto item = [](const char* id, std::optional<std::string> sales) {
        return MakeItem(id, id, "1.00", std::move(sales));
    };
    struct Case {
        const char* name;
        std::vector<FixtureItem> lastPage;
        std::optional<std::int32_t> lowest;
    };
    const Case cases[] = {
        {"figures", {item("a", "40"), item("b", "12"), item("c", "12"), item("d", "30")}, 12},
        {"unreadable figures left aside",
         {item("a", "40"), item("b", "2,999"), item("c", std::nullopt), item("d", "35")},
         35},
        {"no figure at all", {item("a", "1,024"), item("b", std::nullopt)}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Shop = {};
        Lists = {};
        Shop.Sales[1] = {Page({"1", "2"}, false)};
        ListingPageBuilder last;
        for (const FixtureItem& piece : c.lastPage)
            last.Add(piece);
        Shop.Sales[2] = {last.Last().Build()};
        Shop.Default[1] = {Page({"1"}, true)};
        const auto worker = Crawl();

        EXPECT_EQ(worker->Report().Sales.LastPageItems, static_cast<int>(c.lastPage.size()));
        EXPECT_EQ(worker->Report().Sales.LastPageLowestSales, c.lowest);
    }
}

TEST_F(CrawlTest, StopEndsBothPassesBeforeTheNextPage) {
    for (int page = 1; page <= 10; ++page)
        Shop.Sales[page] = Shop.Default[page] = {Page({std::to_string(page)}, false)};
    // The stop comes while page 3 is read, after pages 1 and 2 are shown.
    Shop.OnFetch = [this](int call) {
        if (call != 3)
            return;
        WaitForHandOvers(2);
        Stop->store(true);
    };
    const auto worker = Crawl();

    EXPECT_EQ(Shop.Urls.size(), 3u);
    // The page the stop came during is not shown, though its fetch ended well.
    EXPECT_EQ(Lists.SalesOrderList.size(), 2u);
    EXPECT_EQ(worker->Report().Sales.End, TPassEnd::Stopped);
    EXPECT_EQ(worker->Report().Sales.LastPage, 2);
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::Stopped);
    EXPECT_EQ(worker->Report().Default.LastPage, 0);
}

TEST_F(CrawlTest, StopAbandonsThePageInFlight) {
    for (int page = 1; page <= 10; ++page)
        Shop.Sales[page] = {Page({std::to_string(page)}, false)};
    // Page 2's fetch is given up halfway: its bytes so far, then the error.
    Shop.Sales[2].fail = true;
    Shop.OnFetch = [this](int call) {
        if (call != 2)
            return;
        WaitForHandOvers(1);
        Stop->store(true);
    };
    const auto worker = Crawl();

    EXPECT_EQ(Shop.Urls.size(), 2u);
    EXPECT_TRUE(Lists.DefaultList.empty());
    ASSERT_EQ(Lists.SalesOrderList.size(), 1u); // nothing of the abandoned page
    EXPECT_EQ(worker->Report().Sales.End, TPassEnd::Stopped);
    EXPECT_EQ(worker->Report().Sales.LastPage, 1);
    EXPECT_EQ(worker->Report().Default.End, TPassEnd::Stopped);
    // A fetch the stop gave up is no failure of the marketplace.
    EXPECT_EQ(worker->Report().Sales.FailedPages, 0);
}

TEST_F(CrawlTest, PagesAreFetchedWhileTheWindowTakesOneAndAStopDropsTheQueued) {
    for (int page = 1; page <= 10; ++page)
        Shop.Sales[page] = {Page({std::to_string(page)}, false)};
    // The window holds on to page 1 from the fetch of page 2 until page 4 is
    // fetched, and the seller stops the run during that fetch: pages 2 to 4
    // are queued by then.
    std::promise<void> windowBusy, fourthFetch;
    std::shared_future<void> busy = windowBusy.get_future().share(),
                             fetched = fourthFetch.get_future().share();
    bool overlapped = false;
    Shop.OnFetch = [&](int call) {
        if (call == 2) {
            ASSERT_EQ(busy.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        } else if (call == 4) {
            Stop->store(true);
            fourthFetch.set_value();
        }
    };
    TRunOperations ops = Operations();
    // The first call is page 1's progress, the second its items.
    ops.Synchronize = [&, handOver = ops.Synchronize,
                       calls = 0](const std::function<void()>& call) mutable {
        if (++calls == 2) {
            windowBusy.set_value();
            overlapped = fetched.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        }
        handOver(call);
    };
    std::vector<TRunProgress> progress;
    ops.ReportProgress = [&progress](const TRunProgress& p) { progress.push_back(p); };
    TRunThread worker(std::move(ops));
    worker.CrawlListings();

    EXPECT_TRUE(overlapped);
    EXPECT_EQ(Shop.Urls.size(), 4u); // none after the stop
    EXPECT_THAT(Lists.SalesOrderList, ElementsAre(TItemRecordInfo{"1", "t1"}));
    ASSERT_EQ(progress.size(), 1u); // page 2's came after the stop
    EXPECT_EQ(progress[0].Page, 1);
    EXPECT_EQ(worker.Report().Sales.End, TPassEnd::Stopped);
    EXPECT_EQ(worker.Report().Sales.LastPage, 1);
    EXPECT_EQ(worker.Report().Sales.ItemsFound, 1);
    EXPECT_EQ(worker.Report().Default.End, TPassEnd::Stopped);
}

// The window's posted calls, held until the crawl is over: neither the crawl
// nor the reader waits for them.
TEST_F(CrawlTest, PostedPagesProgressAndFailuresReachTheWindowInOrder) {
    Shop.Sales[1] = {Page({"1", "2"}, false)};
    // sales page 2 unscripted: refused
    Shop.Sales[3] = {Page({"3"}, false), true}; // cut short after the side bar: not read
    Shop.Sales[4] = {Page({"4"}, true)};
    Shop.Default[1] = {Page({"4", "3", "2"}, false)};
    Shop.Default[2] = {Page({"1"}, true)};
    std::vector<std::function<void()>> posted;
    std::vector<std::string> window; // what reached the window, in order
    TRunOperations ops = Operations();
    ops.Post = [&posted](std::function<void()> call) { posted.push_back(std::move(call)); };
    ops.AddItemRow = [&window](const TItemInfo& item) {
        window.push_back("row " + item.ID + " rank " + std::to_string(item.Rank));
    };
    ops.ReportProgress = [&](const TRunProgress& p) {
        window.push_back((p.Pass == TPass::Sales ? "sales " : "default ") + std::to_string(p.Page) +
                         " found " + std::to_string(p.ItemsFound) + " of " +
                         std::to_string(Lists.SalesOrderList.size() + Lists.DefaultList.size()));
    };
    ops.ReportPageFailed = [&window](TPass pass, const TFetchFailure& failure, bool) {
        window.push_back((pass == TPass::Sales ? "sales " : "default ") +
                         std::to_string(failure.Page) + " failed");
    };
    TRunThread worker(std::move(ops));
    worker.CrawlListings();

    EXPECT_TRUE(Lists.SalesOrderList.empty()); // nothing ran yet
    EXPECT_EQ(SyncCalls, 0);
    EXPECT_EQ(worker.Report().Sales.ItemsFound, 3);
    EXPECT_EQ(worker.Report().Sales.FailedPages, 2);
    EXPECT_EQ(worker.Report().Sales.LastFailure->Page, 3);
    EXPECT_EQ(worker.Report().Default.ItemsFound, 4);
    EXPECT_EQ(worker.Report().Default.LastPage, 2);
    for (const auto& call : posted)
        call();
    // Each progress line counts the items handed over before it.
    EXPECT_THAT(window,
                ElementsAre("sales 1 found 0 of 0", "sales 2 found 2 of 2", "sales 2 failed",
                            "sales 3 found 2 of 2", "sales 3 failed", "sales 4 found 2 of 2",
                            "default 1 found 0 of 3", "row 4 rank 1", "row 3 rank 2",
                            "row 2 rank 3", "default 2 found 3 of 6", "row 1 rank 4"));
    EXPECT_THAT(Ids(Lists.DefaultList), ElementsAre("4", "3", "2", "1"));
    EXPECT_EQ(Lists.SalesOrderList.size(), 3u);
}

TEST_F(CrawlTest, FailedPostedPageEndsTheCrawlBeforeItsNextPage) {
    Shop.Sales[1] = {Page({"s"}, true)};
    for (int page = 1; page <= 50; ++page)
        Shop.Default[page] = {Page({std::to_string(page)}, false)};
    // The window runs the posted pages on its own time: here, while the
    // crawl fetches default page 3; the first row it adds fails.
    std::mutex lock;
    std::vector<std::function<void()>> posted;
    const auto runPosted = [&] {
        std::lock_guard guard(lock);
        for (auto& call : posted) {
            try {
                call();
            } catch (...) {
                // as the window's bridge does: nobody waits for a posted call
            }
        }
        posted.clear();
    };
    TRunOperations ops = Operations();
    ops.Post = [&](std::function<void()> call) {
        std::lock_guard guard(lock);
        posted.push_back(std::move(call));
    };
    ops.AddItemRow = [](const TItemInfo&) { throw std::bad_alloc(); };
    bool bothPosted = false;
    Shop.OnFetch = [&](int call) {
        if (call != 4) // sales page 1, default pages 1 and 2 come before
            return;
        for (int i = 0; i < 500 && !bothPosted; ++i) {
            {
                std::lock_guard guard(lock);
                bothPosted = posted.size() >= 2; // the sales page and default page 1
            }
            if (!bothPosted)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        runPosted();
    };
    TRunThread worker(std::move(ops));
    worker.CrawlListings();
    runPosted(); // what came later is not added

    EXPECT_TRUE(bothPosted);
    EXPECT_EQ(Shop.FetchesOf("sort=coefp"), 3); // none after the page in flight
    EXPECT_EQ(Lists.SalesOrderList.size(), 1u);
    EXPECT_THAT(Ids(Lists.DefaultList), ElementsAre("1"));
    EXPECT_EQ(worker.Report().Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(worker.Report().Default.End, TPassEnd::HandOverFailed);
}

TEST_F(CrawlTest, FailedHandOverEndsTheCrawl) {
    for (int page = 1; page <= 50; ++page)
        Shop.Sales[page] = {Page({std::to_string(page)}, false)};
    TRunOperations ops = Operations();
    ops.Synchronize = [](const std::function<void()>&) { throw std::bad_alloc(); };
    TRunThread worker(std::move(ops));
    worker.CrawlListings();

    EXPECT_TRUE(Lists.SalesOrderList.empty());
    // At most the page that failed, the pages queued behind it and the one
    // in flight when the crawl learnt of it; no default page.
    EXPECT_LE(Shop.Urls.size(), 2 + TPageReader::kMaxQueuedTasks);
    EXPECT_EQ(Shop.FetchesOf("sort=coefp"), 0);
    EXPECT_EQ(worker.Report().Sales.End, TPassEnd::HandOverFailed);
    EXPECT_EQ(worker.Report().Sales.LastPage, 0);
    EXPECT_EQ(worker.Report().Default.End, TPassEnd::NotRun);
}

TEST_F(CrawlTest, ProgressBeforeEveryPage) {
    Shop.Sales[1] = {Page({"1", "2"}, false)};
    Shop.Sales[2] = {Page({"3", "4"}, false)};
    Shop.Sales[3] = {Page({"5"}, true)};
    Shop.Default[1] = {Page({"5", "4", "3"}, false)};
    // Page 2 fails; page 3 reaches past the sales pass's length.
    Shop.Default[3] = {Page({"2"}, false)};
    Shop.Default[4] = {Page({"1"}, true)};
    std::vector<TRunProgress> progress;
    TRunOperations ops = Operations();
    ops.ReportProgress = [&progress](const TRunProgress& p) { progress.push_back(p); };
    TRunThread worker(std::move(ops));
    worker.CrawlListings();

    using P = TRunProgress;
    const TPass s = TPass::Sales, d = TPass::Default;
    EXPECT_THAT(progress, ElementsAre(P{s, 1, 0, 0}, P{s, 2, 2, 0}, P{s, 3, 4, 0}, P{d, 1, 0, 3},
                                      P{d, 2, 3, 3}, P{d, 3, 3, 3}, P{d, 4, 4, 3}));
    // Each report is one more synchronous call: 7 pages, and one hand-over
    // for each of the 6 pages that had items.
    EXPECT_EQ(SyncCalls, 13);
}

TEST_F(CrawlTest, ReaderThreadEndsWithTheCrawlHoweverItEnds) {
    // A sanitizer starts a helper thread of its own with the first thread.
    std::thread([] {}).join();
    const long before = ThreadCount();
    if (before < 0)
        GTEST_SKIP() << "no thread list on this system";
    Shop.Sales[1] = {Page({"1"}, false)};
    Shop.Sales[2] = {Page({"2"}, true)};
    long during = 0;
    Shop.OnFetch = [&during](int call) {
        if (call == 2)
            during = ThreadCount();
    };
    struct Case {
        const char* name;
        bool handOverFails;
    };
    for (const Case c : {Case{"read to the end", false}, Case{"hand-over fails", true}}) {
        SCOPED_TRACE(c.name);
        TRunOperations ops = Operations();
        if (c.handOverFails)
            ops.Synchronize = [](const std::function<void()>&) { throw std::bad_alloc(); };
        Shop.Urls.clear();
        TRunThread worker(std::move(ops));
        worker.CrawlListings();
        EXPECT_EQ(worker.Report().Sales.End,
                  c.handOverFails ? TPassEnd::HandOverFailed : TPassEnd::EndMarker);
        EXPECT_EQ(during, before + 1); // the reader, while the crawl runs
        EXPECT_EQ(ThreadCount(), before);
    }
}

TEST_F(CrawlTest, FieldsOfARealisticPage) {
    test::FixtureItem amp = MakeItem("11", "A", "1.00", " 12");
    amp.IdTail = "&ns=1";
    test::FixtureItem image = MakeItem("12", "B", "2.00", "12 ");
    image.ImageLinkFirst = true;
    test::FixtureItem noSales = MakeItem("13", "女装 C", "3.00", std::nullopt);
    test::FixtureItem broken;
    broken.RawPiece = "\"><a href=\"item.htm?id=14&x=1>T</a>";
    Shop.Sales[1] = {Page({}, true)};
    Shop.Default[1] = {
        ListingPageBuilder().Add(amp).Add(image).Add(noSales).Add(broken).Last().Build()};
    Crawl();

    ASSERT_EQ(Lists.DefaultList.size(), 4u);
    EXPECT_EQ(Lists.DefaultList[0], (TItemInfo{"11", "A", "1.00", 1, 12, 0, 0, true}));
    EXPECT_EQ(Lists.DefaultList[1].ID, "12");
    EXPECT_EQ(Lists.DefaultList[1].Title, "");
    // A figure that is not a whole number, or none at all, is no figure.
    EXPECT_EQ(Lists.DefaultList[1].Sales, 0);
    EXPECT_FALSE(Lists.DefaultList[1].SalesRead);
    EXPECT_EQ(Lists.DefaultList[2], (TItemInfo{"13", Gbk("女装 C"), "3.00", 3, 0, 0, 0, false}));
    EXPECT_EQ(Lists.DefaultList[3].ID, "14"); // the quote of the next piece's markup
}

} // namespace
