#pragma once

#include "IdCookie.h"
#include "IdURI.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvane::http {

// The longest "Cookie" line a request carries, "Cookie: " and CR LF
// included: nginx's default buffer for one request header line.
inline constexpr std::size_t kMaxCookieLineBytes = 8 * 1024;

// The cookie store of one client: keeps the cookies that the responses of
// one fetch set and builds the "Cookie" value for each request.
class TIdCookieManager {
public:
    TIdCookieManager() = default;
    // Drops expired cookies and fires OnDestroy before the cookies go.
    ~TIdCookieManager();
    TIdCookieManager(const TIdCookieManager&) = delete;
    TIdCookieManager& operator=(const TIdCookieManager&) = delete;

    std::function<void(TIdCookieManager& sender, TIdCookies& cookies)> OnDestroy;
    // May refuse a new cookie by clearing accept.
    std::function<void(TIdCookieManager& sender, TIdCookieRFC2109& cookie, bool& accept)>
        OnNewCookie;

    // A "Set-cookie" value and a "Set-cookie2" value received from host.
    void AddCookie(std::string_view text, std::string_view host);
    void AddCookie2(std::string_view text, std::string_view host);

    // The "Cookie" value for a request to url: the cookies of the url's
    // host and its parent domains whose path is a prefix of its directory,
    // neither secure nor empty; longest path first. A cookie that would make
    // the line longer than kMaxCookieLineBytes is left out, and the ones
    // after it still go. Empty when none.
    std::string CookieHeaderFor(const TIdURI& url);
    void DropExpired();

    TIdCookies& CookieCollection() { return Cookies; }

    // Whether a cookie stored under domain may go to host: host is the
    // domain, or lies inside a domain written with a leading ".".
    static bool DomainMatches(std::string_view host, std::string_view domain);

private:
    void StoreSetCookie(std::unique_ptr<TIdCookieRFC2109> cookie, std::string_view text,
                        std::string_view host);

    TIdCookies Cookies;
};

} // namespace korvane::http
