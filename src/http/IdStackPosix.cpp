// The socket service on POSIX: the calls themselves, and errno mapped onto
// the WinSock numbering that the error texts use.
#include "IdStack.h"

#include "IdSocketApi.h"

#include <cerrno>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace korvane::http {

namespace {

struct TErrnoRow {
    int Errno;
    int Code;
};

// POSIX errors onto the rows of the same meaning.
constexpr TErrnoRow kErrnoMap[] = {
    {EINTR, Id_WSAEINTR},
    {EBADF, Id_WSAEBADF},
    {EACCES, Id_WSAEACCES},
    {EPERM, Id_WSAEACCES},
    {EFAULT, Id_WSAEFAULT},
    {EINVAL, Id_WSAEINVAL},
    {EMFILE, Id_WSAEMFILE},
    {ENFILE, Id_WSAEMFILE},
    {EWOULDBLOCK, Id_WSAEWOULDBLOCK},
    {EINPROGRESS, Id_WSAEINPROGRESS},
    {EALREADY, Id_WSAEALREADY},
    {ENOTSOCK, Id_WSAENOTSOCK},
    {EDESTADDRREQ, Id_WSAEDESTADDRREQ},
    {EMSGSIZE, Id_WSAEMSGSIZE},
    {EPROTOTYPE, Id_WSAEPROTOTYPE},
    {ENOPROTOOPT, Id_WSAENOPROTOOPT},
    {EPROTONOSUPPORT, Id_WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, Id_WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, Id_WSAEOPNOTSUPP},
    {EPFNOSUPPORT, Id_WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, Id_WSAEAFNOSUPPORT},
    {EADDRINUSE, Id_WSAEADDRINUSE},
    {EADDRNOTAVAIL, Id_WSAEADDRNOTAVAIL},
    {ENETDOWN, Id_WSAENETDOWN},
    {ENETUNREACH, Id_WSAENETUNREACH},
    {ENETRESET, Id_WSAENETRESET},
    {ECONNABORTED, Id_WSAECONNABORTED},
    {ECONNRESET, Id_WSAECONNRESET},
    {ENOBUFS, Id_WSAENOBUFS},
    {ENOMEM, Id_WSAENOBUFS},
    {EISCONN, Id_WSAEISCONN},
    {ENOTCONN, Id_WSAENOTCONN},
    {ESHUTDOWN, Id_WSAESHUTDOWN},
    {EPIPE, Id_WSAESHUTDOWN},
    {ETOOMANYREFS, Id_WSAETOOMANYREFS},
    {ETIMEDOUT, Id_WSAETIMEDOUT},
    {ECONNREFUSED, Id_WSAECONNREFUSED},
    {ELOOP, Id_WSAELOOP},
    {ENAMETOOLONG, Id_WSAENAMETOOLONG},
    {EHOSTDOWN, Id_WSAEHOSTDOWN},
    {EHOSTUNREACH, Id_WSAEHOSTUNREACH},
    {ENOTEMPTY, Id_WSAENOTEMPTY},
};

int Fd(TIdSocket s) {
    return static_cast<int>(s);
}

} // namespace

void TIdStack::StartLibrary() {}

int TIdStack::LookupErrorCode(int gaiError) {
    switch (gaiError) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
        return Id_WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return Id_WSATRY_AGAIN;
    case EAI_FAIL:
        return Id_WSANO_RECOVERY;
    case EAI_MEMORY:
        return Id_WSAENOBUFS;
    case EAI_SYSTEM:
        return TranslateError(errno);
    default:
        return Id_WSANO_DATA;
    }
}

int TIdStack::TranslateError(int platformCode) {
    for (const TErrnoRow& row : kErrnoMap)
        if (row.Errno == platformCode)
            return row.Code;
    return platformCode; // no row: the message's second line stays empty
}

int TIdStack::LastError() {
    return TranslateError(errno);
}

TIdSocket TIdStack::NewSocket() const {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

int TIdStack::Bind(TIdSocket s, const sockaddr_in& addr) const {
    return ::bind(Fd(s), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
}

int TIdStack::Connect(TIdSocket s, const sockaddr_in& addr) const {
    return ::connect(Fd(s), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
}

long TIdStack::Recv(TIdSocket s, void* buf, std::size_t len, bool mayWait) const {
    return ::recv(Fd(s), buf, len, mayWait ? 0 : MSG_DONTWAIT);
}

long TIdStack::Send(TIdSocket s, const void* buf, std::size_t len) const {
    return ::send(Fd(s), buf, len, MSG_NOSIGNAL);
}

int TIdStack::ShutdownSending(TIdSocket s) const {
    return ::shutdown(Fd(s), SHUT_WR);
}

int TIdStack::CloseSocket(TIdSocket s) const {
    return ::close(Fd(s));
}

int TIdStack::GetSockName(TIdSocket s, sockaddr_in& addr) const {
    socklen_t len = sizeof addr;
    return ::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&addr), &len);
}

int TIdStack::GetPeerName(TIdSocket s, sockaddr_in& addr) const {
    socklen_t len = sizeof addr;
    return ::getpeername(Fd(s), reinterpret_cast<sockaddr*>(&addr), &len);
}

int TIdStack::SetNoDelay(TIdSocket s) const {
    const int on = 1;
    return ::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int TIdStack::SetBlocking(TIdSocket s, bool blocking) const {
    int nonBlocking = blocking ? 0 : 1;
    return ::ioctl(Fd(s), FIONBIO, &nonBlocking);
}

int TIdStack::ConnectOutcome(TIdSocket s) const {
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(Fd(s), SOL_SOCKET, SO_ERROR, &error, &len) == -1)
        return LastError();
    return error == 0 ? 0 : TranslateError(error);
}

bool TIdStack::ConnectPending(int code) {
    return code == Id_WSAEINPROGRESS;
}

int TIdStack::Poll(TIdPollEntry* entries, std::size_t count, int timeout) const {
    // poll rather than select: no FD_SETSIZE ceiling on the descriptor.
    pollfd small[2];
    std::vector<pollfd> large(count > 2 ? count : 0);
    pollfd* fds = count > 2 ? large.data() : small;
    for (std::size_t i = 0; i < count; ++i)
        fds[i] = {Fd(entries[i].Socket), static_cast<short>(entries[i].Write ? POLLOUT : POLLIN),
                  0};
    const int ready = ::poll(fds, count, timeout);
    for (std::size_t i = 0; i < count; ++i)
        entries[i].Ready = ready > 0 && fds[i].revents != 0;
    return ready;
}

int TIdStack::SocketPair(TIdSocket pair[2]) const {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) == -1)
        return -1;
    pair[0] = fds[0];
    pair[1] = fds[1];
    return 0;
}

} // namespace korvane::http
