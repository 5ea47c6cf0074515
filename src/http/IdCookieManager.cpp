#include "IdCookieManager.h"

#include "IdGlobal.h"

#include <algorithm>
#include <ctime>

namespace korvane::http {

namespace {

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace

TIdCookieManager::~TIdCookieManager() {
    DropExpired();
    if (OnDestroy)
        OnDestroy(*this, Cookies);
}

void TIdCookieManager::AddCookie(std::string_view text, std::string_view host) {
    StoreSetCookie(std::make_unique<TIdCookieRFC2109>(), text, host);
}

void TIdCookieManager::AddCookie2(std::string_view text, std::string_view host) {
    StoreSetCookie(std::make_unique<TIdCookieRFC2965>(), text, host);
}

void TIdCookieManager::StoreSetCookie(std::unique_ptr<TIdCookieRFC2109> cookie,
                                      std::string_view text, std::string_view host) {
    // A CR, LF or other control byte would reach the "Cookie" line of the
    // next request; such a cookie is ignored as a whole.
    if (std::any_of(text.begin(), text.end(), IsControlByte))
        return;
    cookie->ParseCookieText(text);
    if (cookie->DomainAttr.empty())
        cookie->DomainAttr = std::string(host);
    if (!cookie->IsValidFor(host))
        return;
    bool accept = true;
    if (OnNewCookie)
        OnNewCookie(*this, *cookie, accept);
    if (accept)
        Cookies.Store(std::move(cookie));
}

void TIdCookieManager::DropExpired() {
    Cookies.DropExpired(NowSeconds());
}

bool TIdCookieManager::DomainMatches(std::string_view host, std::string_view domain) {
    if (domain.empty())
        return false;
    if (domain.front() != '.')
        return SameText(host, domain);
    if (SameText(host, domain.substr(1)))
        return true;
    return host.size() > domain.size() &&
           SameText(host.substr(host.size() - domain.size()), domain);
}

std::string TIdCookieManager::CookieHeaderFor(const TIdURI& url) {
    std::lock_guard lock(Cookies.Lock());
    DropExpired();
    std::vector<const TIdCookieRFC2109*> taken;
    for (const TIdCookies::TDomain& domain : Cookies.Domains()) {
        // Only the host's own domain and the domains around it: a plain
        // substring test would hand cookies to unrelated hosts.
        if (!DomainMatches(url.HostPart, domain.Domain))
            continue;
        const auto& entries = domain.Cookies.Entries();
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            const TIdCookieRFC2109& c = *it->Cookie;
            const bool pathMatches = url.DirPath.compare(0, c.PathAttr.size(), c.PathAttr) == 0;
            // Secure cookies need TLS, which this client never has.
            if (pathMatches && !c.SecureFlag && !c.Value.empty())
                taken.push_back(&c);
        }
    }
    std::stable_sort(taken.begin(), taken.end(), [](const auto* a, const auto* b) {
        return UpperCase(a->PathAttr) > UpperCase(b->PathAttr);
    });
    constexpr std::size_t kMaxValueBytes =
        kMaxCookieLineBytes - std::string_view("Cookie: \r\n").size();
    std::string value;
    for (const TIdCookieRFC2109* c : taken) {
        const std::string pair = c->ClientCookie();
        const std::size_t separator = value.empty() ? 0 : 2;
        if (value.size() + separator + pair.size() > kMaxValueBytes)
            continue;
        if (separator != 0)
            value += "; ";
        value += pair;
    }
    return value;
}

} // namespace korvane::http
