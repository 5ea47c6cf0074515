#pragma once

#include "FetchFailure.h"
#include "ItemRecords.h"
#include "ListingUrls.h"
#include "RankAnalysis.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

class TPageReader;

// A pass ends only when a page carries the end marker; these bound it when
// fetches keep failing or the marketplace stops sending that marker. The
// marketplace lists no more than kMaxPagesPerPass pages of a search.
inline constexpr int kMaxPagesPerPass = 100;
inline constexpr int kMaxEmptyPagesInRow = 5;
// A marketplace that has sent nothing of a pass and lets this many pages in
// a row time out is not answering (20 s at the read limit): the pass ends.
inline constexpr int kMaxTimeoutsBeforeAnswer = 2;

enum class TPassEnd {
    NotRun,         // the pass has not run
    EndMarker,      // a page carried the end marker
    PageLimit,      // kMaxPagesPerPass pages were read without it
    NoItems,        // kMaxEmptyPagesInRow pages in a row yielded no items
    NoAnswer,       // nothing arrived, and kMaxTimeoutsBeforeAnswer pages timed out
    TurnedAway,     // the marketplace answered with something other than the listing
    Stopped,        // a stop was requested before every page read had been handed over
    HandOverFailed, // a page could not be handed over (memory exhausted, the window gone)
};

struct TPassOutcome {
    TPassEnd End = TPassEnd::NotRun;
    // Number of the last page requested; when the pass was stopped or a
    // hand-over failed, of the last page handed over whole before it (a page
    // fetched, but not yet shown when the stop came, does not count).
    int LastPage = 0;
    int ItemsFound = 0; // items handed over
    // Page fetches that failed or brought no listing (an abandoned one, or
    // one not yet shown when a stop came, is not counted), and the last.
    int FailedPages = 0;
    std::optional<TFetchFailure> LastFailure = std::nullopt;
    // Pages handed over that did not fail.
    int PagesRead = 0;
    // The nick the run read, as typed (GBK, not encoded).
    std::string Nick{};

    // The one test of a listing read whole: to its end marker, every page
    // read, every item handed over.
    bool ReadWhole() const { return End == TPassEnd::EndMarker && FailedPages == 0; }
    // Read in full up to the page limit, past which the marketplace lists
    // nothing: all of the listing there is, but not all of the shop.
    bool ReadToPageLimit() const { return End == TPassEnd::PageLimit && FailedPages == 0; }
};

// How the two passes of a run ended. Everything the run shows follows from
// it: whether the listings are compared, what the analysis may claim, and
// what the window tells the seller.
struct TRunReport {
    TPassOutcome Sales;
    TPassOutcome Default;
    // The analysis itself failed (memory exhausted): its tables may be partial.
    bool AnalysisFailed = false;

    // A sales listing with a page missing marks that page's items as demoted,
    // so it is compared only when read whole, or up to the page limit, past
    // which nothing is listed. The default listing is compared as far as it
    // was read, when anything of it was; a list the window could not take
    // whole is not compared.
    bool MakesComparison() const {
        if (!SalesComparable() || Default.End == TPassEnd::HandOverFailed)
            return false;
        return Default.ReadWhole() || Default.ItemsFound > 0;
    }
    bool SalesComparable() const { return Sales.ReadWhole() || Sales.ReadToPageLimit(); }
    // Both listings read to their end markers: the only comparison shown as complete.
    bool Complete() const { return Sales.ReadWhole() && Default.ReadWhole() && !AnalysisFailed; }
    // The comparison covers only part of the default listing.
    bool DefaultPartial() const { return MakesComparison() && !Default.ReadWhole(); }
    int FailedPages() const { return Sales.FailedPages + Default.FailedPages; }
    // What the analysis may claim of the listings.
    TListingCoverage Coverage() const { return {Default.ReadWhole(), Sales.ReadToPageLimit()}; }
};

// Where a run is, told to the window before every page it fetches.
struct TRunProgress {
    TPass Pass = TPass::Sales;
    int Page = 1;       // the page about to be read, from 1
    int ItemsFound = 0; // items this pass has handed over so far
    int SalesPages = 0; // pages the sales pass read; 0 while it runs

    bool operator==(const TRunProgress&) const = default;
};

// What the crawl is handed by whoever starts a run: the window in the
// program, recorders and loopback servers in tests.
struct TRunOperations {
    // Fetches url into body (empty on entry). It may throw; whatever it left in
    // body (nothing, or the bytes of a body cut short) is what the crawl reads.
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
    // Carried to the owner after a page whose fetch failed, before the items
    // that fetch left; may be empty.
    std::function<void(TPass pass, const TFetchFailure& failure)> ReportPageFailed;
    std::string SearchHost{kMarketplaceSearchHost};
    // The end of a run, each run through Synchronize: the analysis of what
    // was read (left out when the report makes no comparison), then
    // re-enabling the window.
    std::function<void(const TRunReport& report)> AnalyseRanks;
    std::function<void(const TRunReport& report)> FinishRun;
};

// The detection worker. Its crawl reads the sales-ordered listing and then
// the default listing, handing every item to the owner thread; then it has the
// owner analyse and finish the run.
//
// The worker thread fetches the pages one after another and decides the next
// request (end marker, empty pages, bounds, stop); a reader thread
// (TPageReader) cuts each page's fields and carries the items, the progress
// and the failed pages to the owner in listing order meanwhile.
class TRunThread {
public:
    // A worker whose body runs only when asked (RunSearch, or the crawl alone).
    explicit TRunThread(TRunOperations ops);

    // btnSearch's start of a run: a detached watcher thread that creates the
    // worker, whose own thread starts at once, and polls it until it is done.
    // Returns at once.
    static void StartRun(TRunOperations ops);

    // Blocks until every watcher and worker thread has ended, or the time is
    // up; true when none is left. The program waits for this on exit.
    static bool WaitForRunThreads(std::chrono::milliseconds limit);

    // The whole worker body: both passes, the analysis and the end of the
    // run, then the release handshake with the watcher.
    void RunSearch();

    // Both passes, sales first; each is over once the reader has handed over
    // its pages. Errors of a fetch are swallowed; a hand-over that fails ends
    // the crawl (before the next page, or at once when it waits for it) and
    // is told in the pass's outcome. The default pass is not started when
    // the sales pass was stopped or failed so that a comparison cannot come
    // of it.
    void CrawlListings();

    // Hand-overs, run on the owner thread: each appends a record of its pass
    // (the default pass's with its row).
    static void AddSalesRecord(TResultLists& lists, TItemRecordInfo&& record);
    static void AddItem(TResultLists& lists,
                        const std::function<void(const TItemInfo& item)>& addRow, TItemInfo&& item);

    // Staging records of the field cuts, on the reader's thread.
    TItemInfo CurrentItem;         // default pass
    TItemRecordInfo CurrentRecord; // sales pass

    TPassOutcome SalesOutcome;
    TPassOutcome DefaultOutcome;

    // 1 once the run is over for the user; set by the worker, polled by the watcher.
    std::atomic<std::int32_t> SearchDone{0};
    // 1 while the watcher polls the worker; cleared by the watcher to release it.
    std::atomic<std::int32_t> Watched{0};

    // The reader's page step: cuts the items of one page text and hands them
    // over together, in order, as a call that owns them; returns how many.
    int ReadPage(TPass pass, std::string_view page);

private:
    // What reached the owner during a pass; the reader's, read by the worker
    // once the reader is idle.
    struct TPassTally {
        int LastPage = 0;  // the last page handed over whole
        int PagesRead = 0; // pages handed over that did not fail
        int ItemsFound = 0;
        int FailedPages = 0;
        std::optional<TFetchFailure> LastFailure = std::nullopt;
        // A stop dropped something queued: the pass did not reach the window whole.
        bool Dropped = false;
    };

    static void WatchRun(TRunOperations ops);
    TPassOutcome ReadPass(TPass pass, TPageReader& reader);
    TPassOutcome FetchPass(TPass pass, TPageReader& reader);
    // Queues task on the reader; it is dropped once a stop is requested.
    void QueueOnReader(TPageReader& reader, std::function<void()> task);
    void HandOver(const std::function<void()>& call);
    // Carries call to the owner without waiting for it when Post is given.
    void PostToOwner(std::function<void()> call);
    void ReportProgress(TRunProgress progress);
    // A posted hand-over failed in the owner: no further page.
    void ThrowIfHandOverFailed() const;
    bool StopRequested() const;

    TRunOperations Ops;
    // Whether the most recent non-empty body, kept across passes, carried
    // the end marker: all the end test needs of it.
    bool LastPageIsLast = false;
    // Set on the owner thread when a posted page could not be added.
    std::shared_ptr<std::atomic<bool>> HandOverFailed = std::make_shared<std::atomic<bool>>(false);

    // The reader's side; the worker touches it only while the reader is idle.
    std::int32_t RunningRank = 1;
    TPassTally Tally;
};

} // namespace korvane
