#include "PlatformSockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::test {

namespace {

int Fd(PlatformSockets::Socket s) {
    return static_cast<int>(s);
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    return addr;
}

} // namespace

const int PlatformSockets::kConnectionRefused = ECONNREFUSED;
const int PlatformSockets::kConnectionReset = ECONNRESET;
const int PlatformSockets::kTimedOut = ETIMEDOUT;
const int PlatformSockets::kShutdown = ESHUTDOWN;
const int PlatformSockets::kBrokenPipe = EPIPE;

void PlatformSockets::Start() {}

PlatformSockets::Socket PlatformSockets::NewTcp(bool nonBlocking) {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
}

void PlatformSockets::Close(Socket s) {
    if (s != kNone)
        ::close(Fd(s));
}

std::uint16_t PlatformSockets::BindLoopback(Socket s, int backlog) {
    sockaddr_in addr = Loopback(0);
    if (::bind(Fd(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (backlog >= 0 && ::listen(Fd(s), backlog) != 0))
        return 0;
    socklen_t len = sizeof addr;
    ::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

PlatformSockets::Socket PlatformSockets::Accept(Socket listener) {
    return ::accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
}

int PlatformSockets::ConnectLoopback(Socket s, std::uint16_t port) {
    const sockaddr_in addr = Loopback(port);
    if (::connect(Fd(s), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
        return 0;
    return errno == EINPROGRESS ? 1 : -1;
}

int PlatformSockets::Poll(Socket s, bool write, int timeoutMs) {
    pollfd wait{Fd(s), static_cast<short>(write ? POLLOUT : POLLIN), 0};
    return ::poll(&wait, 1, timeoutMs);
}

long PlatformSockets::Send(Socket s, const char* data, std::size_t size) {
    return ::send(Fd(s), data, size, MSG_NOSIGNAL);
}

long PlatformSockets::Recv(Socket s, char* data, std::size_t size) {
    return ::recv(Fd(s), data, size, 0);
}

bool PlatformSockets::Interrupted() {
    return errno == EINTR;
}

bool PlatformSockets::WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

void PlatformSockets::SetNonBlocking(Socket s) {
    int on = 1;
    ::ioctl(Fd(s), FIONBIO, &on);
}

void PlatformSockets::SetNoDelay(Socket s) {
    const int on = 1;
    ::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void PlatformSockets::SetReuseAddress(Socket s) {
    const int on = 1;
    ::setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

void PlatformSockets::SetAbortiveClose(Socket s) {
    const linger hard{1, 0};
    ::setsockopt(Fd(s), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

void PlatformSockets::SetLastError(int platformCode) {
    errno = platformCode;
}

int PlatformSockets::ThreadCount() {
    int n = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            n += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return n;
}

long PlatformSockets::DataSegmentsOut(Socket s) {
    tcp_info info{};
    socklen_t len = sizeof info;
    if (::getsockopt(Fd(s), IPPROTO_TCP, TCP_INFO, &info, &len) != 0)
        return -1;
    return static_cast<long>(info.tcpi_data_segs_out);
}

} // namespace korvane::test
