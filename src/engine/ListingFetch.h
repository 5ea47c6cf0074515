#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The client settings of every listing page fetch.
inline constexpr int kListingReadTimeoutMs = 10000;
// A listing page is tens of kilobytes: one that has not arrived whole by
// then is a page lost, not a slow one, even when no single wait ran out.
// Two such pages end a marketplace that sends nothing else well inside a
// minute.
inline constexpr int kListingAnswerTimeoutMs = 25000;
inline constexpr std::string_view kListingUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; Maxthon; .NET CLR 1.1.4322; .NET "
    "CLR 2.0.50727)";

// How long a fetch may wait: each wait for data (which also limits the
// connect), and the whole answer (0: no limit).
struct TFetchLimits {
    int ReadTimeoutMs = kListingReadTimeoutMs;
    int AnswerTimeoutMs = kListingAnswerTimeoutMs;
};

// The crawl's page fetch: a new HTTP client for this page alone, GET of url
// with redirects followed, the body's raw bytes into body. Every failure is
// raised; after one inside the final body, body holds the bytes received.
void FetchListingPage(const std::string& url, std::string& body);
// The same with other limits.
void FetchPageWithin(const std::string& url, std::string& body, TFetchLimits limits);

} // namespace korvane
