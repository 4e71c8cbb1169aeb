#pragma once

#include "WireFrame.h"

#include <array>
#include <cstdint>

namespace tqvsim {

constexpr int kMaxSubnets = 4;
constexpr int kMaxCommandsPerSubnet = 128;
constexpr std::size_t kCommandRecordSize = 11; // a 0x10 frame's offsets 4..14
constexpr std::size_t kShortSubnetFields = 13; // a 0x03 frame's offsets 3..15
constexpr std::size_t kExtendedSubnetFields = 22; // offsets 3..24
constexpr std::size_t kProfibusConfigSize = 9; // count and eight data bytes

using CommandRecord = std::array<std::uint8_t, kCommandRecordSize>;

// The Modbus commands a gateway holds for one subnet, by their 0-based index.
struct CommandList {
    int count = 0;
    std::array<CommandRecord, kMaxCommandsPerSubnet> records{};

    bool operator==(const CommandList &) const = default;
};

// What a gateway holds, byte for byte as it was written: the data of each write request, which
// the matching read hands back unchanged.
struct GatewayMemory {
    std::array<std::uint8_t, 4> deviceNet{};            // 0x21: address, baud, input, output codes
    Bytes profibus = Bytes(2, 0);                       // 0x30: 2 or 3 bytes
    std::array<Bytes, kMaxSubnets> subnetFields{};      // 0x03 offsets 3.. (13 or 22 bytes); empty: no such subnet
    std::array<CommandList, kMaxSubnets> commands{};    // 0x10 records
    std::uint8_t timeoutValue = 0;                      // 0x32
    std::array<std::uint8_t, kProfibusConfigSize> profibusConfig{}; // 0x34: count, d0..d7
    std::array<std::uint8_t, 4> charIntervals{};        // 0x05: sending high, low, receiving high, low

    bool operator==(const GatewayMemory &) const = default;
};

} // namespace tqvsim
