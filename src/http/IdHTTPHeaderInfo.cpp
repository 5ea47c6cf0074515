#include "IdHTTPHeaderInfo.h"

#include "IdException.h"
#include "IdGlobal.h"

#include <chrono>
#include <cstdio>

namespace korvane::http {

namespace {

// Worked out by the calendar rather than gmtime: the same on every platform
// and free of the C library's shared state.
std::string HttpDateText(std::int64_t seconds) {
    using namespace std::chrono;
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const sys_seconds at{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
                  kDays[weekday(day).c_encoding()], static_cast<unsigned>(date.day()),
                  kMonths[static_cast<unsigned>(date.month()) - 1], static_cast<int>(date.year()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

} // namespace

TIdEntityHeaderInfo::TIdEntityHeaderInfo() {
    TIdEntityHeaderInfo::ResetFields();
}

void TIdEntityHeaderInfo::ResetFields() {
    Connection.clear();
    ContentVersion.clear();
    ContentEncoding.clear();
    ContentLanguage.clear();
    ContentType.clear();
    ContentLength = -1;
    HasContentLength = false;
    ContentRangeStart = 0;
    ContentRangeEnd = 0;
    CacheControl.clear();
    Date = 0;
    Expires = 0;
    LastModified = 0;
    Pragma.clear();
    CustomHeaders.Clear();
    HeaderLines.Clear();
}

void TIdEntityHeaderInfo::ReadHeaderFields() {
    Connection = HeaderLines.HeaderValue("Connection");
    ContentVersion = HeaderLines.HeaderValue("Content-Version");
    ContentEncoding = HeaderLines.HeaderValue("Content-Encoding");
    ContentLanguage = HeaderLines.HeaderValue("Content-Language");
    ContentType = HeaderLines.HeaderValue("Content-Type");
    ContentLength = DecimalToInt32(Trim(HeaderLines.HeaderValue("Content-Length"))).value_or(-1);
    HasContentLength = ContentLength >= 0;
    Pragma = HeaderLines.HeaderValue("Pragma");

    ContentRangeStart = 0;
    ContentRangeEnd = 0;
    if (HeaderLines.FindHeader("Content-Range") >= 0) {
        std::string range = HeaderLines.HeaderValue("Content-Range");
        if (const auto space = range.find(' '); space != std::string::npos)
            range.erase(0, space + 1); // the unit
        const auto dash = range.find('-');
        const std::string first = range.substr(0, dash);
        std::string last = dash == std::string::npos ? std::string{} : range.substr(dash + 1);
        last = last.substr(0, last.find('/'));
        ContentRangeStart = static_cast<std::uint32_t>(StrToInt(first));
        ContentRangeEnd = static_cast<std::uint32_t>(StrToInt(last));
    }
}

void TIdEntityHeaderInfo::WriteHeaderLines() {
    HeaderLines.Clear();
    HeaderLines.PutHeader("Connection", Connection);
    HeaderLines.PutHeader("Content-Version", ContentVersion);
    HeaderLines.PutHeader("Content-Encoding", ContentEncoding);
    HeaderLines.PutHeader("Content-Language", ContentLanguage);
    HeaderLines.PutHeader("Content-Type", ContentType);
    if (ContentLength >= 0)
        HeaderLines.PutHeader("Content-Length", std::to_string(ContentLength));
    HeaderLines.PutHeader("Cache-control", CacheControl);
    if (Date > 0)
        HeaderLines.PutHeader("Date", HttpDateText(Date));
    if (Expires > 0)
        HeaderLines.PutHeader("Expires", HttpDateText(Expires));
    HeaderLines.PutHeader("Pragma", Pragma);
    HeaderLines.AddStrings(CustomHeaders);
}

TIdRequestHeaderInfo::TIdRequestHeaderInfo() {
    // HTTP/1.1 servers answer a folded request line with 400 Bad Request.
    HeaderLines.FoldWidth = TIdHeaderList::kNoFolding;
    TIdRequestHeaderInfo::ResetFields();
}

void TIdRequestHeaderInfo::ResetFields() {
    TIdEntityHeaderInfo::ResetFields();
    ContentType = "text/html";
    ProxyConnection.clear();
    Host.clear();
    Accept = "text/html, */*";
    AcceptCharSet.clear();
    AcceptEncoding.clear();
    AcceptLanguage.clear();
    From.clear();
    Referer.clear();
    UserAgent.clear();
    Username.clear();
    Password.clear();
    BasicAuthentication = false;
}

void TIdRequestHeaderInfo::WriteHeaderLines() {
    TIdEntityHeaderInfo::WriteHeaderLines();
    HeaderLines.PutHeader("Proxy-Connection", ProxyConnection);
    HeaderLines.PutHeader("Host", Host);
    HeaderLines.PutHeader("Accept", Accept);
    HeaderLines.PutHeader("Accept-Charset", AcceptCharSet);
    HeaderLines.PutHeader("Accept-Encoding", AcceptEncoding);
    HeaderLines.PutHeader("Accept-Language", AcceptLanguage);
    HeaderLines.PutHeader("From", From);
    HeaderLines.PutHeader("Referer", Referer);
    HeaderLines.PutHeader("User-Agent", UserAgent);
    if (LastModified > 0)
        HeaderLines.PutHeader("If-Modified-Since", HttpDateText(LastModified));
    if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
        std::string range = "bytes=" + std::to_string(ContentRangeStart) + "-";
        if (ContentRangeEnd != 0)
            range += std::to_string(ContentRangeEnd);
        HeaderLines.PutHeader("Range", range);
    }
    // No "Authorization": the client holds no credentials to answer with.
}

void TIdResponseHeaderInfo::ResetFields() {
    TIdEntityHeaderInfo::ResetFields();
    Location.clear();
    Server.clear();
    ProxyConnection.clear();
    WWWAuthenticate.clear();
    ProxyAuthenticate.clear();
    DateText.clear();
    LastModifiedText.clear();
    ExpiresText.clear();
}

void TIdResponseHeaderInfo::ReadHeaderFields() {
    TIdEntityHeaderInfo::ReadHeaderFields();
    Location = HeaderLines.HeaderValue("Location");
    Server = HeaderLines.HeaderValue("Server");
    ProxyConnection = HeaderLines.HeaderValue("Proxy-Connection");
    DateText = HeaderLines.HeaderValue("Date");
    LastModifiedText = HeaderLines.HeaderValue("Last-Modified");
    ExpiresText = HeaderLines.HeaderValue("Expires");
    WWWAuthenticate = HeaderLines.CollectValues("WWW-Authenticate");
    ProxyAuthenticate = HeaderLines.CollectValues("Proxy-Authenticate");
}

const char* MethodName(TIdHTTPMethod method) {
    switch (method) {
    case TIdHTTPMethod::hmHead:
        return "HEAD";
    case TIdHTTPMethod::hmGet:
        return "GET";
    case TIdHTTPMethod::hmPost:
        return "POST";
    case TIdHTTPMethod::hmOptions:
        return "OPTIONS";
    case TIdHTTPMethod::hmTrace:
        return "TRACE";
    case TIdHTTPMethod::hmPut:
        return "PUT";
    case TIdHTTPMethod::hmDelete:
        return "DELETE";
    case TIdHTTPMethod::hmConnect:
        return "CONNECT";
    }
    return "GET";
}

int TIdHTTPResponse::StatusNumber() const {
    std::string_view line = StatusLine;
    const auto space = line.find(' ');
    line = space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
    line = Trim(line);
    line = line.substr(0, line.find(' '));
    return DecimalToInt32(line).value_or(-1);
}

} // namespace korvane::http
