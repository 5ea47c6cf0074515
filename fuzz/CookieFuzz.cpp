// ParseCookieText and ParseHttpDate on arbitrary text, and a store filled
// with one "Set-cookie" value per input line.
#include "IdCookie.h"
#include "IdCookieManager.h"
#include "IdException.h"
#include "IdGlobal.h"
#include "IdURI.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace korvane::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)ParseHttpDate(text);

    TIdCookieRFC2109 cookie;
    cookie.ParseCookieText(text);
    cookie.ParseCookieText(text); // the same text again changes nothing
    TIdCookieRFC2965 cookie2;
    try {
        cookie2.ParseCookieText(text);
    } catch (const EConvertError&) {
        // A "Port" list item that is no integer.
    }

    TIdCookieManager store;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        try {
            store.AddCookie(line, "www.shop.example");
            store.AddCookie2(line, "www.shop.example");
        } catch (const EConvertError&) {
        }
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    // The value goes on a request line of its own: nothing in it may end or split that line.
    for (char ch : store.CookieHeaderFor(TIdURI("http://www.shop.example/a/b/c.htm")))
        if (IsControlByte(ch))
            __builtin_trap();
    return 0;
}
