#include "ThreadUnit.h"

#include "ListingPage.h"
#include "MyUtils.h"
#include "PageReader.h"

#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace korvane {

TRunThread::TRunThread(TRunOperations ops) : Ops(std::move(ops)) {}

void TRunThread::CrawlListings() {
    // The reader's thread ends here, whichever way the crawl ends.
    try {
        TPageReader reader;
        SalesOutcome = ReadPass(TPass::Sales, reader);
        // A stopped run, a marketplace that does not answer or turns the
        // reader away, and a window that cannot take the items: the default
        // listing would compare with nothing, and asking the marketplace
        // again only deepens its suspicion.
        switch (SalesOutcome.End) {
        case TPassEnd::NoAnswer:
        case TPassEnd::TurnedAway:
        case TPassEnd::HandOverFailed:
            return;
        default:
            break;
        }
        DefaultOutcome = ReadPass(TPass::Default, reader);
    } catch (...) {
        // No reader thread could be started: the run reads nothing.
        TPassOutcome& current =
            SalesOutcome.End == TPassEnd::NotRun ? SalesOutcome : DefaultOutcome;
        current.End = TPassEnd::HandOverFailed;
    }
}

TPassOutcome TRunThread::ReadPass(TPass pass, TPageReader& reader) {
    // The reader is idle between passes.
    Tally = {};
    if (pass == TPass::Default)
        RunningRank = 1;
    TPassOutcome outcome;
    try {
        outcome = FetchPass(pass, reader);
        if (outcome.End == TPassEnd::Stopped) {
            reader.Abandon();
            // A page the window could not take before the stop still left
            // its list short: that, not the stop, is how the pass ended.
            reader.ThrowIfFailed();
        } else {
            reader.Drain();
        }
        ThrowIfHandOverFailed();
    } catch (...) {
        // A page could not be handed over: what reached the window is short.
        reader.Abandon();
        outcome.End = TPassEnd::HandOverFailed;
    }
    // A stop that came during the last fetch, or while read pages waited for
    // the reader, leaves the pass as short as one that came earlier.
    if (outcome.End != TPassEnd::HandOverFailed && Tally.Dropped)
        outcome.End = TPassEnd::Stopped;
    // Only the pages that reached the window were read.
    if (outcome.End == TPassEnd::Stopped || outcome.End == TPassEnd::HandOverFailed)
        outcome.LastPage = Tally.LastPage;
    outcome.Nick = Ops.Nick;
    outcome.ItemsFound = Tally.ItemsFound;
    outcome.FailedPages = Tally.FailedPages;
    outcome.LastFailure = Tally.LastFailure;
    outcome.PagesRead = Tally.PagesRead;
    outcome.LastPageItems = Tally.LastPageYield.Items;
    outcome.LastPageLowestSales = Tally.LastPageYield.LowestSales;
    return outcome;
}

// Fetches the pages of a pass, one after another. The reader cuts the fields
// and hands the items over, so the next fetch starts as soon as the end test
// and the item check of this page are done.
TPassOutcome TRunThread::FetchPass(TPass pass, TPageReader& reader) {
    TPassOutcome outcome;
    const auto end = [&outcome](TPassEnd how, int lastPage) {
        outcome.End = how;
        outcome.LastPage = lastPage;
        return outcome;
    };
    if (StopRequested())
        return end(TPassEnd::Stopped, 0);
    const std::string nick = Method::EncodeText(Ops.Nick);
    const int salesPages = pass == TPass::Default ? SalesOutcome.LastPage : 0;

    int emptyPagesInRow = 0;
    int timeoutsInRow = 0;
    bool anythingArrived = false;
    for (int page = 1;; ++page) {
        // A page could not be handed over: no further page.
        reader.ThrowIfFailed();
        ThrowIfHandOverFailed();
        if (StopRequested())
            return end(TPassEnd::Stopped, page - 1);
        // Later pages are announced with the page before them (below): one
        // wake of the reader per page, not two, while the fetch starts.
        if (page == 1 && Ops.ReportProgress)
            QueueOnReader(reader, [this, progress = TRunProgress{pass, page, 0, salesPages}] {
                ReportProgress(progress);
            });

        std::string pageText;
        std::optional<TFetchFailure> failure;
        try {
            Ops.FetchPage(ListingUrl(Ops.SearchHost, pass, nick, page), pageText);
        } catch (...) {
            // The crawl goes on with what a failed fetch left, unless a stop
            // abandoned it halfway; the failure is kept for the end of the run.
            if (StopRequested())
                return end(TPassEnd::Stopped, page - 1);
            failure = TFetchFailure::Describe(std::current_exception(), page);
        }
        // The end test and the item check; a page with items or the pager's
        // end is a listing, so only a page with neither needs a look for the
        // list itself.
        bool isLast = false;
        bool hasItems = false;
        if (!pageText.empty()) {
            isLast = IsLastListingPage(pageText);
            hasItems = HasListingItems(pageText);
        }
        // A fetch that went well but brought no listing lost the page as
        // surely as one that failed; so did a listing page without a single
        // item, unless it is a shop's only page and the shop lists nothing.
        if (!failure && pageText.empty())
            failure = TFetchFailure::OfPage(TFetchFailureKind::EmptyPage, page);
        else if (!failure && !hasItems && !isLast && !IsListingPage(pageText))
            failure = TFetchFailure::OfPage(TFetchFailureKind::NotAListing, page);
        else if (!failure && !hasItems && (!isLast || page > 1))
            failure = TFetchFailure::OfPage(TFetchFailureKind::HollowPage, page);
        if (!pageText.empty() && !(failure && failure->TurnsAway()))
            LastPageIsLast = isLast;
        // Only a page read says the marketplace answers: bytes that trickle
        // in until the page's time runs out are no answer.
        anythingArrived = anythingArrived || !failure;

        // The end test reads the most recent non-empty body, so a failed
        // fetch right after the sales pass's last page ends the default pass.
        emptyPagesInRow = hasItems ? 0 : emptyPagesInRow + 1;
        timeoutsInRow = failure && failure->TimedOut() ? timeoutsInRow + 1 : 0;
        std::optional<TPassEnd> passEnd;
        if (failure && failure->TurnsAway())
            passEnd = TPassEnd::TurnedAway;
        else if (LastPageIsLast)
            passEnd = TPassEnd::EndMarker;
        else if (!anythingArrived && timeoutsInRow >= kMaxTimeoutsBeforeAnswer)
            passEnd = TPassEnd::NoAnswer;
        else if (emptyPagesInRow >= kMaxEmptyPagesInRow)
            passEnd = TPassEnd::NoItems;
        else if (page >= kMaxPagesPerPass)
            passEnd = TPassEnd::PageLimit;

        if (failure)
            QueueOnReader(reader, [this, pass, failure = *failure, goesOn = !passEnd] {
                ++Tally.FailedPages;
                Tally.LastFailure = failure;
                if (Ops.ReportPageFailed)
                    PostToOwner([report = Ops.ReportPageFailed, pass, failure, goesOn] {
                        report(pass, failure, goesOn);
                    });
            });
        std::optional<TRunProgress> next;
        if (!passEnd && Ops.ReportProgress)
            next = TRunProgress{pass, page + 1, 0, salesPages};
        // A page that failed is not read: what a body cut short or a hollow
        // page holds is not handed over, so the items shown and the pages
        // counted as read always agree.
        QueueOnReader(reader, [this, pass, page, next, failed = failure.has_value(),
                               text = failure ? std::string() : std::move(pageText)] {
            Tally.LastPageYield = failed ? TPageYield{} : ReadPage(pass, text);
            Tally.ItemsFound += Tally.LastPageYield.Items;
            Tally.LastPage = page;
            if (!failed)
                ++Tally.PagesRead;
            // Nothing more is announced once the seller stopped.
            if (next && !StopRequested())
                ReportProgress(*next);
        });
        if (passEnd)
            return end(*passEnd, page);
    }
}

TRunThread::TPageYield TRunThread::ReadPage(TPass pass, std::string_view page) {
    // The page's items go to the owner thread in one hand-over, in listing
    // order, and are added there one at a time: a wait for the owner thread
    // per item cost more than fetching the page. The hand-over owns them.
    const std::vector<std::string_view> pieces = ListingItemPieces(page);
    TPageYield yield;
    yield.Items = static_cast<int>(pieces.size());
    if (pieces.empty())
        return yield;
    if (pass == TPass::Sales) {
        std::vector<TItemRecordInfo> records;
        records.reserve(pieces.size());
        for (std::string_view piece : pieces) {
            CurrentRecord = TItemRecordInfo{};
            CurrentRecord.ID.assign(CutItemId(piece));
            CurrentRecord.Title.assign(CutItemTitle(piece));
            records.push_back(std::move(CurrentRecord));
            // Where a listing cut at the page limit ends.
            if (const auto sales = ReadItemSales(piece);
                sales && (!yield.LowestSales || *sales < *yield.LowestSales))
                yield.LowestSales = sales;
        }
        PostToOwner([lists = Ops.Lists, records = std::move(records)]() mutable {
            for (TItemRecordInfo& record : records)
                AddSalesRecord(*lists, std::move(record));
        });
    } else {
        std::vector<TItemInfo> items;
        items.reserve(pieces.size());
        for (std::string_view piece : pieces) {
            CurrentItem = TItemInfo{};
            CurrentItem.ID.assign(CutItemId(piece));
            CurrentItem.Title.assign(CutItemTitle(piece));
            CurrentItem.Price.assign(CutItemPrice(piece));
            const std::optional<std::int32_t> sales = ReadItemSales(piece);
            CurrentItem.Sales = sales.value_or(0);
            CurrentItem.SalesRead = sales.has_value();
            CurrentItem.Rank = RunningRank++;
            items.push_back(std::move(CurrentItem));
        }
        PostToOwner(
            [lists = Ops.Lists, addRow = Ops.AddItemRow, items = std::move(items)]() mutable {
                for (TItemInfo& item : items)
                    AddItem(*lists, addRow, std::move(item));
            });
    }
    return yield;
}

void TRunThread::ReportProgress(TRunProgress progress) {
    // The reader has handed over the pages before this one.
    progress.ItemsFound = Tally.ItemsFound;
    PostToOwner([report = Ops.ReportProgress, progress] { report(progress); });
}

void TRunThread::QueueOnReader(TPageReader& reader, std::function<void()> task) {
    // Checked when the task's turn comes: a stop leaves the window with the
    // pages handed over before it, which is what the run reports as read.
    reader.Submit([this, task = std::move(task)] {
        if (StopRequested())
            Tally.Dropped = true;
        else
            task();
    });
}

void TRunThread::AddSalesRecord(TResultLists& lists, TItemRecordInfo&& record) {
    lists.SalesOrderList.push_back(std::move(record));
}

void TRunThread::AddItem(TResultLists& lists,
                         const std::function<void(const TItemInfo& item)>& addRow,
                         TItemInfo&& item) {
    lists.DefaultList.push_back(std::move(item));
    if (addRow)
        addRow(lists.DefaultList.back());
}

void TRunThread::HandOver(const std::function<void()>& call) {
    if (Ops.Synchronize)
        Ops.Synchronize(call);
    else
        call(); // no owner thread: the caller owns the lists itself
}

void TRunThread::PostToOwner(std::function<void()> call) {
    if (!Ops.Post) {
        HandOver(call);
        return;
    }
    // Nobody waits for a posted call, so a failure there is left for the
    // crawl to see before its next page; nothing posted after it is added.
    Ops.Post([failed = HandOverFailed, call = std::move(call)] {
        if (failed->load())
            return;
        try {
            call();
        } catch (...) {
            failed->store(true);
            throw;
        }
    });
}

void TRunThread::ThrowIfHandOverFailed() const {
    if (HandOverFailed->load())
        throw std::runtime_error("a page could not be handed over");
}

bool TRunThread::StopRequested() const {
    return Ops.StopRequested && Ops.StopRequested->load(std::memory_order_acquire);
}

void TRunThread::RunSearch() {
    Watched.store(1);
    SearchDone.store(0);
    CrawlListings();
    TRunReport report{SalesOutcome, DefaultOutcome};
    // Only an exhausted resource, or the window going away, throws out of
    // a hand-over. The run still ends for the user, and says how.
    try {
        HandOver([this, &report] {
            // On the owner thread, after every page posted before: one that
            // could not be added there leaves its list short.
            if (HandOverFailed->load()) {
                TPassOutcome& last =
                    report.Default.End != TPassEnd::NotRun ? report.Default : report.Sales;
                // Whatever else ended the pass, its list is short: a stop
                // would let the pages before it be compared.
                last.End = TPassEnd::HandOverFailed;
            }
            if (Ops.AnalyseRanks && report.MakesComparison())
                Ops.AnalyseRanks(report);
        });
    } catch (...) {
        report.AnalysisFailed = report.MakesComparison();
    }
    try {
        if (Ops.FinishRun)
            HandOver([this, &report] { Ops.FinishRun(report); });
    } catch (...) {
    }
    SearchDone.store(1);
    while (Watched.load() != 0)
        std::this_thread::sleep_for(kRunPollInterval);
}

} // namespace korvane
