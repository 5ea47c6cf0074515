#pragma once

#include "IdSocketHandle.h"

#include <cstdint>
#include <memory>
#include <string>

namespace korvane::http {

// Limits in milliseconds for connects and waits.
inline constexpr int kIdTimeoutInfinite = -2;
// The slice in which a caller waits for its connect thread.
inline constexpr int kIdConnectWaitSlice = 125;

// The socket endpoint of a connection: owns one socket handle, connects it
// (with a time limit through a connect thread), waits for data, closes it.
class TIdIOHandlerSocket {
public:
    TIdIOHandlerSocket() = default;
    ~TIdIOHandlerSocket() { Close(); }
    TIdIOHandlerSocket(const TIdIOHandlerSocket&) = delete;
    TIdIOHandlerSocket& operator=(const TIdIOHandlerSocket&) = delete;

    // Creates the handle record or resets the existing one.
    void Open();
    // limit: 0 or -1 connect directly, blocking; otherwise through a connect
    // thread, kIdTimeoutInfinite meaning no limit.
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
    void ConnectThroughThread(int limit);

    TIdStack::TUser Stack;
    std::unique_ptr<TIdSocketHandle> Binding;
};

} // namespace korvane::http
