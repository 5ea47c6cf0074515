#include "VerdictOracle.h"

#include "ResultTables.h"
#include "ResultTexts.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>

namespace korvane::test {

namespace {

const std::string& CellOf(const std::vector<std::string>& row, std::int32_t column) {
    static const std::string none;
    return static_cast<std::size_t>(column) < row.size() ? row[static_cast<std::size_t>(column)]
                                                         : none;
}

int CountCells(const TableRows& rows, std::string_view text) {
    int count = 0;
    for (const auto& row : rows)
        count += static_cast<int>(std::count(row.begin(), row.end(), text));
    return count;
}

} // namespace

std::string_view ViolationName(ViolationKind kind) {
    static constexpr std::array<std::string_view, static_cast<std::size_t>(ViolationKind::Count)>
        names{"run-did-not-finish",       "listed-item-accused",  "complete-misses-hidden",
              "complete-despite-fault",   "complete-despite-cut", "complete-not-compared",
              "demoted-verdict-unearned", "summary-mismatch",     "unread-figure-shown-as-0"};
    return names[static_cast<std::size_t>(kind)];
}

OracleFindings JudgeRun(const ShopPlan& plan, const MarketLog& log, const RunOutcome& run) {
    OracleFindings findings;
    const auto fail = [&findings](ViolationKind kind, std::string detail) {
        findings.Violations.push_back({kind, std::move(detail)});
    };
    if (!run.Finished) {
        fail(ViolationKind::RunDidNotFinish, "no FinishRun within the wait");
        return findings;
    }
    std::map<std::string, const ShopItem*> byId;
    for (const ShopItem& item : plan.Items)
        byId[item.Id] = &item;
    const TRunReport& report = run.Report;

    // Nothing the sales order lists is demoted, whatever the ending.
    std::set<std::string> accused;
    for (const auto& row : run.Demoted) {
        const std::string& id = CellOf(row, demoted::kId);
        if (id.empty())
            continue; // the notice row
        accused.insert(id);
        const auto it = byId.find(id);
        if (it == byId.end() || it->second->Hidden) {
            if (it == byId.end())
                fail(ViolationKind::ListedItemAccused,
                     "unknown id " + id + " in the demoted table");
            continue;
        }
        if (report.Uncertain())
            ++findings.AllowedAsUncertain;
        else
            fail(ViolationKind::ListedItemAccused,
                 "item " + id + " (selling " + std::to_string(it->second->Sales) +
                     " when the shop opened, shown " + CellOf(row, demoted::kSales) +
                     ") is listed in the sales order");
    }

    // A complete result names every hidden item read, and comes only of two
    // listings served whole and uncut.
    if (report.Complete()) {
        for (const std::string& id : run.DefaultIds)
            if (byId.contains(id) && byId[id]->Hidden && !accused.contains(id))
                fail(ViolationKind::CompleteMissesHidden, "hidden item " + id + " not named");
        if (log.FaultInPasses())
            fail(ViolationKind::CompleteDespiteFault, "a page of a pass was not served whole");
        if (log.SalesCutServed || log.DefaultCutServed)
            fail(ViolationKind::CompleteDespiteCut,
                 log.SalesCutServed ? "the sales listing was cut" : "the default listing was cut");
        if (!report.MakesComparison() || report.Uncertain())
            fail(ViolationKind::CompleteNotCompared, "complete without a settled comparison");
    }

    // A top seller is pushed down only when more items than its own earned
    // place stand above it: the distinct items read whose true sales are no
    // lower than its own (ties do not push it down).
    const std::set<std::string> readIds(run.DefaultIds.begin(), run.DefaultIds.end());
    const auto trueSales = [&](const std::string& id) {
        if (const auto it = log.DefaultSales.find(id); it != log.DefaultSales.end())
            return it->second;
        return byId.contains(id) ? byId[id]->Sales : 0;
    };
    for (const auto& row : run.Ranking) {
        if (CellOf(row, ranking::kVerdict) != texts::kDemotedVerdict)
            continue;
        const std::string& id = CellOf(row, ranking::kId);
        const std::int32_t own = trueSales(id);
        const long earned =
            std::count_if(readIds.begin(), readIds.end(),
                          [&](const std::string& other) { return trueSales(other) >= own; });
        const long rank = std::atol(CellOf(row, ranking::kRank).c_str());
        if (rank <= earned)
            fail(ViolationKind::DemotedVerdictUnearned,
                 "item " + id + " at rank " + std::to_string(rank) + " earns no better than " +
                     std::to_string(earned) + " (true sales " + std::to_string(own) + ")");
    }

    // The summary's counts are its tables'.
    if (run.Summary) {
        const TAnalysisSummary& summary = *run.Summary;
        const long demotedRows =
            std::count_if(run.Demoted.begin(), run.Demoted.end(),
                          [](const auto& row) { return !CellOf(row, demoted::kId).empty(); });
        const auto mismatch = [&](const char* what, long counted, long table) {
            if (counted != table)
                fail(ViolationKind::SummaryMismatch, std::string(what) + " " +
                                                         std::to_string(counted) + " != table's " +
                                                         std::to_string(table));
        };
        mismatch("Demoted", summary.Demoted, demotedRows);
        mismatch("TopDemoted", summary.TopDemoted, CountCells(run.Ranking, texts::kDemotedVerdict));
        mismatch("Unconfirmed", summary.Unconfirmed,
                 CountCells(run.Ranking, texts::kUnconfirmedVerdict) +
                     CountCells(run.Demoted, texts::kUnconfirmedVerdict));
        mismatch("Items", summary.Items, static_cast<long>(run.DefaultIds.size()));
    }

    // An unreadable figure never shows as a plain 0.
    const std::array<std::pair<const TableRows*, std::pair<std::int32_t, std::int32_t>>, 3> tables{
        {{&run.AllItems, {allitems::kSales, allitems::kId}},
         {&run.Demoted, {demoted::kSales, demoted::kId}},
         {&run.Ranking, {ranking::kSales, ranking::kId}}}};
    for (const auto& [rows, columns] : tables)
        for (const auto& row : *rows) {
            const std::string& id = CellOf(row, columns.second);
            if (log.UnreadableInDefault.contains(id) && CellOf(row, columns.first) == "0") {
                fail(ViolationKind::UnreadFigureShownAsZero,
                     "item " + id + " shows 0 for its unreadable figure");
                break;
            }
        }
    return findings;
}

} // namespace korvane::test
