// Generated shops whose truth is known, read through the real crawl, client
// and analysis against a loopback marketplace, judged by the truth alone.
//   KORVANE_VERDICT_SHOPS  shops to run (default 1000)
//   KORVANE_VERDICT_SEED   first seed (default 1); alone, replays that shop
//   KORVANE_VERDICT_JOBS   shops run at once (default 6: most of a run waits)
#include "GeneratedShop.h"
#include "ThreadUnit.h"
#include "TruthMarketplace.h"
#include "VerdictOracle.h"
#include "VerdictRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace korvane;
using namespace korvane::test;

namespace {

// Short limits, so that a trickled page or one never answered costs little.
constexpr TFetchLimits kQuickLimits{150, 400};

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// A replayed shop's truth in brief.
std::string Describe(const ShopPlan& plan) {
    long hidden = 0;
    long unreadable = 0;
    for (const ShopItem& item : plan.Items) {
        hidden += item.Hidden ? 1 : 0;
        unreadable += item.Figure != SalesFigure::Plain ? 1 : 0;
    }
    std::string text = std::to_string(plan.Items.size()) + " items, " + std::to_string(hidden) +
                       " hidden, " + std::to_string(unreadable) + " figures unreadable";
    for (const SalesShift& shift : plan.Shifts)
        text += ", item " + plan.Items[shift.Item].Id + " sells " +
                std::to_string(plan.Items[shift.Item].Sales) + " -> " +
                std::to_string(shift.Sales) +
                (shift.At == SalesShift::When::AfterSalesPage
                     ? " after sales page " + std::to_string(shift.Page)
                 : shift.At == SalesShift::When::BetweenPasses ? " between the passes"
                                                               : " at the first reread");
    if (plan.SalesDuplicate)
        text += ", listed twice in the sales order: " + plan.Items[*plan.SalesDuplicate].Id;
    if (plan.DefaultDuplicate)
        text += ", listed twice in the default order: " + plan.Items[*plan.DefaultDuplicate].Id;
    if (plan.Items.size() <= 60) {
        text += "\ndefault order, item:sales:";
        for (const std::size_t item : plan.DefaultOrder)
            text += " " + std::to_string(item + 1) + ":" + std::to_string(plan.Items[item].Sales) +
                    (plan.Items[item].Hidden ? "h" : "") +
                    (plan.Items[item].Figure != SalesFigure::Plain ? "?" : "");
    }
    return text;
}

// What the generated marketplaces did, and what the oracle found, over all shops.
struct Tally {
    std::mutex Lock;
    std::map<std::string, long> Behaviours;
    std::map<std::string, long> Endings;
    std::map<ViolationKind, long> Violations;
    std::map<ViolationKind, std::vector<std::uint64_t>> Seeds;
    std::vector<std::string> Examples;
    long AllowedAsUncertain = 0;

    void Count(const ShopPlan& plan, const MarketLog& log, const RunOutcome& run,
               const OracleFindings& findings) {
        std::map<std::string, long> seen;
        for (const ServedPage& page : log.Pages)
            if (page.PastTheListing)
                ++seen["page-past-the-listing-404"];
            else if (page.Behaviour != PageBehaviour::Whole)
                ++seen[std::string(BehaviourName(page.Behaviour))];
        for (const ShopItem& item : plan.Items)
            if (item.Figure != SalesFigure::Plain && log.UnreadableInDefault.contains(item.Id))
                ++seen[std::string(FigureName(item.Figure))];
        if (log.SalesCutServed || log.DefaultCutServed)
            ++seen[plan.CutShowsEnd ? "cut-page-100-shows-end" : "cut-page-100-next-link"];
        if (log.SalesDuplicateServed)
            ++seen["duplicate-in-sales"];
        if (log.DefaultDuplicateServed)
            ++seen["duplicate-in-default"];
        seen["shift-during-sales-pass"] = log.ShiftsApplied[0];
        seen["shift-between-passes"] = log.ShiftsApplied[1];
        seen["shift-at-reread"] = log.ShiftsApplied[2];
        for (const SalesShift& shift : plan.Shifts)
            if (shift.At == SalesShift::When::AtReread)
                ++seen["shift-at-reread (planned)"];
        if (std::any_of(log.Pages.begin(), log.Pages.end(),
                        [](const ServedPage& page) { return page.Of == Phase::Reread; }))
            ++seen["sales-page-reread"];
        if (std::any_of(plan.Items.begin(), plan.Items.end(),
                        [](const ShopItem& item) { return item.Hidden; }))
            ++seen["hidden-items"];

        std::lock_guard lock(Lock);
        for (const auto& [kind, n] : seen)
            Behaviours[kind] += n;
        ++Endings[!run.Finished                  ? "not finished"
                  : run.Report.Complete()        ? "complete"
                  : run.Report.Uncertain()       ? "uncertain"
                  : run.Report.MakesComparison() ? "partial comparison"
                                                 : "no comparison"];
        AllowedAsUncertain += findings.AllowedAsUncertain;
        std::map<ViolationKind, bool> once;
        for (const Violation& violation : findings.Violations) {
            if (once[violation.Kind])
                continue;
            once[violation.Kind] = true;
            ++Violations[violation.Kind];
            if (Seeds[violation.Kind].size() < 5)
                Seeds[violation.Kind].push_back(plan.Seed);
            if (Examples.size() < 20)
                Examples.push_back("seed " + std::to_string(plan.Seed) + ": " +
                                   std::string(ViolationName(violation.Kind)) + ": " +
                                   violation.Detail);
        }
    }
};

TEST(VerdictPropertyTest, GeneratedShopsGetTheVerdictTheirTruthAllows) {
    const bool replay = std::getenv("KORVANE_VERDICT_SEED") != nullptr &&
                        std::getenv("KORVANE_VERDICT_SHOPS") == nullptr;
    const std::uint64_t first = EnvNumber("KORVANE_VERDICT_SEED", 1);
    const std::uint64_t shops = replay ? 1 : EnvNumber("KORVANE_VERDICT_SHOPS", 1000);
    const auto jobs =
        static_cast<unsigned>(std::max<std::uint64_t>(1, EnvNumber("KORVANE_VERDICT_JOBS", 6)));

    Tally tally;
    std::atomic<std::uint64_t> next{0};
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (unsigned j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            for (std::uint64_t i = next++; i < shops; i = next++) {
                const std::uint64_t seed = first + i;
                ShapeSource source(seed);
                const ShopPlan plan = GenerateShop(source, seed);
                TruthMarketplace market(plan);
                const RunOutcome run = RunDetection(market.Host(), kQuickLimits);
                const MarketLog log = market.Log();
                const OracleFindings findings = JudgeRun(plan, log, run);
                if (replay)
                    std::printf("%s\nserved:%s\n", Describe(plan).c_str(), log.Describe().c_str());
                tally.Count(plan, log, run, findings);
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(10)));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf("%llu shops from seed %llu in %.1f s\n", static_cast<unsigned long long>(shops),
                static_cast<unsigned long long>(first), seconds);
    for (const auto& [kind, n] : tally.Behaviours)
        std::printf("  %-28s %ld\n", kind.c_str(), n);
    for (const auto& [ending, n] : tally.Endings)
        std::printf("  ending %-21s %ld\n", ending.c_str(), n);
    std::printf("  listed items accused under an uncertain result: %ld\n",
                tally.AllowedAsUncertain);
    std::string failures;
    for (const auto& [kind, n] : tally.Violations) {
        failures += std::string(ViolationName(kind)) + ": " + std::to_string(n) + " shops, seeds";
        for (const std::uint64_t seed : tally.Seeds[kind])
            failures += " " + std::to_string(seed);
        failures += "\n";
    }
    for (const std::string& example : tally.Examples)
        failures += "  " + example + "\n";
    EXPECT_TRUE(tally.Violations.empty()) << "replay one with KORVANE_VERDICT_SEED=<seed>\n"
                                          << failures;

    // The generator reaches every behaviour many times in a full round.
    if (shops >= 1000) {
        for (auto behaviour = static_cast<int>(PageBehaviour::Whole) + 1;
             behaviour < static_cast<int>(PageBehaviour::Count); ++behaviour) {
            const std::string name(BehaviourName(static_cast<PageBehaviour>(behaviour)));
            EXPECT_GE(tally.Behaviours[name], 10) << name;
        }
        for (const char* kind :
             {"figure-comma", "figure-wan", "figure-missing", "cut-page-100-shows-end",
              "cut-page-100-next-link", "duplicate-in-sales", "duplicate-in-default",
              "shift-during-sales-pass", "shift-between-passes", "hidden-items"})
            EXPECT_GE(tally.Behaviours[kind], 3) << kind;
    }
}

} // namespace
