#include "SortGrid.h"

#include "DecimalText.h"
#include "ExchangeSort.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace korvane {

namespace {

enum class TCellKind : std::uint8_t { Empty, Number, Text };

// A cell read once for IsGreater, so a sort parses each text once rather
// than twice per comparison.
struct TCellKey {
    std::string_view Bytes;
    std::size_t Pipes = 0;
    TCellKind Kind = TCellKind::Empty;
    double Value = 0.0;
};

TCellKey MakeKey(std::string_view text) {
    TCellKey key;
    key.Bytes = text;
    key.Pipes = static_cast<std::size_t>(std::count(text.begin(), text.end(), '|'));
    if (text.empty()) {
        key.Kind = TCellKind::Empty;
    } else if (const std::optional<double> value = TextToFloat(text)) {
        key.Kind = TCellKind::Number;
        key.Value = *value;
    } else {
        key.Kind = TCellKind::Text;
    }
    return key;
}

bool IsGreaterKey(const TCellKey& a, const TCellKey& b) {
    if (a.Pipes > 0 || b.Pipes > 0)
        return a.Pipes > b.Pipes;
    if (a.Kind == TCellKind::Number && b.Kind == TCellKind::Number)
        return a.Value > b.Value;
    if (a.Bytes.size() == b.Bytes.size())
        return a.Bytes > b.Bytes; // char_traits<char> compares bytes as unsigned
    return a.Bytes.size() > b.Bytes.size();
}

// IsGreater is no order in general: "9" > " 1" by value, " 1" > "a" by
// length, "a" > "9" by bytes. It is one, consistent with ranks, unless
// numbers and other non-empty texts without '|' meet in one column: '|'
// texts rank by their count alone, the empty text lies below everything, and
// numbers among themselves or texts among themselves are totally ordered.
bool RanksAgreeWithIsGreater(const std::vector<TCellKey>& keys) {
    bool numbers = false;
    bool texts = false;
    for (const TCellKey& key : keys) {
        if (key.Pipes > 0)
            continue;
        numbers = numbers || key.Kind == TCellKind::Number;
        texts = texts || key.Kind == TCellKind::Text;
    }
    return !(numbers && texts);
}

// The toggle's test in general: a row holding a greater value than one above.
bool SomeLaterGreater(const std::vector<TCellKey>& keys) {
    for (std::size_t i = 0; i < keys.size(); ++i)
        for (std::size_t j = i + 1; j < keys.size(); ++j)
            if (IsGreaterKey(keys[j], keys[i]))
                return true;
    return false;
}

// The exchange sort with IsGreater itself, for columns that mix numbers and
// texts. Moves row indices, not rows.
std::vector<std::int32_t> ExchangeSortPairwise(const std::vector<TCellKey>& keys, bool descending,
                                               const std::vector<std::uint8_t>& skipLater) {
    std::vector<std::int32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const auto later = static_cast<std::size_t>(order[j]);
            if (skipLater[later] != 0)
                continue;
            const bool greater =
                IsGreaterKey(keys[later], keys[static_cast<std::size_t>(order[i])]);
            if (greater == descending)
                std::swap(order[i], order[j]);
        }
    }
    return order;
}

bool IsIdentity(const std::vector<std::int32_t>& order) {
    for (std::size_t p = 0; p < order.size(); ++p)
        if (order[p] != static_cast<std::int32_t>(p))
            return false;
    return true;
}

// Table column 2, the sales column of the ranking table: a row empty there
// (the empty bottom row) is never swapped in.
constexpr std::int32_t kGuardColumn = 2;

} // namespace

bool TSortGrid::IsGreater(std::string_view a, std::string_view b) {
    return IsGreaterKey(MakeKey(a), MakeKey(b));
}

bool TSortGrid::SortColumn(TStringGrid& grid, std::int32_t dataColumn, std::int32_t mode) {
    if (dataColumn < 0)
        return false;
    const std::int32_t dataColumns = grid.ColumnCount() - 1;
    if (dataColumn >= dataColumns || mode < kSortToggle || mode > kSortDescending)
        return false;
    const auto rows = static_cast<std::size_t>(grid.RowCount() - 1);

    // Views into the grid's cells: nothing writes to it before ReorderRows.
    std::vector<TCellKey> keys(rows);
    std::vector<std::uint8_t> skipLater(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const auto row = static_cast<std::int32_t>(r + 1);
        keys[r] = MakeKey(grid.Cell(dataColumn + 1, row));
        skipLater[r] = grid.Cell(kGuardColumn, row).empty() ? 1 : 0;
    }

    bool descending = mode == kSortDescending;
    std::vector<std::int32_t> order;
    if (RanksAgreeWithIsGreater(keys)) {
        std::vector<std::int32_t> ranks = DenseRanks(rows, [&](std::int32_t a, std::int32_t b) {
            return IsGreaterKey(keys[static_cast<std::size_t>(b)],
                                keys[static_cast<std::size_t>(a)]);
        });
        // Under a total preorder "no later row is greater" is "no row is
        // greater than the one right above it".
        if (mode == kSortToggle)
            descending = std::adjacent_find(ranks.begin(), ranks.end(),
                                            [](std::int32_t above, std::int32_t below) {
                                                return below > above;
                                            }) != ranks.end();
        if (!descending) {
            // Ascending swaps whenever the later row is not greater: flip the
            // ranks and swap on ties.
            const std::int32_t top =
                ranks.empty() ? 0 : *std::max_element(ranks.begin(), ranks.end());
            for (std::int32_t& rank : ranks)
                rank = top - rank;
        }
        order = ExchangeSortOrder(ranks, descending ? TTieSwap::No : TTieSwap::Yes, skipLater);
    } else {
        if (mode == kSortToggle)
            descending = SomeLaterGreater(keys);
        order = ExchangeSortPairwise(keys, descending, skipLater);
    }

    if (!IsIdentity(order))
        grid.ReorderRows(1, order, 1);
    return descending;
}

} // namespace korvane
