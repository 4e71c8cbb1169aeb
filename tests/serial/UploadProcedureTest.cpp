// The serial upload against a scripted gateway: the requests in their order (blocks of 6 and of
// 20, subnets skipped), every step's failure with its message, the type check, the extras by
// model flag and firmware, the dialog lines and progress, and the replies applied to a
// configuration for each fieldbus and protocol group. Replies are laid out here byte by byte.
#include "serial/DownloadProcedure.h"
#include "serial/UploadProcedure.h"
#include "support/ScriptedGateway.h"
#include "support/RecordingPrompter.h"
#include "support/StoreHelpers.h"

#include <gtest/gtest.h>

#include <map>

namespace tqv {
namespace {

using namespace std::chrono_literals;

std::string withBadSum(std::string f)
{
    f.back() = static_cast<char>(f.back() + 1);
    return f;
}

std::string countReply(int subnet, int count) { return frame(0x15, {subnet, count >> 8, count & 0xFF}); }

// A 0x16 record: index, slave, function, start, quantity, mapping address, bit, scan, format.
std::vector<int> rec(int index, int slave, int fc = 3, int start = 0, int qty = 1, int map = 0, int bit = 0,
                     int scan = 0, int format = 0)
{
    return {index, slave, fc, start >> 8, start & 0xFF, qty >> 8, qty & 0xFF, map >> 8, map & 0xFF, bit, scan, format};
}

std::string blockReply(int subnet, int first, int count)
{
    std::vector<int> data{subnet};
    for (int i = first; i < first + count; ++i)
        for (int b : rec(i, 1 + i % 3))
            data.push_back(b);
    return frame(0x16, data);
}

// Subnet parameters as a 0x03 frame carries them from offset 3 (22 bytes; a short reply sends 13).
using Fields = std::vector<int>;
// Modbus master, 19200 8N1 RTU, 300 ms, change of value, scan ratio 10.
const Fields kMaster{0, 5, 0, 0, 0, 0, 0, 0x01, 0x2C, 0, 3, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Fields kSlave{1, 5, 0, 0, 0, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

std::string subnetReply(int subnet, Fields f, bool extended)
{
    f.resize(extended ? 22 : 13);
    f.insert(f.begin(), subnet);
    return frame(0x04, f);
}

ConfigStore configOf(std::uint32_t type, const std::vector<int> &flags)
{
    ConfigStore store;
    store.setTypeAndFlags(type, testing::flagsOf(flags));
    return store;
}

// One scripted reply; empty bytes: none at all.
struct Reply {
    Reply(std::string b, Millis a = 5ms) : bytes(std::move(b)), after(a) {}
    std::string bytes;
    Millis after;
};

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override { link.acknowledges = false; }
    UploadResult upload(const ConfigStore &current, const std::vector<Reply> &replies)
    {
        for (const Reply &r : replies)
            r.bytes.empty() ? link.noReply() : link.reply(r.bytes, r.after);
        UploadProcedure procedure(link, clock, prompter, observer);
        procedure.setCancelFlag(&cancel);
        return procedure.run(current);
    }
    std::vector<int> codes() const { return link.codes(); }

    FakeClock clock;
    ScriptedGateway link{clock};
    RecordingPrompter prompter;
    RecordingObserver observer;
    std::atomic<bool> cancel{false};
};

// Type 3 (reports 4) with modelFlag6 and modelFlag7, firmware 5.0: every step of a one-subnet upload.
std::vector<Reply> typeThreeReplies()
{
    return {identity(4, 5, 0),     frame(0x31, {3, 3, 1}), subnetReply(0, kMaster, true),
            countReply(0, 7),       blockReply(0, 0, 6),    blockReply(0, 6, 1),
            frame(0x33, {5}),       frame(0x35, {2, 0xD1, 0xE1, 0, 0, 0, 0, 0, 0}),
            frame(0x06, {0x01, 0x2C, 0x00, 0x0A})};
}

// Type 2 (reports 3), firmware 1.0: subnet 1 with 21 commands, 2 a slave, 3 without commands, 4 with 2.
std::vector<Reply> fourSubnetReplies()
{
    return {identity(3, 1, 0),
            subnetReply(0, kMaster, false), countReply(0, 21), {blockReply(0, 0, 20), 900ms}, blockReply(0, 20, 1),
            subnetReply(1, kSlave, false),
            subnetReply(2, kMaster, false), countReply(2, 0),
            subnetReply(3, kMaster, false), countReply(3, 2), blockReply(3, 0, 2)};
}

TEST_F(UploadTest, OneSubnetReadsEveryStepAndBuildsTheConfigurationAside)
{
    ConfigStore current = configOf(3, {6, 7});
    current.configModified = true;
    current.subnet(0).masterBaud = "600"; // replaced: the upload starts from the defaults
    const UploadResult r = upload(current, typeThreeReplies());
    ASSERT_EQ(r.outcome, UploadOutcome::Uploaded);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(codes(), (std::vector<int>{0x01, 0x31, 0x04, 0x15, 0x16, 0x16, 0x33, 0x35, 0x06}));
    EXPECT_EQ(link.written[5], bytes({0x16, 0x02, 0x00, 0x01, 0x19}));

    const ConfigStore &c = r.configuration;
    EXPECT_TRUE(c.modelFlag6 && c.modelFlag7 && !c.configModified);
    EXPECT_EQ(c.subnet(0).commandCount, 7);
    EXPECT_EQ(c.subnet(0).nodeCount, 3);
    const CONFIG &one = c.subnet(0);
    EXPECT_EQ((std::vector<std::string>{one.masterBaud, c.fieldbus.inputSize, one.inputLengthPrefix, one.timeoutAction,
                                        one.timeoutCount, c.fieldbus.profibusConfigMode, c.fieldbus.profibusConfigData,
                                        one.charIntervalSend, one.charIntervalReceive}),
              (std::vector<std::string>{"19200", "112", "Enable", "Clear Data", "5", "Input configuration data",
                                        "d1 e1 ", "300", "10"}));

    EXPECT_EQ(observer.title, "");
    EXPECT_EQ(observer.status, "Finish uploading!");
    const std::pair<std::string, LineState> done[] = {{"Upload Profibus parameter configuration", LineState::Done},
                                                       {"Upload subnet parameter configuration", LineState::Done},
                                                       {"Upload subnet command configuration", LineState::Done}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(observer.latest[static_cast<std::size_t>(i)], done[i]);
    EXPECT_EQ(observer.latest[3].second, LineState::Hidden);
    for (std::size_t i = 1; i < observer.progress.size(); ++i) {
        EXPECT_GE(observer.progress[i].second, observer.progress[i - 1].second);
        EXPECT_LE(observer.progress[i].first, observer.progress[i].second);
    }
    EXPECT_EQ(observer.progress.back(), std::make_pair(9, 9));
}

TEST_F(UploadTest, BlocksOfSixByCount)
{
    const struct {
        int count;
        int blocks;
    } rows[] = {{0, 1}, {6, 1}, {7, 2}, {13, 3}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.count);
        link.written.clear();
        std::vector<Reply> replies{identity(2, 1, 0), frame(0x31, {3, 3}), subnetReply(0, kMaster, false),
                                   countReply(0, row.count)};
        for (int b = 0; b < row.blocks; ++b)
            replies.emplace_back(blockReply(0, b * 6, std::min(6, row.count - b * 6)));
        const UploadResult r = upload(configOf(1, {}), replies);
        ASSERT_EQ(r.outcome, UploadOutcome::Uploaded);
        ASSERT_EQ(link.written.size(), 4u + static_cast<std::size_t>(row.blocks));
        for (int b = 0; b < row.blocks; ++b)
            EXPECT_EQ(link.written[4 + static_cast<std::size_t>(b)], bytes({0x16, 0x02, 0x00, b, 0x18 + b}));
        EXPECT_EQ(r.configuration.subnet(0).commandCount, row.count);
    }
}

TEST_F(UploadTest, FourSubnetsInBlocksOfTwentySkippingTheSlave)
{
    const UploadResult r = upload(configOf(2, {}), fourSubnetReplies());
    ASSERT_EQ(r.outcome, UploadOutcome::Uploaded) << r.message;
    const std::vector<std::string> expected{
        bytes({0x01, 0x00, 0x01}),
        bytes({0x04, 0x01, 0x00, 0x05}), bytes({0x15, 0x01, 0x00, 0x16}),
        bytes({0x16, 0x02, 0x00, 0x00, 0x18}), bytes({0x16, 0x02, 0x00, 0x01, 0x19}),
        bytes({0x04, 0x01, 0x01, 0x06}),
        bytes({0x04, 0x01, 0x02, 0x07}), bytes({0x15, 0x01, 0x02, 0x18}),
        bytes({0x04, 0x01, 0x03, 0x08}), bytes({0x15, 0x01, 0x03, 0x19}), bytes({0x16, 0x02, 0x03, 0x00, 0x1B})};
    EXPECT_EQ(link.written, expected);
    const ConfigStore &c = r.configuration;
    EXPECT_EQ(c.gatewayType, 2u);
    EXPECT_EQ(c.subnet(0).commandCount, 21);
    EXPECT_EQ(c.subnet(1).protocol, "Modbus slave");
    EXPECT_EQ(c.subnet(1).ownAddress, "17");
    EXPECT_EQ(c.subnet(2).commandCount, 0);
    EXPECT_EQ(c.subnet(3).commandCount, 2);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(observer.latest[static_cast<std::size_t>(k)],
                  std::make_pair("Upload subnet" + std::to_string(k + 1) + "Modbus configuration and command list  ",
                                 LineState::Done));
}

TEST_F(UploadTest, NodesFromSlaveAddressesAndCommandFields)
{
    std::vector<int> data{0};
    for (const auto &r : {rec(0, 5, 3, 0x0102, 10, 0x400A, 0, 1, 2), rec(1, 7, 1, 0, 9, 0, 5), rec(2, 5), rec(3, 9)})
        data.insert(data.end(), r.begin(), r.end());
    const UploadResult r = upload(configOf(1, {}), {identity(2, 1, 0), frame(0x31, {1, 2}),
                                                    subnetReply(0, kMaster, false), countReply(0, 4), frame(0x16, data)});
    ASSERT_EQ(r.outcome, UploadOutcome::Uploaded);
    const CONFIG &s = r.configuration.subnet(0);
    ASSERT_EQ(s.nodeCount, 3);
    EXPECT_EQ((std::vector<NODE>(s.nodes.begin(), s.nodes.begin() + 3)),
              (std::vector<NODE>{{"5", "Node-5"}, {"7", "Node-7"}, {"9", "Node-9"}}));
    EXPECT_EQ(s.commands[2].nodeNumber, 1);
    EXPECT_EQ(s.commands[3].nodeNumber, 3);
    const COMMAND &first = s.commands[0];
    EXPECT_EQ((std::vector<std::string>{first.mappingAddress, first.startAddress, first.quantity, first.scanType,
                                        first.dataFormat}),
              (std::vector<std::string>{"400a", "258", "10", "Slow-scan", "Four-byte-exchange"}));
    EXPECT_EQ(s.commands[1].mappingBit, "5");
    EXPECT_EQ(s.commands[1].functionCode, "1");
    EXPECT_EQ(r.configuration.fieldbus.inputSize, "16");
    EXPECT_EQ(r.configuration.fieldbus.outputSize, "48");
}

struct FailureCase {
    const char *name;
    bool fourSubnets;
    std::size_t at; // the reply that goes wrong
    enum { NoReply, BadSum, Bytes } fault;
    std::string bytes;
    std::string message;
    bool clearsDialog;
};

void PrintTo(const FailureCase &c, std::ostream *os) { *os << c.name; }

class UploadFailureTest : public UploadTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UploadFailureTest, StopsWithTheStepsMessage)
{
    const FailureCase &f = GetParam();
    std::vector<Reply> replies = f.fourSubnets ? fourSubnetReplies() : typeThreeReplies();
    replies.resize(f.at + 1, Reply{""});
    Reply &bad = replies[f.at];
    bad.bytes = f.fault == FailureCase::NoReply ? "" : f.fault == FailureCase::BadSum ? withBadSum(bad.bytes) : f.bytes;
    const UploadResult r = upload(f.fourSubnets ? configOf(2, {}) : configOf(3, {6, 7}), replies);
    EXPECT_EQ(r.outcome, UploadOutcome::Failed);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{f.message});
    EXPECT_EQ(r.message, f.message);
    EXPECT_EQ(link.written.size(), f.at + 1);
    EXPECT_EQ(observer.title, f.clearsDialog ? "" : "Uploading configuration information from the gateway");
    EXPECT_EQ(observer.latest[0].second, f.clearsDialog || f.at == 0 ? LineState::Hidden : LineState::Done);
}

const std::string kUploadFailed =
    "Upload failed.Please check the serial port,configuration,power and the mode and so on";
const std::string kCountError = frame(0x95, {2, 0});
const std::string kBlockWithIndex128 = frame(0x16, {0, 128, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0});
constexpr auto kNone = FailureCase::NoReply;
constexpr auto kSum = FailureCase::BadSum;
constexpr auto kBytes = FailureCase::Bytes;

// One subnet: 0 type, 1 fieldbus, 2 subnet, 3 count, 4 and 5 blocks, 6 timeout action, 7 PROFIBUS
// configuration. Four subnets: 0 type, 1-4 subnet 1 (parameters, count, two blocks), 5 subnet 2,
// 6-7 subnet 3, 8-10 subnet 4.
INSTANTIATE_TEST_SUITE_P(
    EveryStep, UploadFailureTest,
    ::testing::Values(
        FailureCase{"TypeNoReply", false, 0, kNone, "",
                    "Read the type of gateway timeout, please check the serial port settings", false},
        FailureCase{"TypeBadSum", false, 0, kSum, "", kUploadFailed, false},
        FailureCase{"TypeErrorReply", false, 0, kBytes, frame(0x81, {1, 0}), kUploadFailed, false},
        FailureCase{"FieldbusNoReply", false, 1, kNone, "", "Read DeviceNet/Profibus configuration timeout", true},
        FailureCase{"FieldbusOtherReply", false, 1, kBytes, frame(0x22, {0, 0, 0, 0}),
                    "Read DeviceNet/Profibus configuration unsuccessfully", true},
        FailureCase{"SubnetNoReply", false, 2, kNone, "", "Read Modbus configuration timeout", true},
        FailureCase{"SubnetBadSum", false, 2, kSum, "", "Read Modbus configuration unsuccessfully", true},
        FailureCase{"SubnetOfAnotherIndex", false, 2, kBytes, subnetReply(1, kMaster, true),
                    "Read Modbus configuration unsuccessfully", true},
        FailureCase{"CountNoReply", false, 3, kNone, "", "Read Modbus command timeout", true},
        FailureCase{"CountErrorReply", false, 3, kBytes, kCountError, "Read Modbus command unsuccessfully", true},
        FailureCase{"CountAbove128", false, 3, kBytes, countReply(0, 129), "Read Modbus command unsuccessfully", true},
        FailureCase{"BlockNoReply", false, 4, kNone, "", "Read Modbus command list timeout  ", true},
        FailureCase{"FirstBlockBadSum", false, 4, kSum, "", "Read Modbus command list0unsuccessfully", true},
        FailureCase{"SecondBlockIndex128", false, 5, kBytes, kBlockWithIndex128,
                    "Read Modbus command list1unsuccessfully", true},
        FailureCase{"TimeoutActionNoReply", false, 6, kNone, "", "Download configuration parameters timeout", false},
        FailureCase{"TimeoutActionOtherCode", false, 6, kBytes, frame(0x32, {5}),
                    "Download configuration parameters unsuccessfully", false},
        FailureCase{"ProfibusConfigNoReply", false, 7, kNone, "", "Upload Profibus configuration failed", false},
        FailureCase{"ProfibusConfigShort", false, 7, kBytes, frame(0x35, {2, 0xD1, 0xE1}),
                    "Upload Profibus configuration failed", false},
        FailureCase{"Subnet2NoReply", true, 5, kNone, "", "Read Modbus configuration timeout", true},
        FailureCase{"Subnet2BadSum", true, 5, kSum, "", "Read subnet2Modbus configuration unsuccessfully", true},
        FailureCase{"Subnet4CountNoReply", true, 9, kNone, "", "Read Modbus command timeout", true},
        FailureCase{"Subnet3CountError", true, 7, kBytes, kCountError, "Read subnet3Modbus command unsuccessfully",
                    true},
        FailureCase{"Subnet1SecondBlockBadSum", true, 4, kSum, "", "Read subnet1Modbus command list1unsuccessfully",
                    true},
        FailureCase{"Subnet4BlockNoReply", true, 10, kNone, "", "Read Modbus command list timeout  ", true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(UploadTest, TypeMismatchIsRefused)
{
    const struct {
        ConfigStore current;
        int reported;
    } rows[] = {{configOf(3, {7}), 2}, {configOf(1, {}), 7}, {configOf(1, {4}), 2}, {configOf(3, {4}), 4}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.reported);
        link.written.clear();
        prompter.messages.clear();
        const UploadResult r = upload(row.current, {identity(row.reported, 5, 0)});
        EXPECT_EQ(r.outcome, UploadOutcome::TypeMismatch);
        EXPECT_EQ(prompter.messages, std::vector<std::string>{"Type of device mismatch!"});
        EXPECT_EQ(link.written.size(), 1u);
    }
}

// The requests after the commands by model flag and firmware; each read of the upload has its
// write in the download, one code lower.
TEST_F(UploadTest, ExtrasByModelFlagAndFirmwareBothWays)
{
    const struct {
        std::vector<int> flags;
        int major, minor;
        std::vector<int> extras;
    } rows[] = {{{7}, 3, 9, {}},     {{7}, 4, 0, {0x33}}, {{7}, 5, 0, {0x33, 0x06}}, {{1}, 2, 9, {}},
                {{1}, 3, 0, {0x35}}, {{6}, 3, 0, {0x35}}, {{}, 9, 9, {}}, {{1, 7}, 5, 0, {0x33, 0x35, 0x06}}};
    const std::map<int, std::string> extraReplies{{0x33, frame(0x33, {0})},
                                                  {0x35, frame(0x35, {0, 0, 0, 0, 0, 0, 0, 0, 0})},
                                                  {0x06, frame(0x06, {0, 0, 0, 0})}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.major * 10 + row.minor);
        link.written.clear();
        std::vector<Reply> replies{identity(2, row.major, row.minor), frame(0x31, {3, 3}),
                                   subnetReply(0, kMaster, false), countReply(0, 0), blockReply(0, 0, 0)};
        for (int code : row.extras)
            replies.emplace_back(extraReplies.at(code));
        const UploadResult r = upload(configOf(1, row.flags), replies);
        EXPECT_EQ(r.outcome, UploadOutcome::Uploaded);
        const std::vector<int> sent = codes();
        EXPECT_EQ(std::vector<int>(sent.begin() + 5, sent.end()), row.extras);

        const ConfigStore document = configOf(1, row.flags);
        ScriptedGateway gateway(clock);
        gateway.reply01 = identity(2, row.major, row.minor);
        EXPECT_EQ(DownloadProcedure(gateway, clock, prompter, observer).run(document, false).outcome,
                  DownloadOutcome::Downloaded);
        const std::vector<int> written = gateway.codes(); // after 01 30 03 14
        std::vector<int> writes;
        for (int code : row.extras)
            writes.push_back(code - 1);
        EXPECT_EQ(std::vector<int>(written.begin() + 4, written.end()), writes);
    }
}

TEST_F(UploadTest, TimeoutActionValueAndDoubleFaultReset)
{
    const ConfigStore withFlag7 = configOf(1, {7});
    const std::vector<Reply> base{identity(2, 4, 0), frame(0x31, {3, 3}), subnetReply(0, kMaster, false),
                                  countReply(0, 0), blockReply(0, 0, 0)};
    std::vector<Reply> hold = base;
    hold.emplace_back(frame(0x33, {0}));
    const CONFIG held = upload(withFlag7, hold).configuration.subnet(0);
    EXPECT_EQ(held.timeoutAction, "Hold  Data");
    EXPECT_EQ(held.timeoutCount, "3");

    // The modelFlag4 gateway reports type 5: identity, then the double-fault reset and nothing
    // else; what it was not asked for (its subnet too) keeps the defaults of type 1.
    for (const auto &[value, expected] : {std::pair{0, "Disable"}, std::pair{2, "Enable"}}) {
        link.written.clear();
        const UploadResult r = upload(configOf(1, {4}), {identity(5, 1, 0), frame(0x33, {value})});
        ASSERT_EQ(r.outcome, UploadOutcome::Uploaded);
        EXPECT_EQ(codes(), (std::vector<int>{0x01, 0x33}));
        CONFIG defaults = configOf(1, {4}).subnet(0);
        defaults.doubleFaultReset = expected;
        EXPECT_EQ(r.configuration.subnet(0), defaults);
        EXPECT_EQ(r.configuration.gatewayType, 1u);
        EXPECT_EQ(r.configuration.fieldbus, configOf(1, {4}).fieldbus);
    }
}

TEST_F(UploadTest, CharIntervalFailureKeepsTheUploadedConfiguration)
{
    std::vector<Reply> replies = typeThreeReplies();
    replies.back() = withBadSum(replies.back().bytes);
    const UploadResult r = upload(configOf(3, {6, 7}), replies);
    EXPECT_EQ(r.outcome, UploadOutcome::Uploaded);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Failed to read character interval time"});
    EXPECT_EQ(r.message, "Failed to read character interval time");
    EXPECT_EQ(r.configuration.subnet(0).commandCount, 7);
    EXPECT_EQ(r.configuration.subnet(0).charIntervalSend, "0");
    EXPECT_EQ(observer.status, "Finish uploading!");
}

TEST_F(UploadTest, DeviceNetGatewayParameters)
{
    const UploadResult r = upload(configOf(0, {}), {identity(1, 1, 0), frame(0x22, {12, 2, 6, 5}),
                                                    subnetReply(0, kSlave, false)});
    ASSERT_EQ(r.outcome, UploadOutcome::Uploaded);
    EXPECT_EQ(codes(), (std::vector<int>{0x01, 0x22, 0x04}));
    const FIELDBUS &f = r.configuration.fieldbus;
    EXPECT_EQ((std::vector<std::string>{f.fieldbusType, f.deviceNetAddress, f.deviceNetBaud, f.inputSize, f.outputSize}),
              (std::vector<std::string>{"DeviceNet", "12", "500K", "160", "112"}));
    EXPECT_EQ(observer.latest[0].first, "Upload DeviceNet parameter configuration");
    EXPECT_EQ(observer.latest[2], std::make_pair(std::string("Upload Modbus command configuration"), LineState::Done));
}

TEST_F(UploadTest, CancelledSilentlyAtAnyStep)
{
    for (std::size_t at : {1u, 3u, 7u, 9u}) {
        SCOPED_TRACE(at);
        std::atomic<bool> flag{false};
        ScriptedGateway cancelling(clock);
        cancelling.acknowledges = false;
        // Stopped from outside as the `at`-th request goes out.
        cancelling.onWrite = [&](int) {
            if (cancelling.written.size() + 1 == at)
                flag = true;
        };
        for (const Reply &reply : typeThreeReplies())
            cancelling.reply(reply.bytes, reply.after);
        RecordingPrompter silent;
        UploadProcedure procedure(cancelling, clock, silent, observer);
        procedure.setCancelFlag(&flag);
        EXPECT_EQ(procedure.run(configOf(3, {6, 7})).outcome, UploadOutcome::Cancelled);
        EXPECT_TRUE(silent.messages.empty());
        EXPECT_EQ(cancelling.written.size(), at);
    }
}

// ---- applying a store -----------------------------------------------------------------------

UploadStore storeOf(int reported, const Fields &subnet)
{
    UploadStore s;
    s.gatewayTypeData[0] = static_cast<std::uint8_t>(reported);
    for (std::size_t i = 0; i < subnet.size(); ++i)
        s.subnetParameters[0].at(i) = static_cast<std::uint8_t>(subnet[i]);
    return s;
}

TEST(ApplyUploadStore, ProtocolGroups)
{
    using Field = std::string CONFIG::*;
    const struct {
        const char *name;
        Fields bytes;
        bool modelFlag7;
        std::vector<std::pair<Field, std::string>> expected;
    } rows[] = {
        {"Master", {0, 4, 1, 2, 1, 0, 1, 0x03, 0xE8, 2, 4, 25, 10, 3, 0, 0, 0, 0, 0, 0, 0, 1}, true,
         {{&CONFIG::protocol, "Modbus master"}, {&CONFIG::masterBaud, "9600"}, {&CONFIG::masterDataBits, "7"},
          {&CONFIG::masterParity, "Even parity"}, {&CONFIG::masterStopBits, "2"}, {&CONFIG::masterMode, "ASCII"},
          {&CONFIG::responseTimeout, "1000"}, {&CONFIG::pollDelay, "20"}, {&CONFIG::outputMode, "Pluse output"},
          {&CONFIG::pulseTime, "250"}, {&CONFIG::scanRatio, "10"}, {&CONFIG::commandStatus, "3Bytes"},
          {&CONFIG::commInterface, "RS232"}, {&CONFIG::debugInterface, "RS485"}, {&CONFIG::slaveBaud, "19200"}}},
        {"MasterWithoutFlag7", {0, 9, 0, 5, 0, 0, 0, 0, 0, 0, 3, 25, 1, 3}, false,
         {{&CONFIG::masterBaud, "19200"}, {&CONFIG::masterParity, "None"}, {&CONFIG::pulseTime, "-1"},
          {&CONFIG::commandStatus, "Disable"}, {&CONFIG::outputMode, "Change of Value"}}},
        {"Slave", {1, 8, 0, 1, 0, 247, 1}, true,
         {{&CONFIG::protocol, "Modbus slave"}, {&CONFIG::slaveBaud, "115200"}, {&CONFIG::slaveParity, "Odd parity"},
          {&CONFIG::ownAddress, "247"}, {&CONFIG::slaveMode, "ASCII"}, {&CONFIG::commInterface, "RS485"},
          {&CONFIG::masterBaud, "19200"}}},
        {"UserConfig", {3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0x2C, 200, 1, 0x07, 0xD0, 1, 1}, true,
         {{&CONFIG::protocol, "User Config"}, {&CONFIG::userBaud, "2400"}, {&CONFIG::frameType, "Frame Length"},
          {&CONFIG::charTimeout, "300"}, {&CONFIG::frameLength, "200"}, {&CONFIG::autoSend, "Enable"},
          {&CONFIG::autoSendPeriod, "2000"}, {&CONFIG::crcCheck, "Enable"}, {&CONFIG::commInterface, "RS232"},
          {&CONFIG::debugInterface, "RS485"}}},
        {"SelfDefiningKeepsItsInterface", {2, 0, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true,
         {{&CONFIG::protocol, "Self-defining protocol"}, {&CONFIG::customBaud, "300"}, {&CONFIG::customDataBits, "7"},
          {&CONFIG::customParity, "Mark"}, {&CONFIG::commInterface, "RS485"}, {&CONFIG::debugInterface, "RS232"}}},
        {"UnknownProtocolChangesNothing", {7, 4, 1, 1, 1, 9, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true,
         {{&CONFIG::protocol, "Modbus master"}, {&CONFIG::masterBaud, "19200"}, {&CONFIG::commInterface, "RS485"}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ConfigStore c = configOf(3, row.modelFlag7 ? std::vector<int>{7} : std::vector<int>{});
        applyUploadStore(storeOf(4, row.bytes), c);
        for (const auto &[field, value] : row.expected)
            EXPECT_EQ(c.subnet(0).*field, value);
    }
}

TEST(ApplyUploadStore, FieldbusCodesAndSubnetsNotRead)
{
    const struct {
        std::uint32_t type;
        std::array<int, 3> profibus;
        const char *input, *output, *prefix;
    } rows[] = {{1, {0, 1, 0}, "8", "16", "Disable"}, {3, {2, 3, 1}, "48", "112", "Enable"},
                {6, {200, 4, 0}, "112", "112", "Disable"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.type);
        ConfigStore c = configOf(row.type, {7});
        UploadStore s = storeOf(static_cast<int>(row.type) + 1, kMaster);
        for (std::size_t i = 0; i < 3; ++i)
            s.profibusParameters[i] = static_cast<std::uint8_t>(row.profibus[i]);
        s.subnetParameters[1][0] = 1; // not asked for by a one-subnet gateway
        applyUploadStore(s, c);
        EXPECT_EQ(c.fieldbus.fieldbusType, "Profibus");
        EXPECT_EQ(c.fieldbus.inputSize, row.input);
        EXPECT_EQ(c.fieldbus.outputSize, row.output);
        EXPECT_EQ(c.subnet(0).inputLengthPrefix, row.prefix);
        EXPECT_EQ(c.subnet(1), configOf(row.type, {7}).subnet(1));
    }
    // DeviceNet codes outside their tables leave the fields as they were.
    ConfigStore d = configOf(0, {});
    UploadStore s = storeOf(1, kSlave);
    s.deviceNetParameters = {63, 4, 7, 6};
    applyUploadStore(s, d);
    const FIELDBUS &f = d.fieldbus;
    EXPECT_EQ((std::vector<std::string>{f.deviceNetAddress, f.deviceNetBaud, f.inputSize, f.outputSize}),
              (std::vector<std::string>{"63", "125K", "64", "64"}));
}

TEST(ApplyUploadStore, DataFormatVocabularyFollowsTypeAndModelFlag1)
{
    const struct {
        std::uint32_t type;
        std::vector<int> flags;
        const char *formats[3];
    } rows[] = {{1, {}, {"Non-exchange", "Double-byte-exchange", "Four-byte-exchange"}},
                {1, {1}, {"Fullword", "High byte", "Low byte"}},
                {3, {}, {"Fullword", "High byte", "Low byte"}}};
    for (const auto &row : rows) {
        ConfigStore c = configOf(row.type, row.flags);
        UploadStore s = storeOf(static_cast<int>(row.type) + 1, kMaster);
        s.commandCounts[0] = 3;
        for (std::uint8_t i = 0; i < 3; ++i)
            s.commandRecords[0][i] = CommandRecord{1, 3, 0, 0, 0, 1, 0, 0, 0, 0, i};
        applyUploadStore(s, c);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(c.subnet(0).commands[i].dataFormat, row.formats[i]);
    }
}

} // namespace
} // namespace tqv
