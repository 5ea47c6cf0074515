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
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
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

std::string TIdStack::LookUpAddress(const std::string& host) const {
    if (SameText(host, "LOCALHOST"))
        return "127.0.0.1";
    if (IsDottedQuad(host))
        return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &answer);
    if (rc != 0 || answer == nullptr) {
        const int code = rc != 0 ? LookupErrorCode(rc) : Id_WSAHOST_NOT_FOUND;
        RaiseSocketError(code);
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> guard(answer, freeaddrinfo);
    const auto* addr = reinterpret_cast<const sockaddr_in*>(answer->ai_addr);
    const auto b = reinterpret_cast<const unsigned char*>(&addr->sin_addr.s_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
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
