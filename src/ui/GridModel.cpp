#include "GridModel.h"

#include "GbkCodec.h"

namespace korvane {

TGridModel::TGridModel(TStringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), Source(grid) {
    Source.AddObserver(this);
}

TGridModel::~TGridModel() {
    Source.RemoveObserver(this);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Source.RowCount() - 1;
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
    if (row == 0 && column > 0)
        emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
    else if (column == 0 && row > 0)
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
    else if (row > 0 && column > 0)
        emit dataChanged(index(row - 1, column - 1), index(row - 1, column - 1), {Qt::DisplayRole});
}

void TGridModel::RowCountAboutToChange(std::int32_t oldCount, std::int32_t newCount) {
    if (newCount > oldCount)
        beginInsertRows({}, oldCount - 1, newCount - 2);
    else if (newCount < oldCount)
        beginRemoveRows({}, newCount - 1, oldCount - 2);
}

void TGridModel::RowCountChanged(std::int32_t oldCount, std::int32_t newCount) {
    if (newCount > oldCount)
        endInsertRows();
    else if (newCount < oldCount)
        endRemoveRows();
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
    endResetModel();
    emit ColumnWidthsChanged();
}

} // namespace korvane
