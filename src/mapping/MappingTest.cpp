#include "MappingTest.h"

#include "model/MappingValues.h"
#include "editor/ValueCommit.h"
#include "model/GatewayLimits.h"
#include "resources/Strings.h"

#include <optional>
#include <utility>

namespace tqv {

namespace {

// Bits [start, end) of one buffer.
struct Interval {
    long start;
    long end;
    MappedItem item;
};

// The first pair of different intervals where the second starts inside the first.
std::optional<std::pair<MappedItem, MappedItem>> overlap(const std::vector<Interval> &list)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        for (std::size_t j = 0; j < list.size(); ++j)
            if (i != j && list[j].start >= list[i].start && list[j].start < list[i].end)
                return std::pair{list[i].item, list[j].item};
    return std::nullopt;
}

} // namespace

MappingTestResult MappingTest::run(const ConfigStore &store)
{
    std::vector<Interval> inputs;
    std::vector<Interval> outputs;
    if (const int status = reservedStatusBytes(store); status > 0)
        inputs.push_back(Interval{0, static_cast<long>(status) * kBitsPerByte, MappedItem{0, 0}});

    for (int s = 0; s < kSubnetCount; ++s) {
        const CONFIG &c = store.subnet(s);
        for (int i = 0; i < usedCommands(c); ++i) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            const MappedItem item{s, i + 1};
            if (isVacant(cmd.mappingAddress))
                return MappingTestResult{MappingConflict::NoAddress, item, {}};
            const auto fc = functionCodeOf(cmd.functionCode);
            if (!fc)
                continue;
            const long start = mappingAddressValue(cmd.mappingAddress).value_or(0) * kBitsPerByte +
                               decimalValue(cmd.mappingBit);
            const long length = commandBitLength(*fc, decimalValue(cmd.quantity));
            (isReadFunction(*fc) ? inputs : outputs).push_back(Interval{start, start + length, item});
        }
        for (const auto *list : {&inputs, &outputs})
            if (const auto found = overlap(*list))
                return MappingTestResult{MappingConflict::Overlap, found->first, found->second};
    }
    return {};
}

DownloadCheckResult checkBeforeDownload(ConfigStore &store)
{
    DownloadCheckResult result;
    const CompletenessResult completeness = CompletenessCheck::run(store);
    result.complete = completeness.complete;
    if (!completeness.complete) {
        if (!completeness.message.empty())
            result.messages.push_back(completeness.message);
        result.messages.push_back(text(StrId::MsgConfigUnfinished));
        return result;
    }
    if (isModbusMaster(store.subnet(0))) {
        result.mapping = MappingTest::run(store);
        if (!result.mapping.passed()) {
            result.messages.push_back(text(StrId::MsgMappingConflictQuestion));
            return result;
        }
    }
    result.passed = true;
    return result;
}

} // namespace tqv
