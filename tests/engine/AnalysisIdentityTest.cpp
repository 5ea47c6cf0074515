// The engine against the loop-for-loop transcription in LiteralAnalysis.h, on
// random inputs full of ties: the tables must agree cell for cell.
#include "LiteralAnalysis.h"
#include "RankAnalysis.h"
#include "ResultTables.h"
#include "SortGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace korvane;

namespace {

using Cells = std::vector<std::vector<std::string>>; // [row][column]

Cells AllCells(const TStringGrid& grid) {
    Cells cells(static_cast<std::size_t>(grid.RowCount()));
    for (std::int32_t r = 0; r < grid.RowCount(); ++r)
        for (std::int32_t c = 0; c < grid.ColumnCount(); ++c)
            cells[static_cast<std::size_t>(r)].push_back(grid.Cell(c, r));
    return cells;
}

void Fill(TStringGrid& grid, const Cells& cells) {
    grid.SetRowCount(static_cast<std::int32_t>(cells.size()));
    grid.SetColumnCount(static_cast<std::int32_t>(cells.front().size()));
    for (std::size_t r = 0; r < cells.size(); ++r)
        for (std::size_t c = 0; c < cells[r].size(); ++c)
            grid.SetCell(static_cast<std::int32_t>(c), static_cast<std::int32_t>(r), cells[r][c]);
}

template <typename T> const T& Pick(std::mt19937& random, const std::vector<T>& pool) {
    return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
}

int Uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

// Sales with many ties: mostly zeros and small counts, a few large ones.
std::int32_t TiedSales(std::mt19937& random) {
    const int roll = Uniform(random, 0, 9);
    if (roll < 4)
        return 0;
    if (roll < 8)
        return Uniform(random, 1, 4);
    if (roll < 9)
        return Uniform(random, -2, 30);
    return Uniform(random, 100, 103);
}

TResultLists RandomLists(std::mt19937& random) {
    TResultLists lists;
    const int count = Uniform(random, 0, 90);
    const int idRange = std::max(1, count * 3 / 4); // duplicates happen
    const bool scrambledRanks = Uniform(random, 0, 2) == 0;
    for (int i = 0; i < count; ++i) {
        TItemInfo item;
        item.ID =
            Uniform(random, 0, 25) == 0 ? "" : "id" + std::to_string(Uniform(random, 0, idRange));
        item.Title = "t" + std::to_string(i);
        item.Price = std::to_string(Uniform(random, 1, 9)) + ".00";
        // Scrambled ranks tie the gaps as well.
        item.Rank = scrambledRanks ? Uniform(random, 1, 6) : i + 1;
        item.Sales = TiedSales(random);
        lists.DefaultList.push_back(item);
    }
    const int listedShare = Uniform(random, 0, 10); // from nothing to everything listed
    for (const TItemInfo& item : lists.DefaultList)
        if (Uniform(random, 0, 9) < listedShare)
            lists.SalesOrderList.push_back({item.ID, "s" + item.Title});
    for (int extra = Uniform(random, 0, 3); extra > 0; --extra)
        lists.SalesOrderList.push_back({"other" + std::to_string(extra), "x"});
    if (Uniform(random, 0, 5) == 0)
        lists.SalesOrderList.push_back({"", "empty"});
    std::shuffle(lists.SalesOrderList.begin(), lists.SalesOrderList.end(), random);
    return lists;
}

TEST(AnalysisIdentity, SortBySalesMatchesTheLiteralLoops) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        TResultLists fast = RandomLists(random);
        if (round % 10 == 0) // longer lists cross many scan blocks
            for (int i = 0; i < 250; ++i)
                fast.DefaultList.push_back(
                    {"L" + std::to_string(i), "", "", i + 100, TiedSales(random), 0, 0});
        TResultLists plain = fast;
        SortBySales(fast);
        literal::SortBySales(plain);
        ASSERT_EQ(fast.SalesSortedList, plain.SalesSortedList) << "round " << round;
    }
}

TEST(AnalysisIdentity, AnalyseRanksAndEndOfRunSortMatchTheLiteralLoops) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TResultLists fast = RandomLists(random);
        TResultLists plain = fast;
        TStringGrid fast1, fast2, fast3, plain1, plain2, plain3;
        SetUpResultTables(fast1, fast2, fast3);
        SetUpResultTables(plain1, plain2, plain3);

        AnalyseRanks(fast, fast2, fast3);
        literal::AnalyseRanks(plain, plain2, plain3);
        ASSERT_EQ(fast.SalesSortedList, plain.SalesSortedList);
        ASSERT_EQ(AllCells(fast2), AllCells(plain2));
        ASSERT_EQ(AllCells(fast3), AllCells(plain3));

        ASSERT_EQ(TSortGrid::SortColumn(fast3, 1, kSortDescending),
                  literal::SortColumn(plain3, 1, kSortDescending));
        ASSERT_EQ(AllCells(fast3), AllCells(plain3));
    }
}

// Cell texts by kind; a column draws from one or more kinds.
const std::vector<std::string> kNumbers = {"0", "1",  "01",  " 1", "1.0", "-1",    "2e0",
                                           ".", "10", "-12", "3",  "+3 ", "1e400", "2"};
const std::vector<std::string> kTexts = {"a",  "b",   "ab", "ba", "\xB1\xA6",
                                         "zz", "a a", "  ", "1x", "e"};
const std::vector<std::string> kPiped = {"|", "a|b", "||", "x|", "|1", "1|2|3"};

Cells RandomTable(std::mt19937& random) {
    const int columns = Uniform(random, 2, 5);
    const int dataRows = Uniform(random, 0, 70);
    // Which kinds meet in this table: numbers only, texts only, or a mix.
    const int mix = Uniform(random, 0, 3);
    const bool blanks = Uniform(random, 0, 1) == 1;
    const auto cell = [&]() -> std::string {
        if (blanks && Uniform(random, 0, 7) == 0)
            return "";
        const int kind = Uniform(random, 0, 9);
        if (kind == 0)
            return Pick(random, kPiped);
        if (mix == 0 || (mix == 2 && kind < 6))
            return Pick(random, kNumbers);
        if (mix == 1 || mix == 2)
            return Pick(random, kTexts);
        return kind < 5 ? Pick(random, kNumbers) : Pick(random, kTexts);
    };
    Cells cells(static_cast<std::size_t>(dataRows + 2),
                std::vector<std::string>(static_cast<std::size_t>(columns)));
    for (int c = 0; c < columns; ++c)
        cells[0][static_cast<std::size_t>(c)] = "h" + std::to_string(c);
    for (int r = 1; r <= dataRows; ++r) {
        cells[static_cast<std::size_t>(r)][0] = std::to_string(r);
        for (int c = 1; c < columns; ++c)
            cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = cell();
    }
    return cells; // the bottom row stays empty
}

TEST(AnalysisIdentity, SortColumnMatchesTheLiteralLoopsInEveryMode) {
    std::mt19937 random(13);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Cells start = RandomTable(random);
        TStringGrid fast, plain;
        Fill(fast, start);
        Fill(plain, start);
        const int columns = fast.ColumnCount();
        // A run of presses and choices on the same table, toggles included.
        for (int press = 0; press < 6; ++press) {
            const std::int32_t column = Uniform(random, -1, columns - 1);
            const std::int32_t mode =
                Uniform(random, 0, 3) == 0 ? kSortDescending : Uniform(random, 0, 2);
            SCOPED_TRACE("column " + std::to_string(column) + " mode " + std::to_string(mode));
            ASSERT_EQ(TSortGrid::SortColumn(fast, column, mode),
                      literal::SortColumn(plain, column, mode));
            ASSERT_EQ(AllCells(fast), AllCells(plain));
        }
    }
}

} // namespace
