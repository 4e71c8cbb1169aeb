#pragma once

#include "EthernetFailures.h"
#include "EthernetMessage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tqvsim {

// What an Ethernet gateway tells about itself in its search reply.
struct EthernetIdentity {
    std::array<std::uint8_t, 4> ip{127, 0, 0, 1};
    std::array<std::uint8_t, 6> mac{0x02, 0x00, 0x00, 0x00, 0x05, 0x80};
    std::uint16_t firmwareMajor = 5;
    std::uint16_t firmwareMinor = 0;
    std::uint32_t permission = 1; // 1: remote configuration allowed
};

// Answers the Ethernet gateway's messages, one whole message at a time, and holds its
// configuration image. No sockets here; content failures (no-answer, wrong-code) are applied.
class EthernetResponder {
public:
    // `image`: a whole write message (1272 bytes) as a download of the start configuration sends it.
    EthernetResponder(EthernetIdentity identity, Bytes image, EthernetFailures failures);

    // The reply to one datagram: the 68-byte search reply when it is a search request (command 3,
    // at least a header), nothing otherwise or under no-answer.
    std::optional<Bytes> searchReply(std::span<const std::uint8_t> datagram) const;

    struct Outcome {
        Bytes reply;            // empty: nothing is sent back
        bool stored = false;    // a write replaced the image
        bool restarted = false; // a restart with the right key
        bool isReadReply = false; // the reply carries the image (delivery failures apply to it)
        std::string note;       // why a message was ignored or refused, for the log
    };

    // One whole TCP message, header included.
    Outcome handle(std::span<const std::uint8_t> message);

    // The held image as the last accepted write carried it (header 00 00 00 06, length 1264).
    const Bytes &image() const { return m_image; }

    // The code a reply carries under wrong-code: that of another exchange.
    static std::uint32_t wrongCodeFor(std::uint32_t code);

private:
    std::uint32_t replyCode(std::uint32_t code) const;

    EthernetIdentity m_identity;
    Bytes m_image;
    EthernetFailures m_failures;
};

} // namespace tqvsim
