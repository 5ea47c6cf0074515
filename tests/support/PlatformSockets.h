#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::test {

// The socket calls the test servers and tests make themselves, on POSIX or
// Winsock 2 (PlatformSocketsPosix.cpp, PlatformSocketsWindows.cpp): kept
// apart from the client under test, so a fault there cannot hide in both.
class PlatformSockets {
public:
    using Socket = std::intptr_t;
    static constexpr Socket kNone = -1;

    // Starts the socket library for the process (Winsock); any number of calls.
    static void Start();
    static Socket NewTcp(bool nonBlocking = false);
    static void Close(Socket s);
    // Binds to 127.0.0.1, port 0, and listens when backlog >= 0: the port,
    // or 0 on failure.
    static std::uint16_t BindLoopback(Socket s, int backlog = -1);
    static Socket Accept(Socket listener);
    // Connects to 127.0.0.1:port: 0 when connected, 1 when a non-blocking
    // connect is under way, -1 on failure.
    static int ConnectLoopback(Socket s, std::uint16_t port);
    // Waits up to timeoutMs for s to turn readable (or writable): > 0 when it did.
    static int Poll(Socket s, bool write, int timeoutMs);
    // Never raises SIGPIPE.
    static long Send(Socket s, const char* data, std::size_t size);
    static long Recv(Socket s, char* data, std::size_t size);
    // Whether the last call failed only because a signal interrupted it.
    static bool Interrupted();
    // Whether the last call on a non-blocking socket failed only for want of room or data.
    static bool WouldBlock();
    static void SetNonBlocking(Socket s);
    static void SetNoDelay(Socket s);
    static void SetReuseAddress(Socket s);
    // A close that resets the connection instead of ending it.
    static void SetAbortiveClose(Socket s);

    // The calling thread's last socket error, in the platform's own codes.
    static void SetLastError(int platformCode);
    // The platform's codes for a refused connect, a reset, a time-out, a send
    // after shutdown, and a send on a connection the peer has closed.
    static const int kConnectionRefused;
    static const int kConnectionReset;
    static const int kTimedOut;
    static const int kShutdown;
    static const int kBrokenPipe;

    // Threads of this process now.
    static int ThreadCount();
    // TCP segments with data the socket has sent (Linux's TCP_INFO); -1 where
    // the platform does not count them.
    static long DataSegmentsOut(Socket s);
};

} // namespace korvane::test
