#include "IdStack.h"
#include "IdException.h"
#include "PlatformSockets.h"
#include "UnknownHosts.h"

#include <gtest/gtest.h>

using namespace korvane::http;
using korvane::test::PlatformSockets;

namespace {

TEST(IdStackTest, LocalhostAndDottedQuadsNeedNoLookup) {
    const TIdStack::TUser user;
    for (const char* host : {"localhost", "LOCALHOST", "LocalHost"})
        EXPECT_EQ(user.Stack().LookUpAddress(host), "127.0.0.1") << host;
    // A dotted quad is used as written, even in a form the resolver would rewrite.
    EXPECT_EQ(user.Stack().LookUpAddress("127.0.0.001"), "127.0.0.001");
    EXPECT_EQ(user.Stack().LookUpAddress("10.0.0.255"), "10.0.0.255");
}

TEST(IdStackTest, IsDottedQuad) {
    struct Case {
        const char* Text;
        bool Quad;
    } const cases[] = {
        {"127.0.0.1", true},  {"0.0.0.0", true},    {"255.255.255.255", true},
        {"$7F.0.0.x1", true}, {" 1.2.3.4", true},   {"1.2.3", false},
        {"1.2.3.256", false}, {"1.2.3.4.5", false}, {"1..3.4", false},
        {"1.2.3.", false},    {"", false},          {"a.b.c.d", false},
        {"1.2.3.4 ", false},  {"-1.2.3.4", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TIdStack::IsDottedQuad(c.Text), c.Quad) << c.Text;
}

TEST(IdStackTest, UnknownHostRaisesTheResolversCode) {
    const korvane::test::UnknownHosts unknown;
    const TIdStack::TUser user;
    try {
        user.Stack().LookUpAddress("no-such-host.invalid");
        FAIL() << "lookup succeeded";
    } catch (const EIdSocketError& e) {
        // A resolver that cannot be reached says "try again" instead.
        ASSERT_TRUE(e.LastError == Id_WSAHOST_NOT_FOUND || e.LastError == Id_WSATRY_AGAIN)
            << e.LastError;
        EXPECT_EQ(e.what(), TIdStack::SocketErrorText(e.LastError));
        if (e.LastError == Id_WSAHOST_NOT_FOUND) {
            EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
        }
    }
}

TEST(IdStackTest, ErrorTextsFollowTheTable) {
    EXPECT_EQ(TIdStack::SocketErrorText(10061), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(TIdStack::SocketErrorText(10035), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_EQ(TIdStack::SocketErrorText(10066), "Socket Error # 10066\r\nDirectory not empty");
    EXPECT_EQ(TIdStack::SocketErrorText(12345), "Socket Error # 12345\r\n");
    // Platform errors map by meaning (on Winsock they are the numbers themselves).
    EXPECT_EQ(TIdStack::TranslateError(PlatformSockets::kConnectionRefused), Id_WSAECONNREFUSED);
    EXPECT_EQ(TIdStack::TranslateError(PlatformSockets::kConnectionReset), Id_WSAECONNRESET);
    EXPECT_EQ(TIdStack::TranslateError(PlatformSockets::kTimedOut), Id_WSAETIMEDOUT);
    EXPECT_EQ(TIdStack::TranslateError(PlatformSockets::kBrokenPipe), Id_WSAESHUTDOWN);
}

TEST(IdStackTest, ServiceLivesWhileAnyUserDoes) {
    ASSERT_FALSE(TIdStack::Exists());
    {
        const TIdStack::TUser first;
        {
            const TIdStack::TUser second;
            EXPECT_EQ(&first.Stack(), &second.Stack());
        }
        EXPECT_TRUE(TIdStack::Exists());
    }
    EXPECT_FALSE(TIdStack::Exists());
}

TEST(IdStackTest, CheckCallResultToleratesListedCodesOnly) {
    const TIdStack::TUser user;
    EXPECT_FALSE(user.Stack().CheckCallResult(0, {}));
    PlatformSockets::SetLastError(PlatformSockets::kShutdown);
    EXPECT_TRUE(user.Stack().CheckCallResult(-1, {Id_WSAESHUTDOWN, Id_WSAECONNABORTED}));
    PlatformSockets::SetLastError(PlatformSockets::kConnectionReset);
    try {
        user.Stack().CheckCallResult(-1, {Id_WSAESHUTDOWN});
        FAIL();
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError, Id_WSAECONNRESET);
        EXPECT_STREQ(e.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
}

} // namespace
