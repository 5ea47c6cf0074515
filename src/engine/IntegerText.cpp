#include "IntegerText.h"

namespace korvane {

namespace {

int DigitValue(char ch, int base) {
    int v = -1;
    if (ch >= '0' && ch <= '9')
        v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
        v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
        v = ch - 'A' + 10;
    return v < base ? v : -1;
}

} // namespace

std::optional<std::int32_t> TextToInt32(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt; // no digits
    // The magnitude may reach 2^31 only for a negative value.
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0)
            return std::nullopt;
        value = value * base + d;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace korvane
