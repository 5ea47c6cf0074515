#include "ListingFetch.h"

#include "IdHTTP.h"

namespace korvane {

void FetchListingPage(const std::string& url, std::string& body) {
    http::TIdHTTP client;
    client.ReadTimeout = kListingReadTimeoutMs;
    client.Request().CustomHeaders.Clear();
    client.Request().UserAgent = std::string(kListingUserAgent);
    client.HandleRedirects = true;
    client.GetPage(url, body);
}

} // namespace korvane
