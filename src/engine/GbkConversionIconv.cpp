#include "GbkConversion.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace korvane {

namespace {

// One iconv conversion; on a sequence it cannot convert it writes
// replacement and skips skipBytes(rest) input bytes, or with no replacement
// gives up.
template <typename SkipFn>
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in,
                                   std::optional<std::string_view> replacement, SkipFn skipBytes) {
    std::string out;
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    bool failed = false;
    while (srcLeft > 0) {
        if (::iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) // cannot happen with the size above; stop rather than loop
            break;
        // EILSEQ or EINVAL (a sequence cut short at the end): replace and go on.
        if (!replacement) {
            failed = true;
            break;
        }
        if (dstLeft < replacement->size())
            break;
        for (char ch : *replacement)
            *dst++ = ch;
        dstLeft -= replacement->size();
        const std::size_t skip = std::min(srcLeft, skipBytes(std::string_view(src, srcLeft)));
        src += skip;
        srcLeft -= skip;
    }
    ::iconv_close(cd);
    if (failed)
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

std::size_t Utf8Length(std::string_view rest) {
    const auto lead = static_cast<unsigned char>(rest.front());
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

std::string TGbkConversion::ToUtf8(std::string_view gbk) {
    return *Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD",
                    [](std::string_view) { return std::size_t{1}; });
}

std::optional<std::string> TGbkConversion::Encode(std::string_view utf8, bool exactly) {
    return Convert("GBK", "UTF-8", utf8,
                   exactly ? std::nullopt : std::optional<std::string_view>("?"), Utf8Length);
}

} // namespace korvane
