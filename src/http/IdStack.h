#pragma once

#include "IdHostLookup.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

struct sockaddr_in;

namespace korvane::http {

// Socket error numbers as the client reports them: the WinSock numbering, so
// every message reads the same on every platform. Platform errors are mapped
// onto these by meaning (TIdStack::TranslateError).
inline constexpr int Id_WSAEINTR = 10004;
inline constexpr int Id_WSAEBADF = 10009;
inline constexpr int Id_WSAEACCES = 10013;
inline constexpr int Id_WSAEFAULT = 10014;
inline constexpr int Id_WSAEINVAL = 10022;
inline constexpr int Id_WSAEMFILE = 10024;
inline constexpr int Id_WSAEWOULDBLOCK = 10035;
inline constexpr int Id_WSAEINPROGRESS = 10036;
inline constexpr int Id_WSAEALREADY = 10037;
inline constexpr int Id_WSAENOTSOCK = 10038;
inline constexpr int Id_WSAEDESTADDRREQ = 10039;
inline constexpr int Id_WSAEMSGSIZE = 10040;
inline constexpr int Id_WSAEPROTOTYPE = 10041;
inline constexpr int Id_WSAENOPROTOOPT = 10042;
inline constexpr int Id_WSAEPROTONOSUPPORT = 10043;
inline constexpr int Id_WSAESOCKTNOSUPPORT = 10044;
inline constexpr int Id_WSAEOPNOTSUPP = 10045;
inline constexpr int Id_WSAEPFNOSUPPORT = 10046;
inline constexpr int Id_WSAEAFNOSUPPORT = 10047;
inline constexpr int Id_WSAEADDRINUSE = 10048;
inline constexpr int Id_WSAEADDRNOTAVAIL = 10049;
inline constexpr int Id_WSAENETDOWN = 10050;
inline constexpr int Id_WSAENETUNREACH = 10051;
inline constexpr int Id_WSAENETRESET = 10052;
inline constexpr int Id_WSAECONNABORTED = 10053;
inline constexpr int Id_WSAECONNRESET = 10054;
inline constexpr int Id_WSAENOBUFS = 10055;
inline constexpr int Id_WSAEISCONN = 10056;
inline constexpr int Id_WSAENOTCONN = 10057;
inline constexpr int Id_WSAESHUTDOWN = 10058;
inline constexpr int Id_WSAETOOMANYREFS = 10059;
inline constexpr int Id_WSAETIMEDOUT = 10060;
inline constexpr int Id_WSAECONNREFUSED = 10061;
inline constexpr int Id_WSAELOOP = 10062;
inline constexpr int Id_WSAENAMETOOLONG = 10063;
inline constexpr int Id_WSAEHOSTDOWN = 10064;
inline constexpr int Id_WSAEHOSTUNREACH = 10065;
inline constexpr int Id_WSAENOTEMPTY = 10066;
inline constexpr int Id_WSAHOST_NOT_FOUND = 11001;
inline constexpr int Id_WSATRY_AGAIN = 11002;
inline constexpr int Id_WSANO_RECOVERY = 11003;
inline constexpr int Id_WSANO_DATA = 11004;

// A socket: a descriptor on POSIX, a SOCKET on Windows, whose INVALID_SOCKET
// reads as -1 here too.
using TIdSocket = std::intptr_t;
inline constexpr TIdSocket kIdInvalidSocket = -1;

// One socket of a wait: what to wait for, and whether it came.
struct TIdPollEntry {
    TIdSocket Socket = kIdInvalidSocket;
    bool Write = false; // writable (a connect's end) rather than readable
    bool Ready = false;
};

// The process-wide socket service: host lookup, thin forwarders to the
// platform's socket calls (POSIX or Winsock 2) and the error texts. It keeps
// no per-call state; an instance exists while any object of the connection
// family holds a TUser. The platform half lives in IdStackPosix.cpp and
// IdStackWindows.cpp, one of which is built.
class TIdStack {
public:
    // Keeps the service alive for as long as the holder lives.
    class TUser {
    public:
        TUser();
        TUser(const TUser&);
        TUser& operator=(const TUser&) = default;
        ~TUser();
        TIdStack& Stack() const { return *Instance; }

    private:
        TIdStack* Instance;
    };

    // Whether a service exists now (for tests of the lifetime).
    static bool Exists();

    // "LOCALHOST" and dotted quads need no lookup; anything else is resolved
    // to the first IPv4 address of the system resolver's answer, within limit
    // ms (0, -1 or kIdTimeoutInfinite: none) and the thread's abort signal
    // (TIdHostLookup).
    std::string LookUpAddress(const std::string& host, int limit = -1) const;
    static bool IsDottedQuad(std::string_view text);
    // The four bytes of a dotted quad (network order), or INADDR_ANY for "".
    static bool ParseAddress(std::string_view text, std::uint32_t& networkOrder);

    // False when result is not -1; else true when the calling thread's last
    // error is tolerated, and EIdSocketError otherwise.
    bool CheckCallResult(int result, std::initializer_list<int> tolerated) const;
    static std::string SocketErrorText(int code);
    // The calling thread's last socket error, in the client's numbering.
    static int LastError();
    // A platform error code (errno, or a WSA code) in the client's numbering.
    static int TranslateError(int platformCode);
    [[noreturn]] static void RaiseSocketError(int code);

    // Forwarders. Sockets are IPv4 TCP; sending never raises SIGPIPE.
    TIdSocket NewSocket() const;
    int Bind(TIdSocket s, const sockaddr_in& addr) const;
    int Connect(TIdSocket s, const sockaddr_in& addr) const;
    // A receive that may not wait fails with WSAEWOULDBLOCK when nothing is waiting.
    long Recv(TIdSocket s, void* buf, std::size_t len, bool mayWait = true) const;
    long Send(TIdSocket s, const void* buf, std::size_t len) const;
    int ShutdownSending(TIdSocket s) const;
    int CloseSocket(TIdSocket s) const;
    int GetSockName(TIdSocket s, sockaddr_in& addr) const;
    int GetPeerName(TIdSocket s, sockaddr_in& addr) const;
    int SetNoDelay(TIdSocket s) const;
    // Switches a socket between blocking and non-blocking calls.
    int SetBlocking(TIdSocket s, bool blocking) const;
    // The outcome of a non-blocking connect once the socket is writable: 0
    // when connected, else the error in the client's numbering.
    int ConnectOutcome(TIdSocket s) const;
    // Whether a connect's failure code means "still in progress".
    static bool ConnectPending(int code);
    // Waits up to timeout ms (-1: no limit) until an entry is ready: the
    // count of ready entries, 0 on time-out, -1 with the error left.
    int Poll(TIdPollEntry* entries, std::size_t count, int timeout) const;
    // Two connected sockets, both non-blocking: what is sent on pair[1]
    // becomes readable on pair[0]. -1 with the error left.
    int SocketPair(TIdSocket pair[2]) const;

private:
    TIdStack() = default;
    // Starts the platform's socket library once per process (Winsock);
    // EIdStackInitializationFailed when it cannot.
    static void StartLibrary();
    // The system resolver's answer for host, however long it takes.
    static TIdHostLookup::TAnswer ResolveNow(const std::string& host);
    // A getaddrinfo failure in the client's numbering.
    static int LookupErrorCode(int gaiError);
};

} // namespace korvane::http
