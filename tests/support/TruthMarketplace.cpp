#include "TruthMarketplace.h"

#include "FixtureMarketplace.h"
#include "GbkText.h"
#include "ListingPageBuilder.h"

#include <algorithm>
#include <numeric>

namespace korvane::test {

namespace {

constexpr std::size_t kPerPage = 42;
constexpr int kPageLimit = 100;
// How far after its first entry an item listed twice stands again.
constexpr std::size_t kDuplicateDistance = 5;

void InsertDuplicate(std::vector<std::size_t>& listing, std::optional<std::size_t> item) {
    if (!item)
        return;
    const auto at = std::find(listing.begin(), listing.end(), *item);
    if (at == listing.end())
        return;
    const auto after = std::min<std::size_t>(
        static_cast<std::size_t>(at - listing.begin()) + kDuplicateDistance, listing.size());
    listing.insert(listing.begin() + static_cast<std::ptrdiff_t>(after), *item);
}

const std::string& VerificationPage() {
    static const std::string page = "<html><head><title>" + Gbk("安全验证") +
                                    "</title></head><body><div id=\"nocaptcha\">" +
                                    Gbk("请拖动滑块完成验证") + "</div></body></html>";
    return page;
}

} // namespace

bool MarketLog::FaultInPasses() const {
    return std::any_of(Pages.begin(), Pages.end(), [](const ServedPage& page) {
        return page.Of != Phase::Reread && page.Behaviour != PageBehaviour::Whole;
    });
}

std::string MarketLog::Describe() const {
    std::string text;
    for (const ServedPage& page : Pages) {
        text += page.Of == Phase::Sales ? " S" : page.Of == Phase::Default ? " D" : " R";
        text += std::to_string(page.Page);
        if (page.PastTheListing)
            text += ":404";
        else if (page.Behaviour != PageBehaviour::Whole)
            text += ":" + std::string(BehaviourName(page.Behaviour));
    }
    return text;
}

TruthMarketplace::TruthMarketplace(ShopPlan plan) : Shop(std::move(plan)) {
    for (const ShopItem& item : Shop.Items)
        Sales.push_back(item.Sales);
    Server.Start({[this](LoopbackPeer& peer) { Answer(peer); }}, true);
}

TruthMarketplace::~TruthMarketplace() {
    Server.Stop();
}

std::string TruthMarketplace::Host() const {
    return "127.0.0.1:" + std::to_string(Server.Port());
}

MarketLog TruthMarketplace::Log() const {
    std::lock_guard lock(Lock);
    return Served;
}

std::vector<std::size_t> TruthMarketplace::SalesListing() const {
    std::vector<std::size_t> listing;
    for (std::size_t i = 0; i < Shop.Items.size(); ++i)
        if (!Shop.Items[i].Hidden)
            listing.push_back(i);
    std::stable_sort(listing.begin(), listing.end(),
                     [this](std::size_t a, std::size_t b) { return Sales[a] > Sales[b]; });
    InsertDuplicate(listing, Shop.SalesDuplicate);
    return listing;
}

std::vector<std::size_t> TruthMarketplace::DefaultListing() const {
    std::vector<std::size_t> listing = Shop.DefaultOrder;
    InsertDuplicate(listing, Shop.DefaultDuplicate);
    return listing;
}

std::string TruthMarketplace::PageBody(const std::vector<std::size_t>& listing, int page,
                                       bool withItems, bool& last,
                                       std::vector<std::string>& ids) const {
    const int needed = static_cast<int>((listing.size() + kPerPage - 1) / kPerPage);
    const int pages = std::clamp(needed, 1, kPageLimit);
    if (page < 1 || page > pages)
        return {};
    // A listing longer than the limit ends at its page 100, which shows a
    // live next link or, as the marketplace sometimes does, the pager's end.
    last = page == pages && (needed <= kPageLimit || Shop.CutShowsEnd);
    ListingPageBuilder builder;
    const std::size_t from = static_cast<std::size_t>(page - 1) * kPerPage;
    for (std::size_t at = from; withItems && at < std::min(from + kPerPage, listing.size()); ++at) {
        const ShopItem& shown = Shop.Items[listing[at]];
        FixtureItem item;
        item.Id = shown.Id;
        item.Title = shown.Title;
        item.Price = shown.Price;
        item.SalesText = FigureText(Sales[listing[at]], shown.Figure);
        builder.Add(std::move(item));
        ids.push_back(shown.Id);
    }
    return builder.Last(last).Build();
}

void TruthMarketplace::ApplyShifts(SalesShift::When when, int page) {
    for (const SalesShift& shift : Shop.Shifts)
        if (shift.At == when && shift.Page == page && shift.Item < Sales.size()) {
            Sales[shift.Item] = shift.Sales;
            ++Served.ShiftsApplied[static_cast<std::size_t>(when)];
        }
}

void TruthMarketplace::Answer(LoopbackPeer& peer) {
    const std::string target = RequestTarget(peer.ReadRequestHead());
    const bool salesSort = QueryValue(target, "sort") == "biz30day";
    const int page = ListingPageOf(target);

    std::string body;
    PageBehaviour behaviour = PageBehaviour::Whole;
    bool found = false;
    {
        std::lock_guard lock(Lock);
        const Phase phase = !salesSort     ? Phase::Default
                            : DefaultBegun ? Phase::Reread
                                           : Phase::Sales;
        if (phase == Phase::Default && !DefaultBegun) {
            DefaultBegun = true;
            ApplyShifts(SalesShift::When::BetweenPasses, 0);
        }
        if (phase == Phase::Reread && !RereadBegun) {
            RereadBegun = true;
            ApplyShifts(SalesShift::When::AtReread, 0);
        }
        if (phase != Phase::Reread || Reread.insert(page).second)
            if (const auto it = Shop.Pages.find({phase, page}); it != Shop.Pages.end())
                behaviour = it->second;
        const bool hollow = behaviour == PageBehaviour::HollowWithEnd ||
                            behaviour == PageBehaviour::HollowWithoutEnd;
        const std::vector<std::size_t> listing =
            phase == Phase::Default ? DefaultListing() : SalesListing();
        bool last = false;
        ServedPage served{phase, page, behaviour, {}};
        if (target.starts_with("/search_auction.htm?"))
            body = PageBody(listing, page, !hollow, last, served.Ids);
        found = !body.empty();
        if (!found) {
            served.Behaviour = behaviour = PageBehaviour::ServerError;
            served.PastTheListing = true;
        }
        if (hollow)
            body = ListingPageBuilder().Last(behaviour == PageBehaviour::HollowWithEnd).Build();
        if (behaviour != PageBehaviour::Whole)
            served.Ids.clear();
        const bool cutPage = page == kPageLimit && listing.size() > kPerPage * kPageLimit;
        if (behaviour == PageBehaviour::Whole) {
            const std::size_t from = static_cast<std::size_t>(page - 1) * kPerPage;
            const auto entry = [&](std::optional<std::size_t> item) {
                if (!item)
                    return false;
                const auto first = std::find(listing.begin(), listing.end(), *item);
                const auto second =
                    std::find(first + (first != listing.end()), listing.end(), *item);
                const auto at = static_cast<std::size_t>(second - listing.begin());
                return second != listing.end() && at >= from && at < from + kPerPage;
            };
            if (phase == Phase::Default) {
                Served.DefaultCutServed = Served.DefaultCutServed || cutPage;
                Served.DefaultDuplicateServed =
                    Served.DefaultDuplicateServed || entry(Shop.DefaultDuplicate);
                for (std::size_t at = from; at < std::min(from + kPerPage, listing.size()); ++at) {
                    const ShopItem& item = Shop.Items[listing[at]];
                    Served.DefaultSales[item.Id] = Sales[listing[at]];
                    if (item.Figure != SalesFigure::Plain)
                        Served.UnreadableInDefault.insert(item.Id);
                }
            } else {
                Served.SalesCutServed = Served.SalesCutServed || (phase == Phase::Sales && cutPage);
                Served.SalesDuplicateServed =
                    Served.SalesDuplicateServed || entry(Shop.SalesDuplicate);
            }
        }
        Served.Pages.push_back(std::move(served));
        // The listing moves once this page is out: the next request sees it.
        if (phase == Phase::Sales)
            ApplyShifts(SalesShift::When::AfterSalesPage, page);
    }

    const std::string html = "Content-Type: text/html; charset=gbk\r\n";
    switch (behaviour) {
    case PageBehaviour::CloseBeforeAnswer:
        peer.Close();
        return;
    case PageBehaviour::ResetBeforeAnswer:
        peer.Reset();
        return;
    case PageBehaviour::ResetMidBody:
    case PageBehaviour::CutShort: {
        const std::string response = HttpResponse("200 OK", html, body);
        peer.Send(response.substr(0, response.size() - body.size() / 2));
        if (behaviour == PageBehaviour::ResetMidBody)
            peer.Reset();
        else
            peer.Close();
        return;
    }
    case PageBehaviour::Trickle: {
        const std::string response = HttpResponse("200 OK", html, body);
        const std::size_t bodyStart = response.size() - body.size();
        peer.Send(response.substr(0, bodyStart));
        for (std::size_t at = bodyStart;
             at < response.size() && !peer.WaitForClientClose(kTrickleGap); ++at)
            peer.Send(response.substr(at, 1));
        return;
    }
    case PageBehaviour::Verification:
        peer.Send(HttpResponse("200 OK", html, VerificationPage()));
        break;
    case PageBehaviour::RedirectToHttps:
        peer.Send(
            HttpResponse("302 Found", "Location: https://127.0.0.1/member/login.jhtml\r\n", ""));
        break;
    case PageBehaviour::ServerError:
        peer.Send(found ? HttpResponse("500 Internal Server Error", "", "busy")
                        : HttpResponse("404 Not Found", "", "no such page"));
        break;
    case PageBehaviour::EmptyBody:
        peer.Send(HttpResponse("200 OK", html, ""));
        break;
    default:
        peer.Send(HttpResponse("200 OK", html, body));
        break;
    }
    peer.WaitForClientClose();
}

} // namespace korvane::test
