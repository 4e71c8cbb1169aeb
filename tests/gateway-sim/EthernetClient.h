#pragma once

#include "LineClient.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace simtest {

// A port that nothing on 127.0.0.1 uses for TCP or UDP right now: the kernel's pick for port 0,
// checked free for the other protocol too.
std::uint16_t freeLoopbackPort();

// The program's search socket for tests: UDP on 127.0.0.1, sending only to 127.0.0.1.
class SearchClient {
public:
    SearchClient();
    ~SearchClient();
    SearchClient(const SearchClient &) = delete;
    SearchClient &operator=(const SearchClient &) = delete;

    bool valid() const { return m_fd >= 0; }
    void send(std::uint16_t port, const Bytes &datagram);
    // The next datagram within `timeoutMs`; nothing when none came.
    std::optional<Bytes> receive(int timeoutMs);

private:
    int m_fd = -1;
};

// The program's end of a TCP connection to 127.0.0.1 for tests.
class StreamClient {
public:
    StreamClient() = default;
    ~StreamClient();
    StreamClient(const StreamClient &) = delete;
    StreamClient &operator=(const StreamClient &) = delete;

    // Connects; on failure the errno of the attempt is kept in error().
    bool connect(std::uint16_t port);
    int error() const { return m_error; }

    // Sends every byte, each call as its own segment.
    bool send(const Bytes &bytes);

    struct Reading {
        std::vector<LineClient::Piece> pieces; // each read that returned something, as it came
        bool closed = false;                   // the other side closed the connection
        Bytes all() const;
    };
    // Reads until `total` bytes came, the other side closed, or `timeoutMs` passed.
    Reading read(std::size_t total, int timeoutMs);

private:
    int m_fd = -1;
    int m_error = 0;
};

} // namespace simtest
