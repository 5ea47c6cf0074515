#include "ExchangeSort.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <utility>

namespace korvane {

namespace {

// Positions scanned per step of the swap-by-swap search. A block with no
// candidate is passed over with one branch; the flag reduction vectorises.
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

// The sort run swap by swap. Needed when elements that may not be swapped in
// stand between the others; quadratic.
std::vector<std::int32_t> SimulateSwaps(std::span<const std::int32_t> keys, TTieSwap ties,
                                        std::span<const std::uint8_t> skipLater) {
    const std::size_t n = keys.size();
    // real holds each position's key; probe the same, or -1 where the element
    // may not be swapped in, so that one comparison decides both.
    std::vector<std::int32_t> real(keys.begin(), keys.end());
    std::vector<std::int32_t> probe(real);
    for (std::size_t p = 0; p < skipLater.size(); ++p)
        if (skipLater[p] != 0)
            probe[p] = -1;
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

// Counts of marked positions, for "how many lie beyond p".
class TPositionCounts {
public:
    explicit TPositionCounts(std::size_t n) : Tree(n + 1) {}
    void Mark(std::size_t position) {
        for (std::size_t i = position + 1; i < Tree.size(); i += i & (~i + 1))
            ++Tree[i];
        ++Total;
    }
    std::int64_t Beyond(std::size_t position) const {
        std::int64_t upTo = 0;
        for (std::size_t i = position + 1; i > 0; i -= i & (~i + 1))
            upTo += Tree[i];
        return Total - upTo;
    }

private:
    std::vector<std::int32_t> Tree; // Fenwick tree over positions
    std::int64_t Total = 0;
};

// The strict sort (ties never swap), without swapping.
//
// It is a fixed sequence of compare-exchanges (i, j), so for one key v the
// path of the elements equal to v is the same as when every smaller key is
// replaced by 0 and every greater one by 2 (swaps within a class move no
// v-element). In that 0/v/2 sequence step i moves at most one v-element: the
// first v of the suffix jumps to the first 2 when it stands before it, and
// that 2 goes to i; while 2s remain. Afterwards the v-elements come out in
// the order they then stand. The 2s never move but to i, so the jump targets
// are simply the greater elements' starting positions, in order. Taking the
// first v each time and putting it at the next target, over the positions
// of the v-elements merged with those targets, the elements end up on the
// last c of them (c the number of v-elements); past the last v-element's
// own position the sequence only repeats with period c.
std::vector<std::int32_t> ByTieClasses(std::span<const std::int32_t> keys) {
    const std::size_t n = keys.size();
    std::vector<std::int32_t> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&](std::int32_t a, std::int32_t b) {
        const std::int32_t ka = keys[static_cast<std::size_t>(a)];
        const std::int32_t kb = keys[static_cast<std::size_t>(b)];
        return ka != kb ? ka > kb : a < b;
    });

    std::vector<std::uint64_t> greater((n + 63) / 64); // positions of greater keys
    TPositionCounts greaterCounts(n);
    std::vector<std::int32_t> order;
    order.reserve(n);
    std::vector<std::int32_t> merged; // who stands at each merged position

    for (std::size_t first = 0; first < n;) {
        std::size_t end = first + 1;
        while (end < n && keys[static_cast<std::size_t>(byKey[end])] ==
                              keys[static_cast<std::size_t>(byKey[first])])
            ++end;
        const std::span<const std::int32_t> own(byKey.data() + first, end - first);
        const auto c = static_cast<std::int64_t>(own.size());

        if (c == 1) {
            order.push_back(own[0]);
        } else {
            // Merge own positions with the greater ones between the first and
            // the last of them. A target takes whoever stood at the merged
            // position (its index among targets) it is filled from.
            merged.clear();
            std::size_t ownSeen = 0;
            const auto addOwnUpTo = [&](std::int64_t position) {
                while (ownSeen < own.size() && own[ownSeen] < position)
                    merged.push_back(own[ownSeen++]);
            };
            const auto low = static_cast<std::size_t>(own.front()) + 1;
            const auto high = static_cast<std::size_t>(own.back()); // exclusive
            for (std::size_t word = low / 64; low < high && word <= (high - 1) / 64; ++word) {
                std::uint64_t bits = greater[word];
                if (word == low / 64)
                    bits &= ~std::uint64_t{0} << (low % 64);
                if (word == (high - 1) / 64 && (high - 1) % 64 != 63)
                    bits &= (std::uint64_t{1} << ((high - 1) % 64 + 1)) - 1;
                while (bits != 0) {
                    const auto position =
                        static_cast<std::int64_t>(word * 64 + std::countr_zero(bits));
                    bits &= bits - 1;
                    addOwnUpTo(position);
                    const std::int32_t filledFrom = merged[merged.size() - ownSeen];
                    merged.push_back(filledFrom);
                }
            }
            addOwnUpTo(static_cast<std::int64_t>(n));

            const auto lastOwn = static_cast<std::int64_t>(merged.size()); // 1-based index
            const std::int64_t targets =
                (lastOwn - c) + greaterCounts.Beyond(static_cast<std::size_t>(own.back()));
            for (std::int64_t k = targets + 1; k <= targets + c; ++k) {
                std::int64_t at = k;
                if (at > lastOwn)
                    at -= c * ((at - lastOwn + c - 1) / c);
                order.push_back(merged[static_cast<std::size_t>(at - 1)]);
            }
        }

        for (const std::int32_t position : own) {
            const auto p = static_cast<std::size_t>(position);
            greater[p / 64] |= std::uint64_t{1} << (p % 64);
            greaterCounts.Mark(p);
        }
        first = end;
    }
    return order;
}

// The sort that swaps ties too, without swapping: by the same reduction the
// equal elements keep their order while 2s remain and then come out last
// first, so they end reversed.
std::vector<std::int32_t> TiesReversed(std::span<const std::int32_t> keys) {
    std::vector<std::int32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        const std::int32_t ka = keys[static_cast<std::size_t>(a)];
        const std::int32_t kb = keys[static_cast<std::size_t>(b)];
        return ka != kb ? ka > kb : a > b;
    });
    return order;
}

} // namespace

std::vector<std::int32_t> ExchangeSortOrder(std::span<const std::int32_t> keys, TTieSwap ties,
                                            std::span<const std::uint8_t> skipLater) {
    const std::size_t n = keys.size();
    if (!skipLater.empty() && skipLater.size() != n)
        throw std::invalid_argument("one skip flag per element");
    if (std::any_of(keys.begin(), keys.end(), [](std::int32_t key) { return key < 0; }))
        throw std::invalid_argument("exchange sort keys are non-negative");

    // Trailing elements that may not be swapped in never move and never take
    // part (the empty bottom row of a table).
    std::size_t active = n;
    while (active > 0 && !skipLater.empty() && skipLater[active - 1] != 0)
        --active;
    const bool skipsAmongActive =
        !skipLater.empty() &&
        std::any_of(skipLater.begin(), skipLater.begin() + static_cast<std::ptrdiff_t>(active),
                    [](std::uint8_t skip) { return skip != 0; });
    if (skipsAmongActive)
        return SimulateSwaps(keys, ties, skipLater);

    const std::span<const std::int32_t> head = keys.first(active);
    std::vector<std::int32_t> order =
        ties == TTieSwap::Yes ? TiesReversed(head) : ByTieClasses(head);
    for (std::size_t p = active; p < n; ++p)
        order.push_back(static_cast<std::int32_t>(p));
    return order;
}

} // namespace korvane
