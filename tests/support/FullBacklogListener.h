#pragma once

#include "PlatformSockets.h"

#include <cstdint>
#include <vector>

namespace korvane::test {

// A loopback listener that never accepts and whose accept queue is already
// full, so a further connect to it never completes: the kernel drops its
// SYNs. The way to provoke a connect time-out without leaving the machine.
class FullBacklogListener {
public:
    FullBacklogListener();
    ~FullBacklogListener();
    FullBacklogListener(const FullBacklogListener&) = delete;
    FullBacklogListener& operator=(const FullBacklogListener&) = delete;

    std::uint16_t Port() const { return ListenPort; }

private:
    PlatformSockets::Socket ListenSocket = PlatformSockets::kNone;
    std::uint16_t ListenPort = 0;
    std::vector<PlatformSockets::Socket> Fillers; // connects that took up the queue
};

} // namespace korvane::test
