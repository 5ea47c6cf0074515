#pragma once

#include "FetchFailure.h"
#include "ItemRecords.h"
#include "ListingUrls.h"
#include "RunReport.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace korvane {

// What the crawl is handed by whoever starts a run: the window in the
// program, recorders and loopback servers in tests.
struct TRunOperations {
    // Fetches url into body (empty on entry). It may throw: then the page is a
    // failed page, and nothing it left in body (the bytes of a body cut
    // short) is read.
    std::function<void(const std::string& url, std::string& body)> FetchPage;
    // The GBK bytes of the nick box as the run started: both passes list
    // this one shop.
    std::string Nick;
    // Runs call on the thread that owns the lists and waits for it to finish.
    std::function<void(const std::function<void()>& call)> Synchronize;
    // Runs call on that thread later, after every call posted or synchronised
    // before it, and returns at once; what call throws is lost. May be empty:
    // then Synchronize carries the call.
    std::function<void(std::function<void()> call)> Post;
    // Writes one default-pass item as the last row of the all-items table.
    std::function<void(const TItemInfo& item)> AddItemRow;
    // The lists the hand-overs append to; touched only inside the calls
    // carried by Synchronize or Post.
    TResultLists* Lists = nullptr;
    // Set to end the run before its next page (the stop button, the window
    // closing). A fetch that fails while it is set was abandoned, and a page
    // not handed over yet when it is set is not handed over.
    std::shared_ptr<std::atomic<bool>> StopRequested;
    // Carried to the owner before each page, after the items of the pages
    // before it; may be empty.
    std::function<void(const TRunProgress& progress)> ReportProgress;
    // Carried to the owner after a page that failed (a failed page's bytes
    // are not read), with whether its pass goes on to the next page; may be
    // empty.
    std::function<void(TPass pass, const TFetchFailure& failure, bool passGoesOn)> ReportPageFailed;
    std::string SearchHost{kMarketplaceSearchHost};
    // The end of a run, each run through Synchronize: the analysis of what
    // was read (left out when the report makes no comparison), then
    // re-enabling the window.
    std::function<void(const TRunReport& report)> AnalyseRanks;
    std::function<void(const TRunReport& report)> FinishRun;
};

} // namespace korvane
