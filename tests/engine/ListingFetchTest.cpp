// The crawl's real page fetch, against a loopback marketplace.
#include "ListingFetch.h"
#include "ThreadUnit.h"

#include "IdException.h"
#include "ListingPageBuilder.h"
#include "LoopbackServer.h"
#include "ServerErrors.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace korvane;
using korvane::test::HttpResponse;
using korvane::test::ListingPageBuilder;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::MakeItem;
using korvane::test::StopAndReportErrors;

namespace {

class ListingFetchTest : public ::testing::Test {
protected:
    void SetUp() override { Server.Start(); }
    void TearDown() override { StopAndReportErrors(Server); }
    std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(Server.Port()); }

    // Both listings of the shop "shop" crawled with the real page fetch.
    TRunReport Crawl(TResultLists& lists) const {
        TRunOperations ops;
        ops.FetchPage = FetchListingPage;
        ops.Nick = "shop";
        ops.Lists = &lists;
        ops.SearchHost = HostAndPort();
        TRunThread worker(ops);
        worker.CrawlListings();
        return worker.Report();
    }

    LoopbackServer Server;
};

TEST_F(ListingFetchTest, RequestHeadByteForByte) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 302 Found\r\nSet-Cookie: cna=x1; path=/\r\n"
                  "Location: /search_auction.htm?cat=0&s=42&from=redirect\r\n"
                  "Content-Length: 0\r\n\r\n");
        peer.ReadRequestHead();
        peer.Send(HttpResponse("200 OK", "", "page"));
        peer.WaitForClientClose();
    });
    const std::string url = "http://" + HostAndPort() +
                            "/search_auction.htm?cat=0&s=42&as=1&sort=biz30day&nick=%D0%A1"
                            "&viewIndex=7&yp4p_page=0&commend=all#ListView";
    std::string body;
    FetchListingPage(url, body);
    EXPECT_EQ(body, "page");

    const std::string common = "Content-Type: text/html\r\n"
                               "Host: " +
                               HostAndPort() +
                               "\r\n"
                               "Accept: text/html, */*\r\n"
                               "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; "
                               "SV1; Maxthon; .NET CLR 1.1.4322; .NET CLR 2.0.50727)\r\n";
    EXPECT_EQ(Server.Received(0),
              "GET /search_auction.htm?cat=0&s=42&as=1&sort=biz30day&nick=%D0%A1&viewIndex=7"
              "&yp4p_page=0&commend=all HTTP/1.1\r\n" +
                  common +
                  "\r\n"
                  "GET /search_auction.htm?cat=0&s=42&from=redirect HTTP/1.1\r\n" +
                  common + "Cookie: cna=x1\r\n\r\n");
}

TEST_F(ListingFetchTest, ErrorsPropagateWithNothingLeft) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send(HttpResponse("503 Busy", "", "busy"));
    });
    std::string body;
    EXPECT_THROW(FetchListingPage("http://" + HostAndPort() + "/x", body),
                 http::EIdHTTPProtocolException);
    EXPECT_EQ(body, "");
}

// A page whose connection closes before its announced length is a failed
// page with its reason, and none of the items that did arrive is read.
TEST_F(ListingFetchTest, PageCutShortIsAFailedPage) {
    const std::string page =
        ListingPageBuilder().Add(MakeItem("101", "红色连衣裙", "99.00", "50")).Last().Build();
    Server.AddForEveryNext([&](LoopbackPeer& peer) {
        const std::string head = peer.ReadRequestHead();
        if (head.find("sort=biz30day") != std::string::npos)
            peer.Send(HttpResponse("200 OK", "", page));
        else
            peer.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size() + 100) +
                      "\r\n\r\n" + page);
    });
    TResultLists lists;
    const TRunReport report = Crawl(lists);

    EXPECT_EQ(lists.SalesOrderList.size(), 1u);
    EXPECT_TRUE(lists.DefaultList.empty());
    const TPassOutcome& pass = report.Default;
    EXPECT_EQ(pass.FailedPages, 1);
    ASSERT_TRUE(pass.LastFailure);
    EXPECT_EQ(pass.LastFailure->Kind, TFetchFailureKind::ConnectionLost);
    EXPECT_EQ(pass.LastFailure->Message, "Connection Closed Gracefully.");
}

// A small shop served the way the marketplace serves it: every page on a
// connection of its own; one sales page answers with an error status.
TEST_F(ListingFetchTest, CrawlOfAScriptedShop) {
    std::map<std::string, std::string> pages; // "sort/page" -> body
    pages["biz30day/1"] = ListingPageBuilder()
                              .Add(MakeItem("101", "红色连衣裙", "99.00", "50"))
                              .Add(MakeItem("102", "蓝色外套", "199.00", "30"))
                              .Build();
    // biz30day/2 fails with 500; page 3 carries the end marker.
    pages["biz30day/3"] =
        ListingPageBuilder().Add(MakeItem("103", "白衬衫", "59.00", "20")).Last().Build();
    pages["coefp/1"] = ListingPageBuilder()
                           .Add(MakeItem("102", "蓝色外套", "199.00", "30"))
                           .Add(MakeItem("103", "白衬衫", "59.00", "20"))
                           .Build();
    pages["coefp/2"] = ListingPageBuilder()
                           .Add(MakeItem("101", "红色连衣裙", "99.00", "50"))
                           .ItemPadding(3000)
                           .PagePadding(20000)
                           .Last()
                           .Build();
    std::mutex lock;
    std::vector<std::string> targets;
    Server.AddForEveryNext([&](LoopbackPeer& peer) {
        const std::string head = peer.ReadRequestHead();
        const std::string target = head.substr(4, head.find(" HTTP/") - 4);
        {
            std::lock_guard guard(lock);
            targets.push_back(target);
        }
        const std::string sort =
            target.find("sort=biz30day") != std::string::npos ? "biz30day" : "coefp";
        int page = 1;
        if (const auto s = target.find("&s="); s != std::string::npos)
            page = std::stoi(target.substr(s + 3)) / kItemsPerListingPage + 1;
        const auto it = pages.find(sort + "/" + std::to_string(page));
        peer.Send(it == pages.end() ? HttpResponse("500 Oops", "", "error page")
                                    : HttpResponse("200 OK", "", it->second));
    });

    TResultLists lists;
    const TRunReport report = Crawl(lists);

    ASSERT_EQ(lists.SalesOrderList.size(), 3u);
    EXPECT_EQ(lists.SalesOrderList[2].ID, "103");
    ASSERT_EQ(lists.DefaultList.size(), 3u);
    EXPECT_EQ(lists.DefaultList[0].ID, "102");
    EXPECT_EQ(lists.DefaultList[2].ID, "101");
    EXPECT_EQ(lists.DefaultList[2].Rank, 3);
    EXPECT_EQ(lists.DefaultList[2].Sales, 50);
    EXPECT_EQ(report.Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(report.Default.End, TPassEnd::EndMarker);
    std::lock_guard guard(lock);
    ASSERT_EQ(targets.size(), 5u);
    // No fragment on the wire, though later pages' URLs carry "#ListView".
    EXPECT_EQ(targets[1], "/search_auction.htm?cat=0&s=42&as=1&sort=biz30day&nick=shop"
                          "&viewIndex=7&yp4p_page=0&commend=all");
}

} // namespace
