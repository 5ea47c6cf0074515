// Host lookups inside the fetch's limits, with resolvers put in the
// system's place: one that never answers, one that answers late.
#include "IdHostLookup.h"

#include "IdAbortSignal.h"
#include "IdException.h"
#include "IdHTTP.h"
#include "IdStack.h"
#include "LoopbackServer.h"
#include "SilentResolver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

using namespace korvane::http;
using korvane::test::HttpResponse;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::SilentResolver;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

struct Outcome {
    std::string Body;
    std::string Error; // the error's message, "" for none
    bool LookupTimedOut = false;
    Clock::duration Took{};
};

Outcome Fetch(const std::string& url, int readTimeout, int answerTimeout) {
    Outcome out;
    TIdHTTP client;
    client.ReadTimeout = readTimeout;
    client.AnswerTimeout = answerTimeout;
    const auto start = Clock::now();
    try {
        client.GetPage(url, out.Body);
    } catch (const EIdLookupTimeout& e) {
        out.Error = e.what();
        out.LookupTimedOut = true;
    } catch (const std::exception& e) {
        out.Error = e.what();
    }
    out.Took = Clock::now() - start;
    return out;
}

// The lookup is part of the connect: the connect's limit (the read
// time-out) and the whole answer's limit both bound it.
TEST(IdHostLookup, ANameServerThatNeverAnswersEndsWithinTheFetchsLimits) {
    const SilentResolver silent;
    struct Case {
        const char* Name;
        int ReadTimeout, AnswerTimeout, Expected;
    } const cases[] = {
        {"the connect's limit", 400, 0, 400},
        {"the whole answer's limit", 10000, 600, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const Outcome out =
            Fetch("http://marketplace.korvane.test/", c.ReadTimeout, c.AnswerTimeout);
        EXPECT_TRUE(out.LookupTimedOut) << out.Error;
        EXPECT_EQ(out.Error, "Host lookup timed out.");
        EXPECT_GE(out.Took, milliseconds(c.Expected));
        EXPECT_LT(out.Took, milliseconds(c.Expected + 1500));
    }
    EXPECT_EQ(silent.Asked(), 2);
}

// Names that need no name server never wait for one.
TEST(IdHostLookup, NoNameServerIsAskedForAnAddressOrNoName) {
    const SilentResolver silent;
    const TIdStack::TUser user;
    EXPECT_EQ(user.Stack().LookUpAddress("127.0.0.1", 1000), "127.0.0.1");
    EXPECT_EQ(user.Stack().LookUpAddress("LocalHost", 1000), "127.0.0.1");
    EXPECT_THROW(user.Stack().LookUpAddress("", 1000), EIdSocketError);
    EXPECT_EQ(silent.Asked(), 0);
}

// Stop (or a closing pane) raises the signal: the waiting lookup ends at
// once, whatever the limit.
TEST(IdHostLookup, TheAbortSignalEndsAWaitingLookup) {
    const SilentResolver silent;
    auto signal = std::make_shared<TIdAbortSignal>();
    auto fetch = std::async(std::launch::async, [&] {
        const TIdAbortScope scope(signal);
        return Fetch("http://marketplace.korvane.test/", 10000, 25000);
    });
    std::this_thread::sleep_for(milliseconds(200));
    const auto raised = Clock::now();
    signal->Raise();
    ASSERT_EQ(fetch.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto ended = Clock::now() - raised;
    const Outcome out = fetch.get();
    EXPECT_EQ(out.Error, "Disconnected.");
    EXPECT_LT(ended, milliseconds(500));
}

// A resolver that answers late within the limit: the connect gets what is
// left, and the name reaches the server in "Host"; a failed lookup is the
// resolver's error.
TEST(IdHostLookup, ALateAnswerConnectsAndAFailureIsReported) {
    LoopbackServer server;
    server.Start({[](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send(HttpResponse("200 OK", "", "page"));
        peer.WaitForClientClose();
    }});
    const TIdHostLookup::TReplacement replacement([](const std::string& host) {
        std::this_thread::sleep_for(milliseconds(300));
        if (host == "marketplace.korvane.test")
            return TIdHostLookup::TAnswer{"127.0.0.1", 0};
        return TIdHostLookup::TAnswer{{}, Id_WSAHOST_NOT_FOUND};
    });
    const std::string port = std::to_string(server.Port());
    const Outcome found = Fetch("http://marketplace.korvane.test:" + port + "/", 1000, 0);
    EXPECT_EQ(found.Error, "");
    EXPECT_EQ(found.Body, "page");
    EXPECT_NE(server.Received(0).find("Host: marketplace.korvane.test:" + port + "\r\n"),
              std::string::npos);
    const Outcome missing = Fetch("http://elsewhere.korvane.test/", 1000, 0);
    EXPECT_EQ(missing.Error, "Socket Error # 11001\r\nHost not found.");
    server.Stop();
}

} // namespace
