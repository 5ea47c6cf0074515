#include "IdCookieManager.h"
#include "IdException.h"
#include "IdHTTPHeaderInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvane::http;

namespace {

constexpr std::int64_t kRfcExample = 784111777; // 1994-11-06 08:49:37 UTC

TEST(ParseHttpDateTest, ReadsTheThreeFormsAndZones) {
    struct Case {
        const char* Text;
        std::int64_t Seconds;
    } const cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", kRfcExample},
        {"Sunday, 06-Nov-94 08:49:37 GMT", kRfcExample},
        {"Sun Nov  6 08:49:37 1994", kRfcExample},
        {"  sun, 06 nov 1994 08:49:37 gmt  ", kRfcExample},
        {"Sun, 06 Nov 1994 09:49:37 +0100", kRfcExample},
        {"Sun, 06 Nov 1994 03:19:37 -0530", kRfcExample},
        {"Sun, 06 Nov 1994 08:49:37 PST", kRfcExample}, // named zones count as UTC
        {"Thu, 01-Jan-1970 00:00:00 GMT", 0},
        {"Thu, 01-Jan-70 00:00:00 GMT", 3155760000}, // two digits below 80: 20xx
        {"Sat, 01-Jan-05 00:00:00 GMT", 1104537600},
        {"06 Nov 1994", kRfcExample - (8 * 3600 + 49 * 60 + 37)},
    };
    for (const Case& c : cases) {
        const auto seconds = ParseHttpDate(c.Text);
        ASSERT_TRUE(seconds.has_value()) << c.Text;
        EXPECT_EQ(*seconds, c.Seconds) << c.Text;
    }
}

// Dates go out in the first form, in English whatever the platform, and read back.
TEST(ParseHttpDateTest, RequestDatesAreWrittenInTheFirstForm) {
    struct Case {
        std::int64_t Seconds;
        const char* Text;
    } const cases[] = {
        {kRfcExample, "Sun, 06 Nov 1994 08:49:37 GMT"},
        {951782400, "Tue, 29 Feb 2000 00:00:00 GMT"},  // a leap day
        {4102444799, "Thu, 31 Dec 2099 23:59:59 GMT"}, // past 2038
    };
    for (const Case& c : cases) {
        TIdRequestHeaderInfo request;
        request.LastModified = c.Seconds;
        request.Date = c.Seconds;
        request.WriteHeaderLines();
        EXPECT_EQ(request.HeaderLines.HeaderValue("If-Modified-Since"), c.Text);
        EXPECT_EQ(request.HeaderLines.HeaderValue("Date"), c.Text);
        EXPECT_EQ(ParseHttpDate(c.Text), c.Seconds);
    }
}

TEST(ParseHttpDateTest, JunkIsUnreadable) {
    for (const char* text :
         {"", "garbage", "Sun, 31 Feb 2020 00:00:00 GMT", "Sun, 06 Xyz 1994 08:49:37 GMT",
          "Sun, 06 Nov 1994 25:00:00 GMT", "Sun, 06 Nov xx 08:49:37 GMT"})
        EXPECT_FALSE(ParseHttpDate(text).has_value()) << text;
}

TEST(IdCookieTest, ParsesNameValueAndAttributes) {
    TIdCookieRFC2109 cookie;
    cookie.ParseCookieText("sid=a=b; Path=\"/x/\"; DOMAIN=.shop.com; secure; Max-Age=60; "
                           "version=1; path=/ignored; comment=c");
    EXPECT_EQ(cookie.Name, "sid");
    EXPECT_EQ(cookie.Value, "a=b");
    EXPECT_EQ(cookie.PathAttr, "/x/"); // the first of two counts, quotes removed
    EXPECT_EQ(cookie.DomainAttr, ".shop.com");
    EXPECT_TRUE(cookie.SecureFlag);
    EXPECT_EQ(cookie.MaxAgeSeconds, 60);
    EXPECT_EQ(cookie.VersionText, "1");
    EXPECT_EQ(cookie.CommentText, "c");
    ASSERT_TRUE(cookie.ExpiresAt.has_value());

    TIdCookieRFC2109 odd;
    odd.ParseCookieText("n=v; path = /x/; secure=1; expires=junk");
    EXPECT_EQ(odd.PathAttr, "");  // the blank stays part of the name
    EXPECT_FALSE(odd.SecureFlag); // with "=" it is no flag
    ASSERT_TRUE(odd.ExpiresAt.has_value());
    EXPECT_TRUE(odd.IsExpired(0)); // unreadable counts as long expired

    TIdCookieRFC2109 plain;
    plain.ParseCookieText("n=v");
    EXPECT_FALSE(plain.ExpiresAt.has_value()); // lives as long as the store
}

TEST(IdCookieTest, SetCookie2PortList) {
    TIdCookieRFC2965 cookie;
    cookie.ParseCookieText("n=v; Port=\"80, 8080\"; Discard; CommentURL=u");
    EXPECT_EQ(cookie.Ports, (std::vector<std::int32_t>{80, 8080}));
    EXPECT_TRUE(cookie.DiscardFlag);
    EXPECT_EQ(cookie.CommentUrlText, "u");
    TIdCookieRFC2965 absent;
    absent.ParseCookieText("n=v");
    EXPECT_EQ(absent.Ports, (std::vector<std::int32_t>{80}));
    TIdCookieRFC2965 bad;
    EXPECT_THROW(bad.ParseCookieText("n=v; Port=\"80,x\""), EConvertError);
}

TEST(IdCookieTest, DomainsAServerMaySet) {
    struct Case {
        const char* Host;
        const char* Domain;
        bool Valid;
    } const cases[] = {
        {"www.shop.com", "www.shop.com", true}, {"www.shop.com", ".shop.com", true},
        {"www.shop.com", "shop.com", false},    {"www.shop.com", ".com", false},
        {"www.shop.com", ".SHOP.COM", false},   {"www.shop.com", "other.com", false},
        {"127.0.0.1", "127.0.0.1", true},       {"127.0.0.1", ".0.0.1", false},
        {"localhost", "localhost", true},
    };
    for (const Case& c : cases) {
        TIdCookieRFC2109 cookie;
        cookie.DomainAttr = c.Domain;
        EXPECT_EQ(cookie.IsValidFor(c.Host), c.Valid) << c.Host << " / " << c.Domain;
    }
}

class CookieManagerTest : public ::testing::Test {
protected:
    std::string For(const char* url) { return Manager.CookieHeaderFor(TIdURI(url)); }
    TIdCookieManager Manager;
};

TEST_F(CookieManagerTest, ReplacementKeepsItsPlace) {
    Manager.AddCookie("a=1", "h.com");
    Manager.AddCookie("b=2", "h.com");
    Manager.AddCookie("A=3", "h.com");
    EXPECT_EQ(Manager.CookieCollection().Count(), 2u);
    // Last stored first; the replaced cookie still stands where "a" stood.
    EXPECT_EQ(For("http://h.com/"), "b=2; A=3");
}

TEST_F(CookieManagerTest, InvalidDomainIsDiscardedAndTheStoreUntouched) {
    Manager.AddCookie("a=1", "www.h.com");
    Manager.AddCookie("a=2; domain=h.com", "www.h.com");
    EXPECT_EQ(For("http://www.h.com/"), "a=1");
}

TEST_F(CookieManagerTest, SecureAndEmptyCookiesAreStoredButNeverSent) {
    Manager.AddCookie("s=1; secure", "h.com");
    Manager.AddCookie("e=", "h.com");
    Manager.AddCookie("v=1", "h.com");
    EXPECT_EQ(Manager.CookieCollection().Count(), 3u);
    EXPECT_EQ(For("http://h.com/"), "v=1");
}

TEST_F(CookieManagerTest, PathIsAPrefixOfTheDirectoryAndLongerPathsComeFirst) {
    Manager.AddCookie("x=1; path=/x/", "h.com");
    Manager.AddCookie("root=1; path=/", "h.com");
    Manager.AddCookie("any=1", "h.com");
    Manager.AddCookie("a=1; path=/A/", "h.com");
    EXPECT_EQ(For("http://h.com/doc.htm"), "root=1; any=1");
    EXPECT_EQ(For("http://h.com/x/doc.htm"), "x=1; root=1; any=1");
    EXPECT_EQ(For("http://h.com/a/"), "root=1; any=1"); // paths compare byte for byte
    EXPECT_EQ(For("http://h.com/A/b/c"), "a=1; root=1; any=1");
}

TEST_F(CookieManagerTest, ExpiredAndMaxAgeZeroAreDropped) {
    Manager.AddCookie("old=1; expires=Thu, 01-Jan-1970 00:00:01 GMT", "h.com");
    Manager.AddCookie("zero=1; max-age=0", "h.com");
    Manager.AddCookie("later=1; expires=Fri, 01 Jan 2100 00:00:00 GMT", "h.com");
    Manager.AddCookie("hour=1; max-age=3600", "h.com");
    EXPECT_EQ(For("http://h.com/"), "hour=1; later=1");
    EXPECT_EQ(Manager.CookieCollection().Count(), 2u);
    // Set again with a past date, a cookie is deleted.
    Manager.AddCookie("later=2; expires=Thu, 01 Jan 1970 00:00:00 GMT", "h.com");
    EXPECT_EQ(For("http://h.com/"), "hour=1");
}

TEST_F(CookieManagerTest, CookiesGoOnlyToTheirDomainAndWhatLiesInside) {
    Manager.AddCookie("dot=1; domain=.b.com", "a.b.com");
    Manager.AddCookie("host=1", "shop.com");
    EXPECT_EQ(For("http://a.b.com/"), "dot=1");
    EXPECT_EQ(For("http://B.com/"), "dot=1");
    EXPECT_EQ(For("http://x.y.b.com/"), "dot=1");
    EXPECT_EQ(For("http://shop.com/"), "host=1");
    // Names that merely contain the domain text get nothing.
    EXPECT_EQ(For("http://x.b.com.evil.net/"), "");
    EXPECT_EQ(For("http://evilb.com/"), "");
    EXPECT_EQ(For("http://myshop.com/"), "");
    EXPECT_EQ(For("http://www.shop.com/"), "");
}

TEST_F(CookieManagerTest, NewCookieHookMayRefuse) {
    Manager.OnNewCookie = [](TIdCookieManager&, TIdCookieRFC2109& cookie, bool& accept) {
        accept = cookie.Name != "no";
    };
    Manager.AddCookie("no=1", "h.com");
    Manager.AddCookie("yes=1", "h.com");
    EXPECT_EQ(For("http://h.com/"), "yes=1");
}

TEST_F(CookieManagerTest, ReplacementFindsItsCookieAfterOthersWereDropped) {
    Manager.AddCookie("gone=1; max-age=0", "h.com");
    Manager.AddCookie("a=1", "h.com");
    Manager.AddCookie("b=1", "h.com");
    EXPECT_EQ(For("http://h.com/"), "b=1; a=1"); // "gone" is dropped here
    Manager.AddCookie("B=2", "h.com");
    Manager.AddCookie("a=3", "h.com");
    EXPECT_EQ(Manager.CookieCollection().Count(), 2u);
    EXPECT_EQ(For("http://h.com/"), "B=2; a=3");
}

TEST_F(CookieManagerTest, StoreIsBounded) {
    const std::size_t bound = TIdCookies::kMaxCookies;
    for (std::size_t i = 0; i <= bound; ++i)
        Manager.AddCookie("c" + std::to_string(i) + "=1", "h.com");
    Manager.AddCookie("other=1", "www.h.com");
    EXPECT_EQ(Manager.CookieCollection().Count(), bound);
    // A stored cookie can still be replaced.
    Manager.AddCookie("C0=2", "h.com");
    const auto& entries = Manager.CookieCollection().Domains().front().Cookies.Entries();
    ASSERT_EQ(entries.size(), bound);
    EXPECT_EQ(entries.front().Cookie->Name, "C0");
    EXPECT_EQ(entries.front().Cookie->Value, "2");
    EXPECT_EQ(entries.back().Cookie->Name, "c" + std::to_string(bound - 1));
    // Newest first, as many as the line holds.
    const std::string value = For("http://h.com/");
    EXPECT_EQ(value.substr(0, value.find(';')), "c" + std::to_string(bound - 1) + "=1");
    EXPECT_LE(value.size() + 10, kMaxCookieLineBytes);
}

TEST_F(CookieManagerTest, CookieCarryingAControlByteIsIgnored) {
    const std::string refused[] = {"a=1\rX-Injected: 1", "a=1\n", std::string("a=1\0x", 5),
                                   "a=1; path=/\x1b", "a=\x7f"};
    for (const std::string& text : refused)
        Manager.AddCookie(text, "h.com");
    Manager.AddCookie("tab=1\t2", "h.com"); // a tab splits no line
    EXPECT_EQ(For("http://h.com/"), "tab=1\t2");
}

TEST_F(CookieManagerTest, LineIsBoundedAndCookiesPastTheBoundAreLeftOut) {
    // "Cookie: " and CR LF take 10 bytes of the line; a pair is "cN=" and its value.
    constexpr std::size_t kValueRoom = kMaxCookieLineBytes - 10;
    const auto pairOf = [](std::size_t pairBytes) { return pairBytes - 3; };
    struct Case {
        const char* Name;
        std::vector<std::size_t> PairBytes; // in the order they are sent
        std::vector<int> Sent;              // their indexes
    };
    const Case cases[] = {
        {"fills the line exactly", {4000, kValueRoom - 4000 - 2}, {0, 1}},
        {"one byte past the line", {4000, kValueRoom - 4000 - 1}, {0}},
        {"a later, shorter cookie still goes", {4000, kValueRoom - 4000 - 1, 4, 5}, {0, 2, 3}},
        {"one cookie longer than the line", {kValueRoom + 1}, {}},
        {"the first left out, the rest go", {kValueRoom + 1, 10, 20}, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TIdCookieManager manager;
        std::vector<std::string> pairs;
        for (std::size_t i = 0; i < c.PairBytes.size(); ++i)
            pairs.push_back("c" + std::to_string(i) + "=" +
                            std::string(pairOf(c.PairBytes[i]), 'v'));
        // Cookies of one path are sent last stored first.
        for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
            manager.AddCookie(*it, "h.com");
        std::string expected;
        for (int i : c.Sent)
            expected += (expected.empty() ? "" : "; ") + pairs[static_cast<std::size_t>(i)];
        const std::string value = manager.CookieHeaderFor(TIdURI("http://h.com/"));
        EXPECT_EQ(value, expected);
        EXPECT_LE(value.size(), kValueRoom);
    }
}

} // namespace
