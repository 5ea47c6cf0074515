#include "IdURI.h"

#include "IdException.h"
#include "IdGlobal.h"

namespace korvane::http {

namespace {

constexpr auto npos = std::string_view::npos;

// Cuts rest into DirPath, DocName and Query. absolute puts a "/" in front of
// the directory path, since rest then starts after the authority's "/".
void SplitPath(TIdURI& uri, std::string_view rest, bool absolute) {
    std::size_t q = MbcsFind(rest, "?");
    if (q == npos)
        q = MbcsFind(rest, "=");
    // s counts the characters through the last "/" at or before the query.
    const std::size_t slash = MbcsFindLast(rest, '/', q == npos ? npos : q + 1);
    const std::size_t s = slash == npos ? 0 : slash + 1;
    uri.DirPath = (absolute ? "/" : "") + std::string(rest.substr(0, s));
    if (q != npos) {
        uri.DocName = std::string(rest.substr(s, q - s));
        uri.Query = std::string(rest.substr(q));
    } else {
        uri.DocName = std::string(rest.substr(s));
    }
}

} // namespace

TIdURI::TIdURI(std::string_view text) {
    if (!text.empty())
        SplitUrl(text);
}

std::string ForwardSlashes(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsGbkLeadByte(out[i]))
            ++i;
        else if (out[i] == '\\')
            out[i] = '/';
    }
    return out;
}

void TIdURI::SplitUrl(std::string_view text) {
    *this = TIdURI{};
    UrlText = ForwardSlashes(text);
    std::string_view rest = UrlText;

    if (const std::size_t sep = MbcsFind(rest, "://"); sep != npos) {
        Scheme = std::string(rest.substr(0, sep));
        rest = rest.substr(sep + 3);
        const std::size_t slash = MbcsFind(rest, "/");
        std::string_view authority = rest.substr(0, slash);
        rest = slash == npos ? std::string_view{} : rest.substr(slash + 1);

        std::string_view userInfo;
        if (const std::size_t at = MbcsFind(authority, "@"); at != npos) {
            userInfo = authority.substr(0, at);
            authority = authority.substr(at + 1);
        }
        const std::size_t userColon = MbcsFind(userInfo, ":");
        UserPart = std::string(userInfo.substr(0, userColon));
        if (userColon != npos && !UserPart.empty())
            PasswordPart = std::string(userInfo.substr(userColon + 1));

        const std::size_t portColon = MbcsFind(authority, ":");
        HostPart = std::string(authority.substr(0, portColon));
        if (portColon != npos)
            PortPart = std::string(authority.substr(portColon + 1));
        SplitPath(*this, rest, true);
    } else {
        SplitPath(*this, rest, false);
    }

    if (const std::size_t hash = MbcsFind(DocName, "#"); hash != npos) {
        Fragment = DocName.substr(hash + 1);
        DocName.resize(hash);
    }
    if (Fragment.empty()) {
        if (const std::size_t hash = MbcsFind(Query, "#"); hash != npos) {
            Fragment = Query.substr(hash + 1);
            Query.resize(hash);
        }
    }
}

std::string ResolvePath(std::string_view base, std::string_view path) {
    if (!path.empty() && path.front() == '/')
        return std::string(path);
    const bool keepTrailing = path.empty() || path.back() == '/';
    std::string work(base);
    if (!base.empty() && base.back() != '/')
        work += '/';
    work += path;

    std::string result;
    for (std::size_t i = 0; i < work.size(); ++i) {
        const char ch = work[i];
        if (ch == '/') {
            if (i == 0)
                result = "/";
            else if (result.empty() || result.back() != '/')
                result += '/';
        } else if (ch == '.' && !result.empty() && result.back() == '/' && i + 1 < work.size() &&
                   work[i + 1] == '.') {
            // ".." goes up one level; at the top the result stays "/".
            result.pop_back();
            while (!result.empty() && result.back() != '/')
                result.pop_back();
            ++i;
        } else {
            result += ch;
        }
    }
    if (result != "/" && !result.empty() && result.back() == '/' && !keepTrailing)
        result.pop_back();
    return result;
}

void MergeUrl(TIdURI& current, std::string_view text, std::string& username,
              std::string& password) {
    const TIdURI next(text);
    current.DirPath = ResolvePath(current.DirPath, next.DirPath);
    current.DocName = next.DocName;
    current.Query = next.Query;
    if (!next.HostPart.empty())
        current.HostPart = next.HostPart;
    current.Scheme = next.Scheme.empty() ? std::string("http") : next.Scheme;

    if (!next.PortPart.empty()) {
        current.PortPart = next.PortPart;
    } else {
        const std::int32_t port = DecimalToInt32(current.PortPart).value_or(0);
        if (port == 0 || port == 80 || port == 443) {
            if (SameText(current.Scheme, "http"))
                current.PortPart = "80";
            else if (SameText(current.Scheme, "https"))
                current.PortPart = "443";
            else
                throw EIdUnknownProtocol();
        }
    }

    if (!next.UserPart.empty()) {
        username = next.UserPart;
        password = next.PasswordPart;
    }
    current.UserPart = username;
    current.PasswordPart = password;
}

} // namespace korvane::http
