#include "DerivedValues.h"

#include "ConfigStore.h"
#include "Domain.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tqv {

void updateDerivedValues(COMMAND &command)
{
    const auto fc = functionCodeOf(command.functionCode);
    if (!fc)
        return;
    if (isSingleWrite(*fc))
        command.quantity = "1";
    // The quantity as every reader takes it: its leading decimal number, at most INT_MAX.
    const long long quantity = std::min<long long>(std::strtoll(command.quantity.c_str(), nullptr, 10), INT_MAX);
    if (quantity <= 0) {
        command.byteCount.clear();
        return;
    }
    command.byteCount = std::to_string(commandByteLength(*fc, static_cast<long>(quantity)));
}

void updateDerivedValues(ConfigStore &store)
{
    for (int k = 0; k < kSubnetCount; ++k) {
        CONFIG &subnet = store.subnet(k);
        const int count = std::clamp(subnet.commandCount, 0, kMaxCommands);
        for (int i = 0; i < count; ++i)
            updateDerivedValues(subnet.commands[static_cast<std::size_t>(i)]);
    }
}

bool isDerivedCommandField(std::string_view name) { return name == "byteCount"; }

} // namespace tqv
