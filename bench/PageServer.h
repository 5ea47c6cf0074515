#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane::bench {

// The size of a listing page, as the marketplace sends it.
inline constexpr std::size_t kPageBytes = 300 * 1024;
// A large download, where the body's reading outweighs the connect.
inline constexpr std::size_t kLargePageBytes = 5 * 1024 * 1024;

// One loopback server per body size for the whole program: reads each
// connection's request head and answers with a page of bodyBytes bytes of
// counted length, then closes.
std::uint16_t PageServerPort(std::size_t bodyBytes = kPageBytes);

// The head of a listing request as the crawler sends it.
const std::string& ListingRequestHead();

} // namespace korvane::bench
