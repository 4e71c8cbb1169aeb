// The simulator's pieces in-process: its codec against the configuration protocol's worked
// examples, and the failure modes it refuses. Its ordinary values travel through --state and
// --save in the program's transfer tests.
#include "FailurePlan.h"
#include "MemoryCodec.h"

#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <memory>

namespace tqvsim {

namespace {

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

// ---- failure plan --------------------------------------------------------------------------------

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

} // namespace

} // namespace tqvsim
