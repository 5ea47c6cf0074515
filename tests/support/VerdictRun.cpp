#include "VerdictRun.h"

#include "GbkText.h"
#include "ResultTables.h"
#include "StringGrid.h"
#include "ThreadUnit.h"

#include <atomic>
#include <future>
#include <memory>
#include <mutex>

namespace korvane::test {

namespace {

// The window's side of a run: its lists and tables, touched only under the
// lock, as only the window's thread would touch them.
struct Owner {
    std::mutex Lock;
    TResultLists Lists;
    TStringGrid sgData1;
    TStringGrid sgData2;
    TStringGrid sgData3;
    std::optional<TAnalysisSummary> Summary;
    std::promise<TRunReport> Finished;
};

TableRows Rows(const TStringGrid& grid) {
    TableRows rows;
    for (std::int32_t row = 1; row + 1 < grid.RowCount(); ++row) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (std::int32_t column = 0; column < grid.ColumnCount(); ++column)
            cells.push_back(grid.Cell(column, row));
    }
    // The notice row of a table with nothing to list stands in the row that
    // is otherwise the empty last one.
    if (grid.RowCount() == kEmptyTableRowCount) {
        std::vector<std::string> cells;
        bool any = false;
        for (std::int32_t column = 0; column < grid.ColumnCount(); ++column) {
            cells.push_back(grid.Cell(column, 1));
            any = any || !cells.back().empty();
        }
        if (any)
            rows.push_back(std::move(cells));
    }
    return rows;
}

} // namespace

RunOutcome RunDetection(const std::string& host, TFetchLimits limits,
                        std::chrono::milliseconds wait) {
    auto owner = std::make_shared<Owner>();
    SetUpResultTables(owner->sgData1, owner->sgData2, owner->sgData3);
    auto stop = std::make_shared<std::atomic<bool>>(false);

    TRunOperations ops;
    ops.FetchPage = [limits](const std::string& url, std::string& body) {
        FetchPageWithin(url, body, limits);
    };
    ops.Nick = Gbk("真相小店");
    ops.Synchronize = [owner](const std::function<void()>& call) {
        std::lock_guard lock(owner->Lock);
        call();
    };
    ops.AddItemRow = [owner](const TItemInfo& item) { AddItemRow(owner->sgData1, item); };
    ops.Lists = &owner->Lists;
    ops.StopRequested = stop;
    ops.SearchHost = host;
    ops.AnalyseRanks = [owner](const TRunReport& report) {
        owner->Summary =
            AnalyseRanks(owner->Lists, owner->sgData2, owner->sgData3, report.Coverage());
    };
    ops.FinishRun = [owner](const TRunReport& report) { owner->Finished.set_value(report); };

    std::future<TRunReport> finished = owner->Finished.get_future();
    TRunThread::StartRun(std::move(ops));
    RunOutcome outcome;
    if (finished.wait_for(wait) != std::future_status::ready) {
        // Ended so that its threads let go of the marketplace.
        stop->store(true);
        if (finished.wait_for(std::chrono::seconds(30)) != std::future_status::ready)
            return outcome;
        finished.get();
        return outcome;
    }
    outcome.Finished = true;
    outcome.Report = finished.get();
    std::lock_guard lock(owner->Lock);
    outcome.Summary = owner->Summary;
    for (const TItemInfo& item : owner->Lists.DefaultList)
        outcome.DefaultIds.push_back(item.ID);
    outcome.AllItems = Rows(owner->sgData1);
    outcome.Demoted = Rows(owner->sgData2);
    outcome.Ranking = Rows(owner->sgData3);
    return outcome;
}

} // namespace korvane::test
