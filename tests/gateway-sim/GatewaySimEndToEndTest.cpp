// The simulator binary end to end over its pty. Every frame here is written out from the
// configuration protocol's frame tables (code, length, data, 8-bit sum; big-endian numbers),
// independently of the simulator's code; withSum() appends the sum byte.
#include "LineClient.h"
#include "SimProcess.h"

#include "model/ConfigStore.h"
#include "model/JsonForm.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace simtest {

namespace {

using namespace std::chrono_literals;

// A running simulator with a client on its line.
struct Session {
    explicit Session(std::vector<std::string> args) : sim(std::move(args)) {}

    // Starts the simulator and opens the line; fails the test when either does not work.
    void open()
    {
        std::string error;
        ASSERT_TRUE(sim.start(error)) << error;
        ASSERT_TRUE(line.open(sim.link())) << "cannot open " << sim.link();
    }

    SimProcess sim;
    LineClient line;
};

std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One Modbus command write: 0x10, 0x0D, subnet, index, slave, function, start, quantity,
// mapping address, mapping bit, scan type, data format.
Bytes commandFrame(std::uint8_t subnet, std::uint8_t index, std::uint8_t slave, std::uint8_t function,
                   std::uint16_t start, std::uint16_t quantity, std::uint16_t mapping, std::uint8_t bit,
                   std::uint8_t scan, std::uint8_t format)
{
    return withSum({0x10, 0x0D, subnet, index, slave, function, static_cast<std::uint8_t>(start >> 8),
                    static_cast<std::uint8_t>(start), static_cast<std::uint8_t>(quantity >> 8),
                    static_cast<std::uint8_t>(quantity), static_cast<std::uint8_t>(mapping >> 8),
                    static_cast<std::uint8_t>(mapping), bit, scan, format});
}

// The 12-byte record a command block carries for a command frame: index, then offsets 4..14.
Bytes recordOf(const Bytes &commandFrame)
{
    return Bytes(commandFrame.begin() + 3, commandFrame.begin() + 15);
}

const Bytes kClearSubnet1 = {0x14, 0x03, 0x00, 0x55, 0xAA, 0x16}; // sum wraps modulo 256

// ---- identity and plain reads ------------------------------------------------------------------

struct IdentityCase {
    std::vector<std::string> args;
    Bytes reply;
};

TEST(GatewaySimIdentity, ReportsTypePlusOneAndFirmware)
{
    const IdentityCase cases[] = {
        {{}, {0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x12}},
        {{"--gateway-type", "0", "--firmware", "4.2"}, {0x01, 0x08, 0x01, 0x04, 0x02, 0, 0, 0, 0, 0, 0x10}},
        {{"--gateway-type=2", "--firmware=3.0"}, {0x01, 0x08, 0x03, 0x03, 0x00, 0, 0, 0, 0, 0, 0x0F}},
        {{"--gateway-type", "6", "--firmware", "10.25"}, {0x01, 0x08, 0x07, 0x0A, 0x19, 0, 0, 0, 0, 0, 0x33}},
        {{"--gateway-type", "1", "--reported-type", "5"}, {0x01, 0x08, 0x05, 0x05, 0x00, 0, 0, 0, 0, 0, 0x13}},
    };
    for (const IdentityCase &c : cases) {
        Session s(c.args);
        ASSERT_NO_FATAL_FAILURE(s.open());
        EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex(c.reply));
    }
}

// The reads of a new type-3 configuration: subnet 1 a Modbus master at 19200 8N1 RTU, 300 ms,
// change of value, scan ratio 10, no commands; timeout action "Clear Data" after 3; nothing else set.
TEST(GatewaySimIdentity, ThreeByteReadsOfANewConfiguration)
{
    Session s({});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const std::pair<Bytes, Bytes> cases[] = {
        {{0x31, 0x00, 0x31}, withSum({0x31, 0x03, 0x00, 0x00, 0x00})},
        {{0x33, 0x00, 0x33}, {0x33, 0x01, 0x03, 0x37}},
        {{0x35, 0x00, 0x35}, withSum({0x35, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {{0x06, 0x00, 0x06}, {0x06, 0x04, 0x00, 0x00, 0x00, 0x00, 0x0A}},
        {{0x04, 0x01, 0x00, 0x05},
         withSum({0x04, 0x17, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00, 0x03, 0x00, 0x0A,
                  0, 0, 0, 0, 0, 0, 0, 0, 0x00})},
        {{0x15, 0x01, 0x00, 0x16}, {0x15, 0x03, 0x00, 0x00, 0x00, 0x18}},
        {{0x16, 0x02, 0x00, 0x00, 0x18}, {0x16, 0x01, 0x00, 0x17}},
    };
    for (const auto &[request, reply] : cases)
        EXPECT_EQ(hex(s.line.exchange(request)), hex(reply)) << "request " << hex(request);
}

// ---- command lists in blocks -------------------------------------------------------------------

TEST(GatewaySimEcho, ThirteenCommandsComeBackInBlocksOfSix)
{
    Session s({});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.line.exchange(kClearSubnet1)), hex({0x14, 0x00, 0x14}));
    EXPECT_EQ(hex(s.line.exchange({0x15, 0x01, 0x00, 0x16})), hex({0x15, 0x03, 0x00, 0x00, 0x00, 0x18}));

    std::vector<Bytes> frames;
    for (std::uint8_t i = 0; i < 13; ++i) {
        frames.push_back(commandFrame(0, i, static_cast<std::uint8_t>(1 + i % 3), i % 2 ? 16 : 3,
                                      static_cast<std::uint16_t>(0x0100 * i + 7), static_cast<std::uint16_t>(i + 1),
                                      static_cast<std::uint16_t>(i % 2 ? 0x4000 + 4 * i : 0x0010 * i), i % 8,
                                      i % 2, i % 3));
        EXPECT_EQ(hex(s.line.exchange(frames.back())), hex({0x10, 0x00, 0x10})) << "command " << int(i);
    }
    EXPECT_EQ(hex(s.line.exchange({0x15, 0x01, 0x00, 0x16})), hex({0x15, 0x03, 0x00, 0x00, 0x0D, 0x25}));

    // Blocks 0 and 1 hold six records each, block 2 (request 16 02 00 02 1A) the thirteenth.
    const std::pair<Bytes, std::pair<int, int>> blocks[] = {
        {{0x16, 0x02, 0x00, 0x00, 0x18}, {0, 6}},
        {{0x16, 0x02, 0x00, 0x01, 0x19}, {6, 12}},
        {{0x16, 0x02, 0x00, 0x02, 0x1A}, {12, 13}},
    };
    for (const auto &[request, range] : blocks) {
        Bytes expected{0x16, static_cast<std::uint8_t>(1 + 12 * (range.second - range.first)), 0x00};
        for (int i = range.first; i < range.second; ++i) {
            const Bytes record = recordOf(frames[static_cast<std::size_t>(i)]);
            expected.insert(expected.end(), record.begin(), record.end());
        }
        EXPECT_EQ(hex(s.line.exchange(request)), hex(withSum(expected))) << "request " << hex(request);
    }
    // No block 3; a command index that would leave a gap is refused; a clear empties the list.
    EXPECT_EQ(hex(s.line.exchange({0x16, 0x02, 0x00, 0x03, 0x1B})), hex({0x96, 0x02, 0x05, 0x00, 0x9D}));
    EXPECT_EQ(hex(s.line.exchange(commandFrame(0, 14, 1, 3, 0, 1, 0, 0, 0, 0))), hex({0x90, 0x02, 0x05, 0x00, 0x97}));
    EXPECT_EQ(hex(s.line.exchange(commandFrame(0, 2, 9, 4, 0, 1, 0, 0, 0, 0))), hex({0x10, 0x00, 0x10}));
    EXPECT_EQ(hex(s.line.exchange({0x15, 0x01, 0x00, 0x16})), hex({0x15, 0x03, 0x00, 0x00, 0x0D, 0x25}));
    EXPECT_EQ(hex(s.line.exchange(kClearSubnet1)), hex({0x14, 0x00, 0x14}));
    EXPECT_EQ(hex(s.line.exchange({0x15, 0x01, 0x00, 0x16})), hex({0x15, 0x03, 0x00, 0x00, 0x00, 0x18}));
    EXPECT_EQ(hex(s.line.exchange({0x16, 0x02, 0x00, 0x00, 0x18})), hex({0x16, 0x01, 0x00, 0x17}));
}

// ---- judging requests --------------------------------------------------------------------------

TEST(GatewaySimJudge, RefusesBadRequestsWithErrorReplies)
{
    Session s({});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const std::pair<Bytes, Bytes> cases[] = {
        {{0x01, 0x00, 0x02}, {0x81, 0x02, 0x04, 0x00, 0x87}},             // wrong sum
        {{0x10, 0x0D, 0, 0, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x00}, {0x90, 0x02, 0x04, 0x00, 0x96}}, // wrong sum
        {{0x77, 0x00, 0x77}, {0xF7, 0x02, 0x01, 0x00, 0xFA}},             // unknown code
        {{0x00, 0x00, 0x00}, {0x80, 0x02, 0x01, 0x00, 0x83}},             // unknown code 0
        {{0x01, 0x01, 0x00, 0x02}, {0x81, 0x02, 0x02, 0x00, 0x85}},       // length 1 for a bare read
        {withSum({0x30, 0x04, 1, 2, 3, 4}), {0xB0, 0x02, 0x02, 0x00, 0xB4}}, // neither 2 nor 3 bytes
        {withSum({0x03, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), {0x83, 0x02, 0x02, 0x00, 0x87}},
        {{0x04, 0x01, 0x01, 0x06}, {0x84, 0x02, 0x05, 0x00, 0x8B}},       // subnet 2 of a one-subnet gateway
        {withSum({0x14, 0x03, 0x00, 0x55, 0xAB}), {0x94, 0x02, 0x05, 0x00, 0x9B}}, // wrong clear key
        {withSum({0x34, 0x09, 0x09, 1, 2, 3, 4, 5, 6, 7, 8}), {0xB4, 0x02, 0x05, 0x00, 0xBB}}, // 9 of 8 bytes
        {commandFrame(0, 128, 1, 3, 0, 1, 0, 0, 0, 0), {0x90, 0x02, 0x05, 0x00, 0x97}}, // index past 127
    };
    for (const auto &[request, reply] : cases)
        EXPECT_EQ(hex(s.line.exchange(request)), hex(reply)) << "request " << hex(request);
    // Refused writes changed nothing, and the gateway still answers.
    EXPECT_EQ(hex(s.line.exchange({0x35, 0x00, 0x35})), hex(withSum({0x35, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(hex(s.line.exchange({0x15, 0x01, 0x00, 0x16})), hex({0x15, 0x03, 0x00, 0x00, 0x00, 0x18}));
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x12}));
}

TEST(GatewaySimJudge, AssemblesRequestsThatArriveInPieces)
{
    Session s({});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const Bytes frame = commandFrame(0, 0, 5, 3, 0x0010, 4, 0x0000, 0, 0, 0);
    s.line.send(Bytes(frame.begin(), frame.begin() + 1));
    usleep(30000);
    s.line.send(Bytes(frame.begin() + 1, frame.begin() + 9));
    usleep(30000);
    EXPECT_EQ(hex(s.line.readFor(20)), "") << "answered before the frame was whole";
    s.line.send(Bytes(frame.begin() + 9, frame.end()));
    EXPECT_EQ(hex(s.line.readFrame()), hex({0x10, 0x00, 0x10}));

    // Two requests in one write get two replies, in order.
    s.line.send({0x33, 0x00, 0x33, 0x15, 0x01, 0x00, 0x16});
    EXPECT_EQ(hex(s.line.readFrame()), hex({0x33, 0x01, 0x03, 0x37}));
    EXPECT_EQ(hex(s.line.readFrame()), hex({0x15, 0x03, 0x00, 0x00, 0x01, 0x19}));

    // A torn request is dropped after half a second of silence; the next one is answered.
    s.line.send({0x10, 0x0D, 0x00});
    EXPECT_EQ(hex(s.line.readFor(700)), "");
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x12}));
}

TEST(GatewaySimJudge, ThePortCanBeClosedAndOpenedAgain)
{
    Session s({});
    ASSERT_NO_FATAL_FAILURE(s.open());
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(hex(s.line.exchange({0x33, 0x00, 0x33})), hex({0x33, 0x01, 0x03, 0x37})) << "round " << round;
        s.line.close();
        ASSERT_TRUE(s.line.open(s.sim.link()));
    }
}

// ---- failure modes -----------------------------------------------------------------------------

TEST(GatewaySimFailures, TimeoutSendsNothingAndStoresNothing)
{
    Session s({"--fail", "timeout:21", "--fail", "timeout:0x22", "--gateway-type", "0"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    s.line.send(withSum({0x21, 0x04, 0x0A, 0x02, 0x03, 0x01}));
    EXPECT_EQ(hex(s.line.readFor(300)), "");
    s.line.send({0x22, 0x00, 0x22});
    EXPECT_EQ(hex(s.line.readFor(300)), "");
    // Other requests are answered as usual.
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x01, 0x08, 0x01, 0x05, 0x00, 0, 0, 0, 0, 0, 0x0F}));
}

TEST(GatewaySimFailures, WrongSumSpoilsOnlyTheLastByte)
{
    Session s({"--fail", "sum:01", "--fail", "sum:05"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x13}));
    EXPECT_EQ(hex(s.line.exchange(withSum({0x05, 0x04, 0x00, 0x0A, 0x00, 0x14}))), hex({0x05, 0x00, 0x06}));
    EXPECT_EQ(hex(s.line.exchange({0x33, 0x00, 0x33})), hex({0x33, 0x01, 0x03, 0x37}));
}

TEST(GatewaySimFailures, SplitReplyComesInTwoPiecesTwentyMillisecondsApart)
{
    Session s({"--fail", "split:04", "--fail", "split:10"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const Bytes normal = withSum({0x04, 0x17, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00,
                                  0x03, 0x00, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
    const std::pair<Bytes, Bytes> cases[] = {
        {{0x04, 0x01, 0x00, 0x05}, normal},
        {commandFrame(0, 0, 1, 3, 0, 1, 0, 0, 0, 0), {0x10, 0x00, 0x10}},
    };
    for (const auto &[request, reply] : cases) {
        // A test process held up by a busy machine can see the two pieces merged or closer
        // together than they were sent, never the other way round: up to three tries.
        std::size_t pieceCount = 0;
        Clock::duration gap{};
        for (int attempt = 0; attempt < 3 && !(pieceCount == 2 && gap >= 15ms); ++attempt) {
            s.line.send(request);
            const auto pieces = s.line.readPieces(reply.size(), 2000);
            Bytes joined;
            for (const auto &piece : pieces)
                joined.insert(joined.end(), piece.bytes.begin(), piece.bytes.end());
            ASSERT_EQ(hex(joined), hex(reply)) << "request " << hex(request);
            pieceCount = pieces.size();
            gap = pieceCount == 2 ? pieces[1].at - pieces[0].at : Clock::duration{};
        }
        EXPECT_EQ(pieceCount, 2u) << "request " << hex(request);
        EXPECT_GE(gap, 15ms) << "request " << hex(request);
        EXPECT_LT(gap, 2s);
    }
}

TEST(GatewaySimFailures, ErrorReplyCarriesTheGivenCodeAndStoresNothing)
{
    Session s({"--fail", "error:10:3", "--fail", "error:0x35:0x07"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.line.exchange(commandFrame(0, 0, 1, 3, 0, 1, 0, 0, 0, 0))), hex({0x90, 0x02, 0x03, 0x00, 0x95}));
    EXPECT_EQ(hex(s.line.exchange({0x15, 0x01, 0x00, 0x16})), hex({0x15, 0x03, 0x00, 0x00, 0x00, 0x18}));
    EXPECT_EQ(hex(s.line.exchange({0x35, 0x00, 0x35})), hex({0xB5, 0x02, 0x07, 0x00, 0xBE}));
}

TEST(GatewaySimFailures, SlowReplyWaitsTheGivenTime)
{
    Session s({"--fail", "slow:01:200", "--fail", "slow:all:0"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const auto sent = Clock::now();
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01}, 3000)),
              hex({0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x12}));
    const auto took = Clock::now() - sent;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 3s);
}

TEST(GatewaySimFailures, ModesCombine)
{
    Session s({"--fail", "error:all:9", "--fail", "sum:33", "--fail", "slow:33:100"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const auto sent = Clock::now();
    EXPECT_EQ(hex(s.line.exchange({0x33, 0x00, 0x33}, 3000)), hex({0xB3, 0x02, 0x09, 0x00, 0xBF}));
    EXPECT_GE(Clock::now() - sent, 100ms);
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x81, 0x02, 0x09, 0x00, 0x8C}));
}

// ---- pacing ------------------------------------------------------------------------------------

TEST(GatewaySimLineSpeed, A244ByteBlockAt9600BaudTakesAQuarterSecond)
{
    Session s({"--gateway-type", "2", "--line-speed", "9600"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    for (std::uint8_t i = 0; i < 20; ++i)
        ASSERT_EQ(hex(s.line.exchange(commandFrame(0, i, 1, 3, i, 1, 2 * i, 0, 0, 0))), hex({0x10, 0x00, 0x10}));
    const auto sent = Clock::now();
    const Bytes reply = s.line.exchange({0x16, 0x02, 0x00, 0x00, 0x18}, 5000);
    const auto took = Clock::now() - sent;
    ASSERT_EQ(reply.size(), 244u);
    EXPECT_TRUE(withSum(Bytes(reply.begin(), reply.end() - 1)) == reply);
    // 244 bytes of 10 bits at 9600 baud: 254 ms.
    EXPECT_GE(took, 240ms);
    EXPECT_LT(took, 5s);
}

// ---- state files -------------------------------------------------------------------------------

// A download to one gateway, the reads that must come back the same from a second gateway started
// on the first one's saved project, and checks of the saved texts.
struct RoundTripCase {
    const char *name;
    std::vector<std::string> args; // beyond --save / --state
    const char *file;
    std::vector<Bytes> writes;
    std::vector<Bytes> reads;
    void (*checkSaved)(const tqv::ConfigStore &);
};

void checkProfibusGateway(const tqv::ConfigStore &s)
{
    const tqv::CONFIG &c = s.subnets[0];
    EXPECT_EQ(s.gatewayType, 3u);
    EXPECT_EQ(c.masterBaud, "9600");
    EXPECT_EQ(c.masterParity, "Even parity");
    EXPECT_EQ(c.responseTimeout, "1000");
    EXPECT_EQ(c.pollDelay, "20");
    EXPECT_EQ(c.outputMode, "Pluse output");
    EXPECT_EQ(c.pulseTime, "300");
    EXPECT_EQ(c.commandStatus, "2Bytes");
    EXPECT_EQ(c.commInterface, "RS232");
    EXPECT_EQ(c.debugInterface, "RS485");
    EXPECT_EQ(c.inputLengthPrefix, "Enable");
    EXPECT_EQ(c.timeoutAction, "Clear Data");
    EXPECT_EQ(c.timeoutCount, "5");
    EXPECT_EQ(c.charIntervalSend, "300");
    EXPECT_EQ(c.charIntervalReceive, "100");
    EXPECT_EQ(s.fieldbus.profibusConfigMode, "Input configuration data");
    EXPECT_EQ(s.fieldbus.profibusConfigData, "0a 1b 2c ");
    ASSERT_EQ(c.nodeCount, 3);
    EXPECT_EQ(c.nodes[0].name, "Node-5");
    EXPECT_EQ(c.nodes[1].name, "Node-7");
    EXPECT_EQ(c.nodes[2].name, "Node-9");
    ASSERT_EQ(c.commandCount, 4);
    EXPECT_EQ(c.commands[1].mappingAddress, "400a");
    EXPECT_EQ(c.commands[1].startAddress, "100");
    EXPECT_EQ(c.commands[1].dataFormat, "High byte");
    EXPECT_EQ(c.commands[1].scanType, "Slow-scan");
    EXPECT_EQ(c.commands[2].nodeNumber, 1);
    EXPECT_EQ(c.commands[3].nodeNumber, 3);
    EXPECT_EQ(c.commands[3].functionCode, "6");
}

void checkDeviceNetGateway(const tqv::ConfigStore &s)
{
    const tqv::CONFIG &c = s.subnets[0];
    EXPECT_EQ(s.fieldbus.fieldbusType, "DeviceNet");
    EXPECT_EQ(s.fieldbus.deviceNetAddress, "10");
    EXPECT_EQ(s.fieldbus.deviceNetBaud, "500K");
    EXPECT_EQ(s.fieldbus.inputSize, "64");
    EXPECT_EQ(s.fieldbus.outputSize, "16");
    EXPECT_EQ(c.protocol, "Modbus slave");
    EXPECT_EQ(c.slaveBaud, "115200");
    EXPECT_EQ(c.slaveDataBits, "7");
    EXPECT_EQ(c.slaveParity, "Odd parity");
    EXPECT_EQ(c.slaveStopBits, "2");
    EXPECT_EQ(c.ownAddress, "17");
    EXPECT_EQ(c.slaveMode, "ASCII");
    EXPECT_EQ(c.timeoutAction, "Hold  Data");
}

void checkUserConfigGateway(const tqv::ConfigStore &s)
{
    const tqv::CONFIG &c = s.subnets[0];
    EXPECT_EQ(c.protocol, "User Config");
    EXPECT_EQ(c.userDataBits, "7");
    EXPECT_EQ(c.userBaud, "19200");
    EXPECT_EQ(c.frameType, "Frame Length");
    EXPECT_EQ(c.charTimeout, "10");
    EXPECT_EQ(c.frameLength, "64");
    EXPECT_EQ(c.autoSend, "Enable");
    EXPECT_EQ(c.autoSendPeriod, "500");
    EXPECT_EQ(c.crcCheck, "Enable");
    EXPECT_EQ(c.commInterface, "RS232");
    EXPECT_EQ(c.debugInterface, "RS485");
    EXPECT_EQ(c.inputLengthPrefix, "Enable");
}

void checkFourSubnetGateway(const tqv::ConfigStore &s)
{
    EXPECT_EQ(s.subnets[0].protocol, "Modbus主站");
    EXPECT_EQ(s.subnets[1].protocol, "用户配置");
    EXPECT_EQ(s.subnets[1].userParity, "偶校验");
    EXPECT_EQ(s.subnets[2].protocol, "自定义协议");
    EXPECT_EQ(s.subnets[2].customBaud, "2400");
    EXPECT_EQ(s.subnets[3].protocol, "Modbus从站");
    EXPECT_EQ(s.subnets[0].commandCount, 2);
    EXPECT_EQ(s.subnets[0].nodes[0].name, "节点-33");
    EXPECT_EQ(s.subnets[0].commands[1].dataFormat, "四字节交换");
}

TEST(GatewaySimState, SavedProjectLoadsBackToTheSameBytes)
{
    const std::vector<Bytes> profibusReads = {
        {0x31, 0x00, 0x31}, {0x04, 0x01, 0x00, 0x05}, {0x15, 0x01, 0x00, 0x16}, {0x16, 0x02, 0x00, 0x00, 0x18},
        {0x33, 0x00, 0x33}, {0x35, 0x00, 0x35},       {0x06, 0x00, 0x06},
    };
    const RoundTripCase cases[] = {
        {"PROFIBUS type 3, project file", {}, "state.tqv",
         {
             withSum({0x03, 0x17, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0xE8, 0x02, 0x04, 0x1E, 0x0A,
                      0x02, 0, 0, 0, 0, 0, 0, 0, 0x01}),
             kClearSubnet1,
             commandFrame(0, 0, 5, 3, 0x0000, 10, 0x0000, 0, 0, 0), // 20 bytes from 0x0000
             commandFrame(0, 1, 7, 16, 100, 2, 0x400A, 0, 1, 1),    // 4 bytes from 0x400A
             commandFrame(0, 2, 5, 1, 0x0010, 12, 0x0014, 3, 0, 0), // 2 bytes from 0x0014
             commandFrame(0, 3, 9, 6, 0x0001, 1, 0x400E, 0, 0, 2),  // 2 bytes from 0x400E
             // Lengths in use: input up to 0x16, output up to 0x4010; the prefix byte on.
             withSum({0x30, 0x03, 0x16, 0x10, 0x01}),
             {0x32, 0x01, 0x05, 0x38},
             withSum({0x34, 0x09, 0x03, 0x0A, 0x1B, 0x2C, 0, 0, 0, 0, 0}),
             withSum({0x05, 0x04, 0x01, 0x2C, 0x00, 0x64}),
         },
         profibusReads, checkProfibusGateway},
        {"DeviceNet type 0, JSON", {"--gateway-type", "0"}, "state.json",
         {
             withSum({0x21, 0x04, 0x0A, 0x02, 0x03, 0x01}),
             withSum({0x03, 0x0E, 0x00, 0x01, 0x08, 0x01, 0x01, 0x01, 0x11, 0x01, 0, 0, 0, 0, 0, 0}),
             {0x32, 0x01, 0x00, 0x33},
         },
         {{0x22, 0x00, 0x22}, {0x31, 0x00, 0x31}, {0x04, 0x01, 0x00, 0x05}, {0x33, 0x00, 0x33}, {0x06, 0x00, 0x06}},
         checkDeviceNetGateway},
        {"User Config type 6, JSON", {"--gateway-type", "6"}, "state.json",
         {
             withSum({0x03, 0x17, 0x00, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0x01, 0x00,
                      0x0A, 0x40, 0x01, 0x01, 0xF4, 0x01, 0x01}),
             withSum({0x30, 0x03, 0x00, 0x00, 0x01}),
         },
         {{0x04, 0x01, 0x00, 0x05}, {0x31, 0x00, 0x31}, {0x15, 0x01, 0x00, 0x16}},
         checkUserConfigGateway},
        {"four subnets, Chinese project file", {"--gateway-type", "2", "--lang", "zh"}, "state.tqv",
         {
             withSum({0x03, 0x0E, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00, 0x01, 0x00, 0x0A}),
             withSum({0x03, 0x0E, 0x01, 0x03, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0}),
             withSum({0x03, 0x0E, 0x02, 0x02, 0x03, 0x01, 0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0}),
             withSum({0x03, 0x0E, 0x03, 0x01, 0x05, 0x00, 0x00, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}),
             commandFrame(0, 0, 33, 3, 0, 8, 0x0000, 0, 0, 0),
             commandFrame(0, 1, 34, 4, 8, 8, 0x0010, 0, 1, 2),
         },
         {withSum({0x04, 0x01, 0x00}), withSum({0x04, 0x01, 0x01}), withSum({0x04, 0x01, 0x02}),
          withSum({0x04, 0x01, 0x03}), withSum({0x15, 0x01, 0x00}), withSum({0x16, 0x02, 0x00, 0x00}),
          withSum({0x15, 0x01, 0x03})},
         checkFourSubnetGateway},
    };
    for (const RoundTripCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Bytes> firstReplies;
        std::string saved;
        SimProcess folder; // never started: a temporary folder that outlives both simulators
        const std::string kept = folder.path(c.file);
        {
            std::vector<std::string> args = c.args;
            args.insert(args.end(), {"--save", kept});
            Session first(args);
            ASSERT_NO_FATAL_FAILURE(first.open());
            for (const Bytes &w : c.writes) {
                const Bytes reply = first.line.exchange(w);
                ASSERT_EQ(reply.size(), 3u) << hex(w) << " -> " << hex(reply);
                EXPECT_EQ(reply[1], 0x00) << hex(w) << " -> " << hex(reply);
            }
            for (const Bytes &r : c.reads)
                firstReplies.push_back(first.line.exchange(r));
            EXPECT_EQ(first.sim.stop(), 0) << first.sim.stderrText();
            struct stat st {};
            EXPECT_NE(::lstat(first.sim.link().c_str(), &st), 0) << "the link is still there";

            saved = readText(kept);
            ASSERT_FALSE(saved.empty());
            std::vector<std::string> again = c.args;
            again.insert(again.end(), {"--state", kept});
            Session second(again);
            ASSERT_NO_FATAL_FAILURE(second.open());
            for (std::size_t i = 0; i < c.reads.size(); ++i)
                EXPECT_EQ(hex(second.line.exchange(c.reads[i])), hex(firstReplies[i])) << "read " << hex(c.reads[i]);
            EXPECT_EQ(second.sim.stop(), 0);
        }
        // What the project says, read with the program's own readers.
        auto store = std::make_unique<tqv::ConfigStore>();
        const bool chinese = std::find(c.args.begin(), c.args.end(), "zh") != c.args.end();
        tqv::setLanguage(chinese ? tqv::Language::Chinese : tqv::Language::English);
        if (std::string(c.file).ends_with(".json")) {
            ASSERT_TRUE(tqv::storeFromJson(saved, *store));
        } else {
            ASSERT_TRUE(tqv::ProjectDocument::open(kept, *store, tqv::codePageFor(tqv::currentLanguage())));
        }
        tqv::setLanguage(tqv::Language::English);
        c.checkSaved(*store);
    }
}

TEST(GatewaySimState, EveryAcceptedWriteIsSavedBeforeItsAcknowledgement)
{
    SimProcess folder;
    const std::string save = folder.path("live.json");
    Session live({"--save", save});
    ASSERT_NO_FATAL_FAILURE(live.open());
    auto savedStore = [&] {
        auto store = std::make_unique<tqv::ConfigStore>();
        EXPECT_TRUE(tqv::storeFromJson(readText(save), *store)) << readText(save);
        return store;
    };
    EXPECT_EQ(hex(live.line.exchange(withSum({0x05, 0x04, 0x00, 0x0A, 0x00, 0x14}))), hex({0x05, 0x00, 0x05}));
    EXPECT_EQ(savedStore()->subnets[0].charIntervalReceive, "20");
    EXPECT_EQ(hex(live.line.exchange({0x32, 0x01, 0x00, 0x33})), hex({0x32, 0x00, 0x32}));
    EXPECT_EQ(savedStore()->subnets[0].timeoutAction, "Hold  Data");
    // A refused write does not touch the file.
    const std::string before = readText(save);
    EXPECT_EQ(hex(live.line.exchange(withSum({0x34, 0x09, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0}))),
              hex({0xB4, 0x02, 0x05, 0x00, 0xBB}));
    EXPECT_EQ(readText(save), before);
}

TEST(GatewaySimState, StartsFromAProjectOfAnotherTypeAndFlags)
{
    // A type-0 project with modelFlag4 and without modelFlag7: double-fault reset off, DeviceNet
    // 250K with 32/96 bytes, one command.
    SimProcess folder;
    const std::string project = folder.path("start.json");
    {
        auto store = std::make_unique<tqv::ConfigStore>();
        store->setTypeAndFlags(0, {false, false, false, true, false, false, false});
        store->fieldbus.deviceNetAddress = "63";
        store->fieldbus.deviceNetBaud = "250K";
        store->fieldbus.inputSize = "32";
        store->fieldbus.outputSize = "96";
        store->subnets[0].doubleFaultReset = "Disable";
        tqv::CONFIG &c = store->subnets[0];
        c.nodeCount = 1;
        c.nodes[0] = {"12", "Node-12"};
        c.commandCount = 1;
        c.commands[0] = tqv::COMMAND{"12", "15", "300", "20", "4002", "5", "3", "Double-byte-exchange", "CRC",
                                     "Slow-scan", 1};
        std::ofstream(project) << tqv::storeToJson(*store);
    }
    Session s({"--state", project});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x01, 0x08, 0x01, 0x05, 0x00, 0, 0, 0, 0, 0, 0x0F}));
    EXPECT_EQ(hex(s.line.exchange({0x22, 0x00, 0x22})), hex(withSum({0x22, 0x04, 63, 0x01, 0x02, 0x04})));
    EXPECT_EQ(hex(s.line.exchange({0x33, 0x00, 0x33})), hex({0x33, 0x01, 0x00, 0x34}));
    EXPECT_EQ(hex(s.line.exchange({0x04, 0x01, 0x00, 0x05})),
              hex(withSum({0x04, 0x0E, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00, 0x03,
                           0x00, 0x0A})));
    EXPECT_EQ(hex(s.line.exchange({0x16, 0x02, 0x00, 0x00, 0x18})),
              hex(withSum({0x16, 0x0D, 0x00, 0x00, 12, 15, 0x01, 0x2C, 0x00, 20, 0x40, 0x02, 5, 1, 1})));
}

// ---- the process -------------------------------------------------------------------------------

TEST(GatewaySimProcess, HelpListsEveryOptionAndFailureMode)
{
    const RunResult r = SimProcess::runToEnd({"--help"});
    EXPECT_EQ(r.exitStatus, 0);
    for (const char *word : {"--pty LINK", "--gateway-type N", "--firmware MAJOR.MINOR", "--state FILE",
                             "--save FILE", "--fail MODE", "--line-speed BAUD", "--lang", "timeout:CODE",
                             "sum:CODE", "split:CODE", "error:CODE:ERR", "slow:CODE:MS", "unknown request code",
                             "wrong checksum", "--ethernet", "--ip A.B.C.D", "--mac XX-XX-XX-XX-XX-XX",
                             "--permission N", "TQV580_GATEWAY_PORT", "127.0.0.1", "no-answer", "wrong-code", "refuse",
                             "pieces", "short", "restart"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST(GatewaySimProcess, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--gateway-type", "3"},
        {"--pty"},
        {"--pty", "/tmp/x", "--bogus"},
        {"--pty", "/tmp/x", "--gateway-type", "7"},
        {"--pty", "/tmp/x", "--gateway-type", "-1"},
        {"--pty", "/tmp/x", "--firmware", "5"},
        {"--pty", "/tmp/x", "--reported-type", "0"},
        {"--pty", "/tmp/x", "--firmware", "5.256"},
        {"--pty", "/tmp/x", "--fail", "late:10"}, // every refused mode: SimFailurePlan.RefusesWhatIsNotAMode
        {"--pty", "/tmp/x", "--line-speed", "0"},
        {"--pty", "/tmp/x", "--state", "x.txt"},
        {"--pty", "/tmp/x", "--save", "x"},
        {"--pty", "/tmp/x", "--lang", "fr"},
        {"--pty", "/tmp/x", "--state", "/nonexistent/state.tqv"},
    };
    for (const auto &args : cases) {
        const RunResult r = SimProcess::runToEnd(args);
        std::string joined;
        for (const auto &a : args)
            joined += a + " ";
        EXPECT_EQ(r.exitStatus, 2) << joined;
        EXPECT_FALSE(r.err.empty()) << joined;
        EXPECT_EQ(r.out, "") << joined;
    }
}

TEST(GatewaySimProcess, ReplacesAStaleLinkButNoOtherFile)
{
    {
        SimProcess sim;
        ASSERT_EQ(::symlink("/nonexistent/pts", sim.link().c_str()), 0);
        std::string error;
        ASSERT_TRUE(sim.start(error)) << error;
        const std::string target = std::filesystem::read_symlink(sim.link()).string();
        EXPECT_TRUE(target.starts_with("/dev/pts/")) << target;
        EXPECT_EQ(sim.stop(), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.link())));
    }
    {
        SimProcess sim;
        std::ofstream(sim.link()) << "keep me";
        std::string error;
        EXPECT_FALSE(sim.start(error));
        EXPECT_NE(sim.stderrText().find("not a symbolic link"), std::string::npos) << sim.stderrText();
        EXPECT_EQ(readText(sim.link()), "keep me");
    }
}

TEST(GatewaySimProcess, SigintStopsItCleanlyAndSaves)
{
    SimProcess folder;
    const std::string save = folder.path("at-exit.tqv");
    Session s({"--save", save});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.line.exchange({0x01, 0x00, 0x01})), hex({0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x12}));
    EXPECT_FALSE(std::filesystem::exists(save)) << "saved without a write";
    EXPECT_EQ(s.sim.stop(SIGINT), 0) << s.sim.stderrText();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(s.sim.link())));
    auto store = std::make_unique<tqv::ConfigStore>();
    ASSERT_TRUE(tqv::ProjectDocument::open(save, *store, tqv::CodePage::Windows1252));
    EXPECT_EQ(store->gatewayType, 3u);
    EXPECT_EQ(store->subnets[0].responseTimeout, "300");
}

TEST(GatewaySimProcess, AFailedSaveAtExitIsReported)
{
    Session s({"--save", "/nonexistent/folder/state.json"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(s.sim.stop(), 1);
    EXPECT_NE(s.sim.stderrText().find("state.json"), std::string::npos) << s.sim.stderrText();
}

TEST(GatewaySimProcess, StopsDuringALongSlowReply)
{
    Session s({"--fail", "slow:all:60000"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    s.line.send({0x01, 0x00, 0x01});
    usleep(100000);
    const auto asked = Clock::now();
    EXPECT_EQ(s.sim.stop(), 0);
    EXPECT_LT(Clock::now() - asked, 5s);
}

} // namespace

} // namespace simtest
