#pragma once

#include <QHeaderView>
#include <QStyleOptionHeader>

namespace korvane {

// A table's column header whose sort arrow points as the desktop's does:
// up for an ascending order, down for a descending one. The toolkit leaves
// the direction to the style, and styles disagree (Fusion on Linux draws the
// reverse of the Windows style), so the arrow is chosen by how the header's
// own style draws it.
class TSortHeader final : public QHeaderView {
public:
    TSortHeader(Qt::Orientation orientation, QWidget* parent);

    // The indicator that style draws as an arrow pointing up (or down).
    static QStyleOptionHeader::SortIndicator Arrow(const QStyle& style, bool up);

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
};

} // namespace korvane
