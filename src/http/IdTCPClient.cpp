#include "IdTCPClient.h"

namespace korvane::http {

void TIdTCPClient::OpenConnection(int limit) {
    TIdIOHandlerSocket& handler = PrepareIOHandler();
    try {
        handler.Open();
        ReceiveQueue.Clear();
        PeerClosed = false;
        handler.Connect(HostText, PortNumber, limit, BoundIP, BoundPort);
        if (OnConnected)
            OnConnected();
    } catch (...) {
        DropSocket();
        throw;
    }
}

} // namespace korvane::http
