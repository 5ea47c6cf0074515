#pragma once

#include "IdStack.h"

#include <cstdint>
#include <string>

namespace korvane::http {

// One socket and the addresses it is bound and connected to.
class TIdSocketHandle {
public:
    explicit TIdSocketHandle(const TIdStack::TUser& stack) : Stack(stack) {}
    ~TIdSocketHandle() { CloseSocket(); }
    TIdSocketHandle(const TIdSocketHandle&) = delete;
    TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

    // Back to "no socket": handle -1, not open, addresses cleared. An open
    // socket is closed first.
    void Reset();
    // A new IPv4 TCP socket (any open one closed first); EIdInvalidSocket on failure.
    void AllocateSocket();
    // Binds to LocalAddress:LocalPort as set by the caller, then reads them back.
    void Bind();
    // Connects to PeerAddress:PeerPort, blocking or not as the socket is set;
    // -1 with the error left on the thread.
    int Connect() const;
    // Reads back local and peer address and port; EIdSocketError on failure.
    void UpdateBindings();
    // Marks the handle not open, then shuts down sending and closes; results ignored.
    void CloseSocket();

    TIdSocket Handle = kIdInvalidSocket;
    bool IsOpen = false;
    std::string LocalAddress;
    std::int32_t LocalPort = 0;
    std::string PeerAddress;
    std::int32_t PeerPort = 0;

    TIdStack& StackRef() const { return Stack.Stack(); }

private:
    TIdStack::TUser Stack;
};

} // namespace korvane::http
