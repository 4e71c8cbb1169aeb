#pragma once

#include "CompletenessCheck.h"
#include "model/ConfigStore.h"

#include <string>
#include <vector>

namespace tqv {

// A command in the mapping test's lists: subnet index and 1-based position; position 0 stands
// for the command-status bytes at the start of the input buffer.
struct MappedItem {
    int subnet = 0;
    int position = 0;

    bool operator==(const MappedItem &) const = default;
};

enum class MappingConflict {
    None,
    NoAddress, // `first` has no mapping address
    Overlap,   // `second` starts inside `first`, in the same buffer
};

struct MappingTestResult {
    MappingConflict conflict = MappingConflict::None;
    MappedItem first;
    MappedItem second;

    bool passed() const { return conflict == MappingConflict::None; }
};

// The download's mapping test: the commands of all four subnets as bit intervals of the input
// (reads) and output (writes) buffers; any command without a mapping address, or two intervals of
// one buffer where one starts inside the other, is a conflict.
class MappingTest {
public:
    static MappingTestResult run(const ConfigStore &store);
};

// What a download checks on the configuration before it talks to a gateway, in its order: the
// completeness check, then (for a Modbus-master first subnet) the mapping test. `messages` are the
// texts a download shows for the failure, in order.
struct DownloadCheckResult {
    bool passed = false;
    bool complete = false;   // the completeness check passed
    MappingTestResult mapping; // run only when complete
    std::vector<std::string> messages;
};
DownloadCheckResult checkBeforeDownload(ConfigStore &store);

} // namespace tqv
