#pragma once

#include "link/Prompter.h"
#include "model/ConfigStore.h"
#include "model/GatewayLimits.h"

#include <optional>
#include <string>

namespace tqv {

// The verdict of the completeness check and the message its failing rule shows.
struct CompletenessResult {
    bool complete = false;
    // The text to show, with the "Configuration unfinished..." lead where the rule has one;
    // empty when the rule that failed shows nothing, and when complete.
    std::string message;
};

// The check a download runs before it lets the user start: no vacant mandatory value, and every
// first-subnet command's data inside the buffer sizes. Rules run in order; the first that fails
// ends the check.
// The message naming the first command of a Modbus-master subnet whose nodeNumber names no node
// of that subnet (0, negative, or past nodeCount); empty when every command's node exists.
std::string commandWithoutNode(const ConfigStore &store);

class CompletenessCheck {
public:
    // Fills byteCount of every first-subnet command with a known function code on the way (once
    // the vacancy rules have passed).
    static CompletenessResult run(ConfigStore &store);
    // The same, showing the failing rule's message through `prompter`; returns whether complete.
    static bool run(ConfigStore &store, Prompter &prompter);

    // The sizes the range checks hold commands against, or nothing when the PROFIBUS
    // configuration data describe none.
    static std::optional<BufferSizes> bufferSizes(const ConfigStore &store);
};

} // namespace tqv
