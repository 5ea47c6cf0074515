#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The client settings of every listing page fetch.
inline constexpr int kListingReadTimeoutMs = 10000;
inline constexpr std::string_view kListingUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; Maxthon; .NET CLR 1.1.4322; .NET "
    "CLR 2.0.50727)";

// The crawl's page fetch: a new HTTP client for this page alone, GET of url
// with redirects followed, the body's raw bytes into body. Every failure is
// raised; after one inside the final body, body holds the bytes received.
void FetchListingPage(const std::string& url, std::string& body);
// The same with another read time-out, which also limits the connect.
void FetchListingPageWithin(const std::string& url, std::string& body, int readTimeoutMs);

} // namespace korvane
