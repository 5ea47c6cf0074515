#pragma once

#include "GeneratedShop.h"
#include "LoopbackServer.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace korvane::test {

// What the marketplace served, request by request.
struct ServedPage {
    Phase Of = Phase::Sales;
    int Page = 0;
    PageBehaviour Behaviour = PageBehaviour::Whole;
    std::vector<std::string> Ids; // the items of a page served whole
    bool PastTheListing = false;  // answered 404: the listing has no such page
};

struct MarketLog {
    std::vector<ServedPage> Pages;
    // Each item's sales as the default pages served showed it (the truth of
    // the default pass), and whether its figure there could be read.
    std::map<std::string, std::int32_t> DefaultSales;
    std::set<std::string> UnreadableInDefault;
    bool SalesCutServed = false;   // a sales page 100 of a longer listing
    bool DefaultCutServed = false; // a default page 100 of a longer listing
    bool SalesDuplicateServed = false;
    bool DefaultDuplicateServed = false;
    // Shifts that took effect, by SalesShift::When.
    std::array<int, 3> ShiftsApplied{};

    // A page of the sales or default pass was not served whole.
    bool FaultInPasses() const;
    // The requests in order, one word each ("S1", "D3:status-500", "R2"), for
    // a replayed shop's report.
    std::string Describe() const;
};

// A loopback marketplace serving a generated shop from its truth at the time
// of each request, one connection per page: the sales order is the listed
// items by their sales now, so a shift takes effect between two requests.
class TruthMarketplace {
public:
    explicit TruthMarketplace(ShopPlan plan);
    ~TruthMarketplace();
    TruthMarketplace(const TruthMarketplace&) = delete;
    TruthMarketplace& operator=(const TruthMarketplace&) = delete;

    std::string Host() const; // the crawl's search host
    MarketLog Log() const;
    const ShopPlan& Plan() const { return Shop; }

    // A trickled page sends a byte this often; the client's answer limit ends it.
    static constexpr std::chrono::milliseconds kTrickleGap{25};

private:
    void Answer(LoopbackPeer& peer);
    // Positions into Items of a listing as it stands now.
    std::vector<std::size_t> SalesListing() const;
    std::vector<std::size_t> DefaultListing() const;
    std::string PageBody(const std::vector<std::size_t>& listing, int page, bool withItems,
                         bool& last, std::vector<std::string>& ids) const;
    void ApplyShifts(SalesShift::When when, int page);

    const ShopPlan Shop;
    mutable std::mutex Lock;
    std::vector<std::int32_t> Sales; // the truth now
    bool DefaultBegun = false;
    bool RereadBegun = false;
    std::set<int> Reread;
    MarketLog Served;
    LoopbackServer Server;
};

} // namespace korvane::test
