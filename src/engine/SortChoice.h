#pragma once

#include "ResultTexts.h"
#include "SortGrid.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvane {

// One entry of the ranking tab's sort list and the SortColumn call it makes.
struct TSortChoice {
    std::string_view Text; // GBK
    std::int32_t DataColumn;
    std::int32_t Mode;
};

inline constexpr std::array<TSortChoice, 3> kSortChoices{{
    {texts::kSortGapDescending, 5, kSortDescending}, // by 差值, descending
    {texts::kSortGapAscending, 5, kSortAscending},   // by 差值, ascending
    {texts::kSortBySales, 1, kSortDescending},       // by 成交量, descending
}};

// Selected when the window opens.
inline constexpr std::size_t kInitialSortChoice = 2;

// The end of every run orders the ranking table as the sales choice does.
inline constexpr TSortChoice kEndOfRunSort = kSortChoices[2];

// Applies the choice at index; an index outside the list (none selected)
// sorts nothing.
inline void ApplySortChoice(TStringGrid& sgData3, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kSortChoices.size())
        return;
    const TSortChoice& choice = kSortChoices[static_cast<std::size_t>(index)];
    TSortGrid::SortColumn(sgData3, choice.DataColumn, choice.Mode);
}

} // namespace korvane
