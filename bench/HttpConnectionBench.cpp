// One exchange on the buffered connection against the same exchange written
// straight on the socket calls: connect, send a request head, read a 300 KB
// counted body from a loopback server. Run both in one process, e.g.
//   korvane_bench_http --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
#include "DirectSocketGet.h"
#include "IdTCPClient.h"
#include "LoopbackServer.h"

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

constexpr std::size_t kBodyBytes = 300 * 1024;

const std::string& RequestHead() {
    static const std::string head =
        "GET /search_auction.htm?cat=0&sort=coefp&nick=shop&viewIndex=7&yp4p_page=3&commend=all "
        "HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1\r\nAccept: text/html, */*\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; Maxthon; .NET CLR "
        "1.1.4322; .NET CLR 2.0.50727)\r\n\r\n";
    return head;
}

// One server for the whole program: answers every connection with the page.
test::LoopbackServer& Server() {
    static test::LoopbackServer* server = [] {
        auto* s = new test::LoopbackServer();
        const std::string response = test::HttpResponse("200 OK", "Content-Type: text/html\r\n",
                                                        std::string(kBodyBytes, 'p'));
        s->Start({[response](test::LoopbackPeer& peer) {
                     peer.ReadRequestHead();
                     peer.Send(response);
                 }},
                 true);
        return s;
    }();
    return *server;
}

void BM_BareConnection(benchmark::State& state) {
    const int connectLimit = static_cast<int>(state.range(0));
    const auto port = Server().Port();
    std::size_t bytes = 0;
    for (auto _ : state) {
        http::TIdTCPClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(port);
        client.ReadTimeout = 10000;
        client.OpenConnection(connectLimit);
        client.OpenSendBatch(-1);
        client.SendText(RequestHead());
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
// 0: a plain blocking connect; 10000: the program's limit, through the connect thread.
BENCHMARK(BM_BareConnection)->Arg(0)->Arg(10000)->ArgName("connect_limit");

void BM_DirectSocketExchange(benchmark::State& state) {
    const auto port = Server().Port();
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes += bench::DirectSocketGet(port, RequestHead()).size();
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_DirectSocketExchange);

} // namespace
