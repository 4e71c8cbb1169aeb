#pragma once

#include "GatewayMemory.h"

#include "model/ConfigStore.h"

namespace tqvsim {

// Turns a configuration into the bytes a gateway holds after it was downloaded, and those bytes
// back into a configuration, with the simulator's own value tables.
class MemoryCodec {
public:
    // The bytes of every frame a download of `store` writes, for the store's gatewayType and
    // model flags. Subnets the type does not have stay empty.
    static GatewayMemory encode(const tqv::ConfigStore &store);

    // Replaces the records of `store` with what `memory` holds, for the store's gatewayType and
    // model flags (left as they are): defaults first, then every field the bytes carry. A code
    // outside its table leaves that field at its default.
    static void decode(const GatewayMemory &memory, tqv::ConfigStore &store);

    // The input and output lengths in use that a download under modelFlag7 sends in place of
    // the PROFIBUS size codes: the largest end of the first subnet's read and write commands.
    struct Lengths {
        std::uint32_t input = 0;
        std::uint32_t output = 0;
    };
    static Lengths lengthsInUse(const tqv::CONFIG &firstSubnet);

    // PROFIBUS configuration data text ("0a 1b 2c ") as count and eight data bytes.
    static std::array<std::uint8_t, kProfibusConfigSize> profibusConfigBytes(std::string_view text);
};

} // namespace tqvsim
