#pragma once

#include "MappingTest.h"
#include "model/ConfigStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tqv {

// The two grids of conflict detection: the input buffer 0x0000..0x3FFF and the output buffer
// 0x4000..0x7FFF, each addressed here by its byte offset 0..0x3FFF.
enum class BufferGrid { Input, Output };

// What a bit or a byte cell shows: red where items overlap, yellow where an output command writes
// into the input buffer, green for an input, blue for an output.
enum class CellColour { None, Green, Blue, Yellow, Red };

// The colour values of the grid (blue-green-red byte order); None is the grid's default, 0.
constexpr std::uint32_t colourValue(CellColour c)
{
    switch (c) {
    case CellColour::Red: return 0x0000FF;
    case CellColour::Green: return 0x00FF00;
    case CellColour::Blue: return 0xFF0000;
    case CellColour::Yellow: return 0x00FFFF;
    case CellColour::None: break;
    }
    return 0;
}

// Function code of the command-status pseudo-entry.
constexpr int kStatusEntryCode = 20;

// One entry of the command list.
struct ConflictEntry {
    int functionCode = 0;  // 1..6, 15, 16; 20 for the status bytes; 0 for any other stored code
    MappedItem source;     // subnet and command position; position 0 for the status bytes
    std::string label;     // the check-list text; empty when the entry gets no line
    bool included = true;
    std::string hint;      // where the command comes from, for a tooltip ("Subnet2, command 5, ...")

    bool listed() const { return !label.empty(); }
};

// Grid bytes first..last (offsets, inclusive).
struct ByteSpan {
    int first = 0;
    int last = 0;

    bool operator==(const ByteSpan &) const = default;
};

// The cells of each grid whose colour a toggle may have changed.
struct AffectedCells {
    std::optional<ByteSpan> input;
    std::optional<ByteSpan> output;

    bool operator==(const AffectedCells &) const = default;
};

// Conflict detection: where the commands of all subnets land in the input and output buffers,
// bit by bit, with a use counter per bit, and the colours that follow from the counters.
class ConflictMap {
public:
    static constexpr int kGridBytes = 0x4000;        // bytes per grid
    static constexpr int kInputMapBytes = 0x4000;    // 0x0000..0x3FFF
    static constexpr int kOutputMapBytes = 0x8000;   // 0x0000..0x7FFF: output addresses index directly

    // The command list of `store` (the status pseudo-entry first when the model reserves status
    // bytes, then every command of subnets 1 to 4 in order), all included, and their bits counted.
    explicit ConflictMap(const ConfigStore &store);

    const std::vector<ConflictEntry> &entries() const { return m_entries; }
    int entryCount() const { return static_cast<int>(m_entries.size()); }

    // Includes or leaves out entry `index` (0-based) and counts its bits in or out. Returns the
    // cells whose colour may have changed: none when the entry is unknown, already in that state
    // or uses no bits.
    AffectedCells setIncluded(int index, bool included);
    // The cells an entry's bits fall on (whether it is included or not).
    AffectedCells cellsOf(int index) const;

    CellColour bitColour(BufferGrid grid, int offset, int bit) const;
    CellColour byteColour(BufferGrid grid, int offset) const;

    // How many included entries use a bit; `address` indexes the map directly (outputs from 0x4000).
    std::uint32_t inputCount(int address, int bit) const;
    std::uint32_t outputCount(int address, int bit) const;

private:
    // The bits of one entry: [start, end) in the linear bit numbering (byte * 8 + bit) of one map.
    struct Footprint {
        bool output = false;
        long start = 0;
        long end = 0;
    };
    void count(const Footprint &f, int delta);
    AffectedCells cellsOf(const Footprint &f) const;

    std::vector<ConflictEntry> m_entries;
    std::vector<Footprint> m_footprints;
    std::vector<std::uint32_t> m_input;
    std::vector<std::uint32_t> m_output;
};

// Byte addresses by colour, ascending; outputs as buffer addresses (0x4000..0x7FFF).
struct ConflictSummary {
    std::vector<int> inputRed;
    std::vector<int> inputYellow;
    std::vector<int> inputGreen;
    std::vector<int> outputRed;
    std::vector<int> outputBlue;
};
ConflictSummary summarizeConflicts(const ConflictMap &map);
// The picture for `store` with the given command-list entries (0-based) left out, as the
// dialog's check boxes do. Entry numbers outside the list are ignored; see ConflictMap::entryCount.
ConflictSummary summarizeConflicts(const ConfigStore &store, const std::vector<int> &excludedEntries);

} // namespace tqv
