#include "GridModel.h"

#include "QtWait.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvane;

namespace {

// What the model told its views after one ReorderRows: the model rectangle
// of dataChanged and the ranges of headerDataChanged, or -1 where none came.
struct Told {
    int top = -1, left = -1, bottom = -1, right = -1;
    int verticalFirst = -1, verticalLast = -1;
    int horizontalFirst = -1, horizontalLast = -1;
    bool operator==(const Told&) const = default;
};

TEST(GridModelTest, MovedRowsAreChangedCellsInModelCoordinates) {
    // Grid row 0 and column 0 are the headers: model cell (r, c) is grid
    // cell (c + 1, r + 1).
    const struct {
        const char* name;
        int firstRow;
        int rows;
        int firstColumn;
        Told told;
    } cases[] = {
        {"a sort", 1, 5, 1, {0, 0, 4, 3, -1, -1, -1, -1}},
        {"running numbers too", 2, 3, 0, {1, 0, 3, 3, 1, 3, -1, -1}},
        {"header row too", 0, 3, 2, {0, 1, 1, 3, -1, -1, 1, 3}},
        {"the last column alone", 3, 3, 4, {2, 3, 4, 3, -1, -1, -1, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TStringGrid grid(5, 7); // six data rows shown, four data columns
        TGridModel model(grid);
        QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        std::vector<std::int32_t> reversed;
        for (int p = c.rows - 1; p >= 0; --p)
            reversed.push_back(p);
        grid.ReorderRows(c.firstRow, reversed, c.firstColumn);

        Told told;
        ASSERT_LE(data.size(), 1);
        if (data.size() == 1) {
            const auto topLeft = data[0][0].value<QModelIndex>();
            const auto bottomRight = data[0][1].value<QModelIndex>();
            told.top = topLeft.row();
            told.left = topLeft.column();
            told.bottom = bottomRight.row();
            told.right = bottomRight.column();
        }
        for (const QList<QVariant>& notice : headers) {
            const bool vertical = notice[0].value<Qt::Orientation>() == Qt::Vertical;
            (vertical ? told.verticalFirst : told.horizontalFirst) = notice[1].toInt();
            (vertical ? told.verticalLast : told.horizontalLast) = notice[2].toInt();
        }
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(resets.size(), 0);
    }
}

TEST(GridModelTest, RowsMovedBeforeTheyAreShownAreToldWhenShown) {
    TStringGrid grid(3, 3);
    TGridModel model(grid);
    // Rows appended reach the views a moment later; a sort in between names
    // only the rows the views know, and the rest arrive already moved.
    for (int r = 2; r < 6; ++r) {
        grid.SetCell(1, r, std::to_string(r));
        grid.SetRowCount(r + 2);
    }
    ASSERT_EQ(model.rowCount(), 2);
    QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
    grid.ReorderRows(1, std::vector<std::int32_t>{5, 4, 3, 2, 1, 0}, 1);
    ASSERT_EQ(data.size(), 1);
    EXPECT_EQ(data[0][0].value<QModelIndex>(), model.index(0, 0));
    EXPECT_EQ(data[0][1].value<QModelIndex>(), model.index(1, 1));
    ASSERT_TRUE(test::WaitUntil([&model] { return model.rowCount() == 6; }, 1000));
    EXPECT_EQ(model.index(0, 0).data().toString(), QString());
    EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("5"));
    EXPECT_EQ(model.index(4, 0).data().toString(), QStringLiteral("2"));
}

} // namespace
