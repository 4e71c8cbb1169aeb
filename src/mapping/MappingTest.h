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

// One fault of the mapping test with what it covers: a command without a mapping address
// (`first` only), or two items of one buffer that share bits. Bits are [start, end) of the
// buffer, eight to a byte.
struct MappingFault {
    MappingConflict conflict = MappingConflict::None;
    MappedItem first;
    long firstStart = 0, firstEnd = 0;
    MappedItem second;
    long secondStart = 0, secondEnd = 0;
};

// Every fault of the mapping test, in the order of the commands: each command without an address,
// then each pair of one buffer that overlaps. Empty exactly when MappingTest::run passes.
std::vector<MappingFault> mappingFaults(const ConfigStore &store);

// The mapping-conflict question of a download: its message, then the first `shown` faults one a
// line (subnet, command, function and the bits each covers), then "and N more" for the rest.
std::string mappingConflictQuestion(const ConfigStore &store, std::size_t shown = 5);

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
