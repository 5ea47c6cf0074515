#include "DecimalText.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace korvane {

namespace {

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Clamp for the exponent while reading it: far past any double's range, far
// short of overflowing the sums below.
constexpr std::int64_t kExponentClamp = 1'000'000'000;

} // namespace

std::optional<double> TextToFloat(std::string_view text) {
    std::size_t at = 0;
    const std::size_t end = text.size();
    while (at < end && text[at] == ' ')
        ++at;
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';

    const std::size_t numberStart = at;
    std::int64_t digits = 0;
    std::int64_t integerDigits = 0;
    std::int64_t firstNonZero = -1; // index among the digits
    bool point = false;
    for (; at < end; ++at) {
        const char ch = text[at];
        if (IsDigit(ch)) {
            if (ch != '0' && firstNonZero < 0)
                firstNonZero = digits;
            ++digits;
            if (!point)
                ++integerDigits;
        } else if (ch == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 && !point)
        return std::nullopt;

    std::int64_t exponent = 0;
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool exponentNegative = false;
        if (at < end && (text[at] == '+' || text[at] == '-'))
            exponentNegative = text[at++] == '-';
        const std::size_t exponentDigits = at;
        for (; at < end && IsDigit(text[at]); ++at)
            if (exponent < kExponentClamp)
                exponent = exponent * 10 + (text[at] - '0');
        if (at == exponentDigits)
            return std::nullopt;
        if (exponentNegative)
            exponent = -exponent;
    }
    const std::size_t numberEnd = at;
    while (at < end && text[at] == ' ')
        ++at;
    if (at != end)
        return std::nullopt;

    double value = 0.0;
    if (digits > 0) {
        const char* first = text.data() + numberStart;
        const char* last = text.data() + numberEnd;
        const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
        if (ec == std::errc::result_out_of_range) {
            // Far beyond the range either way: 123.4 has magnitude 3, 0.05 has -1.
            const std::int64_t magnitude = integerDigits - firstNonZero + exponent;
            value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        } else if (ec != std::errc{} || ptr != last) {
            return std::nullopt;
        }
    }
    return negative ? -value : value;
}

} // namespace korvane
