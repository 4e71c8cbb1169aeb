#include "LineTransmitter.h"

#include "StopSignal.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace tqvsim {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kBitsPerByte = 10; // start bit, eight data bits, stop bit

std::int64_t nowNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

// Sleeps until the monotonic clock reaches `deadline`. False when a stop was requested.
bool sleepUntil(std::int64_t deadline)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / kNsPerSecond);
    ts.tv_nsec = static_cast<long>(deadline % kNsPerSecond);
    while (true) {
        if (StopSignal::requested())
            return false;
        const int rc = ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
        if (rc == 0)
            return !StopSignal::requested();
        if (rc != EINTR)
            return false;
    }
}

} // namespace

bool LineTransmitter::writeAll(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        if (StopSignal::requested())
            return false;
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        // The far side's input queue is full: wait for room, but not for ever.
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {StopSignal::fd(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, kBlockedLineMs);
        if (ready == 0)
            return false;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return true;
}

bool LineTransmitter::send(std::span<const std::uint8_t> bytes)
{
    if (m_baud == 0)
        return writeAll(bytes);
    const std::int64_t start = std::max(nowNs(), m_lineFreeNs);
    const std::int64_t total = static_cast<std::int64_t>(bytes.size());
    // Byte i has left the line at start + (i + 1) byte times; computed from the start each time.
    auto doneAt = [&](std::int64_t count) { return start + count * kBitsPerByte * kNsPerSecond / m_baud; };
    m_lineFreeNs = doneAt(total);
    std::int64_t sent = 0;
    while (sent < total) {
        const std::int64_t elapsed = nowNs() - start;
        const std::int64_t due = std::min(total, elapsed * m_baud / (kBitsPerByte * kNsPerSecond));
        if (due > sent) {
            if (!writeAll(bytes.subspan(static_cast<std::size_t>(sent), static_cast<std::size_t>(due - sent))))
                return false;
            sent = due;
            continue;
        }
        if (!sleepUntil(doneAt(sent + 1)))
            return false;
    }
    return true;
}

bool LineTransmitter::pause(std::uint32_t ms)
{
    return sleepUntil(nowNs() + static_cast<std::int64_t>(ms) * 1'000'000);
}

} // namespace tqvsim
