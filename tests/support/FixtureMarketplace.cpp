#include "FixtureMarketplace.h"

#include <algorithm>

namespace korvane::test {

std::string QueryValue(const std::string& target, const std::string& key) {
    for (const char separator : {'?', '&'}) {
        const std::string start = separator + key + "=";
        const std::size_t at = target.find(start);
        if (at != std::string::npos) {
            const std::size_t from = at + start.size();
            return target.substr(from, target.find_first_of("&# ", from) - from);
        }
    }
    return {};
}

std::string RequestTarget(const std::string& head) {
    const std::size_t start = head.find(' ') + 1;
    return head.substr(start, head.find(' ', start) - start);
}

int ListingPageOf(const std::string& target) {
    const std::string skip = QueryValue(target, "s");
    return skip.empty() ? 1 : std::stoi(skip) / 42 + 1;
}

FixtureMarketplace::FixtureMarketplace() {
    Server.Start({[this](LoopbackPeer& peer) { Answer(peer); }}, true);
}

FixtureMarketplace::~FixtureMarketplace() {
    Server.Stop();
}

std::vector<std::string> FixtureMarketplace::ShopPages(const std::vector<FixtureItem>& items,
                                                       std::size_t perPage) {
    std::vector<std::string> pages;
    std::size_t at = 0;
    do {
        ListingPageBuilder page;
        for (std::size_t i = 0; i < perPage && at < items.size(); ++i)
            page.Add(items[at++]);
        pages.push_back(page.Last(at >= items.size()).Build());
    } while (at < items.size());
    return pages;
}

void FixtureMarketplace::SetShop(std::vector<std::string> salesPages,
                                 std::vector<std::string> defaultPages) {
    std::lock_guard lock(Lock);
    SalesPages = std::move(salesPages);
    DefaultPages = std::move(defaultPages);
    MovedSalesPages.clear();
}

void FixtureMarketplace::MoveSalesListingAfter(std::size_t requests,
                                               std::vector<std::string> salesPages) {
    std::lock_guard lock(Lock);
    MoveAfter = requests;
    MovedSalesPages = std::move(salesPages);
}

void FixtureMarketplace::SetFault(bool salesPass, int page, TFault fault) {
    std::lock_guard lock(Lock);
    Faults[{salesPass, page}] = fault;
}

void FixtureMarketplace::ClearFaults() {
    std::lock_guard lock(Lock);
    Faults.clear();
    PageDelays.clear();
}

void FixtureMarketplace::SetDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(Lock);
    Delay = delay;
}

void FixtureMarketplace::SetPageDelay(bool salesPass, int page, std::chrono::milliseconds delay) {
    std::lock_guard lock(Lock);
    PageDelays[{salesPass, page}] = delay;
}

std::string FixtureMarketplace::Host() const {
    return "127.0.0.1:" + std::to_string(Server.Port());
}

std::vector<std::string> FixtureMarketplace::Requests() const {
    std::lock_guard lock(Lock);
    return Targets;
}

void FixtureMarketplace::ClearRequests() {
    std::lock_guard lock(Lock);
    Targets.clear();
}

void FixtureMarketplace::Answer(LoopbackPeer& peer) {
    const std::string target = RequestTarget(peer.ReadRequestHead());
    const bool sales = QueryValue(target, "sort") == "biz30day";
    const int page = ListingPageOf(target);

    std::string body;
    TFault fault = TFault::None;
    std::chrono::milliseconds delay{0};
    {
        std::lock_guard lock(Lock);
        Targets.push_back(target);
        const bool moved = !MovedSalesPages.empty() && Targets.size() > MoveAfter;
        const auto& pages = !sales ? DefaultPages : moved ? MovedSalesPages : SalesPages;
        // Only the search answers: a program that asks this host for
        // anything else (its version document, say) finds nothing there.
        if (target.starts_with("/search_auction.htm?") && page >= 1 &&
            static_cast<std::size_t>(page) <= pages.size())
            body = pages[static_cast<std::size_t>(page) - 1];
        if (const auto it = Faults.find({sales, page}); it != Faults.end())
            fault = it->second;
        const auto pageDelay = PageDelays.find({sales, page});
        delay = pageDelay != PageDelays.end() ? pageDelay->second : Delay;
    }
    // Watching the client, so a page it gave up does not hold up the next
    // connection (the server answers one at a time); a stopping server ends
    // the wait too.
    if (delay.count() > 0 && peer.WaitForClientClose(delay))
        return;

    if (fault == TFault::Reset) {
        peer.Reset();
        return;
    }
    if (fault == TFault::Trickle) {
        const std::string response = HttpResponse("200 OK", "", body);
        const std::size_t bodyStart = response.find("\r\n\r\n") + 4;
        peer.Send(response.substr(0, bodyStart));
        for (std::size_t at = bodyStart;
             at < response.size() && !peer.WaitForClientClose(kTrickleGap); ++at)
            peer.Send(response.substr(at, 1));
        return;
    }
    if (fault == TFault::ServerError)
        peer.Send(HttpResponse("500 Internal Server Error", "", "busy"));
    else if (fault == TFault::RedirectToHttps)
        peer.Send(
            HttpResponse("302 Found", "Location: https://127.0.0.1/member/login.jhtml\r\n", ""));
    else if (body.empty())
        peer.Send(HttpResponse("404 Not Found", "", "no such page"));
    else
        peer.Send(HttpResponse("200 OK", "Content-Type: text/html; charset=gbk\r\n", body));
    peer.WaitForClientClose();
}

} // namespace korvane::test
