#include "ListingPage.h"

#include "IdGlobal.h"
#include "ListingMarkers.h"
#include "MyUtils.h"

namespace korvane {

std::vector<std::string_view> ListingItemPieces(std::string_view page) {
    const std::size_t list = FindMarker(page, markers::kListView);
    if (list == std::string_view::npos)
        return {};
    std::string_view items = page.substr(list + markers::kListView.size());
    CutBefore(items, markers::kSideBar);
    std::vector<std::string_view> pieces = Method::SplitTextViews(items, markers::kListItem);
    // The text before the first item marker is not an item.
    if (pieces.size() < 2)
        return {};
    pieces.erase(pieces.begin());
    return pieces;
}

bool HasListingItems(std::string_view page) {
    const std::size_t list = FindMarker(page, markers::kListView);
    if (list == std::string_view::npos)
        return false;
    std::string_view items = page.substr(list + markers::kListView.size());
    CutBefore(items, markers::kSideBar);
    return ContainsMarker(items, markers::kListItem);
}

std::string_view CutItemId(std::string_view piece) {
    CutAfter(piece, markers::kItemLink);
    const std::size_t quote = piece.find('"');
    if (quote == std::string_view::npos)
        return {};
    const std::size_t amp = piece.substr(0, quote).find('&');
    return piece.substr(0, amp == std::string_view::npos ? quote : amp);
}

std::string_view CutItemTitle(std::string_view piece) {
    CutAfter(piece, markers::kLinkOpen);
    CutAfter(piece, markers::kTagClose);
    CutBefore(piece, markers::kTagOpen);
    return piece;
}

std::string_view CutItemPrice(std::string_view piece) {
    CutAfter(piece, markers::kPriceItem);
    CutAfter(piece, markers::kEm);
    CutBefore(piece, markers::kTagOpen);
    return piece;
}

std::optional<std::int32_t> ReadItemSales(std::string_view piece) {
    if (!ContainsMarker(piece, markers::kRecentSales))
        return std::nullopt;
    CutAfter(piece, markers::kRecentSales);
    CutBefore(piece, markers::kDealsUnit);
    if (piece.empty())
        return std::nullopt;
    // A whole number, hex forms included; anything else is no figure.
    return http::NumberToInt32(piece);
}

bool IsLastListingPage(std::string_view page) {
    return ContainsMarker(page, markers::kPageEnd);
}

bool IsListingPage(std::string_view page) {
    return ContainsMarker(page, markers::kListView) || IsLastListingPage(page);
}

} // namespace korvane
