// The input's bytes shape a shop and what its marketplace does while it is
// read (size, sales, hidden items, each page's behaviour, shifts); one whole
// run through the real client against it, judged by the shop's truth.
#include "GeneratedShop.h"
#include "ThreadUnit.h"
#include "TruthMarketplace.h"
#include "VerdictOracle.h"
#include "VerdictRun.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

using namespace korvane;
using namespace korvane::test;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ShapeSource source(std::span<const std::uint8_t>(data, size));
    const ShopPlan plan = GenerateShop(source);
    OracleFindings findings;
    {
        TruthMarketplace market(plan);
        const RunOutcome run = RunDetection(market.Host(), {150, 400});
        // No run's thread, and no connection, outlives its input.
        if (!TRunThread::WaitForRunThreads(std::chrono::seconds(30))) {
            std::fprintf(stderr, "a run's threads did not end\n");
            std::abort();
        }
        findings = JudgeRun(plan, market.Log(), run);
        if (!findings.Violations.empty())
            std::fprintf(stderr, "served:%s\n", market.Log().Describe().c_str());
    }
    for (const Violation& violation : findings.Violations)
        std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(ViolationName(violation.Kind).size()),
                     ViolationName(violation.Kind).data(), violation.Detail.c_str());
    if (!findings.Violations.empty())
        std::abort();
    return 0;
}
