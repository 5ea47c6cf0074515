// GetPage against loopback servers that misbehave, one row per fault: the
// error class and message that reach the caller, and the text left behind.
#include "FullBacklogListener.h"
#include "IdException.h"
#include "IdHTTP.h"
#include "LoopbackServer.h"
#include "ServerErrors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cxxabi.h>
#include <functional>
#include <memory>
#include <typeinfo>

using namespace korvane::http;
using korvane::test::FullBacklogListener;
using korvane::test::HttpResponse;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::StopAndReportErrors;
using std::chrono::milliseconds;

namespace {

// What a row's fetch talks to: a scripted server, or a listener that never
// accepts.
struct FarSide {
    LoopbackServer Server;
    std::unique_ptr<FullBacklogListener> Listener;
};

struct FaultRow {
    const char* Name = "";
    // Scripts the far side and gives the URL to fetch.
    std::function<std::string(FarSide&)> Prepare{};
    std::int32_t ReadTimeout = 1000;
    std::int32_t AnswerTimeout = 0;        // 0: no limit on the whole fetch
    const std::type_info* Error = nullptr; // null: the fetch succeeds
    std::string Message{};
    // The caller's text afterwards: Left, LeftTimes times over.
    std::string Left{};
    std::size_t LeftTimes = 1;
    // The fetch took at least this long, and (unless 0) less than this: an
    // error that came from a later limit than the row's would take longer.
    milliseconds AtLeast{0};
    milliseconds AtMost{0};
    // Further checks on what the server received.
    std::function<void(const LoopbackServer&)> Also{};
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const FaultRow& row, std::ostream* out) {
    *out << row.Name;
}

std::string Demangled(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 ? name.get() : type.name();
}

// Scripts one connection on a started server and gives its URL.
std::function<std::string(FarSide&)> Serve(LoopbackServer::Step step) {
    return [step](FarSide& far) {
        far.Server.Add(step);
        return far.Server.Url("/dir/page.htm");
    };
}

// Answers the request with bytes, then waits for the client to close.
LoopbackServer::Step Answer(std::string bytes) {
    return [bytes](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send(bytes);
        peer.WaitForClientClose();
    };
}

// Sends the head, then piece after piece until total bytes went out or the
// client gave up; the loop is bounded either way.
LoopbackServer::Step Flood(std::string head, std::string piece, std::size_t total) {
    return [head, piece, total](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        try {
            peer.Send(head);
            for (std::size_t sent = 0; sent < total; sent += piece.size())
                peer.Send(piece);
        } catch (const std::exception&) {
            // The client stopped reading and closed, as it should.
        }
    };
}

int RequestsReceived(const LoopbackServer& server, std::size_t connection) {
    const std::string all = server.Received(connection);
    int n = 0;
    for (auto at = all.find("GET "); at != std::string::npos; at = all.find("GET ", at + 1))
        ++n;
    return n;
}

// A redirect whose target carries the given bytes; any request after it is recorded.
LoopbackServer::Step RedirectTo(std::string location) {
    return [location](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
        peer.ReadUntilClose();
    };
}

void OnlyOneRequest(const LoopbackServer& server) {
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(RequestsReceived(server, 0), 1);
    EXPECT_EQ(server.Received(0).find("Injected"), std::string::npos);
}

constexpr std::size_t kCookieStorm = 10000;
constexpr std::size_t kMiB = 1024 * 1024;

std::vector<FaultRow> Rows() {
    const std::string z(kMiB, 'z');
    const char* const controlMessage = "Request line or header holds a control character.";
    return {
        {.Name = "Refused",
         .Prepare =
             [](FarSide&) {
                 // Nothing listens on the port of a server that has stopped.
                 LoopbackServer gone;
                 gone.Start();
                 const std::string url = gone.Url("/");
                 gone.Stop();
                 return url;
             },
         .ReadTimeout = 1000,
         .Error = &typeid(EIdConnectException),
         .Message = "Socket Error # 10061\r\nConnection refused."},
        {.Name = "NeverAccepts",
         .Prepare =
             [](FarSide& far) {
                 far.Listener = std::make_unique<FullBacklogListener>();
                 return "http://127.0.0.1:" + std::to_string(far.Listener->Port()) + "/";
             },
         .ReadTimeout = 300,
         .Error = &typeid(EIdConnectTimeout),
         .Message = "Connect timed out.",
         .AtLeast = milliseconds(250)},
        {.Name = "AcceptsAndNeverAnswers",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 300,
         .Error = &typeid(EIdReadTimeout),
         .Message = "Read Timeout",
         .AtLeast = milliseconds(250)},
        {.Name = "ClosesBeforeTheStatusLine",
         .Prepare = Serve([](LoopbackPeer& peer) { peer.ReadRequestHead(); }),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdConnClosedGracefully),
         .Message = "Connection Closed Gracefully."},
        {.Name = "ResetsMidHeader",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\r\nContent-Le");
             peer.Pause(milliseconds(50));
             peer.Reset();
         }),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdSocketError),
         .Message = "Socket Error # 10054\r\nConnection reset by peer."},
        {.Name = "ResetsMidBody",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'b'));
             peer.Pause(milliseconds(50));
             peer.Reset();
         }),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdSocketError),
         .Message = "Socket Error # 10054\r\nConnection reset by peer.",
         .Left = std::string(40, 'b')},
        // The read limit applies to each wait, so a body that trickles in
        // never times out: the fetch succeeds, slowly.
        {.Name = "TricklesPastTheReadTimeout",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
             peer.Trickle("0123456789", milliseconds(50));
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 300,
         .Left = "0123456789",
         .AtLeast = milliseconds(400)},
        // The whole fetch has a limit of its own, well inside the read limit
        // here: a server that keeps every wait short still ends there, with
        // what arrived before it.
        {.Name = "BodyPastTheAnswerLimit",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123");
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 3000,
         .AnswerTimeout = 500,
         .Error = &typeid(EIdReadTimeout),
         .Message = "Read Timeout",
         .Left = "0123",
         .AtLeast = milliseconds(500),
         .AtMost = milliseconds(2500)},
        {.Name = "HeadPastTheAnswerLimit",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\r\n");
             peer.Pause(milliseconds(200));
             peer.Send("Content-Length: 2\r\n");
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 3000,
         .AnswerTimeout = 400,
         .Error = &typeid(EIdReadTimeout),
         .Message = "Read Timeout",
         .AtLeast = milliseconds(400),
         .AtMost = milliseconds(2500)},
        // Redirects count toward it: two answers each within the read limit
        // but together past the whole fetch's.
        {.Name = "RedirectsCountTowardTheAnswerLimit",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Pause(milliseconds(300));
             peer.Send("HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n");
             peer.ReadRequestHead();
             peer.Pause(milliseconds(300));
             peer.Send(HttpResponse("200 OK", "", "late"));
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 3000,
         .AnswerTimeout = 450,
         .Error = &typeid(EIdReadTimeout),
         .Message = "Read Timeout",
         .AtLeast = milliseconds(450),
         .AtMost = milliseconds(2500)},
        {.Name = "ConnectEndsAtTheAnswerLimit",
         .Prepare =
             [](FarSide& far) {
                 far.Listener = std::make_unique<FullBacklogListener>();
                 return "http://127.0.0.1:" + std::to_string(far.Listener->Port()) + "/";
             },
         .ReadTimeout = 5000,
         .AnswerTimeout = 300,
         .Error = &typeid(EIdConnectTimeout),
         .Message = "Connect timed out.",
         .AtLeast = milliseconds(250),
         .AtMost = milliseconds(2500)},
        // Within the limit nothing changes.
        {.Name = "AnswerWithinTheAnswerLimit",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send(HttpResponse("200 OK", "", "prompt"));
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 1000,
         .AnswerTimeout = 2000,
         .Left = "prompt"},
        {.Name = "EndlessBody",
         .Prepare = Serve(Flood("HTTP/1.1 200 OK\r\n\r\n", z, 80 * kMiB)),
         .ReadTimeout = 5000,
         .Error = &typeid(EIdException),
         .Message = "Response body larger than 64 MiB.",
         .Left = "z",
         .LeftTimes = kMaxBodyBytes},
        {.Name = "EndlessChunkedBody",
         .Prepare = Serve(Flood("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                                "100000\r\n" + z + "\r\n", 80 * kMiB)),
         .ReadTimeout = 5000,
         .Error = &typeid(EIdException),
         .Message = "Response body larger than 64 MiB.",
         .Left = "z",
         .LeftTimes = kMaxBodyBytes},
        {.Name = "OneMebibyteHeaderLine",
         .Prepare =
             Serve(Flood("HTTP/1.1 200 OK\r\nX-Big: ", std::string(kMiB, 'h') + "\r\n\r\n", 1)),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdReadLnMaxLineLengthExceeded),
         .Message = "Max line length exceeded."},
        {.Name = "EndlessHeaderBlock",
         .Prepare = Serve(Flood("HTTP/1.1 200 OK\r\n",
                                "X-Filler: " + std::string(1000, 'f') + "\r\n", 64 * kMiB)),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdException),
         .Message = "Response head larger than 1 MiB."},
        {.Name = "EndlessInterimResponses",
         .Prepare = Serve(Flood(
             "", "HTTP/1.1 100 Continue\r\nSet-Cookie: c" + std::string(40, 'c') + "=1\r\n\r\n",
             64 * kMiB)),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdException),
         .Message = "Response head larger than 1 MiB."},
        {.Name = "HeaderLineWithoutAColon",
         .Prepare =
             Serve(Answer("HTTP/1.1 200 OK\r\nNo colon here\r\nContent-Length: 2\r\n\r\nok")),
         .ReadTimeout = 1000,
         .Left = "ok"},
        // Without LF the whole answer is one unfinished line.
        {.Name = "BareCrLineEnds",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\rContent-Length: 2\r\rok");
         }),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdConnClosedGracefully),
         .Message = "Connection Closed Gracefully."},
        // Too large for a chunk size: read as no number, which ends the body.
        {.Name = "ChunkSizeOfSixteenHexDigits",
         .Prepare = Serve(Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                 "5\r\nfirst\r\nFFFFFFFFFFFFFFFF\r\nsecond\r\n0\r\n\r\n")),
         .ReadTimeout = 1000,
         .Left = "first"},
        {.Name = "ChunkSizeOfSixteenHexDigitsWithLeadingZeros",
         .Prepare = Serve(Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                 "0000000000000003\r\nabc\r\n0\r\n\r\n")),
         .ReadTimeout = 1000,
         .Left = "abc"},
        {.Name = "NegativeContentLength",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nall of it");
         }),
         .ReadTimeout = 1000,
         .Left = "all of it"},
        // Past the redirect limit the fetch ends empty, without an error.
        {.Name = "RedirectLoop",
         .Prepare = Serve([](LoopbackPeer& peer) {
             try {
                 for (int n = 0; n < 100; ++n) {
                     peer.ReadRequestHead();
                     peer.Send(
                         "HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n");
                 }
             } catch (const std::exception&) {
                 // The client gave up after its last redirect.
             }
         }),
         .ReadTimeout = 1000,
         .Also =
             [](const LoopbackServer& server) {
                 EXPECT_EQ(server.Connections(), 1);
                 EXPECT_EQ(RequestsReceived(server, 0), 15);
             }},
        // Sent on, the target would split the next request's head.
        {.Name = "LocationCarryingCr",
         .Prepare = Serve(RedirectTo("/next\rX-Injected: yes")),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdException),
         .Message = controlMessage,
         .Also = OnlyOneRequest},
        {.Name = "LocationCarryingControlBytes",
         .Prepare = Serve(RedirectTo(std::string("/a\0b\x1b[2J\x7f", 9) + "Injected")),
         .ReadTimeout = 1000,
         .Error = &typeid(EIdException),
         .Message = controlMessage,
         .Also = OnlyOneRequest},
        {.Name = "SetCookieStorm",
         .Prepare = Serve([](LoopbackPeer& peer) {
             std::string head = "HTTP/1.1 302 Found\r\nLocation: /next\r\n";
             for (std::size_t i = 0; i < kCookieStorm; ++i)
                 head += "Set-Cookie: c" + std::to_string(i) + "=v; path=/\r\n";
             peer.ReadRequestHead();
             peer.Send(head + "Content-Length: 0\r\n\r\n");
             peer.ReadRequestHead();
             peer.Send(HttpResponse("200 OK", "", "ok"));
             peer.WaitForClientClose();
         }),
         .ReadTimeout = 5000,
         .Left = "ok",
         .Also =
             [](const LoopbackServer& server) {
                 // The store keeps the first cookies up to its bound; they go
                 // with the next request, newest first, as many as one line
                 // of 8 KiB holds.
                 const std::string received = server.Received(0);
                 const auto cookie = received.find("\r\nCookie: c2999=v; c2998=v");
                 ASSERT_NE(cookie, std::string::npos);
                 const auto end = received.find("\r\n", cookie + 2);
                 ASSERT_NE(end, std::string::npos);
                 EXPECT_LE(end + 2 - (cookie + 2), kMaxCookieLineBytes);
                 EXPECT_EQ(received.substr(end, 4), "\r\n\r\n");
                 EXPECT_EQ(received.find("c3000="), std::string::npos);
             }},
        // Sent on, the value would split the next request's head.
        {.Name = "SetCookieCarryingCr",
         .Prepare = Serve([](LoopbackPeer& peer) {
             peer.ReadRequestHead();
             peer.Send("HTTP/1.1 302 Found\r\nLocation: /next\r\n"
                       "Set-Cookie: a=1\rX-Injected: yes; path=/\r\nSet-Cookie: b=2\r\n"
                       "Content-Length: 0\r\n\r\n");
             peer.ReadRequestHead();
             peer.Send(HttpResponse("200 OK", "", "ok"));
             peer.WaitForClientClose();
         }),
         .Left = "ok",
         .Also =
             [](const LoopbackServer& server) {
                 const std::string received = server.Received(0);
                 EXPECT_NE(received.find("\r\nCookie: b=2\r\n\r\n"), std::string::npos);
                 EXPECT_EQ(received.find("Injected"), std::string::npos);
             }},
    };
}

class GetPageFaultTest : public ::testing::TestWithParam<FaultRow> {};

TEST_P(GetPageFaultTest, ErrorAndTextLeftBehind) {
    const FaultRow& row = GetParam();
    FarSide far;
    far.Server.Start();
    const std::string url = row.Prepare(far);

    TIdHTTP client;
    client.ReadTimeout = row.ReadTimeout;
    client.AnswerTimeout = row.AnswerTimeout;
    client.Request().UserAgent = "KorvaneTest";
    client.HandleRedirects = true;
    std::string left;
    std::exception_ptr error;
    const auto start = std::chrono::steady_clock::now();
    try {
        client.GetPage(url, left);
    } catch (...) {
        error = std::current_exception();
    }
    const auto took = std::chrono::steady_clock::now() - start;
    client.CloseConnection();
    far.Server.Stop();

    if (row.Error) {
        ASSERT_TRUE(error) << "the fetch succeeded";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            EXPECT_EQ(Demangled(typeid(e)), Demangled(*row.Error));
            EXPECT_EQ(e.what(), row.Message);
        }
    } else if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            ADD_FAILURE() << Demangled(typeid(e)) << ": " << e.what();
        }
    }
    ASSERT_EQ(left.size(), row.Left.size() * row.LeftTimes);
    for (std::size_t at = 0; at < left.size(); at += row.Left.size())
        if (left.compare(at, row.Left.size(), row.Left) != 0) {
            ADD_FAILURE() << "left text differs at " << at;
            break;
        }
    EXPECT_GE(took, row.AtLeast);
    if (row.AtMost.count() > 0) {
        EXPECT_LT(took, row.AtMost);
    }
    if (row.Also)
        row.Also(far.Server);
    StopAndReportErrors(far.Server);
}

INSTANTIATE_TEST_SUITE_P(Faults, GetPageFaultTest, ::testing::ValuesIn(Rows()),
                         [](const auto& row) { return std::string(row.param.Name); });

} // namespace
