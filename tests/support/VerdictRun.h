#pragma once

#include "ListingFetch.h"
#include "RankAnalysis.h"
#include "RunReport.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// The data rows of a result table (from row 1, the empty last row left out),
// each its cells by column.
using TableRows = std::vector<std::vector<std::string>>;

// What one whole run showed, as the window would hold it at its end.
struct RunOutcome {
    bool Finished = false; // FinishRun came within the wait
    TRunReport Report{};
    std::optional<TAnalysisSummary> Summary{}; // when the run compared
    std::vector<std::string> DefaultIds;       // DefaultList, in order
    TableRows AllItems;                        // sgData1
    TableRows Demoted;                         // sgData2
    TableRows Ranking;                         // sgData3
};

// Runs a whole detection against the marketplace at host through the real
// client (FetchPageWithin with limits) and the worker's public start, the
// owner's calls serialised as the window's thread would run them, the
// analysis as the window calls it. Waits for FinishRun; the run's threads
// may still be releasing when it returns (TRunThread::WaitForRunThreads).
RunOutcome RunDetection(const std::string& host, TFetchLimits limits,
                        std::chrono::milliseconds wait = std::chrono::seconds(60));

} // namespace korvane::test
