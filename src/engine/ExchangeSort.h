#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <span>
#include <vector>

namespace korvane {

// Whether rows of equal keys are swapped too.
enum class TTieSwap { No, Yes };

// The exchange sort that orders the result lists and tables: for each
// position i, and within it each later position j, the element at j is
// swapped with the one at i when its key is greater (or, with TTieSwap::Yes,
// greater or equal). It is not stable, and which of equal keys ends first
// depends on the whole swap sequence. This gives exactly the order those
// swaps leave, in O(n log n) plus the work of untangling the ties, and falls
// back to running the swaps when skip flags stand between other elements.
//
// Keys are non-negative (dense ranks, see below). skipLater (empty, or one
// 0/1 flag per element) marks elements that are never swapped in as the later
// element j; the flag travels with its element. The result lists, for every
// final position, the original index of the element that ends there.
std::vector<std::int32_t> ExchangeSortOrder(std::span<const std::int32_t> keys, TTieSwap ties,
                                            std::span<const std::uint8_t> skipLater = {});

// Dense ranks 0, 1, 2, ... of count elements under less, a strict weak order
// over element indices: equal elements share a rank, and rank(a) < rank(b)
// exactly when less(a, b).
template <typename Less> std::vector<std::int32_t> DenseRanks(std::size_t count, Less less) {
    std::vector<std::int32_t> byKey(count);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), less);
    std::vector<std::int32_t> ranks(count);
    std::int32_t rank = 0;
    for (std::size_t p = 0; p < count; ++p) {
        if (p > 0 && less(byKey[p - 1], byKey[p]))
            ++rank;
        ranks[static_cast<std::size_t>(byKey[p])] = rank;
    }
    return ranks;
}

} // namespace korvane
