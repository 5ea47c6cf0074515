#pragma once

#include "ListingPageBuilder.h"
#include "RankAnalysis.h"
#include "ResultTables.h"
#include "SortChoice.h"
#include "StringGrid.h"

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
            TItemInfo info{item.Id,
                           item.Title,
                           item.Price,
                           static_cast<std::int32_t>(lists.DefaultList.size()) + 1,
                           std::stoi(item.SalesText.value_or("0")),
                           0,
                           0};
            lists.DefaultList.push_back(info);
            AddItemRow(Data1, info);
        }
        AnalyseRanks(lists, Data2, Data3, coverage);
        TSortGrid::SortColumn(Data3, kEndOfRunSort.DataColumn, kEndOfRunSort.Mode);
    }
};

} // namespace korvane::test
