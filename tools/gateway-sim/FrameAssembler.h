#pragma once

#include "WireFrame.h"

#include <optional>
#include <span>

namespace tqvsim {

// Collects bytes from the line, which may come in any pieces, into whole frames by their length byte.
class FrameAssembler {
public:
    void feed(std::span<const std::uint8_t> bytes);

    // The next complete frame (code, length, data, sum), taken out of the buffer; nothing while the
    // buffered bytes do not yet make one.
    std::optional<Bytes> next();

    // Bytes of an unfinished frame are waiting.
    bool hasPartial() const { return m_start < m_buffer.size(); }
    std::size_t partialSize() const { return m_buffer.size() - m_start; }

    // Drops an unfinished frame, so that a torn request cannot swallow the next one for good.
    void discardPartial();

private:
    Bytes m_buffer;
    std::size_t m_start = 0; // first byte not yet handed out
};

} // namespace tqvsim
