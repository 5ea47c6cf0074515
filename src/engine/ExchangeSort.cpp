#include "ExchangeSort.h"

#include <stdexcept>
#include <utility>

namespace korvane {

namespace {

// Positions scanned per step of the fast search. A block with no candidate is
// passed over with one branch; the flag reduction inside it vectorises.
constexpr std::size_t kScanBlock = 16;

// First position from `from` on whose key is greater than bar, or keys.size().
std::size_t NextAbove(const std::vector<std::int32_t>& keys, std::size_t from, std::int32_t bar) {
    const std::size_t n = keys.size();
    const std::int32_t* key = keys.data();
    std::size_t j = from;
    while (j + kScanBlock <= n) {
        int hit = 0;
        for (std::size_t k = 0; k < kScanBlock; ++k)
            hit |= key[j + k] > bar ? 1 : 0;
        if (hit != 0)
            break;
        j += kScanBlock;
    }
    while (j < n && key[j] <= bar)
        ++j;
    return j;
}

} // namespace

std::vector<std::int32_t> ExchangeSortOrder(std::span<const std::int32_t> keys, TTieSwap ties,
                                            std::span<const std::uint8_t> skipLater) {
    const std::size_t n = keys.size();
    if (!skipLater.empty() && skipLater.size() != n)
        throw std::invalid_argument("one skip flag per element");
    // real holds each position's key; probe the same, or -1 where the element
    // may not be swapped in, so that one comparison decides both.
    std::vector<std::int32_t> real(keys.begin(), keys.end());
    std::vector<std::int32_t> probe(real);
    for (std::size_t p = 0; p < n; ++p) {
        if (real[p] < 0)
            throw std::invalid_argument("exchange sort keys are non-negative");
        if (!skipLater.empty() && skipLater[p])
            probe[p] = -1;
    }
    std::vector<std::int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    // key >= cur is key > cur - 1 on integers; a probe of -1 passes neither
    // bar, since real keys are non-negative.
    const std::int32_t tieShift = ties == TTieSwap::Yes ? 1 : 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        std::int32_t bar = real[i] - tieShift;
        for (std::size_t j = NextAbove(probe, i + 1, bar); j < n;
             j = NextAbove(probe, j + 1, bar)) {
            std::swap(real[i], real[j]);
            std::swap(probe[i], probe[j]);
            std::swap(order[i], order[j]);
            bar = real[i] - tieShift;
        }
    }
    return order;
}

} // namespace korvane
