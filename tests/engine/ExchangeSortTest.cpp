#include "ExchangeSort.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

using namespace korvane;

namespace {

// The sort as stated: for i, for j > i, swap when j's key beats i's.
std::vector<std::int32_t> SwapBySwap(std::vector<std::int32_t> keys, TTieSwap ties,
                                     std::vector<std::uint8_t> skip) {
    const std::size_t n = keys.size();
    std::vector<std::int32_t> order(n);
    for (std::size_t p = 0; p < n; ++p)
        order[p] = static_cast<std::int32_t>(p);
    if (skip.empty())
        skip.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            if (skip[j] != 0)
                continue;
            const bool beats = ties == TTieSwap::Yes ? keys[j] >= keys[i] : keys[j] > keys[i];
            if (beats) {
                std::swap(keys[i], keys[j]);
                std::swap(skip[i], skip[j]);
                std::swap(order[i], order[j]);
            }
        }
    return order;
}

TEST(ExchangeSortOrder, SameOrderAsTheSwapsOnRandomKeys) {
    std::mt19937 random(3);
    for (int round = 0; round < 3000; ++round) {
        const auto n = static_cast<std::size_t>(random() % (round % 10 == 0 ? 400 : 70));
        const auto distinct = static_cast<std::int32_t>(1 + random() % (round % 3 == 0 ? 400 : 6));
        std::vector<std::int32_t> keys(n);
        for (std::int32_t& key : keys)
            key = static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(distinct));
        // No flags, a skipped tail like a table's bottom row, or flags anywhere.
        std::vector<std::uint8_t> skip;
        const int flags = round % 3;
        if (flags > 0) {
            skip.assign(n, 0);
            for (std::size_t p = 0; p < n; ++p)
                skip[p] = flags == 2 ? (random() % 6 == 0 ? 1 : 0) : (p + 2 >= n ? 1 : 0);
        }
        for (const TTieSwap ties : {TTieSwap::No, TTieSwap::Yes})
            ASSERT_EQ(ExchangeSortOrder(keys, ties, skip), SwapBySwap(keys, ties, skip))
                << "round " << round << (ties == TTieSwap::Yes ? " ties swap" : "");
    }
}

TEST(ExchangeSortOrder, SameOrderOnLongPatternedKeys) {
    const std::size_t n = 3000;
    std::vector<std::vector<std::int32_t>> patterns(4, std::vector<std::int32_t>(n));
    for (std::size_t p = 0; p < n; ++p) {
        patterns[0][p] = static_cast<std::int32_t>(p);                // ascending: every j beats i
        patterns[1][p] = static_cast<std::int32_t>(p % 37);           // saw-tooth ties
        patterns[2][p] = static_cast<std::int32_t>(n - p) / 5;        // descending runs of ties
        patterns[3][p] = static_cast<std::int32_t>((p * 7919) % 101); // scattered ties
    }
    for (const std::vector<std::int32_t>& keys : patterns)
        for (const TTieSwap ties : {TTieSwap::No, TTieSwap::Yes})
            ASSERT_EQ(ExchangeSortOrder(keys, ties), SwapBySwap(keys, ties, {}));
}

TEST(ExchangeSortOrder, RefusesWhatItCannotOrder) {
    const std::vector<std::int32_t> keys{1, 0, 2};
    EXPECT_THROW(ExchangeSortOrder(std::vector<std::int32_t>{1, -1}, TTieSwap::No),
                 std::invalid_argument);
    EXPECT_THROW(ExchangeSortOrder(keys, TTieSwap::No, std::vector<std::uint8_t>{0, 1}),
                 std::invalid_argument);
    EXPECT_TRUE(ExchangeSortOrder(std::vector<std::int32_t>{}, TTieSwap::Yes).empty());
}

} // namespace
