#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::test {

namespace {

// How often a blocked server wait looks at the stop flag.
constexpr int kStopPollMs = 20;

} // namespace

std::string LoopbackPeer::ReceiveSome(std::chrono::milliseconds limit, bool& closed) {
    closed = false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Server.Stopping() && std::chrono::steady_clock::now() < deadline) {
        pollfd wait{Socket, POLLIN, 0};
        if (::poll(&wait, 1, kStopPollMs) <= 0)
            continue;
        char buffer[65536];
        const ssize_t n = ::recv(Socket, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed = true;
            return {};
        }
        Server.Record(Index, std::string_view(buffer, static_cast<std::size_t>(n)));
        return std::string(buffer, static_cast<std::size_t>(n));
    }
    return {};
}

std::string LoopbackPeer::ReadRequestHead() {
    const auto deadline = std::chrono::steady_clock::now() + kMaxWait;
    for (;;) {
        if (const auto end = Pending.find("\r\n\r\n"); end != std::string::npos) {
            std::string head = Pending.substr(0, end + 4);
            Pending.erase(0, end + 4);
            return head;
        }
        bool closed = false;
        if (std::chrono::steady_clock::now() >= deadline || Server.Stopping())
            throw std::runtime_error("no request head");
        Pending += ReceiveSome(std::chrono::milliseconds(kStopPollMs * 5), closed);
        if (closed)
            throw std::runtime_error("client closed before a request head");
    }
}

std::string LoopbackPeer::ReadUntilClose() {
    std::string all = std::move(Pending);
    Pending.clear();
    const auto deadline = std::chrono::steady_clock::now() + kMaxWait;
    bool closed = false;
    while (!closed && !Server.Stopping() && std::chrono::steady_clock::now() < deadline)
        all += ReceiveSome(std::chrono::milliseconds(kStopPollMs * 5), closed);
    return all;
}

void LoopbackPeer::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(Socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            if (n == -1 && errno == EINTR)
                continue;
            throw std::runtime_error("send failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void LoopbackPeer::Trickle(std::string_view bytes, std::chrono::milliseconds pause) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            Pause(pause);
        Send(bytes.substr(i, 1));
    }
}

void LoopbackPeer::Pause(std::chrono::milliseconds pause) {
    const auto deadline = std::chrono::steady_clock::now() + pause;
    while (!Server.Stopping() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            deadline - std::chrono::steady_clock::now(), std::chrono::milliseconds(kStopPollMs)));
}

void LoopbackPeer::Close() {
    if (Socket != -1) {
        ::close(Socket);
        Socket = -1;
    }
}

void LoopbackPeer::Reset() {
    if (Socket != -1) {
        const linger hard{1, 0};
        ::setsockopt(Socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(Socket);
        Socket = -1;
    }
}

bool LoopbackPeer::WaitForClientClose(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Server.Stopping() && std::chrono::steady_clock::now() < deadline) {
        bool closed = false;
        Pending += ReceiveSome(std::chrono::milliseconds(kStopPollMs), closed);
        if (closed)
            return true;
    }
    return false;
}

void LoopbackServer::Start(std::vector<Step> steps, bool repeatLast) {
    {
        std::lock_guard lock(Lock);
        Steps = std::move(steps);
        RepeatLast = repeatLast;
    }
    ListenSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(ListenSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(ListenSocket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(ListenSocket, 64) != 0)
        throw std::runtime_error("loopback server cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(ListenSocket, reinterpret_cast<sockaddr*>(&addr), &len);
    ListenPort = ntohs(addr.sin_port);
    Thread = std::thread([this] { Run(); });
}

void LoopbackServer::Add(Step step) {
    std::lock_guard lock(Lock);
    Steps.push_back(std::move(step));
}

void LoopbackServer::AddForEveryNext(Step step) {
    std::lock_guard lock(Lock);
    Steps.push_back(std::move(step));
    RepeatLast = true;
}

void LoopbackServer::Stop() {
    if (!Thread.joinable())
        return;
    StopFlag.store(true);
    Thread.join();
    ::close(ListenSocket);
    ListenSocket = -1;
}

std::string LoopbackServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(ListenPort) + std::string(path);
}

void LoopbackServer::Run() {
    for (std::size_t index = 0; !StopFlag.load(); ++index) {
        pollfd wait{ListenSocket, POLLIN, 0};
        while (!StopFlag.load() && ::poll(&wait, 1, kStopPollMs) <= 0) {
        }
        if (StopFlag.load())
            return;
        const int socket = ::accept4(ListenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket == -1)
            continue;
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        {
            std::lock_guard lock(Lock);
            Records.emplace_back();
        }
        LoopbackPeer peer(*this, socket, index);
        Step step;
        {
            std::lock_guard lock(Lock);
            if (index < Steps.size())
                step = Steps[index];
            else if (RepeatLast && !Steps.empty())
                step = Steps.back();
        }
        if (step) {
            try {
                step(peer);
            } catch (const std::exception& e) {
                std::lock_guard lock(Lock);
                StepErrors.push_back("connection " + std::to_string(index) + ": " + e.what());
            }
        }
        peer.Close();
    }
}

void LoopbackServer::Record(std::size_t connection, std::string_view bytes) {
    std::lock_guard lock(Lock);
    Records[connection].append(bytes);
}

int LoopbackServer::Connections() const {
    std::lock_guard lock(Lock);
    return static_cast<int>(Records.size());
}

std::string LoopbackServer::Received(std::size_t connection) const {
    std::lock_guard lock(Lock);
    return connection < Records.size() ? Records[connection] : std::string{};
}

std::vector<std::string> LoopbackServer::Errors() const {
    std::lock_guard lock(Lock);
    return StepErrors;
}

std::string HttpResponse(std::string_view status, std::string_view headers, std::string_view body) {
    std::string out = "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(headers) +
                      "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out += body;
    return out;
}

} // namespace korvane::test
