#include "GridModel.h"

#include "GbkCodec.h"

#include <algorithm>

namespace korvane {

TGridModel::TGridModel(TStringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), Source(grid), ShownRows(grid.RowCount() - 1) {
    AppendTimer.setSingleShot(true);
    connect(&AppendTimer, &QTimer::timeout, this, &TGridModel::ShowAppendedRows);
    Source.AddObserver(this);
}

TGridModel::~TGridModel() {
    Source.RemoveObserver(this);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ShownRows;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Source.ColumnCount() - 1;
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return FromGbk(Source.Cell(index.column() + 1, index.row() + 1));
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0)
        return {};
    return orientation == Qt::Horizontal ? FromGbk(Source.Cell(section + 1, 0))
                                         : FromGbk(Source.Cell(0, section + 1));
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    // Cells are shown and selected, never edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TGridModel::CellChanged(std::int32_t column, std::int32_t row) {
    if (row > ShownRows)
        return; // the views see it when its row is announced
    if (row == 0 && column > 0)
        emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
    else if (column == 0 && row > 0)
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
    else if (row > 0 && column > 0)
        emit dataChanged(index(row - 1, column - 1), index(row - 1, column - 1), {Qt::DisplayRole});
}

void TGridModel::CellsChanged(std::int32_t firstColumn, std::int32_t firstRow,
                              std::int32_t lastColumn, std::int32_t lastRow) {
    // Grid cells (c, r) are model cells (c - 1, r - 1); rows not yet
    // announced are read when they are.
    lastRow = std::min(lastRow, ShownRows);
    if (firstRow == 0 && firstColumn <= lastColumn && lastColumn > 0)
        emit headerDataChanged(Qt::Horizontal, std::max(firstColumn, 1) - 1, lastColumn - 1);
    firstRow = std::max(firstRow, 1);
    if (firstRow > lastRow)
        return;
    if (firstColumn == 0)
        emit headerDataChanged(Qt::Vertical, firstRow - 1, lastRow - 1);
    firstColumn = std::max(firstColumn, 1);
    if (firstColumn <= lastColumn)
        emit dataChanged(index(firstRow - 1, firstColumn - 1), index(lastRow - 1, lastColumn - 1),
                         {Qt::DisplayRole});
}

void TGridModel::RowCountAboutToChange(std::int32_t, std::int32_t newCount) {
    // Rows not yet announced leave silently; shown ones are removed at once.
    if (newCount - 1 < ShownRows) {
        beginRemoveRows({}, newCount - 1, ShownRows - 1);
        Begun = TRowChange::Removing;
    }
}

void TGridModel::RowCountChanged(std::int32_t, std::int32_t newCount) {
    if (Begun == TRowChange::Removing) {
        ShownRows = newCount - 1;
        Begun = TRowChange::None;
        endRemoveRows();
    }
    if (Source.RowCount() - 1 > ShownRows)
        ScheduleAppendedRows();
    else
        AppendTimer.stop();
}

void TGridModel::ScheduleAppendedRows() {
    if (AppendTimer.isActive())
        return;
    // The first rows after a quiet spell show at once (on the next turn of
    // the event loop); a stream of rows shows in steps of the interval.
    const qint64 since = SinceLastNotice.isValid() ? SinceLastNotice.elapsed() : kRowNoticeInterval;
    AppendTimer.start(static_cast<int>(std::max<qint64>(0, kRowNoticeInterval - since)));
}

void TGridModel::ShowAppendedRows() {
    const int rows = Source.RowCount() - 1;
    if (rows > ShownRows) {
        beginInsertRows({}, ShownRows, rows - 1);
        ShownRows = rows;
        endInsertRows();
    }
    SinceLastNotice.start();
}

void TGridModel::ColumnCountAboutToChange(std::int32_t oldCount, std::int32_t newCount) {
    if (newCount > oldCount)
        beginInsertColumns({}, oldCount - 1, newCount - 2);
    else if (newCount < oldCount)
        beginRemoveColumns({}, newCount - 1, oldCount - 2);
}

void TGridModel::ColumnCountChanged(std::int32_t oldCount, std::int32_t newCount) {
    if (newCount > oldCount)
        endInsertColumns();
    else if (newCount < oldCount)
        endRemoveColumns();
    emit ColumnWidthsChanged();
}

void TGridModel::ColumnWidthChanged(std::int32_t) {
    emit ColumnWidthsChanged();
}

void TGridModel::AboutToReset() {
    beginResetModel();
}

void TGridModel::Reset() {
    AppendTimer.stop();
    ShownRows = Source.RowCount() - 1;
    endResetModel();
    emit ColumnWidthsChanged();
}

} // namespace korvane
