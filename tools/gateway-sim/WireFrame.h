#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tqvsim {

using Bytes = std::vector<std::uint8_t>;

// Byte-level form of the configuration line: code, length, data, 8-bit sum.
class WireFrame {
public:
    static constexpr std::size_t kOverhead = 3; // code, length byte, sum

    // 8-bit sum of `bytes`, modulo 256.
    static std::uint8_t sum(std::span<const std::uint8_t> bytes);

    // code, data.size(), data, sum. `data` holds at most 255 bytes.
    static Bytes make(std::uint8_t code, std::span<const std::uint8_t> data);

    // The three-byte positive acknowledgement: code, 0x00, code.
    static Bytes ack(std::uint8_t code);

    // The refusal: code | 0x80, 0x02, errorCode, 0x00, sum.
    static Bytes error(std::uint8_t code, std::uint8_t errorCode);

    // Whether the last byte of a whole frame is the sum of the bytes before it.
    static bool sumMatches(std::span<const std::uint8_t> frame);
};

} // namespace tqvsim
