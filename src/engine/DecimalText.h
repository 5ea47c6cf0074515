#pragma once

#include <optional>
#include <string_view>

namespace korvane {

// Reads a whole text as a decimal number: optional leading spaces, an
// optional sign, digits with at most one decimal point (a lone point reads as
// 0), an optional exponent ("E" or "e", an optional sign, digits) and optional
// trailing spaces. Anything else, the empty text included, is no number.
// Values beyond double's range become infinite or zero; the C locale's point
// is used whatever the process locale.
std::optional<double> TextToFloat(std::string_view text);

} // namespace korvane
