#include "RankAnalysis.h"

#include "ExchangeSort.h"
#include "MyUtils.h"
#include "ResultTables.h"
#include "ResultTexts.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace korvane {

namespace {

std::string Decimal(std::int64_t value) {
    return std::to_string(value);
}

} // namespace

void SortBySales(TResultLists& lists) {
    const TItemList& source = lists.DefaultList;
    const std::size_t count = source.size();
    const std::vector<std::int32_t> ranks = DenseRanks(count, [&](std::int32_t a, std::int32_t b) {
        return source[static_cast<std::size_t>(a)].Sales <
               source[static_cast<std::size_t>(b)].Sales;
    });
    const std::vector<std::int32_t> order = ExchangeSortOrder(ranks, TTieSwap::No);
    TItemList sorted;
    sorted.reserve(count);
    for (std::size_t p = 0; p < count; ++p) {
        sorted.push_back(source[static_cast<std::size_t>(order[p])]);
        sorted.back().SalesRank = static_cast<std::int32_t>(p + 1);
    }
    lists.SalesSortedList = std::move(sorted);
}

TItemRecordInfo FindSalesRecord(const TResultLists& lists, std::string_view id) {
    for (const TItemRecordInfo& record : lists.SalesOrderList)
        if (record.ID == id)
            return record;
    return {};
}

TAnalysisSummary AnalyseRanks(TResultLists& lists, TStringGrid& sgData2, TStringGrid& sgData3,
                              TListingCoverage coverage) {
    TAnalysisSummary summary;
    SortBySales(lists);
    const TItemList& sorted = lists.SalesSortedList;
    const std::size_t count = sorted.size();

    // An item is demoted when FindSalesRecord gives back a record with an
    // empty ID: no entry carries its ID, or its own ID is empty. Only that
    // matters of the record, so a set of the listed ids answers it for every
    // item at once. Items sharing an ID share the answer, which is why the
    // ranking rows below can skip by it instead of searching DemotedIDs.
    std::unordered_set<std::string_view> listedIds;
    listedIds.reserve(lists.SalesOrderList.size());
    for (const TItemRecordInfo& record : lists.SalesOrderList)
        listedIds.insert(record.ID);
    std::vector<std::uint8_t> isDemoted(count);
    for (std::size_t p = 0; p < count; ++p)
        isDemoted[p] = sorted[p].ID.empty() || !listedIds.contains(sorted[p].ID) ? 1 : 0;
    summary.Items = static_cast<std::int32_t>(count);

    // A sales listing cut at the page limit ends with its last page: an item
    // it leaves out that sells no more than the least it lists there may lie
    // past that end rather than be pushed out. Only an item whose own figure
    // was read can be judged so; one without an id cannot be judged at all.
    if (coverage.SalesCut && coverage.CutSales) {
        const std::int32_t cut = *coverage.CutSales;
        summary.CutSales = cut;
        for (std::size_t p = 0; p < count; ++p)
            if (isDemoted[p] != 0 && !sorted[p].ID.empty() && sorted[p].SalesRead &&
                sorted[p].Sales <= cut) {
                isDemoted[p] = 0;
                ++summary.PastCut;
            }
    }

    {
        TStringGrid::TUpdateScope update(sgData2);
        std::int32_t demotedRows = 0;
        for (std::size_t p = 0; p < count; ++p) {
            if (isDemoted[p] == 0)
                continue;
            const TItemInfo& item = sorted[p];
            const std::int32_t row = ++demotedRows;
            sgData2.SetCell(demoted::kNumber, row, Decimal(row));
            sgData2.SetCell(demoted::kTitle, row, item.Title);
            sgData2.SetCell(demoted::kSales, row, Decimal(item.Sales));
            sgData2.SetCell(demoted::kPrice, row, item.Price);
            sgData2.SetCell(demoted::kId, row, item.ID);
            sgData2.SetRowCount(sgData2.RowCount() + 1);
        }
        summary.Demoted = demotedRows;
        if (demotedRows == 0) {
            Method::ClearGrid(sgData2, kEmptyTableRowCount);
            const bool whole = coverage.DefaultWhole;
            std::string notice(whole ? texts::kNoDemotedBefore : texts::kNoneDemotedOfReadBefore);
            notice += Decimal(static_cast<std::int64_t>(count));
            notice += whole ? texts::kNoDemotedAfter : texts::kNoneDemotedOfReadAfter;
            sgData2.SetCell(demoted::kTitle, 1, std::move(notice));
        }
    }

    // The items ordered by their gap, Rank - SalesRank, lowest first: the
    // smallest gap gets the highest key. Differences are taken in 64 bits so
    // that no rank can overflow them.
    std::vector<std::int64_t> gaps(count);
    for (std::size_t p = 0; p < count; ++p)
        gaps[p] = std::int64_t{sorted[p].Rank} - sorted[p].SalesRank;
    const std::vector<std::int32_t> gapKeys =
        DenseRanks(count, [&](std::int32_t a, std::int32_t b) {
            return gaps[static_cast<std::size_t>(a)] > gaps[static_cast<std::size_t>(b)];
        });
    const std::vector<std::int32_t> byGap = ExchangeSortOrder(gapKeys, TTieSwap::No);

    TStringGrid::TUpdateScope update(sgData3);
    std::int32_t rankingRows = 0;
    for (const std::int32_t index : byGap) {
        const auto p = static_cast<std::size_t>(index);
        if (isDemoted[p] != 0)
            continue;
        const TItemInfo& item = sorted[p];
        const std::int32_t row = ++rankingRows;
        sgData3.SetCell(ranking::kNumber, row, Decimal(row));
        sgData3.SetCell(ranking::kTitle, row, item.Title);
        sgData3.SetCell(ranking::kSales, row, Decimal(item.Sales));
        sgData3.SetCell(ranking::kPrice, row, item.Price);
        sgData3.SetCell(ranking::kRank, row, Decimal(item.Rank));
        sgData3.SetCell(ranking::kSalesRank, row, Decimal(item.SalesRank));
        sgData3.SetCell(ranking::kDifference, row, Decimal(-gaps[p]));
        if (item.SalesRank <= kVerdictSalesRanks) {
            const bool pushedDown = item.Rank > item.SalesRank;
            summary.TopDemoted += pushedDown ? 1 : 0;
            sgData3.SetCell(
                ranking::kVerdict, row,
                std::string(pushedDown ? texts::kDemotedVerdict : texts::kNormalVerdict));
        }
        sgData3.SetCell(ranking::kId, row, item.ID);
        sgData3.SetRowCount(sgData3.RowCount() + 1);
    }
    return summary;
}

} // namespace korvane
