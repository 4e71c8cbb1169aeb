// The program's side of the serial link (QtSerialLink, FrameBuilder, Exchange, the judges and
// decoders) against tqv580-gateway-sim over a pty: the simulator reads the frames with its own
// code, so a configuration written and read back unchanged shows that both agree on the wire;
// a missing and a split reply on the real line. How each reply failure is judged is pinned with
// a scripted link and a fake clock in ExchangeTest. Time is bounded only from above, and generously.
#include "io/QtSerialLink.h"
#include "resources/Strings.h"
#include "serial/Exchange.h"
#include "serial/FrameBuilder.h"
#include "serial/ReplyDecoder.h"
#include "serial/ValueCodes.h"
#include "support/GatewaySimProcess.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace tqv {
namespace {

using namespace std::chrono_literals;

constexpr Millis kGenerous{2000};

// A simulator and the program's open port on it.
class SimSession {
public:
    explicit SimSession(QStringList arguments) : m_sim(std::move(arguments)) {}

    ::testing::AssertionResult open()
    {
        QString error;
        if (!m_sim.start(error))
            return ::testing::AssertionFailure() << "simulator: " << error.toStdString();
        const Status opened = m_link.open(m_sim.link().toStdString(), PortParameters{});
        if (!opened)
            return ::testing::AssertionFailure() << opened.message();
        return ::testing::AssertionSuccess();
    }
    Exchange exchange(Judge judge, const ConfigStore &store)
    {
        return Exchange(m_link, m_clock, judge, ReplyContext::of(store));
    }

private:
    GatewaySimProcess m_sim;
    QtSerialLink m_link;
    SteadyClock m_clock;
};

QStringList failing(const char *mode) { return {QStringLiteral("--fail"), QString::fromLatin1(mode)}; }

class SimulatorLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        store.newConfiguration();
    }
    void typeAndFlags(std::uint32_t type, std::initializer_list<int> flags)
    {
        std::array<bool, 7> f{};
        for (int n : flags)
            f[static_cast<std::size_t>(n - 1)] = true;
        store.setTypeAndFlags(type, f);
    }
    // `count` commands on a subnet, each of its own mapping, slave addresses 1, 2, 3, 1, ...
    void addCommands(int subnet, int count)
    {
        CONFIG &c = store.subnet(subnet);
        c.commandCount = count;
        for (int i = 0; i < count; ++i) {
            COMMAND &m = store.command(subnet, i + 1);
            const bool write = i % 4 == 3;
            m = COMMAND{std::to_string(i % 3 + 1), write ? "16" : "3", std::to_string(100 * i), std::to_string(i % 5 + 1),
                        hexText((write ? 0x4000u : 0u) + 10u * static_cast<unsigned>(i)), "", "",
                        store.newCommandDataFormat(), "", i % 2 ? "Slow-scan" : "Quick-scan", i % 3 + 1};
        }
    }
    // The generous upper bound of an exchange's duration.
    static void expectQuick(const ExchangeResult &r) { EXPECT_LT(r.elapsed, kGenerous); }

    ConfigStore store;
};

TEST_F(SimulatorLinkTest, GatewayTypeAndFirmwareOfEveryType)
{
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
        SimSession session({QStringLiteral("--gateway-type"), QString::number(type), QStringLiteral("--firmware"),
                            QStringLiteral("4.2")});
        ASSERT_TRUE(session.open()) << type;
        typeAndFlags(type, isEthernetType(type) ? std::initializer_list<int>{4} : std::initializer_list<int>{});
        Exchange ex = session.exchange(Judge::Upload, store);
        const ExchangeResult r = ex.run(buildReadGatewayType());
        ASSERT_TRUE(r.accepted()) << type;
        const GatewayIdentity id = gatewayIdentity(*decodeGatewayTypeReply(r.reply));
        EXPECT_EQ(id.reportedType, static_cast<std::uint8_t>(type + 1)); // the type the gateway reports is one higher
        EXPECT_EQ(id.firmwareVersion, 42);
        expectQuick(r);
    }
}

TEST_F(SimulatorLinkTest, WhatIsDownloadedIsUploadedUnchanged)
{
    SimSession session({});
    ASSERT_TRUE(session.open());
    // A new document (type 3, modelFlag7): a Modbus-master subnet with 13 commands.
    CONFIG &c = store.subnet(0);
    c.masterBaud = "9600";
    c.masterParity = "Even parity";
    c.responseTimeout = "1000";
    c.pollDelay = "25";
    c.commandStatus = "2Bytes";
    c.timeoutAction = "Clear Data";
    c.timeoutCount = "7";
    c.charIntervalSend = "1000";
    c.charIntervalReceive = "25";
    c.inputLengthPrefix = "Enable";
    store.fieldbus.profibusConfigMode = "Input configuration data";
    store.fieldbus.profibusConfigData = "d1 e1 ";
    addCommands(0, 13);

    const ConfigFrames frames = buildConfigFrames(store);
    Exchange down = session.exchange(Judge::Download, store);
    ASSERT_TRUE(down.run(frames.readGatewayType).accepted());
    const ExchangeResult fieldbus = down.run(frames.writeProfibus);
    ASSERT_TRUE(fieldbus.accepted()) << static_cast<int>(fieldbus.status);
    const Frame subnetFrame = buildWriteSubnet(store, 0);
    ASSERT_TRUE(down.run(subnetFrame).accepted());
    ASSERT_TRUE(down.run(buildClearCommands(0)).accepted());
    std::vector<Frame> commandFrames;
    for (int i = 0; i < 13; ++i) {
        commandFrames.push_back(buildWriteCommand(store, 0, i));
        const ExchangeResult r = down.run(commandFrames.back());
        ASSERT_TRUE(r.accepted()) << "command " << i;
        expectQuick(r);
    }
    const Frame timeoutFrame = buildWriteTimeoutAction(store);
    ASSERT_TRUE(down.run(timeoutFrame).accepted());
    ASSERT_TRUE(down.run(buildWriteProfibusConfigData(store)).accepted());
    ASSERT_TRUE(down.sendAndCompare(buildWriteCharIntervals(store)).accepted());

    Exchange up = session.exchange(Judge::Upload, store);
    UploadStore uploaded;
    for (const Frame &request : {buildReadGatewayType(), buildReadProfibus(), buildReadSubnet(0), buildReadCommandCount(0)}) {
        const ExchangeResult r = up.run(request);
        ASSERT_TRUE(r.accepted()) << int(request[0]);
        ASSERT_TRUE(storeUploadReply(r.reply, up.context(), uploaded));
    }
    EXPECT_EQ(uploaded.firmwareVersion(), 50);
    EXPECT_EQ(uploaded.reportedType(), 4);
    // Lengths in use: reads end at 0x78 + 6 = 0x7E, writes at 0x406E + 4 - 0x4000 = 0x72; the
    // prefix is on. The gateway gives back what the 0x30 frame carried.
    ASSERT_EQ(frames.writeProfibus, (Frame{0x30, 0x03, 0x7E, 0x72, 0x01, static_cast<char>(0x30 + 3 + 0x7E + 0x72 + 1)}));
    EXPECT_EQ(uploaded.profibusParameters,
              (std::array<std::uint8_t, 3>{std::uint8_t(frames.writeProfibus[2]), std::uint8_t(frames.writeProfibus[3]),
                                           std::uint8_t(frames.writeProfibus[4])}));
    EXPECT_EQ(std::string(uploaded.subnetParameters[0].begin(), uploaded.subnetParameters[0].end()),
              subnetFrame.substr(3, kSubnetParameterSize));
    ASSERT_EQ(uploaded.commandCounts[0], 13);
    // 13 commands at 6 per block: blocks 0, 1 and 2.
    for (int block = 0; block < 3; ++block) {
        const ExchangeResult r = up.run(buildReadCommandBlock(0, block));
        ASSERT_TRUE(r.accepted()) << block;
        ASSERT_TRUE(storeUploadReply(r.reply, up.context(), uploaded));
        EXPECT_EQ(decodeCommandBlockReply(r.reply)->records.size(), block < 2 ? 6u : 1u);
    }
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(std::string(uploaded.commandRecords[0][i].begin(), uploaded.commandRecords[0][i].end()),
                  commandFrames[static_cast<std::size_t>(i)].substr(4, kCommandRecordSize))
            << "command " << i;

    const ExchangeResult timeoutAction = up.run(buildReadTimeoutAction());
    ASSERT_TRUE(timeoutAction.accepted());
    EXPECT_EQ(decodeTimeoutActionReply(timeoutAction.reply), std::uint8_t(timeoutFrame[2]));
    const ExchangeResult configData = up.run(buildReadProfibusConfigData());
    ASSERT_TRUE(configData.accepted());
    EXPECT_EQ(profibusConfigText(*decodeProfibusConfigDataReply(configData.reply)), "d1 e1 ");
    const ExchangeResult intervals = up.readFixedLength(buildReadCharIntervals(), kCharIntervalsFrameSize);
    ASSERT_TRUE(intervals.accepted());
    EXPECT_EQ(decodeCharIntervalsReply(intervals.reply), (CharIntervals{1000, 25}));
}

TEST_F(SimulatorLinkTest, FourSubnetsAndBlocksOfTwenty)
{
    typeAndFlags(2, {});
    SimSession session({QStringLiteral("--gateway-type"), QStringLiteral("2"), QStringLiteral("--line-speed"),
                        QStringLiteral("115200")});
    ASSERT_TRUE(session.open());
    store.subnet(1).protocol = "Modbus slave";
    store.subnet(1).ownAddress = "17";
    addCommands(2, 25);
    Exchange down = session.exchange(Judge::Download, store);
    for (int k = 0; k < 4; ++k)
        ASSERT_TRUE(down.run(buildWriteSubnet(store, k)).accepted()) << k;
    ASSERT_TRUE(down.run(buildClearCommands(2)).accepted());
    for (int i = 0; i < 25; ++i)
        ASSERT_TRUE(down.run(buildWriteCommand(store, 2, i)).accepted()) << i;

    Exchange up = session.exchange(Judge::Upload, store);
    UploadStore uploaded;
    for (int k = 0; k < 4; ++k) {
        const ExchangeResult r = up.run(buildReadSubnet(k));
        ASSERT_TRUE(r.accepted()) << k;
        ASSERT_TRUE(storeUploadReply(r.reply, up.context(), uploaded));
    }
    EXPECT_EQ(uploaded.subnetParameters[1][SubnetByte::Protocol], ProtocolCode::ModbusSlave);
    EXPECT_EQ(uploaded.subnetParameters[1][SubnetByte::OwnAddress], 17);
    const ExchangeResult count = up.run(buildReadCommandCount(2));
    ASSERT_TRUE(storeUploadReply(count.reply, up.context(), uploaded));
    EXPECT_EQ(uploaded.commandCounts[2], 25);
    // 25 commands at 20 per block: the first block is 244 bytes, paced at 115200 baud.
    const ExchangeResult first = up.run(buildReadCommandBlock(2, 0));
    ASSERT_TRUE(first.accepted());
    EXPECT_EQ(first.reply.size(), 244u);
    EXPECT_EQ(decodeCommandBlockReply(first.reply)->records.size(), 20u);
    const ExchangeResult second = up.run(buildReadCommandBlock(2, 1));
    ASSERT_TRUE(second.accepted());
    EXPECT_EQ(decodeCommandBlockReply(second.reply)->records.size(), 5u);
    ASSERT_TRUE(storeUploadReply(second.reply, up.context(), uploaded));
    EXPECT_EQ(std::string(uploaded.commandRecords[2][24].begin(), uploaded.commandRecords[2][24].end()),
              buildWriteCommand(store, 2, 24).substr(4, kCommandRecordSize));
}

TEST_F(SimulatorLinkTest, DeviceNetParametersBothWays)
{
    typeAndFlags(0, {});
    SimSession session({QStringLiteral("--gateway-type"), QStringLiteral("0")});
    ASSERT_TRUE(session.open());
    store.fieldbus.deviceNetAddress = "12";
    store.fieldbus.deviceNetBaud = "500K";
    store.fieldbus.inputSize = "160";
    store.fieldbus.outputSize = "112";
    const Frame written = buildWriteDeviceNet(store);
    ASSERT_TRUE(session.exchange(Judge::Download, store).run(written).accepted());
    const ExchangeResult r = session.exchange(Judge::Upload, store).run(buildReadDeviceNet());
    ASSERT_TRUE(r.accepted());
    EXPECT_EQ(decodeDeviceNetReply(r.reply), (std::array<std::uint8_t, 4>{12, 2, 6, 5}));
}

TEST_F(SimulatorLinkTest, NoReplyIsATimeoutAndTheNextRequestIsAnswered)
{
    SimSession session(failing("timeout:14"));
    ASSERT_TRUE(session.open());
    Exchange ex = session.exchange(Judge::Download, store);
    const ExchangeResult r = ex.run(buildClearCommands(0));
    EXPECT_EQ(r.status, ExchangeStatus::Timeout);
    EXPECT_TRUE(r.noReply());
    expectQuick(r);
    EXPECT_TRUE(ex.run(buildReadGatewayType()).accepted());
}

TEST_F(SimulatorLinkTest, SplitRepliesAreReadWhole)
{
    SimSession session(failing("split:all"));
    ASSERT_TRUE(session.open());
    addCommands(0, 1);
    Exchange down = session.exchange(Judge::Download, store);
    ASSERT_TRUE(down.run(buildWriteSubnet(store, 0)).accepted());
    ASSERT_TRUE(down.run(buildClearCommands(0)).accepted());
    const ExchangeResult ack = down.run(buildWriteCommand(store, 0, 0));
    EXPECT_TRUE(ack.accepted());
    EXPECT_EQ(ack.reply, buildWriteCommand(store, 0, 0).substr(0, 1) + std::string(1, '\0') +
                             buildWriteCommand(store, 0, 0).substr(0, 1));
    expectQuick(ack);
    Exchange up = session.exchange(Judge::Upload, store);
    EXPECT_TRUE(up.run(buildReadSubnet(0)).accepted());
    EXPECT_TRUE(up.run(buildReadCommandBlock(0, 0)).accepted());
    EXPECT_TRUE(up.run(buildReadTimeoutAction()).accepted());
    EXPECT_TRUE(up.readFixedLength(buildReadCharIntervals(), kCharIntervalsFrameSize).accepted());
}

} // namespace
} // namespace tqv

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
