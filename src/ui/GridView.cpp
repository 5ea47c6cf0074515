#include "GridView.h"

#include "FocusFrame.h"
#include "SortHeader.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace korvane {

namespace {

// Draws a cell as the table does, then lets the window's hook draw over it.
class THookDelegate final : public QStyledItemDelegate {
public:
    explicit THookDelegate(TGridView* view) : QStyledItemDelegate(view), View(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        // As the desktop's list views: the selection in the highlight colour
        // while the table has the focus, in grey when it has not; the focus
        // rectangle on the current cell only while it has the focus.
        QStyleOptionViewItem cell = option;
        const bool focused = View->hasFocus();
        cell.state &= ~QStyle::State_HasFocus; // the style's own would hide in the highlight
        if (!focused) {
            cell.palette.setBrush(QPalette::Highlight, TGridView::kUnfocusedSelection);
            cell.palette.setBrush(QPalette::HighlightedText, QColor(Qt::black));
        }
        QStyledItemDelegate::paint(painter, cell, index);
        if (View->DrawCellHook()) {
            painter->save();
            View->DrawCellHook()(*painter, index.column() + 1, index.row() + 1, cell.rect, cell);
            painter->restore();
        }
        if (focused && index == View->currentIndex()) {
            painter->save();
            painter->setPen(QPen(TGridView::kCurrentCellFrame, 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(cell.rect.adjusted(1, 1, -2, -2));
            painter->restore();
        }
    }

private:
    TGridView* View;
};

QFont TableFont(bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    font.setBold(bold);
    return font;
}

} // namespace

TGridView::TGridView(TStringGrid& grid, bool userResizesColumns, QWidget* parent)
    : QTableView(parent), Model(new TGridModel(grid, this)) {
    setHorizontalHeader(new TSortHeader(Qt::Horizontal, this));
    setModel(Model);
    setItemDelegate(new THookDelegate(this));
    setFont(TableFont(false));
    setEditTriggers(NoEditTriggers);
    // Tab leaves the table for the next control; the arrows move between cells.
    setTabKeyNavigation(false);
    setSelectionMode(ContiguousSelection);
    setSelectionBehavior(SelectItems);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: rgb(212, 212, 212); "
                                 "background: white; color: black; "
                                 "selection-color: white; }"));

    QHeaderView* top = horizontalHeader();
    top->setFont(TableFont(true));
    top->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    top->setFixedHeight(TStringGrid::kRowHeight);
    top->setMinimumSectionSize(0);
    top->setHighlightSections(false);
    top->setSectionResizeMode(userResizesColumns ? QHeaderView::Interactive : QHeaderView::Fixed);
    top->setStretchLastSection(false);
    // Presses on the header row sort; they never move the selection.
    top->setSectionsClickable(true);
    // The table's own connections (column selection, fitting a column on a
    // border double click) go by signal name: drop every one of them.
    disconnect(top, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(top, &QHeaderView::sectionEntered, this, nullptr);
    disconnect(top, &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
    connect(top, &QHeaderView::sectionPressed, this,
            [this](int logical) { emit HeaderPressed(logical + 1); });
    // Only dragging changes a width; a double click on a border is a double
    // click in the table like any other.
    connect(top, &QHeaderView::sectionHandleDoubleClicked, this, [this] { emit DoubleClicked(); });
    connect(top, &QHeaderView::sectionDoubleClicked, this, [this](int logical) {
        // The second press of a double click: the double click acts first.
        emit DoubleClicked();
        emit HeaderPressed(logical + 1);
    });

    QHeaderView* left = verticalHeader();
    left->setFont(TableFont(true));
    left->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    left->setSectionResizeMode(QHeaderView::Fixed);
    left->setMinimumSectionSize(TStringGrid::kRowHeight);
    left->setDefaultSectionSize(TStringGrid::kRowHeight);
    left->setSectionsClickable(false);
    connect(left, &QHeaderView::sectionDoubleClicked, this, [this] { emit DoubleClicked(); });
    // A run writes the rank of every new row into the row header. The table
    // answers any header text change with a layout and a repaint of every
    // visible cell, and new rows with the same: sections here have fixed
    // sizes, so only rows that come into view need painting.
    disconnect(Model, &QAbstractItemModel::headerDataChanged, this, nullptr);
    disconnect(left, &QHeaderView::sectionCountChanged, this, nullptr);
    connect(left, &QHeaderView::sectionCountChanged, this, &TGridView::RowCountChanged);

    connect(Model, &TGridModel::ColumnWidthsChanged, this, &TGridView::ApplyColumnWidths);
    connect(Model, &QAbstractItemModel::modelAboutToBeReset, this, &TGridView::RememberSelection);
    connect(Model, &QAbstractItemModel::modelReset, this, &TGridView::RestoreSelection);
    ApplyColumnWidths();
    if (Model->rowCount() > 0 && Model->columnCount() > 0)
        setCurrentIndex(Model->index(0, 0));
    if (parent != nullptr)
        new TFocusFrame(this);
}

void TGridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update(); // the selection's colour goes with the focus
}

void TGridView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void TGridView::ApplyColumnWidths() {
    // Only the widths the program changed since the last call: a reset (a
    // clear, a new analysis) must not undo what the user dragged.
    const TStringGrid& grid = Grid();
    AppliedWidths.resize(static_cast<std::size_t>(grid.ColumnCount()), -1);
    for (int c = 0; c < grid.ColumnCount(); ++c) {
        const int width = grid.ColumnWidth(c);
        int& applied = AppliedWidths[static_cast<std::size_t>(c)];
        if (applied == width)
            continue;
        applied = width;
        if (c == 0) {
            verticalHeader()->setFixedWidth(width);
            verticalHeader()->setVisible(width > 0);
            continue;
        }
        setColumnHidden(c - 1, width == 0);
        if (width > 0)
            horizontalHeader()->resizeSection(c - 1, width);
    }
}

int TGridView::SelectionTopRow() const {
    int top = -1;
    if (selectionModel()) {
        for (const QItemSelectionRange& range : selectionModel()->selection())
            if (top < 0 || range.top() < top)
                top = range.top();
    }
    if (top < 0)
        top = currentIndex().isValid() ? currentIndex().row() : 0;
    return top + 1;
}

void TGridView::RememberSelection() {
    SavedCurrentRow = currentIndex().isValid() ? currentIndex().row() : 0;
    SavedCurrentColumn = currentIndex().isValid() ? currentIndex().column() : 0;
    SavedSelection = {};
    if (selectionModel()) {
        for (const QItemSelectionRange& range : selectionModel()->selection())
            SavedSelection |=
                QRect(QPoint(range.left(), range.top()), QPoint(range.right(), range.bottom()));
    }
}

void TGridView::RestoreSelection() {
    // The selection keeps its row numbers through a sort or a clear, clamped
    // to what is left, as the table's own current cell would be.
    const int rows = Model->rowCount();
    const int columns = Model->columnCount();
    if (rows == 0 || columns == 0)
        return;
    const auto clampRow = [rows](int r) { return std::clamp(r, 0, rows - 1); };
    const auto clampColumn = [columns](int c) { return std::clamp(c, 0, columns - 1); };
    const QModelIndex current =
        Model->index(clampRow(SavedCurrentRow), clampColumn(SavedCurrentColumn));
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    if (SavedSelection.isValid()) {
        const QItemSelection selection(
            Model->index(clampRow(SavedSelection.top()), clampColumn(SavedSelection.left())),
            Model->index(clampRow(SavedSelection.bottom()), clampColumn(SavedSelection.right())));
        selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    } else {
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    }
}

void TGridView::AttachScrollBars(QScrollBar* horizontal, QScrollBar* vertical) {
    HorizontalBar = horizontal;
    VerticalBar = vertical;
    SyncBar(horizontalScrollBar(), horizontal);
    SyncBar(verticalScrollBar(), vertical);
}

void TGridView::SyncBar(QScrollBar* inner, QScrollBar* outer) {
    outer->hide();
    connect(inner, &QScrollBar::rangeChanged, outer,
            [this, inner, outer] { FollowBar(inner, outer); });
    connect(inner, &QScrollBar::valueChanged, outer, &QScrollBar::setValue);
    connect(outer, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    FollowBar(inner, outer);
}

void TGridView::FollowBar(QScrollBar* inner, QScrollBar* outer) {
    outer->setRange(inner->minimum(), inner->maximum());
    outer->setPageStep(inner->pageStep());
    outer->setSingleStep(inner->singleStep());
    outer->setValue(inner->value());
    outer->setVisible(!isHidden() && inner->maximum() > inner->minimum());
}

void TGridView::setVisible(bool visible) {
    QTableView::setVisible(visible);
    if (HorizontalBar != nullptr)
        FollowBar(horizontalScrollBar(), HorizontalBar);
    if (VerticalBar != nullptr)
        FollowBar(verticalScrollBar(), VerticalBar);
}

void TGridView::RowCountChanged(int oldCount, int newCount) {
    // Rows appended below the visible ones change only the scroll range.
    if (newCount > oldCount && isVisible()) {
        const int lastVisible = rowAt(viewport()->height() - 1);
        if (lastVisible >= 0 && lastVisible < oldCount) {
            updateGeometries();
            return;
        }
    }
    rowCountChanged(oldCount, newCount);
}

void TGridView::SetDrawCellHook(TDrawCellHook hook) {
    Hook = std::move(hook);
    viewport()->update();
}

void TGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}

// Enter, the main keyboard's or the keypad's, is the keyboard's double click.
void TGridView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        emit DoubleClicked();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace korvane
