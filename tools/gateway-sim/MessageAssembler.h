#pragma once

#include "EthernetMessage.h"

#include <optional>
#include <span>

namespace tqvsim {

// Cuts a TCP byte stream into whole messages by the length in their headers, however the bytes
// were segmented on the way.
class MessageAssembler {
public:
    // A header announcing more payload than this is refused: nothing the gateway takes is larger.
    explicit MessageAssembler(std::uint32_t maxLength = EthernetMessage::kImageLength) : m_maxLength(maxLength) {}

    void feed(std::span<const std::uint8_t> bytes);

    // The next whole message (header and payload), or nothing while it is still incomplete or
    // after the stream was refused.
    std::optional<Bytes> next();

    // Set once a header announced more than the maximum; the stream cannot be followed after it.
    bool refused() const { return m_refused; }
    // The refused header's announced length.
    std::uint32_t refusedLength() const { return m_refusedLength; }
    bool hasPartial() const { return !m_buffer.empty(); }

private:
    std::uint32_t m_maxLength;
    Bytes m_buffer;
    bool m_refused = false;
    std::uint32_t m_refusedLength = 0;
};

} // namespace tqvsim
