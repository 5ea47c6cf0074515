#include "SortGrid.h"

#include "DecimalText.h"
#include "ResultTables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace korvane;

namespace {

struct GreaterCase {
    std::string a;
    std::string b;
    bool greater;
};

TEST(IsGreater, RuleTable) {
    const std::vector<GreaterCase> cases = {
        {"10", "9", true},       // both numbers
        {"10", "9a", false},     // same length, '1' before '9'
        {"a|b", "abcdef", true}, // one separator against none
        {"a|b", "x|y|z", false}, // one against two
        {"||", "|", true},
        {"a|b", "z|y", false}, // equal separator counts: nothing else is compared
        {"z|y", "a|b", false},
        {"|", "", true},
        {"abc", "ab", true}, // longer
        {"ab", "abc", false},
        {"", "", false},
        {" 7 ", "7", false}, // equal values
        {"7", " 7 ", false},
        {"-12", "3", false}, // by value, though longer
        {"3", "-12", true},
        {"1e3", "999", true},
        {".", "-1", true}, // a lone point reads as 0
        {"2.50", "2.5", false},
        {"9", "10a", false},            // not both numbers: longer wins
        {"\xB1\xA6", "\x7A\x7A", true}, // bytes compare unsigned
        {"x", "x", false},
        {"5", "", true}, // the empty text is no number, and shorter
        {"", "5", false},
    };
    for (const GreaterCase& c : cases)
        EXPECT_EQ(TSortGrid::IsGreater(c.a, c.b), c.greater) << "'" << c.a << "' > '" << c.b << "'";
}

struct FloatCase {
    std::string text;
    std::optional<double> value;
};

TEST(TextToFloat, Grammar) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<FloatCase> cases = {
        {"0", 0.0},
        {"12", 12.0},
        {"  12", 12.0},
        {"12  ", 12.0},
        {"+3", 3.0},
        {"-3", -3.0},
        {"1.5", 1.5},
        {".5", 0.5},
        {"5.", 5.0},
        {".", 0.0},
        {"-.", 0.0},
        {"1e3", 1000.0},
        {"1E+3", 1000.0},
        {"2.5e-1", 0.25},
        {"5.e2", 500.0},
        {".e5", 0.0},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e-400", 0.0},
        {"007", 7.0},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"+", std::nullopt},
        {"1e", std::nullopt},
        {"1e+", std::nullopt},
        {"1.2.3", std::nullopt},
        {"- 3", std::nullopt},
        {"1,234", std::nullopt},
        {"12a", std::nullopt},
        {"\t12", std::nullopt},
        {"0x1A", std::nullopt},
        {"1 2", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
    };
    for (const FloatCase& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        const std::optional<double> value = TextToFloat(c.text);
        ASSERT_EQ(value.has_value(), c.value.has_value());
        if (value) {
            EXPECT_EQ(*value, *c.value);
        }
    }
}

// Reads the number grammar with an explicit automaton, a different shape
// from the engine's scanner: spaces, sign, digits, point, digits, exponent
// with sign and digits, spaces.
bool OracleIsNumber(const std::string& text) {
    enum State { Lead, Signed, Whole, Fraction, Exp, ExpSigned, ExpDigits, Trail };
    State state = Lead;
    bool mantissa = false; // a digit or the point seen
    for (const char ch : text) {
        const bool digit = ch >= '0' && ch <= '9';
        switch (state) {
        case Lead:
        case Signed:
            if (ch == ' ' && state == Lead)
                break;
            if ((ch == '+' || ch == '-') && state == Lead)
                state = Signed;
            else if (digit)
                state = Whole;
            else if (ch == '.')
                state = Fraction;
            else
                return false;
            mantissa = mantissa || digit || ch == '.';
            break;
        case Whole:
        case Fraction:
            if (digit)
                break;
            if (ch == '.' && state == Whole)
                state = Fraction;
            else if (ch == 'e' || ch == 'E')
                state = Exp;
            else if (ch == ' ')
                state = Trail;
            else
                return false;
            break;
        case Exp:
            if (ch == '+' || ch == '-')
                state = ExpSigned;
            else if (digit)
                state = ExpDigits;
            else
                return false;
            break;
        case ExpSigned:
            if (!digit)
                return false;
            state = ExpDigits;
            break;
        case ExpDigits:
            if (ch == ' ')
                state = Trail;
            else if (!digit)
                return false;
            break;
        case Trail:
            if (ch != ' ')
                return false;
            break;
        }
    }
    return mantissa &&
           (state == Whole || state == Fraction || state == ExpDigits || state == Trail);
}

// IsGreater written from the rules, to check the engine's own reading on
// many random texts.
bool OracleIsGreater(const std::string& a, const std::string& b) {
    const auto pipes = [](const std::string& text) {
        return std::count(text.begin(), text.end(), '|');
    };
    if (pipes(a) > 0 || pipes(b) > 0)
        return pipes(a) > pipes(b);
    if (OracleIsNumber(a) && OracleIsNumber(b)) // strtod reads "." and ".e5" as 0 too
        return std::strtod(a.c_str(), nullptr) > std::strtod(b.c_str(), nullptr);
    if (a.size() == b.size())
        return std::lexicographical_compare(
            b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    return a.size() > b.size();
}

std::string RandomCellText(std::mt19937& random) {
    static const std::string alphabet = "0123456789.+-eE |a\xB1";
    std::uniform_int_distribution<std::size_t> length(0, 6);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text;
    for (std::size_t n = length(random); n > 0; --n)
        text.push_back(alphabet[pick(random)]);
    return text;
}

TEST(IsGreater, AgreesWithTheRulesOnRandomTexts) {
    std::mt19937 random(20120915);
    for (int n = 0; n < 20000; ++n) {
        const std::string a = RandomCellText(random);
        const std::string b = RandomCellText(random);
        ASSERT_EQ(TSortGrid::IsGreater(a, b), OracleIsGreater(a, b))
            << "'" << a << "' > '" << b << "'";
    }
}

// A ranking-like table: column 1 a label, column 2 the sort values, the
// running numbers in column 0, the empty bottom row last.
void FillTable(TStringGrid& grid, const std::vector<std::string>& values) {
    grid.SetColumnCount(4);
    grid.SetRowCount(static_cast<std::int32_t>(values.size()) + 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto row = static_cast<std::int32_t>(i + 1);
        grid.SetCell(0, row, std::to_string(row));
        grid.SetCell(1, row, "row" + std::to_string(row));
        grid.SetCell(2, row, values[i]);
        grid.SetCell(3, row, "x" + std::to_string(row));
    }
}

std::vector<std::string> Column(const TStringGrid& grid, std::int32_t column) {
    std::vector<std::string> cells;
    for (std::int32_t r = 1; r < grid.RowCount(); ++r)
        cells.push_back(grid.Cell(column, r));
    return cells;
}

using ::testing::ElementsAre;

TEST(SortColumn, EqualRowsReverseWhenAscendingAndBackOnTheNextPress) {
    TStringGrid grid;
    FillTable(grid, {"5", "5", "5"});
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 1, kSortToggle)); // never increases: ascending
    EXPECT_THAT(Column(grid, 1), ElementsAre("row3", "row2", "row1", ""));
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 1, kSortToggle));
    EXPECT_THAT(Column(grid, 1), ElementsAre("row1", "row2", "row3", ""));
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 1, kSortAscending));
    EXPECT_THAT(Column(grid, 1), ElementsAre("row3", "row2", "row1", ""));
    EXPECT_TRUE(TSortGrid::SortColumn(grid, 1, kSortDescending)); // ties never swap
    EXPECT_THAT(Column(grid, 1), ElementsAre("row3", "row2", "row1", ""));
}

TEST(SortColumn, ToggleAlternatesAndKeepsRunningNumbersAndBottomRow) {
    TStringGrid grid;
    FillTable(grid, {"3", "-12", "40", "0"});
    EXPECT_TRUE(TSortGrid::SortColumn(grid, 1, kSortToggle));
    EXPECT_THAT(Column(grid, 2), ElementsAre("40", "3", "0", "-12", ""));
    EXPECT_THAT(Column(grid, 0), ElementsAre("1", "2", "3", "4", ""));
    EXPECT_THAT(Column(grid, 3), ElementsAre("x3", "x1", "x4", "x2", ""));
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 1, kSortToggle));
    EXPECT_THAT(Column(grid, 2), ElementsAre("-12", "0", "3", "40", ""));
    EXPECT_THAT(Column(grid, 0), ElementsAre("1", "2", "3", "4", ""));
    EXPECT_TRUE(TSortGrid::SortColumn(grid, 1, kSortToggle));
    EXPECT_THAT(Column(grid, 2), ElementsAre("40", "3", "0", "-12", ""));
}

TEST(SortColumn, RowGuardSkipsRowsEmptyInTableColumnTwo) {
    // Sorting by column 3 ascending: rows empty in column 2 are never swapped
    // in from below, so the bottom row stays last even though its empty
    // value is the least; a data row empty there is moved only as row i.
    TStringGrid grid(4, 5);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"1", "c"}, {"", "a"}, {"2", "b"}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        grid.SetCell(2, static_cast<std::int32_t>(i + 1), rows[i].first);
        grid.SetCell(3, static_cast<std::int32_t>(i + 1), rows[i].second);
    }
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 2, kSortAscending));
    // i=0: j=1 skipped, j=2 "b" not greater than "c": swap -> b,(empty a),c
    // i=1: j=2 "c" greater than "a": no swap.
    EXPECT_THAT(Column(grid, 3), ElementsAre("b", "a", "c", ""));
    EXPECT_THAT(Column(grid, 2), ElementsAre("2", "", "1", ""));
}

TEST(SortColumn, TablesWithoutDataAndGuardedArguments) {
    TStringGrid empty(9, 2);
    for (std::int32_t mode : {kSortToggle, kSortAscending, kSortDescending})
        for (std::int32_t column = 0; column < 8; ++column) {
            TSortGrid::SortColumn(empty, column, mode);
            EXPECT_EQ(empty.RowCount(), 2);
            for (std::int32_t c = 0; c < 9; ++c)
                EXPECT_EQ(empty.Cell(c, 1), "");
        }

    TStringGrid grid;
    FillTable(grid, {"1", "2"});
    EXPECT_FALSE(TSortGrid::SortColumn(grid, -1, kSortDescending)); // header of column 0
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 3, kSortDescending));  // past the last column
    EXPECT_FALSE(TSortGrid::SortColumn(grid, 1, 3));                // no such mode
    EXPECT_THAT(Column(grid, 2), ElementsAre("1", "2", ""));
    EXPECT_TRUE(TSortGrid::SortColumn(grid, 1, kSortDescending));
    EXPECT_THAT(Column(grid, 2), ElementsAre("2", "1", ""));
}

TEST(SortColumn, ByDifferenceComparesValues) {
    TStringGrid sgData3;
    SetUpTable(sgData3, ranking::kColumns);
    for (const char* difference : {"-12", "3", "0"}) {
        const std::int32_t row = sgData3.RowCount() - 1;
        sgData3.SetCell(ranking::kSales, row, "1");
        sgData3.SetCell(ranking::kDifference, row, difference);
        sgData3.SetRowCount(row + 2);
    }
    EXPECT_TRUE(TSortGrid::SortColumn(sgData3, ranking::kDifference - 1, kSortDescending));
    EXPECT_THAT(Column(sgData3, ranking::kDifference), ElementsAre("3", "0", "-12", ""));
}

TEST(SortColumn, MixedNumbersAndTextsFollowIsGreaterPairwise) {
    // "9" > " 1" > "a" > "9": no order exists, so the swaps decide.
    TStringGrid grid;
    FillTable(grid, {"a", " 1", "9", "|"});
    EXPECT_TRUE(TSortGrid::SortColumn(grid, 1, kSortDescending));
    // i=0: " 1" beats "a", "9" beats " 1", "|" beats "9": |, a, " 1", 9
    // i=1: " 1" beats "a", then "9" beats " 1": |, 9, a, " 1"
    // i=2: " 1" beats "a": |, 9, " 1", a
    EXPECT_THAT(Column(grid, 2), ElementsAre("|", "9", " 1", "a", ""));
}

} // namespace
