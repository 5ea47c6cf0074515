#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small text helpers shared by the HTTP client units. All texts are byte
// strings (GBK); case folding touches ASCII letters only.
namespace korvane::http {

// Lead bytes of a double-byte GBK character; the byte after one is never
// taken for a delimiter.
inline bool IsGbkLeadByte(char ch) {
    const auto b = static_cast<unsigned char>(ch);
    return b >= 0x81 && b <= 0xFE;
}

// A byte that could end or split a line of a request head on the far side:
// a control character other than HTAB.
inline bool IsControlByte(char ch) {
    const auto b = static_cast<unsigned char>(ch);
    return (b < 0x20 && b != '\t') || b == 0x7F;
}

// First occurrence of needle (whose first byte is ASCII) at a character
// boundary at or after from; npos when none.
std::size_t MbcsFind(std::string_view text, std::string_view needle, std::size_t from = 0);
// Last occurrence of ch at a character boundary before end; npos when none.
std::size_t MbcsFindLast(std::string_view text, char ch, std::size_t end = std::string_view::npos);

std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Trims blanks and control characters, like the client's header reading.
std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);

// Optional leading blanks, an optional sign, decimal digits; 32-bit range.
std::optional<std::int32_t> DecimalToInt32(std::string_view text);
// As DecimalToInt32, but raises EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
// Also accepts hexadecimal digits behind "$", "x", "X" or "0x" (address parts).
std::optional<std::int32_t> NumberToInt32(std::string_view text);
// The value of a hexadecimal digit, either case; -1 for any other byte.
int HexDigitValue(char ch);
// Hexadecimal digits only, no sign or prefix, within the 32-bit range (a
// chunk's size).
std::optional<std::int32_t> HexToInt32(std::string_view text);

} // namespace korvane::http
