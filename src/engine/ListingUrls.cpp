#include "ListingUrls.h"

namespace korvane {

std::string ListingUrl(std::string_view host, TPass pass, std::string_view encodedNick, int page) {
    const bool sales = pass == TPass::Sales;
    std::string url = "http://";
    url += host;
    if (page <= 1) {
        url += sales ? "/search_auction.htm?cat=0&as=1&sort=biz30day&nick="
                     : "/search_auction.htm?cat=0&sort=coefp&nick=";
        url += encodedNick;
        url += "&viewIndex=7&yp4p_page=3&commend=all";
        return url;
    }
    url += "/search_auction.htm?cat=0&s=";
    url += std::to_string(kItemsPerListingPage * (page - 1));
    url += sales ? "&as=1&sort=biz30day&nick=" : "&sort=coefp&nick=";
    url += encodedNick;
    url += "&viewIndex=7&yp4p_page=";
    url += std::to_string(page - 2);
    url += "&commend=all#ListView";
    return url;
}

} // namespace korvane
