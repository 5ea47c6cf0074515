#pragma once

#include "StringGridObserver.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane {

// A grid of text cells addressed by (column, row), both from 0. Row 0 is the
// fixed header row and column 0 the fixed column; both always exist. Cells
// hold GBK bytes and a cell never written holds the empty text. Nothing here
// draws: a view follows the grid through TStringGridObserver.
class TStringGrid {
public:
    static constexpr std::int32_t kMinColumnCount = 1; // the fixed column
    static constexpr std::int32_t kMinRowCount = 1;    // the header row
    static constexpr std::int32_t kDefaultColumnWidth = 64;
    static constexpr std::int32_t kRowHeight = 20; // pixels, every row

    explicit TStringGrid(std::int32_t columnCount = kMinColumnCount,
                         std::int32_t rowCount = kMinRowCount);

    TStringGrid(const TStringGrid&) = delete; // observers point at one grid
    TStringGrid& operator=(const TStringGrid&) = delete;

    std::int32_t ColumnCount() const { return static_cast<std::int32_t>(Columns.size()); }
    std::int32_t RowCount() const { return Rows; }

    // Growing adds empty cells; shrinking drops the cut-off cells for good.
    // Counts below the minimum throw std::invalid_argument.
    void SetColumnCount(std::int32_t count);
    void SetRowCount(std::int32_t count);

    // Outside the grid a cell reads as the empty text; writing there throws
    // std::out_of_range.
    const std::string& Cell(std::int32_t column, std::int32_t row) const;
    void SetCell(std::int32_t column, std::int32_t row, std::string text);

    // Width in pixels; 0 hides the column but keeps its texts.
    std::int32_t ColumnWidth(std::int32_t column) const;
    void SetColumnWidth(std::int32_t column, std::int32_t width);
    bool IsColumnHidden(std::int32_t column) const { return ColumnWidth(column) == 0; }

    // Rows firstRow, firstRow + 1, ... take the cells that rows
    // firstRow + sourceRows[0], firstRow + sourceRows[1], ... held, in the
    // columns from firstColumn up; sourceRows must be a permutation. One
    // CellsChanged notice, however many rows move.
    void ReorderRows(std::int32_t firstRow, std::span<const std::int32_t> sourceRows,
                     std::int32_t firstColumn);

    // Between BeginUpdate and the matching EndUpdate observers hear nothing
    // but AboutToReset at the start and Reset at the end.
    void BeginUpdate();
    void EndUpdate();

    class TUpdateScope {
    public:
        explicit TUpdateScope(TStringGrid& grid) : Grid(grid) { Grid.BeginUpdate(); }
        ~TUpdateScope() { Grid.EndUpdate(); }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TStringGrid& Grid;
    };

    // The grid does not own its observers; one must be removed before it dies.
    void AddObserver(TStringGridObserver* observer);
    void RemoveObserver(TStringGridObserver* observer);

private:
    template <typename Notice> void Notify(Notice notice);
    bool Quiet() const { return UpdateDepth > 0 || Observers.empty(); }
    void CheckInside(std::int32_t column, std::int32_t row) const;

    // Column-major: a sort moves cells within a column and never touches
    // column 0, and growing the row count extends each column in place.
    std::vector<std::vector<std::string>> Columns;
    std::vector<std::int32_t> Widths;
    std::int32_t Rows = 0;
    int UpdateDepth = 0;
    std::vector<TStringGridObserver*> Observers;
};

} // namespace korvane
