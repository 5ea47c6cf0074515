#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

// Reads a whole text as a signed 32-bit integer: optional leading spaces, an
// optional sign, then decimal digits or hex digits behind "$", "x" or "0x".
// Anything else (a trailing space, a thousands separator, an overflow) fails.
std::optional<std::int32_t> TextToInt32(std::string_view text);

} // namespace korvane
