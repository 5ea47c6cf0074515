#include "DirectSocketGet.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::bench {

namespace {

class Socket {
public:
    Socket() : Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() { ::close(Fd); }
    int Fd;
};

std::size_t ContentLength(std::string_view head) {
    const std::string_view name = "\r\nContent-Length:";
    const auto at = head.find(name);
    if (at == std::string_view::npos)
        throw std::runtime_error("no length");
    return std::stoul(std::string(head.substr(at + name.size(), 20)));
}

} // namespace

std::string DirectSocketGet(std::uint16_t port, std::string_view requestHead) {
    Socket s;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s.Fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("connect");
    if (::send(s.Fd, requestHead.data(), requestHead.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(requestHead.size()))
        throw std::runtime_error("send");

    std::string head;
    char buffer[32768];
    std::size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos) {
        const ssize_t n = ::recv(s.Fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            throw std::runtime_error("head");
        head.append(buffer, static_cast<std::size_t>(n));
        headEnd = head.find("\r\n\r\n");
    }
    const std::size_t length = ContentLength(head);
    std::string body = head.substr(headEnd + 4);
    std::size_t have = body.size();
    body.resize(length);
    while (have < length) {
        const ssize_t n = ::recv(s.Fd, body.data() + have, length - have, 0);
        if (n <= 0)
            throw std::runtime_error("body");
        have += static_cast<std::size_t>(n);
    }
    return body;
}

} // namespace korvane::bench
