#include "FetchFailure.h"

#include "IdException.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace korvane;
using namespace korvane::http;

namespace {

struct Case {
    std::exception_ptr error;
    const char* className;
    const char* message;
    TFetchFailureKind kind;
    int status;
};

template <typename E, typename... Args> std::exception_ptr Raised(Args&&... args) {
    return std::make_exception_ptr(E(std::forward<Args>(args)...));
}

TEST(FetchFailureTest, ErrorsOfTheClientComeDownToAKindTheSellerCanBeTold) {
    using K = TFetchFailureKind;
    const Case cases[] = {
        // A refused time-limited connect carries its code only in its text.
        {Raised<EIdConnectException>("Socket Error # 10061\r\nConnection refused."),
         "EIdConnectException", "Socket Error # 10061\r\nConnection refused.", K::ConnectionRefused,
         0},
        {Raised<EIdSocketError>(10061, "Socket Error # 10061\r\nConnection refused."),
         "EIdSocketError", "Socket Error # 10061\r\nConnection refused.", K::ConnectionRefused, 0},
        {Raised<EIdConnectTimeout>(), "EIdConnectTimeout", "Connect timed out.", K::ConnectTimeout,
         0},
        {Raised<EIdConnectException>("Socket Error # 10060\r\nConnection timed out."),
         "EIdConnectException", "Socket Error # 10060\r\nConnection timed out.", K::ConnectTimeout,
         0},
        {Raised<EIdLookupTimeout>(), "EIdLookupTimeout", "Host lookup timed out.", K::LookupTimeout,
         0},
        {Raised<EIdReadTimeout>(), "EIdReadTimeout", "Read Timeout", K::ReadTimeout, 0},
        {Raised<EIdSocketError>(11001, "Socket Error # 11001\r\nHost not found."), "EIdSocketError",
         "Socket Error # 11001\r\nHost not found.", K::HostNotFound, 0},
        {Raised<EIdHTTPProtocolException>(500, "HTTP/1.1 500 Internal Server Error", "busy"),
         "EIdHTTPProtocolException", "HTTP/1.1 500 Internal Server Error", K::ServerError, 500},
        {Raised<EIdHTTPProtocolException>(404, "HTTP/1.1 404 Not Found", ""),
         "EIdHTTPProtocolException", "HTTP/1.1 404 Not Found", K::ServerError, 404},
        {Raised<EIdSocketError>(10054, "Socket Error # 10054\r\nConnection reset by peer."),
         "EIdSocketError", "Socket Error # 10054\r\nConnection reset by peer.", K::ConnectionLost,
         0},
        {Raised<EIdConnClosedGracefully>(), "EIdConnClosedGracefully",
         "Connection Closed Gracefully.", K::ConnectionLost, 0},
        {Raised<EIdConnectException>("Socket Error # 10065\r\nNo route to host."),
         "EIdConnectException", "Socket Error # 10065\r\nNo route to host.", K::NetworkUnreachable,
         0},
        // The crawl asks for plain http: an https address came through a redirect.
        {Raised<EIdIOHandlerPropInvalid>(), "EIdIOHandlerPropInvalid",
         "IOHandler value is not valid", K::LoginRequired, 0},
        {Raised<EIdException>("Response body larger than 64 MiB."), "EIdException",
         "Response body larger than 64 MiB.", K::Other, 0},
        {Raised<std::runtime_error>("odd"), "runtime_error", "odd", K::Other, 0},
        {std::make_exception_ptr(42), "unknown", "", K::Other, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const TFetchFailure failure = TFetchFailure::Describe(c.error, 7);
        EXPECT_EQ(failure.Page, 7);
        EXPECT_EQ(failure.ClassName, c.className);
        EXPECT_EQ(failure.Message, c.message);
        EXPECT_EQ(failure.Kind, c.kind);
        EXPECT_EQ(failure.StatusCode, c.status);
    }
}

} // namespace
