#include "MappingFixture.h"

#include "mapping/ConflictMap.h"

#include <vector>

namespace tqv {
namespace {

class ConflictMapTest : public MappingFixture {
protected:
    // Colours of input (or output) grid bytes first..last.
    static std::vector<CellColour> colours(const ConflictMap &map, BufferGrid grid, int first, int last)
    {
        std::vector<CellColour> out;
        for (int a = first; a <= last; ++a)
            out.push_back(map.byteColour(grid, a));
        return out;
    }
    static constexpr auto None = CellColour::None;
    static constexpr auto Green = CellColour::Green;
    static constexpr auto Blue = CellColour::Blue;
    static constexpr auto Yellow = CellColour::Yellow;
    static constexpr auto Red = CellColour::Red;
    static constexpr auto In = BufferGrid::Input;
    static constexpr auto Out = BufferGrid::Output;
};

TEST_F(ConflictMapTest, OverlappingRegisterReadsAndTheirCheckBoxes)
{
    command(0, "3", "2", "0000", "0");
    command(0, "3", "2", "0002", "0");
    ConflictMap map(*s);
    EXPECT_EQ(colours(map, In, 0, 6), (std::vector{Green, Green, Red, Red, Green, Green, None}));

    // Leaving the second out turns 0002..0003 green and 0004..0005 empty; only its bytes change.
    EXPECT_EQ(map.setIncluded(1, false), (AffectedCells{ByteSpan{2, 5}, std::nullopt}));
    EXPECT_EQ(colours(map, In, 0, 6), (std::vector{Green, Green, Green, Green, None, None, None}));
    EXPECT_FALSE(map.entries()[1].included);

    // Leaving it out again changes nothing.
    EXPECT_EQ(map.setIncluded(1, false), AffectedCells{});
    EXPECT_EQ(map.inputCount(2, 0), 1u);

    EXPECT_EQ(map.setIncluded(1, true), (AffectedCells{ByteSpan{2, 5}, std::nullopt}));
    EXPECT_EQ(colours(map, In, 0, 6), (std::vector{Green, Green, Red, Red, Green, Green, None}));
    EXPECT_EQ(map.inputCount(2, 0), 2u);
    EXPECT_EQ(map.inputCount(2, 7), 2u);
}

TEST_F(ConflictMapTest, CoilsWrapIntoTheNextByte)
{
    command(0, "1", "10", "1", "4");
    const ConflictMap map(*s);
    const std::uint32_t byte1[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const std::uint32_t byte2[8] = {1, 1, 1, 1, 1, 1, 0, 0};
    for (int bit = 0; bit < 8; ++bit) {
        EXPECT_EQ(map.inputCount(1, bit), byte1[bit]) << bit;
        EXPECT_EQ(map.inputCount(2, bit), byte2[bit]) << bit;
        EXPECT_EQ(map.inputCount(3, bit), 0u) << bit;
        EXPECT_EQ(map.bitColour(In, 1, bit), byte1[bit] ? Green : None) << bit;
    }
    EXPECT_EQ(colours(map, In, 0, 3), (std::vector{None, Green, Green, None}));
    EXPECT_EQ(map.cellsOf(0), (AffectedCells{ByteSpan{1, 2}, std::nullopt}));
}

TEST_F(ConflictMapTest, BitOffsetsBeyondSevenWrapLikeTheirRemainder)
{
    command(0, "2", "3", "0", "14");
    const ConflictMap map(*s);
    EXPECT_EQ(map.inputCount(0, 6), 1u);
    EXPECT_EQ(map.inputCount(0, 7), 1u);
    EXPECT_EQ(map.inputCount(1, 0), 1u);
    EXPECT_EQ(map.inputCount(1, 6), 0u);
}

TEST_F(ConflictMapTest, CoilWritesUseTheOutputMap)
{
    command(0, "15", "3", "4000", "6");
    command(0, "5", "1", "4001", "0");
    const ConflictMap map(*s);
    EXPECT_EQ(map.outputCount(0x4000, 6), 1u);
    EXPECT_EQ(map.outputCount(0x4000, 7), 1u);
    EXPECT_EQ(map.outputCount(0x4001, 0), 2u);
    EXPECT_EQ(map.bitColour(Out, 1, 0), Red);
    EXPECT_EQ(map.bitColour(Out, 0, 6), Blue);
    EXPECT_EQ(colours(map, Out, 0, 2), (std::vector{Blue, Red, None}));
    EXPECT_EQ(colours(map, In, 0, 2), (std::vector{None, None, None}));
}

TEST_F(ConflictMapTest, LocalDataExchangeIsYellow)
{
    command(0, "6", "1", "10", "0");
    ConflictMap map(*s);
    EXPECT_EQ(colours(map, In, 0x0F, 0x12), (std::vector{None, Yellow, Yellow, None}));
    EXPECT_EQ(colours(map, Out, 0x0F, 0x12), (std::vector{None, None, None, None}));
    EXPECT_EQ(map.cellsOf(0), (AffectedCells{ByteSpan{0x10, 0x11}, std::nullopt}));

    // A read filling the same bytes is what the write takes its data from: still yellow.
    command(0, "3", "1", "10", "0");
    map = ConflictMap(*s);
    EXPECT_EQ(colours(map, In, 0x10, 0x11), (std::vector{Yellow, Yellow}));

    // Two writes into the input buffer are a conflict.
    command(1, "16", "1", "11", "0");
    map = ConflictMap(*s);
    EXPECT_EQ(colours(map, In, 0x10, 0x12), (std::vector{Yellow, Red, Yellow}));
}

TEST_F(ConflictMapTest, BytesPerRegisterRead)
{
    const struct {
        unsigned type;
        std::initializer_list<int> flags;
        const char *code, *format;
        int lastUsed; // of 3 registers from 0
    } rows[] = {
        {3, {7}, "3", "Low byte", 2},
        {3, {7}, "4", "High byte", 2},    // type 3 filters
        {3, {7}, "3", "Fullword", 5},
        {1, {}, "3", "Low byte", 2},      // "Low byte" always keeps one byte
        {1, {}, "3", "High byte", 5},     // "High byte" only with the data filter
        {1, {1}, "4", "High byte", 2},
        {1, {}, "3", "Non-exchange", 5},
        {3, {7}, "16", "Low byte", 5},    // writes always take two bytes per register
    };
    for (const auto &r : rows) {
        setType(r.type, r.flags);
        command(0, r.code, "3", "0", "0").dataFormat = r.format;
        const ConflictMap map(*s);
        // A write below 0x4000 shows in the input grid as local data exchange.
        const CellColour used = isReadFunction(r.code) ? Green : Yellow;
        std::vector<CellColour> expected(8, None);
        for (int a = 0; a <= r.lastUsed; ++a)
            expected[static_cast<std::size_t>(a)] = used;
        EXPECT_EQ(colours(map, In, 0, 7), expected) << r.type << ' ' << r.code << ' ' << r.format;
    }
}

TEST_F(ConflictMapTest, CommandListOfAllSubnets)
{
    setType(2, {7});
    s->subnet(0).commandStatus = "2Bytes";
    command(0, "3", "1", "2", "0");
    command(0, "8", "1", "0", "0");
    command(1, "16", "1", "4000", "0");
    command(3, "1", "4", "8", "0");
    command(3, "15", "4", "4010", "0");
    const ConflictMap map(*s);
    const struct {
        int code, subnet, position;
        const char *label;
    } expected[] = {
        {20, 0, 0, "Modbus命令状态"},
        {3, 0, 1, "Read Holding Registers"},
        {0, 0, 2, ""},
        {16, 1, 1, "Preset Multiple Registers"},
        {1, 3, 1, "Read Coil Status"},
        {15, 3, 2, "Force Multiple Coils"},
    };
    ASSERT_EQ(map.entryCount(), static_cast<int>(std::size(expected)));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ConflictEntry &e = map.entries()[i];
        EXPECT_EQ(e.functionCode, expected[i].code) << i;
        EXPECT_EQ(e.source, (MappedItem{expected[i].subnet, expected[i].position})) << i;
        EXPECT_EQ(e.label, expected[i].label) << i;
        EXPECT_EQ(e.listed(), *expected[i].label != '\0') << i;
        EXPECT_TRUE(e.included) << i;
    }
    EXPECT_EQ(map.entries()[0].hint, "");
    EXPECT_EQ(map.entries()[1].hint, "Subnet1, command 1, mapping address 2H");
    EXPECT_EQ(map.entries()[5].hint, "Subnet4, command 2, mapping address 4010H");
    // The status bytes are used input bytes; the first command lies right after them.
    EXPECT_EQ(colours(map, In, 0, 3), (std::vector{Green, Green, Green, Green}));
}

TEST_F(ConflictMapTest, StatusBytesOnlyUnderFlagSeven)
{
    for (bool flag7 : {true, false}) {
        setType(3, flag7 ? std::initializer_list<int>{7} : std::initializer_list<int>{});
        s->subnet(0).commandStatus = "3Bytes";
        command(0, "3", "1", "2", "0");
        const ConflictMap map(*s);
        EXPECT_EQ(map.entryCount(), flag7 ? 2 : 1);
        EXPECT_EQ(colours(map, In, 0, 3), flag7 ? (std::vector{Green, Green, Red, Green}) : (std::vector{None, None, Green, Green}));
    }
}

TEST_F(ConflictMapTest, EveryLineStaysTiedToItsOwnEntry)
{
    // Entries without a line sit between listed ones; toggling by entry number reaches the right one.
    command(0, "8", "1", "0", "0");
    command(0, "3", "1", "0", "0");
    command(0, "7", "1", "0", "0");
    command(0, "4", "1", "0", "0");
    ConflictMap map(*s);
    EXPECT_EQ(colours(map, In, 0, 1), (std::vector{Red, Red}));
    EXPECT_EQ(map.setIncluded(3, false), (AffectedCells{ByteSpan{0, 1}, std::nullopt}));
    EXPECT_TRUE(map.entries()[1].included);
    EXPECT_FALSE(map.entries()[3].included);
    EXPECT_EQ(colours(map, In, 0, 1), (std::vector{Green, Green}));
    // Unknown entry numbers and entries without bits change nothing.
    EXPECT_EQ(map.setIncluded(-1, false), AffectedCells{});
    EXPECT_EQ(map.setIncluded(4, false), AffectedCells{});
    EXPECT_EQ(map.setIncluded(0, false), AffectedCells{});
    EXPECT_FALSE(map.entries()[0].included);
}

TEST_F(ConflictMapTest, OnlyTheMapsAreCounted)
{
    command(0, "3", "4", "3FFF", "0");                // 8 bytes from the last input byte
    command(0, "16", "100", "7FF0", "0");             // 200 bytes from 0x7FF0
    command(0, "6", "1", "3FFF", "0");                // 0x3FFF in the input grid, 0x4000 in the output grid
    command(0, "1", "65535", "3FFE", "7");            // past the end
    command(0, "3", "4", "", "0");                    // no address: no bits
    command(0, "4", "4", "-1", "0");
    command(0, "4", "99999999999", "0", "0");         // a quantity far beyond the map
    ConflictMap map(*s);
    EXPECT_EQ(map.cellsOf(0), (AffectedCells{ByteSpan{0x3FFF, 0x3FFF}, std::nullopt}));
    EXPECT_EQ(map.cellsOf(1), (AffectedCells{std::nullopt, ByteSpan{0x3FF0, 0x3FFF}}));
    EXPECT_EQ(map.cellsOf(2), (AffectedCells{ByteSpan{0x3FFF, 0x3FFF}, ByteSpan{0, 0}}));
    EXPECT_EQ(map.cellsOf(4), AffectedCells{});
    EXPECT_EQ(map.cellsOf(5), AffectedCells{});
    EXPECT_EQ(map.byteColour(Out, 0x3FFF), Blue);
    EXPECT_EQ(map.byteColour(Out, 0), Blue);
    EXPECT_EQ(map.byteColour(In, 0x3FFF), Red);
    EXPECT_EQ(map.inputCount(0x4000, 0), 0u);
    EXPECT_EQ(map.byteColour(In, 0x4000), None);
    for (int i = 0; i < map.entryCount(); ++i)
        map.setIncluded(i, false);
    for (int a : {0, 0x1234, 0x3FFF}) {
        EXPECT_EQ(map.byteColour(In, a), None) << a;
        EXPECT_EQ(map.byteColour(Out, a), None) << a;
    }
}

TEST_F(ConflictMapTest, SummaryByColour)
{
    command(0, "3", "2", "0", "0");     // 0..3
    command(0, "3", "1", "2", "0");     // 2..3: red
    command(0, "6", "1", "8", "0");     // 8..9: yellow
    command(0, "16", "1", "4000", "0"); // blue
    command(0, "5", "1", "4000", "0");  // red with the above at bit 0
    command(0, "16", "1", "4002", "0");

    ConflictSummary all = summarizeConflicts(*s, {});
    EXPECT_EQ(all.inputRed, (std::vector{2, 3}));
    EXPECT_EQ(all.inputYellow, (std::vector{8, 9}));
    EXPECT_EQ(all.inputGreen, (std::vector{0, 1}));
    EXPECT_EQ(all.outputRed, (std::vector{0x4000}));
    EXPECT_EQ(all.outputBlue, (std::vector{0x4001, 0x4002, 0x4003}));

    const ConflictSummary some = summarizeConflicts(*s, {1, 4, 99, -3});
    EXPECT_EQ(some.inputRed, std::vector<int>{});
    EXPECT_EQ(some.inputGreen, (std::vector{0, 1, 2, 3}));
    EXPECT_EQ(some.outputRed, std::vector<int>{});
    EXPECT_EQ(some.outputBlue, (std::vector{0x4000, 0x4001, 0x4002, 0x4003}));
}

} // namespace
} // namespace tqv
