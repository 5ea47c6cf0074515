#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::bench {

// The yardstick the client is measured against: the same exchange written
// straight on the socket calls. A new connection, one send of the request
// head, the response head read up to its blank line, then exactly the
// counted body. Throws std::runtime_error on any failure.
std::string DirectSocketGet(std::uint16_t port, std::string_view requestHead);

} // namespace korvane::bench
