// A configuration downloaded to the gateway simulator and uploaded again must come back with
// everything the frames carry. The simulator reads and writes the wire with its own code, so the
// round trip checks the program's frames against an independent reading. "Everything the frames
// carry" is measured by the frames themselves: downloading the uploaded configuration must write
// the same bytes, frame for frame, as downloading the original did.
#include "compare/ConfigDiff.h"
#include "gateway/SerialGatewaySession.h"
#include "io/QtSerialLink.h"
#include "link/TransferObserver.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"
#include "serial/Exchange.h"
#include "serial/FrameBuilder.h"
#include "serial/ValueCodes.h"
#include "support/GatewaySimProcess.h"
#include "support/RecordingPrompter.h"
#include "support/ScriptedGateway.h"
#include "support/StoreHelpers.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tqv {
namespace {

// Passes everything through and keeps a copy of every frame written.
class RecordingLink : public ByteLink {
public:
    explicit RecordingLink(ByteLink &inner) : m_inner(inner) {}
    bool write(std::string_view bytes) override
    {
        frames.emplace_back(bytes);
        return m_inner.write(bytes);
    }
    std::size_t bytesAvailable() override { return m_inner.bytesAvailable(); }
    std::string readAll() override { return m_inner.readAll(); }
    bool waitForBytes(Millis timeout) override { return m_inner.waitForBytes(timeout); }
    void discardInput() override { m_inner.discardInput(); }
    std::vector<std::string> frames;

private:
    ByteLink &m_inner;
};

struct RoundTripCase {
    const char *name;
    std::uint32_t type;
    std::vector<int> flags;
    const char *firmware;
    const char *reportedType; // nullptr: the type + 1
};

// Named in test listings by its model, not by its bytes.
void PrintTo(const RoundTripCase &c, std::ostream *os) { *os << c.name; }

class TransferRoundTrip : public ::testing::TestWithParam<RoundTripCase> {
protected:
    void SetUp() override { setLanguage(Language::English); }

    static ConfigStore blank(const RoundTripCase &c)
    {
        ConfigStore store;
        store.newConfiguration();
        store.setTypeAndFlags(c.type, testing::flagsOf(c.flags));
        return store;
    }

    // Three nodes (seven on the first subnet: 21 commands, past a block of twenty) with a register
    // read, a register write and a coil read each, on every Modbus-master subnet; parameters away
    // from their defaults; the commands mapped one after another across all subnets, as the
    // gateway's shared buffers need.
    static ConfigStore rich(const RoundTripCase &c)
    {
        ConfigStore store = blank(c);
        int input = 2;       // after the command-status bytes of modelFlag7
        int output = 0x4000;
        store.fieldbus.deviceNetAddress = "17";
        store.fieldbus.deviceNetBaud = "500K";
        store.fieldbus.inputSize = store.gatewayType == 0 ? "64" : "112";
        store.fieldbus.outputSize = store.gatewayType == 0 ? "32" : "112";
        if (store.modelFlag1) {
            store.fieldbus.profibusConfigMode = text(StrId::ProfibusInputConfigData);
            store.fieldbus.profibusConfigData = "d1 e1 13 ";
        }
        for (int k = 0; k < subnetCountOf(store.gatewayType); ++k) {
            CONFIG &s = store.subnet(k);
            if (k == 1 && isFourSubnetType(store.gatewayType)) {
                s.protocol = "Modbus slave";
                s.slaveBaud = "38400";
                s.slaveParity = "Odd parity";
                s.ownAddress = "42";
                s.slaveMode = "ASCII";
                continue;
            }
            s.masterBaud = "9600";
            s.masterParity = "Even parity";
            s.masterStopBits = "2";
            s.responseTimeout = "1000";
            s.pollDelay = "250";
            s.scanRatio = "4";
            for (int n = 0; n < (k == 0 ? 7 : 3); ++n) {
                const Result<int> node = store.addNode(k);
                if (!node)
                    break;
                const std::string address = std::to_string(5 + 2 * n + k);
                store.node(k, node.value()).address = address;
                store.node(k, node.value()).name = "Node-" + address;
                for (const char *function : {"3", "16", "1"}) {
                    const Result<int> added = store.addCommand(k, node.value(), function);
                    if (!added)
                        break;
                    COMMAND &cmd = store.command(k, added.value());
                    cmd.slaveAddress = address;
                    cmd.startAddress = std::to_string(100 * n + 7);
                    cmd.quantity = std::string(function) == "1" ? "5" : "2";
                    cmd.scanType = n == 2 ? "Slow-scan" : "Quick-scan";
                    const bool coils = std::string(function) == "1";
                    const bool write = std::string(function) == "16";
                    int &cursor = write ? output : input;
                    cmd.mappingAddress = hexText(static_cast<std::uint32_t>(cursor));
                    cmd.mappingBit = "0";
                    cursor += coils ? 1 : 4;
                }
            }
        }
        if (store.modelFlag7) {
            CONFIG &first = store.subnet(0);
            first.commandStatus = "2Bytes";
            first.timeoutAction = "Clear Data";
            first.timeoutCount = "9";
            first.charIntervalSend = "30";
            first.charIntervalReceive = "12";
        }
        if (store.modelFlag4)
            store.subnet(0).doubleFaultReset = "Enable";
        return store;
    }
};

TEST_P(TransferRoundTrip, WhatIsDownloadedIsUploadedAgain)
{
    const RoundTripCase &c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The gateway starts with a new configuration of the same model, so the frames it reads
    // (the subnet form, the PROFIBUS parameter length) are this model's.
    ConfigStore start = blank(c);
    const std::string state = dir.filePath(QStringLiteral("start.tqv")).toStdString();
    ASSERT_TRUE(ProjectDocument::save(state, start, codePageFor(Language::English)).ok());

    // Replies paced at the line's speed, as a real gateway sends them.
    QStringList args{QStringLiteral("--state"), QString::fromStdString(state), QStringLiteral("--firmware"),
                     QString::fromLatin1(c.firmware), QStringLiteral("--line-speed"), QStringLiteral("115200")};
    if (c.reportedType)
        args << QStringLiteral("--reported-type") << QString::fromLatin1(c.reportedType);
    GatewaySimProcess sim(args);
    QString error;
    ASSERT_TRUE(sim.start(error)) << error.toStdString();
    QtSerialLink port;
    ASSERT_TRUE(port.open(sim.link().toStdString(), PortParameters{}).ok());
    SteadyClock clock;
    RecordingObserver observer;

    const ConfigStore original = rich(c);
    RecordingPrompter prompter;
    RecordingLink first(port);
    SerialGatewaySession writing(first, {}, "", clock, prompter, observer);
    const GatewayWrite down = writing.write(original, false);
    ASSERT_TRUE(down.complete()) << down.message;
    EXPECT_EQ(observer.status, text(StrId::DownloadFinished));
    ASSERT_FALSE(observer.progress.empty());
    EXPECT_EQ(observer.progress.back().first, observer.progress.back().second);

    SerialGatewaySession reading(port, {}, "", clock, prompter, observer);
    const GatewayRead up = reading.read(blank(c));
    ASSERT_TRUE(up.complete()) << up.message;
    EXPECT_EQ(observer.status, text(StrId::UploadFinished));
    EXPECT_TRUE(prompter.messages.empty()) << ::testing::PrintToString(prompter.messages);
    const ConfigStore &back = up.configuration;
    EXPECT_EQ(back.gatewayType, original.gatewayType);
    EXPECT_FALSE(back.configModified);
    // Nodes come back from the commands' slave addresses, named after them.
    if (!original.modelFlag4) {
        ASSERT_EQ(back.subnet(0).nodeCount, original.subnet(0).nodeCount);
        for (int n = 1; n <= back.subnet(0).nodeCount; ++n)
            EXPECT_EQ(back.node(0, n).name, "Node-" + original.node(0, n).address);
    }
    // The byte counts come back derived from the quantities: 5 coils, 2 registers.
    for (int i = 1; i <= back.subnet(0).commandCount; ++i)
        EXPECT_EQ(back.command(0, i).byteCount, back.command(0, i).functionCode == "1" ? "1" : "4") << i;

    // What the transfer carries is the same on both sides, even for a project whose node has a
    // name the gateway never holds; the verification of the gateway says so too.
    ConfigStore renamed = original;
    renamed.node(0, 1).name = "Boiler feed";
    const auto carried = compareConfigurations(renamed, back, Carried::Serial, up.firmware);
    EXPECT_TRUE(carried.empty()) << (carried.empty() ? "" : carried.front().path + ": " +
                                                               carried.front().projectText + " / " +
                                                               carried.front().otherText);
    EXPECT_EQ(reading.verify(renamed).verdict, Verification::Verdict::Equal);
    EXPECT_FALSE(compareConfigurations(renamed, back, Carried::Everything).empty());

    // The modelFlag4 gateway is asked for no subnet: its commands do not come back.
    if (original.modelFlag4) {
        CONFIG defaults = blank(c).subnet(0);
        defaults.doubleFaultReset = original.subnet(0).doubleFaultReset;
        EXPECT_EQ(back.subnet(0), defaults);
        return;
    }
    RecordingLink second(port);
    ASSERT_TRUE(SerialGatewaySession(second, {}, "", clock, prompter, observer).write(back, false).complete());
    ASSERT_EQ(second.frames.size(), first.frames.size());
    for (std::size_t i = 0; i < first.frames.size(); ++i)
        EXPECT_EQ(second.frames[i], first.frames[i]) << "frame " << i;
}

const RoundTripCase kCases[] = {
    {"DeviceNet", 0, {}, "5.0", nullptr},
    {"Profibus", 1, {}, "5.0", nullptr},
    {"FourSubnets", 2, {}, "5.0", nullptr},
    {"ProfibusModbus", 3, {}, "5.0", nullptr},
    {"ModelFlag7Firmware50", 3, {7}, "5.0", nullptr},
    {"ModelFlag4", 1, {4}, "5.0", "5"},
    {"ModelFlag1Firmware30", 1, {1}, "3.0", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Models, TransferRoundTrip, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

// The time limit runs to the reply's first byte: a reply begun 200 ms after the request and paced
// at 1200 baud ends well after 300 ms and is still read whole.
TEST(SerialReplyLimit, AReplyBegunInsideTheLimitIsReadToItsEnd)
{
    setLanguage(Language::English);
    ConfigStore store;
    store.newConfiguration();
    GatewaySimProcess sim({QStringLiteral("--fail"), QStringLiteral("slow:all:200"), QStringLiteral("--line-speed"),
                           QStringLiteral("1200")});
    QString error;
    ASSERT_TRUE(sim.start(error)) << error.toStdString();
    QtSerialLink link;
    ASSERT_TRUE(link.open(sim.link().toStdString(), PortParameters{}));
    SteadyClock clock;
    Exchange up(link, clock, Judge::Upload, ReplyContext::of(store));
    const ExchangeResult r = up.run(buildReadSubnet(0));
    EXPECT_TRUE(r.accepted()) << r.reply.size() << " bytes";
    EXPECT_GT(r.elapsed, kReplyTimeLimit);
}

} // namespace
} // namespace tqv

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
