#pragma once

#include "SortChoice.h"

#include <QObject>

#include <cstdint>

class QComboBox;

namespace korvane {

class TGridView;

// Shows how the ranking table is ordered: the sort arrow on the header of the
// column it was last sorted by (drawn as the platform's style draws an
// ascending or descending sort), and in the sort list the choice that gives
// that order, or none when no choice does: a header sort that no choice
// gives leaves the list blank. A table filled anew (a run, a clear) shows no
// order.
class TRankingSortDisplay final : public QObject {
public:
    // Lives as long as table.
    TRankingSortDisplay(TGridView* table, QComboBox* choices);

    // The table was sorted by data column dataColumn (table column + 1).
    void Sorted(std::int32_t dataColumn, bool descending);
    void Sorted(const TSortChoice& choice) {
        Sorted(choice.DataColumn, choice.Mode == kSortDescending);
    }

    // -1 when the table shows no sort.
    std::int32_t SortedColumn() const { return Column; }
    bool SortedDescending() const { return Descending; }

private:
    void Unsorted();
    void ShowOnHeader();

    TGridView* Table;
    QComboBox* Choices;
    std::int32_t Column = -1;
    bool Descending = false;
};

} // namespace korvane
