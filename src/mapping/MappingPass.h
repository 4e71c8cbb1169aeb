#pragma once

#include "link/Prompter.h"
#include "model/ConfigStore.h"
#include "model/SessionState.h"

#include <optional>

namespace tqv {

// What one automatic mapping pass found.
struct MappingOutcome {
    bool incomplete = false;      // the incomplete-information mark as the pass leaves it
    bool configDataError = false; // the PROFIBUS configuration data described no valid sizes
    int addressed = 0;            // commands given an address
};

// Automatic mapping addresses: lays the commands of the first subnet (and, on an Ethernet
// gateway, of the second after them) out one after another in the input and output buffers and
// checks the result against the buffer limits.
class MappingPass {
public:
    // Rewrites mappingAddress (upper-case hexadecimal), mappingBit ("0") and byteCount of every
    // command with a function code of 1..6, 15 or 16; other commands keep their values. Problems
    // are shown through `prompter` and set the outcome's mark; the addresses stay written either
    // way. Marks the configuration modified.
    static MappingOutcome run(ConfigStore &store, Prompter &prompter);
};

// The "Mapping Address" command: asks first; on Yes runs the pass and keeps its mark in
// `session`. Returns nothing when the user said No (then nothing changes).
std::optional<MappingOutcome> runMappingAddressCommand(ConfigStore &store, Prompter &prompter,
                                                       SessionState &session);

} // namespace tqv
