#include "IdSocketHandle.h"

#include "IdException.h"

#include "IdSocketApi.h"

namespace korvane::http {

namespace {

sockaddr_in MakeAddress(const std::string& address, std::int32_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    std::uint32_t networkOrder = 0;
    // A text that is no address was already refused by the lookup; an
    // unreadable local address binds to any, as an empty one does.
    if (!TIdStack::ParseAddress(address, networkOrder))
        networkOrder = htonl(INADDR_ANY);
    addr.sin_addr.s_addr = networkOrder;
    return addr;
}

std::string AddressText(const sockaddr_in& addr) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return text;
}

} // namespace

void TIdSocketHandle::Reset() {
    CloseSocket();
    Handle = kIdInvalidSocket;
    IsOpen = false;
    LocalAddress.clear();
    LocalPort = 0;
    PeerAddress.clear();
    PeerPort = 0;
}

void TIdSocketHandle::AllocateSocket() {
    CloseSocket();
    Handle = StackRef().NewSocket();
    if (Handle == kIdInvalidSocket)
        throw EIdInvalidSocket();
    IsOpen = true;
}

void TIdSocketHandle::Bind() {
    const sockaddr_in addr = MakeAddress(LocalAddress, LocalPort);
    if (StackRef().Bind(Handle, addr) == -1) {
        const int code = TIdStack::LastError();
        if (code == Id_WSAEADDRINUSE)
            throw EIdCouldNotBindSocket();
        TIdStack::RaiseSocketError(code);
    }
    sockaddr_in local{};
    StackRef().CheckCallResult(StackRef().GetSockName(Handle, local), {});
    LocalAddress = AddressText(local);
    LocalPort = ntohs(local.sin_port);
}

int TIdSocketHandle::Connect() const {
    return StackRef().Connect(Handle, MakeAddress(PeerAddress, PeerPort));
}

void TIdSocketHandle::UpdateBindings() {
    sockaddr_in local{}, peer{};
    StackRef().CheckCallResult(StackRef().GetSockName(Handle, local), {});
    StackRef().CheckCallResult(StackRef().GetPeerName(Handle, peer), {});
    LocalAddress = AddressText(local);
    LocalPort = ntohs(local.sin_port);
    PeerAddress = AddressText(peer);
    PeerPort = ntohs(peer.sin_port);
}

void TIdSocketHandle::CloseSocket() {
    if (!IsOpen)
        return;
    IsOpen = false;
    StackRef().ShutdownSending(Handle);
    StackRef().CloseSocket(Handle);
    Handle = kIdInvalidSocket;
}

} // namespace korvane::http
