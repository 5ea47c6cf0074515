#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// GBK bytes to and from UTF-8, read as Windows reads code page 936, for the
// window that shows the engine's texts and for the nick it is given. The
// engine itself never converts. iconv on POSIX, with the codes only code
// page 936 has (TCp936PrivateUse), and the system's code page 936 on Windows
// (GbkConversionIconv.cpp, GbkConversionWindows.cpp): both programs show,
// copy and send the same.
class TGbkConversion {
public:
    // A byte that does not start a GBK character becomes U+FFFD, and the
    // next byte is read afresh: a bad pair never takes a character with it.
    static std::string ToUtf8(std::string_view gbk);
    // A character GBK lacks, or a malformed UTF-8 sequence, becomes "?".
    static std::string FromUtf8(std::string_view utf8) { return *Encode(utf8, false); }
    // As FromUtf8, but nothing when any character lacks a GBK form.
    static std::optional<std::string> FromUtf8Exactly(std::string_view utf8) {
        return Encode(utf8, true);
    }

private:
    static std::optional<std::string> Encode(std::string_view utf8, bool exactly);
};

} // namespace korvane
