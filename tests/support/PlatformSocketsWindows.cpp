#include "PlatformSockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <tlhelp32.h>

namespace korvane::test {

namespace {

// ioctlsocket takes its command as a long; FIONBIO is built as an unsigned one.
constexpr long kFionbio = static_cast<long>(FIONBIO);

SOCKET Sock(PlatformSockets::Socket s) {
    return static_cast<SOCKET>(s);
}

int Length(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    return addr;
}

} // namespace

const int PlatformSockets::kConnectionRefused = WSAECONNREFUSED;
const int PlatformSockets::kConnectionReset = WSAECONNRESET;
const int PlatformSockets::kTimedOut = WSAETIMEDOUT;
const int PlatformSockets::kShutdown = WSAESHUTDOWN;
// Winsock has no broken pipe: a send after the peer's close is a shutdown error.
const int PlatformSockets::kBrokenPipe = WSAESHUTDOWN;

void PlatformSockets::Start() {
    // Started once and never cleaned up: the servers live until the process ends.
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

PlatformSockets::Socket PlatformSockets::NewTcp(bool nonBlocking) {
    Start();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return kNone;
    if (nonBlocking) {
        u_long on = 1;
        ::ioctlsocket(s, kFionbio, &on);
    }
    return static_cast<Socket>(s);
}

void PlatformSockets::Close(Socket s) {
    if (s != kNone)
        ::closesocket(Sock(s));
}

std::uint16_t PlatformSockets::BindLoopback(Socket s, int backlog) {
    sockaddr_in addr = Loopback(0);
    if (::bind(Sock(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (backlog >= 0 && ::listen(Sock(s), backlog) != 0))
        return 0;
    int len = sizeof addr;
    ::getsockname(Sock(s), reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

PlatformSockets::Socket PlatformSockets::Accept(Socket listener) {
    const SOCKET s = ::accept(Sock(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? kNone : static_cast<Socket>(s);
}

int PlatformSockets::ConnectLoopback(Socket s, std::uint16_t port) {
    const sockaddr_in addr = Loopback(port);
    if (::connect(Sock(s), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
        return 0;
    return ::WSAGetLastError() == WSAEWOULDBLOCK ? 1 : -1;
}

int PlatformSockets::Poll(Socket s, bool write, int timeoutMs) {
    WSAPOLLFD wait{Sock(s), static_cast<SHORT>(write ? POLLWRNORM : POLLRDNORM), 0};
    return ::WSAPoll(&wait, 1, timeoutMs);
}

long PlatformSockets::Send(Socket s, const char* data, std::size_t size) {
    return ::send(Sock(s), data, Length(size), 0);
}

long PlatformSockets::Recv(Socket s, char* data, std::size_t size) {
    return ::recv(Sock(s), data, Length(size), 0);
}

bool PlatformSockets::Interrupted() {
    return ::WSAGetLastError() == WSAEINTR;
}

bool PlatformSockets::WouldBlock() {
    return ::WSAGetLastError() == WSAEWOULDBLOCK;
}

void PlatformSockets::SetNonBlocking(Socket s) {
    u_long on = 1;
    ::ioctlsocket(Sock(s), kFionbio, &on);
}

void PlatformSockets::SetNoDelay(Socket s) {
    const BOOL on = TRUE;
    ::setsockopt(Sock(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

void PlatformSockets::SetReuseAddress(Socket s) {
    // Windows' SO_REUSEADDR would let a second listener steal the port; its
    // default already allows a quick rebind.
    (void)s;
}

void PlatformSockets::SetAbortiveClose(Socket s) {
    const linger hard{1, 0};
    ::setsockopt(Sock(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
}

void PlatformSockets::SetLastError(int platformCode) {
    ::WSASetLastError(platformCode);
}

int PlatformSockets::ThreadCount() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    const DWORD self = ::GetCurrentProcessId();
    int n = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        n += entry.th32OwnerProcessID == self;
    ::CloseHandle(snapshot);
    return n;
}

long PlatformSockets::DataSegmentsOut(Socket) {
    return -1;
}

} // namespace korvane::test
