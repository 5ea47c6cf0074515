#include "IdAbortSignal.h"

#include "FullBacklogListener.h"
#include "IdException.h"
#include "IdHTTP.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace korvane::http;
using korvane::test::FullBacklogListener;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;

namespace {

// Runs fetch on a thread inside an abort scope, raises the signal once the
// fetch is under way, and hands back the error class's message.
std::string AbortedFetch(const std::string& url, std::string& body) {
    auto signal = std::make_shared<TIdAbortSignal>();
    auto result = std::async(std::launch::async, [&] {
        const TIdAbortScope scope(signal);
        TIdHTTP client;
        client.ReadTimeout = 10000;
        try {
            client.GetPage(url, body);
        } catch (const EIdClosedSocket& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    signal->Raise();
    // Far below the 10-second limits the fetch would otherwise wait out.
    EXPECT_EQ(result.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    return result.get();
}

TEST(IdAbortSignal, EndsAWaitForDataAndKeepsWhatArrived) {
    LoopbackServer server;
    server.Start({[](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial");
        peer.WaitForClientClose();
    }});
    std::string body;
    EXPECT_EQ(AbortedFetch(server.Url("/"), body), "Disconnected.");
    EXPECT_EQ(body, "partial");
}

TEST(IdAbortSignal, EndsAConnectThatNeverCompletes) {
    FullBacklogListener listener;
    std::string body;
    EXPECT_EQ(AbortedFetch("http://127.0.0.1:" + std::to_string(listener.Port()) + "/", body),
              "Disconnected.");
    EXPECT_EQ(body, "");
}

TEST(IdAbortSignal, RaisedBeforeTheFetchStopsItAtItsFirstWait) {
    auto signal = std::make_shared<TIdAbortSignal>();
    signal->Raise();
    LoopbackServer server;
    server.Start({[](LoopbackPeer& peer) { peer.WaitForClientClose(); }});
    const TIdAbortScope scope(signal);
    TIdHTTP client;
    std::string body;
    EXPECT_THROW(client.GetPage(server.Url("/"), body), EIdClosedSocket);
    EXPECT_EQ(TIdAbortScope::Current(), signal.get());
}

} // namespace
