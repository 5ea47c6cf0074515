#include "ThreadUnit.h"

#include "ListingPage.h"
#include "MyUtils.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace korvane {

namespace {

// Both waits of the release handshake poll at this pace.
constexpr std::chrono::milliseconds kRunPollInterval{100};

// Counts the watcher and worker threads alive, so the program can let them
// end before it exits. Never destroyed: a thread may still be finishing
// while static objects are torn down.
class TRunThreadCount {
public:
    static TRunThreadCount& Instance() {
        static auto* count = new TRunThreadCount;
        return *count;
    }
    void Enter() {
        std::lock_guard lock(Mutex);
        ++Live;
    }
    void Leave() {
        std::lock_guard lock(Mutex);
        if (--Live == 0)
            AllGone.notify_all();
    }
    bool WaitForNone(std::chrono::milliseconds limit) {
        std::unique_lock lock(Mutex);
        return AllGone.wait_for(lock, limit, [this] { return Live == 0; });
    }

private:
    std::mutex Mutex;
    std::condition_variable AllGone;
    int Live = 0;
};

} // namespace

TRunThread::TRunThread(TRunOperations ops) : Ops(std::move(ops)) {}

void TRunThread::StartRun(TRunOperations ops) {
    TRunThreadCount::Instance().Enter();
    std::thread(&TRunThread::WatchRun, std::move(ops)).detach();
}

bool TRunThread::WaitForRunThreads(std::chrono::milliseconds limit) {
    return TRunThreadCount::Instance().WaitForNone(limit);
}

void TRunThread::WatchRun(TRunOperations ops) {
    // The worker frees itself once released, so the watcher never owns it.
    auto* worker = new TRunThread(std::move(ops));
    TRunThreadCount::Instance().Enter();
    std::thread([worker] {
        worker->RunSearch();
        delete worker;
        TRunThreadCount::Instance().Leave();
    }).detach();

    while (worker->SearchDone.load() != 1)
        std::this_thread::sleep_for(kRunPollInterval);
    worker->Watched.store(0);
    // From here on the worker may be gone: never touch it again.
    TRunThreadCount::Instance().Leave();
}

void TRunThread::RunSearch() {
    Watched.store(1);
    SearchDone.store(0);
    // Only an exhausted resource, or the window going away, throws out of
    // the crawl or a hand-over. The run still ends for the user: what was
    // read is analysed if that can be done, and the button comes back.
    try {
        CrawlListings();
    } catch (...) {
    }
    try {
        if (Ops.AnalyseRanks && TRunReport{SalesOutcome, DefaultOutcome}.MakesComparison())
            HandOver(Ops.AnalyseRanks);
    } catch (...) {
    }
    try {
        if (Ops.FinishRun) {
            const TRunReport report{SalesOutcome, DefaultOutcome};
            HandOver([this, &report] { Ops.FinishRun(report); });
        }
    } catch (...) {
    }
    SearchDone.store(1);
    while (Watched.load() != 0)
        std::this_thread::sleep_for(kRunPollInterval);
}

void TRunThread::CrawlListings() {
    SalesOutcome = RunPass(TPass::Sales);
    DefaultOutcome = RunPass(TPass::Default);
}

void TRunThread::AddSalesRecord() {
    Ops.Lists->SalesOrderList.push_back(CurrentRecord);
}

void TRunThread::AddItem() {
    Ops.Lists->DefaultList.push_back(CurrentItem);
    if (Ops.AddItemRow)
        Ops.AddItemRow(CurrentItem);
}

void TRunThread::HandOver(const std::function<void()>& call) {
    if (Ops.Synchronize)
        Ops.Synchronize(call);
    else
        call(); // no owner thread: the caller owns the lists itself
}

bool TRunThread::StopRequested() const {
    return Ops.StopRequested && Ops.StopRequested->load(std::memory_order_acquire);
}

TPassOutcome TRunThread::RunPass(TPass pass) {
    TPassOutcome outcome;
    const auto end = [&outcome](TPassEnd how, int lastPage) {
        outcome.End = how;
        outcome.LastPage = lastPage;
        return outcome;
    };
    if (StopRequested())
        return end(TPassEnd::Stopped, 0);
    outcome.Nick = Ops.ReadNick ? Ops.ReadNick() : std::string{};
    const std::string nick = Method::EncodeText(outcome.Nick);
    if (pass == TPass::Default)
        RunningRank = 1;

    int emptyPagesInRow = 0;
    std::string pageText;
    for (int page = 1;; ++page) {
        if (StopRequested())
            return end(TPassEnd::Stopped, page - 1);
        if (Ops.ReportProgress) {
            const TRunProgress progress{pass, page, outcome.ItemsFound,
                                        pass == TPass::Default ? SalesOutcome.LastPage : 0};
            HandOver([this, &progress] { Ops.ReportProgress(progress); });
        }

        pageText.clear();
        try {
            Ops.FetchPage(ListingUrl(Ops.SearchHost, pass, nick, page), pageText);
        } catch (...) {
            // The crawl goes on with what a failed fetch left, unless a stop
            // abandoned it halfway; the failure is kept for the end of the run.
            if (StopRequested())
                return end(TPassEnd::Stopped, page - 1);
            ++outcome.FailedPages;
            outcome.LastFailure = TFetchFailure::Describe(std::current_exception(), page);
            if (Ops.ReportPageFailed)
                HandOver(
                    [this, pass, &outcome] { Ops.ReportPageFailed(pass, *outcome.LastFailure); });
        }

        int items = 0;
        if (!pageText.empty()) {
            LastPageText.swap(pageText);
            items = ReadPage(pass, LastPageText);
            outcome.ItemsFound += items;
        }

        // The end test reads the most recent non-empty body, so a failed
        // fetch right after the sales pass's last page ends the default pass.
        if (IsLastListingPage(LastPageText))
            return end(TPassEnd::EndMarker, page);
        emptyPagesInRow = items == 0 ? emptyPagesInRow + 1 : 0;
        if (emptyPagesInRow >= kMaxEmptyPagesInRow)
            return end(TPassEnd::NoItems, page);
        if (page >= kMaxPagesPerPass)
            return end(TPassEnd::PageLimit, page);
    }
}

int TRunThread::ReadPage(TPass pass, std::string_view page) {
    // The page's items go to the owner thread in one hand-over, in listing
    // order, and are added there one at a time: a wait for the owner thread
    // per item cost more than fetching the page.
    const std::vector<std::string_view> pieces = ListingItemPieces(page);
    if (pieces.empty())
        return 0;
    if (pass == TPass::Sales) {
        PageRecords.clear();
        for (std::string_view piece : pieces) {
            CurrentRecord = TItemRecordInfo{};
            CurrentRecord.ID.assign(CutItemId(piece));
            CurrentRecord.Title.assign(CutItemTitle(piece));
            PageRecords.push_back(std::move(CurrentRecord));
        }
        HandOver([this] {
            for (TItemRecordInfo& record : PageRecords) {
                CurrentRecord = std::move(record);
                AddSalesRecord();
            }
        });
    } else {
        PageItems.clear();
        for (std::string_view piece : pieces) {
            CurrentItem = TItemInfo{};
            CurrentItem.ID.assign(CutItemId(piece));
            CurrentItem.Title.assign(CutItemTitle(piece));
            CurrentItem.Price.assign(CutItemPrice(piece));
            CurrentItem.Sales = CutItemSales(piece);
            CurrentItem.Rank = RunningRank++;
            PageItems.push_back(std::move(CurrentItem));
        }
        HandOver([this] {
            for (TItemInfo& item : PageItems) {
                CurrentItem = std::move(item);
                AddItem();
            }
        });
    }
    return static_cast<int>(pieces.size());
}

} // namespace korvane
