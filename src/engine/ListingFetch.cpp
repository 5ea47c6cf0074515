#include "ListingFetch.h"

#include "IdHTTP.h"

namespace korvane {

void FetchListingPage(const std::string& url, std::string& body) {
    FetchListingPageWithin(url, body, kListingReadTimeoutMs);
}

void FetchListingPageWithin(const std::string& url, std::string& body, int readTimeoutMs) {
    http::TIdHTTP client;
    client.ReadTimeout = readTimeoutMs;
    client.Request().CustomHeaders.Clear();
    client.Request().UserAgent = std::string(kListingUserAgent);
    client.HandleRedirects = true;
    client.GetPage(url, body);
}

} // namespace korvane
