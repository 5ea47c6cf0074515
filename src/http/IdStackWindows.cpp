// The socket service on Windows: Winsock 2, started once per process and
// cleaned up when the program ends. Its error codes are the WSA codes that
// the error texts are numbered by, so they pass through unchanged.
#include "IdStack.h"

#include "IdException.h"
#include "IdSocketApi.h"

#include <algorithm>
#include <climits>

namespace korvane::http {

namespace {

// ioctlsocket takes its command as a long; FIONBIO is built as an unsigned one.
constexpr long kFionbio = static_cast<long>(FIONBIO);

SOCKET Sock(TIdSocket s) {
    return static_cast<SOCKET>(s);
}

int Length(std::size_t len) {
    return static_cast<int>(std::min<std::size_t>(len, INT_MAX));
}

// Cleans the library up at exit; exists only once the start-up succeeded.
struct TLibraryCleanup {
    ~TLibraryCleanup() { ::WSACleanup(); }
};

void CloseQuietly(SOCKET s) {
    if (s != INVALID_SOCKET)
        ::closesocket(s);
}

// Poll's wait for a connect: until the socket is writable (connected) or
// failed (refused, unreachable), or the abort handle readable.
int SelectConnect(TIdPollEntry* entries, std::size_t count, int timeout) {
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (std::size_t i = 0; i < count; ++i) {
        const SOCKET s = Sock(entries[i].Socket);
        if (entries[i].Write) {
            FD_SET(s, &writable);
            FD_SET(s, &failed);
        } else {
            FD_SET(s, &readable);
        }
    }
    timeval limit{timeout / 1000, (timeout % 1000) * 1000};
    if (::select(0, &readable, &writable, &failed, timeout < 0 ? nullptr : &limit) == SOCKET_ERROR)
        return -1;
    // select counts a socket once per set it is in: count the entries instead.
    int ready = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const SOCKET s = Sock(entries[i].Socket);
        entries[i].Ready = FD_ISSET(s, &readable) || FD_ISSET(s, &writable) || FD_ISSET(s, &failed);
        ready += entries[i].Ready ? 1 : 0;
    }
    return ready;
}

} // namespace

void TIdStack::StartLibrary() {
    // Called under the service's lock, so the flag needs no lock of its own.
    static bool started = false;
    if (started)
        return;
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        throw EIdStackInitializationFailed();
    started = true;
    static TLibraryCleanup cleanup;
}

int TIdStack::LookupErrorCode(int gaiError) {
    return gaiError; // getaddrinfo answers with WSA codes (WSAHOST_NOT_FOUND, ...)
}

int TIdStack::TranslateError(int platformCode) {
    return platformCode;
}

int TIdStack::LastError() {
    return ::WSAGetLastError();
}

TIdSocket TIdStack::NewSocket() const {
    const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                  WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    return s == INVALID_SOCKET ? kIdInvalidSocket : static_cast<TIdSocket>(s);
}

int TIdStack::Bind(TIdSocket s, const sockaddr_in& addr) const {
    return ::bind(Sock(s), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
}

int TIdStack::Connect(TIdSocket s, const sockaddr_in& addr) const {
    return ::connect(Sock(s), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
}

long TIdStack::Recv(TIdSocket s, void* buf, std::size_t len, bool mayWait) const {
    if (!mayWait) {
        // No per-call "don't wait" flag in Winsock: look first.
        WSAPOLLFD look{Sock(s), POLLRDNORM, 0};
        const int ready = ::WSAPoll(&look, 1, 0);
        if (ready == SOCKET_ERROR)
            return -1;
        if (ready == 0) {
            ::WSASetLastError(WSAEWOULDBLOCK);
            return -1;
        }
    }
    return ::recv(Sock(s), static_cast<char*>(buf), Length(len), 0);
}

long TIdStack::Send(TIdSocket s, const void* buf, std::size_t len) const {
    return ::send(Sock(s), static_cast<const char*>(buf), Length(len), 0);
}

int TIdStack::ShutdownSending(TIdSocket s) const {
    return ::shutdown(Sock(s), SD_SEND);
}

int TIdStack::CloseSocket(TIdSocket s) const {
    return ::closesocket(Sock(s));
}

int TIdStack::GetSockName(TIdSocket s, sockaddr_in& addr) const {
    int len = sizeof addr;
    return ::getsockname(Sock(s), reinterpret_cast<sockaddr*>(&addr), &len);
}

int TIdStack::GetPeerName(TIdSocket s, sockaddr_in& addr) const {
    int len = sizeof addr;
    return ::getpeername(Sock(s), reinterpret_cast<sockaddr*>(&addr), &len);
}

int TIdStack::SetNoDelay(TIdSocket s) const {
    const BOOL on = TRUE;
    return ::setsockopt(Sock(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                        sizeof on);
}

int TIdStack::SetBlocking(TIdSocket s, bool blocking) const {
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(Sock(s), kFionbio, &nonBlocking);
}

int TIdStack::ConnectOutcome(TIdSocket s) const {
    int error = 0;
    int len = sizeof error;
    if (::getsockopt(Sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) ==
        SOCKET_ERROR)
        return LastError();
    return error;
}

bool TIdStack::ConnectPending(int code) {
    // A non-blocking connect under way answers WSAEWOULDBLOCK on Winsock.
    return code == Id_WSAEWOULDBLOCK;
}

int TIdStack::Poll(TIdPollEntry* entries, std::size_t count, int timeout) const {
    constexpr std::size_t kMaxEntries = 4;
    if (count > kMaxEntries) {
        ::WSASetLastError(WSAEINVAL);
        return -1;
    }
    // A wait for writable is a connect's. WSAPoll on Windows 10 before
    // version 2004 reports nothing for a refused connect, so the wait would
    // run out and the refusal read as a time-out: select reports it in its
    // exception set.
    if (std::any_of(entries, entries + count, [](const TIdPollEntry& e) { return e.Write; }))
        return SelectConnect(entries, count, timeout);
    WSAPOLLFD fds[kMaxEntries];
    for (std::size_t i = 0; i < count; ++i)
        fds[i] = {Sock(entries[i].Socket), POLLRDNORM, 0};
    const int ready = ::WSAPoll(fds, static_cast<ULONG>(count), timeout);
    for (std::size_t i = 0; i < count; ++i)
        entries[i].Ready = ready > 0 && fds[i].revents != 0;
    return ready;
}

int TIdStack::SocketPair(TIdSocket pair[2]) const {
    // No socketpair on Windows: a loopback connection made through a
    // listener that lives only for this call.
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    SOCKET reader = INVALID_SOCKET;
    SOCKET writer = INVALID_SOCKET;
    const auto fail = [&] {
        const int code = ::WSAGetLastError();
        CloseQuietly(listener);
        CloseQuietly(reader);
        CloseQuietly(writer);
        ::WSASetLastError(code);
        return -1;
    };
    if (listener == INVALID_SOCKET)
        return fail();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return fail();
    writer = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (writer == INVALID_SOCKET ||
        ::connect(writer, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return fail();
    sockaddr_in writerEnd{}, acceptedPeer{};
    int writerLen = sizeof writerEnd, peerLen = sizeof acceptedPeer;
    reader = ::accept(listener, reinterpret_cast<sockaddr*>(&acceptedPeer), &peerLen);
    if (reader == INVALID_SOCKET ||
        ::getsockname(writer, reinterpret_cast<sockaddr*>(&writerEnd), &writerLen) != 0)
        return fail();
    // Another local program could have connected first: only our own end will do.
    if (writerEnd.sin_port != acceptedPeer.sin_port ||
        writerEnd.sin_addr.s_addr != acceptedPeer.sin_addr.s_addr) {
        ::WSASetLastError(WSAECONNREFUSED);
        return fail();
    }
    ::closesocket(listener);
    listener = INVALID_SOCKET;
    u_long nonBlocking = 1;
    if (::ioctlsocket(reader, kFionbio, &nonBlocking) != 0 ||
        ::ioctlsocket(writer, kFionbio, &nonBlocking) != 0)
        return fail();
    pair[0] = static_cast<TIdSocket>(reader);
    pair[1] = static_cast<TIdSocket>(writer);
    return 0;
}

} // namespace korvane::http
