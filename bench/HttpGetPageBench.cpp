// GetPage against libcurl, in the same run: a new client (a new easy handle)
// per fetch, as the crawler makes them, of a 300 KB listing page and of a
// 5 MB body from a loopback server; once with the cores free and once with
// two busy threads competing for them. Compare the medians of interleaved
// repetitions (see CMakeLists.txt), or read BM_GetPageOverCurl's ratio.
#include "BusyThreads.h"
#include "CurlGet.h"
#include "IdHTTP.h"
#include "PageServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace korvane;

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; "
                                   "Maxthon; .NET CLR 1.1.4322; .NET CLR 2.0.50727)";

std::string PageUrl(std::size_t bodyBytes) {
    return "http://127.0.0.1:" + std::to_string(bench::PageServerPort(bodyBytes)) +
           "/search_auction.htm?cat=0&sort=coefp&nick=shop&viewIndex=7&yp4p_page=3&commend=all";
}

// Times the fetching thread gave up its core to wait: on a busy machine each
// costs a wait for a scheduler slot.
long VoluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

void ReportWaits(benchmark::State& state, long switchesBefore) {
    state.counters["waits"] =
        benchmark::Counter(static_cast<double>(VoluntarySwitches() - switchesBefore),
                           benchmark::Counter::kAvgIterations);
}

void CheckSize(const std::string& body, std::size_t bodyBytes) {
    if (body.size() != bodyBytes)
        throw std::runtime_error("short body");
}

// One fetch as the crawler makes it.
std::string Fetch(const std::string& url, std::int32_t readTimeout) {
    http::TIdHTTP client;
    client.ReadTimeout = readTimeout;
    client.Request().UserAgent = kUserAgent;
    client.HandleRedirects = true;
    std::string body;
    client.GetPage(url, body);
    return body;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

void BM_GetPage(benchmark::State& state) {
    const auto bodyBytes = static_cast<std::size_t>(state.range(0));
    const std::string url = PageUrl(bodyBytes);
    const bench::BusyThreads busy(static_cast<int>(state.range(1)));
    const auto readTimeout = static_cast<std::int32_t>(state.range(2));
    const long switches = VoluntarySwitches();
    for (auto _ : state)
        CheckSize(Fetch(url, readTimeout), bodyBytes);
    ReportWaits(state, switches);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bodyBytes));
}
// read_timeout 10000: the program's settings, so the connect has a limit;
// 0: no limits, so the connect is a plain blocking one.
BENCHMARK(BM_GetPage)
    ->ArgNames({"bytes", "busy", "read_timeout"})
    ->ArgsProduct({{bench::kPageBytes, bench::kLargePageBytes}, {0, 2}, {10000, 0}})
    ->UseRealTime();

void BM_Curl(benchmark::State& state) {
    const auto bodyBytes = static_cast<std::size_t>(state.range(0));
    const std::string url = PageUrl(bodyBytes);
    const bench::BusyThreads busy(static_cast<int>(state.range(1)));
    const long switches = VoluntarySwitches();
    for (auto _ : state)
        CheckSize(bench::CurlGet(url, kUserAgent), bodyBytes);
    ReportWaits(state, switches);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bodyBytes));
}
BENCHMARK(BM_Curl)
    ->ArgNames({"bytes", "busy"})
    ->ArgsProduct({{bench::kPageBytes, bench::kLargePageBytes}, {0, 2}})
    ->UseRealTime();

} // namespace

namespace {

// The two side by side: every iteration makes one GetPage with the program's
// settings and one libcurl fetch, in turns as to which goes first, and the
// counters give the median of each and their ratio. Pairs taken moments apart
// share whatever else the machine is doing, which medians of separate
// benchmarks on a shared machine do not.
void BM_GetPageOverCurl(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto bodyBytes = static_cast<std::size_t>(state.range(0));
    const std::string url = PageUrl(bodyBytes);
    const bench::BusyThreads busy(static_cast<int>(state.range(1)));
    std::vector<double> ours, theirs;
    const auto timed = [](const auto& fetch) {
        const auto start = Clock::now();
        fetch();
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    };
    const auto getPage = [&] { CheckSize(Fetch(url, 10000), bodyBytes); };
    const auto curl = [&] { CheckSize(bench::CurlGet(url, kUserAgent), bodyBytes); };
    bool curlFirst = false;
    for (auto _ : state) {
        if (curlFirst)
            theirs.push_back(timed(curl));
        ours.push_back(timed(getPage));
        if (!curlFirst)
            theirs.push_back(timed(curl));
        curlFirst = !curlFirst;
    }
    const double getPageUs = Median(ours);
    const double curlUs = Median(theirs);
    state.counters["getpage_us"] = getPageUs;
    state.counters["curl_us"] = curlUs;
    state.counters["ratio"] = curlUs > 0 ? getPageUs / curlUs : 0;
    // The means show the tails: fetches that waited for a scheduler slot.
    state.counters["getpage_mean_us"] = Mean(ours);
    state.counters["curl_mean_us"] = Mean(theirs);
}
BENCHMARK(BM_GetPageOverCurl)
    ->ArgNames({"bytes", "busy"})
    ->ArgsProduct({{bench::kPageBytes, bench::kLargePageBytes}, {0, 2}})
    ->UseRealTime();

} // namespace
