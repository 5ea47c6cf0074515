// The oracle itself: an honest run passes, and each wrong ending it exists
// to catch is caught, on a three-item shop built by hand.
#include "VerdictOracle.h"
#include "GeneratedShop.h"
#include "ResultTables.h"
#include "ResultTexts.h"
#include "TruthMarketplace.h"
#include "VerdictRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace korvane;
using namespace korvane::test;
using ::testing::ElementsAreArray;

namespace {

// Items 1 (selling 9, hidden), 2 (selling 5) and 3 (selling 5), read in that order.
struct HonestRun {
    ShopPlan Plan;
    MarketLog Log;
    RunOutcome Run;

    HonestRun() {
        Plan.Items = NumberedItems({9, 5, 5});
        Plan.Items[0].Hidden = true;
        Plan.DefaultOrder = {0, 1, 2};
        Log.Pages = {{Phase::Sales, 1, PageBehaviour::Whole, {Id(2), Id(3)}},
                     {Phase::Default, 1, PageBehaviour::Whole, {Id(1), Id(2), Id(3)}}};
        for (const ShopItem& item : Plan.Items)
            Log.DefaultSales[item.Id] = item.Sales;
        Run.Finished = true;
        for (TPassOutcome* pass : {&Run.Report.Sales, &Run.Report.Default}) {
            pass->End = TPassEnd::EndMarker;
            pass->LastPage = 1;
            pass->PagesRead = 1;
        }
        Run.Report.Sales.ItemsFound = 2;
        Run.Report.Default.ItemsFound = 3;
        Run.DefaultIds = {Id(1), Id(2), Id(3)};
        Run.AllItems = {{"1", "t", "9", "1.00", "", Id(1)},
                        {"2", "t", "5", "1.00", "", Id(2)},
                        {"3", "t", "5", "1.00", "", Id(3)}};
        Run.Demoted = {{"1", "t", "9", "1.00", Id(1)}};
        Run.Ranking = {RankingRow(Id(3), "3", texts::kNormalVerdict),
                       RankingRow(Id(2), "2", texts::kNormalVerdict)};
        Run.Summary = TAnalysisSummary{3, 1, 0, 0, 0, 0, 0};
    }
    std::string Id(int n) const { return Plan.Items[static_cast<std::size_t>(n - 1)].Id; }
    static std::vector<std::string> RankingRow(const std::string& id, const std::string& rank,
                                               std::string_view verdict) {
        std::vector<std::string> row(9);
        row[ranking::kSales] = "5";
        row[ranking::kRank] = rank;
        row[ranking::kVerdict] = std::string(verdict);
        row[ranking::kId] = id;
        return row;
    }
};

struct OracleCase {
    const char* Name;
    std::function<void(HonestRun&)> Spoil; // empty: the honest run
    std::vector<ViolationKind> Expected;
    int AllowedAsUncertain = 0;
};

const std::vector<OracleCase>& Cases() {
    static const std::vector<OracleCase> cases{
        {"HonestRunPasses", {}, {}},
        {"ListedItemAccused",
         [](HonestRun& r) {
             r.Run.Demoted.push_back({"2", "t", "5", "1.00", r.Id(2)});
         },
         {ViolationKind::ListedItemAccused, ViolationKind::SummaryMismatch}},
        {"ListedItemAccusedUnderAnUncertainResult",
         [](HonestRun& r) {
             r.Run.Demoted.push_back({"2", "t", "5", "1.00", r.Id(2)});
             r.Run.Report.Confirmation.Unconfirmed = {r.Id(2)};
             r.Run.Summary->Demoted = 2;
         },
         {},
         1},
        {"CompleteWithoutTheHiddenItem",
         [](HonestRun& r) {
             r.Run.Demoted = {{"", "no demoted notice", "", "", ""}};
             r.Run.Summary->Demoted = 0;
         },
         {ViolationKind::CompleteMissesHidden}},
        {"CompleteDespiteAHollowPage",
         [](HonestRun& r) { r.Log.Pages[0].Behaviour = PageBehaviour::HollowWithEnd; },
         {ViolationKind::CompleteDespiteFault}},
        {"CompleteDespiteTheCut",
         [](HonestRun& r) { r.Log.DefaultCutServed = true; },
         {ViolationKind::CompleteDespiteCut}},
        // Items 2 and 3 tie: item 3 at rank 3 stands where its sales earn.
        {"TiedItemCalledPushedDown",
         [](HonestRun& r) {
             r.Run.Ranking[0][ranking::kVerdict] = std::string(texts::kDemotedVerdict);
             r.Run.Summary->TopDemoted = 1;
         },
         {ViolationKind::DemotedVerdictUnearned}},
        {"SummaryCountsAnotherTable",
         [](HonestRun& r) { r.Run.Summary->Items = 2; },
         {ViolationKind::SummaryMismatch}},
        {"UnreadableFigureShownAsZero",
         [](HonestRun& r) {
             r.Log.UnreadableInDefault.insert(r.Id(3));
             r.Run.AllItems[2][allitems::kSales] = "0";
         },
         {ViolationKind::UnreadFigureShownAsZero}},
        {"RunThatNeverFinished",
         [](HonestRun& r) { r.Run.Finished = false; },
         {ViolationKind::RunDidNotFinish}},
    };
    return cases;
}

class VerdictOracleTest : public ::testing::TestWithParam<OracleCase> {};

TEST_P(VerdictOracleTest, FindsWhatTheRunGotWrong) {
    HonestRun run;
    if (GetParam().Spoil)
        GetParam().Spoil(run);
    const OracleFindings findings = JudgeRun(run.Plan, run.Log, run.Run);
    std::vector<ViolationKind> kinds;
    for (const Violation& violation : findings.Violations)
        kinds.push_back(violation.Kind);
    EXPECT_THAT(kinds, ElementsAreArray(GetParam().Expected));
    EXPECT_EQ(findings.AllowedAsUncertain, GetParam().AllowedAsUncertain);
}

INSTANTIATE_TEST_SUITE_P(Runs, VerdictOracleTest, ::testing::ValuesIn(Cases()),
                         [](const auto& run) { return std::string(run.param.Name); });

} // namespace
