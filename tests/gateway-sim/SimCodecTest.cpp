// The simulator's pieces in-process: its value tables and codec against the configuration
// protocol's encoding table and worked examples, its frame assembler, failure plan and command line.
#include "FailurePlan.h"
#include "FrameAssembler.h"
#include "GatewayResponder.h"
#include "MemoryCodec.h"
#include "SimCommandLine.h"
#include "ValueCodes.h"

#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <memory>

namespace tqvsim {

namespace {

// ---- value tables ------------------------------------------------------------------------------

struct TextCode {
    const char *text;
    std::uint8_t code;
};

TEST(SimValueCodes, TextsEncodeAsTheTableSays)
{
    const struct {
        const char *name;
        std::uint8_t (*encode)(std::string_view);
        std::vector<TextCode> rows;
    } tables[] = {
        {"baud", ValueCodes::subnetBaud,
         {{"300", 0}, {"600", 1}, {"1200", 2}, {"2400", 3}, {"9600", 4}, {"19200", 5}, {"38400", 6},
          {"57600", 7}, {"115200", 8}, {"4800", 0}, {"", 0}}},
        {"data bits", ValueCodes::dataBits, {{"8", 0}, {"7", 1}, {"6", 0}}},
        {"parity", ValueCodes::parity,
         {{"None", 0}, {"Odd parity", 1}, {"Even parity", 2}, {"Mark", 3}, {"Space", 4}, {"Odd", 0}}},
        {"stop bits", ValueCodes::stopBits, {{"1", 0}, {"2", 1}}},
        {"mode", ValueCodes::commMode, {{"RTU", 0}, {"ASCII", 1}, {"rtu", 0}}},
        {"protocol", ValueCodes::protocol,
         {{"Modbus master", 0}, {"Modbus slave", 1}, {"Self-defining protocol", 2}, {"User Config", 3}, {"x", 0}}},
        {"output mode", ValueCodes::outputMode,
         {{"Cycle", 1}, {"Forbidden", 2}, {"Change of Value", 3}, {"Pluse output", 4}, {"Pulse output", 0}}},
        {"scan", ValueCodes::scanType, {{"Quick-scan", 0}, {"Slow-scan", 1}, {"", 1}}},
        {"data format", ValueCodes::dataFormat,
         {{"Non-exchange", 0}, {"Fullword", 0}, {"Double-byte-exchange", 1}, {"High byte", 1},
          {"Four-byte-exchange", 2}, {"Low byte", 2}, {"", 2}}},
        {"DeviceNet baud", ValueCodes::deviceNetBaud,
         {{"125K", 0}, {"250K", 1}, {"500K", 2}, {"Intercept automatically", 3}}},
        {"DeviceNet input", ValueCodes::deviceNetInputSize,
         {{"8", 0}, {"16", 1}, {"32", 2}, {"64", 3}, {"96", 4}, {"128", 5}, {"160", 6}, {"112", 0}}},
        {"DeviceNet output", ValueCodes::deviceNetOutputSize,
         {{"8", 0}, {"16", 1}, {"32", 2}, {"64", 3}, {"96", 4}, {"112", 5}, {"128", 0}}},
        {"PROFIBUS size", ValueCodes::profibusSize, {{"8", 0}, {"16", 1}, {"48", 2}, {"112", 3}, {"64", 0}}},
        {"switch", ValueCodes::onOff, {{"Enable", 1}, {"Disable", 0}, {"", 0}}},
        {"interface", ValueCodes::commInterface, {{"RS232", 1}, {"RS485", 0}, {"", 0}}},
    };
    for (const auto &table : tables)
        for (const TextCode &row : table.rows)
            EXPECT_EQ(table.encode(row.text), row.code) << table.name << " \"" << row.text << "\"";
}

TEST(SimValueCodes, CodesDecodeBackAndUnknownCodesGiveNothing)
{
    EXPECT_EQ(ValueCodes::subnetBaudText(4), "9600");
    EXPECT_EQ(ValueCodes::subnetBaudText(9), std::nullopt);
    EXPECT_EQ(ValueCodes::parityText(2), "Even parity");
    EXPECT_EQ(ValueCodes::parityText(5), std::nullopt);
    EXPECT_EQ(ValueCodes::protocolText(3), "User Config");
    EXPECT_EQ(ValueCodes::protocolText(4), std::nullopt);
    EXPECT_EQ(ValueCodes::outputModeText(0), std::nullopt);
    EXPECT_EQ(ValueCodes::outputModeText(4), "Pluse output");
    EXPECT_EQ(ValueCodes::dataBitsText(0), "8");
    EXPECT_EQ(ValueCodes::dataBitsText(9), "7");
    EXPECT_EQ(ValueCodes::stopBitsText(2), "2");
    EXPECT_EQ(ValueCodes::commModeText(1), "ASCII");
    EXPECT_EQ(ValueCodes::scanTypeText(0), "Quick-scan");
    EXPECT_EQ(ValueCodes::scanTypeText(1), "Slow-scan");
    EXPECT_EQ(ValueCodes::dataFormatText(2, false), "Four-byte-exchange");
    EXPECT_EQ(ValueCodes::dataFormatText(1, true), "High byte");
    EXPECT_EQ(ValueCodes::dataFormatText(3, true), std::nullopt);
    EXPECT_EQ(ValueCodes::deviceNetBaudText(3), "Intercept automatically");
    EXPECT_EQ(ValueCodes::deviceNetInputSizeText(6), "160");
    EXPECT_EQ(ValueCodes::deviceNetInputSizeText(7), std::nullopt);
    EXPECT_EQ(ValueCodes::deviceNetOutputSizeText(5), "112");
    EXPECT_EQ(ValueCodes::deviceNetOutputSizeText(6), std::nullopt);
    const std::pair<std::uint8_t, const char *> profibus[] = {{0, "8"}, {1, "16"}, {2, "48"}, {3, "112"}, {200, "112"}};
    for (const auto &[code, text] : profibus)
        EXPECT_EQ(ValueCodes::profibusSizeText(code), text) << int(code);
    EXPECT_EQ(ValueCodes::onOffText(7), "Enable");
    EXPECT_EQ(ValueCodes::commInterfaceText(1), "RS232");
    EXPECT_EQ(ValueCodes::debugInterfaceText(1), "RS485");
    EXPECT_EQ(ValueCodes::debugInterfaceText(0), "RS232");
}

TEST(SimValueCodes, ChineseTextsEncodeLikeTheirEnglishOnes)
{
    tqv::setLanguage(tqv::Language::Chinese);
    EXPECT_EQ(ValueCodes::parity("偶校验"), 2);
    EXPECT_EQ(ValueCodes::parity("Even parity"), 0);
    EXPECT_EQ(ValueCodes::protocol("用户配置"), 3);
    EXPECT_EQ(ValueCodes::onOffText(1), "启用");
    tqv::setLanguage(tqv::Language::English);
}

TEST(SimValueCodes, NumbersAreReadFromTheirLeadingDigits)
{
    const std::pair<const char *, std::uint32_t> decimals[] = {
        {"1000", 1000}, {"25", 25}, {"-1", 0}, {"", 0}, {"2Bytes", 2}, {"12 ms", 12}, {"4294967297", 1}};
    for (const auto &[text, value] : decimals)
        EXPECT_EQ(ValueCodes::decimal(text), value) << text;
    const std::pair<const char *, std::uint32_t> hexes[] = {
        {"4010", 0x4010}, {"400a", 0x400A}, {"400A", 0x400A}, {"0x10", 0x10}, {"", 0}, {"zz", 0}, {"1g", 1}};
    for (const auto &[text, value] : hexes)
        EXPECT_EQ(ValueCodes::hexadecimal(text), value) << text;
    EXPECT_EQ(ValueCodes::hexText(0x400A), "400a");
    EXPECT_EQ(ValueCodes::hexText(0), "0");
    EXPECT_EQ(ValueCodes::hexText(0x0014), "14");
}

// ---- the codec ---------------------------------------------------------------------------------

std::unique_ptr<tqv::ConfigStore> newStore(std::uint32_t type, std::array<bool, 7> flags)
{
    auto s = std::make_unique<tqv::ConfigStore>();
    s->setTypeAndFlags(type, flags);
    return s;
}

constexpr std::array<bool, 7> kFlag7 = {false, false, false, false, false, false, true};
constexpr std::array<bool, 7> kNoFlags = {};

TEST(SimMemoryCodec, EncodesTheWorkedExamples)
{
    auto s = newStore(3, kFlag7);
    tqv::CONFIG &c = s->subnets[0];
    c.responseTimeout = "1000";
    c.pollDelay = "25";
    c.masterBaud = "4800";
    c.commandStatus = "3Bytes";
    c.commandCount = 1;
    c.commands[0] = tqv::COMMAND{"5", "3", "256", "4", "4010", "0", "", "High byte", "", "Slow-scan", 1};
    s->fieldbus.profibusConfigMode = "Input configuration data";
    s->fieldbus.profibusConfigData = "0a 1b 2c ";

    const GatewayMemory m = MemoryCodec::encode(*s);
    const Bytes &f = m.subnetFields[0];
    ASSERT_EQ(f.size(), kExtendedSubnetFields);
    EXPECT_EQ(f[1], 0) << "4800 has no code";
    EXPECT_EQ(f[7], 0x03);
    EXPECT_EQ(f[8], 0xE8);
    EXPECT_EQ(f[9], 2) << "25 ms travels as 2";
    EXPECT_EQ(f[13], 3);
    const CommandRecord expected = {5, 3, 0x01, 0x00, 0x00, 0x04, 0x40, 0x10, 0, 1, 1};
    EXPECT_EQ(m.commands[0].count, 1);
    EXPECT_EQ(m.commands[0].records[0], expected);
    const std::array<std::uint8_t, 9> config = {3, 0x0A, 0x1B, 0x2C, 0, 0, 0, 0, 0};
    EXPECT_EQ(m.profibusConfig, config);
    EXPECT_TRUE(m.subnetFields[1].empty()) << "a one-subnet gateway has no second subnet";
}

TEST(SimMemoryCodec, ProfibusConfigurationTextIsReadInStepsOfThree)
{
    const std::pair<const char *, std::vector<std::uint8_t>> cases[] = {
        {"0a 1b 2c ", {3, 0x0A, 0x1B, 0x2C}},
        {"D1 E1", {2, 0xD1, 0xE1}},
        {"d1 e", {1, 0xD1}}, // the second digit of the last step is outside the text
        {"zz 10", {2, 0x00, 0x10}},
        {"01 02 03 04 05 06 07 08 09 ", {8, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"", {0}},
    };
    for (const auto &[text, bytes] : cases) {
        std::array<std::uint8_t, kProfibusConfigSize> expected{};
        std::copy(bytes.begin(), bytes.end(), expected.begin());
        EXPECT_EQ(MemoryCodec::profibusConfigBytes(text), expected) << text;
    }
}

TEST(SimMemoryCodec, LengthsInUseComeFromTheFirstSubnetsCommands)
{
    auto s = newStore(3, kFlag7);
    tqv::CONFIG &c = s->subnets[0];
    c.commandCount = 4;
    c.commands[0] = tqv::COMMAND{"1", "1", "0", "9", "10", "0", "", "", "", "", 1};  // 2 bytes from 0x10
    c.commands[1] = tqv::COMMAND{"1", "4", "0", "3", "0", "0", "", "", "", "", 1};   // 6 bytes from 0
    c.commands[2] = tqv::COMMAND{"1", "5", "0", "1", "4007", "0", "", "", "", "", 1}; // 1 byte
    c.commands[3] = tqv::COMMAND{"1", "16", "0", "2", "4001", "0", "", "", "", "", 1}; // 4 bytes
    const MemoryCodec::Lengths lengths = MemoryCodec::lengthsInUse(c);
    EXPECT_EQ(lengths.input, 0x12u);
    EXPECT_EQ(lengths.output, 8u);
    EXPECT_EQ(MemoryCodec::encode(*s).profibus, (Bytes{0x12, 0x08, 0x00}));

    c.protocol = "Modbus slave";
    EXPECT_EQ(MemoryCodec::lengthsInUse(c).input, 0u);
    s->modelFlag7 = false;
    s->fieldbus.inputSize = "48";
    s->fieldbus.outputSize = "16";
    c.inputLengthPrefix = "Enable";
    EXPECT_EQ(MemoryCodec::encode(*s).profibus, (Bytes{0x02, 0x01, 0x01}));
}

TEST(SimMemoryCodec, DecodesTheUploadExamples)
{
    auto s = newStore(1, kNoFlags);
    GatewayMemory m = MemoryCodec::encode(*s);
    m.commands[0].count = 4;
    const std::uint8_t slaves[] = {5, 7, 5, 9};
    for (int i = 0; i < 4; ++i)
        m.commands[0].records[static_cast<std::size_t>(i)] = {slaves[i], 3, 0, 0, 0, 1, 0x40, 0x0A, 0, 0, 0};
    m.timeoutValue = 0;
    m.profibus = {0x02, 0x07};
    MemoryCodec::decode(m, *s);
    const tqv::CONFIG &c = s->subnets[0];
    ASSERT_EQ(c.nodeCount, 3);
    EXPECT_EQ(c.nodes[0].name, "Node-5");
    EXPECT_EQ(c.nodes[1].name, "Node-7");
    EXPECT_EQ(c.nodes[2].address, "9");
    EXPECT_EQ(c.nodes[2].name, "Node-9");
    EXPECT_EQ(c.commands[2].nodeNumber, 1);
    EXPECT_EQ(c.commands[3].nodeNumber, 3);
    EXPECT_EQ(c.commands[0].mappingAddress, "400a");
    EXPECT_EQ(c.commands[0].dataFormat, "Non-exchange");
    EXPECT_EQ(c.timeoutAction, "Hold  Data");
    EXPECT_EQ(s->fieldbus.inputSize, "48");
    EXPECT_EQ(s->fieldbus.outputSize, "112");
    EXPECT_EQ(s->fieldbus.fieldbusType, "Profibus");
}

// Whatever a download of a configuration writes, its project and that project's download agree.
TEST(SimMemoryCodec, EncodeDecodeEncodeIsStableForEveryTypeAndFlag)
{
    for (std::uint32_t type = 0; type <= 6; ++type) {
        for (int flag = 0; flag <= 7; ++flag) {
            std::array<bool, 7> flags = kFlag7;
            if (flag > 0)
                flags[static_cast<std::size_t>(flag - 1)] = !flags[static_cast<std::size_t>(flag - 1)];
            auto s = newStore(type, flags);
            tqv::CONFIG &c = s->subnets[0];
            c.commandCount = 2;
            c.commands[0] = tqv::COMMAND{"3", "2", "17", "12", "1f", "3", "", s->newCommandDataFormat(), "",
                                         "Slow-scan", 1};
            c.commands[1] = tqv::COMMAND{"4", "6", "1", "1", "4003", "0", "", s->newCommandDataFormat(), "",
                                         "Quick-scan", 2};
            c.responseTimeout = "2500";
            c.timeoutAction = "Clear Data";
            c.timeoutCount = "7";
            c.charIntervalSend = "65535";
            c.commInterface = "RS232";
            const GatewayMemory first = MemoryCodec::encode(*s);
            auto decoded = newStore(type, flags);
            MemoryCodec::decode(first, *decoded);
            EXPECT_EQ(MemoryCodec::encode(*decoded), first) << "type " << type << " flag " << flag;
        }
    }
}

// ---- frames, responder, failures, command line --------------------------------------------------

TEST(SimFrameAssembler, CutsFramesByTheirLengthByte)
{
    FrameAssembler a;
    const Bytes two = {0x33, 0x00, 0x33, 0x04, 0x01, 0x00, 0x05, 0x16};
    for (std::uint8_t b : two) {
        EXPECT_FALSE(a.next()) << "a frame before its last byte";
        a.feed(std::span(&b, 1));
        if (a.partialSize() == 3 || a.partialSize() == 4)
            break;
    }
    ASSERT_EQ(a.next(), (Bytes{0x33, 0x00, 0x33}));
    a.feed(std::span(two).subspan(3));
    ASSERT_EQ(a.next(), (Bytes{0x04, 0x01, 0x00, 0x05}));
    EXPECT_FALSE(a.next());
    EXPECT_EQ(a.partialSize(), 1u);
    Bytes longest(258, 0xEE);
    longest[0] = 0x16;
    longest[1] = 0xFF;
    a.discardPartial();
    a.feed(std::span(longest).first(257));
    EXPECT_FALSE(a.next());
    a.feed(std::span(longest).subspan(257));
    EXPECT_EQ(a.next(), longest);
    EXPECT_FALSE(a.hasPartial());
}

TEST(SimResponder, AcknowledgesWritesWithTheirThreeBytes)
{
    auto s = newStore(3, kFlag7);
    GatewayResponder r(GatewayModel(3), 5, 0, MemoryCodec::encode(*s));
    const std::pair<Bytes, Bytes> cases[] = {
        {{0x32, 0x01, 0x05, 0x38}, {0x32, 0x00, 0x32}},
        {{0x05, 0x04, 0x00, 0x00, 0x00, 0x00, 0x09}, {0x05, 0x00, 0x05}},
        {{0x14, 0x03, 0x00, 0x55, 0xAA, 0x16}, {0x14, 0x00, 0x14}},
    };
    for (const auto &[request, reply] : cases) {
        const GatewayResponder::Outcome outcome = r.handle(request);
        EXPECT_EQ(outcome.reply, reply);
        EXPECT_TRUE(outcome.stored);
    }
    EXPECT_FALSE(r.handle(Bytes{0x33, 0x00, 0x33}).stored);
    EXPECT_EQ(r.memory().timeoutValue, 5);
}

TEST(SimFailurePlan, ParsesModesAndPicksTheOnesForACode)
{
    FailurePlan plan;
    for (const char *mode : {"timeout:22", "sum:all", "split:0x10", "error:10:3", "slow:all:50", "slow:1:200",
                             "error:all:0x09"})
        EXPECT_EQ(plan.add(mode), std::nullopt) << mode;
    const struct {
        std::uint8_t code;
        FailureEffects effects;
    } cases[] = {
        {0x22, {true, 9, true, false, 50}},
        {0x10, {false, 3, true, true, 50}},
        {0x01, {false, 9, true, false, 200}},
        {0x16, {false, 9, true, false, 50}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(plan.effectsFor(c.code), c.effects) << int(c.code);
    EXPECT_EQ(FailurePlan().effectsFor(0x01), FailureEffects{});
}

TEST(SimFailurePlan, RefusesWhatIsNotAMode)
{
    for (const char *mode : {"", "timeout", "timeout:", "timeout:100", "timeout:xyz", "timeout:10:5", "sum:0x",
                             "error:10", "error:10:", "error:10:256", "error:10:-1", "slow:10", "slow:10:1.5",
                             "slow:10:600001", "drop:10", "TIMEOUT:10"}) {
        FailurePlan plan;
        EXPECT_NE(plan.add(mode), std::nullopt) << mode;
        EXPECT_TRUE(plan.modes().empty()) << mode;
    }
}

TEST(SimCommandLine, ReadsEveryOption)
{
    const std::vector<std::string_view> args = {"--pty", "/tmp/l", "--gateway-type", "2", "--firmware=4.1",
                                                "--state", "a.TQV", "--save", "b.json", "--fail", "sum:01",
                                                "--fail=timeout:all", "--line-speed", "9600", "--lang", "zh"};
    const SimCommandLine::Parsed p = SimCommandLine::parse(args);
    ASSERT_TRUE(p.options) << p.error;
    const SimOptions &o = *p.options;
    EXPECT_EQ(o.link, "/tmp/l");
    EXPECT_EQ(o.gatewayType, 2u);
    EXPECT_EQ(o.firmwareMajor, 4);
    EXPECT_EQ(o.firmwareMinor, 1);
    EXPECT_EQ(o.stateFile, "a.TQV");
    EXPECT_EQ(o.saveFile, "b.json");
    EXPECT_EQ(o.failures.modes().size(), 2u);
    EXPECT_EQ(o.lineSpeed, 9600u);
    EXPECT_EQ(o.language, tqv::Language::Chinese);

    const std::vector<std::string_view> defaults = {"--pty", "x"};
    const SimCommandLine::Parsed d = SimCommandLine::parse(defaults);
    ASSERT_TRUE(d.options);
    EXPECT_EQ(d.options->gatewayType, std::nullopt);
    EXPECT_EQ(d.options->firmwareMajor, 5);
    EXPECT_EQ(d.options->firmwareMinor, 0);
    EXPECT_EQ(d.options->lineSpeed, 0u);
}

} // namespace

} // namespace tqvsim
