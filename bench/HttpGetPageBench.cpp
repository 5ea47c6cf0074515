// GetPage of a 300 KB listing page from a loopback server, a new client per
// fetch as the crawler makes them, against the hand-written direct GET
// (BM_DirectSocketExchange in HttpConnectionBench.cpp, same program).
#include "IdHTTP.h"
#include "PageServer.h"

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

void BM_GetPage(benchmark::State& state) {
    const auto readTimeout = static_cast<std::int32_t>(state.range(0));
    const std::string url =
        "http://127.0.0.1:" + std::to_string(bench::PageServerPort()) +
        "/search_auction.htm?cat=0&sort=coefp&nick=shop&viewIndex=7&yp4p_page=3&commend=all";
    std::size_t bytes = 0;
    for (auto _ : state) {
        http::TIdHTTP client;
        client.ReadTimeout = readTimeout;
        client.Request().CustomHeaders.Clear();
        client.Request().UserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; "
                                     "Maxthon; .NET CLR 1.1.4322; .NET CLR 2.0.50727)";
        client.HandleRedirects = true;
        std::string body;
        client.GetPage(url, body);
        bytes += body.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
// 10000: the crawler's settings (the connect runs on a connect thread);
// 0: no limits, so the connect is made directly.
BENCHMARK(BM_GetPage)->Arg(10000)->Arg(0)->ArgName("read_timeout");

} // namespace
