#pragma once

#include <string>
#include <string_view>

namespace korvane::http {

// The parts of one URL. Delimiter searches pass over GBK double-byte
// characters whole, so a trail byte is never taken for "/", "?" or "#".
class TIdURI {
public:
    TIdURI() = default;
    explicit TIdURI(std::string_view text);

    // Resets every part and fills them from text. Never fails: a text that
    // is no URL just gives odd parts.
    void SplitUrl(std::string_view text);
    // DirPath + DocName + Query: what goes on the request line.
    std::string RequestTarget() const { return DirPath + DocName + Query; }

    std::string UrlText; // as handed in, backslashes turned into "/"
    std::string Scheme;  // as written, not folded
    std::string UserPart;
    std::string PasswordPart;
    std::string HostPart;
    std::string PortPart; // digits as written; empty when none named
    std::string DirPath;  // through the last "/" before the query
    std::string DocName;
    std::string Query; // with its starting "?" (or "=")
    std::string Fragment;
};

// Every backslash outside a double-byte character becomes "/".
std::string ForwardSlashes(std::string_view text);

// Combines a directory path with a path relative to it ("/" delimited):
// runs of "/" collapse and ".." goes up one level.
std::string ResolvePath(std::string_view base, std::string_view path);

// Folds text into current as the next request's URL. A user name in text
// replaces username and password (they are never sent). Raises
// EIdUnknownProtocol for a scheme other than http/https that names no port
// while the current port is empty, 0, 80 or 443.
void MergeUrl(TIdURI& current, std::string_view text, std::string& username, std::string& password);

} // namespace korvane::http
