#pragma once

// Decoders of the gateway's replies: pure functions from received bytes (untrusted) to the data
// they carry. Each checks the reply's layout as the protocol states it, and refuses what would
// not fit the upload store (a subnet beyond 4, a command index or count beyond 128, a record
// block longer than its buffer) instead of storing it.

#include "SerialProtocol.h"
#include "UploadStore.h"
#include "model/ConfigStore.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tqv {

// What decides the shape of some replies: the configuration's type and two model variants.
struct ReplyContext {
    std::uint32_t gatewayType = code(GatewayType::ProfibusModbus);
    bool interfaceModel = false;
    bool reportsEthernetType = false;

    static ReplyContext of(const ConfigStore &store);
};

// The 0x31 reply taken without a length or sum check (types 3 and 6, or the interface model).
bool uncheckedProfibusReply(const ReplyContext &context);
// The 0x04 reply in its extended form (types 3, 5, 6, or the interface model).
bool extendedSubnetReply(const ReplyContext &context);

// The frame's length from its length byte: N + 3; 0 while fewer than 2 bytes are there.
std::size_t frameLength(std::string_view received);

// code, 00, code.
bool isAcknowledgement(std::string_view reply, std::uint8_t request);

// An error reply: code | 0x80, length 2, error code, one more byte, sum.
struct ErrorReply {
    std::uint8_t code = 0;  // the request's code | 0x80
    std::uint8_t error = 0; // the first data byte
};
std::optional<ErrorReply> decodeErrorReply(std::string_view reply);

// 0x01: length 8 and the sum; the 8 data bytes.
std::optional<std::array<std::uint8_t, kGatewayTypeDataSize>> decodeGatewayTypeReply(std::string_view reply);

// The gateway's identity from the 0x01 data.
struct GatewayIdentity {
    std::uint8_t reportedType = 0;
    int firmwareVersion = 0; // major × 10 + minor
};
GatewayIdentity gatewayIdentity(const std::array<std::uint8_t, kGatewayTypeDataSize> &data);

// 0x22: length 4 and the sum; station address, baud, input and output size codes.
std::optional<std::array<std::uint8_t, kDeviceNetParameterSize>> decodeDeviceNetReply(std::string_view reply);

// 0x31: length 2 and the sum (the third byte then 0); or, unchecked, bytes 2, 3 and 4.
std::optional<std::array<std::uint8_t, kProfibusParameterSize>> decodeProfibusReply(std::string_view reply,
                                                                                   const ReplyContext &context);

// 0x04: the subnet index and its parameters.
struct SubnetReply {
    int subnet = 0;
    SubnetParameters parameters{};
};
std::optional<SubnetReply> decodeSubnetReply(std::string_view reply, const ReplyContext &context);

// 0x15: the subnet index and its number of commands (refused above 128).
struct CommandCountReply {
    int subnet = 0;
    int count = 0;
};
std::optional<CommandCountReply> decodeCommandCountReply(std::string_view reply);

// 0x16: the subnet index and the (command index, record) pairs of one block.
struct CommandBlockReply {
    int subnet = 0;
    std::vector<std::pair<int, CommandRecord>> records;
};
std::optional<CommandBlockReply> decodeCommandBlockReply(std::string_view reply);

// 0x33: the value byte (byte 2).
std::optional<std::uint8_t> decodeTimeoutActionReply(std::string_view reply);

// 0x35: the count n (refused above 8) and the n configuration bytes.
std::optional<std::vector<std::uint8_t>> decodeProfibusConfigDataReply(std::string_view reply);

// 0x06: the sending and receiving character intervals.
struct CharIntervals {
    std::uint16_t sending = 0;
    std::uint16_t receiving = 0;
    bool operator==(const CharIntervals &) const = default;
};
std::optional<CharIntervals> decodeCharIntervalsReply(std::string_view reply);

} // namespace tqv
