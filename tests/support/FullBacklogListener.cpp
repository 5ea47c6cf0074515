#include "FullBacklogListener.h"

#include <stdexcept>

namespace korvane::test {

using Sockets = PlatformSockets;

namespace {

// A connect that has not completed in this time is taken as dropped.
constexpr int kFillerSettleMs = 100;
constexpr int kMaxFillers = 16;

} // namespace

FullBacklogListener::FullBacklogListener() {
    ListenSocket = Sockets::NewTcp();
    ListenPort = Sockets::BindLoopback(ListenSocket, 0);
    if (ListenPort == 0)
        throw std::runtime_error("cannot listen");

    // Fill the queue until a connect stays pending.
    for (int i = 0; i < kMaxFillers; ++i) {
        const Sockets::Socket s = Sockets::NewTcp(true);
        const int rc = Sockets::ConnectLoopback(s, ListenPort);
        if (rc == 0 || (rc == 1 && Sockets::Poll(s, true, kFillerSettleMs) == 1)) {
            Fillers.push_back(s);
            continue;
        }
        Sockets::Close(s);
        return;
    }
    throw std::runtime_error("the accept queue never filled");
}

FullBacklogListener::~FullBacklogListener() {
    for (Sockets::Socket s : Fillers)
        Sockets::Close(s);
    Sockets::Close(ListenSocket);
}

} // namespace korvane::test
