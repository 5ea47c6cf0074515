#include "IdHTTP.h"

#include "IdException.h"
#include "IdGlobal.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace korvane::http {

namespace {

// Reading the body of an error status, and throwing away a redirect's.
constexpr std::int32_t kErrorBodyTimeout = 2000;
constexpr std::int32_t kDiscardBodyTimeout = 4000;
constexpr std::int32_t kDefaultHttpPort = 80;

// Restores a client setting when a scope ends, however it ends.
template <typename T> class TRestore {
public:
    TRestore(T& field, T value) : Field(field), Saved(field) { Field = value; }
    ~TRestore() { Field = Saved; }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& Field;
    T Saved;
};

} // namespace

TIdCustomHTTP::TIdCustomHTTP() {
    CurrentUrl.PortPart = std::to_string(kDefaultHttpPort);
    TIdTCPClient::SetPort(kDefaultHttpPort);
}

TIdCustomHTTP::~TIdCustomHTTP() = default;

void TIdCustomHTTP::SetHost(const std::string& host) {
    TIdTCPClient::SetHost(host);
    CurrentUrl.HostPart = host;
}

void TIdCustomHTTP::SetPort(std::int32_t port) {
    TIdTCPClient::SetPort(port);
    CurrentUrl.PortPart = std::to_string(port);
}

bool TIdCustomHTTP::AnswerAuthChallenge(TIdHTTPRequest&, TIdHTTPResponse&) {
    // No credentials are ever held: only a hook could answer.
    bool handled = false;
    if (OnAuthorization)
        OnAuthorization(*this, handled);
    return handled;
}

bool TIdCustomHTTP::AnswerProxyChallenge(TIdHTTPRequest&, TIdHTTPResponse&) {
    bool handled = false;
    if (OnProxyAuthorization)
        OnProxyAuthorization(*this, handled);
    return handled;
}

bool TIdCustomHTTP::ApproveRedirect(std::string& target, TIdHTTPMethod& method,
                                    std::int32_t redirectCount) {
    bool handled = HandleRedirects;
    if (OnRedirect)
        OnRedirect(*this, target, redirectCount, handled, method);
    return handled;
}

void TIdCustomHTTP::RunRequest(TIdHTTPMethod method, const std::string& url,
                               TIdSimpleBuffer& sink) {
    const std::size_t start = sink.Position();
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (AnswerTimeout > 0)
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(AnswerTimeout);
    const TRestore<std::optional<std::chrono::steady_clock::time_point>> answerBy(AnswerDeadline,
                                                                                  deadline);
    Request().RequestTarget = url;
    Request().HttpMethod = method;
    Response().BodySink = &sink;
    try {
        for (bool done = false; !done;) {
            ++RedirectCount;
            SetUpRequest();
            EnsureConnected();
            SendRequest();
            ReadResponseHead();
            switch (DecideNext()) {
            case TNext::Follow:
                sink.SetSize(start);
                sink.Seek(start);
                break;
            case TNext::Finish:
                done = true;
                break;
            case TNext::Undecided:
                throw EIdException("Undefined situation");
            }
        }
    } catch (...) {
        if (!ConnectionReusable())
            CloseConnection();
        throw;
    }
    if (!ConnectionReusable())
        CloseConnection();
    RedirectCount = 0;
}

void TIdCustomHTTP::SetUpRequest() {
    TIdHTTPRequest& request = Request();
    MergeUrl(CurrentUrl, request.RequestTarget, request.Username, request.Password);
    request.RequestTarget = CurrentUrl.RequestTarget();
    request.ContentLength = -1;
    request.Host = CurrentUrl.HostPart;
    if (CurrentUrl.PortPart != "80")
        request.Host += ":" + CurrentUrl.PortPart;
}

void TIdCustomHTTP::EnsureConnected() {
    if (!SameText(Host(), CurrentUrl.HostPart) || Port() != StrToInt(CurrentUrl.PortPart)) {
        if (IOHandler() && IOHandler()->Connected())
            CloseConnection();
        TIdTCPClient::SetHost(CurrentUrl.HostPart);
        TIdTCPClient::SetPort(StrToInt(CurrentUrl.PortPart));
    }
    // No TLS: every https URL, given or reached by a redirect, ends here.
    if (SameText(CurrentUrl.Scheme, "https"))
        throw EIdIOHandlerPropInvalid();
    if (ProtocolVersion == TIdHTTPProtocolVersion::pv1_0 && Request().Connection.empty())
        Request().Connection = "keep-alive";
    if (!ConnectionReusable())
        CloseConnection();
    ProbeForClose(false);
    if (!IsConnected())
        OpenConnection(ConnectLimit());
}

void TIdCustomHTTP::SendRequest() {
    TIdHTTPRequest& request = Request();
    request.WriteHeaderLines();
    if (Cookies) {
        const std::string cookie = Cookies->CookieHeaderFor(CurrentUrl);
        if (!cookie.empty())
            request.HeaderLines.PutHeader("Cookie", cookie);
    }
    const char* version = ProtocolVersion == TIdHTTPProtocolVersion::pv1_0 ? "1.0" : "1.1";
    const std::string requestLine = std::string(MethodName(request.HttpMethod)) + " " +
                                    request.RequestTarget + " HTTP/" + version;
    // A redirect target (or a caller's URL) is sent byte for byte: a CR, LF
    // or other control byte in it would let the server write the next
    // request's head.
    auto unsafe = [](const std::string& line) {
        return std::any_of(line.begin(), line.end(), IsControlByte);
    };
    if (unsafe(requestLine) || std::any_of(request.HeaderLines.Strings().begin(),
                                           request.HeaderLines.Strings().end(), unsafe))
        throw EIdException("Request line or header holds a control character.");
    // The whole head is built in the batch and leaves in one send.
    OpenSendBatch(-1);
    try {
        SendLine(requestLine);
        for (const std::string& line : request.HeaderLines.Strings())
            if (!line.empty())
                SendLine(line);
        SendLine("");
    } catch (...) {
        CloseSendBatch();
        throw;
    }
    CloseSendBatch();
}

void TIdCustomHTTP::ReadResponseHead() {
    HeadBytes = 0;
    Response().StatusLine = ReadHeadLine();
    ReadHeaderBlock();
    StoreCookies();
    while (Response().StatusNumber() == 100) {
        Response().StatusLine = ReadHeadLine();
        ReadHeaderBlock();
        StoreCookies();
    }
}

void TIdCustomHTTP::ReadHeaderBlock() {
    TIdHTTPResponse& response = Response();
    response.HeaderLines.Clear();
    std::string line = ReadHeadLine();
    while (!line.empty()) {
        response.HeaderLines.Add(std::move(line));
        try {
            line = ReadHeadLine();
        } catch (const EIdConnClosedGracefully&) {
            CloseConnection();
            break;
        }
    }
    response.ReadHeaderFields();
}

std::string TIdCustomHTTP::ReadHeadLine() {
    std::string line = ReadLine();
    HeadBytes += static_cast<std::int64_t>(line.size()) + 1; // and its LF
    if (HeadBytes > kMaxResponseHeadBytes)
        throw EIdException("Response head larger than 1 MiB.");
    return line;
}

void TIdCustomHTTP::StoreCookies() {
    if (!Cookies && AllowCookies)
        Cookies = std::make_unique<TIdCookieManager>();
    if (!Cookies)
        return;
    const TIdHeaderList& lines = Response().HeaderLines;
    for (const std::string& value : lines.CollectValues("Set-cookie"))
        Cookies->AddCookie(value, CurrentUrl.HostPart);
    for (const std::string& value : lines.CollectValues("Set-cookie2"))
        Cookies->AddCookie2(value, CurrentUrl.HostPart);
}

TIdCustomHTTP::TNext TIdCustomHTTP::DecideNext() {
    const int status = Response().StatusNumber();
    const int statusClass = status / 100;
    if ((statusClass == 3 && status != 304) || !Response().Location.empty())
        return RedirectBranch();
    if (statusClass != 2) {
        if (status == 401 && AuthCount < AuthRetries &&
            AnswerAuthChallenge(Request(), Response())) {
            ++AuthCount;
            DiscardBody();
            return TNext::Follow;
        }
        if (status == 407 && ProxyAuthCount < AuthRetries &&
            AnswerProxyChallenge(Request(), Response())) {
            ++ProxyAuthCount;
            DiscardBody();
            return TNext::Follow;
        }
        RaiseProtocolError();
    }
    if (!IsConnected())
        return TNext::Undecided;
    if (status != 204)
        ReadBody(*Response().BodySink);
    return TNext::Finish;
}

TIdCustomHTTP::TNext TIdCustomHTTP::RedirectBranch() {
    std::string target = Response().Location;
    TIdHTTPMethod method = Request().HttpMethod;
    TNext next = TNext::Finish;
    if (HandleRedirects && RedirectCount < RedirectMaximum) {
        if (!ApproveRedirect(target, method, RedirectCount))
            RaiseProtocolError();
        Request().RequestTarget = target;
        Request().HttpMethod = method;
        next = TNext::Follow;
    } else {
        // Past the limit the fetch ends with an empty body and no error.
        if (!ApproveRedirect(target, method, RedirectCount))
            RaiseProtocolError();
        Response().Location = target;
    }
    if (IsConnected())
        DiscardBody();
    return next;
}

void TIdCustomHTTP::ReadBodyPart(TIdSimpleBuffer& sink, std::size_t bodyStart, std::int64_t count) {
    const auto read = static_cast<std::int64_t>(sink.Position() - bodyStart);
    const std::int64_t room = MaxBodyBytes - read;
    const auto tooLarge = [this] {
        return EIdException(MaxBodyBytes == kMaxBodyBytes
                                ? std::string("Response body larger than 64 MiB.")
                                : "Response body larger than " + std::to_string(MaxBodyBytes) +
                                      " bytes.");
    };
    if (count == kIdReadUntilClose) {
        // One byte past the bound tells an over-long body from one that fits.
        ReadToStream(sink, kIdReadUntilClose, room + 1);
        if (static_cast<std::int64_t>(sink.Position() - bodyStart) > MaxBodyBytes) {
            const auto end = bodyStart + static_cast<std::size_t>(MaxBodyBytes);
            sink.SetSize(end);
            sink.Seek(end);
            throw tooLarge();
        }
        return;
    }
    if (count > room) {
        ReadToStream(sink, room);
        throw tooLarge();
    }
    ReadToStream(sink, count);
}

void TIdCustomHTTP::ReadBody(TIdSimpleBuffer& sink) {
    const TIdHTTPResponse& response = Response();
    const std::size_t bodyStart = sink.Position();
    if (response.ContentLength > 0) {
        // A close before the announced length is a body cut short, never a
        // whole one: the error passes on with every byte that came.
        ReadBodyData(sink, bodyStart, response.ContentLength);
    } else if (response.HeaderLines.HeaderValue("Transfer-Encoding").find("chunked") !=
               std::string::npos) {
        // So is a close inside a chunk or before the last chunk.
        for (std::int32_t size = ReadChunkSize(); size > 0; size = ReadChunkSize()) {
            ReadBodyData(sink, bodyStart, size);
            ReadLine(); // ends the chunk's data
        }
        try {
            ReadLine(); // the blank line after the last chunk (or a trailer's first line)
        } catch (const EIdConnClosedGracefully&) {
            // The last chunk came: the body is whole without the line after it.
        }
    } else if (!response.HasContentLength) {
        ReadBodyPart(sink, bodyStart, kIdReadUntilClose);
    }
}

void TIdCustomHTTP::ReadBodyData(TIdSimpleBuffer& sink, std::size_t bodyStart, std::int64_t count) {
    const std::size_t at = sink.Position();
    try {
        ReadBodyPart(sink, bodyStart, count);
    } catch (const EIdConnClosedGracefully&) {
        // The connection is closed: this takes only what is still queued.
        const auto have = static_cast<std::int64_t>(sink.Position() - at);
        ReadToStream(sink, kIdReadUntilClose, std::max<std::int64_t>(count - have, 0));
        throw;
    }
}

std::int32_t TIdCustomHTTP::ReadChunkSize() {
    std::string line = ReadLine();
    // A size line the close cut off is no last chunk.
    if (LastLineTimedOut)
        throw EIdConnClosedGracefully();
    if (const auto space = line.find(' '); space != std::string::npos)
        line.resize(space);
    return HexToInt32(line).value_or(0);
}

bool TIdCustomHTTP::ConnectionReusable() {
    CheckPeerClosed(false, false);
    if (!IsConnected())
        return false;
    const TIdHTTPResponse& response = Response();
    if (ProtocolVersion == TIdHTTPProtocolVersion::pv1_1)
        return !SameText(Trim(response.Connection), "CLOSE") &&
               !SameText(Trim(response.ProxyConnection), "CLOSE");
    return SameText(Trim(response.Connection), "KEEP-ALIVE") ||
           SameText(Trim(response.ProxyConnection), "KEEP-ALIVE");
}

void TIdCustomHTTP::RaiseProtocolError() {
    const TRestore<std::int32_t> timeout(ReadTimeout, kErrorBodyTimeout);
    TIdSimpleBuffer scratch;
    const TRestore<TIdSimpleBuffer*> sink(Response().BodySink, &scratch);
    try {
        ReadBody(scratch);
    } catch (const EIdConnClosedGracefully&) {
        // An error page cut short still says what the status says.
    }
    throw EIdHTTPProtocolException(Response().StatusNumber(), Response().StatusLine,
                                   std::string(scratch.View()));
}

void TIdCustomHTTP::DiscardBody() {
    const TRestore<std::int32_t> timeout(ReadTimeout, kDiscardBodyTimeout);
    TIdSimpleBuffer scratch;
    const TRestore<TIdSimpleBuffer*> sink(Response().BodySink, &scratch);
    try {
        ReadBody(scratch);
    } catch (const std::exception&) {
        // Whatever became of a body nobody reads does not matter.
    }
}

void TIdHTTP::GetPage(const std::string& url, std::string& result) {
    TIdSimpleBuffer body;
    try {
        RunRequest(TIdHTTPMethod::hmGet, url, body);
    } catch (...) {
        if (body.Size() > 0)
            result = body.Release();
        throw;
    }
    if (body.Size() > 0)
        result = body.Release();
}

} // namespace korvane::http
