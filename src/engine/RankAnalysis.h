#pragma once

#include "ItemRecords.h"
#include "StringGrid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Sales ranks at or above this one get a verdict in the ranking table.
inline constexpr std::int32_t kVerdictSalesRanks = 10;

// Rebuilds SalesSortedList from DefaultList: the items whose figure was read,
// highest Sales first, equal sales as the exchange sort leaves them, with
// SalesRank numbered from 1; then the items whose figure was not, in listing
// order, with SalesRank 0: they hold no earned place, so they move no other
// item's.
void SortBySales(TResultLists& lists);

// A copy of the first SalesOrderList entry whose ID equals id byte for byte,
// or a record with every field empty.
TItemRecordInfo FindSalesRecord(const TResultLists& lists, std::string_view id);

// How much of the two listings a run read, when not both whole.
struct TListingCoverage {
    // Only a default listing read whole lets the notice say that nothing of
    // the shop is demoted; otherwise it speaks of the items read.
    bool DefaultWhole = true;
    // The sales listing stops at the marketplace's page limit, so an item it
    // leaves out may merely lie past its end rather than be pushed out: one
    // whose own figure was read and sells no more than CutSales, the lowest
    // figure read on the sales listing's last page. Without that figure
    // nothing can be judged past the cut.
    bool SalesCut = false;
    std::optional<std::int32_t> CutSales = std::nullopt;
    // Ids the sales listing left out that could be neither found there again
    // nor confirmed missing: ranked with a verdict that says so, never called
    // demoted.
    std::vector<std::string> Unconfirmed{};
};

// Whether an item the sales listing leaves out may merely lie past the end of
// a sales listing cut at the page limit.
bool PastSalesCut(const TItemInfo& item, const TListingCoverage& coverage);

// What the analysis found, for the seller's summary.
struct TAnalysisSummary {
    std::int32_t Items = 0;      // default-listing items analysed
    std::int32_t Demoted = 0;    // rows of the demoted-items table
    std::int32_t PastCut = 0;    // left out of it as past the sales listing's cut
    std::int32_t CutSales = 0;   // sales at or below which an item counted as past the cut
    std::int32_t TopDemoted = 0; // top sellers ranked lower than their sales earn
    // Items left out of the sales listing that could be neither confirmed nor
    // cleared: ranked with that verdict, never called demoted.
    std::int32_t Unconfirmed = 0;
    // Items whose sales figure could not be read: they hold no earned place.
    std::int32_t UnreadSales = 0;
};

// The end-of-run analysis: sorts by sales, lists every item that the
// sales-ordered listing leaves out in sgData2 (or the "nothing demoted"
// notice), and ranks the others by the gap between their default rank and
// sales rank in sgData3. Both tables are expected as a run leaves them:
// cleared to the header and one empty row.
TAnalysisSummary AnalyseRanks(TResultLists& lists, TStringGrid& sgData2, TStringGrid& sgData3,
                              TListingCoverage coverage = {});

} // namespace korvane
