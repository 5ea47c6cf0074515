// Arbitrary bytes as a server's answer to GetPage: a loopback server sends
// the input to every connection of the fetch, redirects included.
#include "IdException.h"
#include "IdGlobal.h"
#include "IdHTTP.h"
#include "IdURI.h"
#include "ResponseReplayServer.h"

#include <cstddef>
#include <cstdint>
#include <exception>

using namespace korvane::http;
using korvane::fuzz::ResponseReplayServer;

namespace {

// Every wait of the client ends when the server closes; this only bounds a
// wait that something unforeseen left open.
constexpr std::int32_t kReadTimeoutMs = 1000;

// A redirect may name any host. The fetch must never leave this server, so a
// target that would connect anywhere else is pointed back at it; targets
// that fail before any connect (unknown scheme, https) stay as they are.
void KeepOnLoopback(TIdCustomHTTP& sender, std::string& dest, std::int32_t, bool&, TIdHTTPMethod&) {
    const ResponseReplayServer& server = ResponseReplayServer::Instance();
    TIdURI next = sender.CurrentUrl;
    std::string user, password;
    try {
        MergeUrl(next, dest, user, password);
    } catch (const EIdUnknownProtocol&) {
        return;
    }
    if (SameText(next.Scheme, "https"))
        return;
    if (next.HostPart != "127.0.0.1" || DecimalToInt32(next.PortPart) != server.Port())
        dest = server.Url("/elsewhere");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ResponseReplayServer& server = ResponseReplayServer::Instance();
    server.SetResponse({reinterpret_cast<const char*>(data), size});

    TIdHTTP client;
    client.ReadTimeout = kReadTimeoutMs;
    client.Request().UserAgent = "KorvaneFuzz";
    client.HandleRedirects = true;
    client.OnRedirect = KeepOnLoopback;
    std::string body;
    try {
        client.GetPage(server.Url("/dir/page.htm?q=1"), body);
    } catch (const std::exception&) {
        // Every failure is an error of the client's family or a conversion error.
    }
    // The final body comes from one connection's answer, so never outgrows it.
    if (body.size() > size)
        __builtin_trap();
    return 0;
}
