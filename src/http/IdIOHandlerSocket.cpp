#include "IdIOHandlerSocket.h"

#include "IdAbortSignal.h"
#include "IdException.h"

#include <algorithm>
#include <chrono>

namespace korvane::http {

void TIdIOHandlerSocket::Open() {
    if (!Binding)
        Binding = std::make_unique<TIdSocketHandle>(Stack);
    else
        Binding->Reset();
}

void TIdIOHandlerSocket::Connect(const std::string& host, std::int32_t port, int limit,
                                 const std::string& localAddress, std::int32_t localPort) {
    if (!Binding)
        Open();
    TIdStack& stack = Stack.Stack();
    Binding->AllocateSocket();
    Binding->LocalAddress = localAddress;
    Binding->LocalPort = localPort;
    // Binding to any address and port 0 would change nothing but cost a port
    // search that skips every port in TIME_WAIT: the kernel picks at connect.
    if (!localAddress.empty() || localPort != 0)
        Binding->Bind();
    // The lookup is part of the connect: its time comes out of the connect's
    // limit, and a bad name fails before any connect is tried.
    const auto start = std::chrono::steady_clock::now();
    Binding->PeerAddress = stack.LookUpAddress(host, limit);
    Binding->PeerPort = port;
    if (!UseNagle)
        stack.CheckCallResult(stack.SetNoDelay(Binding->Handle), {});
    if (limit == 0 || limit == -1) {
        stack.CheckCallResult(Binding->Connect(), {});
        Binding->UpdateBindings();
    } else if (limit == kIdTimeoutInfinite) {
        ConnectWithLimit(limit);
    } else {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        ConnectWithLimit(std::max(limit - static_cast<int>(spent.count()), 1));
    }
}

void TIdIOHandlerSocket::ConnectWithLimit(int limit) {
    // Non-blocking for the connect only, so this thread can watch the limit
    // and the abort signal itself; reads and writes later block again.
    TIdStack& stack = Stack.Stack();
    const TIdSocket s = Binding->Handle;
    const auto failed = [](int code) {
        return EIdConnectException(TIdStack::SocketErrorText(code));
    };
    if (stack.SetBlocking(s, false) == -1)
        throw failed(TIdStack::LastError());
    int code = Binding->Connect() == -1 ? TIdStack::LastError() : 0;
    if (TIdStack::ConnectPending(code)) {
        if (!WaitFor(true, limit)) {
            Close();
            throw EIdConnectTimeout();
        }
        code = stack.ConnectOutcome(s);
    }
    // Blocking again even after a failure: the socket stays open.
    if (stack.SetBlocking(s, true) == -1 && code == 0)
        code = TIdStack::LastError();
    if (code != 0)
        throw failed(code);
    try {
        Binding->UpdateBindings();
    } catch (const EIdSocketError& e) {
        throw EIdConnectException(e.what());
    }
}

bool TIdIOHandlerSocket::WaitReadable(int limit) {
    if (!Connected())
        throw EIdConnClosedGracefully();
    return WaitFor(false, limit);
}

bool TIdIOHandlerSocket::WaitFor(bool writable, int limit) {
    // A raised abort signal ends the wait as if the connection were gone.
    const TIdAbortSignal* abort = TIdAbortScope::Current();
    const bool watchAbort = abort && abort->Handle() != kIdInvalidSocket;
    TIdPollEntry wait[2] = {{Binding->Handle, writable, false},
                            {watchAbort ? abort->Handle() : kIdInvalidSocket, false, false}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    for (;;) {
        int timeout = -1;
        if (limit != kIdTimeoutInfinite) {
            // Rounded up: the wait never ends before the limit.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            timeout = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        if (abort && abort->Raised()) {
            Close();
            throw EIdClosedSocket();
        }
        const int ready = Stack.Stack().Poll(wait, watchAbort ? 2 : 1, timeout);
        if (ready == -1 && TIdStack::LastError() == Id_WSAEINTR)
            continue; // a signal is no time-out
        if (ready > 0 && wait[1].Ready)
            continue; // the abort: handled at the top
        if (ready == 0 && timeout > 0)
            continue; // woken early: the deadline decides
        return ready > 0;
    }
}

long TIdIOHandlerSocket::Recv(void* buffer, std::size_t length, bool mayWait) {
    if (!Connected())
        throw EIdClosedSocket();
    return Stack.Stack().Recv(Binding->Handle, buffer, length, mayWait);
}

long TIdIOHandlerSocket::Send(const void* buffer, std::size_t length) {
    if (!Connected())
        throw EIdClosedSocket();
    return Stack.Stack().Send(Binding->Handle, buffer, length);
}

void TIdIOHandlerSocket::Close() {
    if (Connected())
        Binding->CloseSocket();
}

} // namespace korvane::http
