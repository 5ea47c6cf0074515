#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane::bench {

// The size of a listing page, as the marketplace sends it.
inline constexpr std::size_t kPageBytes = 300 * 1024;

// One loopback server for the whole program: reads each connection's request
// head and answers with a 300 KB page of counted length.
std::uint16_t PageServerPort();

// The head of a listing request as the crawler sends it.
const std::string& ListingRequestHead();

} // namespace korvane::bench
