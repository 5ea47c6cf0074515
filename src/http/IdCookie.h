#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvane::http {

// Reads the three date forms of cookie expiry and HTTP headers (day-month-
// year with blanks, with "-" between day, month name and year, and the
// asctime form). Seconds since 1970 in UTC; nullopt when unreadable.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

// The expiry given to a cookie whose "expires" text cannot be read: long past.
inline constexpr std::int64_t kCookieLongExpired = INT64_MIN / 2;

// One cookie as a server set it (the Netscape form).
class TIdNetscapeCookie {
public:
    virtual ~TIdNetscapeCookie() = default;

    // Fills the fields from a "Set-cookie" value; the same text again does nothing.
    void ParseCookieText(std::string_view text);
    // Whether a server on host may set this cookie (DomainAttr already defaulted).
    virtual bool IsValidFor(std::string_view host) const;
    // "Name=Value", as sent.
    std::string ClientCookie() const { return Name + "=" + Value; }
    // Expired when its expiry is not later than nowSeconds (seconds since 1970, UTC).
    bool IsExpired(std::int64_t nowSeconds) const { return ExpiresAt && *ExpiresAt <= nowSeconds; }

    std::string SourceText;
    std::string Name;
    std::string Value;
    std::string PathAttr;
    std::string DomainAttr;
    std::string ExpiresText;
    std::optional<std::int64_t> ExpiresAt; // none: lives as long as the store
    bool SecureFlag = false;

protected:
    struct TAttribute {
        std::string Name; // upper case
        std::string Value;
        bool HasValue;
    };
    using TAttributes = std::vector<TAttribute>;

    // The value of the first attribute of that (upper-case) name.
    static const TAttribute* Find(const TAttributes& attributes, std::string_view name);
    virtual void LoadProperties(const TAttributes& attributes);
    // The expiry from the attributes read (expires, then max-age).
    virtual void SetExpiry();
};

// A "Set-cookie" value with the RFC 2109 attributes.
class TIdCookieRFC2109 : public TIdNetscapeCookie {
public:
    std::int64_t MaxAgeSeconds = -1;
    std::string VersionText;
    std::string CommentText;

protected:
    void LoadProperties(const TAttributes& attributes) override;
    void SetExpiry() override;
};

// A "Set-cookie2" value with the RFC 2965 attributes.
class TIdCookieRFC2965 : public TIdCookieRFC2109 {
public:
    std::string CommentUrlText;
    bool DiscardFlag = false;
    std::vector<std::int32_t> Ports;

protected:
    void LoadProperties(const TAttributes& attributes) override;
};

// A domain's cookies, keyed by name (compared without regard to case), in
// the order they were first stored. Lookups go through an index, so a
// server that sets thousands of cookies costs no quadratic time.
class TIdCookieList {
public:
    struct TEntry {
        std::string Name;
        std::unique_ptr<TIdCookieRFC2109> Cookie;
    };

    TIdCookieRFC2109* Find(std::string_view name) const;
    void Append(std::unique_ptr<TIdCookieRFC2109> cookie);
    // Removes and destroys every cookie expired at nowSeconds.
    void DropExpired(std::int64_t nowSeconds);
    const std::vector<TEntry>& Entries() const { return Items; }

private:
    std::vector<TEntry> Items;
    std::unordered_map<std::string, std::size_t> ByName; // upper-case name -> position
};

// Every cookie of one store, indexed by domain text. The lock may be taken
// again by its holder: building a Cookie line drops expired cookies under
// it, and storing counts the cookies under it. One client uses a store at a
// time, so it is never contended.
class TIdCookies {
public:
    // A store keeps at most this many cookies; a cookie of a new name past it
    // is discarded, while stored ones can still be replaced.
    static constexpr std::size_t kMaxCookies = 3000;

    struct TDomain {
        std::string Domain;
        TIdCookieList Cookies;
    };

    // Stores a valid new cookie: a stored one of the same domain and name
    // takes over its values and keeps its place. Past kMaxCookies a cookie
    // of a new name is discarded.
    void Store(std::unique_ptr<TIdCookieRFC2109> cookie);
    void DropExpired(std::int64_t nowSeconds);
    const std::vector<TDomain>& Domains() const { return Index; }
    std::size_t Count() const;

    std::recursive_mutex& Lock() const { return Guard; }

private:
    std::vector<TDomain> Index;
    mutable std::recursive_mutex Guard;
};

} // namespace korvane::http
