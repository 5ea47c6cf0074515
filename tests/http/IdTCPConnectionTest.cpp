// The buffered connection against a scripted loopback peer.
#include "IdException.h"
#include "IdTCPClient.h"
#include "LoopbackServer.h"
#include "PlatformSockets.h"
#include "ServerErrors.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace korvane::http;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::StopAndReportErrors;
using std::chrono::milliseconds;

namespace {

class IdTCPConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Server.Start();
        Client.SetHost("127.0.0.1");
        Client.SetPort(Server.Port());
        Client.ReadTimeout = 2000;
        Client.OnDisconnected = [this] { ++Disconnects; };
    }
    void TearDown() override {
        Client.CloseConnection();
        StopAndReportErrors(Server);
    }

    // Scripts one connection that sends bytes and then closes (or stays open).
    void Serve(std::string bytes, bool thenClose = true) {
        Server.Add([bytes, thenClose](LoopbackPeer& peer) {
            peer.Send(bytes);
            if (thenClose)
                peer.Close();
            else
                peer.WaitForClientClose();
        });
        Client.OpenConnection(0);
    }

    LoopbackServer Server;
    TIdTCPClient Client;
    int Disconnects = 0;
};

TEST_F(IdTCPConnectionTest, ReadLineEndsAtLfAndDropsOneCr) {
    Serve("abc\r\nabc\na\rb\n\r\nx\r\r\nlast");
    EXPECT_EQ(Client.ReadLine(), "abc");
    EXPECT_EQ(Client.ReadLine(), "abc");
    EXPECT_EQ(Client.ReadLine(), "a\rb");
    EXPECT_EQ(Client.ReadLine(), "");
    EXPECT_FALSE(Client.LastLineTimedOut);
    EXPECT_EQ(Client.ReadLine(), "x\r");
    // A partial line and then the close: empty, flagged, the bytes kept...
    EXPECT_EQ(Client.ReadLine(), "");
    EXPECT_TRUE(Client.LastLineTimedOut);
    EXPECT_EQ(Client.ReceiveQueue.View(), "last");
    EXPECT_EQ(Disconnects, 1);
    // ...and the next read finds the connection closed.
    EXPECT_THROW(Client.ReadLine(), EIdConnClosedGracefully);
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(IdTCPConnectionTest, CloseWithNothingQueuedRaisesOnReadLine) {
    Serve("");
    try {
        Client.ReadLine();
        FAIL();
    } catch (const EIdConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(IdTCPConnectionTest, MaxLineLength) {
    const std::string fits(16383, 'a');
    const std::string over(16384, 'b');
    Serve(fits + "\r\n" + over + "\r\n");
    EXPECT_EQ(Client.ReadLine(), fits);
    try {
        Client.ReadLine();
        FAIL();
    } catch (const EIdReadLnMaxLineLengthExceeded& e) {
        EXPECT_STREQ(e.what(), "Max line length exceeded.");
    }
    EXPECT_EQ(Client.ReceiveQueue.Size(), over.size() + 2); // the line stays queued
    Client.MaxLineAction = TIdMaxLineAction::maSplit;
    EXPECT_EQ(Client.ReadLine(), over);
    EXPECT_TRUE(Client.LastLineSplit);
}

TEST_F(IdTCPConnectionTest, OverLongQueueWithoutLfFailsWithoutWaiting) {
    // The peer stays silent after the bytes: a wait would end in a time-out.
    Serve(std::string(16385, 'c'), false);
    Client.ReadTimeout = 5000;
    while (Client.ReceiveQueue.Size() < 16385)
        Client.ReceiveMore(true);
    EXPECT_THROW(Client.ReadLine(), EIdReadLnMaxLineLengthExceeded);
}

TEST_F(IdTCPConnectionTest, TrickleNeverTimesOutButASilenceDoes) {
    Server.Add([](LoopbackPeer& peer) {
        peer.Trickle("slow\n", milliseconds(60));
        peer.Pause(milliseconds(400));
        peer.Send("late\n");
        peer.WaitForClientClose();
    });
    Client.OpenConnection(0);
    Client.ReadTimeout = 150; // each receipt starts a new wait
    EXPECT_EQ(Client.ReadLine(), "slow");
    try {
        Client.ReadLine();
        FAIL();
    } catch (const EIdReadTimeout& e) {
        EXPECT_STREQ(e.what(), "Read Timeout");
    }
    EXPECT_TRUE(Client.IsConnected());
    Client.ReadTimeout = 2000;
    EXPECT_EQ(Client.ReadLine(), "late");
}

TEST_F(IdTCPConnectionTest, ReadExactWaitsForTheCountAndKeepsAShortRest) {
    Serve("0123456789abc");
    char bytes[10] = {};
    Client.ReadExact(bytes, 10);
    EXPECT_EQ(std::string(bytes, 10), "0123456789");
    EXPECT_THROW(Client.ReadExact(bytes, 5), EIdConnClosedGracefully);
    EXPECT_EQ(Client.ReceiveQueue.View(), "abc");
}

TEST_F(IdTCPConnectionTest, ReadToStreamCountedTakesQueuedBytesFirst) {
    Serve("head\nbody-bytes-and-more", false);
    // The whole send is normally queued by the first receive.
    EXPECT_EQ(Client.ReadLine(), "head");
    TIdSimpleBuffer stream;
    stream.Write("xx", 2);
    Client.ReadToStream(stream, 10);
    EXPECT_EQ(stream.View(), "xxbody-bytes");
    EXPECT_EQ(stream.Position(), 12u);
}

TEST_F(IdTCPConnectionTest, ReadToStreamUntilCloseOverSeveralChunks) {
    std::string body;
    for (int i = 0; body.size() < 200'000; ++i)
        body += std::to_string(i) + ",";
    Server.Add([body](LoopbackPeer& peer) {
        for (std::size_t at = 0; at < body.size(); at += 50'000) {
            peer.Send(std::string_view(body).substr(at, 50'000));
            peer.Pause(milliseconds(5));
        }
        peer.Close();
    });
    Client.OpenConnection(0);
    TIdSimpleBuffer stream;
    Client.ReadToStream(stream, kIdReadUntilClose);
    EXPECT_EQ(stream.View(), body);
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(IdTCPConnectionTest, ReadToStreamCountedCloseHalfway) {
    Server.Add([](LoopbackPeer& peer) {
        peer.Send("head\n" + std::string(50, 'q'));
        peer.Pause(milliseconds(100));
        peer.Send(std::string(230, 'r'));
        peer.Close();
    });
    Client.OpenConnection(0);
    Client.RecvBufferSize = 100;
    EXPECT_EQ(Client.ReadLine(), "head");
    TIdSimpleBuffer stream;
    EXPECT_THROW(Client.ReadToStream(stream, 1000), EIdConnClosedGracefully);
    // Queued bytes and the completed chunks; the unfinished chunk stays queued.
    EXPECT_EQ(stream.View(), std::string(50, 'q') + std::string(200, 'r'));
    EXPECT_EQ(Client.ReceiveQueue.View(), std::string(30, 'r'));
}

TEST_F(IdTCPConnectionTest, ReadToStreamTimeOutHalfwayKeepsTheCompletedChunks) {
    Server.Add([](LoopbackPeer& peer) {
        peer.Send(std::string(400, 's'));
        peer.WaitForClientClose();
    });
    Client.OpenConnection(0);
    Client.RecvBufferSize = 100;
    Client.ReadTimeout = 100;
    TIdSimpleBuffer stream;
    EXPECT_THROW(Client.ReadToStream(stream, 1000), EIdReadTimeout);
    EXPECT_EQ(stream.View(), std::string(400, 's'));
    EXPECT_EQ(stream.Size(), stream.Position());
}

TEST_F(IdTCPConnectionTest, ProbeForClose) {
    Serve("", false);
    Client.ProbeForClose(false); // live, nothing waiting: nothing changes
    EXPECT_TRUE(Client.IsConnected());
    EXPECT_FALSE(Client.PeerClosed);
    EXPECT_EQ(Disconnects, 0);
    Client.CloseConnection();
    Disconnects = 0;

    Serve("");
    ASSERT_TRUE(Client.IOHandler()->WaitReadable(5000)); // the close has arrived
    Client.ProbeForClose(false);
    EXPECT_TRUE(Client.PeerClosed);
    EXPECT_FALSE(Client.IOHandler()->Connected());
    EXPECT_EQ(Disconnects, 1);
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(IdTCPConnectionTest, SendBatchLeavesInOneSend) {
    std::string received;
    Server.Add([&received](LoopbackPeer& peer) {
        received = peer.ReadRequestHead();
        peer.Send("ok\n");
        peer.WaitForClientClose();
    });
    Client.OpenConnection(0);
    const auto socket = Client.IOHandler()->SocketHandle()->Handle;
    auto dataSegmentsOut = [socket] {
        return korvane::test::PlatformSockets::DataSegmentsOut(socket);
    };
    const auto before = dataSegmentsOut();
    Client.OpenSendBatch(-1);
    Client.SendLine("GET / HTTP/1.1");
    Client.SendLine("Host: example");
    Client.SendLine("");
    EXPECT_EQ(dataSegmentsOut(), before); // nothing left yet
    Client.CloseSendBatch();
    EXPECT_EQ(Client.ReadLine(), "ok");
    EXPECT_EQ(received, "GET / HTTP/1.1\r\nHost: example\r\n\r\n");
    EXPECT_EQ(dataSegmentsOut(), before + 1);
}

TEST_F(IdTCPConnectionTest, OpenOnAnOpenConnectionIsRefusedAndHarmless) {
    Server.Add([](LoopbackPeer& peer) {
        peer.Send(peer.ReadRequestHead());
        peer.WaitForClientClose();
    });
    Client.OpenConnection(0);
    try {
        Client.OpenConnection(0);
        FAIL();
    } catch (const EIdAlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
    Client.SendText("ping\r\n\r\n");
    EXPECT_EQ(Client.ReadLine(), "ping");
    EXPECT_EQ(Server.Connections(), 1);
}

TEST_F(IdTCPConnectionTest, ReadsAndSendsOnAClosedConnection) {
    EXPECT_THROW(Client.SendText("x"), EIdNotConnected);
    EXPECT_THROW(Client.ReceiveMore(true), EIdNotConnected);
    EXPECT_EQ(Client.ReceiveMore(false), 0);
}

TEST_F(IdTCPConnectionTest, ResetByPeerIsASocketErrorOnReceive) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Reset();
    });
    Client.OpenConnection(0);
    Client.SendText("x\r\n\r\n");
    try {
        Client.ReadLine();
        FAIL();
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError, Id_WSAECONNRESET);
        EXPECT_STREQ(e.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
}

TEST(IdManagedBufferTest, TakesFromTheFrontAndCompactsLate) {
    TIdManagedBuffer queue;
    const std::string bytes(40000, 'm');
    queue.Append(bytes.data(), bytes.size());
    queue.Remove(30000);
    EXPECT_EQ(queue.Consumed(), 30000u); // not moved yet
    EXPECT_EQ(queue.ExtractText(3000), std::string(3000, 'm'));
    EXPECT_EQ(queue.Consumed(), 0u); // compacted past the threshold
    EXPECT_EQ(queue.Size(), 7000u);
    EXPECT_THROW(queue.Remove(7001), EIdNotEnoughDataInBuffer);
    EXPECT_EQ(queue.Size(), 7000u);
    queue.Remove(7000);
    EXPECT_EQ(queue.Size(), 0u);
}

} // namespace
