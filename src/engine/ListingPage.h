#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Cutting a listing page without parsing its markup: the page is narrowed to
// the item list, split into one piece per item, and each field is cut from a
// fresh view of the whole piece by first-occurrence searches.
namespace korvane {

// The item pieces of a page, as views into page. A page without the list
// marker, cut off before the side bar, or with no item marker yields none.
std::vector<std::string_view> ListingItemPieces(std::string_view page);
// Whether ListingItemPieces would yield any piece, without splitting the
// whole list: it stops at the first item marker.
bool HasListingItems(std::string_view page);

// The id follows "item.htm?id=" up to the closing quote, or up to an "&"
// that comes before it; empty when no quote follows.
std::string_view CutItemId(std::string_view piece);
// The text of the piece's first link, up to any inner markup.
std::string_view CutItemTitle(std::string_view piece);
std::string_view CutItemPrice(std::string_view piece);
// The recent sales count; none when the piece shows none or it is not a
// whole number.
std::optional<std::int32_t> ReadItemSales(std::string_view piece);

// True when the page is the last of its listing.
bool IsLastListingPage(std::string_view page);
// True when the page is a listing at all: it carries the item list or the
// pager's end. A verification or login page carries neither.
bool IsListingPage(std::string_view page);

} // namespace korvane
