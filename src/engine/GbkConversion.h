#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// GBK (code page 936) bytes to and from UTF-8, for the window that shows the
// engine's texts and for the nick it is given. The engine itself never
// converts. iconv on POSIX, the system's code page 936 on Windows
// (GbkConversionIconv.cpp, GbkConversionWindows.cpp), with the same results.
class TGbkConversion {
public:
    // A byte that does not start a GBK character becomes U+FFFD, and the
    // next byte is read afresh.
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
