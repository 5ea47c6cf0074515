#pragma once

#include "IdGlobal.h"
#include "ListingPageBuilder.h"
#include "RankAnalysis.h"
#include "ResultTables.h"
#include "SortChoice.h"
#include "StringGrid.h"

#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// The three tables a run must end with for the given listings, computed by
// the engine alone: every all-items row, the analysis and the end-of-run sort.
struct ExpectedTables {
    TStringGrid Data1, Data2, Data3;

    // coverage: how much of the listings the run read.
    ExpectedTables(const std::vector<FixtureItem>& salesOrder,
                   const std::vector<FixtureItem>& defaultOrder, TListingCoverage coverage = {}) {
        SetUpResultTables(Data1, Data2, Data3);
        TResultLists lists;
        for (const FixtureItem& item : salesOrder)
            lists.SalesOrderList.push_back({item.Id, item.Title});
        for (const FixtureItem& item : defaultOrder) {
            // The figure as the crawl reads it: none unless a whole number.
            const std::optional<std::int32_t> sales =
                item.SalesText ? http::NumberToInt32(*item.SalesText) : std::nullopt;
            TItemInfo info{item.Id,
                           item.Title,
                           item.Price,
                           static_cast<std::int32_t>(lists.DefaultList.size()) + 1,
                           sales.value_or(0),
                           0,
                           0,
                           sales.has_value()};
            lists.DefaultList.push_back(info);
            AddItemRow(Data1, info);
        }
        AnalyseRanks(lists, Data2, Data3, coverage);
        TSortGrid::SortColumn(Data3, kEndOfRunSort.DataColumn, kEndOfRunSort.Mode);
    }
};

} // namespace korvane::test
