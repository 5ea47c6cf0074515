#include "ThreadUnit.h"

#include "ListingPage.h"
#include "MyUtils.h"
#include "PageReader.h"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <unordered_map>
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
        // The reader is idle now; only a comparison has candidates to check.
        if (Report().MakesComparison())
            Confirmation = ConfirmCandidates();
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
            if (pass == TPass::Sales) {
                SalesPageFigures.resize(static_cast<std::size_t>(page));
                const TPageYield& yield = Tally.LastPageYield;
                if (yield.LowestSales && yield.HighestSales)
                    SalesPageFigures.back() = std::pair(*yield.LowestSales, *yield.HighestSales);
            }
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

std::vector<int> TRunThread::SalesPagesOf(std::int32_t sales) const {
    std::vector<int> pages;
    int above = 0; // the last page whose figures all sell more
    int below = 0; // the first page whose figures all sell less
    for (std::size_t i = 0; i < SalesPageFigures.size(); ++i) {
        const auto& figures = SalesPageFigures[i];
        if (!figures)
            continue;
        const int page = static_cast<int>(i) + 1;
        if (figures->first <= sales && sales <= figures->second)
            pages.push_back(page);
        else if (figures->first > sales)
            above = page;
        else if (below == 0)
            below = page;
    }
    // Between two pages, it would stand at the end of one or the start of
    // the next.
    if (pages.empty()) {
        if (above != 0)
            pages.push_back(above);
        if (below != 0)
            pages.push_back(below);
    }
    return pages;
}

TConfirmationOutcome TRunThread::ConfirmCandidates() {
    TConfirmationOutcome outcome;
    outcome.SalesDuplicates = SalesDuplicates;
    const TRunReport report = Report();
    const TListingCoverage coverage = report.Coverage();

    struct TCandidate {
        const TItemInfo* Item;
        std::vector<int> Pages{}; // where to look; empty: it cannot be looked for
        bool Found = false;
    };
    std::vector<TCandidate> candidates;
    std::unordered_set<std::string_view> taken;
    for (const TItemInfo& item : DefaultSeen) {
        if (item.ID.empty() || SalesIds.contains(item.ID) || PastSalesCut(item, coverage) ||
            !taken.insert(item.ID).second)
            continue;
        candidates.push_back({&item});
    }
    outcome.Candidates = static_cast<int>(candidates.size());
    if (candidates.empty())
        return outcome;
    // A sales listing read whole lists every item it has once, so an item it
    // missed while moving left another read twice: without a duplicate,
    // every candidate is truly left out. A listing cut at the page limit
    // gives no such count.
    const bool cut = report.SalesCut();
    if (!cut && SalesDuplicates == 0)
        return outcome;

    std::set<int> wanted;
    for (TCandidate& candidate : candidates) {
        if (candidate.Item->SalesRead)
            candidate.Pages = SalesPagesOf(candidate.Item->Sales);
        std::set<int> joined = wanted;
        joined.insert(candidate.Pages.begin(), candidate.Pages.end());
        if (candidate.Pages.size() > static_cast<std::size_t>(kMaxRereadPagesPerItem) ||
            joined.size() > static_cast<std::size_t>(kMaxConfirmationPages))
            candidate.Pages.clear();
        else
            wanted = std::move(joined);
    }

    const std::string nick = Method::EncodeText(Ops.Nick);
    std::set<int> read;
    std::vector<TItemRecordInfo> found;
    int reread = 0;
    for (const int page : wanted) {
        // Without the listing's count every candidate needs its pages; with
        // it, the check is over once as many were found as were missed.
        if (!cut && outcome.Cleared >= SalesDuplicates)
            break;
        if (StopRequested()) {
            outcome.Stopped = true;
            break;
        }
        if (Ops.ReportProgress)
            PostToOwner(
                [report = Ops.ReportProgress,
                 progress = TRunProgress{TPass::Sales, page, 0, SalesOutcome.LastPage, ++reread,
                                         static_cast<int>(wanted.size())}] { report(progress); });
        std::string pageText;
        try {
            Ops.FetchPage(ListingUrl(Ops.SearchHost, TPass::Sales, nick, page), pageText);
        } catch (...) {
            if (StopRequested()) {
                outcome.Stopped = true;
                break;
            }
            pageText.clear(); // a failed page is not read
        }
        ++outcome.PagesReread;
        const std::vector<std::string_view> pieces = ListingItemPieces(pageText);
        if (pieces.empty()) {
            ++outcome.FailedRereads;
            continue;
        }
        read.insert(page);
        // The page's items by id, the first of each kept.
        std::unordered_map<std::string_view, std::string_view> titles;
        for (std::string_view piece : pieces)
            titles.try_emplace(CutItemId(piece), CutItemTitle(piece));
        for (TCandidate& candidate : candidates)
            if (const auto it = titles.find(candidate.Item->ID);
                !candidate.Found && it != titles.end()) {
                candidate.Found = true;
                ++outcome.Cleared;
                found.push_back({candidate.Item->ID, std::string(it->second)});
            }
    }
    // An item found again is in the sales listing: it only moved.
    if (!found.empty())
        PostToOwner([lists = Ops.Lists, found = std::move(found)]() mutable {
            for (TItemRecordInfo& record : found)
                AddSalesRecord(*lists, std::move(record));
        });

    // An item not found is confirmed as left out when every item the
    // listing missed was found; otherwise when every page where its figure
    // stands was read again without it -- unless it moved once more exactly
    // then, which no reader can tell, so a listing that moved more than was
    // found again leaves the result uncertain.
    const bool allMissedFound = !cut && outcome.Cleared >= SalesDuplicates;
    for (const TCandidate& candidate : candidates) {
        if (candidate.Found || allMissedFound)
            continue;
        const bool looked = !candidate.Pages.empty() &&
                            std::all_of(candidate.Pages.begin(), candidate.Pages.end(),
                                        [&read](int page) { return read.contains(page); });
        if (looked) {
            ++outcome.ConfirmedByReread;
        } else {
            outcome.Unconfirmed.push_back(candidate.Item->ID);
            outcome.UnconfirmedUnread += candidate.Item->SalesRead ? 0 : 1;
        }
    }
    return outcome;
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
            // An item read twice means the listing moved while it was read.
            if (!CurrentRecord.ID.empty() && !SalesIds.insert(CurrentRecord.ID).second)
                ++SalesDuplicates;
            records.push_back(std::move(CurrentRecord));
            // Where a listing cut at the page limit ends, and where the
            // figures of this page stand.
            if (const auto sales = ReadItemSales(piece)) {
                if (!yield.LowestSales || *sales < *yield.LowestSales)
                    yield.LowestSales = sales;
                if (!yield.HighestSales || *sales > *yield.HighestSales)
                    yield.HighestSales = sales;
            }
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
            TItemInfo& seen = DefaultSeen.emplace_back();
            seen.ID = CurrentItem.ID;
            seen.Sales = CurrentItem.Sales;
            seen.SalesRead = CurrentItem.SalesRead;
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
    TRunReport report = Report();
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
