#pragma once

#include <cstdint>
#include <span>

namespace tqvsim {

// Puts reply bytes on the line: at once, or paced to a baud rate (10 bits a byte) on an absolute
// schedule, so that the pace does not drift with the time each write takes.
class LineTransmitter {
public:
    LineTransmitter(int fd, std::uint32_t baud) : m_fd(fd), m_baud(baud) {}

    // Sends `bytes`; paced, each byte is handed over once its ten bit times have passed.
    // Returns false when a stop was requested or the far side stopped taking bytes; the rest of
    // the bytes are then dropped.
    bool send(std::span<const std::uint8_t> bytes);

    // Waits `ms` milliseconds from now. Returns false when a stop was requested meanwhile.
    bool pause(std::uint32_t ms);

    // How long a blocked line is waited for before its bytes are dropped.
    static constexpr int kBlockedLineMs = 1000;

private:
    bool writeAll(std::span<const std::uint8_t> bytes);

    int m_fd;
    std::uint32_t m_baud;
    std::int64_t m_lineFreeNs = 0; // when the last paced byte has left the line
};

} // namespace tqvsim
