#include "ConflictMap.h"
#include "model/ModelProfile.h"

#include "model/MappingValues.h"
#include "editor/ConfigTree.h"
#include "editor/ValueCommit.h"
#include "model/GatewayLimits.h"
#include "resources/Strings.h"

#include <algorithm>

namespace tqv {

namespace {

constexpr long kBitsPerMapByte = kBitsPerByte;

// Bytes per register of a register read: one where the data filter keeps a single byte.
long bytesPerRegister(const ConfigStore &store, const COMMAND &cmd)
{
    if (cmd.dataFormat == text(StrId::FormatLowByte))
        return 1;
    if (cmd.dataFormat == text(StrId::FormatHighByte) && profileOf(store).dataFilterVocabulary)
        return 1;
    return 2;
}

} // namespace

ConflictMap::ConflictMap(const ConfigStore &store)
    : m_input(static_cast<std::size_t>(kInputMapBytes) * kBitsPerByte),
      m_output(static_cast<std::size_t>(kOutputMapBytes) * kBitsPerByte)
{
    if (const int status = reservedStatusBytes(store); status > 0) {
        m_entries.push_back(ConflictEntry{kStatusEntryCode, MappedItem{0, 0}, text(StrId::ConflictStatusEntry), true, {}});
        m_footprints.push_back(Footprint{false, 0, static_cast<long>(status) * kBitsPerMapByte});
    }
    for (int s = 0; s < kSubnetCount; ++s) {
        const CONFIG &c = store.subnet(s);
        for (int i = 0; i < usedCommands(c); ++i) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            const auto fc = functionCodeOf(cmd.functionCode);
            ConflictEntry entry{fc ? static_cast<int>(*fc) : 0, MappedItem{s, i + 1},
                                fc ? functionName(cmd.functionCode) : std::string(), true, {}};
            if (fc)
                entry.hint = formatText(StrId::ConflictEntryHint,
                                        {std::to_string(s + 1), std::to_string(i + 1),
                                         isVacant(cmd.mappingAddress) ? std::string() : cmd.mappingAddress + "H"});
            Footprint f;
            const std::optional<long> address = mappingAddressValue(cmd.mappingAddress);
            if (fc && address) {
                const long n = std::max(0L, decimalValue(cmd.quantity));
                f.output = isWriteFunction(*fc);
                if (isBitFunction(*fc)) {
                    // Bit i lies at (B + i) mod 8, the byte advancing each time the position wraps.
                    const long bit = ((decimalValue(cmd.mappingBit) % kBitsPerByte) + kBitsPerByte) % kBitsPerByte;
                    f.start = *address * kBitsPerMapByte + bit;
                    f.end = f.start + n;
                } else {
                    const long perItem = isReadFunction(*fc) ? bytesPerRegister(store, cmd) : 2;
                    f.start = *address * kBitsPerMapByte;
                    f.end = f.start + n * perItem * kBitsPerMapByte;
                }
                // Only what lies inside the map is counted.
                const long mapBits = (f.output ? kOutputMapBytes : kInputMapBytes) * kBitsPerMapByte;
                f.start = std::min(f.start, mapBits);
                f.end = std::clamp(f.end, f.start, mapBits);
            }
            m_entries.push_back(std::move(entry));
            m_footprints.push_back(f);
        }
    }
    for (const Footprint &f : m_footprints)
        count(f, +1);
}

void ConflictMap::count(const Footprint &f, int delta)
{
    std::vector<std::uint32_t> &map = f.output ? m_output : m_input;
    for (long b = f.start; b < f.end; ++b)
        map[static_cast<std::size_t>(b)] += static_cast<std::uint32_t>(delta);
}

AffectedCells ConflictMap::cellsOf(const Footprint &f) const
{
    AffectedCells cells;
    if (f.end <= f.start)
        return cells;
    const int first = static_cast<int>(f.start / kBitsPerMapByte);
    const int last = static_cast<int>((f.end - 1) / kBitsPerMapByte);
    if (!f.output) {
        cells.input = ByteSpan{first, last};
        return cells;
    }
    // An output mapped below 0x4000 shows in the input grid.
    if (first < kGridBytes)
        cells.input = ByteSpan{first, std::min(last, kGridBytes - 1)};
    if (last >= kGridBytes)
        cells.output = ByteSpan{std::max(first, kGridBytes) - kGridBytes, last - kGridBytes};
    return cells;
}

AffectedCells ConflictMap::cellsOf(int index) const
{
    if (index < 0 || index >= entryCount())
        return {};
    return cellsOf(m_footprints[static_cast<std::size_t>(index)]);
}

AffectedCells ConflictMap::setIncluded(int index, bool included)
{
    if (index < 0 || index >= entryCount())
        return {};
    ConflictEntry &entry = m_entries[static_cast<std::size_t>(index)];
    if (entry.included == included)
        return {};
    entry.included = included;
    const Footprint &f = m_footprints[static_cast<std::size_t>(index)];
    count(f, included ? +1 : -1);
    return cellsOf(f);
}

std::uint32_t ConflictMap::inputCount(int address, int bit) const
{
    if (address < 0 || address >= kInputMapBytes || bit < 0 || bit >= kBitsPerByte)
        return 0;
    return m_input[static_cast<std::size_t>(address) * kBitsPerByte + static_cast<std::size_t>(bit)];
}

std::uint32_t ConflictMap::outputCount(int address, int bit) const
{
    if (address < 0 || address >= kOutputMapBytes || bit < 0 || bit >= kBitsPerByte)
        return 0;
    return m_output[static_cast<std::size_t>(address) * kBitsPerByte + static_cast<std::size_t>(bit)];
}

CellColour ConflictMap::bitColour(BufferGrid grid, int offset, int bit) const
{
    if (offset < 0 || offset >= kGridBytes)
        return CellColour::None;
    if (grid == BufferGrid::Output) {
        const std::uint32_t out = outputCount(kOutputBufferBase + offset, bit);
        return out >= 2 ? CellColour::Red : (out == 1 ? CellColour::Blue : CellColour::None);
    }
    const std::uint32_t in = inputCount(offset, bit);
    const std::uint32_t out = outputCount(offset, bit);
    if (in >= 2 || out >= 2)
        return CellColour::Red;
    if (out == 1)
        return CellColour::Yellow;
    return in == 1 ? CellColour::Green : CellColour::None;
}

CellColour ConflictMap::byteColour(BufferGrid grid, int offset) const
{
    // Red outranks yellow, which outranks the grid's own colour.
    bool yellow = false;
    CellColour used = CellColour::None;
    for (int bit = 0; bit < kBitsPerByte; ++bit) {
        const CellColour c = bitColour(grid, offset, bit);
        if (c == CellColour::Red)
            return c;
        if (c == CellColour::Yellow)
            yellow = true;
        else if (c != CellColour::None)
            used = c;
    }
    return yellow ? CellColour::Yellow : used;
}

ConflictSummary summarizeConflicts(const ConflictMap &map)
{
    ConflictSummary s;
    for (int a = 0; a < ConflictMap::kGridBytes; ++a) {
        switch (map.byteColour(BufferGrid::Input, a)) {
        case CellColour::Red: s.inputRed.push_back(a); break;
        case CellColour::Yellow: s.inputYellow.push_back(a); break;
        case CellColour::Green: s.inputGreen.push_back(a); break;
        default: break;
        }
        switch (map.byteColour(BufferGrid::Output, a)) {
        case CellColour::Red: s.outputRed.push_back(kOutputBufferBase + a); break;
        case CellColour::Blue: s.outputBlue.push_back(kOutputBufferBase + a); break;
        default: break;
        }
    }
    return s;
}

ConflictSummary summarizeConflicts(const ConfigStore &store, const std::vector<int> &excludedEntries)
{
    ConflictMap map(store);
    for (int index : excludedEntries)
        map.setIncluded(index, false);
    return summarizeConflicts(map);
}

} // namespace tqv
