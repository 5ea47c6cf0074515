#include "IdCookie.h"

#include "IdException.h"
#include "IdGlobal.h"

#include <algorithm>
#include <array>
#include <ctime>

namespace korvane::http {

namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"SUN", "MON", "TUE", "WED",
                                                       "THU", "FRI", "SAT"};
constexpr std::array<std::string_view, 12> kMonthNames = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

int MonthNumber(std::string_view text) {
    for (std::size_t i = 0; i < kMonthNames.size(); ++i)
        if (SameText(text, kMonthNames[i]))
            return static_cast<int>(i) + 1;
    return 0;
}

// Days from 1970-01-01 to a civil date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// The text up to the next sep; text keeps what follows it.
std::string_view TakeUpTo(std::string_view& text, char sep) {
    const auto at = text.find(sep);
    const std::string_view piece = text.substr(0, at);
    text = at == std::string_view::npos ? std::string_view{} : text.substr(at + 1);
    return piece;
}

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    text = Trim(text);
    if (text.size() >= 3) {
        for (std::string_view day : kDayNames) {
            if (SameText(text.substr(0, 3), day)) {
                const auto space = text.find(' ');
                text = space == std::string_view::npos ? std::string_view{}
                                                       : TrimLeft(text.substr(space + 1));
                break;
            }
        }
    }
    const auto dash = text.find('-');
    const char sep = dash != std::string_view::npos && dash >= 1 &&
                             text.find(' ', dash + 1) != std::string_view::npos
                         ? '-'
                         : ' ';

    const std::string_view first = TakeUpTo(text, sep);
    text = TrimLeft(text);
    std::string_view dayText, monthText;
    if (MonthNumber(first) != 0) {
        monthText = first;
        dayText = TakeUpTo(text, sep);
    } else {
        dayText = first;
        monthText = TakeUpTo(text, sep);
    }
    text = TrimLeft(text);
    const int month = MonthNumber(monthText);
    if (month == 0)
        return std::nullopt;
    const int day = DecimalToInt32(dayText).value_or(1);

    std::string_view yearText = TakeUpTo(text, ' ');
    std::optional<std::int32_t> year = DecimalToInt32(yearText);
    if (!year || *year == 1900) {
        // asctime: the time came before the year.
        year = DecimalToInt32(Trim(text));
        text = yearText;
        if (!year)
            return std::nullopt;
    }
    if (*year < 80)
        *year += 2000;
    else if (*year < 100)
        *year += 1900;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(*year, month))
        return std::nullopt;

    std::int64_t seconds =
        DaysFromCivil(*year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400;
    text = TrimLeft(text);
    if (text.find(':') != std::string_view::npos) {
        std::string_view timeText = TakeUpTo(text, ' ');
        const int h = DecimalToInt32(TakeUpTo(timeText, ':')).value_or(0);
        const int m = DecimalToInt32(TakeUpTo(timeText, ':')).value_or(0);
        const int s = DecimalToInt32(timeText).value_or(0);
        if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
            return std::nullopt;
        seconds += h * 3600 + m * 60 + s;
        text = TrimLeft(text);
    }
    // A numeric zone is taken off to give UTC; any other zone is UTC.
    const std::string_view zone = Trim(text);
    if (text.size() > 4 && (zone.front() == '+' || zone.front() == '-') && zone.size() >= 5) {
        const auto zh = DecimalToInt32(zone.substr(1, 2));
        const auto zm = DecimalToInt32(zone.substr(3, 2));
        if (zh && zm && *zh >= 0 && *zh <= 23 && *zm >= 0 && *zm <= 59) {
            const int offset = *zh * 3600 + *zm * 60;
            seconds += zone.front() == '+' ? -offset : offset;
        }
    }
    return seconds;
}

// --- cookies -------------------------------------------------------------------------

const TIdNetscapeCookie::TAttribute* TIdNetscapeCookie::Find(const TAttributes& attributes,
                                                             std::string_view name) {
    for (const TAttribute& a : attributes)
        if (a.Name == name)
            return &a;
    return nullptr;
}

void TIdNetscapeCookie::ParseCookieText(std::string_view text) {
    if (text == SourceText)
        return;
    SourceText = std::string(text);

    std::vector<std::string_view> pieces;
    std::string_view rest = text;
    for (auto semi = rest.find(';'); semi != std::string_view::npos; semi = rest.find(';')) {
        pieces.push_back(Trim(rest.substr(0, semi)));
        rest = rest.substr(semi + 1);
    }
    if (!Trim(rest).empty() || pieces.empty())
        pieces.push_back(Trim(rest));

    const std::string_view first = pieces.front();
    if (const auto eq = first.find('='); eq != std::string_view::npos) {
        Name = std::string(first.substr(0, eq));
        Value = std::string(first.substr(eq + 1));
    } else {
        Name.clear();
        Value.clear();
    }

    TAttributes attributes;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::string_view piece = pieces[i];
        const auto eq = piece.find('=');
        if (eq == std::string_view::npos)
            attributes.push_back({UpperCase(piece), {}, false});
        else
            attributes.push_back(
                {UpperCase(piece.substr(0, eq)), std::string(piece.substr(eq + 1)), true});
    }
    LoadProperties(attributes);
    SetExpiry();
}

void TIdNetscapeCookie::LoadProperties(const TAttributes& attributes) {
    if (const TAttribute* path = Find(attributes, "PATH"); path && path->HasValue) {
        std::string_view p = path->Value;
        if (!p.empty() && p.front() == '"')
            p.remove_prefix(1);
        if (!p.empty() && p.back() == '"')
            p.remove_suffix(1);
        PathAttr = std::string(p);
    }
    if (const TAttribute* expires = Find(attributes, "EXPIRES"); expires && expires->HasValue)
        ExpiresText = expires->Value;
    if (const TAttribute* domain = Find(attributes, "DOMAIN"); domain && domain->HasValue)
        DomainAttr = domain->Value;
    for (const TAttribute& a : attributes)
        if (a.Name == "SECURE" && !a.HasValue)
            SecureFlag = true;
}

void TIdNetscapeCookie::SetExpiry() {
    if (!ExpiresText.empty())
        ExpiresAt = ParseHttpDate(ExpiresText).value_or(kCookieLongExpired);
}

bool TIdNetscapeCookie::IsValidFor(std::string_view host) const {
    auto isIpText = [](std::string_view text) {
        text = Trim(text);
        for (int part = 0; part < 4; ++part) {
            // Text after a fourth dot is not looked at.
            const std::string_view piece = TakeUpTo(text, '.');
            if (piece.empty() || piece.size() > 3)
                return false;
            for (char ch : piece)
                if (ch < '0' || ch > '9')
                    return false;
            if (DecimalToInt32(piece).value_or(256) > 255)
                return false;
        }
        return true;
    };
    auto isHostName = [&](std::string_view text) {
        return !isIpText(text) && (text.find('.') == std::string_view::npos || text[0] != '.');
    };
    auto domainOfHost = [](std::string_view h) {
        const auto dot = h.find('.');
        return dot == std::string_view::npos ? h : h.substr(dot);
    };

    if (isIpText(host))
        return DomainAttr == host;
    if (isHostName(host)) {
        if (isHostName(DomainAttr))
            return DomainAttr == host;
        return DomainAttr == domainOfHost(host);
    }
    return SameText(DomainAttr, domainOfHost(host));
}

void TIdCookieRFC2109::LoadProperties(const TAttributes& attributes) {
    TIdNetscapeCookie::LoadProperties(attributes);
    MaxAgeSeconds = -1;
    if (const TAttribute* maxAge = Find(attributes, "MAX-AGE"); maxAge && maxAge->HasValue)
        MaxAgeSeconds = DecimalToInt32(maxAge->Value).value_or(-1);
    if (const TAttribute* version = Find(attributes, "VERSION"); version && version->HasValue)
        VersionText = version->Value;
    if (const TAttribute* comment = Find(attributes, "COMMENT"); comment && comment->HasValue)
        CommentText = comment->Value;
}

void TIdCookieRFC2109::SetExpiry() {
    if (!ExpiresText.empty())
        TIdNetscapeCookie::SetExpiry();
    else if (MaxAgeSeconds >= 0)
        ExpiresAt = NowSeconds() + MaxAgeSeconds;
}

void TIdCookieRFC2965::LoadProperties(const TAttributes& attributes) {
    TIdCookieRFC2109::LoadProperties(attributes);
    if (const TAttribute* url = Find(attributes, "COMMENTURL"); url && url->HasValue)
        CommentUrlText = url->Value;
    for (const TAttribute& a : attributes)
        if (a.Name == "DISCARD" && !a.HasValue)
            DiscardFlag = true;
    Ports.clear();
    const TAttribute* port = Find(attributes, "PORT");
    const std::string_view text = port ? std::string_view(port->Value) : std::string_view{};
    if (text.empty()) {
        Ports = {80};
    } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        std::string_view list = text.substr(1, text.size() - 2);
        while (!list.empty())
            Ports.push_back(StrToInt(Trim(TakeUpTo(list, ','))));
        if (Ports.empty())
            Ports = {80};
    }
}

// --- the store's collection ------------------------------------------------------------

TIdCookieRFC2109* TIdCookieList::Find(std::string_view name) const {
    const auto it = ByName.find(UpperCase(name));
    return it == ByName.end() ? nullptr : Items[it->second].Cookie.get();
}

void TIdCookieList::Append(std::unique_ptr<TIdCookieRFC2109> cookie) {
    std::string name = cookie->Name;
    ByName.emplace(UpperCase(name), Items.size());
    Items.push_back({std::move(name), std::move(cookie)});
}

void TIdCookieList::DropExpired(std::int64_t nowSeconds) {
    const auto expired = [nowSeconds](const TEntry& e) { return e.Cookie->IsExpired(nowSeconds); };
    const auto first = std::remove_if(Items.begin(), Items.end(), expired);
    if (first == Items.end())
        return;
    Items.erase(first, Items.end());
    ByName.clear();
    for (std::size_t i = 0; i < Items.size(); ++i)
        ByName.emplace(UpperCase(Items[i].Name), i);
}

void TIdCookies::Store(std::unique_ptr<TIdCookieRFC2109> cookie) {
    std::lock_guard lock(Guard);
    TDomain* domain = nullptr;
    for (TDomain& d : Index)
        if (SameText(d.Domain, cookie->DomainAttr))
            domain = &d;
    if (!domain) {
        Index.push_back({cookie->DomainAttr, {}});
        domain = &Index.back();
    }
    TIdCookieRFC2109* stored = domain->Cookies.Find(cookie->Name);
    if (!stored) {
        if (Count() < kMaxCookies)
            domain->Cookies.Append(std::move(cookie));
        return;
    }
    stored->Name = cookie->Name;
    stored->Value = cookie->Value;
    stored->PathAttr = cookie->PathAttr;
    stored->DomainAttr = cookie->DomainAttr;
    stored->SecureFlag = cookie->SecureFlag;
    stored->VersionText = cookie->VersionText;
    stored->CommentText = cookie->CommentText;
    // The replacing cookie's expiry too, so a server can delete a cookie by
    // setting it again with a past date.
    stored->ExpiresText = cookie->ExpiresText;
    stored->ExpiresAt = cookie->ExpiresAt;
}

void TIdCookies::DropExpired(std::int64_t nowSeconds) {
    std::lock_guard lock(Guard);
    for (TDomain& d : Index)
        d.Cookies.DropExpired(nowSeconds);
}

std::size_t TIdCookies::Count() const {
    std::lock_guard lock(Guard);
    std::size_t n = 0;
    for (const TDomain& d : Index)
        n += d.Cookies.Entries().size();
    return n;
}

} // namespace korvane::http
