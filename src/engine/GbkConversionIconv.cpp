#include "GbkConversion.h"

#include "Cp936PrivateUse.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <utility>

namespace korvane {

namespace {

// What stands for a sequence iconv cannot convert, and how many input bytes
// it takes; nothing gives the conversion up.
using TStandIn = std::optional<std::pair<std::string, std::size_t>>;

// One iconv conversion; a sequence it cannot convert is handed to standIn
// with the rest of the input.
template <typename StandInFn>
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in,
                                   StandInFn standIn) {
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
        // EILSEQ or EINVAL (a sequence cut short at the end).
        const TStandIn stand = standIn(std::string_view(src, srcLeft));
        if (!stand) {
            failed = true;
            break;
        }
        if (dstLeft < stand->first.size())
            break;
        dst = std::copy(stand->first.begin(), stand->first.end(), dst);
        dstLeft -= stand->first.size();
        const std::size_t skip = std::min(srcLeft, stand->second);
        src += skip;
        srcLeft -= skip;
    }
    ::iconv_close(cd);
    if (failed)
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

// The UTF-8 form of a private-use character (three bytes, as all are).
std::string Utf8Of(char32_t c) {
    return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
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

// The three-byte UTF-8 character at the front of rest, if it is one; the
// private-use characters code page 936 has are all of that length.
std::optional<char32_t> ThreeByteCharacter(std::string_view rest) {
    if (rest.size() < 3 || Utf8Length(rest) != 3)
        return std::nullopt;
    char32_t c = static_cast<unsigned char>(rest[0]) & 0x0F;
    for (std::size_t i = 1; i < 3; ++i) {
        const auto b = static_cast<unsigned char>(rest[i]);
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (b & 0x3F);
    }
    return c;
}

} // namespace

std::string TGbkConversion::ToUtf8(std::string_view gbk) {
    return *Convert("UTF-8", "GBK", gbk, [](std::string_view rest) -> TStandIn {
        // A code iconv's GBK lacks may still be one of code page 936's; a
        // byte that starts none is replaced alone, and what follows it is
        // read afresh, so it never takes a character with it.
        if (rest.size() >= 2)
            if (const auto c = TCp936PrivateUse::Decode(static_cast<unsigned char>(rest[0]),
                                                        static_cast<unsigned char>(rest[1])))
                return std::pair{Utf8Of(*c), std::size_t{2}};
        return std::pair{std::string("\xEF\xBF\xBD"), std::size_t{1}};
    });
}

std::optional<std::string> TGbkConversion::Encode(std::string_view utf8, bool exactly) {
    return Convert("GBK", "UTF-8", utf8, [exactly](std::string_view rest) -> TStandIn {
        if (const auto c = ThreeByteCharacter(rest))
            if (auto code = TCp936PrivateUse::Encode(*c))
                return std::pair{std::move(*code), std::size_t{3}};
        if (exactly)
            return std::nullopt;
        return std::pair{std::string("?"), Utf8Length(rest)};
    });
}

} // namespace korvane
