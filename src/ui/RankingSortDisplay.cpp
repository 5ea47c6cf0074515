#include "RankingSortDisplay.h"

#include "GridView.h"

#include <QComboBox>
#include <QHeaderView>

namespace korvane {

TRankingSortDisplay::TRankingSortDisplay(TGridView* table, QComboBox* choices)
    : QObject(table), Table(table), Choices(choices) {
    // Shown when the header sorts to an order no choice gives.
    Choices->setPlaceholderText(QString::fromUtf8("按表头排序"));
    QHeaderView* header = Table->horizontalHeader();
    // A click on a sortable header turns its arrow round by itself, after
    // the press has sorted: only the table's order decides the arrow.
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this] { ShowOnHeader(); });
    connect(Table->model(), &QAbstractItemModel::modelReset, this, &TRankingSortDisplay::Unsorted);
    ShowOnHeader();
}

void TRankingSortDisplay::Sorted(std::int32_t dataColumn, bool descending) {
    Column = dataColumn;
    Descending = descending;
    ShowOnHeader();
    int matching = -1;
    for (std::size_t i = 0; i < kSortChoices.size(); ++i)
        if (kSortChoices[i].DataColumn == dataColumn &&
            (kSortChoices[i].Mode == kSortDescending) == descending)
            matching = static_cast<int>(i);
    Choices->setCurrentIndex(matching);
}

void TRankingSortDisplay::Unsorted() {
    Column = -1;
    ShowOnHeader();
}

void TRankingSortDisplay::ShowOnHeader() {
    QHeaderView* header = Table->horizontalHeader();
    const Qt::SortOrder order = Descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    header->setSortIndicatorShown(Column >= 0);
    if (header->sortIndicatorSection() != Column || header->sortIndicatorOrder() != order)
        header->setSortIndicator(Column, order);
}

} // namespace korvane
