#include "RankAnalysis.h"

#include "GbkText.h"
#include "MyUtils.h"
#include "ResultTables.h"
#include "SortChoice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace korvane;
using korvane::test::Gbk;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

using Table = std::vector<std::vector<std::string>>; // rows of cells, from row 1

class RankAnalysisTest : public ::testing::Test {
protected:
    TResultLists Lists;
    TStringGrid sgData1, sgData2, sgData3;

    void SetUp() override { SetUpResultTables(sgData1, sgData2, sgData3); }

    // A default-pass item as the crawl stores it: the next rank, no sales rank.
    void Listed(const std::string& id, std::int32_t sales) {
        const auto rank = static_cast<std::int32_t>(Lists.DefaultList.size() + 1);
        Lists.DefaultList.push_back({id, "t" + id, "p" + id, rank, sales, 0, 0, true});
    }
    // An item whose sales figure could not be read ("2,999"): 0 in the tables.
    void ListedUnread(const std::string& id) {
        Listed(id, 0);
        Lists.DefaultList.back().SalesRead = false;
    }
    void InSalesOrder(const std::string& id) { Lists.SalesOrderList.push_back({id, "s" + id}); }

    void Analyse() { AnalyseRanks(Lists, sgData2, sgData3); }

    std::vector<std::string> SortedIds() const {
        std::vector<std::string> ids;
        for (const TItemInfo& item : Lists.SalesSortedList)
            ids.push_back(item.ID);
        return ids;
    }

    // Every cell below the header, the empty bottom row included.
    static Table Rows(const TStringGrid& grid) {
        Table rows;
        for (std::int32_t r = 1; r < grid.RowCount(); ++r) {
            std::vector<std::string>& row = rows.emplace_back();
            for (std::int32_t c = 0; c < grid.ColumnCount(); ++c)
                row.push_back(grid.Cell(c, r));
        }
        return rows;
    }
    static std::vector<std::string> EmptyRow(const TStringGrid& grid) {
        return std::vector<std::string>(static_cast<std::size_t>(grid.ColumnCount()));
    }
};

TEST_F(RankAnalysisTest, WorkedExampleCellByCell) {
    Listed("V", 5);
    Listed("W", 9);
    Listed("X", 5);
    Listed("Y", 0);
    Listed("Z", 9);
    for (const char* id : {"W", "Z", "V", "X"})
        InSalesOrder(id);

    const TAnalysisSummary summary = AnalyseRanks(Lists, sgData2, sgData3);

    // For the seller's summary: Z is a top seller pushed down. W shares its
    // figure with Z, so its sales earn it place 1 or 2, and it stands at 2:
    // no lower than its sales earn, whatever order the sort gives the two.
    EXPECT_EQ(summary.Items, 5);
    EXPECT_EQ(summary.Demoted, 1);
    EXPECT_EQ(summary.TopDemoted, 1);
    EXPECT_THAT(SortedIds(), ElementsAre("W", "Z", "X", "V", "Y"));
    for (std::size_t p = 0; p < Lists.SalesSortedList.size(); ++p) {
        EXPECT_EQ(Lists.SalesSortedList[p].SalesRank, static_cast<std::int32_t>(p + 1));
        EXPECT_EQ(Lists.SalesSortedList[p].Gap, 0);
    }
    for (const TItemInfo& item : Lists.DefaultList)
        EXPECT_EQ(item.SalesRank, 0); // the analysis works on its own copies

    const Table demotedRows = {{"1", "tY", "0", "pY", "Y"}, EmptyRow(sgData2)};
    EXPECT_EQ(Rows(sgData2), demotedRows);

    const std::string normal = Gbk("重要宝贝权值正常");
    const std::string demoted = Gbk("重要宝贝被隐性降权");
    const Table rankingRows = {
        {"1", "tV", "5", "pV", "1", "4", "3", normal, "V"},
        {"2", "tX", "5", "pX", "3", "3", "0", normal, "X"},
        {"3", "tW", "9", "pW", "2", "1", "-1", normal, "W"},
        {"4", "tZ", "9", "pZ", "5", "2", "-3", demoted, "Z"},
        EmptyRow(sgData3),
    };
    EXPECT_EQ(Rows(sgData3), rankingRows);

    // The end of the run then orders by sales, highest first; the running
    // numbers stay where they are.
    TSortGrid::SortColumn(sgData3, kEndOfRunSort.DataColumn, kEndOfRunSort.Mode);
    std::vector<std::string> ids, numbers;
    for (const std::vector<std::string>& row : Rows(sgData3)) {
        numbers.push_back(row[ranking::kNumber]);
        ids.push_back(row[ranking::kId]);
    }
    EXPECT_THAT(ids, ElementsAre("W", "Z", "V", "X", ""));
    EXPECT_THAT(numbers, ElementsAre("1", "2", "3", "4", ""));
}

TEST_F(RankAnalysisTest, EmptyListsGiveTheNoticeWithZero) {
    Lists.SalesSortedList.push_back({"old", "", "", 1, 1, 1, 0}); // a previous run's
    InSalesOrder("elsewhere");

    Analyse();

    EXPECT_TRUE(Lists.SalesSortedList.empty());
    ASSERT_EQ(sgData2.RowCount(), 2);
    EXPECT_EQ(sgData2.Cell(demoted::kTitle, 1), Gbk("店铺宝贝共0个 ，没有被降权宝贝"));
    EXPECT_EQ(sgData2.Cell(demoted::kNumber, 1), "");
    EXPECT_EQ(sgData2.Cell(demoted::kId, 1), "");
    EXPECT_EQ(Rows(sgData3), Table{EmptyRow(sgData3)});
}

// A sales listing cut at the page limit ends at the lowest figure on its
// last page: an item it leaves out is past that end, not pushed out, only
// when its own figure was read and is no higher. Such an item is not called
// demoted; it is ranked like the others.
TEST_F(RankAnalysisTest, ItemsPastACutSalesListingAreNotDemoted) {
    Listed("a", 9);
    Listed("gone", 8);    // left out though it outsells the cut: pushed out
    ListedUnread("best"); // a best seller whose figure reads "2,999"
    Listed("b", 5);
    Listed("c", 3);
    Listed("tie", 3);
    ListedUnread("unread");
    Listed("low", 1);
    Listed("", 0); // no id: demoted whatever its sales
    for (const char* id : {"a", "b", "c"})
        InSalesOrder(id);
    struct Case {
        const char* name;
        TListingCoverage coverage;
        std::vector<std::string> demoted;
        std::int32_t pastCut;
        std::int32_t cutSales;
    };
    const Case cases[] = {
        // An item without a figure follows those with one.
        {"read whole", {}, {"gone", "tie", "low", "", "best", "unread"}, 0, 0},
        {"cut at the sales of a listed item, ties excused",
         {true, true, 3},
         {"gone", "", "best", "unread"},
         2,
         3},
        // The cut is the sales listing's own end, not any item both share.
        {"cut below every shared item",
         {true, true, 2},
         {"gone", "tie", "", "best", "unread"},
         1,
         2},
        {"cut above an item left out", {true, true, 8}, {"", "best", "unread"}, 3, 8},
        {"cut without a figure on the last page",
         {true, true, std::nullopt},
         {"gone", "tie", "low", "", "best", "unread"},
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpResultTables(sgData1, sgData2, sgData3);
        const TAnalysisSummary summary = AnalyseRanks(Lists, sgData2, sgData3, c.coverage);

        std::vector<std::string> demotedIds;
        for (std::int32_t r = 1; r + 1 < sgData2.RowCount(); ++r)
            demotedIds.push_back(sgData2.Cell(demoted::kId, r));
        EXPECT_EQ(demotedIds, c.demoted);
        // Excused items are ranked like any other.
        EXPECT_EQ(sgData3.RowCount() - 2, 9 - static_cast<int>(c.demoted.size()));
        EXPECT_EQ(summary.Items, 9);
        EXPECT_EQ(summary.Demoted, static_cast<std::int32_t>(c.demoted.size()));
        EXPECT_EQ(summary.PastCut, c.pastCut);
        EXPECT_EQ(summary.CutSales, c.cutSales);
    }
}

// A top seller is called pushed down only when its default rank is lower
// than every place its sales can earn: below every item that sells as much,
// and below every item whose figure could not be read.
TEST_F(RankAnalysisTest, VerdictGivesTiesAndUnreadFiguresTheBenefitOfTheDoubt) {
    const std::string normal = Gbk("重要宝贝权值正常");
    const std::string pushed = Gbk("重要宝贝被隐性降权");
    struct Item {
        const char* id;
        std::optional<std::int32_t> sales; // none: unreadable
    };
    struct Case {
        const char* name;
        std::vector<Item> byDefault; // default order, every item listed by sales too
        std::map<std::string, std::string> verdicts;
        std::int32_t topDemoted;
    };
    const Case cases[] = {
        {"tied with the item above", {{"a", 9}, {"b", 9}}, {{"a", normal}, {"b", normal}}, 0},
        {"below a lesser seller", {{"a", 5}, {"b", 9}}, {{"a", normal}, {"b", pushed}}, 1},
        // The unread item may sell most: nobody stands lower than earned.
        {"under an unread best seller",
         {{"u", std::nullopt}, {"a", 9}, {"b", 5}},
         {{"u", ""}, {"a", normal}, {"b", normal}},
         0},
        // Below a lesser seller and the unread one: lower than any place.
        {"pushed below both",
         {{"u", std::nullopt}, {"b", 5}, {"a", 9}},
         {{"u", ""}, {"a", pushed}, {"b", normal}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lists = {};
        SetUpResultTables(sgData1, sgData2, sgData3);
        for (const Item& item : c.byDefault) {
            Listed(item.id, item.sales.value_or(0));
            Lists.DefaultList.back().SalesRead = item.sales.has_value();
            InSalesOrder(item.id);
        }
        const TAnalysisSummary summary = AnalyseRanks(Lists, sgData2, sgData3);
        EXPECT_EQ(summary.TopDemoted, c.topDemoted);
        for (std::int32_t r = 1; r + 1 < sgData3.RowCount(); ++r) {
            const std::string& id = sgData3.Cell(ranking::kId, r);
            EXPECT_EQ(sgData3.Cell(ranking::kVerdict, r), c.verdicts.at(id)) << id;
            // An unread figure shows as such, with no earned place.
            const bool unread = id == "u";
            EXPECT_EQ(sgData3.Cell(ranking::kSales, r) == texts::kUnreadSales, unread) << id;
            EXPECT_EQ(sgData3.Cell(ranking::kSalesRank, r).empty(), unread) << id;
        }
        EXPECT_EQ(summary.UnreadSales, c.byDefault.front().sales ? 0 : 1);
    }
}

// An item the check could neither confirm as left out nor find again is
// ranked with a verdict that says so, and is never called demoted.
TEST_F(RankAnalysisTest, UnconfirmedItemIsRankedNotAccused) {
    Listed("a", 9);
    Listed("gone", 7);
    Listed("lost", 5);
    InSalesOrder("a");
    TListingCoverage coverage;
    coverage.Unconfirmed = {"lost"};
    const TAnalysisSummary summary = AnalyseRanks(Lists, sgData2, sgData3, coverage);
    EXPECT_EQ(summary.Demoted, 1);
    EXPECT_EQ(sgData2.Cell(demoted::kId, 1), "gone");
    EXPECT_EQ(summary.Unconfirmed, 1);
    std::map<std::string, std::string> verdicts;
    for (std::int32_t r = 1; r + 1 < sgData3.RowCount(); ++r)
        verdicts[sgData3.Cell(ranking::kId, r)] = sgData3.Cell(ranking::kVerdict, r);
    EXPECT_EQ(verdicts.at("lost"), texts::kUnconfirmedVerdict);
    EXPECT_FALSE(IsWarningVerdict(verdicts.at("lost")));
    EXPECT_TRUE(IsWarningVerdict(texts::kDemotedVerdict));
}

// Without the whole default listing the notice cannot speak for the shop.
TEST_F(RankAnalysisTest, NoticeOfAPartlyReadListingSpeaksOfTheItemsRead) {
    Listed("a", 3);
    Listed("b", 1);
    InSalesOrder("a");
    InSalesOrder("b");

    AnalyseRanks(Lists, sgData2, sgData3, {false, false, std::nullopt});

    ASSERT_EQ(sgData2.RowCount(), 2);
    EXPECT_EQ(sgData2.Cell(demoted::kTitle, 1), Gbk("已读的2个宝贝中没有被降权宝贝"));
}

TEST_F(RankAnalysisTest, NothingDemotedShowsTheNoticeByteForByte) {
    Listed("a", 3);
    Listed("b", 1);
    Listed("c", 2);
    for (const char* id : {"c", "zz", "a", "b"}) // zz is listed for sale only: no part
        InSalesOrder(id);

    Analyse();

    const std::string notice = "\xB5\xEA\xC6\xCC\xB1\xA6\xB1\xB4\xB9\xB2" // 店铺宝贝共
                               "3"
                               "\xB8\xF6 \xA3\xAC\xC3\xBB\xD3\xD0\xB1\xBB\xBD\xB5\xC8\xA8\xB1\xA6"
                               "\xB1\xB4"; // 个 ，没有被降权宝贝
    EXPECT_EQ(notice, Gbk("店铺宝贝共3个 ，没有被降权宝贝"));
    std::vector<std::string> noticeRow = EmptyRow(sgData2);
    noticeRow[demoted::kTitle] = notice;
    EXPECT_EQ(Rows(sgData2), Table{noticeRow});
    EXPECT_EQ(sgData3.RowCount(), 5);
}

TEST_F(RankAnalysisTest, EmptySalesOrderDemotesEverythingInSalesOrder) {
    Listed("a", 1);
    Listed("b", 7);
    Listed("c", 4);

    Analyse();

    const Table demotedRows = {{"1", "tb", "7", "pb", "b"},
                               {"2", "tc", "4", "pc", "c"},
                               {"3", "ta", "1", "pa", "a"},
                               EmptyRow(sgData2)};
    EXPECT_EQ(Rows(sgData2), demotedRows);
    EXPECT_EQ(Rows(sgData3), Table{EmptyRow(sgData3)});
}

TEST_F(RankAnalysisTest, EqualSalesFollowTheExchangeSort) {
    struct Case {
        std::vector<std::pair<std::string, std::int32_t>> items;
        std::vector<std::string> sorted;
    };
    const std::vector<Case> cases = {
        {{{"X", 1}, {"Y", 1}, {"Z", 2}}, {"Z", "Y", "X"}},
        {{{"X", 2}, {"Y", 2}, {"Z", 1}}, {"X", "Y", "Z"}},
        {{{"A", 0}, {"B", 0}, {"C", 0}, {"D", 0}}, {"A", "B", "C", "D"}},
        {{{"A", 1}, {"B", 2}, {"C", 2}, {"D", 3}}, {"D", "C", "B", "A"}},
        {{{"A", -1}, {"B", 0}, {"C", -1}}, {"B", "A", "C"}},
    };
    for (const Case& c : cases) {
        Lists = {};
        for (const auto& [id, sales] : c.items)
            Listed(id, sales);
        SortBySales(Lists);
        EXPECT_THAT(SortedIds(), ElementsAreArray(c.sorted));
    }
}

TEST_F(RankAnalysisTest, VerdictsForSalesRanksUpToTen) {
    // Sales fall with the rank except that ranks 10 and 11 trade places.
    for (std::int32_t rank = 1; rank <= 12; ++rank) {
        const std::int32_t sales = rank == 10 ? 89 : rank == 11 ? 90 : 100 - rank;
        Listed("i" + std::to_string(rank), sales);
        InSalesOrder("i" + std::to_string(rank));
    }

    Analyse();

    const std::string normal = Gbk("重要宝贝权值正常");
    const std::string demoted = Gbk("重要宝贝被隐性降权");
    std::map<std::string, std::vector<std::string>> byId;
    for (const std::vector<std::string>& row : Rows(sgData3))
        byId[row[ranking::kId]] = row;
    ASSERT_EQ(byId.size(), 13U); // twelve items and the empty bottom row
    for (std::int32_t rank = 1; rank <= 9; ++rank)
        EXPECT_EQ(byId["i" + std::to_string(rank)][ranking::kVerdict], normal) << rank;
    // Sales rank 10 stands at rank 11: a verdict, and a demoted one.
    EXPECT_EQ(byId["i11"][ranking::kSalesRank], "10");
    EXPECT_EQ(byId["i11"][ranking::kVerdict], demoted);
    // Sales rank 11 and 12: none.
    EXPECT_EQ(byId["i10"][ranking::kSalesRank], "11");
    EXPECT_EQ(byId["i10"][ranking::kVerdict], "");
    EXPECT_EQ(byId["i12"][ranking::kVerdict], "");
}

TEST_F(RankAnalysisTest, DuplicateAndEmptyIds) {
    Listed("dup", 50); // demoted twice over
    Listed("", 40);    // an empty id is always demoted...
    Listed("keep", 30);
    Listed("dup", 20);
    Listed("keep", 10); // ...listed twice in both passes: ranked twice
    Listed("Keep", 5);  // ids are compared byte for byte
    Listed("keep ", 4);
    InSalesOrder(""); // ...even when the sales pass had one too
    InSalesOrder("keep");
    InSalesOrder("keep");

    Analyse();

    const Table demotedRows = {
        {"1", "tdup", "50", "pdup", "dup"},      {"2", "t", "40", "p", ""},
        {"3", "tdup", "20", "pdup", "dup"},      {"4", "tKeep", "5", "pKeep", "Keep"},
        {"5", "tkeep ", "4", "pkeep ", "keep "}, EmptyRow(sgData2)};
    EXPECT_EQ(Rows(sgData2), demotedRows);
    // Both "keep" rows are ranked; the demoted items still held sales ranks 1
    // and 2, so only these two verdicts appear.
    const std::string normal = Gbk("重要宝贝权值正常");
    const Table rankingRows = {
        {"1", "tkeep", "30", "pkeep", "3", "3", "0", normal, "keep"},
        {"2", "tkeep", "10", "pkeep", "5", "5", "0", normal, "keep"},
        EmptyRow(sgData3),
    };
    EXPECT_EQ(Rows(sgData3), rankingRows);
}

TEST_F(RankAnalysisTest, FindSalesRecordReturnsTheFirstMatchOrAnEmptyRecord) {
    Lists.SalesOrderList = {{"7", "first"}, {"8", "other"}, {"7", "second"}};
    EXPECT_EQ(FindSalesRecord(Lists, "7"), (TItemRecordInfo{"7", "first"}));
    EXPECT_EQ(FindSalesRecord(Lists, "8"), (TItemRecordInfo{"8", "other"}));
    EXPECT_EQ(FindSalesRecord(Lists, "7 "), TItemRecordInfo{});
    EXPECT_EQ(FindSalesRecord(Lists, ""), TItemRecordInfo{});
}

// Counts resets, blocks of changed cells and everything else.
class ResetCounter : public TStringGridObserver {
public:
    int Resets = 0;
    int Blocks = 0;
    int Others = 0;
    void Reset() override { ++Resets; }
    void CellsChanged(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override { ++Blocks; }
    void CellChanged(std::int32_t, std::int32_t) override { ++Others; }
    void RowCountChanged(std::int32_t, std::int32_t) override { ++Others; }
};

TEST_F(RankAnalysisTest, EachTableHearsOneNoticePerStep) {
    for (int i = 0; i < 30; ++i) {
        Listed(std::to_string(i), i % 7);
        if (i % 4 != 0)
            InSalesOrder(std::to_string(i));
    }
    ResetCounter demotedView, rankingView;
    sgData2.AddObserver(&demotedView);
    sgData3.AddObserver(&rankingView);
    Analyse();
    TSortGrid::SortColumn(sgData3, 1, kSortDescending);
    sgData2.RemoveObserver(&demotedView);
    sgData3.RemoveObserver(&rankingView);
    EXPECT_EQ(demotedView.Resets, 1);
    EXPECT_EQ(demotedView.Others, 0);
    EXPECT_EQ(demotedView.Blocks, 0);
    // The analysis refills the table; the sort only moves its cells.
    EXPECT_EQ(rankingView.Resets, 1);
    EXPECT_EQ(rankingView.Blocks, 1);
    EXPECT_EQ(rankingView.Others, 0);
}

} // namespace
