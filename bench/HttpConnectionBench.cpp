// One exchange on the buffered connection against the same exchange written
// straight on the socket calls: connect, send a request head, read a 300 KB
// counted body from a loopback server.
#include "DirectSocketGet.h"
#include "IdTCPClient.h"
#include "PageServer.h"

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

void BM_BareConnection(benchmark::State& state) {
    const int connectLimit = static_cast<int>(state.range(0));
    const auto port = bench::PageServerPort();
    std::size_t bytes = 0;
    for (auto _ : state) {
        http::TIdTCPClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(port);
        client.ReadTimeout = 10000;
        client.OpenConnection(connectLimit);
        client.OpenSendBatch(-1);
        client.SendText(bench::ListingRequestHead());
        client.CloseSendBatch();
        std::int64_t length = 0;
        for (std::string line = client.ReadLine(); !line.empty(); line = client.ReadLine())
            if (line.rfind("Content-Length:", 0) == 0)
                length = std::stoll(line.substr(15));
        http::TIdSimpleBuffer body;
        client.ReadToStream(body, length);
        bytes += body.Size();
        client.CloseConnection();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
// 0: a plain blocking connect; 10000: the program's limit (a non-blocking connect and a wait).
BENCHMARK(BM_BareConnection)->Arg(0)->Arg(10000)->ArgName("connect_limit");

void BM_DirectSocketExchange(benchmark::State& state) {
    const auto port = bench::PageServerPort();
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes += bench::DirectSocketGet(port, bench::ListingRequestHead()).size();
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_DirectSocketExchange);

} // namespace
