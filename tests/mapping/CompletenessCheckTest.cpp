#include "MappingFixture.h"

#include "mapping/CompletenessCheck.h"

#include <functional>
#include <vector>

namespace tqv {
namespace {

const std::string kUnfinished = "Configuration unfinished,please continue to finish it to download!";
std::string lead(const std::string &detail) { return kUnfinished + "\n\n" + detail; }

class CompletenessCheckTest : public MappingFixture {
protected:
    CompletenessResult check() { return CompletenessCheck::run(*s); }

    // A subnet whose every value is entered: one read and one write command of node 12.
    void completeMaster(int subnet)
    {
        node(subnet, "12");
        COMMAND &read = command(subnet, "3", "2", "0", "0");
        COMMAND &write = command(subnet, "16", "2", "4000", "0");
        read.startAddress = "100";
        write.startAddress = "200";
    }
};

TEST_F(CompletenessCheckTest, ANewConfigurationIsComplete)
{
    const CompletenessResult r = check();
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.message, "");
    completeMaster(0);
    EXPECT_TRUE(check().complete);
}

// Every vacancy rule of a Modbus-master subnet, in the order they are checked.
struct VacancyRow {
    const char *name;
    std::function<void(CONFIG &)> vacate;
    const char *detail; // with %d for the subnet number; empty: the check passes
};

std::vector<VacancyRow> vacancyRows()
{
    auto cmd = [](CONFIG &c) -> COMMAND & { return c.commands[0]; };
    return {
        {"response timeout", [](CONFIG &c) { c.responseTimeout = "-1"; }, "Subnet%dResponse timeout can not be vacant?"},
        {"empty response timeout", [](CONFIG &c) { c.responseTimeout = ""; }, "Subnet%dResponse timeout can not be vacant?"},
        {"poll delay", [](CONFIG &c) { c.pollDelay = "-1"; }, "Subnet%dDelay between polls can not be vacant"},
        {"pulse time with pulse output",
         [](CONFIG &c) {
             c.pulseTime = "-1";
             c.outputMode = "Pluse output";
         },
         "Subnet%d Time beetween two continuous pluses can not be vacant"},
        {"pulse time without pulse output", [](CONFIG &c) { c.pulseTime = "-1"; }, ""},
        {"scan ratio", [](CONFIG &c) { c.scanRatio = "-1"; }, "Subnet%d Scan ratio can not be vacant"},
        {"slave address", [=](CONFIG &c) { cmd(c).slaveAddress = "-1"; }, "Subnet%d Node address can not be vacant"},
        {"starting address", [=](CONFIG &c) { cmd(c).startAddress = "-1"; },
         "Subnet%d Next node-12Starting address can not be vacant"},
        {"starting address never entered", [=](CONFIG &c) { cmd(c).startAddress = ""; },
         "Subnet%d Next node-12Starting address can not be vacant"},
        {"quantity", [=](CONFIG &c) { cmd(c).quantity = "-1"; },
         "Subnet%d Next node-12The number of data can not be vacant"},
        {"mapping address", [=](CONFIG &c) { cmd(c).mappingAddress = "-1"; },
         "Subnet%d Next node-12The start of mapping address can not be vacant"},
        {"mapping address never entered", [=](CONFIG &c) { cmd(c).mappingAddress = ""; },
         "Subnet%d Next node-12The start of mapping address can not be vacant"},
        {"bit offset", [=](CONFIG &c) { cmd(c).mappingBit = "-1"; },
         "Subnet%d Next node-12The bit offset of mapping can not be vacant"},
        {"bit offset of a coil read never entered",
         [=](CONFIG &c) {
             cmd(c).functionCode = "1";
             cmd(c).mappingBit = "";
         },
         "Subnet%d Next node-12The bit offset of mapping can not be vacant"},
        {"register commands have no bit offset to enter", [=](CONFIG &c) { cmd(c).mappingBit = ""; }, ""},
        {"the first vacancy wins",
         [=](CONFIG &c) {
             c.scanRatio = "-1";
             cmd(c).quantity = "-1";
         },
         "Subnet%d Scan ratio can not be vacant"},
        {"commands in order",
         [](CONFIG &c) {
             c.commands[0].quantity = "-1";
             c.commands[1].startAddress = "-1";
         },
         "Subnet%d Next node-12The number of data can not be vacant"},
        {"a command of node 0", [=](CONFIG &c) { cmd(c).nodeNumber = 0; },
         "Subnet%d command 1 names node 0, which does not exist (node count: 1)"},
        {"a command of node -1 before any vacancy",
         [](CONFIG &c) {
             c.commands[1].nodeNumber = -1;
             c.scanRatio = "-1";
         },
         "Subnet%d command 2 names node -1, which does not exist (node count: 1)"},
        {"a command past the last node", [=](CONFIG &c) { cmd(c).nodeNumber = 2; },
         "Subnet%d command 1 names node 2, which does not exist (node count: 1)"},
        {"a slave address with a pattern in it stays as it is",
         [=](CONFIG &c) {
             cmd(c).slaveAddress = "%d%s";
             cmd(c).quantity = "-1";
         },
         "Subnet%d Next node-%d%sThe number of data can not be vacant"},
    };
}

std::string withSubnet(std::string detail, int number)
{
    detail.replace(detail.find("%d"), 2, std::to_string(number));
    return detail;
}

TEST_F(CompletenessCheckTest, VacantValuesOfTheOnlySubnet)
{
    for (const VacancyRow &row : vacancyRows()) {
        SetUp();
        completeMaster(0);
        row.vacate(s->subnet(0));
        const CompletenessResult r = check();
        if (*row.detail == '\0') {
            EXPECT_TRUE(r.complete) << row.name;
            EXPECT_EQ(r.message, "") << row.name;
        } else {
            EXPECT_FALSE(r.complete) << row.name;
            EXPECT_EQ(r.message, lead(withSubnet(row.detail, 1))) << row.name;
        }
    }
}

TEST_F(CompletenessCheckTest, VacantValuesCarryTheirSubnetNumberOnAFourSubnetGateway)
{
    for (int vacant = 0; vacant < kSubnetCount; ++vacant) {
        for (const VacancyRow &row : vacancyRows()) {
            if (*row.detail == '\0')
                continue;
            SetUp();
            setType(2, {});
            for (int subnet = 0; subnet < kSubnetCount; ++subnet)
                completeMaster(subnet);
            row.vacate(s->subnet(vacant));
            const CompletenessResult r = check();
            EXPECT_FALSE(r.complete) << row.name << " in subnet " << vacant + 1;
            EXPECT_EQ(r.message, lead(withSubnet(row.detail, vacant + 1))) << row.name << " in subnet " << vacant + 1;
        }
    }
}

TEST_F(CompletenessCheckTest, SubnetsOfOtherProtocolsAreNotChecked)
{
    setType(2, {});
    completeMaster(0);
    for (StrId protocol : {StrId::ProtocolUserConfig, StrId::ProtocolSelfDefining}) {
        s->subnet(2).protocol = text(protocol);
        s->subnet(2).scanRatio = "-1";
        EXPECT_TRUE(check().complete);
    }
}

TEST_F(CompletenessCheckTest, ModbusSlaveWithoutItsOwnAddressFailsSilently)
{
    for (unsigned type : {3u, 2u}) {
        setType(type, {});
        CONFIG &c = s->subnet(type == 2 ? 1 : 0);
        c.protocol = text(StrId::ProtocolModbusSlave);
        c.ownAddress = "";
        CompletenessResult r = check();
        EXPECT_FALSE(r.complete) << type;
        EXPECT_EQ(r.message, "") << type;
        c.ownAddress = "1";
        EXPECT_TRUE(check().complete) << type;
    }
}

TEST_F(CompletenessCheckTest, DeviceNetRules)
{
    const struct {
        const char *address, *input, *output;
        bool complete;
        bool message;
    } rows[] = {
        {"3", "160", "112", false, true},
        {"3", "160", "96", false, true},
        {"3", "160", "64", true, false},
        {"3", "128", "112", true, false},
        {"-1", "64", "64", false, false},
        {"", "64", "64", false, false},
    };
    for (const auto &r : rows) {
        setType(0, {});
        s->fieldbus.deviceNetAddress = r.address;
        s->fieldbus.inputSize = r.input;
        s->fieldbus.outputSize = r.output;
        const CompletenessResult result = check();
        EXPECT_EQ(result.complete, r.complete) << r.address << ' ' << r.input << ' ' << r.output;
        EXPECT_EQ(result.message,
                  r.message ? "The number of input-bytes add output-bytes of RB-47 or RB-470 can not be greater than "
                              "240,\r\nplease select right number of input-bytes and output-bytes"
                            : "")
            << r.input << ' ' << r.output;
    }
}

TEST_F(CompletenessCheckTest, ByteCounts)
{
    const struct {
        const char *code, *quantity, *bytes;
    } rows[] = {
        {"1", "8", "1"}, {"1", "9", "2"}, {"2", "16", "2"}, {"2", "1", "1"}, {"15", "17", "3"},
        {"3", "4", "8"}, {"4", "1", "2"}, {"16", "3", "6"}, {"5", "1", "1"}, {"6", "1", "2"},
        {"5", "7", "1"}, {"6", "9", "2"},
    };
    setType(1, {});
    s->fieldbus.inputSize = "112";
    s->fieldbus.outputSize = "112";
    for (const auto &r : rows)
        command(0, r.code, r.quantity, isReadFunction(r.code) ? "0" : "4000", "0");
    COMMAND &other = command(0, "8", "4", "0", "0");
    other.byteCount = "keep";
    ASSERT_TRUE(check().complete);
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i)
        EXPECT_EQ(s->command(0, i + 1).byteCount, rows[i].bytes) << rows[i].code << " x " << rows[i].quantity;
    EXPECT_EQ(other.byteCount, "keep");
}

TEST_F(CompletenessCheckTest, RangeChecksAtTheBufferEnd)
{
    const struct {
        const char *code, *quantity, *mapping;
        bool complete;
    } rows[] = {
        {"3", "4", "0", true},     // ends at 8
        {"3", "4", "1", false},    // ends at 9
        {"1", "64", "0", true},
        {"1", "65", "0", false},
        {"3", "4", "4000", true},  // a read mapped into the output range counts from 0x4000
        {"3", "4", "4001", false},
        {"6", "1", "4007", false}, // ends at 0x4009, 9 above 0x4000
        {"6", "1", "4006", true},
        {"16", "4", "4000", true},
        {"16", "4", "1", false},   // a write below 0x4000 counts from 0
        {"5", "1", "7", true},
        {"8", "100", "7", true},   // other codes take part in no range rule
    };
    for (const auto &r : rows) {
        SetUp();
        setType(1, {});
        s->fieldbus.inputSize = "8";
        s->fieldbus.outputSize = "8";
        node(0, "9");
        command(0, r.code, r.quantity, r.mapping, "0");
        const CompletenessResult result = check();
        EXPECT_EQ(result.complete, r.complete) << r.code << " at " << r.mapping;
        if (!r.complete) {
            EXPECT_EQ(result.message, isReadFunction(r.code) ? "Input mapping address of the command in node-9 out of range! "
                                                             : "Output mapping address of the command in node-9 out of range!")
                << r.code << " at " << r.mapping;
        }
    }
}

TEST_F(CompletenessCheckTest, BufferSizesInTheirOrder)
{
    const struct {
        const char *name;
        unsigned type;
        std::initializer_list<int> flags;
        const char *mode, *data;
        std::optional<BufferSizes> sizes;
    } rows[] = {
        {"flag 4", 1, {4, 7}, "Input configuration data", "13 23", BufferSizes{168, 168}},
        {"flag 7", 1, {1, 7}, "Input configuration data", "13 23", BufferSizes{244, 244}},
        {"flag 1", 1, {1}, "Input configuration data", "13 23", BufferSizes{4, 4}},
        {"flag 6", 1, {6}, "Input configuration data", "57", BufferSizes{16, 0}},
        {"flag 6, byte selection", 1, {6}, "Use bytes selection", "57", BufferSizes{32, 48}},
        {"no flags", 1, {}, "Input configuration data", "57", BufferSizes{32, 48}},
        {"flag 1, invalid data", 1, {1}, "Input configuration data", "0F", std::nullopt},
        {"flag 1, no data", 1, {1}, "Input configuration data", "", std::nullopt},
        {"Ethernet uses the fieldbus sizes", 4, {}, "Use bytes selection", "", BufferSizes{32, 48}},
    };
    for (const auto &r : rows) {
        setType(r.type, r.flags);
        s->fieldbus.profibusConfigMode = r.mode;
        s->fieldbus.profibusConfigData = r.data;
        s->fieldbus.inputSize = "32";
        s->fieldbus.outputSize = "48";
        EXPECT_EQ(CompletenessCheck::bufferSizes(*s), r.sizes) << r.name;
    }
}

TEST_F(CompletenessCheckTest, InvalidConfigurationDataAreReportedAlone)
{
    setType(1, {1});
    s->fieldbus.profibusConfigMode = text(StrId::ProfibusInputConfigData);
    s->fieldbus.profibusConfigData = "C0 47";
    const CompletenessResult r = check();
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.message, "Profibus configuration data numerical error");
    s->fieldbus.profibusConfigData = "C0 47 4F";
    command(0, "3", "16", "0", "0"); // 32 bytes: just fits
    EXPECT_TRUE(check().complete);
    s->command(0, 1).quantity = "17";
    EXPECT_FALSE(check().complete);
}

TEST_F(CompletenessCheckTest, FourSubnetGatewaysSkipTheRangeChecks)
{
    setType(2, {});
    s->fieldbus.inputSize = "8";
    completeMaster(0);
    s->command(0, 1).quantity = "100";
    EXPECT_TRUE(check().complete);
    EXPECT_EQ(s->command(0, 1).byteCount, "200");
}

TEST_F(CompletenessCheckTest, ThroughThePrompter)
{
    s->subnet(0).pollDelay = "-1";
    EXPECT_FALSE(CompletenessCheck::run(*s, prompter));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{lead("Subnet1Delay between polls can not be vacant")});

    prompter = RecordingPrompter{};
    s->subnet(0).pollDelay = "0";
    s->subnet(0).protocol = text(StrId::ProtocolModbusSlave);
    s->subnet(0).ownAddress = "";
    EXPECT_FALSE(CompletenessCheck::run(*s, prompter));
    EXPECT_TRUE(prompter.messages.empty());

    s->subnet(0).ownAddress = "3";
    EXPECT_TRUE(CompletenessCheck::run(*s, prompter));
    EXPECT_TRUE(prompter.messages.empty());
}

} // namespace
} // namespace tqv
