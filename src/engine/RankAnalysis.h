#pragma once

#include "ItemRecords.h"
#include "StringGrid.h"

#include <cstdint>
#include <string_view>

namespace korvane {

// Sales ranks at or above this one get a verdict in the ranking table.
inline constexpr std::int32_t kVerdictSalesRanks = 10;

// Rebuilds SalesSortedList from DefaultList, highest Sales first, equal sales
// as the exchange sort leaves them, and numbers SalesRank from 1.
void SortBySales(TResultLists& lists);

// A copy of the first SalesOrderList entry whose ID equals id byte for byte,
// or a record with every field empty.
TItemRecordInfo FindSalesRecord(const TResultLists& lists, std::string_view id);

// The end-of-run analysis: sorts by sales, lists every item that the
// sales-ordered listing leaves out in sgData2 (or the "nothing demoted"
// notice), and ranks the others by the gap between their default rank and
// sales rank in sgData3. Both tables are expected as a run leaves them:
// cleared to the header and one empty row.
void AnalyseRanks(TResultLists& lists, TStringGrid& sgData2, TStringGrid& sgData3);

} // namespace korvane
