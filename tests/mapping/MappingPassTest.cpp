#include "MappingFixture.h"

#include "editor/TreeEditor.h"
#include "mapping/MappingPass.h"

#include <vector>

namespace tqv {
namespace {

const std::string kExceeds = "Data mapping address exceeds the maximum effective value! ";
const std::string kConfigDataError = "Profibus configuration data numerical error";
const std::string kQuestion = "Really want to recount the mapping address? ";

class MappingPassTest : public MappingFixture {
protected:
    MappingOutcome run() { return MappingPass::run(*s, prompter); }
    const COMMAND &at(int subnet, int position) const { return s->command(subnet, position); }
};

// Inputs from 0 in the order 1, 2, 3, 4, outputs from 4000 in the order 5, 6, 15, 16, each in
// the order of the commands; the bit offset is 0 and the byte count follows the quantity.
TEST_F(MappingPassTest, EveryFunctionCodeInItsPlace)
{
    setType(1, {});
    s->configModified = false;
    const struct {
        const char *code, *quantity, *address, *bytes;
    } rows[] = {
        {"16", "3", "4005", "6"}, {"4", "1", "8", "2"},    {"2", "8", "2", "1"}, {"6", "1", "4001", "2"},
        {"3", "2", "4", "4"},     {"15", "9", "4003", "2"}, {"1", "9", "0", "2"}, {"5", "1", "4000", "1"},
        {"2", "1", "3", "1"},
    };
    for (const auto &r : rows)
        command(0, r.code, r.quantity, "ff", "5");
    const MappingOutcome o = run();
    EXPECT_FALSE(o.incomplete);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(s->configModified);
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        const std::string where = "command " + std::to_string(i + 1) + " code " + rows[i].code;
        EXPECT_EQ(at(0, i + 1).mappingAddress, rows[i].address) << where;
        EXPECT_EQ(at(0, i + 1).byteCount, rows[i].bytes) << where;
        EXPECT_EQ(at(0, i + 1).mappingBit, "0") << where;
    }
}

TEST_F(MappingPassTest, InputBases)
{
    const struct {
        const char *name;
        unsigned type;
        std::initializer_list<int> flags;
        const char *commandStatus;
        bool master;
        const char *firstInput;
    } rows[] = {
        {"DeviceNet", 0, {}, "Disable", true, "2"},
        {"DeviceNet ignores status bytes", 0, {7}, "4Bytes", true, "2"},
        {"status bytes under flag 7", 3, {7}, "2Bytes", true, "2"},
        {"six status bytes", 3, {7}, "6Bytes", true, "6"},
        {"status disabled", 3, {7}, "Disable", true, "0"},
        {"status without flag 7", 1, {}, "2Bytes", true, "0"},
        {"status of a subnet that is no master", 3, {7}, "2Bytes", false, "0"},
        {"plain PROFIBUS", 1, {}, "Disable", true, "0"},
    };
    for (const auto &r : rows) {
        SetUp();
        setType(r.type, r.flags);
        s->subnet(0).commandStatus = r.commandStatus;
        if (!r.master)
            s->subnet(0).protocol = text(StrId::ProtocolModbusSlave);
        command(0, "3", "1");
        command(0, "6", "1");
        run();
        EXPECT_EQ(at(0, 1).mappingAddress, r.firstInput) << r.name;
        EXPECT_EQ(at(0, 2).mappingAddress, "4000") << r.name;
    }
}

// Where the pass puts the commands of a case, and what it leaves alone.
TEST_F(MappingPassTest, AddressesByCase)
{
    struct Command {
        int subnet;
        const char *code, *quantity, *mapping = "", *bit = "", *bytes = "";
    };
    struct Expected {
        int subnet, position;
        std::string COMMAND::*field;
        const char *value;
    };
    const auto A = &COMMAND::mappingAddress, B = &COMMAND::byteCount, M = &COMMAND::mappingBit;
    const struct {
        const char *name;
        unsigned type;
        std::vector<Command> commands;
        std::vector<Expected> expected;
    } cases[] = {
        {"upper-case hexadecimal without leading zeros", 1,
         {{0, "3", "5"}, {0, "4", "3", "00ff"}, {0, "16", "5"}, {0, "16", "1"}},
         {{0, 1, A, "0"}, {0, 2, A, "A"}, {0, 3, A, "4000"}, {0, 4, A, "400A"}}},
        // A code-8 command keeps its fields and takes no room.
        {"other function codes untouched", 1, {{0, "3", "2"}, {0, "8", "4", "ab", "3", "7"}, {0, "4", "1"}},
         {{0, 2, A, "ab"}, {0, 2, M, "3"}, {0, 2, B, "7"}, {0, 3, A, "4"}}},
        // Subnet 2's inputs follow subnet 1's (4 bytes at 0), its outputs 4000.
        {"Ethernet: the second subnet continues both lists", 4,
         {{0, "3", "2"}, {0, "6", "1"}, {1, "16", "1"}, {1, "4", "3"}, {1, "1", "1"}},
         {{0, 1, A, "0"}, {0, 2, A, "4000"}, {1, 3, A, "4"}, {1, 2, A, "5"}, {1, 1, A, "4002"}, {1, 2, B, "6"}}},
        {"only the first subnet of other types", 2, {{0, "3", "1"}, {1, "3", "1", "77", "5"}},
         {{0, 1, A, "0"}, {1, 1, A, "77"}, {1, 1, M, "5"}}},
        {"vacant or negative quantities take no room", 1, {{0, "3", "-1"}, {0, "3", ""}, {0, "4", "2"}},
         {{0, 1, B, "0"}, {0, 3, A, "0"}}},
    };
    for (const auto &c : cases) {
        SetUp();
        setType(c.type, {});
        for (const Command &k : c.commands)
            command(k.subnet, k.code, k.quantity, k.mapping, k.bit).byteCount = k.bytes;
        EXPECT_FALSE(run().incomplete) << c.name;
        for (const Expected &e : c.expected)
            EXPECT_EQ(at(e.subnet, e.position).*e.field, e.value) << c.name << " " << e.subnet << ":" << e.position;
    }
}

TEST_F(MappingPassTest, OverflowIsReportedOnceAndTheAddressesStay)
{
    setType(1, {});
    s->fieldbus.inputSize = "64";
    command(0, "3", "30"); // 60 bytes, ends at 60
    command(0, "3", "20"); // ends at 100
    command(0, "4", "20"); // ends at 140
    const MappingOutcome o = run();
    EXPECT_TRUE(o.incomplete);
    EXPECT_FALSE(o.configDataError);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kExceeds});
    EXPECT_EQ(at(0, 2).mappingAddress, "3C");
    EXPECT_EQ(at(0, 3).mappingAddress, "64");
}

// Largest input and output that pass, per model, and that one more byte fails.
TEST_F(MappingPassTest, LimitsInTheirOrder)
{
    const struct {
        const char *name;
        unsigned type;
        std::initializer_list<int> flags;
        const char *mode;       // profibusConfigMode
        const char *configData; // profibusConfigData
        const char *inputSize;
        long input, output;     // the limits the pass holds commands to
    } rows[] = {
        {"Ethernet", 4, {}, "Use bytes selection", "", "8", 512, 512},
        {"Ethernet before flag 4", 4, {4}, "Use bytes selection", "", "8", 512, 512},
        {"flag 4", 1, {4, 7}, "Use bytes selection", "", "112", 168, 168},
        {"flag 7", 1, {7}, "Use bytes selection", "", "112", 244, 244},
        {"flag 1, configuration data", 1, {1}, "Input configuration data", "13 23", "112", 4, 4},
        {"flag 6, configuration data", 1, {6}, "Input configuration data", "C0 47 4F", "112", 32, 16},
        {"flag 1, byte selection", 1, {1}, "Use bytes selection", "13 23", "48", 48, 48},
        {"fieldbus sizes", 1, {}, "Input configuration data", "13 23", "32", 32, 32},
        {"DeviceNet sizes", 0, {}, "Use bytes selection", "", "64", 64, 64},
    };
    for (const auto &r : rows) {
        for (long extra : {0L, 1L}) {
            for (bool output : {false, true}) {
                SetUp();
                setType(r.type, r.flags);
                s->fieldbus.profibusConfigMode = r.mode;
                s->fieldbus.profibusConfigData = r.configData;
                s->fieldbus.inputSize = r.inputSize;
                s->fieldbus.outputSize = r.inputSize;
                // The DeviceNet inputs start at 2.
                const long base = r.type == 0 && !output ? 2 : 0;
                const long bytes = (output ? r.output : r.input) - base + extra;
                command(0, output ? "15" : "1", std::to_string(bytes * 8));
                const MappingOutcome o = run();
                const bool fails = extra > 0;
                EXPECT_EQ(o.incomplete, fails) << r.name << (output ? " output " : " input ") << bytes;
                EXPECT_EQ(prompter.messages.size(), fails ? 1u : 0u) << r.name << (output ? " output" : " input");
                if (fails && !prompter.messages.empty()) {
                    EXPECT_EQ(prompter.messages[0], kExceeds) << r.name;
                }
            }
        }
    }
}

TEST_F(MappingPassTest, InvalidConfigurationDataSkipTheLimitChecks)
{
    for (const char *data : {"", "0F", "C0 47", "11 11 11 11 11 11 11 11 11", "5F 5F 5F 1F 10"}) {
        SetUp();
        setType(1, {1});
        s->fieldbus.profibusConfigMode = text(StrId::ProfibusInputConfigData);
        s->fieldbus.profibusConfigData = data;
        command(0, "3", "200"); // would exceed every limit
        command(0, "6", "1");
        const MappingOutcome o = run();
        EXPECT_TRUE(o.incomplete) << data;
        EXPECT_TRUE(o.configDataError) << data;
        EXPECT_EQ(prompter.messages, std::vector<std::string>{kConfigDataError}) << data;
        // The addresses are written all the same, in hexadecimal.
        EXPECT_EQ(at(0, 1).mappingAddress, "0") << data;
        EXPECT_EQ(at(0, 2).mappingAddress, "4000") << data;
        EXPECT_EQ(at(0, 1).byteCount, "400") << data;
    }
}

// The total of both buffers, each reach of it one message; status bytes count as input use.
TEST_F(MappingPassTest, CombinedUseOfBothBuffers)
{
    const struct {
        const char *name;
        unsigned type;
        std::initializer_list<int> flags;
        long inputs, outputs;
        const char *status;
        std::size_t messages;
    } rows[] = {
        {"flag 7 on Ethernet, below 489", 4, {7}, 300, 188, "Disable", 0},
        {"flag 7 on Ethernet, at 489", 4, {7}, 300, 189, "Disable", 1},
        {"flag 3, below 225", 1, {3}, 100, 124, "Disable", 0},
        {"flag 3, at 225", 1, {3}, 100, 125, "Disable", 1},
        {"flag 3 with flag 7 counts 489", 1, {3, 7}, 100, 125, "Disable", 0},
        {"no inputs: outputs alone", 1, {3}, 0, 225, "Disable", 1},
        {"no outputs", 1, {3}, 225, 0, "Disable", 1},
        {"flag 3 holds 244 input bytes, not the total", 1, {3}, 244, 0, "Disable", 1},
        {"flag 3, 245 input bytes fail both", 1, {3}, 245, 0, "Disable", 2},
        {"status bytes without inputs: 220 + 6 reaches 225", 1, {3}, 0, 220, "6Bytes", 1},
        {"no status bytes", 1, {3}, 0, 220, "Disable", 0},
        {"no total on Ethernet without flags", 4, {}, 300, 200, "Disable", 0},
    };
    for (const auto &r : rows) {
        SetUp();
        setType(r.type, r.flags);
        s->subnet(0).commandStatus = r.status;
        if (r.inputs > 0)
            command(0, "2", std::to_string(r.inputs * 8));
        if (r.outputs > 0)
            command(0, "15", std::to_string(r.outputs * 8));
        const MappingOutcome o = run();
        EXPECT_EQ(prompter.messages, std::vector<std::string>(r.messages, kExceeds)) << r.name;
        EXPECT_EQ(o.incomplete, r.messages > 0) << r.name;
    }
}

TEST_F(MappingPassTest, EthernetSecondSubnetIsCheckedOnlyWhileTheMarkIsClear)
{
    setType(4, {});
    command(0, "3", "100");  // 200 bytes
    command(1, "3", "200");  // 400 bytes from 200: ends at 600
    MappingOutcome o = run();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kExceeds});
    EXPECT_TRUE(o.incomplete);

    // Both subnets beyond the limit: still one message.
    SetUp();
    setType(4, {});
    command(0, "3", "300");  // 600 bytes
    command(1, "3", "10");
    o = run();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kExceeds});
}

TEST_F(MappingPassTest, CommandAsksFirstAndKeepsTheMark)
{
    setType(1, {});
    s->fieldbus.inputSize = "8";
    command(0, "3", "10");
    s->configModified = false;
    SessionState session;

    prompter.answer = false;
    const ConfigStore before = *s;
    EXPECT_FALSE(runMappingAddressCommand(*s, prompter, session));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kQuestion});
    EXPECT_EQ(*s, before);
    EXPECT_FALSE(session.incompleteInformation);

    prompter = RecordingPrompter{};
    const auto o = runMappingAddressCommand(*s, prompter, session);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->incomplete);
    EXPECT_TRUE(session.incompleteInformation);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{kQuestion, kExceeds}));

    // Fixed: the next pass clears the mark.
    s->command(0, 1).quantity = "4";
    prompter = RecordingPrompter{};
    ASSERT_TRUE(runMappingAddressCommand(*s, prompter, session));
    EXPECT_FALSE(session.incompleteInformation);

    // No leaves the mark as the last pass left it.
    s->command(0, 1).quantity = "40";
    ASSERT_TRUE(runMappingAddressCommand(*s, prompter, session));
    ASSERT_TRUE(session.incompleteInformation);
    prompter.answer = false;
    EXPECT_FALSE(runMappingAddressCommand(*s, prompter, session));
    EXPECT_TRUE(session.incompleteInformation);
}

TEST_F(MappingPassTest, CommandAvailability)
{
    const struct {
        unsigned type;
        std::initializer_list<int> flags;
        bool viewFlag;
        bool mapping, conflicts;
    } rows[] = {
        {3, {7}, true, true, true},
        {3, {7}, false, false, false},
        {2, {7}, true, true, true},     // flag 7: only the view's flag counts
        {3, {3, 7}, true, true, false}, // Conflict Detection also needs flag 3 clear
        {1, {}, false, true, true},     // without flag 7 the view's flag does not count
        {2, {}, true, false, true},
        {1, {3}, true, false, false},
        {0, {}, true, true, true},
        {4, {}, false, true, true},
    };
    for (const auto &r : rows) {
        setType(r.type, r.flags);
        EXPECT_EQ(mappingAddressEnabled(*s, r.viewFlag), r.mapping) << r.type << ' ' << r.viewFlag;
        EXPECT_EQ(conflictDetectionEnabled(*s, r.viewFlag), r.conflicts) << r.type << ' ' << r.viewFlag;
    }
}

} // namespace
} // namespace tqv
