#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace korvane::fuzz {

// A loopback server for the life of the fuzz process that answers every
// connection with the same bytes: it reads the request head, sends the
// bytes, ends its side and waits for the client to close. Every wait is
// bounded, so a client that stops reading cannot stall it. Whatever the
// answer made the client send, every line it sent must end in CR LF and
// carry no other control byte: otherwise the answer has written into the
// client's next request, and the process stops as a finding.
class ResponseReplayServer {
public:
    // Started on first use and never torn down: its thread may still be
    // inside a connection while the process exits.
    static ResponseReplayServer& Instance();

    // The bytes every connection from now on receives.
    void SetResponse(std::string_view bytes);
    std::uint16_t Port() const { return ListenPort; }
    // "http://127.0.0.1:PORT" followed by path.
    std::string Url(std::string_view path) const;

private:
    ResponseReplayServer();
    void Run();
    void Serve(int socket);
    // Stops the process when received holds a CR or LF outside a CR LF
    // pair, or another control byte but HTAB.
    static void CheckRequestBytes(std::string_view received);

    int ListenSocket = -1;
    std::uint16_t ListenPort = 0;
    std::mutex Lock;
    std::string Response;
};

} // namespace korvane::fuzz
