#pragma once

#include "IdHeaderList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::http {

class TIdSimpleBuffer;

// HTTP/1.1 header lines are folded only past this width (a request's are
// never folded).
inline constexpr std::size_t kHttpFoldWidth = 1024;

// Fields every message head may carry.
class TIdEntityHeaderInfo {
public:
    TIdEntityHeaderInfo();
    virtual ~TIdEntityHeaderInfo() = default;

    // Fills the fields from HeaderLines.
    virtual void ReadHeaderFields();
    // Rebuilds HeaderLines from the fields.
    virtual void WriteHeaderLines();
    virtual void ResetFields();

    std::string Connection;
    std::string ContentVersion;
    std::string ContentEncoding;
    std::string ContentLanguage;
    std::string ContentType;
    std::int32_t ContentLength = -1;
    bool HasContentLength = false;
    std::uint32_t ContentRangeStart = 0;
    std::uint32_t ContentRangeEnd = 0;
    std::string CacheControl;
    // Timestamps in seconds since 1970 (UTC); 0 is unset and never written.
    std::int64_t Date = 0;
    std::int64_t Expires = 0;
    std::int64_t LastModified = 0;
    std::string Pragma;
    TIdHeaderList CustomHeaders;
    TIdHeaderList HeaderLines{kHttpFoldWidth};
};

// The request's own fields, written in the order a request head carries them.
class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
public:
    TIdRequestHeaderInfo();
    void WriteHeaderLines() override;
    void ResetFields() override;

    std::string ProxyConnection;
    std::string Host;
    std::string Accept;
    std::string AcceptCharSet;
    std::string AcceptEncoding;
    std::string AcceptLanguage;
    std::string From;
    std::string Referer;
    std::string UserAgent;
    // Taken from a URL's user part; kept but never sent.
    std::string Username;
    std::string Password;
    bool BasicAuthentication = false;
};

// The response's own fields, read from its header lines.
class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
public:
    void ReadHeaderFields() override;
    void ResetFields() override;

    std::string Location;
    std::string Server;
    std::string ProxyConnection;
    std::vector<std::string> WWWAuthenticate;
    std::vector<std::string> ProxyAuthenticate;
    // Recorded as received; they play no part in the exchange.
    std::string DateText;
    std::string LastModifiedText;
    std::string ExpiresText;
};

enum class TIdHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };

const char* MethodName(TIdHTTPMethod method);

class TIdHTTPRequest : public TIdRequestHeaderInfo {
public:
    std::string RequestTarget;
    TIdHTTPMethod HttpMethod = TIdHTTPMethod::hmGet;
};

class TIdHTTPResponse : public TIdResponseHeaderInfo {
public:
    std::string StatusLine;
    // The code on the status line, -1 when it holds none.
    int StatusNumber() const;
    TIdSimpleBuffer* BodySink = nullptr;
};

} // namespace korvane::http
