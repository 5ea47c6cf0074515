#include "LoopbackSite.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::test {

namespace {

constexpr int kStopPollMs = 20;

bool SendAll(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
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
    ListenSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(ListenSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(ListenSocket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(ListenSocket, 64) != 0)
        throw std::runtime_error("loopback site cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(ListenSocket, reinterpret_cast<sockaddr*>(&addr), &len);
    ListenPort = ntohs(addr.sin_port);
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
    ::close(ListenSocket);
}

std::string LoopbackSite::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(ListenPort) + std::string(path);
}

void LoopbackSite::Accept() {
    while (!Stopping.load()) {
        pollfd wait{ListenSocket, POLLIN, 0};
        if (::poll(&wait, 1, kStopPollMs) <= 0)
            continue;
        const int socket = ::accept4(ListenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket == -1)
            continue;
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(Lock);
        Connections.emplace_back([this, socket] { Serve(socket); });
    }
}

// Keep-alive: answer request after request until the client closes.
// Requests here carry no body (GET and HEAD).
void LoopbackSite::Serve(int socket) {
    std::string pending;
    while (!Stopping.load()) {
        if (const auto end = pending.find("\r\n\r\n"); end != std::string::npos) {
            std::string head = pending.substr(0, end + 4);
            pending.erase(0, end + 4);
            if (!SendAll(socket, Answer(head)))
                break;
            continue;
        }
        pollfd wait{socket, POLLIN, 0};
        if (::poll(&wait, 1, kStopPollMs) <= 0)
            continue;
        char buffer[16384];
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(socket);
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
