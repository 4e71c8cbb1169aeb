#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The test's own reading of the frame layout: code, length N, N data bytes, 8-bit sum of all
// bytes before it. Appends that sum to `bytes`.
Bytes withSum(Bytes bytes);
std::string hex(const Bytes &bytes);

// The program's end of the line for tests: opens the link raw and exchanges frames with deadlines.
class LineClient {
public:
    LineClient() = default;
    ~LineClient();
    LineClient(const LineClient &) = delete;
    LineClient &operator=(const LineClient &) = delete;

    bool open(const std::string &path);
    void close();

    void send(const Bytes &bytes);

    // One frame as its length byte delimits it; whatever arrived when it is not whole in time.
    Bytes readFrame(int timeoutMs = 1000);
    // Exactly `count` bytes, or fewer when the deadline passes first.
    Bytes readExactly(std::size_t count, int timeoutMs = 1000);
    // Everything that arrives within `ms`.
    Bytes readFor(int ms);
    // send, then readFrame.
    Bytes exchange(const Bytes &request, int timeoutMs = 1000);

    // Reads `total` bytes (or until the deadline), noting when each read returned something.
    struct Piece {
        Bytes bytes;
        Clock::time_point at;
    };
    std::vector<Piece> readPieces(std::size_t total, int timeoutMs);

private:
    // Appends what arrives before `deadline`, up to `want` bytes in all.
    void readUntil(Bytes &into, std::size_t want, Clock::time_point deadline);

    int m_fd = -1;
};

} // namespace simtest
