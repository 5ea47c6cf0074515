// GetPage against scripted loopback servers: framing, errors, connection
// reuse, redirects and cookies on the wire.
#include "IdHTTP.h"
#include "IdException.h"
#include "LoopbackServer.h"
#include "ServerErrors.h"
#include "UnknownHosts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

using namespace korvane::http;
using korvane::test::HttpResponse;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::StopAndReportErrors;
using std::chrono::milliseconds;

namespace {

// What a fetch left behind.
struct Outcome {
    std::string Body;
    std::exception_ptr Error;

    template <typename E> bool Raised() const {
        if (!Error)
            return false;
        try {
            std::rethrow_exception(Error);
        } catch (const E&) {
            return true;
        } catch (...) {
            return false;
        }
    }
    std::string Message() const {
        try {
            if (Error)
                std::rethrow_exception(Error);
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }
};

// Answers one request with response, then closes (or waits for the client).
LoopbackServer::Step Answer(std::string response, bool keepOpen = false) {
    return [response, keepOpen](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send(response);
        if (keepOpen)
            peer.WaitForClientClose();
    };
}

class IdHTTPTest : public ::testing::Test {
protected:
    void SetUp() override { Server.Start(); }
    void TearDown() override { StopAndReportErrors(Server); }

    // The crawler's settings, with a short read time-out.
    static void Configure(TIdHTTP& client) {
        client.ReadTimeout = 1000;
        client.Request().UserAgent = "KorvaneTest";
        client.HandleRedirects = true;
    }

    Outcome Fetch(const std::string& url, const std::function<void(TIdHTTP&)>& setUp = {}) {
        TIdHTTP client;
        Configure(client);
        if (setUp)
            setUp(client);
        Outcome outcome;
        try {
            client.GetPage(url, outcome.Body);
        } catch (...) {
            outcome.Error = std::current_exception();
        }
        return outcome;
    }

    // The request heads the server received on connection i.
    std::vector<std::string> Heads(std::size_t connection) const {
        std::vector<std::string> heads;
        std::string all = Server.Received(connection);
        for (auto end = all.find("\r\n\r\n"); end != std::string::npos;
             end = all.find("\r\n\r\n")) {
            heads.push_back(all.substr(0, end + 4));
            all.erase(0, end + 4);
        }
        return heads;
    }

    static std::string RequestLine(const std::string& head) {
        return head.substr(0, head.find("\r\n"));
    }

    LoopbackServer Server;
};

TEST_F(IdHTTPTest, RequestHeadOfAFetch) {
    Server.Add(Answer(HttpResponse("200 OK", "", "page")));
    const Outcome out = Fetch(Server.Url("/dir/search.htm?a=1&b=\xB0\xA1#ListView"));
    ASSERT_FALSE(out.Error) << out.Message();
    EXPECT_EQ(out.Body, "page");
    EXPECT_EQ(Server.Received(0), "GET /dir/search.htm?a=1&b=\xB0\xA1 HTTP/1.1\r\n"
                                  "Content-Type: text/html\r\n"
                                  "Host: 127.0.0.1:" +
                                      std::to_string(Server.Port()) +
                                      "\r\n"
                                      "Accept: text/html, */*\r\n"
                                      "User-Agent: KorvaneTest\r\n"
                                      "\r\n");
}

// Exposes the request set-up to check the "Host" rule without a port-80 server.
class TIdHTTPProbe : public TIdHTTP {
public:
    std::string HostFor(const std::string& url) {
        Request().RequestTarget = url;
        SetUpRequest();
        return Request().Host;
    }
};

TEST_F(IdHTTPTest, HostHeaderShowsEveryPortButEighty) {
    const auto hostFor = [](const char* url) { return TIdHTTPProbe().HostFor(url); };
    EXPECT_EQ(hostFor("http://shop.example/"), "shop.example");
    EXPECT_EQ(hostFor("http://shop.example:80/"), "shop.example");
    EXPECT_EQ(hostFor("http://shop.example:080/"), "shop.example:080");
    EXPECT_EQ(hostFor("http://shop.example:8080/"), "shop.example:8080");
    EXPECT_EQ(hostFor("http://u:p@shop.example/"), "shop.example");
}

struct FramingCase {
    const char* Name;
    std::string Response;
    bool KeepOpen; // the server holds the connection after its bytes
    std::string Body;
};

TEST_F(IdHTTPTest, ResponseFraming) {
    const FramingCase cases[] = {
        {"length 0 reads nothing more", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nNOT-BODY",
         true, ""},
        {"length wins over chunked",
         "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nTransfer-Encoding: chunked\r\n\r\n0123456789XYZ",
         true, "0123456789"},
        {"length 0 with chunked reads chunks",
         "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nTransfer-Encoding: chunked\r\n\r\n"
         "3\r\nabc\r\n0\r\n\r\n",
         true, "abc"},
        {"chunked with extension after a blank",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1A ;x=1\r\n"
         "abcdefghijklmnopqrstuvwxyz\r\n2\r\n!!\r\n0\r\n\r\n",
         true, "abcdefghijklmnopqrstuvwxyz!!"},
        {"chunk extension without a blank ends the body",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1A;x=1\r\n"
         "abcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n",
         true, ""},
        {"capital-C Chunked is read until close",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", false,
         "3\r\nabc\r\n0\r\n\r\n"},
        {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\n", true, ""},
        {"100 then 200",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", true, "ok"},
        {"status without reason phrase", "HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok", true, "ok"},
        {"lower-case header name", "HTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\nokMORE", true,
         "ok"},
        {"blank before the colon is another name",
         "HTTP/1.1 200 OK\r\nContent-Length : 2\r\n\r\nokMORE", false, "okMORE"},
        {"no length reads until close", "HTTP/1.1 200 OK\r\n\r\nall of it", false, "all of it"},
        {"negative length reads until close",
         "HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\nall of it", false, "all of it"},
        {"last chunk without the blank line after it",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n0\r\n", false,
         "first"},
        {"folded header", "HTTP/1.1 200 OK\r\nX-Note: one\r\n two\r\nContent-Length: 2\r\n\r\nok",
         true, "ok"},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Server.Add(Answer(c.Response, c.KeepOpen));
        TIdHTTP client;
        Configure(client);
        std::string body;
        EXPECT_NO_THROW(client.GetPage(Server.Url("/"), body));
        EXPECT_EQ(body, c.Body);
        if (std::string(c.Name) == "folded header") {
            EXPECT_EQ(client.Response().HeaderLines.HeaderValue("X-Note"), "one two");
        }
        client.CloseConnection(); // ends a step that holds its connection
    }
}

TEST_F(IdHTTPTest, ErrorStatusRaisesWithItsBody) {
    Server.Add(Answer(HttpResponse("404 Not Found", "", "nope")));
    const Outcome out = Fetch(Server.Url("/missing"));
    ASSERT_TRUE(out.Raised<EIdHTTPProtocolException>());
    try {
        std::rethrow_exception(out.Error);
    } catch (const EIdHTTPProtocolException& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 404 Not Found");
        EXPECT_EQ(e.ReplyCode, 404);
        EXPECT_EQ(e.ErrorBody, "nope");
    }
    EXPECT_EQ(out.Body, ""); // an error body never reaches the caller
}

TEST_F(IdHTTPTest, StatusesThatAreErrors) {
    struct Case {
        const char* Response;
        const char* Message;
    } const cases[] = {
        {"HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 304 Not Modified"},
        {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic\r\nContent-Length: 0\r\n\r\n",
         "HTTP/1.1 401 Unauthorized"},
        {"HTTP/1.1 101 Switching\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 101 Switching"},
        // An empty first line: the real status line is taken for a header.
        {"\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", ""},
    };
    for (const Case& c : cases) {
        Server.Add(Answer(c.Response));
        const Outcome out = Fetch(Server.Url("/"));
        EXPECT_TRUE(out.Raised<EIdHTTPProtocolException>()) << c.Response;
        EXPECT_EQ(out.Message(), c.Message);
        EXPECT_EQ(out.Body, "");
    }
}

TEST_F(IdHTTPTest, TimeOutInsideTheBodyLeavesWhatArrived) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'b'));
        peer.WaitForClientClose();
    });
    const Outcome out = Fetch(Server.Url("/"), [](TIdHTTP& c) { c.ReadTimeout = 200; });
    EXPECT_TRUE(out.Raised<EIdReadTimeout>());
    EXPECT_EQ(out.Body, std::string(40, 'b'));
}

TEST_F(IdHTTPTest, ResetInsideAChunkedBodyLeavesWhatArrived) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n10\r\nsec");
        peer.Pause(milliseconds(50));
        peer.Reset();
    });
    const Outcome out = Fetch(Server.Url("/"));
    EXPECT_TRUE(out.Raised<EIdSocketError>()) << out.Message();
    // The bytes already queued when the chunk's read began count; the rest
    // of an unfinished chunk does not.
    EXPECT_EQ(out.Body, "firstsec");
}

// A close before the body's announced end is a failed fetch: the error
// passes on, and every byte that arrived is left for the caller.
TEST_F(IdHTTPTest, BodyCutShortRaisesAndLeavesWhatArrived) {
    const std::string big(70000, 'q'); // more than one receive buffer
    struct Case {
        const char* Name;
        std::string Response;
        std::string Body;
    } const cases[] = {
        {"before the announced length", "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nKorvane 1.0",
         "Korvane 1.0"},
        {"a long body short of its length",
         "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + big, big},
        {"inside a chunk",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n10\r\nsec",
         "firstsec"},
        {"before the last chunk",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n", "first"},
        {"inside a chunk-size line",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n1", "first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Server.Add(Answer(c.Response));
        const Outcome out = Fetch(Server.Url("/"));
        EXPECT_TRUE(out.Raised<EIdConnClosedGracefully>()) << out.Message();
        EXPECT_EQ(out.Body, c.Body);
    }
}

// An error page cut short still reports its status, not the close.
TEST_F(IdHTTPTest, ErrorPageCutShortIsStillTheStatus) {
    Server.Add(Answer("HTTP/1.1 503 Busy\r\nContent-Length: 40\r\n\r\nbus"));
    const Outcome out = Fetch(Server.Url("/"));
    EXPECT_TRUE(out.Raised<EIdHTTPProtocolException>()) << out.Message();
    EXPECT_EQ(out.Body, "");
}

TEST_F(IdHTTPTest, TimeOutBeforeTheBodyLeavesNothing) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 200 OK\r\nContent-Len");
        peer.WaitForClientClose();
    });
    std::string body = "kept";
    TIdHTTP client;
    Configure(client);
    client.ReadTimeout = 200;
    EXPECT_THROW(client.GetPage(Server.Url("/"), body), EIdReadTimeout);
    EXPECT_EQ(body, "kept"); // what the caller put there stays
}

TEST_F(IdHTTPTest, CloseInsideTheHeadIsAnUndefinedSituation) {
    Server.Add(Answer("HTTP/1.1 200 OK\r\nX-Cut: here\r\n"));
    const Outcome out = Fetch(Server.Url("/"));
    EXPECT_TRUE(out.Raised<EIdException>());
    EXPECT_EQ(out.Message(), "Undefined situation");
}

TEST_F(IdHTTPTest, CloseBeforeAnyStatusLine) {
    Server.Add([](LoopbackPeer& peer) { peer.ReadRequestHead(); });
    const Outcome out = Fetch(Server.Url("/"));
    EXPECT_TRUE(out.Raised<EIdConnClosedGracefully>());
}

TEST_F(IdHTTPTest, ConnectFailuresPassOnWithNothingLeft) {
    // The port of a server that has stopped: nothing listens there any more.
    LoopbackServer gone;
    gone.Start();
    const std::string url = gone.Url("/");
    gone.Stop();
    const Outcome refused = Fetch(url);
    EXPECT_TRUE(refused.Raised<EIdConnectException>());
    EXPECT_EQ(refused.Message(), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(refused.Body, "");
    {
        const korvane::test::UnknownHosts unknown;
        EXPECT_TRUE(Fetch("http://no-such-host.invalid/").Raised<EIdSocketError>());
    }
    EXPECT_TRUE(Fetch("ftp://127.0.0.1/").Raised<EIdUnknownProtocol>());
    const Outcome badPort = Fetch("http://127.0.0.1:8x/");
    EXPECT_TRUE(badPort.Raised<EConvertError>());
    EXPECT_EQ(badPort.Message(), "'8x' is not a valid integer value");
}

TEST_F(IdHTTPTest, RedirectOnTheSameHostReusesTheConnection) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 302 Found\r\nLocation: b.htm?x=1\r\nContent-Length: 5\r\n\r\nmoved");
        peer.ReadRequestHead();
        peer.Send(HttpResponse("200 OK", "", "final"));
        peer.WaitForClientClose();
    });
    const Outcome out = Fetch(Server.Url("/dir/a.htm"));
    ASSERT_FALSE(out.Error) << out.Message();
    EXPECT_EQ(out.Body, "final");
    EXPECT_EQ(Server.Connections(), 1);
    const auto heads = Heads(0);
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(RequestLine(heads[1]), "GET /dir/b.htm?x=1 HTTP/1.1"); // a bare name stays in /dir/
}

TEST_F(IdHTTPTest, ConnectionCloseMakesANewConnection) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 301 Moved\r\nLocation: /next\r\nConnection:  CLOSE \r\n"
                  "Content-Length: 0\r\n\r\n");
        peer.WaitForClientClose();
    });
    Server.Add(Answer(HttpResponse("200 OK", "", "second")));
    const Outcome out = Fetch(Server.Url("/first"));
    ASSERT_FALSE(out.Error) << out.Message();
    EXPECT_EQ(out.Body, "second");
    EXPECT_EQ(Server.Connections(), 2);
    EXPECT_EQ(RequestLine(Heads(1).at(0)), "GET /next HTTP/1.1");
}

TEST_F(IdHTTPTest, AbsoluteAndRelativeTargets) {
    Server.Add(Answer("HTTP/1.1 307 Temp\r\nLocation: " + Server.Url("/abs/x.htm") +
                      "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"));
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        // A 200 with "Location" is a redirect too; its body is thrown away.
        peer.Send("HTTP/1.1 200 OK\r\nLocation: ../up/y.htm\r\nContent-Length: 4\r\n\r\nskip");
        peer.ReadRequestHead();
        peer.Send(HttpResponse("200 OK", "", "landed"));
        peer.WaitForClientClose();
    });
    const Outcome out = Fetch(Server.Url("/a/b/start"));
    ASSERT_FALSE(out.Error) << out.Message();
    EXPECT_EQ(out.Body, "landed");
    EXPECT_EQ(RequestLine(Heads(0).at(0)), "GET /a/b/start HTTP/1.1");
    EXPECT_EQ(RequestLine(Heads(1).at(0)), "GET /abs/x.htm HTTP/1.1");
    EXPECT_EQ(RequestLine(Heads(1).at(1)), "GET /up/y.htm HTTP/1.1");
}

TEST_F(IdHTTPTest, FourteenRedirectsAreFollowedAndTheFifteenthEndsEmpty) {
    auto chain = [](int answeredByPage) {
        return [answeredByPage](LoopbackPeer& peer) {
            for (int n = 1;; ++n) {
                peer.ReadRequestHead();
                if (n == answeredByPage) {
                    peer.Send(HttpResponse("200 OK", "", "page"));
                    break;
                }
                peer.Send("HTTP/1.1 302 Found\r\nLocation: /r" + std::to_string(n) +
                          "\r\nContent-Length: 0\r\n\r\n");
                if (n == 15)
                    break;
            }
            peer.WaitForClientClose();
        };
    };
    Server.Add(chain(15)); // 14 redirects, then the page
    Server.Add(chain(16)); // a redirect for every one of 15 requests
    const Outcome followed = Fetch(Server.Url("/"));
    ASSERT_FALSE(followed.Error) << followed.Message();
    EXPECT_EQ(followed.Body, "page");
    EXPECT_EQ(Heads(0).size(), 15u);

    const Outcome tooMany = Fetch(Server.Url("/"));
    EXPECT_FALSE(tooMany.Error) << tooMany.Message();
    EXPECT_EQ(tooMany.Body, "");
    EXPECT_EQ(Heads(1).size(), 15u);
}

TEST_F(IdHTTPTest, RedirectToHttpsFailsBeforeConnecting) {
    Server.Add(Answer("HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1:" +
                          std::to_string(Server.Port()) + "/secure\r\nContent-Length: 0\r\n\r\n",
                      true));
    const Outcome out = Fetch(Server.Url("/"));
    EXPECT_TRUE(out.Raised<EIdIOHandlerPropInvalid>());
    EXPECT_EQ(out.Message(), "IOHandler value is not valid");
    EXPECT_EQ(Heads(0).size(), 1u);
    EXPECT_EQ(Server.Connections(), 1);
    EXPECT_TRUE(Fetch("HTTPS://127.0.0.1/").Raised<EIdIOHandlerPropInvalid>());
}

TEST_F(IdHTTPTest, CookiesSetOnARedirectGoWithTheNextRequest) {
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 302 Found\r\nSet-Cookie: sid=42; path=/\r\n"
                  "set-cookie: deep=1; path=/deep/\r\nSet-Cookie: gone=1; max-age=0\r\n"
                  "Location: /shop/list.htm\r\nContent-Length: 0\r\n\r\n");
        peer.ReadRequestHead();
        peer.Send(HttpResponse("200 OK", "Set-Cookie: late=1\r\n", "ok"));
        peer.WaitForClientClose();
    });
    const Outcome out = Fetch(Server.Url("/"));
    ASSERT_FALSE(out.Error) << out.Message();
    const auto heads = Heads(0);
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[0].find("Cookie"), std::string::npos);
    const std::string& second = heads[1];
    const std::string cookieLine = "\r\nCookie: sid=42\r\n\r\n";
    ASSERT_GE(second.size(), cookieLine.size());
    EXPECT_EQ(second.substr(second.size() - cookieLine.size()), cookieLine); // the last header
}

TEST_F(IdHTTPTest, CookiesGoOnOneLineOfAtMost8KiB) {
    // Pairs of 99 characters: "cNN=" and a value of 95.
    const auto pair = [](int i, std::size_t valueBytes) {
        return "c" + std::to_string(10 + i) + "=" + std::string(valueBytes, 'v');
    };
    struct Case {
        const char* Name;
        std::vector<std::string> Set; // in the order the server sets them
        std::string Sent;
    };
    std::vector<Case> cases;
    {
        Case c{"1,109 characters, one line", {}, {}};
        for (int i = 0; i < 11; ++i)
            c.Set.push_back(pair(i, 95));
        for (int i = 10; i >= 0; --i) // last set, first sent
            c.Sent += (c.Sent.empty() ? "" : "; ") + pair(i, 95);
        cases.push_back(c);
    }
    cases.push_back({"past 8 KiB",
                     {pair(0, 5), pair(1, 3000), pair(2, 3000), pair(3, 3000)},
                     pair(3, 3000) + "; " + pair(2, 3000) + "; " + pair(0, 5)});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.Name);
        std::string redirect = "HTTP/1.1 302 Found\r\n";
        for (const std::string& cookie : c.Set)
            redirect += "Set-Cookie: " + cookie + "\r\n";
        redirect += "Location: /list.htm\r\nContent-Length: 0\r\n\r\n";
        Server.Add([redirect](LoopbackPeer& peer) {
            peer.ReadRequestHead();
            peer.Send(redirect);
            peer.ReadRequestHead();
            peer.Send(HttpResponse("200 OK", "", "ok"));
            peer.WaitForClientClose();
        });
        const Outcome out = Fetch(Server.Url("/"));
        ASSERT_FALSE(out.Error) << out.Message();
        const auto heads = Heads(i);
        ASSERT_EQ(heads.size(), 2u);
        const std::string line = "Cookie: " + c.Sent + "\r\n";
        ASSERT_LE(line.size(), 8u * 1024);
        const std::string& second = heads[1];
        ASSERT_GE(second.size(), line.size() + 2);
        EXPECT_EQ(second.substr(second.size() - line.size() - 2), line + "\r\n");
        EXPECT_EQ(second.find("\r\n "), std::string::npos); // no continuation line
        EXPECT_EQ(second.find("\r\n\t"), std::string::npos);
    }
}

TEST_F(IdHTTPTest, BodiesAreBoundedAt64MiB) {
    const std::string mebibyte(1024 * 1024, 'z');
    auto flood = [mebibyte](const std::string& head) {
        return [mebibyte, head](LoopbackPeer& peer) {
            peer.ReadRequestHead();
            try {
                peer.Send(head);
                for (int i = 0; i < 80; ++i)
                    peer.Send(mebibyte);
            } catch (const std::exception&) {
                // The client gave up, as it should.
            }
        };
    };
    Server.Add(flood("HTTP/1.1 200 OK\r\n\r\n"));
    Server.Add(flood("HTTP/1.1 200 OK\r\nContent-Length: 2000000000\r\n\r\n"));
    for (int i = 0; i < 2; ++i) {
        const Outcome out = Fetch(Server.Url("/"), [](TIdHTTP& c) { c.ReadTimeout = 5000; });
        EXPECT_TRUE(out.Raised<EIdException>());
        EXPECT_EQ(out.Message(), "Response body larger than 64 MiB.");
        EXPECT_EQ(out.Body.size(), static_cast<std::size_t>(kMaxBodyBytes));
    }
}

} // namespace
