#pragma once

#include "EthernetMessage.h"

#include "model/ConfigStore.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tqvsim {

// The 1272-byte configuration image of an Ethernet gateway, with the simulator's own value
// tables: what a download of a configuration writes, and how an upload applies it.
class EthernetImageCodec {
public:
    // Offsets from the first byte of the message, header included.
    static constexpr std::size_t kIpAssignMode = 11;
    static constexpr std::size_t kIpAddress = 12;
    static constexpr std::size_t kSubnetMask = 16;
    static constexpr std::size_t kGatewayAddress = 20;
    static constexpr std::size_t kDns1 = 24;
    static constexpr std::size_t kDns2 = 28;
    static constexpr std::size_t kSerialParameters = 32; // 8 bytes per subnet
    static constexpr std::size_t kSubnetBlocks = 48;     // kBlockSize per subnet
    static constexpr std::size_t kBlockSize = 612;
    // Inside a subnet block.
    static constexpr std::size_t kResponseTimeout = 12;
    static constexpr std::size_t kPollDelay = 16;
    static constexpr std::size_t kOutputMode = 20;
    static constexpr std::size_t kScanRatio = 28;
    static constexpr std::size_t kCommandCount = 32;
    static constexpr std::size_t kSlots = 36;
    static constexpr std::size_t kSlotSize = 12;
    static constexpr int kSlotCount = 48;
    static constexpr int kSubnets = 2;

    // The write message for `store`: header (command 6, length 1264) and image. A subnet with
    // more than 48 commands contributes its first 48; see commandsOverflow().
    static Bytes encode(const tqv::ConfigStore &store);

    // The first subnet (0-based) whose commands do not fit the image, if any.
    static std::optional<int> commandsOverflow(const tqv::ConfigStore &store);

    // Why `message` cannot be held as an image (not 1272 bytes, a length other than 1264, a
    // command count above 48); nothing when it can. The command code is not looked at.
    static std::optional<std::string> problemWith(std::span<const std::uint8_t> message);

    // Applies an image to `store` the way an upload does: Ethernet gateway, the IP settings (an
    // address of all ones reads as the field's default), subnets 1 and 2 with their commands and
    // the nodes rebuilt from the slave addresses. What the image does not carry keeps its value.
    // Returns false, leaving the store untouched, when problemWith() finds a problem.
    static bool apply(std::span<const std::uint8_t> message, tqv::ConfigStore &store);

    // A dotted IPv4 text ("192.168.0.10": four decimal numbers 0..255 of up to three digits) as
    // four bytes, first octet first; nothing when it is not one.
    static std::optional<std::array<std::uint8_t, 4>> parseAddress(std::string_view text);
    // As parseAddress(), all ones for a text that is not an address.
    static std::array<std::uint8_t, 4> addressBytes(std::string_view text);

    // A numeric text as a decimal integer with an optional sign, wrapped to 32 bits; 0 when it
    // does not start with a number.
    static std::uint32_t number(std::string_view text);
};

} // namespace tqvsim
