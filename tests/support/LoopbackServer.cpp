#include "LoopbackServer.h"

#include <algorithm>
#include <stdexcept>

namespace korvane::test {

using Sockets = PlatformSockets;

namespace {

// How often a blocked server wait looks at the stop flag.
constexpr int kStopPollMs = 20;

} // namespace

std::string LoopbackPeer::ReceiveSome(std::chrono::milliseconds limit, bool& closed) {
    closed = false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Server.Stopping() && std::chrono::steady_clock::now() < deadline) {
        // Never past the limit: a page delayed 2 ms must not wait a whole poll.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int wait = static_cast<int>(std::clamp<long long>(left.count(), 1, kStopPollMs));
        if (Sockets::Poll(Socket, false, wait) <= 0)
            continue;
        char buffer[65536];
        const long n = Sockets::Recv(Socket, buffer, sizeof buffer);
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
    // Bounded like the receives: a client that stops reading, or whose
    // close the platform never reports to a sender (Wine), ends the step.
    const auto deadline = std::chrono::steady_clock::now() + kMaxWait;
    while (!bytes.empty()) {
        const long n = Sockets::Send(Socket, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0 || !(Sockets::Interrupted() || Sockets::WouldBlock()))
            throw std::runtime_error("send failed");
        if (Server.Stopping() || std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error("send did not finish");
        Sockets::Poll(Socket, true, kStopPollMs);
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
    if (Socket != Sockets::kNone) {
        Sockets::Close(Socket);
        Socket = Sockets::kNone;
    }
}

void LoopbackPeer::Reset() {
    if (Socket != Sockets::kNone) {
        Sockets::SetAbortiveClose(Socket);
        Sockets::Close(Socket);
        Socket = Sockets::kNone;
    }
}

bool LoopbackPeer::WaitForClientClose(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Server.Stopping() && std::chrono::steady_clock::now() < deadline) {
        bool closed = false;
        Pending += ReceiveSome(std::chrono::ceil<std::chrono::milliseconds>(
                                   deadline - std::chrono::steady_clock::now()),
                               closed);
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
    ListenSocket = Sockets::NewTcp();
    Sockets::SetReuseAddress(ListenSocket);
    ListenPort = Sockets::BindLoopback(ListenSocket, 64);
    if (ListenPort == 0)
        throw std::runtime_error("loopback server cannot listen");
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
    Sockets::Close(ListenSocket);
    ListenSocket = Sockets::kNone;
}

std::string LoopbackServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(ListenPort) + std::string(path);
}

void LoopbackServer::Run() {
    for (std::size_t index = 0; !StopFlag.load(); ++index) {
        while (!StopFlag.load() && Sockets::Poll(ListenSocket, false, kStopPollMs) <= 0) {
        }
        if (StopFlag.load())
            return;
        const Sockets::Socket socket = Sockets::Accept(ListenSocket);
        if (socket == Sockets::kNone)
            continue;
        Sockets::SetNoDelay(socket);
        // Every wait of a step is a bounded poll; no call may block beyond it.
        Sockets::SetNonBlocking(socket);
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
