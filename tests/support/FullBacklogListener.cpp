#include "FullBacklogListener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::test {

namespace {

// A connect that has not completed in this time is taken as dropped.
constexpr int kFillerSettleMs = 100;
constexpr int kMaxFillers = 16;

} // namespace

FullBacklogListener::FullBacklogListener() {
    ListenSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(ListenSocket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(ListenSocket, 0) != 0)
        throw std::runtime_error("cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(ListenSocket, reinterpret_cast<sockaddr*>(&addr), &len);
    ListenPort = ntohs(addr.sin_port);

    // Fill the queue until a connect stays pending.
    for (int i = 0; i < kMaxFillers; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int rc = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        if (rc == 0) {
            Fillers.push_back(s);
            continue;
        }
        pollfd wait{s, POLLOUT, 0};
        if (errno == EINPROGRESS && ::poll(&wait, 1, kFillerSettleMs) == 1) {
            Fillers.push_back(s);
            continue;
        }
        ::close(s);
        return;
    }
    throw std::runtime_error("the accept queue never filled");
}

FullBacklogListener::~FullBacklogListener() {
    for (int s : Fillers)
        ::close(s);
    ::close(ListenSocket);
}

} // namespace korvane::test
