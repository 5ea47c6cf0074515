#include "StringGrid.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace korvane {

namespace {

const std::string kEmptyCell;

} // namespace

TStringGrid::TStringGrid(std::int32_t columnCount, std::int32_t rowCount) {
    if (columnCount < kMinColumnCount || rowCount < kMinRowCount)
        throw std::invalid_argument("a grid keeps its header row and fixed column");
    Rows = rowCount;
    Columns.assign(static_cast<std::size_t>(columnCount),
                   std::vector<std::string>(static_cast<std::size_t>(rowCount)));
    Widths.assign(static_cast<std::size_t>(columnCount), kDefaultColumnWidth);
}

template <typename Notice> void TStringGrid::Notify(Notice notice) {
    for (TStringGridObserver* observer : Observers)
        notice(*observer);
}

void TStringGrid::SetColumnCount(std::int32_t count) {
    if (count < kMinColumnCount)
        throw std::invalid_argument("a grid keeps its fixed column");
    const std::int32_t old = ColumnCount();
    if (count == old)
        return;
    if (!Quiet())
        Notify([&](TStringGridObserver& o) { o.ColumnCountAboutToChange(old, count); });
    Columns.resize(static_cast<std::size_t>(count),
                   std::vector<std::string>(static_cast<std::size_t>(Rows)));
    Widths.resize(static_cast<std::size_t>(count), kDefaultColumnWidth);
    if (!Quiet())
        Notify([&](TStringGridObserver& o) { o.ColumnCountChanged(old, count); });
}

void TStringGrid::SetRowCount(std::int32_t count) {
    if (count < kMinRowCount)
        throw std::invalid_argument("a grid keeps its header row");
    const std::int32_t old = Rows;
    if (count == old)
        return;
    if (!Quiet())
        Notify([&](TStringGridObserver& o) { o.RowCountAboutToChange(old, count); });
    for (std::vector<std::string>& column : Columns)
        column.resize(static_cast<std::size_t>(count));
    Rows = count;
    if (!Quiet())
        Notify([&](TStringGridObserver& o) { o.RowCountChanged(old, count); });
}

const std::string& TStringGrid::Cell(std::int32_t column, std::int32_t row) const {
    if (column < 0 || column >= ColumnCount() || row < 0 || row >= Rows)
        return kEmptyCell;
    return Columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
}

void TStringGrid::CheckInside(std::int32_t column, std::int32_t row) const {
    if (column < 0 || column >= ColumnCount() || row < 0 || row >= Rows)
        throw std::out_of_range("cell (" + std::to_string(column) + ", " + std::to_string(row) +
                                ") is outside the grid");
}

void TStringGrid::SetCell(std::int32_t column, std::int32_t row, std::string text) {
    CheckInside(column, row);
    std::string& cell = Columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
    if (cell == text)
        return;
    cell = std::move(text);
    if (!Quiet())
        Notify([&](TStringGridObserver& o) { o.CellChanged(column, row); });
}

std::int32_t TStringGrid::ColumnWidth(std::int32_t column) const {
    if (column < 0 || column >= ColumnCount())
        throw std::out_of_range("column " + std::to_string(column) + " is outside the grid");
    return Widths[static_cast<std::size_t>(column)];
}

void TStringGrid::SetColumnWidth(std::int32_t column, std::int32_t width) {
    CheckInside(column, 0);
    if (width < 0)
        throw std::invalid_argument("a column width is never negative");
    std::int32_t& stored = Widths[static_cast<std::size_t>(column)];
    if (stored == width)
        return;
    stored = width;
    if (!Quiet())
        Notify([&](TStringGridObserver& o) { o.ColumnWidthChanged(column); });
}

void TStringGrid::ReorderRows(std::int32_t firstRow, std::span<const std::int32_t> sourceRows,
                              std::int32_t firstColumn) {
    const auto count = static_cast<std::int64_t>(sourceRows.size());
    if (firstRow < 0 || firstRow + count > Rows)
        throw std::out_of_range("rows to reorder are outside the grid");
    std::vector<bool> seen(sourceRows.size());
    for (const std::int32_t source : sourceRows) {
        if (source < 0 || source >= count || seen[static_cast<std::size_t>(source)])
            throw std::invalid_argument("the new row order is not a permutation");
        seen[static_cast<std::size_t>(source)] = true;
    }
    const std::int32_t fromColumn = std::max(firstColumn, 0);
    std::vector<std::string> moved(sourceRows.size());
    const auto base = static_cast<std::size_t>(firstRow);
    for (auto c = static_cast<std::size_t>(fromColumn); c < Columns.size(); ++c) {
        std::vector<std::string>& column = Columns[c];
        for (std::size_t p = 0; p < moved.size(); ++p)
            moved[p] = std::move(column[base + static_cast<std::size_t>(sourceRows[p])]);
        for (std::size_t p = 0; p < moved.size(); ++p)
            column[base + p] = std::move(moved[p]);
    }
    // Cells only: a reset would make views forget their place and widths.
    const std::int32_t lastRow = firstRow + static_cast<std::int32_t>(count) - 1;
    if (count > 0 && fromColumn < ColumnCount() && !Quiet())
        Notify([&](TStringGridObserver& o) {
            o.CellsChanged(fromColumn, firstRow, ColumnCount() - 1, lastRow);
        });
}

void TStringGrid::BeginUpdate() {
    if (UpdateDepth++ == 0)
        Notify([](TStringGridObserver& o) { o.AboutToReset(); });
}

void TStringGrid::EndUpdate() {
    if (UpdateDepth == 0)
        throw std::logic_error("EndUpdate without BeginUpdate");
    if (--UpdateDepth == 0)
        Notify([](TStringGridObserver& o) { o.Reset(); });
}

void TStringGrid::AddObserver(TStringGridObserver* observer) {
    if (observer != nullptr &&
        std::find(Observers.begin(), Observers.end(), observer) == Observers.end())
        Observers.push_back(observer);
}

void TStringGrid::RemoveObserver(TStringGridObserver* observer) {
    std::erase(Observers, observer);
}

} // namespace korvane
