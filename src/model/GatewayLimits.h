#pragma once

#include "ConfigStore.h"

#include <cstdint>
#include <optional>

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

} // namespace tqv
