#pragma once

#include "GeneratedShop.h"
#include "TruthMarketplace.h"
#include "VerdictRun.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvane::test {

enum class ViolationKind : std::uint8_t {
    RunDidNotFinish,
    ListedItemAccused,       // an item the sales order lists stands in 降权宝贝
    CompleteMissesHidden,    // complete, yet a hidden item read is not named
    CompleteDespiteFault,    // complete, though a page was not served whole
    CompleteDespiteCut,      // complete, though a listing was cut at page 100
    CompleteNotCompared,     // complete without a comparison, or uncertain
    DemotedVerdictUnearned,  // 重要宝贝被隐性降权 on an item standing where its sales earn
    SummaryMismatch,         // a count of the summary differs from its table
    UnreadFigureShownAsZero, // an unreadable figure shown as a plain 0
    Count,
};
std::string_view ViolationName(ViolationKind kind);

struct Violation {
    ViolationKind Kind;
    std::string Detail;
};

struct OracleFindings {
    std::vector<Violation> Violations;
    // Listed items accused while the run said its result is uncertain.
    int AllowedAsUncertain = 0;
};

// Judges a run by the shop's truth and what the marketplace served, never by
// how the program decides: what it may call demoted, when it may call the
// result complete, which verdicts the true sales allow, and whether its
// counts agree with its tables.
OracleFindings JudgeRun(const ShopPlan& plan, const MarketLog& log, const RunOutcome& run);

} // namespace korvane::test
