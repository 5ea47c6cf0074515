#pragma once

#include "StringGrid.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>

namespace korvane {

// Shows an engine string grid to Qt's views. Grid row 0 and column 0 are the
// fixed cells: they become the horizontal and vertical header texts, so the
// model's own rows and columns are the grid's normal cells, shifted by one.
//
// Rows appended to the grid reach the views together, at most once per
// kRowNoticeInterval: a view lays out and repaints itself on every row
// notice, which made each appended row cost milliseconds. Everything else
// (cells of rows shown, removals, resets, columns) is passed on at once.
// Rows moved by a sort are changed cells, not a reset, so the views keep
// their scroll position, selection and the widths the user dragged.
class TGridModel final : public QAbstractTableModel, private TStringGridObserver {
    Q_OBJECT
public:
    static constexpr int kRowNoticeInterval = 40; // milliseconds

    explicit TGridModel(TStringGrid& grid, QObject* parent = nullptr);
    ~TGridModel() override;

    TStringGrid& Grid() const { return Source; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // Grid column widths changed (or the grid was reset): the view re-reads them.
    void ColumnWidthsChanged();

private:
    void CellChanged(std::int32_t column, std::int32_t row) override;
    void CellsChanged(std::int32_t firstColumn, std::int32_t firstRow, std::int32_t lastColumn,
                      std::int32_t lastRow) override;
    void RowCountAboutToChange(std::int32_t oldCount, std::int32_t newCount) override;
    void RowCountChanged(std::int32_t oldCount, std::int32_t newCount) override;
    void ColumnCountAboutToChange(std::int32_t oldCount, std::int32_t newCount) override;
    void ColumnCountChanged(std::int32_t oldCount, std::int32_t newCount) override;
    void ColumnWidthChanged(std::int32_t column) override;
    void AboutToReset() override;
    void Reset() override;

    // Announces the rows appended since the last notice.
    void ShowAppendedRows();
    void ScheduleAppendedRows();

    TStringGrid& Source;
    // Model rows the views have been told of; the grid may hold more.
    int ShownRows = 0;
    // What RowCountAboutToChange began, for RowCountChanged to end.
    enum class TRowChange { None, Removing } Begun = TRowChange::None;
    QTimer AppendTimer;
    QElapsedTimer SinceLastNotice;
};

} // namespace korvane
