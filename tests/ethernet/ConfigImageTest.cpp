// The configuration image: the bytes written for a configuration (every offset and code), the
// configuration read from hand-written image bytes, and the refusals both ways.
#include "ethernet/ConfigImage.h"
#include "ethernet/EthernetBytes.h"
#include "mapping/MappingFixture.h"
#include "model/DerivedValues.h"

#include <tuple>

namespace tqv {
namespace {

class ConfigImageTest : public MappingFixture {
protected:
    void SetUp() override
    {
        MappingFixture::SetUp();
        setType(4, {7});
    }
    std::string image()
    {
        const Result<std::string> r = buildConfigImage(*s);
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.message());
        return r.ok() ? r.value() : std::string();
    }
    static std::string at(const std::string &bytes, std::size_t offset, std::size_t count)
    {
        return bytes.substr(offset, count);
    }
};

// An empty image as a read reply carries it, with the given command counts.
std::string readReply()
{
    std::string r(1272, '\0');
    put(r, 0, {0, 0, 0, 5, 0, 0, 0x04, 0xF0});
    return r;
}

TEST_F(ConfigImageTest, ThreeCommandsInSubnetOneAndNoneInSubnetTwo)
{
    node(0, "5");
    node(0, "7");
    command(0, "3", "6", "1f4", "0").startAddress = "40001";
    COMMAND &second = command(0, "1", "9", "10", "3");
    second.slaveAddress = "7";
    second.startAddress = "100";
    second.scanType = "Slow-scan";
    second.dataFormat = "Double-byte-exchange";
    COMMAND &third = command(0, "16", "2", "4000", "");
    third.dataFormat = "Four-byte-exchange";

    const std::string b = image();
    ASSERT_EQ(b.size(), 1272u);
    EXPECT_EQ(at(b, 0, 8), bytes({0, 0, 0, 6, 0, 0, 0x04, 0xF0}));
    EXPECT_EQ(at(b, 80, 4), bytes({0, 0, 0, 3}));
    EXPECT_EQ(at(b, 84, 12), bytes({5, 3, 0x9C, 0x41, 0, 6, 0x01, 0xF4, 0, 0, 0, 0}));
    EXPECT_EQ(at(b, 96, 12), bytes({7, 1, 0, 100, 0, 9, 0, 0x10, 3, 1, 1, 0}));
    EXPECT_EQ(at(b, 108, 12), bytes({5, 16, 0, 0, 0, 2, 0x40, 0x00, 0, 0, 2, 0}));
    EXPECT_EQ(at(b, 120, 540), std::string(540, '\0')) << "unused slots of subnet 1";
    EXPECT_EQ(at(b, 692, 4), bytes({0, 0, 0, 0}));
    EXPECT_EQ(at(b, 696, 576), std::string(576, '\0'));
}

TEST_F(ConfigImageTest, FieldbusAndSubnetFieldsAtTheirOffsets)
{
    FIELDBUS &f = s->fieldbus;
    f.ipAssignMode = "DHCP";
    f.ipAddress = "192.168.1.20";
    f.subnetMask = "255.255.0.0";
    f.gatewayAddress = "10.1.2.3";
    f.dns1 = "8.8.4.4";
    f.dns2 = "not an address";
    CONFIG &one = s->subnet(0);
    one.masterBaud = "115200";
    one.masterDataBits = "7";
    one.masterParity = "Even parity";
    one.masterStopBits = "2";
    one.responseTimeout = "60000";
    one.pollDelay = "2500";
    one.outputMode = "Forbidden";
    one.scanRatio = "255";
    CONFIG &two = s->subnet(1);
    two.masterBaud = "9600";
    two.masterParity = "Space";
    two.outputMode = "Cycle";
    // Fields the image does not carry change nothing in it.
    s->fieldbus.inputSize = "64";
    one.pulseTime = "300";
    s->subnet(2).masterBaud = "300";

    const std::string b = image();
    EXPECT_EQ(at(b, 8, 24), bytes({0, 0, 0, 1, 192, 168, 1, 20, 255, 255, 0, 0, 10, 1, 2, 3, 8, 8, 4, 4,
                                   0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(at(b, 32, 16), bytes({0, 0x01, 0xC2, 0x00, 7, 2, 2, 0, 0, 0, 0x25, 0x80, 8, 4, 1, 0}));
    EXPECT_EQ(at(b, 48, 36), bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xEA, 0x60, 0, 0, 0x09, 0xC4,
                                    0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0}));
    // Subnet 2's defaults: 300 ms, no delay, "Cycle", ratio 10.
    EXPECT_EQ(at(b, 660, 36), bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x2C, 0, 0, 0, 0,
                                     0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0}));
    const std::string withoutUncarried = b;
    s->fieldbus.inputSize = "8";
    one.pulseTime = "-1";
    s->subnet(2).masterBaud = "19200";
    EXPECT_EQ(image(), withoutUncarried);
}

TEST_F(ConfigImageTest, ValueCodesOfTheImage)
{
    struct Row {
        std::size_t offset;
        std::function<void(ConfigStore &, const std::string &)> set;
        std::vector<std::pair<std::string, int>> codes;
    };
    node(0, "1");
    command(0, "3", "1", "0", "0");
    const Row rows[] = {
        {11, [](ConfigStore &c, const std::string &v) { c.fieldbus.ipAssignMode = v; },
         {{"Manual Assign", 0}, {"DHCP", 1}, {"BOOTP", 2}, {"", 2}}},
        {37, [](ConfigStore &c, const std::string &v) { c.subnet(0).masterParity = v; },
         {{"None", 0}, {"Odd parity", 1}, {"Even parity", 2}, {"Mark", 3}, {"Space", 4}, {"xyz", 4}}},
        {45, [](ConfigStore &c, const std::string &v) { c.subnet(1).masterParity = v; },
         {{"None", 0}, {"Mark", 3}, {"", 4}}},
        {71, [](ConfigStore &c, const std::string &v) { c.subnet(0).outputMode = v; },
         {{"Cycle", 1}, {"Forbidden", 2}, {"Change of Value", 3}, {"Pluse output", 3}}},
        {93, [](ConfigStore &c, const std::string &v) { c.subnet(0).commands[0].scanType = v; },
         {{"Quick-scan", 0}, {"Slow-scan", 1}, {"", 1}}},
        {94, [](ConfigStore &c, const std::string &v) { c.subnet(0).commands[0].dataFormat = v; },
         {{"Non-exchange", 0}, {"Double-byte-exchange", 1}, {"Four-byte-exchange", 2}, {"Fullword", 2}}},
        // Numbers: decimal, truncated to the field; anything else is 0.
        {36, [](ConfigStore &c, const std::string &v) { c.subnet(0).masterDataBits = v; },
         {{"8", 8}, {"264", 8}, {"", 0}, {"-1", 0}, {"x7", 0}}},
        {84, [](ConfigStore &c, const std::string &v) { c.subnet(0).commands[0].slaveAddress = v; },
         {{"247", 247}, {"256", 0}, {"-1", 0}}},
        {92, [](ConfigStore &c, const std::string &v) { c.subnet(0).commands[0].mappingBit = v; },
         {{"7", 7}, {"", 0}}},
        // The mapping address is hexadecimal text: its low byte at 91.
        {91, [](ConfigStore &c, const std::string &v) { c.subnet(0).commands[0].mappingAddress = v; },
         {{"1F4", 0xF4}, {"1f4", 0xF4}, {"123AB", 0xAB}, {"", 0}, {"zz", 0}}},
    };
    for (const Row &r : rows)
        for (const auto &[value, code] : r.codes) {
            r.set(*s, value);
            EXPECT_EQ(static_cast<unsigned char>(image()[r.offset]), code) << r.offset << " '" << value << "'";
        }
}

TEST_F(ConfigImageTest, IpTextsThatAreNoAddressTravelAsAllOnes)
{
    const std::pair<std::string, std::string> rows[] = {
        {"1.2.3.4", bytes({1, 2, 3, 4})},          {"0.0.0.0", bytes({0, 0, 0, 0})},
        {"255.255.255.255", bytes({255, 255, 255, 255})}, {"256.1.1.1", bytes({255, 255, 255, 255})},
        {"1.2.3", bytes({255, 255, 255, 255})},    {"1.2.3.4.5", bytes({255, 255, 255, 255})},
        {"", bytes({255, 255, 255, 255})},         {"1..2.3", bytes({255, 255, 255, 255})},
        {" 1.2.3.4", bytes({255, 255, 255, 255})}, {"0001.2.3.4", bytes({255, 255, 255, 255})},
    };
    for (const auto &[address, expected] : rows) {
        s->fieldbus.ipAddress = address;
        EXPECT_EQ(at(image(), 12, 4), expected) << address;
    }
}

TEST_F(ConfigImageTest, MoreThanFortyEightCommandsAreRefusedNamingTheSubnet)
{
    node(1, "3");
    for (int i = 0; i < 48; ++i)
        command(1, "3", "1", "0", "0");
    EXPECT_EQ(subnetWithTooManyCommands(*s), 0);
    EXPECT_EQ(image().size(), 1272u);
    EXPECT_EQ(at(image(), 692, 4), bytes({0, 0, 0, 48}));
    command(1, "3", "1", "0", "0");
    EXPECT_EQ(subnetWithTooManyCommands(*s), 2);
    const Result<std::string> refused = buildConfigImage(*s);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ErrorCode::ImageTooManyCommands);
    EXPECT_NE(refused.message().find("Subnet 2 "), std::string::npos) << refused.message();
}

TEST_F(ConfigImageTest, ReadImageBecomesTheConfiguration)
{
    std::string r = readReply();
    put(r, 11, {1});
    put(r, 12, {10, 0, 0, 7, 255, 255, 255, 0, 10, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0});
    put(r, 32, {0, 0, 0x4B, 0, 7, 1, 2});   // 19200, 7, odd, 2
    put(r, 40, {0, 0, 0x25, 0x80, 8, 9, 1}); // 9600, 8, code 9, 1
    put(r, 60, {0, 0, 0x03, 0xE8, 0, 0, 0, 50, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 3});
    put(r, 84, {5, 3, 0, 0, 0, 10, 0x01, 0xF4, 0, 0, 1, 0});
    put(r, 96, {7, 2, 0x27, 0x10, 0, 16, 0, 0, 5, 1, 0, 0});
    put(r, 108, {5, 16, 0xFF, 0xFF, 0, 1, 0x40, 0x0A, 0, 7, 9, 0});
    put(r, 672, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    put(r, 696, {9, 4, 0, 1, 0, 2, 0, 0, 0, 0, 0, 0});

    // What the image does not carry keeps its value; a byte count follows the quantity read.
    s->subnet(0).commands[0].byteCount = "stale";
    s->subnet(0).commands[0].checkType = "LRC";
    s->subnet(0).commands[3].functionCode = "beyond";
    s->subnet(0).doubleFaultReset = "Disable";
    s->subnet(0).protocol = "User Config";
    s->subnet(0).masterMode = "ASCII";
    s->subnet(2).masterBaud = "300";
    s->fieldbus.inputSize = "64";
    s->gatewayType = 3;
    s->fieldbus.fieldbusType = "Profibus";

    ASSERT_TRUE(applyConfigImage(r, *s).ok());
    EXPECT_EQ(s->gatewayType, 4u);
    const FIELDBUS &f = s->fieldbus;
    EXPECT_EQ(f.fieldbusType, "EtherNet/IP");
    EXPECT_EQ(f.ipAssignMode, "DHCP");
    EXPECT_EQ((std::vector<std::string>{f.ipAddress, f.subnetMask, f.gatewayAddress, f.dns1, f.dns2}),
              (std::vector<std::string>{"10.0.0.7", "255.255.255.0", "10.0.0.1", "1.1.1.1", "0.0.0.0"}));
    EXPECT_EQ(f.inputSize, "64");

    const CONFIG &one = s->subnet(0);
    EXPECT_EQ((std::vector<std::string>{one.masterBaud, one.masterDataBits, one.masterParity, one.masterStopBits,
                                        one.responseTimeout, one.pollDelay, one.outputMode, one.scanRatio,
                                        one.protocol, one.masterMode}),
              (std::vector<std::string>{"19200", "7", "Odd parity", "2", "1000", "50", "Forbidden", "20",
                                        "Modbus master", "RTU"}));
    EXPECT_EQ(one.doubleFaultReset, "Disable");
    EXPECT_EQ(one.commandCount, 3);
    ASSERT_EQ(one.nodeCount, 2);
    EXPECT_EQ(one.nodes[0], (NODE{"5", "Node-5"}));
    EXPECT_EQ(one.nodes[1], (NODE{"7", "Node-7"}));
    const auto fields = [](const COMMAND &c) {
        return std::vector<std::string>{c.slaveAddress, c.functionCode, c.startAddress, c.quantity, c.mappingAddress,
                                        c.mappingBit,   c.scanType,     c.dataFormat,   std::to_string(c.nodeNumber)};
    };
    EXPECT_EQ(fields(one.commands[0]),
              (std::vector<std::string>{"5", "3", "0", "10", "1f4", "0", "Quick-scan", "Double-byte-exchange", "1"}));
    EXPECT_EQ(fields(one.commands[1]),
              (std::vector<std::string>{"7", "2", "10000", "16", "0", "5", "Slow-scan", "Non-exchange", "2"}));
    EXPECT_EQ(fields(one.commands[2]),
              (std::vector<std::string>{"5", "16", "65535", "1", "400a", "0", "Slow-scan", "Four-byte-exchange", "1"}));
    EXPECT_EQ(one.commands[0].byteCount, "20");
    EXPECT_EQ(one.commands[0].checkType, "LRC");
    EXPECT_EQ(one.commands[3].functionCode, "beyond");

    const CONFIG &two = s->subnet(1);
    EXPECT_EQ((std::vector<std::string>{two.masterBaud, two.masterDataBits, two.masterParity, two.masterStopBits,
                                        two.responseTimeout, two.pollDelay, two.outputMode, two.scanRatio}),
              (std::vector<std::string>{"9600", "8", "Space", "1", "0", "0", "Change of Value", "0"}));
    EXPECT_EQ(two.commandCount, 1);
    EXPECT_EQ(two.nodeCount, 1);
    EXPECT_EQ(two.nodes[0], (NODE{"9", "Node-9"}));
    EXPECT_EQ(two.commands[0].functionCode, "4");
    EXPECT_EQ(s->subnet(2).masterBaud, "300");
}

TEST_F(ConfigImageTest, AllOnesAddressesReadAsTheirDefaults)
{
    std::string r = readReply();
    put(r, 11, {7});
    for (std::size_t offset = 12; offset < 32; ++offset)
        put(r, offset, {0xFF});
    s->fieldbus.ipAddress = "1.2.3.4";
    ASSERT_TRUE(applyConfigImage(r, *s).ok());
    const FIELDBUS &f = s->fieldbus;
    EXPECT_EQ(f.ipAssignMode, "BOOTP");
    EXPECT_EQ((std::vector<std::string>{f.ipAddress, f.subnetMask, f.gatewayAddress, f.dns1, f.dns2}),
              (std::vector<std::string>{"192.168.0.10", "255.255.255.0", "192.168.0.1", "0.0.0.0", "0.0.0.0"}));
}

TEST_F(ConfigImageTest, ImagesThatDoNotFitChangeNothing)
{
    node(0, "3");
    command(0, "3", "2", "0", "0");
    const ConfigStore before = *s;

    std::string tooMany = readReply();
    put(tooMany, 80, {0, 0, 0, 49});
    std::string tooManyInTwo = readReply();
    put(tooManyInTwo, 692, {0x80, 0, 0, 1});
    const std::string rows[] = {tooMany, tooManyInTwo, readReply().substr(0, 1271), std::string()};
    for (const std::string &r : rows) {
        const Status status = applyConfigImage(r, *s);
        ASSERT_FALSE(status.ok()) << r.size();
        EXPECT_EQ(status.error().code, ErrorCode::ImageMalformed);
        EXPECT_EQ(status.message(), "Read configuration failed!");
        EXPECT_TRUE(*s == before);
    }
    // A value above what its grid row takes is refused naming it, never read as another number.
    const std::tuple<std::size_t, std::uint32_t, const char *> tooLarge[] = {
        {32, 0x80000000, "2147483648 in \"Modbus communication baud rate\" of subnet 1, above the 115200"},
        {672, 0xFFFFFFFF, "4294967295 in \"Response timeout(300-60000ms)\" of subnet 2, above the 60000"},
        {76, 256, "256 in \"Scan ratio(1-255)\" of subnet 1, above the 255"},
    };
    for (const auto &[offset, value, named] : tooLarge) {
        std::string r = readReply();
        put(r, offset, {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
        const Status status = applyConfigImage(r, *s);
        ASSERT_FALSE(status.ok()) << named;
        EXPECT_EQ(status.message(), std::string("The gateway holds ") + named + " this program can hold; nothing was read.");
        EXPECT_TRUE(*s == before);
    }
    // 48 commands fit; bytes after the image are not looked at.
    std::string full = readReply();
    put(full, 80, {0, 0, 0, 48});
    full += std::string(4, '\xFF');
    EXPECT_TRUE(applyConfigImage(full, *s).ok());
    EXPECT_EQ(s->subnet(0).commandCount, 48);
    EXPECT_EQ(s->subnet(0).nodeCount, 1);
    EXPECT_EQ(s->subnet(0).nodes[0].name, "Node-0");
}

TEST_F(ConfigImageTest, WrittenImageReadsBackAsTheSameConfiguration)
{
    node(0, "5");
    node(0, "7");
    command(0, "3", "6", "1f4", "0");
    command(0, "1", "9", "10", "3").slaveAddress = "7";
    s->subnet(0).commands[1].nodeNumber = 2;
    node(1, "12");
    command(1, "16", "4", "4000", "0").dataFormat = "Four-byte-exchange";
    s->subnet(0).masterParity = "Mark";
    s->fieldbus.ipAddress = "172.16.5.4";

    std::string written = image();
    put(written, 3, {5}); // as the gateway sends it back
    auto readBack = std::make_unique<ConfigStore>();
    readBack->newConfiguration();
    ASSERT_TRUE(applyConfigImage(written, *readBack).ok());
    for (int k = 0; k < 2; ++k) {
        const CONFIG &a = s->subnet(k);
        const CONFIG &b = readBack->subnet(k);
        EXPECT_EQ(b.nodeCount, a.nodeCount);
        EXPECT_EQ(b.commandCount, a.commandCount);
        for (int n = 0; n < a.nodeCount; ++n)
            EXPECT_EQ(b.nodes[static_cast<std::size_t>(n)], a.nodes[static_cast<std::size_t>(n)]);
        for (int i = 0; i < a.commandCount; ++i) {
            COMMAND expected = a.commands[static_cast<std::size_t>(i)];
            const COMMAND &got = b.commands[static_cast<std::size_t>(i)];
            updateDerivedValues(expected);
            expected.checkType = got.checkType;
            EXPECT_EQ(got, expected) << k << ":" << i;
        }
        EXPECT_EQ(b.masterParity, a.masterParity);
        EXPECT_EQ(b.masterBaud, a.masterBaud);
    }
    EXPECT_EQ(readBack->fieldbus.ipAddress, "172.16.5.4");
}

} // namespace
} // namespace tqv
