// Cutting one realistic listing page: 42 items, about 300 KB of GBK markup.
#include "ListingPage.h"
#include "ListingPageBuilder.h"
#include "ThreadUnit.h"

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

std::string RealisticPage() {
    test::ListingPageBuilder page;
    for (int i = 0; i < kItemsPerListingPage; ++i)
        page.Add(test::MakeItem(std::to_string(10'000'000'000LL + i * 7919),
                                "2012新款 韩版修身长袖连衣裙 女装 秋装 包邮", "168.00",
                                std::to_string(1000 - i * 13)));
    return page.ItemPadding(6'000).PagePadding(40'000).Last(false).Build();
}

// The crawl's whole page step: narrowing, splitting, every field of every
// item, and the hand-over into the lists.
void BM_ReadListingPage(benchmark::State& state) {
    const std::string page = RealisticPage();
    TResultLists lists;
    TRunOperations ops;
    ops.Lists = &lists;
    TRunThread worker(ops);
    for (auto _ : state) {
        lists.DefaultList.clear();
        worker.ReadPage(TPass::Default, page);
        benchmark::DoNotOptimize(lists.DefaultList.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
    state.counters["items"] = static_cast<double>(lists.DefaultList.size());
}
BENCHMARK(BM_ReadListingPage);

// What the crawl does with a page before it asks for the next one: the end
// test and the check for items (a page with items needs no look for the list
// itself). The next fetch waits on it.
void BM_PageBeforeNextFetch(benchmark::State& state) {
    const std::string page = RealisticPage();
    for (auto _ : state) {
        const bool last = IsLastListingPage(page);
        const bool items = HasListingItems(page);
        benchmark::DoNotOptimize(last || items || IsListingPage(page));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_PageBeforeNextFetch);

} // namespace
