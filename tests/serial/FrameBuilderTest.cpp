// Every request builder against frames written out by hand from the protocol's field tables;
// the sums are worked out in the comments.
#include "serial/FrameBuilder.h"
#include "serial/FrameBytes.h"
#include "resources/Strings.h"
#include "support/FakeSerialLink.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

namespace tqv {
namespace {

std::string hex(const std::string &frame)
{
    std::ostringstream out;
    for (std::size_t i = 0; i < frame.size(); ++i)
        out << (i ? " " : "") << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
            << static_cast<int>(static_cast<std::uint8_t>(frame[i]));
    return out.str();
}

#define EXPECT_FRAME(actual, ...) EXPECT_EQ(hex(actual), hex(bytes({__VA_ARGS__})))

class FrameBuilderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        store.newConfiguration();
    }
    // The given type with exactly the given model flags (1..7), defaults following them.
    void typeAndFlags(std::uint32_t type, std::initializer_list<int> flags)
    {
        std::array<bool, 7> f{};
        for (int n : flags)
            f[static_cast<std::size_t>(n - 1)] = true;
        store.setTypeAndFlags(type, f);
    }
    COMMAND &command(int subnet, int position)
    {
        CONFIG &c = store.subnet(subnet);
        c.commandCount = std::max(c.commandCount, position);
        return store.command(subnet, position);
    }

    ConfigStore store;
};

// Requests that depend on nothing, or only on indexes.
struct FixedCase {
    const char *name;
    Frame frame;
    std::string expected;
};

TEST(FixedFrames, RequestsThatDependOnNothingButIndexes)
{
    const FixedCase cases[] = {
        // Without data: code, 0, code.
        {"0x01", buildReadGatewayType(), bytes({0x01, 0x00, 0x01})},
        {"0x22", buildReadDeviceNet(), bytes({0x22, 0x00, 0x22})},
        {"0x31", buildReadProfibus(), bytes({0x31, 0x00, 0x31})},
        {"0x33", buildReadTimeoutAction(), bytes({0x33, 0x00, 0x33})},
        {"0x35", buildReadProfibusConfigData(), bytes({0x35, 0x00, 0x35})},
        {"0x06", buildReadCharIntervals(), bytes({0x06, 0x00, 0x06})},
        // 04 01 subnet, sum = subnet + 5.
        {"0x04 subnet 1", buildReadSubnet(0), bytes({0x04, 0x01, 0x00, 0x05})},
        {"0x04 subnet 2", buildReadSubnet(1), bytes({0x04, 0x01, 0x01, 0x06})},
        {"0x04 subnet 4", buildReadSubnet(3), bytes({0x04, 0x01, 0x03, 0x08})},
        // 15 01 subnet, sum = subnet + 22.
        {"0x15 subnet 1", buildReadCommandCount(0), bytes({0x15, 0x01, 0x00, 0x16})},
        {"0x15 subnet 3", buildReadCommandCount(2), bytes({0x15, 0x01, 0x02, 0x18})},
        // 16 02 subnet block, sum = subnet + block + 24.
        {"0x16 subnet 1 block 2", buildReadCommandBlock(0, 2), bytes({0x16, 0x02, 0x00, 0x02, 0x1A})},
        {"0x16 subnet 4 block 6", buildReadCommandBlock(3, 6), bytes({0x16, 0x02, 0x03, 0x06, 0x21})},
        // 14 03 subnet 55 AA: 0x14 + 0x03 + 0x55 + 0xAA = 0x116, the sum wraps to 0x16.
        {"0x14 subnet 1", buildClearCommands(0), bytes({0x14, 0x03, 0x00, 0x55, 0xAA, 0x16})},
        {"0x14 subnet 4", buildClearCommands(3), bytes({0x14, 0x03, 0x03, 0x55, 0xAA, 0x19})},
    };
    for (const FixedCase &c : cases)
        EXPECT_EQ(hex(c.frame), hex(c.expected)) << c.name;
}

TEST_F(FrameBuilderTest, DeviceNetParameters)
{
    typeAndFlags(0, {});
    store.fieldbus.deviceNetAddress = "12";
    store.fieldbus.deviceNetBaud = "500K";
    store.fieldbus.inputSize = "160";
    store.fieldbus.outputSize = "112";
    // 21 04 0C 02 06 05: 0x21 + 4 + 0x0C + 2 + 6 + 5 = 0x3E.
    EXPECT_FRAME(buildWriteDeviceNet(store), 0x21, 0x04, 0x0C, 0x02, 0x06, 0x05, 0x3E);
    // An address above 255 travels as its low 8 bits; an unknown size as 0.
    store.fieldbus.deviceNetAddress = "300";
    store.fieldbus.deviceNetBaud = "Intercept automatically";
    store.fieldbus.inputSize = "112";
    store.fieldbus.outputSize = "8";
    // 0x21 + 4 + 0x2C + 3 = 0x54.
    EXPECT_FRAME(buildWriteDeviceNet(store), 0x21, 0x04, 0x2C, 0x03, 0x00, 0x00, 0x54);
}

TEST_F(FrameBuilderTest, ProfibusParametersBySizeCode)
{
    typeAndFlags(1, {});
    store.fieldbus.inputSize = "48";
    store.fieldbus.outputSize = "16";
    // Type 1: two data bytes. 0x30 + 2 + 2 + 1 = 0x35.
    EXPECT_FRAME(buildWriteProfibus(store, {}), 0x30, 0x02, 0x02, 0x01, 0x35);

    typeAndFlags(3, {});
    store.fieldbus.inputSize = "112";
    store.fieldbus.outputSize = "8";
    store.subnet(0).inputLengthPrefix = "Enable";
    // Type 3: three data bytes, the third the input-length prefix. 0x30 + 3 + 3 + 0 + 1 = 0x37.
    EXPECT_FRAME(buildWriteProfibus(store, {}), 0x30, 0x03, 0x03, 0x00, 0x01, 0x37);

    typeAndFlags(6, {});
    store.subnet(0).inputLengthPrefix = "Disable";
    store.fieldbus.inputSize = "16";
    store.fieldbus.outputSize = "48";
    // 0x30 + 3 + 1 + 2 + 0 = 0x36.
    EXPECT_FRAME(buildWriteProfibus(store, {}), 0x30, 0x03, 0x01, 0x02, 0x00, 0x36);
}

TEST_F(FrameBuilderTest, ProfibusLengthsInUseUnderModelFlag7)
{
    // A new document: type 3, modelFlag7, subnet 1 a Modbus master.
    command(0, 1) = COMMAND{"1", "3", "0", "10", "0", "", "", "Fullword", "", "Quick-scan", 1};  // 20 bytes at 0
    command(0, 2) = COMMAND{"1", "1", "0", "13", "14", "0", "", "Fullword", "", "Quick-scan", 1}; // 2 bytes at 0x14
    command(0, 3) = COMMAND{"1", "16", "0", "4", "4000", "", "", "Fullword", "", "Quick-scan", 1}; // 8 at 0x4000
    command(0, 4) = COMMAND{"1", "5", "0", "1", "4008", "0", "", "Fullword", "", "Quick-scan", 1}; // 1 at 0x4008

    const ConfigFrames frames = buildConfigFrames(store);
    // Input ends at 0x14 + 2 = 0x16, output at 0x4009 - 0x4000 = 9. 0x30 + 3 + 0x16 + 9 = 0x52.
    EXPECT_FRAME(frames.writeProfibus, 0x30, 0x03, 0x16, 0x09, 0x00, 0x52);
    // The byte counts were stored on the way.
    EXPECT_EQ(store.command(0, 1).byteCount, "20");
    EXPECT_EQ(store.command(0, 2).byteCount, "2");
    EXPECT_EQ(store.command(0, 3).byteCount, "8");
    EXPECT_EQ(store.command(0, 4).byteCount, "1");
    EXPECT_FRAME(frames.readGatewayType, 0x01, 0x00, 0x01);
    EXPECT_FRAME(frames.readProfibus, 0x31, 0x00, 0x31);
    EXPECT_FRAME(frames.readDeviceNet, 0x22, 0x00, 0x22);
}

struct ByteCountCase {
    const char *functionCode;
    const char *quantity;
    const char *expected;
};

TEST_F(FrameBuilderTest, ByteCountsByFunction)
{
    const ByteCountCase cases[] = {
        {"1", "8", "1"},   {"1", "9", "2"},  {"2", "16", "2"}, {"2", "0", "0"},  {"15", "17", "3"},
        {"3", "10", "20"}, {"4", "1", "2"},  {"16", "7", "14"}, {"5", "99", "1"}, {"6", "99", "2"},
        {"7", "5", "keep"}, {"", "5", "keep"},
    };
    for (const ByteCountCase &c : cases) {
        store.newConfiguration();
        command(0, 1) = COMMAND{"1", c.functionCode, "0", c.quantity, "0", "", "keep", "", "", "", 1};
        (void)updateLengthsInUse(store);
        EXPECT_EQ(store.command(0, 1).byteCount, c.expected) << c.functionCode << " x " << c.quantity;
    }
}

TEST_F(FrameBuilderTest, LengthsInUseTakeTheLargestEndAndTheirLowByte)
{
    command(0, 1) = COMMAND{"1", "3", "0", "150", "0", "", "", "", "", "", 1}; // 300 bytes = 0x12C
    command(0, 2) = COMMAND{"1", "4", "0", "1", "10", "", "", "", "", "", 1};  // ends at 0x12
    // A write command mapped below the output buffer does not make the length negative.
    command(0, 3) = COMMAND{"1", "6", "0", "1", "0", "", "", "", "", "", 1};
    EXPECT_EQ(updateLengthsInUse(store), (LengthsInUse{300, 0}));
    // 0x30 + 3 + 0x2C = 0x5F: the low 8 bits of 300.
    EXPECT_FRAME(buildWriteProfibus(store, {300, 0}), 0x30, 0x03, 0x2C, 0x00, 0x00, 0x5F);
}

TEST_F(FrameBuilderTest, ProfibusLengthsAreZeroWhenTheFirstSubnetIsNoModbusMaster)
{
    command(0, 1) = COMMAND{"1", "3", "0", "10", "0", "", "old", "", "", "", 1};
    store.subnet(0).protocol = "Modbus slave";
    const ConfigFrames frames = buildConfigFrames(store);
    // Lengths 0 and 0 whatever was computed before; 0x30 + 3 = 0x33.
    EXPECT_FRAME(frames.writeProfibus, 0x30, 0x03, 0x00, 0x00, 0x00, 0x33);
    EXPECT_EQ(store.command(0, 1).byteCount, "old");
    // Even right after a run in which the subnet was a master.
    store.subnet(0).protocol = "Modbus master";
    (void)buildConfigFrames(store);
    store.subnet(0).protocol = "User Config";
    EXPECT_FRAME(buildConfigFrames(store).writeProfibus, 0x30, 0x03, 0x00, 0x00, 0x00, 0x33);
}

TEST_F(FrameBuilderTest, SubnetShortFormModbusMaster)
{
    typeAndFlags(1, {});
    CONFIG &c = store.subnet(0);
    c.masterBaud = "9600";
    c.masterDataBits = "7";
    c.masterParity = "Even parity";
    c.masterStopBits = "2";
    c.masterMode = "ASCII";
    c.responseTimeout = "1000";
    c.pollDelay = "25";
    c.outputMode = "Pluse output";
    c.pulseTime = "250";
    c.scanRatio = "10";
    // Byte by byte: subnet 0, master 0, baud 9600 = 4, data "7" = 1, even = 2, stop "2" = 1,
    // own address 0, ASCII 1, 1000 ms = 03 E8, 25 ms / 10 = 2, pulse output 4, 250 ms / 10 = 0x19,
    // scan ratio 0x0A. Sum 0x12E -> 0x2E.
    EXPECT_FRAME(buildWriteSubnet(store, 0), 0x03, 0x0E, 0x00, 0x00, 0x04, 0x01, 0x02, 0x01, 0x00, 0x01, 0x03,
                 0xE8, 0x02, 0x04, 0x19, 0x0A, 0x2E);
}

TEST_F(FrameBuilderTest, SubnetShortFormModbusSlaveTakesTheSlaveFields)
{
    typeAndFlags(2, {});
    CONFIG &c = store.subnet(2);
    c.protocol = "Modbus slave";
    c.slaveBaud = "4800"; // no code: travels as 0
    c.slaveDataBits = "8";
    c.slaveParity = "Odd parity";
    c.slaveStopBits = "1";
    c.ownAddress = "247";
    c.slaveMode = "RTU";
    c.masterBaud = "115200"; // the master fields do not travel for a slave
    c.responseTimeout = "1000";
    // 03 0E 02 01 00 00 01 00 F7 00 ... : 3 + 0x0E + 2 + 1 + 1 + 0xF7 = 0x10C -> 0x0C.
    EXPECT_FRAME(buildWriteSubnet(store, 2), 0x03, 0x0E, 0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0xF7, 0x00, 0x00,
                 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C);
}

TEST_F(FrameBuilderTest, SubnetExtendedFormModbusMasterCarriesTheStatusBytes)
{
    // New document: type 3; defaults 19200 8 None 1 RTU, 300 ms, 0 ms, Change of Value, pulse
    // "-1", scan ratio 10.
    CONFIG &c = store.subnet(0);
    c.commandStatus = "2" + text(StrId::Bytes);
    c.commInterface = "RS232";
    // 19200 = 5, 300 ms = 01 2C, change of value 3, pulse "-1" has no digits: 0, scan 0x0A,
    // status bytes 2 at offset 16, RS232 = 1 at offset 24. Sum 0x5C.
    EXPECT_FRAME(buildWriteSubnet(store, 0), 0x03, 0x17, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                 0x2C, 0x00, 0x03, 0x00, 0x0A, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x5C);
}

TEST_F(FrameBuilderTest, SubnetExtendedFormUserConfig)
{
    typeAndFlags(6, {});
    CONFIG &c = store.subnet(0);
    c.protocol = "User Config";
    c.userBaud = "115200";
    c.userDataBits = "8";
    c.userParity = "Space";
    c.userStopBits = "2";
    c.masterMode = "ASCII"; // no mode for User Config
    c.commandStatus = "3Bytes"; // offset 16 is the frame type here
    c.frameType = "Frame Length";
    c.charTimeout = "300";
    c.frameLength = "111";
    c.autoSend = "Enable";
    c.autoSendPeriod = "1000";
    c.crcCheck = "Disable";
    c.commInterface = "RS485";
    // 3 = User Config, 115200 = 8, space 4, stop "2" 1; frame length 1, 300 = 01 2C, 111 = 0x6F,
    // auto send 1, 1000 = 03 E8, CRC 0, RS485 0. Sum 0x1B3 -> 0xB3.
    EXPECT_FRAME(buildWriteSubnet(store, 0), 0x03, 0x17, 0x00, 0x03, 0x08, 0x00, 0x04, 0x01, 0x00, 0x00, 0x00,
                 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x2C, 0x6F, 0x01, 0x03, 0xE8, 0x00, 0x00, 0xB3);
}

TEST_F(FrameBuilderTest, SubnetExtendedFormByModelFlag2SelfDefining)
{
    typeAndFlags(0, {2});
    CONFIG &c = store.subnet(0);
    c.protocol = "Self-defining protocol";
    c.customBaud = "300";
    c.customDataBits = "7";
    c.customParity = "Mark";
    c.customStopBits = "1";
    c.commInterface = "RS232";
    // 2 = self-defining, 300 = 0, "7" = 1, mark 3, stop 0; no status bytes (the first subnet is
    // no master); RS232 1. Sum 0x21.
    EXPECT_FRAME(buildWriteSubnet(store, 0), 0x03, 0x17, 0x00, 0x02, 0x00, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00,
                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x21);
}

TEST_F(FrameBuilderTest, SubnetExtendedStatusBytesComeFromTheFirstSubnet)
{
    typeAndFlags(2, {2});
    store.subnet(0).commandStatus = "4Bytes";
    CONFIG &c = store.subnet(1);
    c.protocol = "Modbus slave";
    c.ownAddress = "1";
    c.slaveMode = "ASCII";
    // Subnet index 1, slave 1, 19200 = 5, own address 1, ASCII 1, status bytes 4 (of subnet 1's
    // master), RS485 0. 3 + 0x17 + 1 + 1 + 5 + 1 + 1 + 4 = 0x27.
    EXPECT_FRAME(buildWriteSubnet(store, 1), 0x03, 0x17, 0x01, 0x01, 0x05, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00,
                 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x27);
}

TEST_F(FrameBuilderTest, SubnetFrameFormByTypeAndModelFlag2)
{
    const std::pair<std::uint32_t, SubnetFrameForm> types[] = {
        {0, SubnetFrameForm::Short},    {1, SubnetFrameForm::Short},    {2, SubnetFrameForm::Short},
        {3, SubnetFrameForm::Extended}, {5, SubnetFrameForm::Extended}, {6, SubnetFrameForm::Extended},
    };
    for (const auto &[type, form] : types) {
        typeAndFlags(type, {});
        EXPECT_EQ(subnetFrameForm(store), form) << type;
        EXPECT_EQ(buildWriteSubnet(store, 0).size(), form == SubnetFrameForm::Short ? 17u : 26u) << type;
        typeAndFlags(type, {2});
        EXPECT_EQ(subnetFrameForm(store), SubnetFrameForm::Extended) << type;
    }
}

TEST_F(FrameBuilderTest, ModbusCommandByteExchange)
{
    typeAndFlags(1, {});
    command(0, 1) = COMMAND{"5", "3", "1000", "10", "4010", "7", "20", "Four-byte-exchange", "CRC", "Slow-scan", 1};
    // Subnet 0, index 0, slave 5, function 3, 1000 = 03 E8, 10 = 00 0A, mapping "4010" = 40 10,
    // bit 7, slow scan 1, four-byte exchange 2. Sum 0x174 -> 0x74.
    EXPECT_FRAME(buildWriteCommand(store, 0, 0), 0x10, 0x0D, 0x00, 0x00, 0x05, 0x03, 0x03, 0xE8, 0x00, 0x0A, 0x40,
                 0x10, 0x07, 0x01, 0x02, 0x74);
}

TEST_F(FrameBuilderTest, ModbusCommandDataFilter)
{
    // Type 3: the data-filter vocabulary. Index 5 is command position 6.
    command(0, 6) = COMMAND{"247", "16", "65535", "123", "ff", "", "", "High byte", "", "Quick-scan", 1};
    // F7, 0x10, FF FF, 00 7B, 00 FF, bit "" = 0, quick 0, high byte 1. Sum 0x4A2 -> 0xA2.
    EXPECT_FRAME(buildWriteCommand(store, 0, 5), 0x10, 0x0D, 0x00, 0x05, 0xF7, 0x10, 0xFF, 0xFF, 0x00, 0x7B, 0x00,
                 0xFF, 0x00, 0x00, 0x01, 0xA2);
}

TEST_F(FrameBuilderTest, TimeoutActionOrDoubleFaultReset)
{
    typeAndFlags(3, {4});
    store.subnet(0).doubleFaultReset = "Disable";
    EXPECT_FRAME(buildWriteTimeoutAction(store), 0x32, 0x01, 0x00, 0x33);
    store.subnet(0).doubleFaultReset = "Enable";
    EXPECT_FRAME(buildWriteTimeoutAction(store), 0x32, 0x01, 0x01, 0x34);

    typeAndFlags(3, {7});
    store.subnet(0).timeoutAction = "Hold  Data";
    store.subnet(0).timeoutCount = "9";
    EXPECT_FRAME(buildWriteTimeoutAction(store), 0x32, 0x01, 0x00, 0x33);
    store.subnet(0).timeoutAction = "Clear Data";
    store.subnet(0).timeoutCount = "5";
    EXPECT_FRAME(buildWriteTimeoutAction(store), 0x32, 0x01, 0x05, 0x38);
}

struct ConfigDataCase {
    const char *mode;
    const char *data;
    std::string expected;
};

TEST_F(FrameBuilderTest, ProfibusConfigurationData)
{
    const ConfigDataCase cases[] = {
        // Byte selection sends nothing of the text. 0x34 + 9 = 0x3D.
        {"Use bytes selection", "d1 e1",
         bytes({0x34, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3D})},
        // 0x3D + 3 + 0x0A + 0x1B + 0x2C = 0x91.
        {"Input configuration data", "0a 1b 2c ",
         bytes({0x34, 0x09, 0x03, 0x0A, 0x1B, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x91})},
        // Upper case; the last pair without its blank still counts. 0x3D + 2 + 0xD1 + 0xE1 = 0x1F1.
        {"Input configuration data", "D1 E1",
         bytes({0x34, 0x09, 0x02, 0xD1, 0xE1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF1})},
        // At most 8 bytes. 0x3D + 8 + 36 = 0x69.
        {"Input configuration data", "01 02 03 04 05 06 07 08 09 ",
         bytes({0x34, 0x09, 0x08, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x69})},
        // Non-digits count as 0; a lone trailing digit is no byte. 0x3D + 1 = 0x3E.
        {"Input configuration data", "zz 1",
         bytes({0x34, 0x09, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3E})},
        {"Input configuration data", "",
         bytes({0x34, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3D})},
    };
    for (const ConfigDataCase &c : cases) {
        store.fieldbus.profibusConfigMode = c.mode;
        store.fieldbus.profibusConfigData = c.data;
        EXPECT_EQ(hex(buildWriteProfibusConfigData(store)), hex(c.expected)) << c.data;
    }
}

TEST_F(FrameBuilderTest, CharacterIntervals)
{
    store.subnet(0).charIntervalSend = "1000";
    store.subnet(0).charIntervalReceive = "25";
    // 05 04 03 E8 00 19: 5 + 4 + 3 + 0xE8 + 0x19 = 0x10D -> 0x0D.
    EXPECT_FRAME(buildWriteCharIntervals(store), 0x05, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0D);
}

TEST_F(FrameBuilderTest, EveryFrameEndsInTheSumOfItsBytes)
{
    typeAndFlags(2, {2, 4});
    for (const Frame &f : {buildWriteSubnet(store, 3), buildWriteCommand(store, 3, 127), buildWriteDeviceNet(store),
                           buildWriteProfibus(store, {0x1234, 0x5678}), buildWriteTimeoutAction(store),
                           buildWriteProfibusConfigData(store), buildWriteCharIntervals(store)}) {
        ASSERT_GE(f.size(), 3u);
        EXPECT_EQ(static_cast<std::uint8_t>(f.back()), frameSum(std::string_view(f).substr(0, f.size() - 1))) << hex(f);
        EXPECT_EQ(static_cast<std::uint8_t>(f[1]) + 3u, f.size()) << hex(f);
    }
}

TEST(FrameWriter, RefusesOffsetsOutsideTheFrame)
{
    FrameWriter w(0x10, 2);
    w.put(3, 0x42);
    EXPECT_FALSE(w.failed());
    w.put(4, 0x42); // the sum's byte
    EXPECT_TRUE(w.failed());
    w.put16(100, 0xFFFF);
    EXPECT_EQ(hex(w.seal()), hex(bytes({0x10, 0x02, 0x00, 0x42, 0x54})));
}

} // namespace
} // namespace tqv
