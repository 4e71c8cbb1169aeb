#pragma once

#include "SerialProtocol.h"
#include "model/ConfigRecords.h"

#include <array>
#include <cstdint>

namespace tqv {

// One command as a 0x16 record carries it: the fields of a 0x10 frame at offsets 4..14.
using CommandRecord = std::array<std::uint8_t, kCommandRecordSize>;
// One subnet's parameters: the fields of a 0x03 frame from offset 3 on (the short form fills
// the first 13 bytes; the rest stays 0).
using SubnetParameters = std::array<std::uint8_t, kSubnetParameterSize>;

// What the valid replies of one upload carried, kept by subnet and command index until the
// upload applies it to the configuration. Cleared at the start of every upload.
struct UploadStore {
    std::array<std::uint8_t, kGatewayTypeDataSize> gatewayTypeData{}; // reported type, major, minor, 5 more
    std::array<std::uint8_t, kDeviceNetParameterSize> deviceNetParameters{}; // address, baud, input, output codes
    std::array<std::uint8_t, kProfibusParameterSize> profibusParameters{};   // input code, output code, third byte
    std::array<SubnetParameters, kSubnetCount> subnetParameters{};
    std::array<std::int32_t, kSubnetCount> commandCounts{}; // each 0..128
    std::array<std::array<CommandRecord, kMaxCommands>, kSubnetCount> commandRecords{};

    void clear() { *this = UploadStore{}; }
    std::uint8_t reportedType() const { return gatewayTypeData[0]; }
    // Major × 10 + minor (firmware 4.0 gives 40).
    int firmwareVersion() const { return gatewayTypeData[1] * 10 + gatewayTypeData[2]; }

    bool operator==(const UploadStore &) const = default;
};

// The fields of a command record by name.
struct CommandFields {
    std::uint8_t slaveAddress = 0;
    std::uint8_t functionCode = 0;
    std::uint16_t startAddress = 0;
    std::uint16_t quantity = 0;
    std::uint16_t mappingAddress = 0;
    std::uint8_t mappingBit = 0;
    std::uint8_t scanType = 0;
    std::uint8_t dataFormat = 0;

    bool operator==(const CommandFields &) const = default;
};

CommandFields commandFields(const CommandRecord &record);

} // namespace tqv
