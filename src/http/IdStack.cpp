#include "IdStack.h"

#include "IdException.h"
#include "IdGlobal.h"

#include "IdSocketApi.h"

#include <memory>
#include <mutex>
#include <string>

namespace korvane::http {

namespace {

std::mutex GStackLock;
int GStackUsers = 0;
TIdStack* GStack = nullptr;

struct TErrorRow {
    int Code;
    const char* Text;
};

constexpr TErrorRow kErrorTexts[] = {
    {Id_WSAEINTR, "Interrupted system call."},
    {Id_WSAEBADF, "Bad file number."},
    {Id_WSAEACCES, "Access denied."},
    {Id_WSAEFAULT, "Bad address."},
    {Id_WSAEINVAL, "Invalid argument."},
    {Id_WSAEMFILE, "Too many open files."},
    {Id_WSAEWOULDBLOCK, "Operation would block. "},
    {Id_WSAEINPROGRESS, "Operation now in progress."},
    {Id_WSAEALREADY, "Operation already in progress."},
    {Id_WSAENOTSOCK, "Socket operation on non-socket."},
    {Id_WSAEDESTADDRREQ, "Destination address required."},
    {Id_WSAEMSGSIZE, "Message too long."},
    {Id_WSAEPROTOTYPE, "Protocol wrong type for socket."},
    {Id_WSAENOPROTOOPT, "Bad protocol option."},
    {Id_WSAEPROTONOSUPPORT, "Protocol not supported."},
    {Id_WSAESOCKTNOSUPPORT, "Socket type not supported."},
    {Id_WSAEOPNOTSUPP, "Operation not supported on socket."},
    {Id_WSAEPFNOSUPPORT, "Protocol family not supported."},
    {Id_WSAEAFNOSUPPORT, "Address family not supported by protocol family."},
    {Id_WSAEADDRINUSE, "Address already in use."},
    {Id_WSAEADDRNOTAVAIL, "Cannot assign requested address."},
    {Id_WSAENETDOWN, "Network is down."},
    {Id_WSAENETUNREACH, "Network is unreachable."},
    {Id_WSAENETRESET, "Net dropped connection or reset."},
    {Id_WSAECONNABORTED, "Software caused connection abort."},
    {Id_WSAECONNRESET, "Connection reset by peer."},
    {Id_WSAENOBUFS, "No buffer space available."},
    {Id_WSAEISCONN, "Socket is already connected."},
    {Id_WSAENOTCONN, "Socket is not connected."},
    {Id_WSAESHUTDOWN, "Cannot send or receive after socket is closed."},
    {Id_WSAETOOMANYREFS, "Too many references, cannot splice."},
    {Id_WSAETIMEDOUT, "Connection timed out."},
    {Id_WSAECONNREFUSED, "Connection refused."},
    {Id_WSAELOOP, "Too many levels of symbolic links."},
    {Id_WSAENAMETOOLONG, "File name too long."},
    {Id_WSAEHOSTDOWN, "Host is down."},
    {Id_WSAEHOSTUNREACH, "No route to host."},
    {Id_WSAENOTEMPTY, "Directory not empty"},
    {Id_WSAHOST_NOT_FOUND, "Host not found."},
};

} // namespace

TIdStack::TUser::TUser() {
    std::lock_guard lock(GStackLock);
    if (GStackUsers == 0) {
        // A failed start leaves the count at 0: the next user tries again.
        StartLibrary();
        GStack = new TIdStack();
    }
    ++GStackUsers;
    Instance = GStack;
}

TIdStack::TUser::TUser(const TUser&) : TUser() {}

TIdStack::TUser::~TUser() {
    std::lock_guard lock(GStackLock);
    if (--GStackUsers == 0) {
        delete GStack;
        GStack = nullptr;
    }
}

bool TIdStack::Exists() {
    std::lock_guard lock(GStackLock);
    return GStack != nullptr;
}

bool TIdStack::ParseAddress(std::string_view text, std::uint32_t& networkOrder) {
    if (text.empty()) {
        networkOrder = htonl(INADDR_ANY);
        return true;
    }
    std::uint32_t host = 0;
    for (int part = 0; part < 4; ++part) {
        std::string_view piece = text;
        if (part < 3) {
            const auto dot = text.find('.');
            piece = text.substr(0, dot);
            text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
        }
        const auto value = NumberToInt32(piece);
        if (!value || *value < 0 || *value > 255)
            return false;
        host = (host << 8) | static_cast<std::uint32_t>(*value);
    }
    networkOrder = htonl(host);
    return true;
}

bool TIdStack::IsDottedQuad(std::string_view text) {
    std::uint32_t ignored = 0;
    return !text.empty() && ParseAddress(text, ignored);
}

std::string TIdStack::LookUpAddress(const std::string& host, int limit) const {
    if (SameText(host, "LOCALHOST"))
        return "127.0.0.1";
    if (IsDottedQuad(host))
        return host;
    // No name is no host: nothing to ask a name server.
    if (host.empty())
        RaiseSocketError(Id_WSAHOST_NOT_FOUND);
    return TIdHostLookup::Resolve(host, limit, &TIdStack::ResolveNow);
}

TIdHostLookup::TAnswer TIdStack::ResolveNow(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &answer);
    if (rc != 0 || answer == nullptr)
        return {{}, rc != 0 ? LookupErrorCode(rc) : Id_WSAHOST_NOT_FOUND};
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> guard(answer, freeaddrinfo);
    const auto* addr = reinterpret_cast<const sockaddr_in*>(answer->ai_addr);
    const auto b = reinterpret_cast<const unsigned char*>(&addr->sin_addr.s_addr);
    return {std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                std::to_string(b[3]),
            0};
}

bool TIdStack::CheckCallResult(int result, std::initializer_list<int> tolerated) const {
    if (result != -1)
        return false;
    const int code = LastError();
    for (int t : tolerated)
        if (t == code)
            return true;
    RaiseSocketError(code);
}

std::string TIdStack::SocketErrorText(int code) {
    const char* text = "";
    for (const TErrorRow& row : kErrorTexts)
        if (row.Code == code)
            text = row.Text;
    return "Socket Error # " + std::to_string(code) + "\r\n" + text;
}

void TIdStack::RaiseSocketError(int code) {
    throw EIdSocketError(code, SocketErrorText(code));
}

} // namespace korvane::http
