#pragma once

#include <string_view>

// Every text the result tables show, as the GBK bytes the tables hold, with
// the readable Chinese beside each.
namespace korvane::texts {

// Column headers.
inline constexpr std::string_view kItemHeader = "\xB1\xA6\xB1\xB4";                 // 宝贝
inline constexpr std::string_view kSalesHeader = "\xB3\xC9\xBD\xBB\xC1\xBF";        // 成交量
inline constexpr std::string_view kPriceHeader = "\xBC\xDB\xB8\xF1";                // 价格
inline constexpr std::string_view kRankHeader = "\xCA\xB5\xBC\xCA\xC5\xC5\xC3\xFB"; // 实际排名
inline constexpr std::string_view kSalesRankHeader = "\xC0\xED\xC2\xDB\xC5\xC5\xC3\xFB"; // 理论排名
inline constexpr std::string_view kDifferenceHeader = "\xB2\xEE\xD6\xB5";                // 差值

// Verdicts of the ranking table.
// 重要宝贝被隐性降权
inline constexpr std::string_view kDemotedVerdict =
    "\xD6\xD8\xD2\xAA\xB1\xA6\xB1\xB4\xB1\xBB\xD2\xFE\xD0\xD4\xBD\xB5\xC8\xA8";
// 重要宝贝权值正常
inline constexpr std::string_view kNormalVerdict =
    "\xD6\xD8\xD2\xAA\xB1\xA6\xB1\xB4\xC8\xA8\xD6\xB5\xD5\xFD\xB3\xA3";
// 未能确认是否降权: an item left out of the sales listing that could be
// neither found there again nor confirmed missing; drawn plain.
inline constexpr std::string_view kUnconfirmedVerdict =
    "\xCE\xB4\xC4\xDC\xC8\xB7\xC8\xCF\xCA\xC7\xB7\xF1\xBD\xB5\xC8\xA8";
// 无法读取: the sales cell of an item whose figure could not be read.
inline constexpr std::string_view kUnreadSales = "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1";
// 正常: a verdict holding it anywhere is drawn plain, any other in red.
inline constexpr std::string_view kNormalMark = "\xD5\xFD\xB3\xA3";

// The demoted-items notice when nothing is demoted: the two parts stand around
// the item count. 店铺宝贝共 / 个 ，没有被降权宝贝 (an ASCII space before the
// full-width comma)
inline constexpr std::string_view kNoDemotedBefore = "\xB5\xEA\xC6\xCC\xB1\xA6\xB1\xB4\xB9\xB2";
inline constexpr std::string_view kNoDemotedAfter =
    "\xB8\xF6 \xA3\xAC\xC3\xBB\xD3\xD0\xB1\xBB\xBD\xB5\xC8\xA8\xB1\xA6\xB1\xB4";

// The same notice when the default listing was not read whole: it speaks of
// the items read. 已读的 / 个宝贝中没有被降权宝贝
inline constexpr std::string_view kNoneDemotedOfReadBefore = "\xD2\xD1\xB6\xC1\xB5\xC4";
inline constexpr std::string_view kNoneDemotedOfReadAfter =
    "\xB8\xF6\xB1\xA6\xB1\xB4\xD6\xD0\xC3\xBB\xD3\xD0\xB1\xBB\xBD\xB5\xC8\xA8\xB1\xA6\xB1\xB4";

// The sort choices of the ranking tab.
// 权重从高到低排列
inline constexpr std::string_view kSortGapDescending =
    "\xC8\xA8\xD6\xD8\xB4\xD3\xB8\xDF\xB5\xBD\xB5\xCD\xC5\xC5\xC1\xD0";
// 权重从低到高排列
inline constexpr std::string_view kSortGapAscending =
    "\xC8\xA8\xD6\xD8\xB4\xD3\xB5\xCD\xB5\xBD\xB8\xDF\xC5\xC5\xC1\xD0";
// 店铺主打宝贝权重
inline constexpr std::string_view kSortBySales =
    "\xB5\xEA\xC6\xCC\xD6\xF7\xB4\xF2\xB1\xA6\xB1\xB4\xC8\xA8\xD6\xD8";

} // namespace korvane::texts
