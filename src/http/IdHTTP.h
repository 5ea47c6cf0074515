#pragma once

#include "IdCookieManager.h"
#include "IdHTTPHeaderInfo.h"
#include "IdSimpleBuffer.h"
#include "IdTCPClient.h"
#include "IdURI.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace korvane::http {

enum class TIdHTTPProtocolVersion { pv1_0, pv1_1 };

enum class TIdHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };

// A body past this ends its read with an error, so a server that never stops
// sending cannot take all memory.
inline constexpr std::int64_t kMaxBodyBytes = 64LL * 1024 * 1024;
// The same for a response head (every line of it, interim 100 responses
// included): an endless header block would otherwise be kept line by line.
inline constexpr std::int64_t kMaxResponseHeadBytes = 1024 * 1024;

// Owns the request and the response record of a client.
class TIdHTTPProtocol {
public:
    TIdHTTPRequest Request;
    TIdHTTPResponse Response;
};

// The HTTP/1.1 client: GET over plain TCP with keep-alive, redirects and the
// cookies of one fetch. One thread uses a client at a time.
class TIdCustomHTTP : public TIdTCPClient {
public:
    TIdCustomHTTP();
    ~TIdCustomHTTP() override;

    bool HandleRedirects = false;
    // The most a whole fetch may take, in ms, redirects included; 0: no
    // limit. ReadTimeout bounds each wait, this the sum of them: past it the
    // fetch ends with EIdReadTimeout (EIdConnectTimeout while connecting).
    std::int32_t AnswerTimeout = 0;
    // The most body bytes a response may have; a larger one is a failed
    // fetch, with what was read up to the bound left.
    std::int64_t MaxBodyBytes = kMaxBodyBytes;
    std::int32_t RedirectMaximum = 15;
    bool AllowCookies = true;
    TIdHTTPProtocolVersion ProtocolVersion = TIdHTTPProtocolVersion::pv1_1;
    std::int32_t AuthRetries = 3;
    std::vector<TIdHTTPOption> HTTPOptions{TIdHTTPOption::hoForceEncodeParams};
    // Requests started in the current fetch.
    std::int32_t RedirectCount = 0;
    TIdURI CurrentUrl;

    // Hooks the program leaves unassigned.
    std::function<void(TIdCustomHTTP& sender, std::string& dest, std::int32_t numRedirect,
                       bool& handled, TIdHTTPMethod& method)>
        OnRedirect;
    std::function<void(TIdCustomHTTP& sender, bool& handled)> OnAuthorization;
    std::function<void(TIdCustomHTTP& sender, bool& handled)> OnProxyAuthorization;

    TIdHTTPRequest& Request() { return Protocol.Request; }
    TIdHTTPResponse& Response() { return Protocol.Response; }
    // The store, created by the first response head when AllowCookies is set.
    TIdCookieManager* CookieManager() const { return Cookies.get(); }

    // Also write CurrentUrl's host and port.
    void SetHost(const std::string& host) override;
    void SetPort(std::int32_t port) override;

    virtual bool AnswerAuthChallenge(TIdHTTPRequest& request, TIdHTTPResponse& response);
    virtual bool AnswerProxyChallenge(TIdHTTPRequest& request, TIdHTTPResponse& response);
    virtual bool ApproveRedirect(std::string& target, TIdHTTPMethod& method,
                                 std::int32_t redirectCount);
    // Runs the request loop for url, the final body going to sink.
    virtual void RunRequest(TIdHTTPMethod method, const std::string& url, TIdSimpleBuffer& sink);

protected:
    enum class TNext { Follow, Finish, Undecided };

    void SetUpRequest();
    void EnsureConnected();
    void SendRequest();
    void ReadResponseHead();
    void ReadHeaderBlock();
    // ReadLine within the response head's bound.
    std::string ReadHeadLine();
    void StoreCookies();
    TNext DecideNext();
    TNext RedirectBranch();
    void ReadBody(TIdSimpleBuffer& sink);
    std::int32_t ReadChunkSize();
    bool ConnectionReusable();
    [[noreturn]] void RaiseProtocolError();
    void DiscardBody();

private:
    // Reads count bytes of body, or until the peer closes, within the body's
    // bound (bodyStart is where the body began in sink).
    void ReadBodyPart(TIdSimpleBuffer& sink, std::size_t bodyStart, std::int64_t count);
    // Reads count announced bytes of body. A close before them all raises,
    // with every byte that arrived in sink.
    void ReadBodyData(TIdSimpleBuffer& sink, std::size_t bodyStart, std::int64_t count);

    TIdHTTPProtocol Protocol;
    std::unique_ptr<TIdCookieManager> Cookies;
    std::int32_t AuthCount = 0;
    std::int32_t ProxyAuthCount = 0;
    std::int64_t HeadBytes = 0; // read so far of the current response head
};

class TIdHTTP : public TIdCustomHTTP {
public:
    // Fetches url with GET. On success result holds the final body's bytes;
    // an empty body leaves result as the caller left it.
    // Every failure is raised; before it passes on, result has been set to
    // the body bytes already received if there are any (otherwise it keeps
    // what the caller put there).
    void GetPage(const std::string& url, std::string& result);
};

} // namespace korvane::http
