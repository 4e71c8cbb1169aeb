#pragma once
// A small Ethernet gateway of the tests' own on 127.0.0.1: it answers search datagrams and the
// TCP write, read and restart messages with bytes the test sets, and records what it was sent.
// Plain POSIX sockets on a thread of its own, so that it answers while the program under test
// blocks in its waits. It binds only the loopback address.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tqv {

class LoopbackGateway {
public:
    // What it answers. An empty `searchReply` or `readReply` means no answer; `readPieces` splits
    // the read reply into that many segments sent 30 ms apart.
    std::string searchReply;
    std::string ack = std::string("\0\0\0\6", 4);
    std::string readReply;
    int readPieces = 1;

    // What it was sent (read them after stop()).
    std::vector<std::string> datagrams;
    std::vector<std::string> images;
    std::vector<std::string> restarts;
    int readRequests = 0;
    int connections = 0;

    ~LoopbackGateway() { stop(); }

    // Binds TCP and UDP on the same free port of 127.0.0.1 and starts answering; false when no
    // such port could be had.
    bool start()
    {
        for (int attempt = 0; attempt < 20 && m_port == 0; ++attempt) {
            const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
            const int one = 1;
            ::setsockopt(tcp, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            sockaddr_in a = loopback(0);
            if (::bind(tcp, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(tcp, 4) != 0) {
                ::close(tcp);
                continue;
            }
            socklen_t len = sizeof a;
            ::getsockname(tcp, reinterpret_cast<sockaddr *>(&a), &len);
            const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
            if (::bind(udp, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
                ::close(tcp);
                ::close(udp);
                continue;
            }
            m_tcp = tcp;
            m_udp = udp;
            m_port = ntohs(a.sin_port);
        }
        if (m_port == 0)
            return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        for (int *fd : {&m_tcp, &m_udp, &m_connection})
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
    }

    std::uint16_t port() const { return m_port; }

    // A UDP port of 127.0.0.1 that was free a moment ago.
    static std::uint16_t freeUdpPort()
    {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a = loopback(0);
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
        ::close(fd);
        return ntohs(a.sin_port);
    }

private:
    static sockaddr_in loopback(std::uint16_t port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }
    static std::uint32_t commandOf(const std::string &b)
    {
        return (std::uint32_t(std::uint8_t(b[0])) << 24) | (std::uint32_t(std::uint8_t(b[1])) << 16) |
               (std::uint32_t(std::uint8_t(b[2])) << 8) | std::uint8_t(b[3]);
    }
    void sendAll(const std::string &bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(m_connection, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    void run()
    {
        while (!m_stop) {
            pollfd fds[3] = {{m_udp, POLLIN, 0}, {m_tcp, POLLIN, 0}, {m_connection, POLLIN, 0}};
            if (::poll(fds, m_connection >= 0 ? 3 : 2, 20) <= 0)
                continue;
            if (fds[0].revents & POLLIN)
                onDatagram();
            if (fds[1].revents & POLLIN) {
                const int c = ::accept(m_tcp, nullptr, nullptr);
                if (c >= 0) {
                    if (m_connection >= 0)
                        ::close(m_connection);
                    m_connection = c;
                    m_buffer.clear();
                    ++connections;
                }
            }
            if (m_connection >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)))
                onStreamBytes();
        }
    }

    void onDatagram()
    {
        char buffer[2048];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = ::recvfrom(m_udp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &len);
        if (n < 0)
            return;
        datagrams.emplace_back(buffer, static_cast<std::size_t>(n));
        // Answers go back to the sender, which is on this machine.
        if (!searchReply.empty() && from.sin_addr.s_addr == htonl(INADDR_LOOPBACK))
            ::sendto(m_udp, searchReply.data(), searchReply.size(), 0, reinterpret_cast<sockaddr *>(&from), len);
    }

    void onStreamBytes()
    {
        char chunk[4096];
        const ssize_t n = ::recv(m_connection, chunk, sizeof chunk, 0);
        if (n <= 0) {
            ::close(m_connection);
            m_connection = -1;
            return;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(n));
        while (m_buffer.size() >= 8) {
            const std::uint32_t command = commandOf(m_buffer);
            const std::size_t size = command == 6 ? 1272 : command == 10 ? 16 : 8;
            if (m_buffer.size() < size)
                return;
            const std::string message = m_buffer.substr(0, size);
            m_buffer.erase(0, size);
            if (command == 6) {
                images.push_back(message);
                sendAll(ack);
            } else if (command == 10) {
                restarts.push_back(message);
            } else if (command == 5) {
                ++readRequests;
                const std::size_t piece = (readReply.size() + readPieces - 1) / std::max(1, readPieces);
                for (std::size_t at = 0; at < readReply.size(); at += piece) {
                    if (at > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(30));
                    sendAll(readReply.substr(at, piece));
                }
            }
        }
    }

    int m_tcp = -1;
    int m_udp = -1;
    int m_connection = -1;
    std::uint16_t m_port = 0;
    std::string m_buffer;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace tqv
