// Every request builder against frames written out by hand from the protocol's field tables;
// the sums are worked out in the comments.
#include "serial/FrameBuilder.h"
#include "support/StoreHelpers.h"
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
        store.setTypeAndFlags(type, testing::flagsOf(flags));
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

// The settings requests, byte by byte from the values of one model; the sums are worked out in
// the comments.
enum class Request { DeviceNet, Profibus, Subnet, TimeoutAction, CharIntervals, ConfigData };

struct SettingsCase {
    const char *name;
    std::uint32_t type;
    std::initializer_list<int> flags;
    Request request;
    int subnet; // whose values are set and, for Request::Subnet, written
    std::vector<std::pair<std::string FIELDBUS::*, const char *>> fieldbus;
    std::vector<std::pair<std::string CONFIG::*, const char *>> values;
    std::string expected;
};

TEST_F(FrameBuilderTest, SettingsFramesByteByByte)
{
    using F = FIELDBUS;
    using C = CONFIG;
    const SettingsCase cases[] = {
        // 0x21 + 4 + 0x0C + 2 + 6 + 5 = 0x3E.
        {"DeviceNet", 0, {}, Request::DeviceNet, 0,
         {{&F::deviceNetAddress, "12"}, {&F::deviceNetBaud, "500K"}, {&F::inputSize, "160"}, {&F::outputSize, "112"}},
         {},
         bytes({0x21, 0x04, 0x0C, 0x02, 0x06, 0x05, 0x3E})},
        // An address above 255 travels as its low 8 bits; an unknown size as 0. 0x21 + 4 + 0x2C + 3 = 0x54.
        {"DeviceNet, address 300", 0, {}, Request::DeviceNet, 0,
         {{&F::deviceNetAddress, "300"}, {&F::deviceNetBaud, "Intercept automatically"}, {&F::inputSize, "112"},
          {&F::outputSize, "8"}},
         {},
         bytes({0x21, 0x04, 0x2C, 0x03, 0x00, 0x00, 0x54})},
        // Type 1: two data bytes, the size codes. 0x30 + 2 + 2 + 1 = 0x35.
        {"PROFIBUS type 1", 1, {}, Request::Profibus, 0, {{&F::inputSize, "48"}, {&F::outputSize, "16"}}, {},
         bytes({0x30, 0x02, 0x02, 0x01, 0x35})},
        // Type 3: three data bytes, the third the input-length prefix. 0x30 + 3 + 3 + 0 + 1 = 0x37.
        {"PROFIBUS type 3", 3, {}, Request::Profibus, 0, {{&F::inputSize, "112"}, {&F::outputSize, "8"}},
         {{&C::inputLengthPrefix, "Enable"}},
         bytes({0x30, 0x03, 0x03, 0x00, 0x01, 0x37})},
        // 0x30 + 3 + 1 + 2 + 0 = 0x36.
        {"PROFIBUS type 6", 6, {}, Request::Profibus, 0, {{&F::inputSize, "16"}, {&F::outputSize, "48"}},
         {{&C::inputLengthPrefix, "Disable"}},
         bytes({0x30, 0x03, 0x01, 0x02, 0x00, 0x36})},
        // Subnet 0, master 0, baud 9600 = 4, data "7" = 1, even = 2, stop "2" = 1, own address 0,
        // ASCII 1, 1000 ms = 03 E8, 25 ms / 10 = 2, pulse output 4, 250 ms / 10 = 0x19, scan ratio
        // 0x0A. Sum 0x12E -> 0x2E.
        {"short form, Modbus master", 1, {}, Request::Subnet, 0, {},
         {{&C::masterBaud, "9600"}, {&C::masterDataBits, "7"}, {&C::masterParity, "Even parity"},
          {&C::masterStopBits, "2"}, {&C::masterMode, "ASCII"}, {&C::responseTimeout, "1000"}, {&C::pollDelay, "25"},
          {&C::outputMode, "Pluse output"}, {&C::pulseTime, "250"}, {&C::scanRatio, "10"}},
         bytes({0x03, 0x0E, 0x00, 0x00, 0x04, 0x01, 0x02, 0x01, 0x00, 0x01, 0x03, 0xE8, 0x02, 0x04, 0x19, 0x0A, 0x2E})},
        // The slave fields travel, the master fields do not; 4800 has no code: 0.
        // 3 + 0x0E + 2 + 1 + 1 + 0xF7 = 0x10C -> 0x0C.
        {"short form, Modbus slave", 2, {}, Request::Subnet, 2, {},
         {{&C::protocol, "Modbus slave"}, {&C::slaveBaud, "4800"}, {&C::slaveDataBits, "8"},
          {&C::slaveParity, "Odd parity"}, {&C::slaveStopBits, "1"}, {&C::ownAddress, "247"}, {&C::slaveMode, "RTU"},
          {&C::masterBaud, "115200"}, {&C::responseTimeout, "1000"}},
         bytes({0x03, 0x0E, 0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0xF7, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C})},
        // Defaults of type 3: 19200 = 5, 300 ms = 01 2C, change of value 3, pulse "-1" has no
        // digits: 0, scan 0x0A; status bytes 2 at offset 16, RS232 = 1 at offset 24. Sum 0x5C.
        {"extended form, Modbus master", 3, {7}, Request::Subnet, 0, {},
         {{&C::commandStatus, "2Bytes"}, {&C::commInterface, "RS232"}},
         bytes({0x03, 0x17, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00,
                0x03, 0x00, 0x0A, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x5C})},
        // 3 = User Config, 115200 = 8, space 4, stop "2" 1, no mode; offset 16 is the frame type
        // here: frame length 1, 300 = 01 2C, 111 = 0x6F, auto send 1, 1000 = 03 E8, CRC 0, RS485 0.
        // Sum 0x1B3 -> 0xB3.
        {"extended form, User Config", 6, {}, Request::Subnet, 0, {},
         {{&C::protocol, "User Config"}, {&C::userBaud, "115200"}, {&C::userDataBits, "8"}, {&C::userParity, "Space"},
          {&C::userStopBits, "2"}, {&C::masterMode, "ASCII"}, {&C::commandStatus, "3Bytes"},
          {&C::frameType, "Frame Length"}, {&C::charTimeout, "300"}, {&C::frameLength, "111"}, {&C::autoSend, "Enable"},
          {&C::autoSendPeriod, "1000"}, {&C::crcCheck, "Disable"}, {&C::commInterface, "RS485"}},
         bytes({0x03, 0x17, 0x00, 0x03, 0x08, 0x00, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x00, 0x00, 0x01, 0x01, 0x2C, 0x6F, 0x01, 0x03, 0xE8, 0x00, 0x00, 0xB3})},
        // 2 = self-defining, 300 = 0, "7" = 1, mark 3, stop 0; no status bytes (the first subnet is
        // no master); RS232 1. Sum 0x21.
        {"extended form by modelFlag2, self-defining", 0, {2}, Request::Subnet, 0, {},
         {{&C::protocol, "Self-defining protocol"}, {&C::customBaud, "300"}, {&C::customDataBits, "7"},
          {&C::customParity, "Mark"}, {&C::customStopBits, "1"}, {&C::commInterface, "RS232"}},
         bytes({0x03, 0x17, 0x00, 0x02, 0x00, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x21})},
        // Under modelFlag4 the byte is the double-fault reset, under modelFlag7 the timeout count
        // of "Clear Data" (0 for "Hold  Data").
        {"double-fault reset off", 3, {4}, Request::TimeoutAction, 0, {}, {{&C::doubleFaultReset, "Disable"}},
         bytes({0x32, 0x01, 0x00, 0x33})},
        {"double-fault reset on", 3, {4}, Request::TimeoutAction, 0, {}, {{&C::doubleFaultReset, "Enable"}},
         bytes({0x32, 0x01, 0x01, 0x34})},
        {"hold data", 3, {7}, Request::TimeoutAction, 0, {},
         {{&C::timeoutAction, "Hold  Data"}, {&C::timeoutCount, "9"}},
         bytes({0x32, 0x01, 0x00, 0x33})},
        {"clear data", 3, {7}, Request::TimeoutAction, 0, {},
         {{&C::timeoutAction, "Clear Data"}, {&C::timeoutCount, "5"}},
         bytes({0x32, 0x01, 0x05, 0x38})},
        // 5 + 4 + 3 + 0xE8 + 0x19 = 0x10D -> 0x0D.
        {"character intervals", 3, {7}, Request::CharIntervals, 0, {},
         {{&C::charIntervalSend, "1000"}, {&C::charIntervalReceive, "25"}},
         bytes({0x05, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0D})},
        // PROFIBUS configuration data: byte selection sends nothing of the text. 0x34 + 9 = 0x3D.
        {"byte selection", 3, {7}, Request::ConfigData, 0,
         {{&F::profibusConfigMode, "Use bytes selection"}, {&F::profibusConfigData, "d1 e1"}}, {},
         bytes({0x34, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3D})},
        // 0x3D + 3 + 0x0A + 0x1B + 0x2C = 0x91.
        {"configuration data", 3, {7}, Request::ConfigData, 0,
         {{&F::profibusConfigMode, "Input configuration data"}, {&F::profibusConfigData, "0a 1b 2c "}}, {},
         bytes({0x34, 0x09, 0x03, 0x0A, 0x1B, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x91})},
        // Upper case; the last pair without its blank still counts. 0x3D + 2 + 0xD1 + 0xE1 = 0x1F1.
        {"configuration data, upper case", 3, {7}, Request::ConfigData, 0,
         {{&F::profibusConfigMode, "Input configuration data"}, {&F::profibusConfigData, "D1 E1"}}, {},
         bytes({0x34, 0x09, 0x02, 0xD1, 0xE1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF1})},
        // At most 8 bytes. 0x3D + 8 + 36 = 0x69.
        {"configuration data, nine bytes", 3, {7}, Request::ConfigData, 0,
         {{&F::profibusConfigMode, "Input configuration data"}, {&F::profibusConfigData, "01 02 03 04 05 06 07 08 09 "}},
         {}, bytes({0x34, 0x09, 0x08, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x69})},
        // Non-digits count as 0; a lone trailing digit is no byte. 0x3D + 1 = 0x3E.
        {"configuration data, no digits", 3, {7}, Request::ConfigData, 0,
         {{&F::profibusConfigMode, "Input configuration data"}, {&F::profibusConfigData, "zz 1"}}, {},
         bytes({0x34, 0x09, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3E})},
        {"configuration data, empty", 3, {7}, Request::ConfigData, 0,
         {{&F::profibusConfigMode, "Input configuration data"}, {&F::profibusConfigData, ""}}, {},
         bytes({0x34, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3D})},
    };
    for (const SettingsCase &c : cases) {
        store.newConfiguration();
        typeAndFlags(c.type, c.flags);
        for (const auto &[member, value] : c.fieldbus)
            store.fieldbus.*member = value;
        for (const auto &[member, value] : c.values)
            store.subnet(c.subnet).*member = value;
        Frame frame;
        switch (c.request) {
        case Request::DeviceNet: frame = buildWriteDeviceNet(store); break;
        case Request::Profibus: frame = buildWriteProfibus(store, {}); break;
        case Request::Subnet: frame = buildWriteSubnet(store, c.subnet); break;
        case Request::TimeoutAction: frame = buildWriteTimeoutAction(store); break;
        case Request::CharIntervals: frame = buildWriteCharIntervals(store); break;
        case Request::ConfigData: frame = buildWriteProfibusConfigData(store); break;
        }
        EXPECT_EQ(hex(frame), hex(c.expected)) << c.name;
    }
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

TEST_F(FrameBuilderTest, ModbusCommandFrames)
{
    const struct {
        std::uint32_t type;
        int position;
        COMMAND command;
        std::string expected;
    } cases[] = {
        // Subnet 0, index 0, slave 5, function 3, 1000 = 03 E8, 10 = 00 0A, mapping "4010" = 40 10,
        // bit 7, slow scan 1, four-byte exchange 2. Sum 0x174 -> 0x74.
        {1, 1, COMMAND{"5", "3", "1000", "10", "4010", "7", "20", "Four-byte-exchange", "CRC", "Slow-scan", 1},
         bytes({0x10, 0x0D, 0x00, 0x00, 0x05, 0x03, 0x03, 0xE8, 0x00, 0x0A, 0x40, 0x10, 0x07, 0x01, 0x02, 0x74})},
        // Type 3: the data-filter vocabulary; index 5 is command position 6. F7, 0x10, FF FF,
        // 00 7B, 00 FF, bit "" = 0, quick 0, high byte 1. Sum 0x4A2 -> 0xA2.
        {3, 6, COMMAND{"247", "16", "65535", "123", "ff", "", "", "High byte", "", "Quick-scan", 1},
         bytes({0x10, 0x0D, 0x00, 0x05, 0xF7, 0x10, 0xFF, 0xFF, 0x00, 0x7B, 0x00, 0xFF, 0x00, 0x00, 0x01, 0xA2})},
    };
    for (const auto &c : cases) {
        store.newConfiguration();
        typeAndFlags(c.type, {});
        command(0, c.position) = c.command;
        EXPECT_EQ(hex(buildWriteCommand(store, 0, c.position - 1)), hex(c.expected)) << c.position;
    }
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
