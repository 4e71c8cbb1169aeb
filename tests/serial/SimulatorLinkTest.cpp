// The program's side of the serial link (QtSerialLink, FrameBuilder, Exchange, the judges and
// decoders) against tqv580-gateway-sim over a pty, where the real line matters: a full block of
// twenty records paced at the line's speed, a missing and a split reply. Whole configurations go
// both ways in TransferRoundTripTest; how each reply failure is judged is pinned with a scripted
// link and a fake clock in ExchangeTest. Time is bounded only from above, and generously.
#include "io/QtSerialLink.h"
#include "support/StoreHelpers.h"
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
        store.setTypeAndFlags(type, testing::flagsOf(flags));
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

TEST_F(SimulatorLinkTest, AReplyBegunInsideTheLimitIsReadToItsEnd)
{
    // Begun 200 ms after the request and paced at 1200 baud, the reply ends well after 300 ms.
    SimSession session({QStringLiteral("--fail"), QStringLiteral("slow:all:200"), QStringLiteral("--line-speed"),
                        QStringLiteral("1200")});
    ASSERT_TRUE(session.open());
    Exchange up = session.exchange(Judge::Upload, store);
    const ExchangeResult r = up.run(buildReadSubnet(0));
    EXPECT_TRUE(r.accepted()) << r.reply.size() << " bytes";
    EXPECT_GT(r.elapsed, kReplyTimeLimit);
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
