#pragma once

#include "ItemRecords.h"
#include "ResultTexts.h"
#include "StringGrid.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvane {

// A column of a result table: its header (GBK, empty for none) and width in
// pixels (0 hides it).
struct TColumnSpec {
    std::string_view Header;
    std::int32_t Width;
};

// Header row and the one empty row below it: a table with no data.
inline constexpr std::int32_t kEmptyTableRowCount = 2;

// Columns of the all-items table sgData1.
namespace allitems {
inline constexpr std::int32_t kRank = 0;
inline constexpr std::int32_t kTitle = 1;
inline constexpr std::int32_t kSales = 2;
inline constexpr std::int32_t kPrice = 3;
inline constexpr std::int32_t kUnused = 4; // never written
inline constexpr std::int32_t kId = 5;     // hidden; the double click reads it
inline constexpr std::array<TColumnSpec, 6> kColumns{{
    {"", 35},
    {texts::kItemHeader, 500},
    {texts::kSalesHeader, 60},
    {texts::kPriceHeader, 55},
    {"", 0},
    {"", 0},
}};
} // namespace allitems

// Columns of the demoted-items table sgData2.
namespace demoted {
inline constexpr std::int32_t kNumber = 0;
inline constexpr std::int32_t kTitle = 1;
inline constexpr std::int32_t kSales = 2;
inline constexpr std::int32_t kPrice = 3;
inline constexpr std::int32_t kId = 4; // hidden; the double click reads it
inline constexpr std::array<TColumnSpec, 5> kColumns{{
    {"", 35},
    {texts::kItemHeader, 500},
    {texts::kSalesHeader, 60},
    {texts::kPriceHeader, 55},
    {"", 0},
}};
} // namespace demoted

// Columns of the ranking table sgData3.
namespace ranking {
inline constexpr std::int32_t kNumber = 0;
inline constexpr std::int32_t kTitle = 1;
inline constexpr std::int32_t kSales = 2;
inline constexpr std::int32_t kPrice = 3;
inline constexpr std::int32_t kRank = 4;
inline constexpr std::int32_t kSalesRank = 5;
inline constexpr std::int32_t kDifference = 6;
inline constexpr std::int32_t kVerdict = 7; // drawn red unless it says 正常
inline constexpr std::int32_t kId = 8;      // hidden; the double click reads it
inline constexpr std::array<TColumnSpec, 9> kColumns{{
    {"", 35},
    {texts::kItemHeader, 500},
    {texts::kSalesHeader, 60},
    {texts::kPriceHeader, 55},
    {texts::kRankHeader, 65},
    {texts::kSalesRankHeader, 65},
    {texts::kDifferenceHeader, 50},
    {"", 130},
    {"", 0},
}};
} // namespace ranking

// Whether a verdict of the ranking table warns (drawn red): any but the
// plain one and the one that could not be settled.
bool IsWarningVerdict(std::string_view verdict);

// The sales cell of an item: its figure, or that it could not be read (a 0
// there would rank it as an item that sells nothing).
std::string SalesCell(const TItemInfo& item);

// Shapes one table as the window does when it opens: row count, column
// count, then per column its header and its width.
void SetUpTable(TStringGrid& grid, std::span<const TColumnSpec> columns);

// The three result tables, in the window's order.
void SetUpResultTables(TStringGrid& sgData1, TStringGrid& sgData2, TStringGrid& sgData3);

// The all-items row of one default-pass item: written into the empty bottom
// row, after which the table grows by one empty row. Bound to sgData1 it is
// the crawl's TRunOperations::AddItemRow.
void AddItemRow(TStringGrid& sgData1, const TItemInfo& item);

} // namespace korvane
