#pragma once

#include "IdTCPConnection.h"

#include <cstdint>
#include <string>

namespace korvane::http {

// A connection that opens itself: the host and port to reach and the local
// address to bind.
class TIdTCPClient : public TIdTCPConnection {
public:
    const std::string& Host() const { return HostText; }
    std::int32_t Port() const { return PortNumber; }
    virtual void SetHost(const std::string& host) { HostText = host; }
    virtual void SetPort(std::int32_t port) { PortNumber = port; }

    std::string BoundIP;        // empty: any local address
    std::int32_t BoundPort = 0; // 0: any local port

    // limit in ms: 0 or -1 connect directly; otherwise a limit for the connect.
    // Any failure drops the socket and passes on unchanged.
    void OpenConnection(int limit);

private:
    std::string HostText;
    std::int32_t PortNumber = 0;
};

} // namespace korvane::http
