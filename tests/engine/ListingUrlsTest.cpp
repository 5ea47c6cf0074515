#include "ListingUrls.h"

#include "GbkText.h"
#include "MyUtils.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct UrlCase {
    TPass pass;
    int page;
    std::string pathAndQuery; // with NICK standing for the encoded nick
};

std::string WithNick(std::string text, const std::string& nick) {
    return text.replace(text.find("NICK"), 4, nick);
}

TEST(ListingUrl, PagesOfBothPasses) {
    const std::vector<UrlCase> cases = {
        {TPass::Sales, 1,
         "/search_auction.htm?cat=0&as=1&sort=biz30day&nick=NICK&viewIndex=7&yp4p_page=3&commend="
         "all"},
        {TPass::Sales, 2,
         "/search_auction.htm?cat=0&s=42&as=1&sort=biz30day&nick=NICK&viewIndex=7&yp4p_page=0&"
         "commend=all#ListView"},
        {TPass::Sales, 3,
         "/search_auction.htm?cat=0&s=84&as=1&sort=biz30day&nick=NICK&viewIndex=7&yp4p_page=1&"
         "commend=all#ListView"},
        {TPass::Sales, 10,
         "/search_auction.htm?cat=0&s=378&as=1&sort=biz30day&nick=NICK&viewIndex=7&yp4p_page=8&"
         "commend=all#ListView"},
        {TPass::Default, 1,
         "/search_auction.htm?cat=0&sort=coefp&nick=NICK&viewIndex=7&yp4p_page=3&commend=all"},
        {TPass::Default, 2,
         "/search_auction.htm?cat=0&s=42&sort=coefp&nick=NICK&viewIndex=7&yp4p_page=0&commend=all#"
         "ListView"},
        {TPass::Default, 3,
         "/search_auction.htm?cat=0&s=84&sort=coefp&nick=NICK&viewIndex=7&yp4p_page=1&commend=all#"
         "ListView"},
        {TPass::Default, 10,
         "/search_auction.htm?cat=0&s=378&sort=coefp&nick=NICK&viewIndex=7&yp4p_page=8&commend="
         "all#ListView"},
    };
    const std::string gbkNick = Method::EncodeText(test::Gbk("小店 a-1"));
    ASSERT_EQ(gbkNick, "%D0%A1%B5%EA%20a%2D1");
    for (const std::string& nick : {std::string{}, gbkNick}) {
        for (const UrlCase& c : cases) {
            SCOPED_TRACE(c.pathAndQuery);
            EXPECT_EQ(ListingUrl(kMarketplaceSearchHost, c.pass, nick, c.page),
                      "http://s.taobao.com" + WithNick(c.pathAndQuery, nick));
        }
    }
}

TEST(ListingUrl, EmptyNickLeavesEmptyValue) {
    EXPECT_NE(
        ListingUrl("127.0.0.1:8080", TPass::Default, "", 1)
            .find("http://127.0.0.1:8080/search_auction.htm?cat=0&sort=coefp&nick=&viewIndex=7"),
        std::string::npos);
}

} // namespace
