#pragma once

#include "GridModel.h"

#include <QColor>
#include <QTableView>

#include <functional>
#include <vector>

class QScrollBar;

namespace korvane {

// A result table on screen: an engine string grid with its fixed header row
// and column, 20-pixel rows, light grey lines, and scroll bars of its own that
// the window places and that show only while rows or columns do not fit.
class TGridView : public QTableView {
    Q_OBJECT
public:
    // Runs after the view has drawn a normal cell: grid column and row, and
    // the cell's rectangle in viewport coordinates.
    using TDrawCellHook =
        std::function<void(QPainter& painter, int column, int row, const QRect& rect,
                           const QStyleOptionViewItem& option)>;

    // The selection of a table without the focus, as the desktop greys it.
    static inline const QColor kUnfocusedSelection{217, 217, 217};
    // The dotted rectangle round the current cell of the table with the focus.
    static inline const QColor kCurrentCellFrame{0, 0, 0};

    TGridView(TStringGrid& grid, bool userResizesColumns, QWidget* parent);

    TStringGrid& Grid() const { return Model->Grid(); }

    // The grid row at the top of the selection (1 when nothing is selected,
    // as a fresh table has its first normal cell current).
    int SelectionTopRow() const;

    // Takes over two scroll bars placed beside the view.
    void AttachScrollBars(QScrollBar* horizontal, QScrollBar* vertical);
    void SetDrawCellHook(TDrawCellHook hook);
    // The placed scroll bars go with the table when it is hidden or shown.
    void setVisible(bool visible) override;
    const TDrawCellHook& DrawCellHook() const { return Hook; }

signals:
    // A double click anywhere in the table, headers and their borders
    // included, or Enter on a row: both open the row's item.
    void DoubleClicked();
    // A left press on the header row, not on a column border.
    void HeaderPressed(int gridColumn);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyColumnWidths();
    void RowCountChanged(int oldCount, int newCount);
    void RememberSelection();
    void RestoreSelection();
    void SyncBar(QScrollBar* inner, QScrollBar* outer);
    void FollowBar(QScrollBar* inner, QScrollBar* outer);

    TGridModel* Model;
    TDrawCellHook Hook;
    QScrollBar* HorizontalBar = nullptr;
    QScrollBar* VerticalBar = nullptr;
    // The grid's widths as last put on screen; -1 where none was yet. A
    // width the user dragged stays until the program changes that column's.
    std::vector<int> AppliedWidths;
    QRect SavedSelection; // in model coordinates
    int SavedCurrentRow = 0;
    int SavedCurrentColumn = 0;
};

} // namespace korvane
