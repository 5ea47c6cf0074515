#include "ExchangeSort.h"

#include <algorithm>
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

// Counts of marked positions, for "how many lie up to p".
class TPositionCounts {
public:
    explicit TPositionCounts(std::size_t n) : Tree(n + 1) {}
    void Mark(std::size_t position) {
        for (std::size_t i = position + 1; i < Tree.size(); i += i & (~i + 1))
            ++Tree[i];
    }
    std::int64_t UpTo(std::size_t position) const {
        std::int64_t count = 0;
        for (std::size_t i = position + 1; i > 0; i -= i & (~i + 1))
            count += Tree[i];
        return count;
    }

private:
    std::vector<std::int32_t> Tree; // Fenwick tree over positions
};

// The elements of one key class as the swaps leave them: a ring read from
// its front, which a greater element turns by one and an equal element joins
// at the back.
class TTieRing {
public:
    void Clear() {
        Ring.clear();
        Front = 0;
    }
    void Turn(std::int64_t steps) {
        Front = static_cast<std::size_t>((static_cast<std::int64_t>(Front) + steps) %
                                         static_cast<std::int64_t>(Ring.size()));
    }
    void Join(std::int32_t element) {
        // The back is just before the front; with the front at 0 it is the end.
        if (Front == 0) {
            Ring.push_back(element);
            return;
        }
        Ring.insert(Ring.begin() + static_cast<std::ptrdiff_t>(Front), element);
        ++Front;
    }
    void AppendTo(std::vector<std::int32_t>& order) const {
        order.insert(order.end(), Ring.begin() + static_cast<std::ptrdiff_t>(Front), Ring.end());
        order.insert(order.end(), Ring.begin(), Ring.begin() + static_cast<std::ptrdiff_t>(Front));
    }

private:
    std::vector<std::int32_t> Ring;
    std::size_t Front = 0;
};

// The strict sort (ties never swap), without swapping.
//
// It is a fixed sequence of compare-exchanges (i, j), so for one key v the
// path of the elements equal to v is the same as when every smaller key is
// replaced by 0 and every greater one by 2 (swaps within a class move no
// v-element). In that 0/v/2 sequence, the v-elements seen so far form a ring:
// at each greater element the ring's front goes on to fill the place the 2
// leaves and the next v-element becomes the front, and a further v-element
// joins at the back. Greater elements before the first v-element never meet
// one; those after the last keep turning the ring. The ring, read from its
// front, is the order the class ends in; greater classes come first.
std::vector<std::int32_t> ByTieClasses(std::span<const std::int32_t> keys) {
    const std::size_t n = keys.size();
    std::vector<std::int32_t> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&](std::int32_t a, std::int32_t b) {
        const std::int32_t ka = keys[static_cast<std::size_t>(a)];
        const std::int32_t kb = keys[static_cast<std::size_t>(b)];
        return ka != kb ? ka > kb : a < b;
    });

    TPositionCounts greater(n); // positions of greater keys
    std::vector<std::int32_t> order;
    order.reserve(n);
    TTieRing ring;

    for (std::size_t first = 0; first < n;) {
        std::size_t end = first + 1;
        while (end < n && keys[static_cast<std::size_t>(byKey[end])] ==
                              keys[static_cast<std::size_t>(byKey[first])])
            ++end;
        const std::span<const std::int32_t> own(byKey.data() + first, end - first);

        ring.Clear();
        std::int64_t greaterBefore = greater.UpTo(static_cast<std::size_t>(own[0]));
        ring.Join(own[0]);
        for (std::size_t k = 1; k < own.size(); ++k) {
            const std::int64_t upTo = greater.UpTo(static_cast<std::size_t>(own[k]));
            ring.Turn(upTo - greaterBefore);
            ring.Join(own[k]);
            greaterBefore = upTo;
        }
        // Every element before this class in byKey is greater.
        ring.Turn(static_cast<std::int64_t>(first) - greaterBefore);
        ring.AppendTo(order);

        for (const std::int32_t position : own)
            greater.Mark(static_cast<std::size_t>(position));
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
