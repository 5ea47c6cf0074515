#include "GbkConversion.h"

#include "IdGlobal.h"

#include <windows.h>

#include <algorithm>

namespace korvane {

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 to UTF-8; a lone surrogate (which code page 936 never gives) as U+FFFD.
void AppendUtf16(std::string& out, const wchar_t* units, int count) {
    for (int i = 0; i < count; ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
        }
    }
}

// Bytes in code page 936 to UTF-16; 0 when they are not one whole text.
int Widen(const char* bytes, int count, std::wstring& out) {
    out.resize(static_cast<std::size_t>(count) * 2);
    return ::MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes, count, out.data(),
                                 static_cast<int>(out.size()));
}

// The UTF-8 sequence at the front of rest: its code point and length, or
// false for a malformed one (then length is what iconv would skip).
bool NextCodePoint(std::string_view rest, char32_t& c, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(rest.front());
    char32_t least = 0;
    if (lead < 0x80) {
        c = lead, length = 1;
        return true;
    }
    if (lead >= 0xF0)
        c = lead & 0x07, length = 4, least = 0x10000;
    else if (lead >= 0xE0)
        c = lead & 0x0F, length = 3, least = 0x800;
    else if (lead >= 0xC0)
        c = lead & 0x1F, length = 2, least = 0x80;
    else {
        length = 1; // a continuation byte without its lead
        return false;
    }
    if (lead > 0xF4 || rest.size() < length) {
        length = std::min(length, rest.size());
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(rest[i]);
        if ((b & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (b & 0x3F);
    }
    return c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000);
}

} // namespace

std::string TGbkConversion::ToUtf8(std::string_view gbk) {
    std::string out;
    if (gbk.empty())
        return out;
    std::wstring wide;
    const int whole = Widen(gbk.data(), static_cast<int>(gbk.size()), wide);
    if (whole > 0) {
        AppendUtf16(out, wide.data(), whole);
        return out;
    }
    // Something in it is not GBK: character by character, as iconv reads it.
    for (std::size_t i = 0; i < gbk.size();) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const bool lead = http::IsGbkLeadByte(gbk[i]);
        const int width = lead && i + 1 < gbk.size() ? 2 : 1;
        const int n = Widen(gbk.data() + i, width, wide);
        if (n > 0 && (width == 2 || !lead)) {
            AppendUtf16(out, wide.data(), n);
            i += static_cast<std::size_t>(width);
        } else {
            AppendUtf8(out, kReplacement);
            ++i;
        }
    }
    return out;
}

std::optional<std::string> TGbkConversion::Encode(std::string_view utf8, bool exactly) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        const bool valid = NextCodePoint(utf8.substr(i), c, length);
        i += length;
        if (valid && c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char bytes[4];
        int n = 0;
        if (valid) {
            wchar_t units[2];
            int count = 1;
            if (c >= 0x10000) {
                units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
                units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                count = 2;
            } else {
                units[0] = static_cast<wchar_t>(c);
            }
            // No best fit: a character GBK lacks must not turn into a look-alike.
            BOOL usedDefault = FALSE;
            n = ::WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, units, count, bytes,
                                      sizeof bytes, nullptr, &usedDefault);
            if (usedDefault)
                n = 0;
        }
        if (n > 0) {
            out.append(bytes, static_cast<std::size_t>(n));
        } else {
            if (exactly)
                return std::nullopt;
            out += '?';
        }
    }
    return out;
}

} // namespace korvane
