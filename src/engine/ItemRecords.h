#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// One item of the default-order listing. Texts are GBK bytes exactly as cut
// from the page: never trimmed, decoded or case-folded.
struct TItemInfo {
    std::string ID;
    std::string Title;
    std::string Price;      // as the listing shows it; never converted
    std::int32_t Rank = 0;  // 1-based position in the default listing, across pages
    std::int32_t Sales = 0; // recent sales; 0 when absent or not a whole number
    // Position when ordered by Sales, highest first, among the items whose
    // figure was read; 0 for an item whose figure was not.
    std::int32_t SalesRank = 0;
    // Rank - SalesRank where a caller keeps it; the analysis keeps its gaps
    // apart (in 64 bits, so no rank overflows them) and leaves this 0.
    std::int32_t Gap = 0;
    // Whether Sales was read off the page: a 0 that stands for a figure
    // absent or unreadable ("2,999") is no figure to judge the item by, and
    // such an item holds no earned place.
    bool SalesRead = true;

    bool operator==(const TItemInfo&) const = default;
};

// One item of the sales-ordered listing: that pass records only id and title.
struct TItemRecordInfo {
    std::string ID;
    std::string Title;

    bool operator==(const TItemRecordInfo&) const = default;
};

using TItemList = std::vector<TItemInfo>;
using TItemRecordList = std::vector<TItemRecordInfo>;

// The item lists of the current run. The window owns one and only its thread
// touches it; the worker posts each page's records there in one hand-over.
struct TResultLists {
    TItemList DefaultList;          // default pass, order of arrival
    TItemList SalesSortedList;      // DefaultList ordered by Sales, rebuilt by the analysis
    TItemRecordList SalesOrderList; // sales pass, order of arrival
};

} // namespace korvane
