// Connecting an endpoint: direct and with a limit, refusals, time-outs, the
// wait for data, and no thread of its own for any of it.
#include "IdIOHandlerSocket.h"
#include "FullBacklogListener.h"
#include "IdException.h"
#include "IdHTTP.h"
#include "IdTCPClient.h"
#include "LoopbackServer.h"
#include "PlatformSockets.h"
#include "ServerErrors.h"
#include "UnknownHosts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace korvane::http;
using korvane::test::FullBacklogListener;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::PlatformSockets;
using korvane::test::StopAndReportErrors;
using Clock = std::chrono::steady_clock;

namespace {

// A loopback port with nothing listening: bound, never listened on.
class ClosedPort {
public:
    ClosedPort() : Socket(PlatformSockets::NewTcp()) {
        Number = PlatformSockets::BindLoopback(Socket);
    }
    ~ClosedPort() { PlatformSockets::Close(Socket); }
    int Number = 0;

private:
    PlatformSockets::Socket Socket;
};

int ThreadCount() {
    return PlatformSockets::ThreadCount();
}

// Samples the process's thread count for as long as it lives, so that a
// thread started and joined inside a call is seen while it runs.
class ThreadWatch {
public:
    ThreadWatch()
        : Sampler([this] {
              while (!Done.load())
                  Most.store(std::max(Most.load(), ThreadCount()));
          }) {
        while (Most.load() == 0)
            std::this_thread::yield();
        Before = ThreadCount(); // the sampler included
    }
    // The most threads seen above those alive when the watch began.
    int Extra() {
        Done.store(true);
        Sampler.join();
        return Most.load() - Before;
    }

private:
    std::atomic<bool> Done{false};
    std::atomic<int> Most{0};
    int Before = 0;
    std::thread Sampler;
};

class IdIOHandlerSocketTest : public ::testing::Test {
protected:
    void SetUp() override { Server.Start(); }
    void TearDown() override { StopAndReportErrors(Server); }

    LoopbackServer Server;
    TIdIOHandlerSocket Endpoint;
};

TEST_F(IdIOHandlerSocketTest, ConnectsWithAndWithoutLimit) {
    Server.Add([](LoopbackPeer& peer) { peer.WaitForClientClose(); });
    Server.Add([](LoopbackPeer& peer) { peer.WaitForClientClose(); });
    for (int limit : {0, 10000}) {
        Endpoint.Open();
        Endpoint.Connect("LocalHost", Server.Port(), limit, "", 0);
        ASSERT_TRUE(Endpoint.Connected());
        const TIdSocketHandle& binding = *Endpoint.SocketHandle();
        EXPECT_EQ(binding.PeerAddress, "127.0.0.1");
        EXPECT_EQ(binding.PeerPort, Server.Port());
        EXPECT_EQ(binding.LocalAddress, "127.0.0.1");
        EXPECT_NE(binding.LocalPort, 0);
        Endpoint.Close();
        EXPECT_FALSE(Endpoint.Connected());
    }
}

TEST_F(IdIOHandlerSocketTest, RefusedConnectWithALimitIsAConnectException) {
    const ClosedPort port;
    Endpoint.Open();
    const auto start = Clock::now();
    try {
        Endpoint.Connect("127.0.0.1", port.Number, 10000, "", 0);
        FAIL() << "connected";
    } catch (const EIdConnectException& e) {
        EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
    }
    // The wait hears of the refusal at once, not at the end of the limit.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(IdIOHandlerSocketTest, RefusedDirectConnectIsASocketError) {
    const ClosedPort port;
    for (int limit : {0, -1}) {
        Endpoint.Open();
        try {
            Endpoint.Connect("127.0.0.1", port.Number, limit, "", 0);
            FAIL() << "connected";
        } catch (const EIdConnectException&) {
            FAIL() << "went through the time-limited connect";
        } catch (const EIdSocketError& e) {
            EXPECT_EQ(e.LastError, Id_WSAECONNREFUSED);
            EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
        }
    }
}

TEST_F(IdIOHandlerSocketTest, ConnectThatNeverCompletesTimesOutAndIsAbandoned) {
    const FullBacklogListener listener;
    const int threadsBefore = ThreadCount();
    TIdTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(listener.Port());
    const auto start = Clock::now();
    try {
        client.OpenConnection(300);
        FAIL() << "connected";
    } catch (const EIdConnectTimeout& e) {
        EXPECT_STREQ(e.what(), "Connect timed out.");
    }
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    // Abandoning does not wait for the kernel's own give-up, minutes away.
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_EQ(ThreadCount(), threadsBefore); // nothing was left running
    ASSERT_NE(client.IOHandler(), nullptr);
    EXPECT_FALSE(client.IOHandler()->Connected());
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(IdIOHandlerSocketTest, UnknownHostFailsBeforeAnyConnect) {
    const korvane::test::UnknownHosts unknown;
    TIdTCPClient client;
    client.SetHost("no-such-host.invalid");
    client.SetPort(Server.Port());
    EXPECT_THROW(client.OpenConnection(10000), EIdSocketError);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(Server.Connections(), 0);
}

TEST_F(IdIOHandlerSocketTest, LocalAddressInUseCannotBeBound) {
    Server.Add([](LoopbackPeer& peer) { peer.WaitForClientClose(); });
    TIdTCPClient first, second;
    for (TIdTCPClient* client : {&first, &second}) {
        client->SetHost("127.0.0.1");
        client->SetPort(Server.Port());
        client->BoundIP = "127.0.0.1";
    }
    first.OpenConnection(0);
    second.BoundPort = first.IOHandler()->SocketHandle()->LocalPort;
    EXPECT_THROW(second.OpenConnection(0), EIdCouldNotBindSocket);
    EXPECT_FALSE(second.IsConnected());
}

TEST_F(IdIOHandlerSocketTest, WaitReadable) {
    Server.Add([](LoopbackPeer& peer) {
        peer.Pause(std::chrono::milliseconds(200));
        peer.Close();
    });
    Endpoint.Open();
    Endpoint.Connect("127.0.0.1", Server.Port(), 0, "", 0);
    EXPECT_FALSE(Endpoint.WaitReadable(1));   // nothing waiting
    EXPECT_TRUE(Endpoint.WaitReadable(5000)); // the peer's close
    char byte = 0;
    EXPECT_EQ(Endpoint.Recv(&byte, 1), 0);
    Endpoint.Close();
    EXPECT_THROW(Endpoint.WaitReadable(1), EIdConnClosedGracefully);
    EXPECT_THROW(Endpoint.Recv(&byte, 1), EIdClosedSocket);
    EXPECT_THROW(Endpoint.Send(&byte, 1), EIdClosedSocket);
}

TEST_F(IdIOHandlerSocketTest, AFetchStartsNoThread) {
    const FullBacklogListener listener;
    const ClosedPort closed;
    Server.AddForEveryNext([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send(korvane::test::HttpResponse("200 OK", "", std::string(300 * 1024, 'p')));
    });
    const auto url = [](int port) { return "http://127.0.0.1:" + std::to_string(port) + "/"; };
    struct Case {
        const char* Name;
        std::string Url;
        int ReadTimeout; // also the connect limit
        bool Succeeds;
    };
    const Case cases[] = {
        {"page, the program's settings", Server.Url("/"), 10000, true},
        {"page, no limits", Server.Url("/"), 0, true},
        {"connect refused", url(closed.Number), 10000, false},
        {"connect timed out", url(listener.Port()), 300, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ThreadWatch watch;
        TIdHTTP client;
        client.ReadTimeout = c.ReadTimeout;
        std::string body;
        bool succeeded = true;
        try {
            client.GetPage(c.Url, body);
        } catch (const EIdException&) {
            succeeded = false;
        }
        EXPECT_EQ(succeeded, c.Succeeds);
        EXPECT_EQ(watch.Extra(), 0);
    }
}

} // namespace
