#include "ListingFetch.h"

#include "IdHTTP.h"

namespace korvane {

void FetchListingPage(const std::string& url, std::string& body) {
    FetchPageWithin(url, body, TFetchLimits{});
}

void FetchPageWithin(const std::string& url, std::string& body, TFetchLimits limits) {
    http::TIdHTTP client;
    client.ReadTimeout = limits.ReadTimeoutMs;
    client.AnswerTimeout = limits.AnswerTimeoutMs;
    client.Request().CustomHeaders.Clear();
    client.Request().UserAgent = std::string(kListingUserAgent);
    client.HandleRedirects = true;
    client.GetPage(url, body);
}

} // namespace korvane
