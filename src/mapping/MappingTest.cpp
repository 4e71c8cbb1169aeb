#include "MappingTest.h"

#include "model/MappingValues.h"
#include "editor/ConfigTree.h"
#include "editor/ValueCommit.h"
#include "model/GatewayLimits.h"
#include "resources/Strings.h"

#include <algorithm>
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

// Where a mapped command lies in its buffer, and whether that is the input buffer; none for a
// command of no known function.
std::optional<std::pair<Interval, bool>> placeOf(const COMMAND &cmd, const MappedItem &item)
{
    const auto fc = functionCodeOf(cmd.functionCode);
    if (!fc)
        return std::nullopt;
    const long start = mappingAddressValue(cmd.mappingAddress).value_or(0) * kBitsPerByte + decimalValue(cmd.mappingBit);
    const long length = commandBitLength(*fc, decimalValue(cmd.quantity));
    return std::pair{Interval{start, start + length, item}, isReadFunction(*fc)};
}

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
            if (const auto place = placeOf(cmd, item))
                (place->second ? inputs : outputs).push_back(place->first);
        }
        for (const auto *list : {&inputs, &outputs})
            if (const auto found = overlap(*list))
                return MappingTestResult{MappingConflict::Overlap, found->first, found->second};
    }
    return {};
}

namespace {

// The byte and bit of a bit position: "0002H.5".
std::string bitText(long bit)
{
    constexpr char digits[] = "0123456789ABCDEF";
    const long byte = bit / kBitsPerByte;
    std::string out;
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(byte >> shift) & 0x0F];
    return out + "H." + std::to_string(bit % kBitsPerByte);
}

std::string itemText(const ConfigStore &store, const MappedItem &item)
{
    if (item.position == 0)
        return text(StrId::ConflictStatusItem);
    const COMMAND &cmd = store.subnet(item.subnet).commands[static_cast<std::size_t>(item.position - 1)];
    return formatText(StrId::ConflictItem,
                      {std::to_string(item.subnet + 1), std::to_string(item.position), functionName(cmd.functionCode)});
}

std::string rangeText(const ConfigStore &store, const MappedItem &item, long start, long end)
{
    // An empty interval still names where it starts.
    return formatText(StrId::ConflictRange, {itemText(store, item), bitText(start), bitText(std::max(start, end - 1))});
}

} // namespace

std::vector<MappingFault> mappingFaults(const ConfigStore &store)
{
    std::vector<MappingFault> faults;
    std::vector<Interval> lists[2];
    if (const int status = reservedStatusBytes(store); status > 0)
        lists[0].push_back(Interval{0, static_cast<long>(status) * kBitsPerByte, MappedItem{0, 0}});
    for (int s = 0; s < kSubnetCount; ++s) {
        const CONFIG &c = store.subnet(s);
        for (int i = 0; i < usedCommands(c); ++i) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            const MappedItem item{s, i + 1};
            if (isVacant(cmd.mappingAddress)) {
                faults.push_back(MappingFault{MappingConflict::NoAddress, item, 0, 0, {}, 0, 0});
                continue;
            }
            if (const auto place = placeOf(cmd, item))
                lists[place->second ? 0 : 1].push_back(place->first);
        }
    }
    // The test's rule for a pair: one starts at or after the other's start and before its end.
    const auto inside = [](const Interval &a, const Interval &b) { return b.start >= a.start && b.start < a.end; };
    for (const auto &list : lists)
        for (std::size_t i = 0; i < list.size(); ++i)
            for (std::size_t j = i + 1; j < list.size(); ++j)
                if (inside(list[i], list[j]) || inside(list[j], list[i]))
                    faults.push_back(MappingFault{MappingConflict::Overlap, list[i].item, list[i].start, list[i].end,
                                                  list[j].item, list[j].start, list[j].end});
    return faults;
}

std::string mappingConflictQuestion(const ConfigStore &store, std::size_t shown)
{
    std::string question = text(StrId::MsgMappingConflictQuestion);
    const std::vector<MappingFault> faults = mappingFaults(store);
    if (!faults.empty())
        question += "\n";
    for (std::size_t i = 0; i < faults.size() && i < shown; ++i) {
        const MappingFault &f = faults[i];
        question += "\n\u2022 ";
        if (f.conflict == MappingConflict::NoAddress)
            question += formatText(StrId::ConflictNoAddress, {itemText(store, f.first)});
        else
            question += formatText(StrId::ConflictOverlap, {rangeText(store, f.first, f.firstStart, f.firstEnd),
                                                            rangeText(store, f.second, f.secondStart, f.secondEnd)});
    }
    if (faults.size() > shown)
        question += "\n" + formatText(StrId::ConflictMore, {std::to_string(faults.size() - shown)});
    return question;
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
