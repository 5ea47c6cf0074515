#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// One item of a fixture listing page. Every text is GBK bytes.
struct FixtureItem {
    std::string Id;
    std::string Title;
    std::string Price;
    // What stands between 最近成交 and 笔; no sales marker at all when absent.
    std::optional<std::string> SalesText;
    // Bytes between the id and the link's closing quote, e.g. "&a=b".
    std::string IdTail;
    // Open the piece with a picture link before the title link.
    bool ImageLinkFirst = false;
    // When set, written as it is right after the item's opening tag, in place
    // of the link, price and sales markup.
    std::optional<std::string> RawPiece;
};

// Writes listing pages as the marketplace sends them (GBK markup with the
// list, item, price, sales, pager and side-bar markers the crawl cuts by).
class ListingPageBuilder {
public:
    ListingPageBuilder& Add(FixtureItem item);
    ListingPageBuilder& AddItems(const std::vector<FixtureItem>& items);
    // Carry the end marker: this is the last page of the listing.
    ListingPageBuilder& Last(bool last = true);
    // Realistic filler markup: per item, and in the head and side bar.
    ListingPageBuilder& ItemPadding(std::size_t bytes);
    ListingPageBuilder& PagePadding(std::size_t bytes);
    ListingPageBuilder& WithoutListMarker();
    ListingPageBuilder& WithoutSideBar();

    std::string Build() const;

private:
    std::vector<FixtureItem> Items;
    bool IsLast = false;
    bool HasListMarker = true;
    bool HasSideBar = true;
    std::size_t ItemPad = 0;
    std::size_t PagePad = 0;
};

// A plain item: the title given as UTF-8; the id, price and sales text as
// the page's bytes.
FixtureItem MakeItem(const std::string& id, const std::string& titleUtf8, const std::string& price,
                     std::optional<std::string> salesText);

// Filler markup of about the given size that carries none of the markers.
std::string FillerMarkup(std::size_t bytes);

} // namespace korvane::test
