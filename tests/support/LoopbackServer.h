#pragma once

#include "PlatformSockets.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace korvane::test {

class LoopbackServer;

// The server's side of one accepted connection, handed to a script step.
// Every wait is bounded, so a client that misbehaves cannot hang the suite.
class LoopbackPeer {
public:
    static constexpr std::chrono::milliseconds kMaxWait{5000};

    // Reads up to and including the blank line that ends a request head.
    std::string ReadRequestHead();
    // Reads until the client closes (or kMaxWait passes).
    std::string ReadUntilClose();
    void Send(std::string_view bytes);
    // Sends bytes one by one with pause between them.
    void Trickle(std::string_view bytes, std::chrono::milliseconds pause);
    void Pause(std::chrono::milliseconds pause);
    // Orderly close: the client reads the end of the stream.
    void Close();
    // Abortive close: the client's next receive fails with a reset.
    void Reset();
    // True when the client closed its side within limit.
    bool WaitForClientClose(std::chrono::milliseconds limit = kMaxWait);

private:
    friend class LoopbackServer;
    LoopbackPeer(LoopbackServer& server, PlatformSockets::Socket socket, std::size_t index)
        : Server(server), Socket(socket), Index(index) {}
    // One receive of what is waiting (up to limit); empty on close or time-out.
    std::string ReceiveSome(std::chrono::milliseconds limit, bool& closed);

    LoopbackServer& Server;
    PlatformSockets::Socket Socket;
    std::size_t Index;
    std::string Pending; // received past the last request head
};

// A TCP server on 127.0.0.1, port 0, running a scripted step per accepted
// connection on one thread, and recording the raw bytes each connection sent.
class LoopbackServer {
public:
    using Step = std::function<void(LoopbackPeer&)>;

    LoopbackServer() = default;
    ~LoopbackServer() { Stop(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Connection i runs steps[i]; with repeatLast, the last step serves every
    // further connection, otherwise further connections are closed at once.
    void Start(std::vector<Step> steps = {}, bool repeatLast = false);
    // Scripts the next connection; add steps before the client connects.
    void Add(Step step);
    // Scripts the next connection and every one after it.
    void AddForEveryNext(Step step);
    // Stops accepting, ends the connection in progress and joins the thread.
    void Stop();

    std::uint16_t Port() const { return ListenPort; }
    // "http://127.0.0.1:PORT" followed by path.
    std::string Url(std::string_view path = "/") const;

    int Connections() const;
    // The raw bytes received on connection i so far.
    std::string Received(std::size_t connection) const;
    // Failures inside the steps (a step's exception text).
    std::vector<std::string> Errors() const;
    bool Stopping() const { return StopFlag.load(); }

private:
    friend class LoopbackPeer;
    void Run();
    void Record(std::size_t connection, std::string_view bytes);

    std::vector<Step> Steps;
    bool RepeatLast = false;
    PlatformSockets::Socket ListenSocket = PlatformSockets::kNone;
    std::uint16_t ListenPort = 0;
    std::thread Thread;
    std::atomic<bool> StopFlag{false};
    mutable std::mutex Lock;
    std::vector<std::string> Records;
    std::vector<std::string> StepErrors;
};

// The usual answer: a status line, the headers given (each ending in CR LF)
// and the body with a counted length.
std::string HttpResponse(std::string_view status, std::string_view headers, std::string_view body);

} // namespace korvane::test
