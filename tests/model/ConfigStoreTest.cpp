#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tqv {
namespace {

TEST(ConfigStore, NewConfigurationDefaults)
{
    ConfigStore s;
    s.gatewayType = 0;
    s.modelFlag2 = true;
    s.newConfiguration();
    EXPECT_EQ(s.gatewayType, 3u);
    for (int n = 1; n <= 6; ++n)
        EXPECT_FALSE(s.modelFlag(n)) << n;
    EXPECT_TRUE(s.modelFlag7);

    // Whatever came before, the same store as a fresh one; the default of every field a file
    // carries is pinned byte for byte by ProjectArchive.NewDocumentIsWrittenByteExact.
    ConfigStore fresh;
    fresh.newConfiguration();
    EXPECT_EQ(s, fresh);
    for (int i = 0; i < kSubnetCount; ++i) {
        const CONFIG &c = s.subnet(i);
        EXPECT_EQ(c.nodeCount, 0);
        EXPECT_EQ(c.commandCount, 0);
        EXPECT_EQ(c.nodes[127], (NODE{"-1", "New Node"}));
        EXPECT_EQ(c.commands[127].scanType, "Quick-scan");
        EXPECT_EQ(c.commands[127].dataFormat, "Fullword");
        EXPECT_EQ(c.commands[127].checkType, "");
        EXPECT_EQ(c.commands[127].nodeNumber, 0);
    }
    EXPECT_EQ(s.subnet(0).doubleFaultReset, "Enable");
    EXPECT_EQ(s.subnet(1).doubleFaultReset, "");
}

TEST(ConfigStore, ResetFollowsGatewayTypeAndFlags)
{
    struct Row {
        unsigned type;
        std::vector<int> flags;
        const char *fieldbusType, *size, *deviceNetBaud, *protocol1, *ownAddress1, *dataFormat;
        const char *inputLengthPrefix1;
    };
    const Row rows[] = {
        {0, {}, "DeviceNet", "64", "125K", "Modbus master", "", "Non-exchange", "Disable"},
        {1, {}, "Profibus", "112", "125K", "Modbus master", "", "Non-exchange", "Disable"},
        {2, {}, "DeviceNet", "8", "125K", "Modbus master", "", "Non-exchange", "Disable"},
        {3, {7}, "Profibus", "112", "125K", "Modbus master", "", "Fullword", "Disable"},
        {4, {}, "EtherNet/IP", "8", "125K", "Modbus master", "", "Non-exchange", "Disable"},
        {5, {}, "Profibus", "112", "125K", "Modbus slave", "1", "Non-exchange", "Disable"},
        {6, {}, "Profibus", "112", "125K", "User Config", "", "Non-exchange", "Disable"},
        {0, {1}, "DeviceNet", "64", "125K", "Modbus master", "", "Fullword", "Disable"},
        {0, {2}, "DeviceNet", "64", "Intercept automatically", "Modbus master", "", "Non-exchange", "Disable"},
        // modelFlag3 wins over the type-5 and type-6 presets.
        {5, {3}, "Profibus", "112", "125K", "User Config", "", "Non-exchange", "Disable"},
        {6, {3, 4}, "Profibus", "112", "125K", "User Config", "", "Non-exchange", "Disable"},
    };
    for (const Row &r : rows) {
        ConfigStore s;
        s.subnet(0).inputLengthPrefix = "Enable";
        s.gatewayType = r.type;
        s.clearModelFlags();
        for (int f : r.flags)
            s.setModelFlag(f, true);
        s.subnet(2).doubleFaultReset = "kept";
        s.resetToDefaults();
        s.applyFieldbusType();
        SCOPED_TRACE("type " + std::to_string(r.type));
        EXPECT_EQ(s.gatewayType, r.type);
        for (int f = 1; f <= 7; ++f)
            EXPECT_EQ(s.modelFlag(f), std::find(r.flags.begin(), r.flags.end(), f) != r.flags.end());
        EXPECT_EQ(s.fieldbus.fieldbusType, r.fieldbusType);
        EXPECT_EQ(s.fieldbus.inputSize, r.size);
        EXPECT_EQ(s.fieldbus.outputSize, r.size);
        EXPECT_EQ(s.fieldbus.deviceNetBaud, r.deviceNetBaud);
        EXPECT_EQ(s.subnet(0).protocol, r.protocol1);
        EXPECT_EQ(s.subnet(0).ownAddress, r.ownAddress1);
        EXPECT_EQ(s.subnet(0).inputLengthPrefix, r.inputLengthPrefix1);
        EXPECT_EQ(s.subnet(0).outputMode, "Change of Value");
        EXPECT_EQ(s.subnet(1).protocol, "Modbus master");
        EXPECT_EQ(s.subnet(3).commands[0].dataFormat, r.dataFormat);
        EXPECT_EQ(s.subnet(2).doubleFaultReset, "kept"); // only subnet 1 owns the field
    }
}

TEST(ConfigStore, TypeTwoKeepsTheFieldbusType)
{
    ConfigStore s;
    s.fieldbus.fieldbusType = "EtherNet/IP";
    s.gatewayType = 2;
    s.applyFieldbusType();
    EXPECT_EQ(s.fieldbus.fieldbusType, "EtherNet/IP");
}

TEST(ConfigStore, NodeLimitPerSubnet)
{
    ConfigStore s;
    s.newConfiguration();
    for (int i = 1; i <= 128; ++i)
        ASSERT_EQ(s.addNode(0).value(), i);
    const Result<int> refused = s.addNode(0);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ErrorCode::NodeLimit);
    EXPECT_EQ(refused.message(), "Node number go beyond the limit!");
    EXPECT_EQ(s.subnet(0).nodeCount, 128);
    EXPECT_EQ(s.node(0, 128), (NODE{"-1", "New Node"}));
    // Each subnet counts on its own.
    EXPECT_EQ(s.addNode(1).value(), 1);
    EXPECT_EQ(s.subnet(1).nodeCount, 1);
}

TEST(ConfigStore, CommandLimitCountsOverAllNodes)
{
    ConfigStore s;
    s.newConfiguration();
    ASSERT_TRUE(s.addNode(0).ok());
    ASSERT_TRUE(s.addNode(0).ok());
    s.node(0, 1).address = "7";
    s.node(0, 2).address = "9";
    for (int i = 1; i <= 128; ++i)
        ASSERT_EQ(s.addCommand(0, i % 2 + 1, "3").value(), i);
    const Result<int> refused = s.addCommand(0, 1, "3");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ErrorCode::CommandLimit);
    EXPECT_EQ(refused.message(), "Command number go beyond the limit!");
    EXPECT_EQ(s.subnet(0).commandCount, 128);
    EXPECT_EQ(s.command(0, 1).slaveAddress, "9");
    EXPECT_EQ(s.command(0, 2).slaveAddress, "7");
    EXPECT_EQ(s.command(0, 2).nodeNumber, 1);
    EXPECT_EQ(s.addCommand(3, 1, "1").value(), 1);
}

TEST(ConfigStore, NewCommandFields)
{
    struct Row {
        const char *function, *quantity;
    };
    const Row rows[] = {{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"5", "1"}, {"6", "1"}, {"15", ""}, {"16", ""}};
    for (unsigned type : {3u, 1u}) {
        ConfigStore s;
        s.newConfiguration();
        s.gatewayType = type;
        ASSERT_TRUE(s.addNode(0).ok());
        s.node(0, 1).address = "12";
        for (const Row &r : rows) {
            const int pos = s.addCommand(0, 1, r.function).value();
            const COMMAND &c = s.command(0, pos);
            EXPECT_EQ((std::vector<std::string>{c.functionCode, c.quantity, c.slaveAddress, c.startAddress,
                                                c.mappingAddress, c.scanType, c.dataFormat}),
                      (std::vector<std::string>{r.function, r.quantity, "12", "", "", "Quick-scan",
                                                type == 3 ? "Fullword" : "Non-exchange"}));
            EXPECT_EQ(c.nodeNumber, 1);
        }
    }
}

TEST(ConfigStore, ValuesAreBoundToTheLanguageTheyWereChosenIn)
{
    setLanguage(Language::Chinese);
    ConfigStore zh;
    zh.newConfiguration();
    setLanguage(Language::English);
    EXPECT_NE(zh.subnet(0).protocol, text(StrId::ProtocolModbusMaster));
    EXPECT_EQ(zh.subnet(0).protocol, text(StrId::ProtocolModbusMaster, Language::Chinese));
    for (const auto &e : englishStrings()) {
        EXPECT_NE(zh.subnet(0).protocol, e.text);
        EXPECT_NE(zh.subnet(0).timeoutAction, e.text);
        EXPECT_NE(zh.subnet(0).outputMode, e.text);
    }
}

} // namespace
} // namespace tqv
