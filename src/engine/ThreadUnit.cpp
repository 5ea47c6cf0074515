#include "ThreadUnit.h"

#include "ListingPage.h"
#include "MyUtils.h"

#include <utility>

namespace korvane {

TRunThread::TRunThread(TRunOperations ops) : Ops(std::move(ops)) {}

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
    const std::string nick = Method::EncodeText(Ops.ReadNick ? Ops.ReadNick() : std::string{});
    if (pass == TPass::Default)
        RunningRank = 1;

    int emptyPagesInRow = 0;
    std::string pageText;
    for (int page = 1;; ++page) {
        if (StopRequested())
            return {TPassEnd::Stopped, page - 1};

        pageText.clear();
        try {
            Ops.FetchPage(ListingUrl(Ops.SearchHost, pass, nick, page), pageText);
        } catch (...) {
            // A failed fetch is never reported: the crawl goes on with what it left.
        }

        int items = 0;
        if (!pageText.empty()) {
            LastPageText.swap(pageText);
            items = ReadPage(pass, LastPageText);
        }

        // The end test reads the most recent non-empty body, so a failed
        // fetch right after the sales pass's last page ends the default pass.
        if (IsLastListingPage(LastPageText))
            return {TPassEnd::EndMarker, page};
        emptyPagesInRow = items == 0 ? emptyPagesInRow + 1 : 0;
        if (emptyPagesInRow >= kMaxEmptyPagesInRow)
            return {TPassEnd::NoItems, page};
        if (page >= kMaxPagesPerPass)
            return {TPassEnd::PageLimit, page};
    }
}

int TRunThread::ReadPage(TPass pass, std::string_view page) {
    int items = 0;
    for (std::string_view piece : ListingItemPieces(page)) {
        ++items;
        if (pass == TPass::Sales) {
            CurrentRecord = TItemRecordInfo{};
            CurrentRecord.ID.assign(CutItemId(piece));
            CurrentRecord.Title.assign(CutItemTitle(piece));
            HandOver([this] { AddSalesRecord(); });
        } else {
            CurrentItem = TItemInfo{};
            CurrentItem.ID.assign(CutItemId(piece));
            CurrentItem.Title.assign(CutItemTitle(piece));
            CurrentItem.Price.assign(CutItemPrice(piece));
            CurrentItem.Sales = CutItemSales(piece);
            CurrentItem.Rank = RunningRank++;
            HandOver([this] { AddItem(); });
        }
    }
    return items;
}

} // namespace korvane
