#include "ResultTables.h"

#include "GbkText.h"
#include "ListingPageBuilder.h"
#include "ResultTexts.h"
#include "SortChoice.h"
#include "ThreadUnit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvane;
using korvane::test::Gbk;

namespace {

TEST(ResultTexts, AreTheGbkBytesOfTheChineseTexts) {
    const std::vector<std::pair<std::string_view, const char*>> texts = {
        {texts::kItemHeader, "宝贝"},
        {texts::kSalesHeader, "成交量"},
        {texts::kPriceHeader, "价格"},
        {texts::kRankHeader, "实际排名"},
        {texts::kSalesRankHeader, "理论排名"},
        {texts::kDifferenceHeader, "差值"},
        {texts::kDemotedVerdict, "重要宝贝被隐性降权"},
        {texts::kNormalVerdict, "重要宝贝权值正常"},
        {texts::kNormalMark, "正常"},
        {texts::kNoDemotedBefore, "店铺宝贝共"},
        {texts::kNoDemotedAfter, "个 ，没有被降权宝贝"},
        {texts::kSortGapDescending, "权重从高到低排列"},
        {texts::kSortGapAscending, "权重从低到高排列"},
        {texts::kSortBySales, "店铺主打宝贝权重"},
    };
    for (const auto& [gbk, utf8] : texts)
        EXPECT_EQ(gbk, Gbk(utf8)) << utf8;
}

struct TableShape {
    const char* name;
    std::vector<const char*> headers; // UTF-8
    std::vector<std::int32_t> widths;
};

TEST(SetUpResultTables, ColumnsHeadersWidthsAndOneEmptyRow) {
    TStringGrid sgData1, sgData2, sgData3;
    SetUpResultTables(sgData1, sgData2, sgData3);
    const std::vector<std::pair<TStringGrid*, TableShape>> tables = {
        {&sgData1, {"sgData1", {"", "宝贝", "成交量", "价格", "", ""}, {35, 500, 60, 55, 0, 0}}},
        {&sgData2, {"sgData2", {"", "宝贝", "成交量", "价格", ""}, {35, 500, 60, 55, 0}}},
        {&sgData3,
         {"sgData3",
          {"", "宝贝", "成交量", "价格", "实际排名", "理论排名", "差值", "", ""},
          {35, 500, 60, 55, 65, 65, 50, 130, 0}}},
    };
    for (const auto& [grid, shape] : tables) {
        SCOPED_TRACE(shape.name);
        ASSERT_EQ(grid->ColumnCount(), static_cast<std::int32_t>(shape.headers.size()));
        EXPECT_EQ(grid->RowCount(), 2);
        for (std::int32_t c = 0; c < grid->ColumnCount(); ++c) {
            const auto i = static_cast<std::size_t>(c);
            EXPECT_EQ(grid->Cell(c, 0), Gbk(shape.headers[i])) << "column " << c;
            EXPECT_EQ(grid->ColumnWidth(c), shape.widths[i]) << "column " << c;
            EXPECT_EQ(grid->Cell(c, 1), "");
        }
    }
    // The id columns the double clicks read are the hidden ones.
    EXPECT_TRUE(sgData1.IsColumnHidden(allitems::kId));
    EXPECT_TRUE(sgData1.IsColumnHidden(allitems::kUnused));
    EXPECT_TRUE(sgData2.IsColumnHidden(demoted::kId));
    EXPECT_TRUE(sgData3.IsColumnHidden(ranking::kId));
}

TEST(SetUpResultTables, ReshapesATableThatHeldMore) {
    TStringGrid grid(12, 30);
    grid.SetCell(11, 29, "stale");
    grid.SetCell(3, 1, "stale");
    SetUpTable(grid, ranking::kColumns);
    EXPECT_EQ(grid.ColumnCount(), 9);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(3, 1), "stale"); // set-up shapes; clearing is ClearGrid's job
    grid.SetColumnCount(12);
    grid.SetRowCount(30);
    EXPECT_EQ(grid.Cell(11, 29), "");
}

TEST(SortChoices, TextsColumnsAndModes) {
    ASSERT_EQ(kSortChoices.size(), 3U);
    EXPECT_EQ(kSortChoices[0].Text, Gbk("权重从高到低排列"));
    EXPECT_EQ(kSortChoices[0].DataColumn, 5);
    EXPECT_EQ(kSortChoices[0].Mode, kSortDescending);
    EXPECT_EQ(kSortChoices[1].Text, Gbk("权重从低到高排列"));
    EXPECT_EQ(kSortChoices[1].DataColumn, 5);
    EXPECT_EQ(kSortChoices[1].Mode, kSortAscending);
    EXPECT_EQ(kSortChoices[2].Text, Gbk("店铺主打宝贝权重"));
    EXPECT_EQ(kSortChoices[2].DataColumn, 1);
    EXPECT_EQ(kSortChoices[2].Mode, kSortDescending);
    EXPECT_EQ(kInitialSortChoice, 2U);
    // Data column 5 is the difference column, 1 the sales column.
    EXPECT_EQ(kSortChoices[0].DataColumn + 1, ranking::kDifference);
    EXPECT_EQ(kEndOfRunSort.DataColumn + 1, ranking::kSales);
    EXPECT_EQ(kEndOfRunSort.Mode, kSortDescending);
}

TEST(ApplySortChoice, SortsByTheChoiceAndIgnoresNoSelection) {
    TStringGrid sgData3;
    SetUpTable(sgData3, ranking::kColumns);
    for (const char* sales : {"3", "12", "7"}) {
        const std::int32_t row = sgData3.RowCount() - 1;
        sgData3.SetCell(ranking::kSales, row, sales);
        sgData3.SetCell(ranking::kDifference, row, std::string("-") + sales);
        sgData3.SetRowCount(row + 2);
    }
    ApplySortChoice(sgData3, -1);
    ApplySortChoice(sgData3, 3);
    EXPECT_EQ(sgData3.Cell(ranking::kSales, 1), "3");
    ApplySortChoice(sgData3, 2);
    EXPECT_EQ(sgData3.Cell(ranking::kSales, 1), "12");
    EXPECT_EQ(sgData3.Cell(ranking::kSales, 3), "3");
    ApplySortChoice(sgData3, 0); // by difference, highest first
    EXPECT_EQ(sgData3.Cell(ranking::kDifference, 1), "-3");
    ApplySortChoice(sgData3, 1);
    EXPECT_EQ(sgData3.Cell(ranking::kDifference, 1), "-12");
}

TEST(AddItemRow, FillsTheBottomRowAndGrowsByOne) {
    TStringGrid sgData1, sgData2, sgData3;
    SetUpResultTables(sgData1, sgData2, sgData3);
    sgData1.SetCell(allitems::kUnused, 1, "untouched");
    TItemInfo item{"4211", Gbk("连衣裙"), "168.00", 7, -3, 0, 0};
    AddItemRow(sgData1, item);
    EXPECT_EQ(sgData1.RowCount(), 3);
    EXPECT_EQ(sgData1.Cell(0, 1), "7");
    EXPECT_EQ(sgData1.Cell(1, 1), Gbk("连衣裙"));
    EXPECT_EQ(sgData1.Cell(2, 1), "-3");
    EXPECT_EQ(sgData1.Cell(3, 1), "168.00");
    EXPECT_EQ(sgData1.Cell(4, 1), "untouched");
    EXPECT_EQ(sgData1.Cell(5, 1), "4211");
    for (std::int32_t c = 0; c < 6; ++c)
        EXPECT_EQ(sgData1.Cell(c, 2), "") << c;

    AddItemRow(sgData1, TItemInfo{"", "", "", 8, 0, 0, 0});
    EXPECT_EQ(sgData1.RowCount(), 4);
    EXPECT_EQ(sgData1.Cell(0, 2), "8");
    EXPECT_EQ(sgData1.Cell(2, 2), "0");
}

TEST(AddItemRow, BoundAsTheCrawlsRowWriter) {
    TStringGrid sgData1, sgData2, sgData3;
    SetUpResultTables(sgData1, sgData2, sgData3);
    TResultLists lists;
    TRunOperations ops;
    ops.Lists = &lists;
    ops.AddItemRow = [&sgData1](const TItemInfo& item) { AddItemRow(sgData1, item); };
    TRunThread worker(ops);
    const std::string page = test::ListingPageBuilder()
                                 .Add(test::MakeItem("11", "红裙", "99.00", "5"))
                                 .Add(test::MakeItem("22", "蓝裙", "1.50", std::nullopt))
                                 .Build();
    ASSERT_EQ(worker.ReadPage(TPass::Default, page).Items, 2);
    ASSERT_EQ(sgData1.RowCount(), 4);
    const std::vector<std::vector<std::string>> rows = {
        {"1", Gbk("红裙"), "5", "99.00", "", "11"},
        {"2", Gbk("蓝裙"), std::string(texts::kUnreadSales), "1.50", "", "22"},
    };
    for (std::int32_t r = 1; r <= 2; ++r)
        for (std::int32_t c = 0; c < 6; ++c)
            EXPECT_EQ(sgData1.Cell(c, r),
                      rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)])
                << "cell " << c << ", " << r;
}

} // namespace
