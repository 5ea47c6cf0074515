// Shops whose verdict once went wrong, each a small fixed shop and what its
// marketplace did, run whole against the loopback marketplace and judged by
// the shop's truth.
#include "GeneratedShop.h"
#include "ThreadUnit.h"
#include "TruthMarketplace.h"
#include "VerdictOracle.h"
#include "VerdictRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <string>
#include <vector>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr TFetchLimits kQuickLimits{150, 400};

// count items selling first, first - 1, ...: no ties, the default order
// following sales exactly, nothing hidden.
ShopPlan HonestShop(int count, int first) {
    std::vector<std::int32_t> sales(static_cast<std::size_t>(count));
    std::iota(sales.rbegin(), sales.rend(), first - count + 1);
    ShopPlan plan;
    plan.Items = NumberedItems(sales);
    plan.DefaultOrder = OrderBySales(plan.Items);
    return plan;
}

struct VerdictCase {
    const char* Name;
    ShopPlan (*Make)();
};

const VerdictCase kCases[] = {
    // A throttled first sales page: the frame and the pager's end, no item,
    // beside a default listing of 101 items. Called the whole shop demoted.
    {"HollowFirstSalesPageWithEnd",
     [] {
         ShopPlan plan = HonestShop(101, 500);
         plan.Pages[{Phase::Sales, 1}] = PageBehaviour::HollowWithEnd;
         return plan;
     }},
    // Both first pages throttled the same way: no reader can tell that from a
    // shop that lists nothing, and it was shown as a complete comparison.
    {"HollowFirstPagesOfBothListings",
     [] {
         ShopPlan plan = HonestShop(102, 500);
         plan.Pages[{Phase::Sales, 1}] = PageBehaviour::HollowWithEnd;
         plan.Pages[{Phase::Default, 1}] = PageBehaviour::HollowWithEnd;
         return plan;
     }},
    // The best seller's figure reads "2,999": taken as 0 it ranked last by
    // sales and lifted every other item's earned place.
    {"UnreadableBestSellerFigure",
     [] {
         ShopPlan plan = HonestShop(30, 2999);
         plan.Items[0].Figure = SalesFigure::Comma;
         return plan;
     }},
    // An item on sales page 2 sells and moves to the top once page 1 is
    // read: page 2 repeats page 1's last item and the mover is never seen.
    {"ItemMovesUpAcrossAReadSalesPage",
     [] {
         ShopPlan plan = HonestShop(100, 1000);
         plan.Shifts.push_back({SalesShift::When::AfterSalesPage, 1, 60, 5000});
         return plan;
     }},
    // The mirror of the first: the default listing's first page hollow with
    // the pager's end beside a sales listing of items, called complete.
    {"HollowFirstDefaultPageWithEnd",
     [] {
         ShopPlan plan = HonestShop(50, 200);
         plan.Pages[{Phase::Default, 1}] = PageBehaviour::HollowWithEnd;
         return plan;
     }},
    // An item of sales page 1 stops selling once page 1 is read and sinks
    // to the end: page 2's first item slides onto page 1, read already.
    {"ItemMovesDownAcrossAReadSalesPage",
     [] {
         ShopPlan plan = HonestShop(100, 1000);
         plan.Shifts.push_back({SalesShift::When::AfterSalesPage, 1, 10, 0});
         return plan;
     }},
    // 4,250 items, the 60 hidden ones last in the default order: the sales
    // listing ends on its own page 100, the default one is cut there and
    // shows the pager's end.
    {"DefaultListingCutAtPage100ShowingItsEnd",
     [] {
         ShopPlan plan = HonestShop(4250, 5000);
         for (std::size_t i = 4190; i < plan.Items.size(); ++i)
             plan.Items[i].Hidden = true;
         plan.CutShowsEnd = true;
         return plan;
     }},
    // 4,230 items, nothing hidden: the sales listing is cut at page 100 and
    // one item past the cut shows no figure, so nothing tells it from a
    // demoted one. Accused though the marketplace lists it.
    {"UnreadableFigurePastTheSalesCut",
     [] {
         ShopPlan plan = HonestShop(4230, 5000);
         plan.Items[4215].Figure = SalesFigure::Missing;
         // The default listing, cut too, shows it on its first page.
         std::rotate(plan.DefaultOrder.begin(), plan.DefaultOrder.begin() + 4215,
                     plan.DefaultOrder.begin() + 4216);
         return plan;
     }},
    // Two items tied at 6 stand third and fourth, below one selling 5: the
    // first of them stands where its sales earn (items selling 6 or more are
    // three), yet the exchange sort's order of the tie gives it place 2.
    {"TiedItemsBelowALesserSeller",
     [] {
         ShopPlan plan;
         plan.Items = NumberedItems({1094, 5, 6, 6});
         plan.DefaultOrder = {0, 1, 2, 3};
         return plan;
     }},
};

class VerdictCasesTest : public ::testing::TestWithParam<VerdictCase> {
protected:
    void TearDown() override {
        EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
    }
};

TEST_P(VerdictCasesTest, EndsAsTheTruthAllows) {
    const ShopPlan plan = GetParam().Make();
    TruthMarketplace market(plan);
    const RunOutcome run = RunDetection(market.Host(), kQuickLimits);
    const OracleFindings findings = JudgeRun(plan, market.Log(), run);
    std::string found;
    for (const Violation& violation : findings.Violations)
        found += std::string(ViolationName(violation.Kind)) + ": " + violation.Detail + "\n";
    EXPECT_TRUE(findings.Violations.empty()) << found;
}

INSTANTIATE_TEST_SUITE_P(Shops, VerdictCasesTest, ::testing::ValuesIn(kCases),
                         [](const auto& shop) { return std::string(shop.param.Name); });

} // namespace
