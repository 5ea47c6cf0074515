#include "GridCopier.h"

#include "GbkCodec.h"
#include "GridView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace korvane {

namespace {

QString Quoted(const QString& cell) {
    static const QString kSpecial = QStringLiteral("\t\r\n\"");
    if (std::none_of(cell.begin(), cell.end(), [](QChar c) { return kSpecial.contains(c); }))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

TGridCopier::TGridCopier(TGridView* view) : QObject(view), View(view) {
    View->installEventFilter(this);
    View->viewport()->installEventFilter(this);
    // Headers pass right-clicks on to the view.
    View->setContextMenuPolicy(Qt::DefaultContextMenu);
}

std::vector<int> TGridCopier::ShownColumns(int from) const {
    std::vector<int> columns;
    const TStringGrid& grid = View->Grid();
    if (from == 0 && grid.ColumnWidth(0) > 0)
        columns.push_back(0);
    const QHeaderView* header = View->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        // Hidden by the table's widths, or dragged shut by the user.
        if (!View->isColumnHidden(logical) && header->sectionSize(logical) > 0)
            columns.push_back(logical + 1);
    }
    return columns;
}

int TGridCopier::DataRowCount() const {
    // The bottom row is the empty one the next item goes into; a row that
    // holds text there (the no-demotion notice) is data.
    const TStringGrid& grid = View->Grid();
    int rows = grid.RowCount() - 1;
    if (rows > 0) {
        bool empty = true;
        for (int c = 0; c < grid.ColumnCount() && empty; ++c)
            empty = grid.Cell(c, rows).empty();
        if (empty)
            --rows;
    }
    return rows;
}

std::vector<std::vector<QString>> TGridCopier::Rows(int firstRow, int lastRow,
                                                    const std::vector<int>& columns) const {
    const TStringGrid& grid = View->Grid();
    std::vector<std::vector<QString>> rows;
    for (int r = firstRow; r <= lastRow; ++r) {
        std::vector<QString>& row = rows.emplace_back();
        for (const int c : columns)
            row.push_back(FromGbk(grid.Cell(c, r)));
    }
    return rows;
}

QString TGridCopier::SelectionText() const {
    int top = -1, bottom = -1, left = -1, right = -1;
    for (const QItemSelectionRange& range : View->selectionModel()->selection()) {
        top = top < 0 ? range.top() : std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
        left = left < 0 ? range.left() : std::min(left, range.left());
        right = std::max(right, range.right());
    }
    if (top < 0) {
        const QModelIndex current = View->currentIndex();
        if (!current.isValid())
            return {};
        top = bottom = current.row();
        left = right = current.column();
    }
    std::vector<int> columns = ShownColumns(1);
    std::erase_if(columns, [&](int c) { return c - 1 < left || c - 1 > right; });
    return JoinRows(Rows(top + 1, bottom + 1, columns));
}

QString TGridCopier::WholeTableText() const {
    return JoinRows(Rows(0, DataRowCount(), ShownColumns(0)));
}

void TGridCopier::CopySelection() const {
    QApplication::clipboard()->setText(SelectionText());
}

void TGridCopier::CopyWholeTable() const {
    QApplication::clipboard()->setText(WholeTableText());
}

void TGridCopier::SelectAllData() const {
    const int rows = DataRowCount();
    const int columns = View->model()->columnCount();
    if (rows == 0 || columns == 0)
        return;
    const QAbstractItemModel* model = View->model();
    View->selectionModel()->select(
        QItemSelection(model->index(0, 0), model->index(rows - 1, columns - 1)),
        QItemSelectionModel::ClearAndSelect);
}

QString TGridCopier::JoinRows(const std::vector<std::vector<QString>>& rows) {
    QStringList lines;
    for (const std::vector<QString>& row : rows) {
        QStringList cells;
        for (const QString& cell : row)
            cells << Quoted(cell);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

bool TGridCopier::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == View) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            CopySelection();
            return true;
        }
        if (key->matches(QKeySequence::SelectAll)) {
            SelectAllData();
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu) {
        ShowMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return false;
}

void TGridCopier::ShowMenu(const QPoint& globalPos) {
    auto* menu = new QMenu(View);
    menu->setObjectName(QStringLiteral("GridCopyMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(QString::fromUtf8("复制"), this, &TGridCopier::CopySelection);
    copy->setObjectName(QStringLiteral("actCopy"));
    copy->setShortcut(QKeySequence::Copy); // shown beside the entry; the key is taken above
    QAction* whole =
        menu->addAction(QString::fromUtf8("复制整个表格"), this, &TGridCopier::CopyWholeTable);
    whole->setObjectName(QStringLiteral("actCopyTable"));
    menu->popup(globalPos);
}

} // namespace korvane
