#include "EthernetClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {

namespace {

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool bindLoopback(int fd, std::uint16_t port)
{
    const sockaddr_in a = loopback(port);
    return ::bind(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) == 0;
}

std::uint16_t boundPort(int fd)
{
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) != 0)
        return 0;
    return ntohs(a.sin_port);
}

} // namespace

std::uint16_t freeLoopbackPort()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        std::uint16_t port = 0;
        if (tcp >= 0 && udp >= 0 && bindLoopback(tcp, 0)) {
            port = boundPort(tcp);
            if (!bindLoopback(udp, port))
                port = 0;
        }
        ::close(tcp);
        ::close(udp);
        if (port != 0)
            return port;
    }
    return 0;
}

SearchClient::SearchClient()
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd >= 0 && !bindLoopback(m_fd, 0)) {
        ::close(m_fd);
        m_fd = -1;
    }
}

SearchClient::~SearchClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void SearchClient::send(std::uint16_t port, const Bytes &datagram)
{
    const sockaddr_in to = loopback(port);
    ::sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
}

std::optional<Bytes> SearchClient::receive(int timeoutMs)
{
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return std::nullopt;
    Bytes buffer(2048);
    const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
    if (n < 0)
        return std::nullopt;
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

StreamClient::~StreamClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool StreamClient::connect(std::uint16_t port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in to = loopback(port);
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
        m_error = errno;
        return false;
    }
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

bool StreamClient::send(const Bytes &bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

Bytes StreamClient::Reading::all() const
{
    Bytes bytes;
    for (const LineClient::Piece &p : pieces)
        bytes.insert(bytes.end(), p.bytes.begin(), p.bytes.end());
    return bytes;
}

StreamClient::Reading StreamClient::read(std::size_t total, int timeoutMs)
{
    Reading r;
    std::size_t got = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got < total) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        Bytes buffer(total - got);
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) {
            r.closed = true;
            break;
        }
        buffer.resize(static_cast<std::size_t>(n));
        got += buffer.size();
        r.pieces.push_back({std::move(buffer), Clock::now()});
    }
    return r;
}

} // namespace simtest
