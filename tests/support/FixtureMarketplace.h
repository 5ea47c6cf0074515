#pragma once

#include "ListingPageBuilder.h"
#include "LoopbackServer.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace korvane::test {

// The target of a request head ("/search_auction.htm?..."), and the value of
// key in its query ("" when absent).
std::string RequestTarget(const std::string& head);
std::string QueryValue(const std::string& target, const std::string& key);
// The listing page (from 1) a search target asks for by its "s" value.
int ListingPageOf(const std::string& target);

// A loopback marketplace serving a scripted shop's listing pages by the
// query's "sort" and "s" values, one connection per page as the crawl makes
// them. Pages past the last, and any other path, answer 404.
class FixtureMarketplace {
public:
    enum class TFault {
        None,
        Reset,       // drop the connection before answering
        ServerError, // answer 500
        // Send the reader on to an https login page, as the marketplace does
        // with readers it wants signed in (the client gives up before any
        // connection is made).
        RedirectToHttps,
        // Send the head at once and then the page a byte every kTrickleGap,
        // each wait short, until the client gives up.
        Trickle,
    };
    static constexpr std::chrono::milliseconds kTrickleGap{100};

    FixtureMarketplace();
    ~FixtureMarketplace();

    // Splits items into pages of perPage items, the last one carrying the end
    // marker; no items gives one empty last page.
    static std::vector<std::string> ShopPages(const std::vector<FixtureItem>& items,
                                              std::size_t perPage = 42);

    // Set before a run starts.
    void SetShop(std::vector<std::string> salesPages, std::vector<std::string> defaultPages);
    // A listing that moves while it is read: once `requests` requests have
    // been answered, the sales listing is answered from salesPages.
    void MoveSalesListingAfter(std::size_t requests, std::vector<std::string> salesPages);
    void SetFault(bool salesPass, int page, TFault fault);
    void ClearFaults(); // and the page delays
    // Every answer waits this long first (a slow marketplace).
    void SetDelay(std::chrono::milliseconds delay);
    // This one page waits delay instead (a page still loading when the user stops).
    void SetPageDelay(bool salesPass, int page, std::chrono::milliseconds delay);

    // "127.0.0.1:PORT", the crawl's search host.
    std::string Host() const;
    // Request targets received so far, in order.
    std::vector<std::string> Requests() const;
    void ClearRequests();

private:
    void Answer(LoopbackPeer& peer);

    mutable std::mutex Lock;
    std::vector<std::string> SalesPages;
    std::vector<std::string> DefaultPages;
    std::size_t MoveAfter = 0;
    std::vector<std::string> MovedSalesPages;
    std::map<std::pair<bool, int>, TFault> Faults;
    std::chrono::milliseconds Delay{0};
    std::map<std::pair<bool, int>, std::chrono::milliseconds> PageDelays;
    std::vector<std::string> Targets;
    LoopbackServer Server;
};

} // namespace korvane::test
