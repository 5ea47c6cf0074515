#include "ResultTables.h"

#include "MyUtils.h"

#include <string>

namespace korvane {

void SetUpTable(TStringGrid& grid, std::span<const TColumnSpec> columns) {
    TStringGrid::TUpdateScope update(grid);
    grid.SetRowCount(kEmptyTableRowCount);
    grid.SetColumnCount(static_cast<std::int32_t>(columns.size()));
    for (std::int32_t c = 0; c < grid.ColumnCount(); ++c) {
        const TColumnSpec& column = columns[static_cast<std::size_t>(c)];
        grid.SetCell(c, 0, std::string(column.Header));
        grid.SetColumnWidth(c, column.Width);
    }
}

void SetUpResultTables(TStringGrid& sgData1, TStringGrid& sgData2, TStringGrid& sgData3) {
    SetUpTable(sgData1, allitems::kColumns);
    SetUpTable(sgData2, demoted::kColumns);
    SetUpTable(sgData3, ranking::kColumns);
}

bool IsWarningVerdict(std::string_view verdict) {
    return !verdict.empty() && verdict != texts::kUnconfirmedVerdict &&
           !ContainsMarker(verdict, texts::kNormalMark);
}

std::string SalesCell(const TItemInfo& item) {
    return item.SalesRead ? std::to_string(item.Sales) : std::string(texts::kUnreadSales);
}

void AddItemRow(TStringGrid& sgData1, const TItemInfo& item) {
    const std::int32_t rowCount = sgData1.RowCount();
    const std::int32_t row = rowCount - 1;
    sgData1.SetCell(allitems::kRank, row, std::to_string(item.Rank));
    sgData1.SetCell(allitems::kTitle, row, item.Title);
    sgData1.SetCell(allitems::kSales, row, SalesCell(item));
    sgData1.SetCell(allitems::kPrice, row, item.Price);
    sgData1.SetCell(allitems::kId, row, item.ID);
    sgData1.SetRowCount(rowCount + 1);
}

} // namespace korvane
