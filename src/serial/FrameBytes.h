#pragma once

#include "SerialProtocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tqv {

// The frame checksum: the sum of `bytes` modulo 256.
std::uint8_t frameSum(std::string_view bytes);

// Builds one request: the whole frame zero-filled first, fields put by offset (multi-byte
// numbers big-endian), the sum into the last byte at the end. A put outside the frame is
// dropped and marks the writer as failed, so a wrong offset shows in tests instead of in memory.
class FrameWriter {
public:
    // A frame of `dataLength` data bytes: command, length, data, sum.
    FrameWriter(std::uint8_t command, std::uint8_t dataLength);

    void put(std::size_t offset, std::uint8_t value);
    void put16(std::size_t offset, std::uint16_t value);
    // The finished frame, its sum over every byte before the last.
    Frame seal();
    bool failed() const { return m_failed; }

private:
    Frame m_frame;
    bool m_failed = false;
};

// Bounds-checked big-endian view of received bytes: a read beyond the end gives 0 and marks the
// view as overrun; it never touches memory outside the bytes.
class FrameView {
public:
    explicit FrameView(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t size() const { return m_bytes.size(); }
    // Whether at least `count` bytes are there.
    bool has(std::size_t count) const { return m_bytes.size() >= count; }
    std::uint8_t at(std::size_t offset) const;
    std::uint16_t be16(std::size_t offset) const;
    // Whether the byte at `sumOffset` is the sum of every byte before it (false when it lies
    // beyond the end).
    bool sumMatches(std::size_t sumOffset) const;
    std::string_view bytes(std::size_t offset, std::size_t count) const;
    bool overrun() const { return m_overrun; }

private:
    std::string_view m_bytes;
    mutable bool m_overrun = false;
};

} // namespace tqv
