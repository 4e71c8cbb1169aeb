#pragma once

#include "ConfigStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tqv {

// What a gateway model accepts, by gatewayType and model flags: quantities per command and the
// buffer addresses a command may map onto. The editor's checks, the mapping pass, the
// completeness check and the transfers all ask here.

// The largest quantity of a register command (3, 4, 16), or nothing where there is no limit.
std::optional<long> registerQuantityLimit(const ConfigStore &store);
// The largest quantity of a multi-bit command (1, 2, 15), or nothing where there is no limit.
std::optional<long> bitQuantityLimit(const ConfigStore &store);

// Mapping addresses a command may use: reads inputLow..inputHigh, writes also
// kOutputBufferBase..outputHigh.
struct BufferRange {
    std::uint16_t inputHigh;
    std::uint16_t outputHigh;
    std::uint16_t inputLow = 0x0000;
};
BufferRange bufferRange(const ConfigStore &store);

// Input and output buffer sizes in bytes.
struct BufferSizes {
    long input = 0;
    long output = 0;

    bool operator==(const BufferSizes &) const = default;
};

// Both buffers of an Ethernet gateway, and the bytes its second subnet's commands may reach.
constexpr long kEthernetBufferSize = 512;
// The largest input or output size PROFIBUS configuration data may describe.
constexpr long kProfibusConfigMaxSize = 112;
// PROFIBUS configuration data carry at most this many identifier bytes.
constexpr std::size_t kProfibusConfigMaxBytes = 8;

// The limits the mapping pass checks against where the model fixes them: 512 each for Ethernet,
// 168 with modelFlag4, 244 with modelFlag7 or modelFlag3; nothing where the PROFIBUS configuration
// data or the fieldbus sizes decide.
std::optional<BufferSizes> fixedMappingLimits(const ConfigStore &store);
// The sizes the download check holds commands against where the model fixes them: 168 with
// modelFlag4, 244 with modelFlag7; nothing otherwise.
std::optional<BufferSizes> fixedDownloadSizes(const ConfigStore &store);
// Whether the PROFIBUS configuration data describe the sizes: modelFlag1 or modelFlag6 with the
// mode "Input configuration data".
bool sizesFromProfibusConfigData(const ConfigStore &store);
// The fieldbus record's inputSize and outputSize as numbers.
BufferSizes fieldbusSizes(const ConfigStore &store);

// Models whose input and output use together (outputs counted above 0x4000) must stay below a
// total: 489 with modelFlag7, else 225 with modelFlag3; nothing for the others.
std::optional<long> combinedUseLimit(const ConfigStore &store);

// DeviceNet RB-47 / RB-470: an input size of 160 leaves no room for 96 or 112 output bytes.
bool deviceNetSizesTooLarge(const ConfigStore &store);

// The bytes of a "Status of Modbus Command" value ("Disable" and anything without a leading
// digit count as 0, "2Bytes" as 2).
int commandStatusBytes(const std::string &commandStatus);
// The status bytes reserved at the start of the input buffer: those of the first subnet's
// command status while modelFlag7 is set, else 0.
int reservedStatusBytes(const ConfigStore &store);

} // namespace tqv
