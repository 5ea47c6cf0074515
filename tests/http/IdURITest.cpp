#include "IdURI.h"
#include "IdException.h"

#include <gtest/gtest.h>

using namespace korvane::http;

namespace {

struct SplitCase {
    const char* Url;
    const char* Scheme;
    const char* User;
    const char* Password;
    const char* Host;
    const char* Port;
    const char* DirPath;
    const char* DocName;
    const char* Query;
    const char* Fragment;
};

void ExpectParts(const SplitCase& c) {
    const TIdURI uri(c.Url);
    SCOPED_TRACE(c.Url);
    EXPECT_EQ(uri.Scheme, c.Scheme);
    EXPECT_EQ(uri.UserPart, c.User);
    EXPECT_EQ(uri.PasswordPart, c.Password);
    EXPECT_EQ(uri.HostPart, c.Host);
    EXPECT_EQ(uri.PortPart, c.Port);
    EXPECT_EQ(uri.DirPath, c.DirPath);
    EXPECT_EQ(uri.DocName, c.DocName);
    EXPECT_EQ(uri.Query, c.Query);
    EXPECT_EQ(uri.Fragment, c.Fragment);
}

TEST(IdURITest, SplitsAbsoluteUrls) {
    const SplitCase cases[] = {
        {"http://s.taobao.com/search_auction.htm?cat=0&s=42&nick=x&commend=all#ListView", "http",
         "", "", "s.taobao.com", "", "/", "search_auction.htm", "?cat=0&s=42&nick=x&commend=all",
         "ListView"},
        {"http://host", "http", "", "", "host", "", "/", "", "", ""},
        {"HTTP://host:8080/a/b/c.htm", "HTTP", "", "", "host", "8080", "/a/b/", "c.htm", "", ""},
        {"http://u:p@host:81/x", "http", "u", "p", "host", "81", "/", "x", "", ""},
        {"http://:secret@host/", "http", "", "", "host", "", "/", "", "", ""},
        // A query right after the host stays in the host.
        {"http://host?a=1", "http", "", "", "host?a=1", "", "/", "", "", ""},
        // Without "?", the query starts at the first "=".
        {"http://host/a/b=c/d", "http", "", "", "host", "", "/a/", "b", "=c/d", ""},
        {"http://host/dir/doc#top", "http", "", "", "host", "", "/dir/", "doc", "", "top"},
        {"http://host/doc?q=1#frag", "http", "", "", "host", "", "/", "doc", "?q=1", "frag"},
        {"http:\\\\host\\dir\\doc?x=a\\b", "http", "", "", "host", "", "/dir/", "doc", "?x=a/b",
         ""},
    };
    for (const SplitCase& c : cases)
        ExpectParts(c);
}

TEST(IdURITest, SplitsRelativeUrls) {
    const SplitCase cases[] = {
        {"doc.htm", "", "", "", "", "", "", "doc.htm", "", ""},
        {"/abs/doc.htm?x=1", "", "", "", "", "", "/abs/", "doc.htm", "?x=1", ""},
        {"sub/doc", "", "", "", "", "", "sub/", "doc", "", ""},
        {"?only=query", "", "", "", "", "", "", "", "?only=query", ""},
        {"a/b#f?q", "", "", "", "", "", "a/", "b", "?q", "f"},
        {"../up/x?k=v#frag", "", "", "", "", "", "../up/", "x", "?k=v", "frag"},
    };
    for (const SplitCase& c : cases)
        ExpectParts(c);
}

TEST(IdURITest, GbkTrailBytesAreNeverDelimiters) {
    // GBK trail bytes include "@" and "\" (0x815C is one character); the scan
    // passes over whatever byte follows a lead byte.
    const std::string url = "http://host/\x81\x5C\xB0\x3F/\xC4\x40x\x81=?n=\xD0\x5C#\xB5\x23";
    const TIdURI uri(url);
    EXPECT_EQ(uri.UrlText, url); // trail backslashes are not turned
    EXPECT_EQ(uri.HostPart, "host");
    EXPECT_EQ(uri.DirPath, "/\x81\x5C\xB0\x3F/");
    EXPECT_EQ(uri.DocName, "\xC4\x40x\x81=");
    EXPECT_EQ(uri.Query, "?n=\xD0\x5C");
    EXPECT_EQ(uri.Fragment, "\xB5\x23");
    // A lead byte in the user part hides an "@" and a ":" behind it.
    const TIdURI user("http://\x81@\x81:@h/");
    EXPECT_EQ(user.UserPart, "\x81@\x81:");
    EXPECT_EQ(user.HostPart, "h");
}

TEST(IdURITest, RequestTargetRejoinsPathDocumentAndQuery) {
    EXPECT_EQ(TIdURI("http://host").RequestTarget(), "/");
    EXPECT_EQ(TIdURI("http://h/a/b=c/d").RequestTarget(), "/a/b=c/d");
    const std::string first = "http://s.taobao.com/search_auction.htm?cat=0&yp4p_page=3";
    const std::string later = "http://s.taobao.com/search_auction.htm?cat=0&yp4p_page=0#ListView";
    EXPECT_EQ(TIdURI(first).RequestTarget(), "/search_auction.htm?cat=0&yp4p_page=3");
    EXPECT_EQ(TIdURI(later).RequestTarget(), "/search_auction.htm?cat=0&yp4p_page=0");
}

TEST(IdURITest, ResolvePath) {
    struct Case {
        const char* Base;
        const char* Path;
        const char* Result;
    } const cases[] = {
        {"/dir/", "", "/dir/"},     {"/dir/", "sub/", "/dir/sub/"},   {"/dir/", "../", "/"},
        {"/dir/", "./", "/dir/./"}, {"/a/b/", "../", "/a/"},          {"/a/b/", "/x/", "/x/"},
        {"/dir/", "../../", "/"},   {"/a//b/", "c//d/", "/a/b/c/d/"}, {"/dir", "sub", "/dir/sub"},
        {"", "x/", "x/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePath(c.Base, c.Path), c.Result) << c.Base << " + " << c.Path;
}

class MergeUrlTest : public ::testing::Test {
protected:
    MergeUrlTest() { Current.PortPart = "80"; }
    void Merge(const char* url) { MergeUrl(Current, url, Username, Password); }

    TIdURI Current;
    std::string Username, Password;
};

TEST_F(MergeUrlTest, RelativeTargetsResolveAgainstThePreviousRequest) {
    Merge("http://host/dir/page.htm?a=1");
    EXPECT_EQ(Current.RequestTarget(), "/dir/page.htm?a=1");
    Merge("next.htm");
    EXPECT_EQ(Current.RequestTarget(), "/dir/next.htm");
    Merge("?only=1");
    EXPECT_EQ(Current.RequestTarget(), "/dir/?only=1");
    Merge("../up/x.htm#frag");
    EXPECT_EQ(Current.RequestTarget(), "/up/x.htm");
    EXPECT_EQ(Current.HostPart, "host");
    EXPECT_EQ(Current.Scheme, "http");
    EXPECT_EQ(Current.PortPart, "80");
}

TEST_F(MergeUrlTest, PortsFollowTheScheme) {
    Merge("https://secure/");
    EXPECT_EQ(Current.PortPart, "443");
    Merge("/back"); // relative always means http
    EXPECT_EQ(Current.Scheme, "http");
    EXPECT_EQ(Current.PortPart, "80");
    Merge("http://host:8080/");
    EXPECT_EQ(Current.PortPart, "8080");
    Merge("http://other/x"); // no port named: an unusual one stays
    EXPECT_EQ(Current.HostPart, "other");
    EXPECT_EQ(Current.PortPart, "8080");
    Merge("ftp://files:21/");
    EXPECT_EQ(Current.PortPart, "21");
}

TEST_F(MergeUrlTest, UnknownSchemeWithoutPort) {
    Merge("http://host/");
    EXPECT_THROW(Merge("ftp://files/"), EIdUnknownProtocol);
    try {
        Merge("gopher://g/");
    } catch (const EIdUnknownProtocol& e) {
        EXPECT_STREQ(e.what(), "");
    }
}

TEST_F(MergeUrlTest, CredentialsAreKeptOffTheTarget) {
    Merge("http://me:pw@host/x?y");
    EXPECT_EQ(Username, "me");
    EXPECT_EQ(Password, "pw");
    EXPECT_EQ(Current.UserPart, "me");
    EXPECT_EQ(Current.RequestTarget(), "/x?y");
    Merge("http://other/");
    EXPECT_EQ(Username, "me"); // not cleared by a URL without them
}

} // namespace
