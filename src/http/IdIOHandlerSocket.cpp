#include "IdIOHandlerSocket.h"

#include "IdAbortSignal.h"
#include "IdConnectThread.h"
#include "IdException.h"

#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

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
    // The lookup runs on this thread, so a bad name fails before any connect.
    Binding->PeerAddress = stack.LookUpAddress(host);
    Binding->PeerPort = port;
    if (!UseNagle) {
        const int on = 1;
        stack.CheckCallResult(
            stack.SetSockOpt(Binding->Handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on), {});
    }
    if (limit == 0 || limit == -1) {
        stack.CheckCallResult(Binding->Connect(), {});
        Binding->UpdateBindings();
    } else {
        ConnectThroughThread(limit);
    }
}

void TIdIOHandlerSocket::ConnectThroughThread(int limit) {
    using std::chrono::milliseconds;
    TIdConnectThread thread(*Binding);
    thread.Start();
    // Slices keep the wait's shape; the thread's signal ends a slice early.
    const bool noLimit = limit == kIdTimeoutInfinite;
    int remaining = noLimit ? kIdConnectWaitSlice + 1 : limit;
    const TIdAbortSignal* abort = TIdAbortScope::Current();
    const auto aborted = [abort] { return abort != nullptr && abort->Raised(); };
    while (remaining > kIdConnectWaitSlice) {
        if (aborted()) {
            remaining = 0; // given up: abandoned below like a time-out
            break;
        }
        if (thread.WaitFinished(milliseconds(kIdConnectWaitSlice))) {
            remaining = 0;
            break;
        }
        remaining = noLimit ? kIdConnectWaitSlice + 1 : remaining - kIdConnectWaitSlice;
    }
    if (remaining > 0 && !aborted())
        thread.WaitFinished(milliseconds(remaining));
    if (!thread.Finished()) {
        // Abandon the connect and see its thread end before reporting.
        thread.Terminate();
        thread.WaitFor();
        Close();
        TIdAbortScope::Check();
        throw EIdConnectTimeout();
    }
    thread.WaitFor();
    if (!thread.FailureText().empty())
        throw EIdConnectException(thread.FailureText());
}

bool TIdIOHandlerSocket::WaitReadable(int limit) {
    if (!Connected())
        throw EIdConnClosedGracefully();
    // poll rather than select: no FD_SETSIZE ceiling on the descriptor. A
    // raised abort signal ends the wait as if the connection were gone.
    const TIdAbortSignal* abort = TIdAbortScope::Current();
    pollfd wait[2] = {{Binding->Handle, POLLIN, 0}, {abort ? abort->Handle() : -1, POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    for (;;) {
        int timeout = -1;
        if (limit != kIdTimeoutInfinite) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            timeout = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        if (abort && abort->Raised()) {
            Close();
            throw EIdClosedSocket();
        }
        const int ready = ::poll(wait, abort ? 2 : 1, timeout);
        if (ready == -1 && errno == EINTR)
            continue; // a signal is no time-out
        if (ready > 0 && wait[1].revents != 0)
            continue; // the abort: handled at the top
        return ready > 0;
    }
}

long TIdIOHandlerSocket::Recv(void* buffer, std::size_t length, bool mayWait) {
    if (!Connected())
        throw EIdClosedSocket();
    return Stack.Stack().Recv(Binding->Handle, buffer, length, mayWait ? 0 : MSG_DONTWAIT);
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
