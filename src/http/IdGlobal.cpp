#include "IdGlobal.h"

#include "IdException.h"

#include <cstdint>

namespace korvane::http {

namespace {

bool IsBlank(char ch) {
    return static_cast<unsigned char>(ch) <= ' ';
}

int DigitValue(char ch, int base) {
    const int v = HexDigitValue(ch);
    return v < base ? v : -1;
}

std::optional<std::int32_t> ReadInt32(std::string_view text, bool allowHex) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (allowHex) {
        if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
            base = 16;
            ++i;
        } else if (i + 1 < text.size() && text[i] == '0' &&
                   (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            base = 16;
            i += 2;
        }
    }
    if (i == text.size())
        return std::nullopt;
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

} // namespace

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> HexToInt32(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char ch : text) {
        const int d = HexDigitValue(ch);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + d;
        if (value > INT32_MAX)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::size_t MbcsFind(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty())
        return std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i >= from && text.compare(i, needle.size(), needle) == 0)
            return i;
        if (IsGbkLeadByte(text[i]))
            ++i; // the trail byte is part of the same character
    }
    return std::string_view::npos;
}

std::size_t MbcsFindLast(std::string_view text, char ch, std::size_t end) {
    std::size_t found = std::string_view::npos;
    const std::size_t stop = std::min(end, text.size());
    for (std::size_t i = 0; i < stop; ++i) {
        if (text[i] == ch)
            found = i;
        else if (IsGbkLeadByte(text[i]))
            ++i;
    }
    return found;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view TrimLeft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    return text.substr(0, n);
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

std::optional<std::int32_t> DecimalToInt32(std::string_view text) {
    return ReadInt32(text, false);
}

std::int32_t StrToInt(std::string_view text) {
    const auto value = DecimalToInt32(text);
    if (!value)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return *value;
}

std::optional<std::int32_t> NumberToInt32(std::string_view text) {
    return ReadInt32(text, true);
}

} // namespace korvane::http
