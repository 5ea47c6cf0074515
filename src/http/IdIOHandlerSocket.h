#pragma once

#include "IdSocketHandle.h"

#include <cstdint>
#include <memory>
#include <string>

namespace korvane::http {

// Limits in milliseconds for connects and waits.
inline constexpr int kIdTimeoutInfinite = -2;

// The socket endpoint of a connection: owns one socket handle, connects it
// (with a time limit: non-blocking, waited on with the abort signal), waits
// for data, closes it.
class TIdIOHandlerSocket {
public:
    TIdIOHandlerSocket() = default;
    ~TIdIOHandlerSocket() { Close(); }
    TIdIOHandlerSocket(const TIdIOHandlerSocket&) = delete;
    TIdIOHandlerSocket& operator=(const TIdIOHandlerSocket&) = delete;

    // Creates the handle record or resets the existing one.
    void Open();
    // limit: 0 or -1 connect directly, blocking; otherwise within limit ms,
    // kIdTimeoutInfinite meaning no limit, on this thread.
    void Connect(const std::string& host, std::int32_t port, int limit,
                 const std::string& localAddress, std::int32_t localPort);
    // True only when data (or the peer's close) is waiting within limit ms.
    bool WaitReadable(int limit);
    // One recv / send: the count, 0 when the peer closed, -1 with the error
    // left on the thread. EIdClosedSocket when not open. A recv that may not
    // wait fails with WSAEWOULDBLOCK when nothing is waiting.
    long Recv(void* buffer, std::size_t length, bool mayWait = true);
    long Send(const void* buffer, std::size_t length);
    // Shuts down sending and closes; nothing when not open.
    void Close();
    bool Connected() const { return Binding && Binding->IsOpen; }

    TIdSocketHandle* SocketHandle() const { return Binding.get(); }

    bool UseNagle = true;

private:
    void ConnectWithLimit(int limit);
    // Waits until the socket is readable (or writable); false when limit ms
    // passed first. A raised abort signal closes the endpoint: EIdClosedSocket.
    bool WaitFor(bool writable, int limit);

    TIdStack::TUser Stack;
    std::unique_ptr<TIdSocketHandle> Binding;
};

} // namespace korvane::http
