#pragma once

#include "StringGrid.h"

#include <cstdint>
#include <string_view>

namespace korvane {

// Modes of TSortGrid::SortColumn.
inline constexpr std::int32_t kSortToggle = 0; // descending unless the column never increases
inline constexpr std::int32_t kSortAscending = 1;
inline constexpr std::int32_t kSortDescending = 2;

// Sorts the data rows of a result table by one column with its own text
// comparison. Stateless.
class TSortGrid {
public:
    TSortGrid() = delete;

    // Whether text a counts as greater than text b: by the number of '|'
    // when either holds one, else by value when both read as decimal numbers,
    // else by bytes (unsigned) when the lengths agree, else by length.
    static bool IsGreater(std::string_view a, std::string_view b);

    // Sorts rows 1 .. row count - 1 by table column dataColumn + 1; table
    // column 0 stays in place. Rows whose table column 2 is empty are never
    // moved up past the current row. Returns true when it sorted descending.
    // A negative or missing column, or an unknown mode, changes nothing.
    static bool SortColumn(TStringGrid& grid, std::int32_t dataColumn, std::int32_t mode);
};

} // namespace korvane
