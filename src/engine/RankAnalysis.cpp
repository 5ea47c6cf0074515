#include "RankAnalysis.h"

#include "ExchangeSort.h"
#include "MyUtils.h"
#include "ResultTables.h"
#include "ResultTexts.h"

#include <algorithm>
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
    std::vector<std::size_t> read;
    read.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i)
        if (source[i].SalesRead)
            read.push_back(i);
    const std::size_t count = read.size();
    const std::vector<std::int32_t> ranks = DenseRanks(count, [&](std::int32_t a, std::int32_t b) {
        return source[read[static_cast<std::size_t>(a)]].Sales <
               source[read[static_cast<std::size_t>(b)]].Sales;
    });
    const std::vector<std::int32_t> order = ExchangeSortOrder(ranks, TTieSwap::No);
    TItemList sorted;
    sorted.reserve(source.size());
    for (std::size_t p = 0; p < count; ++p) {
        sorted.push_back(source[read[static_cast<std::size_t>(order[p])]]);
        sorted.back().SalesRank = static_cast<std::int32_t>(p + 1);
    }
    for (const TItemInfo& item : source)
        if (!item.SalesRead) {
            sorted.push_back(item);
            sorted.back().SalesRank = 0;
        }
    lists.SalesSortedList = std::move(sorted);
}

bool PastSalesCut(const TItemInfo& item, const TListingCoverage& coverage) {
    // Only an item whose own figure was read can be judged so; one without
    // an id cannot be judged at all.
    return coverage.SalesCut && coverage.CutSales && !item.ID.empty() && item.SalesRead &&
           item.Sales <= *coverage.CutSales;
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
    // past that end rather than be pushed out.
    if (coverage.SalesCut && coverage.CutSales)
        summary.CutSales = *coverage.CutSales;
    // An item the check could not settle is not accused: it is ranked, and
    // its verdict says so.
    const std::unordered_set<std::string_view> unconfirmedIds(coverage.Unconfirmed.begin(),
                                                              coverage.Unconfirmed.end());
    std::vector<std::uint8_t> isUnconfirmed(count);
    for (std::size_t p = 0; p < count; ++p) {
        if (isDemoted[p] == 0)
            continue;
        if (PastSalesCut(sorted[p], coverage)) {
            isDemoted[p] = 0;
            ++summary.PastCut;
        } else if (unconfirmedIds.contains(sorted[p].ID)) {
            isDemoted[p] = 0;
            isUnconfirmed[p] = 1;
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
            sgData2.SetCell(demoted::kSales, row, SalesCell(item));
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

    // The items whose figure was read come first in the sales order; only
    // they have an earned place and a gap.
    std::size_t readCount = 0;
    while (readCount < count && sorted[readCount].SalesRead)
        ++readCount;
    summary.UnreadSales = static_cast<std::int32_t>(count - readCount);

    // An item is pushed down only when its default rank is lower than every
    // place its sales can earn: below every item selling as much as it does
    // (an item tied with others is not pushed down by them), and below every
    // item whose figure could not be read, which may sell more.
    std::vector<std::int32_t> figures(readCount);
    for (std::size_t p = 0; p < readCount; ++p)
        figures[p] = sorted[p].Sales;
    std::sort(figures.begin(), figures.end());
    const auto lowestEarnedPlace = [&](std::int32_t sales) {
        const auto atLeast =
            figures.end() - std::lower_bound(figures.begin(), figures.end(), sales);
        return static_cast<std::int64_t>(atLeast) + static_cast<std::int64_t>(count - readCount);
    };

    // The items ordered by their gap, Rank - SalesRank, lowest first: the
    // smallest gap gets the highest key. Differences are taken in 64 bits so
    // that no rank can overflow them. The items without a figure follow.
    std::vector<std::int64_t> gaps(readCount);
    for (std::size_t p = 0; p < readCount; ++p)
        gaps[p] = std::int64_t{sorted[p].Rank} - sorted[p].SalesRank;
    const std::vector<std::int32_t> gapKeys =
        DenseRanks(readCount, [&](std::int32_t a, std::int32_t b) {
            return gaps[static_cast<std::size_t>(a)] > gaps[static_cast<std::size_t>(b)];
        });
    std::vector<std::int32_t> byGap = ExchangeSortOrder(gapKeys, TTieSwap::No);
    for (std::size_t p = readCount; p < count; ++p)
        byGap.push_back(static_cast<std::int32_t>(p));

    TStringGrid::TUpdateScope update(sgData3);
    std::int32_t rankingRows = 0;
    for (const std::int32_t index : byGap) {
        const auto p = static_cast<std::size_t>(index);
        if (isDemoted[p] != 0)
            continue;
        const TItemInfo& item = sorted[p];
        const bool earned = p < readCount;
        const std::int32_t row = ++rankingRows;
        sgData3.SetCell(ranking::kNumber, row, Decimal(row));
        sgData3.SetCell(ranking::kTitle, row, item.Title);
        sgData3.SetCell(ranking::kSales, row, SalesCell(item));
        sgData3.SetCell(ranking::kPrice, row, item.Price);
        sgData3.SetCell(ranking::kRank, row, Decimal(item.Rank));
        if (earned) {
            sgData3.SetCell(ranking::kSalesRank, row, Decimal(item.SalesRank));
            sgData3.SetCell(ranking::kDifference, row, Decimal(-gaps[p]));
        }
        if (isUnconfirmed[p] != 0) {
            ++summary.Unconfirmed;
            sgData3.SetCell(ranking::kVerdict, row, std::string(texts::kUnconfirmedVerdict));
        } else if (earned && item.SalesRank <= kVerdictSalesRanks) {
            const bool pushedDown = item.Rank > lowestEarnedPlace(item.Sales);
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
