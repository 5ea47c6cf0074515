#include "GeneratedShop.h"

#include "GbkText.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>

namespace korvane::test {

namespace {

constexpr int kPerPage = 42;
constexpr int kPageLimit = 100;

std::int32_t DrawSales(ShapeSource& source) {
    // Zeros and small figures repeat often (ties); a few best sellers reach
    // the figures the marketplace writes with a comma or in 万.
    switch (source.Below(10)) {
    case 0:
    case 1:
    case 2:
        return 0;
    case 3:
    case 4:
    case 5:
        return static_cast<std::int32_t>(source.Below(8));
    case 6:
    case 7:
        return static_cast<std::int32_t>(source.Below(300));
    case 8:
        return static_cast<std::int32_t>(1000 + source.Below(9000));
    default:
        return static_cast<std::int32_t>(10000 + source.Below(60000));
    }
}

SalesFigure DrawFigure(ShapeSource& source, std::uint32_t unreadablePercent) {
    if (!source.Percent(unreadablePercent))
        return SalesFigure::Plain;
    return static_cast<SalesFigure>(1 + source.Below(3));
}

PageBehaviour DrawFault(ShapeSource& source) {
    const auto kinds = static_cast<std::uint32_t>(PageBehaviour::Count) - 1;
    return static_cast<PageBehaviour>(1 + source.Below(kinds));
}

int PagesOf(std::size_t entries) {
    const int pages = std::max(1, static_cast<int>((entries + kPerPage - 1) / kPerPage));
    return std::min(pages, kPageLimit);
}

} // namespace

std::uint32_t ShapeSource::Below(std::uint32_t bound) {
    if (bound <= 1)
        return 0;
    if (!FromBytes)
        return static_cast<std::uint32_t>(Engine() % bound);
    std::uint32_t value = 0;
    for (std::uint32_t range = 1; range < bound && !Bytes.empty(); range <<= 8) {
        value = (value << 8) | Bytes.front();
        Bytes = Bytes.subspan(1);
    }
    return value % bound;
}

std::string_view BehaviourName(PageBehaviour behaviour) {
    static constexpr std::array<std::string_view, static_cast<std::size_t>(PageBehaviour::Count)>
        names{"whole",          "close-before-answer", "reset-before-answer", "reset-mid-body",
              "cut-short",      "hollow-with-end",     "hollow-without-end",  "verification-page",
              "https-redirect", "status-500",          "empty-body",          "trickle"};
    return names[static_cast<std::size_t>(behaviour)];
}

std::string_view FigureName(SalesFigure figure) {
    static constexpr std::array<std::string_view, static_cast<std::size_t>(SalesFigure::Count)>
        names{"figure-plain", "figure-comma", "figure-wan", "figure-missing"};
    return names[static_cast<std::size_t>(figure)];
}

std::optional<std::string> FigureText(std::int32_t sales, SalesFigure figure) {
    switch (figure) {
    case SalesFigure::Plain:
        return std::to_string(sales);
    case SalesFigure::Comma: {
        // "2,999"; below a thousand the comma still stands, as "0,012".
        char text[32];
        std::snprintf(text, sizeof text, "%d,%03d", sales / 1000, sales % 1000);
        return std::string(text);
    }
    case SalesFigure::TenThousands: {
        char text[32];
        std::snprintf(text, sizeof text, "%d.%d", sales / 10000, sales % 10000 / 1000);
        return std::string(text) + Gbk("万");
    }
    default:
        return std::nullopt;
    }
}

std::vector<ShopItem> NumberedItems(const std::vector<std::int32_t>& sales) {
    static const std::string title = Gbk("测试宝贝");
    std::vector<ShopItem> items(sales.size());
    for (std::size_t i = 0; i < sales.size(); ++i) {
        items[i].Id = std::to_string(5200000000ULL + i + 1);
        items[i].Title = title + std::to_string(i + 1);
        items[i].Price = std::to_string(10 + i % 90) + ".00";
        items[i].Sales = sales[i];
    }
    return items;
}

std::vector<std::size_t> OrderBySales(const std::vector<ShopItem>& items) {
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return items[a].Sales > items[b].Sales; });
    return order;
}

ShopPlan GenerateShop(ShapeSource& source, std::uint64_t seed) {
    ShopPlan plan;
    plan.Seed = seed;

    // Size: most shops fit a few pages; a few pass the 100-page cut.
    std::size_t count = 0;
    // The fuzzer's plainest input (all zeros, or none left) is a small shop.
    const bool large = source.Below(40) == 39;
    if (large)
        count = static_cast<std::size_t>(kPerPage * kPageLimit + 1 + source.Below(150));
    else if (source.Percent(80))
        count = source.Below(3 * kPerPage + 8);
    else
        count = source.Below(9 * kPerPage);

    std::vector<std::int32_t> sales(count);
    for (std::int32_t& figure : sales)
        figure = DrawSales(source);
    plan.Items = NumberedItems(sales);

    static constexpr std::array<std::uint32_t, 5> kHiddenShares{0, 3, 15, 40, 100};
    const std::uint32_t hiddenShare =
        large ? source.Below(3) : kHiddenShares[source.Below(kHiddenShares.size())];
    const std::uint32_t unreadable = source.Percent(60) ? 0 : 2 + source.Below(20);
    for (ShopItem& item : plan.Items) {
        item.Hidden = source.Percent(hiddenShare);
        item.Figure = DrawFigure(source, unreadable);
    }

    // The default ranking follows sales loosely, and holds hidden items low.
    std::vector<std::int64_t> weight(count);
    const bool shuffled = source.Percent(10);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t sold = plan.Items[i].Sales;
        std::int64_t w = shuffled ? 0 : sold * 8;
        w += std::int64_t{source.Below(shuffled ? 1000 : 40)} * (sold + 4) / 8;
        if (plan.Items[i].Hidden && source.Percent(80))
            w /= 4;
        weight[i] = w;
    }
    plan.DefaultOrder.resize(count);
    std::iota(plan.DefaultOrder.begin(), plan.DefaultOrder.end(), std::size_t{0});
    std::stable_sort(plan.DefaultOrder.begin(), plan.DefaultOrder.end(),
                     [&](std::size_t a, std::size_t b) { return weight[a] > weight[b]; });

    std::size_t visible = 0;
    for (const ShopItem& item : plan.Items)
        visible += item.Hidden ? 0 : 1;
    const int salesPages = PagesOf(visible);
    const int defaultPages = PagesOf(count);

    // Page behaviours: a shop read whole is common, so most shops get none.
    const std::uint32_t faultShare = large ? 0 : source.Percent(55) ? 0 : 4 + source.Below(25);
    const bool largeFault = large && source.Percent(30);
    for (const Phase phase : {Phase::Sales, Phase::Default, Phase::Reread}) {
        const int pages = phase == Phase::Default ? defaultPages : salesPages;
        for (int page = 1; page <= pages; ++page)
            if (source.Percent(faultShare))
                plan.Pages[{phase, page}] = DrawFault(source);
    }
    if (largeFault)
        plan.Pages[{source.Percent(50) ? Phase::Sales : Phase::Default,
                    1 + static_cast<int>(source.Below(kPageLimit))}] = DrawFault(source);

    plan.CutShowsEnd = source.Percent(50);
    if (count > 0 && source.Percent(8))
        plan.SalesDuplicate = source.Below(static_cast<std::uint32_t>(count));
    if (count > 0 && source.Percent(6))
        plan.DefaultDuplicate = source.Below(static_cast<std::uint32_t>(count));

    // Shifts: an item moving across a sales page already read, sales changing
    // between the passes, and rarely an item moving again as it is re-read.
    if (count > 0) {
        const auto anyItem = [&] { return source.Below(static_cast<std::uint32_t>(count)); };
        const auto newSales = [&](std::size_t item) {
            const std::int32_t now = plan.Items[item].Sales;
            return source.Percent(50) ? now + 1 + static_cast<std::int32_t>(source.Below(5000))
                                      : static_cast<std::int32_t>(
                                            source.Below(static_cast<std::uint32_t>(now) + 1));
        };
        const int moves = source.Percent(70) ? 0 : 1 + static_cast<int>(source.Below(3));
        for (int m = 0; m < moves && salesPages > 1; ++m) {
            const std::size_t item = anyItem();
            plan.Shifts.push_back(
                {SalesShift::When::AfterSalesPage,
                 1 + static_cast<int>(source.Below(static_cast<std::uint32_t>(salesPages - 1))),
                 item, newSales(item)});
        }
        if (source.Percent(15)) {
            const std::size_t item = anyItem();
            plan.Shifts.push_back({SalesShift::When::BetweenPasses, 0, item, newSales(item)});
        }
        // Most often the item that moved during the sales pass, which is
        // the one looked for again: the case no reader can tell from a
        // demotion.
        if (moves > 0 && salesPages > 1 && source.Percent(30)) {
            const std::size_t item = plan.Shifts.front().Item;
            plan.Shifts.push_back({SalesShift::When::AtReread, 0, item, newSales(item)});
        } else if (source.Percent(4)) {
            const std::size_t item = anyItem();
            plan.Shifts.push_back({SalesShift::When::AtReread, 0, item, newSales(item)});
        }
    }
    return plan;
}

} // namespace korvane::test
