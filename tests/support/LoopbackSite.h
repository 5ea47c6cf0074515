#pragma once

#include "PlatformSockets.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace korvane::test {

// A small web site on 127.0.0.1, port 0, for a browser engine: it opens
// several connections at once and keeps them alive, so every connection is
// served on its own thread. Serves fixed resources by path (404 otherwise) and
// records every request head. Every receive is a bounded poll that watches
// the stop flag; an answer is sent whole, so a client that stops reading
// holds up Stop.
class LoopbackSite {
public:
    LoopbackSite();
    ~LoopbackSite();
    LoopbackSite(const LoopbackSite&) = delete;
    LoopbackSite& operator=(const LoopbackSite&) = delete;

    // Serves body at path, whatever query a request adds to it.
    void Put(std::string path, std::string contentType, std::string body);
    void Stop();

    // "http://127.0.0.1:PORT" followed by path.
    std::string Url(std::string_view path) const;
    std::uint16_t Port() const { return ListenPort; }

    // Request heads in arrival order, and the target of each request line.
    std::vector<std::string> RequestHeads() const;
    std::vector<std::string> RequestedPaths() const;
    // The first request head for target (path and query), or "" when none came.
    std::string RequestHeadFor(std::string_view path) const;
    bool WasRequested(std::string_view path) const { return !RequestHeadFor(path).empty(); }

private:
    struct Resource {
        std::string ContentType;
        std::string Body;
    };
    void Accept();
    void Serve(PlatformSockets::Socket socket);
    std::string Answer(const std::string& head);

    PlatformSockets::Socket ListenSocket = PlatformSockets::kNone;
    std::uint16_t ListenPort = 0;
    std::atomic<bool> Stopping{false};
    std::thread Acceptor;
    mutable std::mutex Lock;
    std::vector<std::thread> Connections;
    std::map<std::string, Resource, std::less<>> Resources;
    std::vector<std::string> Heads;
};

} // namespace korvane::test
