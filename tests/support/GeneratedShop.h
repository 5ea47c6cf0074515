#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::test {

// Where the choices of a generated shop come from: a seeded generator for the
// property test, or the fuzzer's bytes (0 once they run out, which gives the
// plainest shop).
class ShapeSource {
public:
    explicit ShapeSource(std::uint64_t seed) : Engine(seed) {}
    explicit ShapeSource(std::span<const std::uint8_t> bytes) : Bytes(bytes), FromBytes(true) {}

    // A value in [0, bound); 0 for a bound of 0 or 1.
    std::uint32_t Below(std::uint32_t bound);
    bool Percent(std::uint32_t chance) { return Below(100) < chance; }

private:
    std::mt19937_64 Engine{0};
    std::span<const std::uint8_t> Bytes{};
    bool FromBytes = false;
};

// How the marketplace answers one page request.
enum class PageBehaviour : std::uint8_t {
    Whole,
    CloseBeforeAnswer, // connection ended before a byte of the answer
    ResetBeforeAnswer,
    ResetMidBody,
    CutShort,         // orderly close before the announced Content-Length
    HollowWithEnd,    // the listing's frame, no item, the pager's end
    HollowWithoutEnd, // the listing's frame, no item, a live next link
    Verification,     // a page that is not a listing
    RedirectToHttps,
    ServerError, // status 500
    EmptyBody,   // 200 with nothing
    Trickle,     // a byte at a time until the client gives up
    Count,
};
std::string_view BehaviourName(PageBehaviour behaviour);

// How an item's 30-day sales figure stands on the listing pages.
enum class SalesFigure : std::uint8_t { Plain, Comma, TenThousands, Missing, Count };
std::string_view FigureName(SalesFigure figure);

struct ShopItem {
    std::string Id;
    std::string Title; // GBK
    std::string Price;
    std::int32_t Sales = 0; // the truth when the shop opens; shifts change it
    SalesFigure Figure = SalesFigure::Plain;
    bool Hidden = false; // left out of the sales order: truly demoted
};

// The marketplace's three kinds of request: the sales pass, the default pass,
// and sales pages asked for again once the default pass has begun.
enum class Phase : std::uint8_t { Sales, Default, Reread };

// One item's sales changing while the shop is read.
struct SalesShift {
    enum class When : std::uint8_t {
        AfterSalesPage, // once page Page of the sales pass has been served
        BetweenPasses,  // before the first default page is served
        AtReread,       // before the first sales page asked for again is served
    };
    When At = When::AfterSalesPage;
    int Page = 0;
    std::size_t Item = 0;
    std::int32_t Sales = 0;
};

// A shop whose truth is known and what its marketplace does while it is read.
struct ShopPlan {
    std::uint64_t Seed = 0;
    std::vector<ShopItem> Items;
    // The default ranking: every item once, hidden ones included.
    std::vector<std::size_t> DefaultOrder;
    // Page behaviours other than Whole, by phase and page (from 1); a reread
    // page's behaviour applies to its first reread only.
    std::map<std::pair<Phase, int>, PageBehaviour> Pages;
    // An item (by position in Items) listed a second time, a few entries
    // after its first: the marketplace's listings do that now and then.
    std::optional<std::size_t> SalesDuplicate;
    std::optional<std::size_t> DefaultDuplicate;
    // A listing of more than 100 pages is cut at page 100; this says whether
    // that page shows the pager's end or a live next link.
    bool CutShowsEnd = false;
    std::vector<SalesShift> Shifts;
};

// A shop from the source: most small, a few past the marketplace's 100-page
// cut, ties and zeros common, and every page behaviour, figure and shift kind
// drawn now and then.
ShopPlan GenerateShop(ShapeSource& source, std::uint64_t seed = 0);

// Items numbered from 1 with the given true sales, titles and prices plain;
// a fixture's start, shaped further by hand.
std::vector<ShopItem> NumberedItems(const std::vector<std::int32_t>& sales);
// The default order that follows sales exactly (ties in item order).
std::vector<std::size_t> OrderBySales(const std::vector<ShopItem>& items);

// The text standing between 最近成交 and 笔 (none when the figure is missing).
std::optional<std::string> FigureText(std::int32_t sales, SalesFigure figure);

} // namespace korvane::test
