#pragma once

#include <string_view>

// The marketplace's listing pages are GBK. Every marker the crawl cuts by is
// kept here as GBK bytes; the Chinese ones carry their readable text beside them.
namespace korvane::markers {

// Narrowing a page to its item list.
inline constexpr std::string_view kListView = "<ul class=\"list-view";
inline constexpr std::string_view kSideBar = "<div id=\"SideBarBox\" >";
inline constexpr std::string_view kListItem = "class=\"list-item";

// Fields of an item piece.
inline constexpr std::string_view kItemLink = "item.htm?id=";
inline constexpr std::string_view kLinkOpen = "<a";
inline constexpr std::string_view kTagClose = ">";
inline constexpr std::string_view kTagOpen = "<";
inline constexpr std::string_view kPriceItem = "<li class=\"price\">";
inline constexpr std::string_view kEm = "<em>";
// 最近成交 ("recent deals")
inline constexpr std::string_view kRecentSales = "\xD7\xEE\xBD\xFC\xB3\xC9\xBD\xBB";
// 笔 (the counter word after the number of deals)
inline constexpr std::string_view kDealsUnit = "\xB1\xCA";

// The last page of a listing: the "next page" button is a dead span.
// class="page-end"><span>下一页</span
inline constexpr std::string_view kPageEnd =
    "class=\"page-end\"><span>\xCF\xC2\xD2\xBB\xD2\xB3</span";

} // namespace korvane::markers
