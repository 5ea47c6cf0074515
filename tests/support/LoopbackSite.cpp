#include "LoopbackSite.h"

#include <stdexcept>

namespace korvane::test {

namespace {

constexpr int kStopPollMs = 20;
// A browser engine opens several connections at once.
constexpr int kBacklog = 64;

bool SendAll(PlatformSockets::Socket socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const long n = PlatformSockets::Send(socket, bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string TargetOf(const std::string& head) {
    const auto first = head.find(' ');
    const auto second = head.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return {};
    return head.substr(first + 1, second - first - 1);
}

} // namespace

LoopbackSite::LoopbackSite() {
    PlatformSockets::Start();
    ListenSocket = PlatformSockets::NewTcp();
    PlatformSockets::SetReuseAddress(ListenSocket);
    ListenPort = PlatformSockets::BindLoopback(ListenSocket, kBacklog);
    if (ListenPort == 0) {
        PlatformSockets::Close(ListenSocket);
        throw std::runtime_error("loopback site cannot listen");
    }
    Acceptor = std::thread([this] { Accept(); });
}

LoopbackSite::~LoopbackSite() {
    Stop();
}

void LoopbackSite::Put(std::string path, std::string contentType, std::string body) {
    std::lock_guard lock(Lock);
    Resources[std::move(path)] = {std::move(contentType), std::move(body)};
}

void LoopbackSite::Stop() {
    if (Stopping.exchange(true))
        return;
    Acceptor.join();
    // No new connection threads after the acceptor has ended.
    for (std::thread& connection : Connections)
        connection.join();
    PlatformSockets::Close(ListenSocket);
}

std::string LoopbackSite::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(ListenPort) + std::string(path);
}

void LoopbackSite::Accept() {
    while (!Stopping.load()) {
        if (PlatformSockets::Poll(ListenSocket, false, kStopPollMs) <= 0)
            continue;
        const PlatformSockets::Socket socket = PlatformSockets::Accept(ListenSocket);
        if (socket == PlatformSockets::kNone)
            continue;
        PlatformSockets::SetNoDelay(socket);
        std::lock_guard lock(Lock);
        Connections.emplace_back([this, socket] { Serve(socket); });
    }
}

// Keep-alive: answer request after request until the client closes.
// Requests here carry no body (GET and HEAD).
void LoopbackSite::Serve(PlatformSockets::Socket socket) {
    std::string pending;
    while (!Stopping.load()) {
        if (const auto end = pending.find("\r\n\r\n"); end != std::string::npos) {
            std::string head = pending.substr(0, end + 4);
            pending.erase(0, end + 4);
            if (!SendAll(socket, Answer(head)))
                break;
            continue;
        }
        if (PlatformSockets::Poll(socket, false, kStopPollMs) <= 0)
            continue;
        char buffer[16384];
        const long n = PlatformSockets::Recv(socket, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    PlatformSockets::Close(socket);
}

std::string LoopbackSite::Answer(const std::string& head) {
    std::lock_guard lock(Lock);
    Heads.push_back(head);
    const bool headOnly = head.rfind("HEAD ", 0) == 0;
    // The query only tells requests apart; the path picks the resource.
    const std::string target = TargetOf(head);
    const auto found = Resources.find(target.substr(0, target.find('?')));
    std::string status = "200 OK";
    std::string type = "text/plain";
    std::string body = "not here";
    if (found != Resources.end()) {
        type = found->second.ContentType;
        body = found->second.Body;
    } else {
        status = "404 Not Found";
    }
    std::string out =
        "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
        "\r\nCache-Control: no-store\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\n\r\n";
    if (!headOnly)
        out += body;
    return out;
}

std::vector<std::string> LoopbackSite::RequestHeads() const {
    std::lock_guard lock(Lock);
    return Heads;
}

std::vector<std::string> LoopbackSite::RequestedPaths() const {
    std::vector<std::string> paths;
    for (const std::string& head : RequestHeads())
        paths.push_back(TargetOf(head));
    return paths;
}

std::string LoopbackSite::RequestHeadFor(std::string_view path) const {
    for (const std::string& head : RequestHeads())
        if (TargetOf(head) == path)
            return head;
    return {};
}

} // namespace korvane::test
