// The end of a run: AnalyseRanks and the end-of-run sort of the ranking
// table, for shops of 4,200 and 10,000 items, against the loop-for-loop
// transcription of the same steps.
#include "ExchangeSort.h"
#include "LiteralAnalysis.h"
#include "MyUtils.h"
#include "RankAnalysis.h"
#include "ResultTables.h"
#include "SortChoice.h"
#include "SortGrid.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace korvane;

namespace {

constexpr double kDemotedShare = 0.03;
constexpr double kExtraZeroShare = 0.1;  // on top of the zeros the tail gives
constexpr double kRelistedShare = 0.005; // items the listing shows on two pages

// A shop as the two passes leave it. Sales are heavy-tailed: more than half
// zero, most of the rest small, a few in the thousands, so ties abound. The
// default order follows sales loosely; the sales-ordered listing leaves out
// about 3 % of the items (the demoted ones) and orders ties its own way.
TResultLists RealisticShop(int items) {
    std::mt19937 random(static_cast<unsigned>(items));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);

    struct Draft {
        TItemInfo Item;
        double Score;
    };
    std::vector<Draft> drafts;
    for (int i = 0; i < items; ++i) {
        TItemInfo item;
        item.ID = std::to_string(10'000'000'000LL + static_cast<long long>(i) * 7919);
        // 2012新款 韩版修身长袖连衣裙 女装 (GBK) and a model number
        item.Title = "2012\xD0\xC2\xBF\xEE \xBA\xAB\xB0\xE6\xD0\xDE\xC9\xED\xB3\xA4\xD0\xE4"
                     "\xC1\xAC\xD2\xC2\xC8\xB9 \xC5\xAE\xD7\xB0 No." +
                     std::to_string(i);
        item.Price = std::to_string(20 + i % 300) + ".00";
        const double u = std::max(unit(random), 1e-9);
        item.Sales =
            unit(random) < kExtraZeroShare
                ? 0
                : std::min(5000, static_cast<int>(std::floor(std::pow(u, -1.0 / 1.1))) - 1);
        drafts.push_back({item, std::log1p(item.Sales) + noise(random)});
    }
    std::stable_sort(drafts.begin(), drafts.end(),
                     [](const Draft& a, const Draft& b) { return a.Score > b.Score; });

    TResultLists lists;
    for (const Draft& draft : drafts) {
        lists.DefaultList.push_back(draft.Item);
        if (unit(random) < kRelistedShare)
            lists.DefaultList.push_back(draft.Item);
    }
    for (std::size_t i = 0; i < lists.DefaultList.size(); ++i)
        lists.DefaultList[i].Rank = static_cast<std::int32_t>(i + 1);

    std::vector<TItemInfo> listed;
    for (const Draft& draft : drafts)
        if (unit(random) >= kDemotedShare)
            listed.push_back(draft.Item);
    std::shuffle(listed.begin(), listed.end(), random);
    std::stable_sort(listed.begin(), listed.end(),
                     [](const TItemInfo& a, const TItemInfo& b) { return a.Sales > b.Sales; });
    for (const TItemInfo& item : listed)
        lists.SalesOrderList.push_back({item.ID, item.Title});
    return lists;
}

template <typename Analyse, typename Sort>
void RunEndOfRun(benchmark::State& state, Analyse analyse, Sort sort) {
    const TResultLists shop = RealisticShop(static_cast<int>(state.range(0)));
    TStringGrid sgData1, sgData2, sgData3;
    SetUpResultTables(sgData1, sgData2, sgData3);
    for (auto _ : state) {
        state.PauseTiming();
        TResultLists lists = shop;
        Method::ClearGrid(sgData2, kEmptyTableRowCount);
        Method::ClearGrid(sgData3, kEmptyTableRowCount);
        state.ResumeTiming();
        analyse(lists, sgData2, sgData3);
        sort(sgData3, kEndOfRunSort.DataColumn, kEndOfRunSort.Mode);
        benchmark::DoNotOptimize(sgData3.Cell(1, 1).data());
    }
    state.counters["items"] = static_cast<double>(shop.DefaultList.size());
    state.counters["demoted_rows"] = static_cast<double>(sgData2.RowCount() - 2);
    state.counters["ranked_rows"] = static_cast<double>(sgData3.RowCount() - 2);
    std::int64_t zeros = 0;
    for (const TItemInfo& item : shop.DefaultList)
        zeros += item.Sales == 0 ? 1 : 0;
    state.counters["zero_sales"] = static_cast<double>(zeros);
}

void BM_AnalyseRanksAndSort(benchmark::State& state) {
    RunEndOfRun(
        state, [](TResultLists& l, TStringGrid& g2, TStringGrid& g3) { AnalyseRanks(l, g2, g3); },
        [](TStringGrid& g, std::int32_t k, std::int32_t m) { TSortGrid::SortColumn(g, k, m); });
}
BENCHMARK(BM_AnalyseRanksAndSort)->Arg(4200)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LiteralAnalyseRanksAndSort(benchmark::State& state) {
    RunEndOfRun(
        state,
        [](TResultLists& l, TStringGrid& g2, TStringGrid& g3) { literal::AnalyseRanks(l, g2, g3); },
        [](TStringGrid& g, std::int32_t k, std::int32_t m) { literal::SortColumn(g, k, m); });
}
// Seconds per run: a single iteration says enough.
BENCHMARK(BM_LiteralAnalyseRanksAndSort)
    ->Arg(4200)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The parts on their own, at 10,000 items.
void BM_SortBySales(benchmark::State& state) {
    TResultLists lists = RealisticShop(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SortBySales(lists);
        benchmark::DoNotOptimize(lists.SalesSortedList.data());
    }
}
BENCHMARK(BM_SortBySales)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_EndOfRunSortOnly(benchmark::State& state) {
    TResultLists lists = RealisticShop(static_cast<int>(state.range(0)));
    TStringGrid sgData1, sgData2, sgData3;
    SetUpResultTables(sgData1, sgData2, sgData3);
    AnalyseRanks(lists, sgData2, sgData3);
    std::vector<std::vector<std::string>> analysed;
    for (std::int32_t r = 0; r < sgData3.RowCount(); ++r) {
        analysed.emplace_back();
        for (std::int32_t c = 0; c < sgData3.ColumnCount(); ++c)
            analysed.back().push_back(sgData3.Cell(c, r));
    }
    for (auto _ : state) {
        state.PauseTiming();
        for (std::int32_t r = 0; r < sgData3.RowCount(); ++r)
            for (std::int32_t c = 0; c < sgData3.ColumnCount(); ++c)
                sgData3.SetCell(c, r,
                                analysed[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
        state.ResumeTiming();
        TSortGrid::SortColumn(sgData3, kEndOfRunSort.DataColumn, kEndOfRunSort.Mode);
    }
}
BENCHMARK(BM_EndOfRunSortOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

// The strict exchange sort on its own, with many small tie classes spread
// over the whole list (sales counts that repeat a few times each in a listing
// not ordered by them): the shape whose ties cost most to untangle.
void BM_ExchangeSortScatteredTies(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    std::vector<std::int32_t> keys(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        keys[static_cast<std::size_t>(i)] = ((i * 37) % n * 13) % 997;
    for (auto _ : state)
        benchmark::DoNotOptimize(ExchangeSortOrder(keys, TTieSwap::No).data());
}
BENCHMARK(BM_ExchangeSortScatteredTies)->Arg(4200)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
