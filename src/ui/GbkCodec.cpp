#include "GbkCodec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace korvane {

namespace {

// One iconv conversion; on a sequence it cannot convert it writes
// replacement and skips skipBytes(rest) input bytes.
template <typename SkipFn>
std::string Convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, SkipFn skipBytes) {
    std::string out;
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (::iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) { // cannot happen with the size above; stop rather than loop
            break;
        }
        // EILSEQ or EINVAL (a sequence cut short at the end): replace and go on.
        if (dstLeft < replacement.size())
            break;
        for (char ch : replacement)
            *dst++ = ch;
        dstLeft -= replacement.size();
        const std::size_t skip = std::min(srcLeft, skipBytes(std::string_view(src, srcLeft)));
        src += skip;
        srcLeft -= skip;
    }
    ::iconv_close(cd);
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

QString FromGbk(std::string_view gbk) {
    const std::string utf8 = Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD",
                                     [](std::string_view) { return std::size_t{1}; });
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToGbk(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Convert("GBK", "UTF-8", std::string_view(utf8.constData(), utf8.size()), "?",
                   Utf8Length);
}

} // namespace korvane
