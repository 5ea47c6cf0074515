#include "StringGrid.h"
#include "MyUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace korvane;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Writes down every notice as a short line.
class NoticeLog : public TStringGridObserver {
public:
    std::vector<std::string> Lines;

    void CellChanged(std::int32_t c, std::int32_t r) override { Add("cell", c, r); }
    void CellsChanged(std::int32_t c0, std::int32_t r0, std::int32_t c1, std::int32_t r1) override {
        Add("cells", c0, r0);
        Lines.back() += " " + std::to_string(c1) + " " + std::to_string(r1);
    }
    void RowCountAboutToChange(std::int32_t o, std::int32_t n) override { Add("rows?", o, n); }
    void RowCountChanged(std::int32_t o, std::int32_t n) override { Add("rows", o, n); }
    void ColumnCountAboutToChange(std::int32_t o, std::int32_t n) override { Add("cols?", o, n); }
    void ColumnCountChanged(std::int32_t o, std::int32_t n) override { Add("cols", o, n); }
    void ColumnWidthChanged(std::int32_t c) override {
        Lines.push_back("width " + std::to_string(c));
    }
    void AboutToReset() override { Lines.push_back("reset?"); }
    void Reset() override { Lines.push_back("reset"); }

private:
    void Add(const char* what, std::int32_t a, std::int32_t b) {
        Lines.push_back(std::string(what) + " " + std::to_string(a) + " " + std::to_string(b));
    }
};

TEST(StringGrid, CellsCountsAndWidths) {
    TStringGrid grid(3, 2);
    EXPECT_EQ(grid.ColumnCount(), 3);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.ColumnWidth(2), TStringGrid::kDefaultColumnWidth);

    grid.SetCell(2, 1, "\xB1\xA6\xB1\xB4"); // GBK bytes are stored as they are
    grid.SetCell(0, 0, "hdr");
    EXPECT_EQ(grid.Cell(2, 1), "\xB1\xA6\xB1\xB4");
    EXPECT_EQ(grid.Cell(0, 0), "hdr");
    EXPECT_EQ(grid.Cell(1, 1), "");

    // Outside the grid: reads are empty, writes are refused.
    EXPECT_EQ(grid.Cell(3, 0), "");
    EXPECT_EQ(grid.Cell(0, 2), "");
    EXPECT_EQ(grid.Cell(-1, 0), "");
    EXPECT_THROW(grid.SetCell(3, 0, "x"), std::out_of_range);
    EXPECT_THROW(grid.SetCell(0, 2, "x"), std::out_of_range);
    EXPECT_THROW(grid.SetCell(0, -1, "x"), std::out_of_range);

    grid.SetColumnWidth(1, 0);
    EXPECT_TRUE(grid.IsColumnHidden(1));
    EXPECT_FALSE(grid.IsColumnHidden(2));
    EXPECT_THROW(grid.SetColumnWidth(1, -5), std::invalid_argument);
    EXPECT_THROW(grid.SetColumnWidth(3, 10), std::out_of_range);

    EXPECT_THROW(grid.SetRowCount(0), std::invalid_argument);
    EXPECT_THROW(grid.SetColumnCount(0), std::invalid_argument);
}

TEST(StringGrid, GrowingAddsEmptyCellsAndShrinkingForgets) {
    TStringGrid grid(2, 3);
    grid.SetCell(1, 2, "old");
    grid.SetColumnWidth(1, 99);
    grid.SetRowCount(2); // row 2 dropped
    grid.SetRowCount(4);
    EXPECT_EQ(grid.Cell(1, 2), "");
    EXPECT_EQ(grid.Cell(1, 3), "");

    grid.SetCell(1, 3, "kept");
    grid.SetColumnCount(5);
    EXPECT_EQ(grid.Cell(1, 3), "kept");
    EXPECT_EQ(grid.Cell(4, 3), "");
    EXPECT_EQ(grid.ColumnWidth(1), 99);
    EXPECT_EQ(grid.ColumnWidth(4), TStringGrid::kDefaultColumnWidth);
    grid.SetCell(4, 3, "x");
    grid.SetColumnCount(2);
    grid.SetColumnCount(5);
    EXPECT_EQ(grid.Cell(4, 3), "");
}

TEST(StringGrid, NoticesBracketEachChange) {
    TStringGrid grid(2, 2);
    NoticeLog log;
    grid.AddObserver(&log);
    grid.SetCell(1, 1, "a");
    grid.SetCell(1, 1, "a"); // unchanged text: nothing to repaint
    grid.SetRowCount(3);
    grid.SetRowCount(3);
    grid.SetColumnCount(4);
    grid.SetColumnWidth(3, 0);
    grid.SetColumnWidth(3, 0);
    EXPECT_THAT(log.Lines, ElementsAre("cell 1 1", "rows? 2 3", "rows 2 3", "cols? 2 4", "cols 2 4",
                                       "width 3"));

    log.Lines.clear();
    grid.RemoveObserver(&log);
    grid.SetCell(1, 1, "b");
    EXPECT_THAT(log.Lines, IsEmpty());
}

TEST(StringGrid, BulkChangesSendOneReset) {
    TStringGrid grid(3, 2);
    NoticeLog log;
    grid.AddObserver(&log);
    {
        TStringGrid::TUpdateScope outer(grid);
        for (std::int32_t r = 1; r <= 50; ++r) {
            grid.SetCell(1, r, std::to_string(r));
            grid.SetRowCount(grid.RowCount() + 1);
        }
        TStringGrid::TUpdateScope inner(grid); // nesting folds into the outer scope
        grid.SetColumnWidth(2, 7);
    }
    EXPECT_THAT(log.Lines, ElementsAre("reset?", "reset"));
    EXPECT_EQ(grid.RowCount(), 52);
    EXPECT_EQ(grid.Cell(1, 50), "50");

    grid.RemoveObserver(&log);
}

TEST(StringGrid, ReorderedRowsAreOneBlockOfChangedCells) {
    // A sort changes cells only: no reset, which would cost a view its
    // scroll position and the widths the user dragged.
    TStringGrid grid(4, 6);
    NoticeLog log;
    grid.AddObserver(&log);
    const std::vector<std::int32_t> order{2, 0, 1};
    grid.ReorderRows(1, order, 1);
    grid.ReorderRows(2, order, 0);
    grid.ReorderRows(3, order, 4); // no column moves
    grid.ReorderRows(1, std::vector<std::int32_t>{}, 1);
    {
        TStringGrid::TUpdateScope update(grid);
        grid.ReorderRows(1, order, 1);
    }
    EXPECT_THAT(log.Lines, ElementsAre("cells 1 1 3 3", "cells 0 2 3 4", "reset?", "reset"));
    grid.RemoveObserver(&log);
}

TEST(StringGrid, ReorderRowsMovesOnlyTheGivenColumns) {
    TStringGrid grid(3, 5);
    for (std::int32_t r = 0; r < 5; ++r)
        for (std::int32_t c = 0; c < 3; ++c)
            grid.SetCell(c, r, std::to_string(c) + ":" + std::to_string(r));
    grid.ReorderRows(1, std::vector<std::int32_t>{2, 0, 3, 1}, 1);
    const std::vector<std::string> column0{"0:0", "0:1", "0:2", "0:3", "0:4"};
    const std::vector<std::string> column2{"2:0", "2:3", "2:1", "2:4", "2:2"};
    for (std::int32_t r = 0; r < 5; ++r) {
        EXPECT_EQ(grid.Cell(0, r), column0[static_cast<std::size_t>(r)]);
        EXPECT_EQ(grid.Cell(2, r), column2[static_cast<std::size_t>(r)]);
    }
    EXPECT_EQ(grid.Cell(1, 1), "1:3");

    EXPECT_THROW(grid.ReorderRows(1, std::vector<std::int32_t>{0, 0, 1, 2}, 1),
                 std::invalid_argument);
    EXPECT_THROW(grid.ReorderRows(1, std::vector<std::int32_t>{0, 1, 2, 4}, 1),
                 std::invalid_argument);
    EXPECT_THROW(grid.ReorderRows(2, std::vector<std::int32_t>{0, 1, 2, 3}, 1), std::out_of_range);
}

TEST(ClearGrid, HundredRowsBackToHeaderAndOneEmptyRow) {
    TStringGrid grid(4, 2);
    for (std::int32_t c = 0; c < 4; ++c)
        grid.SetCell(c, 0, "h" + std::to_string(c));
    for (std::int32_t r = 1; r <= 100; ++r) {
        for (std::int32_t c = 0; c < 4; ++c)
            grid.SetCell(c, r, "v" + std::to_string(r));
        grid.SetRowCount(grid.RowCount() + 1);
    }
    ASSERT_EQ(grid.RowCount(), 102);
    NoticeLog log;
    grid.AddObserver(&log);

    Method::ClearGrid(grid, 2);

    EXPECT_EQ(grid.RowCount(), 2);
    for (std::int32_t c = 0; c < 4; ++c) {
        EXPECT_EQ(grid.Cell(c, 0), "h" + std::to_string(c));
        EXPECT_EQ(grid.Cell(c, 1), "");
    }
    EXPECT_THAT(log.Lines, ElementsAre("reset?", "reset"));
    // Rows the append convention adds later start empty.
    grid.SetRowCount(5);
    for (std::int32_t r = 1; r < 5; ++r)
        EXPECT_EQ(grid.Cell(3, r), "");
    grid.RemoveObserver(&log);
}

TEST(ClearGrid, KeptRowsAreEmptiedToo) {
    TStringGrid grid(2, 6);
    for (std::int32_t r = 1; r < 6; ++r)
        grid.SetCell(1, r, "x");
    Method::ClearGrid(grid, 4);
    EXPECT_EQ(grid.RowCount(), 4);
    for (std::int32_t r = 1; r < 4; ++r)
        EXPECT_EQ(grid.Cell(1, r), "");
    EXPECT_THROW(Method::ClearGrid(grid, 0), std::invalid_argument);
}

} // namespace
