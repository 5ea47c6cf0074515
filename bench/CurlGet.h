#pragma once

#include <string>

namespace korvane::bench {

// The peer the client is measured against: a GET with libcurl, a new easy
// handle per fetch (so a new connection), the body appended to a string.
// Throws std::runtime_error on any failure.
std::string CurlGet(const std::string& url, const std::string& userAgent);

} // namespace korvane::bench
