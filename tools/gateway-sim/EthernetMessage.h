#pragma once

#include "WireFrame.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tqvsim {

// The 8-byte header every Ethernet message starts with: command code, then payload length.
struct MessageHeader {
    std::uint32_t code = 0;
    std::uint32_t length = 0;

    bool operator==(const MessageHeader &) const = default;
};

// The simulator's own reading of the Ethernet configuration link: command codes, message sizes
// and the big-endian numbers they are made of.
class EthernetMessage {
public:
    static constexpr std::uint32_t kSearch = 3;
    static constexpr std::uint32_t kReadConfig = 5;
    static constexpr std::uint32_t kWriteConfig = 6;
    static constexpr std::uint32_t kRestart = 10;

    static constexpr std::size_t kHeaderSize = 8;
    static constexpr std::size_t kImageSize = 1272;        // a write message, header included
    static constexpr std::uint32_t kImageLength = 1264;    // its payload length
    static constexpr std::size_t kSearchReplySize = 68;
    static constexpr std::size_t kWriteAckSize = 16;
    static constexpr std::string_view kRestartKey = "Kelmarox";

    // code and length, big-endian, followed by `length` zero bytes.
    static Bytes make(std::uint32_t code, std::uint32_t length);

    // The header at the start of `bytes`; nothing when fewer than 8 bytes are there.
    static std::optional<MessageHeader> header(std::span<const std::uint8_t> bytes);

    // Big-endian numbers at `offset`; the caller keeps the offset inside `bytes`.
    static void put32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value);
    static void put16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);
    static std::uint32_t get32(std::span<const std::uint8_t> bytes, std::size_t offset);
    static std::uint16_t get16(std::span<const std::uint8_t> bytes, std::size_t offset);
};

} // namespace tqvsim
