#include "ResponseReplayServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace korvane::fuzz {

namespace {

// Bounds on one connection: the client's request head, and any wait for it.
constexpr std::size_t kMaxRequestHead = 64 * 1024;
constexpr int kWaitMs = 2000;
constexpr int kBacklog = 16;

// Waits for the socket to become readable; false after kWaitMs.
bool WaitReadable(int socket) {
    pollfd wait{socket, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&wait, 1, kWaitMs);
        if (n == -1 && errno == EINTR)
            continue;
        return n > 0;
    }
}

} // namespace

ResponseReplayServer& ResponseReplayServer::Instance() {
    static auto* server = new ResponseReplayServer;
    return *server;
}

ResponseReplayServer::ResponseReplayServer() {
    ListenSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (ListenSocket == -1 ||
        ::bind(ListenSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(ListenSocket, kBacklog) != 0 ||
        ::getsockname(ListenSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort(); // no loopback: nothing to fuzz against
    ListenPort = ntohs(address.sin_port);
    std::thread([this] { Run(); }).detach();
}

void ResponseReplayServer::SetResponse(std::string_view bytes) {
    std::lock_guard lock(Lock);
    Response.assign(bytes);
}

std::string ResponseReplayServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(ListenPort) + std::string(path);
}

void ResponseReplayServer::Run() {
    for (;;) {
        const int socket = ::accept4(ListenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket == -1)
            continue;
        Serve(socket);
        ::close(socket);
    }
}

void ResponseReplayServer::Serve(int socket) {
    // Read the head first: closing with unread bytes would make the kernel
    // answer with a reset instead of an orderly end.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHead) {
        if (!WaitReadable(socket))
            return;
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    std::string response;
    {
        std::lock_guard lock(Lock);
        response = Response;
    }
    std::string_view rest = response;
    while (!rest.empty()) {
        const ssize_t n = ::send(socket, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (n == -1 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::shutdown(socket, SHUT_WR);
    // Whatever the client still sends (a second request) is read until it
    // closes, and checked with the first.
    for (ssize_t n = 0; WaitReadable(socket) && (n = ::recv(socket, buffer, sizeof buffer, 0)) > 0;)
        head.append(buffer, static_cast<std::size_t>(n));
    CheckRequestBytes(head);
}

void ResponseReplayServer::CheckRequestBytes(std::string_view received) {
    for (std::size_t i = 0; i < received.size(); ++i) {
        const auto b = static_cast<unsigned char>(received[i]);
        const bool crlf = (b == '\r' && i + 1 < received.size() && received[i + 1] == '\n') ||
                          (b == '\n' && i > 0 && received[i - 1] == '\r');
        if (((b < 0x20 && b != '\t') || b == 0x7F) && !crlf) {
            std::fprintf(stderr, "request carries control byte 0x%02X at %zu:\n%.*s\n", b, i,
                         static_cast<int>(received.size()), received.data());
            std::abort();
        }
    }
}

} // namespace korvane::fuzz
