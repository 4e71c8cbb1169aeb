// The Ethernet gateway's image codec in-process against the configuration image's offset tables
// (every expected byte written out by hand). Its message assembly, failure modes and replies are
// checked end to end in GatewaySimEthernetTest.
#include "EthernetImageCodec.h"

#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace tqvsim {

namespace {

struct Patch {
    std::size_t offset;
    Bytes bytes;
};

// A 1272-byte message: zeros with `patches` laid over them.
Bytes imageWith(std::initializer_list<Patch> patches)
{
    Bytes image(1272, 0);
    for (const Patch &p : patches)
        std::copy(p.bytes.begin(), p.bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(p.offset));
    return image;
}

const Patch kWriteHeader{0, {0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x04, 0xF0}};

std::unique_ptr<tqv::ConfigStore> newEthernetStore()
{
    auto s = std::make_unique<tqv::ConfigStore>();
    s->newConfiguration();
    s->gatewayType = 4;
    s->resetToDefaults();
    s->applyFieldbusType();
    return s;
}

void setCommand(tqv::COMMAND &c, const char *slave, const char *function, const char *start, const char *quantity,
                const char *mapping, const char *bit, const char *scan, const char *format)
{
    c.slaveAddress = slave;
    c.functionCode = function;
    c.startAddress = start;
    c.quantity = quantity;
    c.mappingAddress = mapping;
    c.mappingBit = bit;
    c.scanType = scan;
    c.dataFormat = format;
}

// ---- writing an image ----------------------------------------------------------------------------

TEST(SimEthernetImage, TextsBecomeTheirCodesAndOthersTheLastCode)
{
    using Setter = void (*)(tqv::ConfigStore &, const char *);
    const struct {
        const char *field;
        Setter set;
        std::size_t offset;
        std::vector<std::pair<const char *, std::uint8_t>> rows;
    } tables[] = {
        {"ipAssignMode", [](tqv::ConfigStore &s, const char *t) { s.fieldbus.ipAssignMode = t; }, 11,
         {{"Manual Assign", 0}, {"DHCP", 1}, {"BOOTP", 2}, {"dhcp", 2}, {"", 2}}},
        {"masterParity 1", [](tqv::ConfigStore &s, const char *t) { s.subnets[0].masterParity = t; }, 37,
         {{"None", 0}, {"Odd parity", 1}, {"Even parity", 2}, {"Mark", 3}, {"Space", 4}, {"Odd", 4}}},
        {"masterParity 2", [](tqv::ConfigStore &s, const char *t) { s.subnets[1].masterParity = t; }, 45,
         {{"Mark", 3}, {"", 4}}},
        {"outputMode 1", [](tqv::ConfigStore &s, const char *t) { s.subnets[0].outputMode = t; }, 71,
         {{"Cycle", 1}, {"Forbidden", 2}, {"Change of Value", 3}, {"Pluse output", 3}}},
        {"outputMode 2", [](tqv::ConfigStore &s, const char *t) { s.subnets[1].outputMode = t; }, 683,
         {{"Cycle", 1}, {"x", 3}}},
        {"scanType", [](tqv::ConfigStore &s, const char *t) { s.subnets[0].commands[0].scanType = t; }, 93,
         {{"Quick-scan", 0}, {"Slow-scan", 1}, {"", 1}}},
        {"dataFormat", [](tqv::ConfigStore &s, const char *t) { s.subnets[0].commands[0].dataFormat = t; }, 94,
         {{"Non-exchange", 0}, {"Double-byte-exchange", 1}, {"Four-byte-exchange", 2}, {"Fullword", 2},
          {"High byte", 2}}},
    };
    for (const auto &table : tables) {
        for (const auto &[text, code] : table.rows) {
            auto s = newEthernetStore();
            s->subnets[0].commandCount = 1;
            table.set(*s, text);
            EXPECT_EQ(int(EthernetImageCodec::encode(*s)[table.offset]), int(code)) << table.field << " \"" << text << "\"";
        }
    }
}

TEST(SimEthernetImage, AddressTextsAndNumbers)
{
    const std::pair<const char *, std::array<std::uint8_t, 4>> addresses[] = {
        {"192.168.0.10", {192, 168, 0, 10}}, {"0.0.0.0", {0, 0, 0, 0}},
        {"255.255.255.255", {255, 255, 255, 255}}, {"01.002.3.4", {1, 2, 3, 4}},
        {"1.2.3", {255, 255, 255, 255}},     {"1.2.3.4.5", {255, 255, 255, 255}},
        {"256.1.1.1", {255, 255, 255, 255}}, {"1234.1.1.1", {255, 255, 255, 255}},
        {" 1.2.3.4", {255, 255, 255, 255}},  {"1.2.3.4 ", {255, 255, 255, 255}},
        {"1..3.4", {255, 255, 255, 255}},    {"", {255, 255, 255, 255}},
    };
    for (const auto &[text, bytes] : addresses)
        EXPECT_EQ(EthernetImageCodec::addressBytes(text), bytes) << "\"" << text << "\"";
    EXPECT_EQ(EthernetImageCodec::parseAddress("1.2.3"), std::nullopt);

    const std::pair<const char *, std::uint32_t> numbers[] = {
        {"9600", 9600}, {"0", 0}, {"-1", 0xFFFFFFFFu}, {"+7", 7}, {"12abc", 12}, {"abc", 0}, {"", 0},
        {" 42", 42},    {"4294967296", 0},
    };
    for (const auto &[text, value] : numbers)
        EXPECT_EQ(EthernetImageCodec::number(text), value) << "\"" << text << "\"";

    // Numbers are cut to the width of their field.
    auto s = newEthernetStore();
    s->subnets[1].commandCount = 1;
    setCommand(s->subnets[1].commands[0], "-1", "259", "70000", "65536", "12345", "256", "Quick-scan", "Non-exchange");
    const Bytes image = EthernetImageCodec::encode(*s);
    EXPECT_EQ(Bytes(image.begin() + 696, image.begin() + 708),
              Bytes({0xFF, 0x03, 0x11, 0x70, 0x00, 0x00, 0x23, 0x45, 0x00, 0x00, 0x00, 0x00}));
}

// ---- applying an image ---------------------------------------------------------------------------

TEST(SimEthernetImage, ApplyingReadsEveryFieldAsAnUploadDoes)
{
    auto s = newEthernetStore();
    s->gatewayType = 3;
    s->fieldbus.fieldbusType = "PROFIBUS";
    s->subnets[0].protocol = "Modbus slave";
    s->subnets[0].masterMode = "ASCII";
    s->subnets[0].commands[0].byteCount = "12";
    s->subnets[0].commands[0].checkType = "kept";
    setCommand(s->subnets[0].commands[3], "99", "4", "1", "1", "ff", "0", "Quick-scan", "Non-exchange");
    s->subnets[0].nodes[2] = tqv::NODE{"99", "Node-99"};
    s->subnets[2].masterBaud = "1200"; // subnets 3 and 4 are not in the image

    const Bytes image = imageWith({
        kWriteHeader,
        {11, {0x07}},
        {12, {172, 16, 5, 9}},
        {16, {0xFF, 0xFF, 0xFF, 0xFF}},
        {20, {0xFF, 0xFF, 0xFF, 0xFF}},
        {24, {0xFF, 0xFF, 0xFF, 0xFF}},
        {28, {1, 1, 1, 1}},
        {32, {0x00, 0x01, 0xC2, 0x00, 7, 9, 2}},
        {40, {0x00, 0x00, 0x09, 0x60, 8, 3, 1}},
        {60, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x00}},
        {76, {0x00, 0x00, 0x00, 0x0C}},
        {80, {0x00, 0x00, 0x00, 0x03}},
        {84, {5, 3, 0x00, 0x64, 0x00, 0x06, 0x01, 0xF4, 0, 0, 0, 0}},
        {96, {7, 16, 0x12, 0x34, 0x00, 0xFF, 0x40, 0x00, 3, 4, 1, 0}},
        {108, {5, 1, 0xFF, 0xFF, 0x00, 0x09, 0x00, 0x2A, 7, 0, 9, 0}},
        {680, {0x00, 0x00, 0x00, 0x01}},
    });
    ASSERT_TRUE(EthernetImageCodec::apply(image, *s));

    EXPECT_EQ(s->gatewayType, 4u);
    const tqv::FIELDBUS &f = s->fieldbus;
    EXPECT_EQ((std::vector<std::string>{f.fieldbusType, f.ipAssignMode, f.ipAddress, f.subnetMask, f.gatewayAddress,
                                        f.dns1, f.dns2}),
              (std::vector<std::string>{"EtherNet/IP", "BOOTP", "172.16.5.9", "255.255.255.0", "192.168.0.1",
                                        "0.0.0.0", "1.1.1.1"}));

    const tqv::CONFIG &a = s->subnets[0];
    EXPECT_EQ((std::vector<std::string>{a.masterBaud, a.masterDataBits, a.masterParity, a.masterStopBits,
                                        a.responseTimeout, a.pollDelay, a.outputMode, a.scanRatio, a.protocol,
                                        a.masterMode}),
              (std::vector<std::string>{"115200", "7", "Space", "2", "-1", "50", "Change of Value", "12",
                                        "Modbus master", "RTU"}));
    ASSERT_EQ(a.commandCount, 3);
    ASSERT_EQ(a.nodeCount, 2);
    EXPECT_EQ(a.nodes[0], (tqv::NODE{"5", "Node-5"}));
    EXPECT_EQ(a.nodes[1], (tqv::NODE{"7", "Node-7"}));
    EXPECT_EQ(a.nodes[2], (tqv::NODE{"99", "Node-99"})) << "nodes past the count keep their contents";
    // slave, function, start, quantity, mapping address and bit, scan type, data format, node
    const auto fields = [](const tqv::COMMAND &c) {
        return std::vector<std::string>{c.slaveAddress,   c.functionCode, c.startAddress, c.quantity,
                                        c.mappingAddress, c.mappingBit,   c.scanType,     c.dataFormat,
                                        std::to_string(c.nodeNumber)};
    };
    const std::vector<std::string> commands[] = {
        {"5", "3", "100", "6", "1f4", "0", "Quick-scan", "Non-exchange", "1"},
        {"7", "16", "4660", "255", "4000", "3", "Slow-scan", "Double-byte-exchange", "2"},
        {"5", "1", "65535", "9", "2a", "7", "Quick-scan", "Four-byte-exchange", "1"},
    };
    for (std::size_t i = 0; i < std::size(commands); ++i)
        EXPECT_EQ(fields(a.commands[i]), commands[i]) << i;
    EXPECT_EQ(a.commands[0].byteCount, "12");
    EXPECT_EQ(a.commands[0].checkType, "kept");
    EXPECT_EQ(a.commands[3].slaveAddress, "99") << "slots past the count keep their contents";

    const tqv::CONFIG &b = s->subnets[1];
    EXPECT_EQ((std::vector<std::string>{b.masterBaud, b.masterParity, b.outputMode}),
              (std::vector<std::string>{"2400", "Mark", "Cycle"}));
    EXPECT_EQ(b.commandCount, 0);
    EXPECT_EQ(b.nodeCount, 0);
    EXPECT_EQ(s->subnets[2].masterBaud, "1200");
}

TEST(SimEthernetImage, CodesReadBackAsTheirTextsAndOthersAsTheLast)
{
    const struct {
        const char *field;
        std::size_t offset;
        std::string (*read)(const tqv::ConfigStore &);
        std::vector<std::pair<std::uint8_t, const char *>> rows;
    } tables[] = {
        {"ipAssignMode", 11, [](const tqv::ConfigStore &s) { return s.fieldbus.ipAssignMode; },
         {{0, "Manual Assign"}, {1, "DHCP"}, {2, "BOOTP"}, {255, "BOOTP"}}},
        {"masterParity", 37, [](const tqv::ConfigStore &s) { return s.subnets[0].masterParity; },
         {{0, "None"}, {1, "Odd parity"}, {2, "Even parity"}, {3, "Mark"}, {4, "Space"}, {200, "Space"}}},
        {"outputMode", 683, [](const tqv::ConfigStore &s) { return s.subnets[1].outputMode; },
         {{1, "Cycle"}, {2, "Forbidden"}, {3, "Change of Value"}, {0, "Change of Value"}, {4, "Change of Value"}}},
        {"scanType", 705, [](const tqv::ConfigStore &s) { return s.subnets[1].commands[0].scanType; },
         {{0, "Quick-scan"}, {1, "Slow-scan"}, {2, "Slow-scan"}}},
        {"dataFormat", 706, [](const tqv::ConfigStore &s) { return s.subnets[1].commands[0].dataFormat; },
         {{0, "Non-exchange"}, {1, "Double-byte-exchange"}, {2, "Four-byte-exchange"}, {3, "Four-byte-exchange"}}},
    };
    for (const auto &table : tables) {
        for (const auto &[code, text] : table.rows) {
            Bytes image = imageWith({kWriteHeader, {692, {0, 0, 0, 1}}});
            image[table.offset] = code;
            auto s = newEthernetStore();
            ASSERT_TRUE(EthernetImageCodec::apply(image, *s));
            EXPECT_EQ(table.read(*s), text) << table.field << " code " << int(code);
        }
    }
}

TEST(SimEthernetImage, AnAddressOfAllOnesReadsAsTheFieldsDefault)
{
    const struct {
        std::size_t offset;
        std::string tqv::FIELDBUS::*field;
        const char *fallback;
    } fields[] = {
        {12, &tqv::FIELDBUS::ipAddress, "192.168.0.10"},   {16, &tqv::FIELDBUS::subnetMask, "255.255.255.0"},
        {20, &tqv::FIELDBUS::gatewayAddress, "192.168.0.1"}, {24, &tqv::FIELDBUS::dns1, "0.0.0.0"},
        {28, &tqv::FIELDBUS::dns2, "0.0.0.0"},
    };
    for (const auto &f : fields) {
        Bytes image = imageWith({kWriteHeader});
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(f.offset), 4, 0xFF);
        image[f.offset + 3] = 0xFE;
        auto s = newEthernetStore();
        s->fieldbus.*f.field = "9.9.9.9";
        ASSERT_TRUE(EthernetImageCodec::apply(image, *s));
        EXPECT_EQ(s->fieldbus.*f.field, "255.255.255.254") << f.offset;
        image[f.offset + 3] = 0xFF;
        ASSERT_TRUE(EthernetImageCodec::apply(image, *s));
        EXPECT_EQ(s->fieldbus.*f.field, f.fallback) << f.offset;
    }
    // So a text that is no address comes back as the default.
    auto s = newEthernetStore();
    s->fieldbus.gatewayAddress = "gateway";
    const Bytes image = EthernetImageCodec::encode(*s);
    ASSERT_TRUE(EthernetImageCodec::apply(image, *s));
    EXPECT_EQ(s->fieldbus.gatewayAddress, "192.168.0.1");
}

} // namespace

} // namespace tqvsim
