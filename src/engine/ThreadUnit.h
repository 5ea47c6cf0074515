#pragma once

#include "ItemRecords.h"
#include "RunOperations.h"
#include "RunReport.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace korvane {

class TPageReader;

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

    // How the passes of the crawl ended, once it is over.
    TRunReport Report() const { return {SalesOutcome, DefaultOutcome, Confirmation}; }

    // What one page gave: its items, and the lowest sales figure read among
    // them (sales pass only; none when no figure could be read).
    struct TPageYield {
        int Items = 0;
        std::optional<std::int32_t> LowestSales = std::nullopt;
        std::optional<std::int32_t> HighestSales = std::nullopt;
    };
    // The reader's page step: cuts the items of one page text and hands them
    // over together, in order, as a call that owns them.
    TPageYield ReadPage(TPass pass, std::string_view page);

private:
    // Hand-overs, run on the owner thread: each appends a record of its pass
    // (the default pass's with its row).
    static void AddSalesRecord(TResultLists& lists, TItemRecordInfo&& record);
    static void AddItem(TResultLists& lists,
                        const std::function<void(const TItemInfo& item)>& addRow, TItemInfo&& item);

    // What reached the owner during a pass; the reader's, read by the worker
    // once the reader is idle.
    struct TPassTally {
        int LastPage = 0;  // the last page handed over whole
        int PagesRead = 0; // pages handed over that did not fail
        int ItemsFound = 0;
        int FailedPages = 0;
        std::optional<TFetchFailure> LastFailure = std::nullopt;
        TPageYield LastPageYield{}; // of the last page handed over
        // A stop dropped something queued: the pass did not reach the window whole.
        bool Dropped = false;
    };

    // Both waits of the release handshake poll at this pace.
    static constexpr std::chrono::milliseconds kRunPollInterval{100};

    static void WatchRun(TRunOperations ops);
    TPassOutcome ReadPass(TPass pass, TPageReader& reader);
    // After both passes: the items the sales listing left out are looked for
    // again where their figures stand, when the listing may have moved.
    TConfirmationOutcome ConfirmCandidates();
    // The sales pages where an item selling sales would stand, by the
    // figures the sales pass read on each.
    std::vector<int> SalesPagesOf(std::int32_t sales) const;
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
    // What the candidates' check needs of the passes: the ids the sales pass
    // read (and how many it read twice), the figures on each of its pages,
    // and the default pass's items with their figures.
    std::unordered_set<std::string> SalesIds;
    int SalesDuplicates = 0;
    std::vector<std::optional<std::pair<std::int32_t, std::int32_t>>> SalesPageFigures;
    TItemList DefaultSeen;
    // Staging records of the field cuts, on the reader's thread.
    TItemInfo CurrentItem;         // default pass
    TItemRecordInfo CurrentRecord; // sales pass

    TPassOutcome SalesOutcome;
    TPassOutcome DefaultOutcome;
    TConfirmationOutcome Confirmation;

    // 1 once the run is over for the user; set by the worker, polled by the watcher.
    std::atomic<std::int32_t> SearchDone{0};
    // 1 while the watcher polls the worker; cleared by the watcher to release it.
    std::atomic<std::int32_t> Watched{0};
};

} // namespace korvane
