// The simulator binary as the Ethernet gateway, end to end over loopback. Every message here is
// written out from the Ethernet link's message and image tables (big-endian numbers), independently
// of the simulator's code. Each test runs its gateway on a port of its own that was free just before.
#include "EthernetClient.h"
#include "SimProcess.h"

#include "model/ConfigStore.h"
#include "model/JsonForm.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

namespace simtest {

namespace {

using namespace std::chrono_literals;

const Bytes kSearch = {0, 0, 0, 3, 0, 0, 0, 0};
const Bytes kRead = {0, 0, 0, 5, 0, 0, 0, 0};
const Bytes kRestart = {0, 0, 0, 0x0A, 0, 0, 0, 8, 'K', 'e', 'l', 'm', 'a', 'r', 'o', 'x'};
const Bytes kWriteAck = {0, 0, 0, 6, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0};

struct Patch {
    std::size_t offset;
    Bytes bytes;
};

// A 1272-byte message with `header` (command and length) and `patches` over zeros.
Bytes message(Bytes header, std::initializer_list<Patch> patches)
{
    Bytes m(1272, 0);
    std::copy(header.begin(), header.end(), m.begin());
    for (const Patch &p : patches)
        std::copy(p.bytes.begin(), p.bytes.end(), m.begin() + static_cast<std::ptrdiff_t>(p.offset));
    return m;
}

// A write of: DHCP, 10.20.30.40/255.255.255.0 via 10.20.30.1, DNS 9.9.9.9 and none (all ones);
// subnet 1 at 38400 8E1, 500 ms, 30 ms delay, cycle, scan ratio 4, commands slave 5 function 3 at
// 40001.., slave 7 function 16, slave 5 function 1; subnet 2 at 9600 7O2 with one command.
const Bytes kImage = message({0, 0, 0, 6, 0, 0, 0x04, 0xF0},
                             {
                                 {11, {1}},
                                 {12, {10, 20, 30, 40, 255, 255, 255, 0, 10, 20, 30, 1, 9, 9, 9, 9, 255, 255, 255, 255}},
                                 {32, {0x00, 0x00, 0x96, 0x00, 8, 2, 1}},
                                 {40, {0x00, 0x00, 0x25, 0x80, 7, 1, 2}},
                                 {60, {0, 0, 0x01, 0xF4, 0, 0, 0, 30, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 3}},
                                 {84, {5, 3, 0x9C, 0x41, 0x00, 0x0A, 0x00, 0x10, 0, 0, 0, 0}},
                                 {96, {7, 16, 0x00, 0x01, 0x00, 0x02, 0x40, 0x00, 0, 1, 1, 0}},
                                 {108, {5, 1, 0x00, 0x00, 0x00, 0x10, 0x00, 0x30, 2, 0, 2, 0}},
                                 {692, {0, 0, 0, 1}},
                                 {696, {9, 4, 0x00, 0x07, 0x00, 0x01, 0x00, 0x40, 0, 1, 0, 0}},
                             });

Bytes withCode(Bytes bytes, std::uint8_t code)
{
    bytes[3] = code;
    return bytes;
}

Bytes head(const Bytes &bytes, std::size_t n) { return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size()))); }

std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A running Ethernet gateway on a free loopback port.
struct EthernetSession {
    explicit EthernetSession(std::vector<std::string> args = {})
        : port(freeLoopbackPort()), sim(SimProcess::ethernet(port, std::move(args)))
    {
    }

    void open()
    {
        ASSERT_NE(port, 0) << "no free port on 127.0.0.1";
        std::string error;
        ASSERT_TRUE(sim->start(error)) << error;
    }

    // One request on a new connection and the reply of up to `total` bytes.
    StreamClient::Reading exchange(const Bytes &request, std::size_t total, int timeoutMs = 2000)
    {
        StreamClient client;
        EXPECT_TRUE(client.connect(port)) << std::strerror(client.error());
        EXPECT_TRUE(client.send(request));
        return client.read(total, timeoutMs);
    }

    std::uint16_t port;
    std::unique_ptr<SimProcess> sim;
};

// ---- search ------------------------------------------------------------------------------------

TEST(GatewaySimEthernetSearch, ReplyCarriesTheIdentityItWasGiven)
{
    const struct {
        std::vector<std::string> args;
        std::vector<Patch> patches;
    } cases[] = {
        {{}, {{24, {0, 5, 0, 0, 0x02, 0x00, 0x00, 0x00, 0x05, 0x80}}, {36, {127, 0, 0, 1}}, {64, {0, 0, 0, 1}}}},
        {{"--ip", "192.168.1.20", "--mac", "00-1a-2b-3c-4d-5e", "--firmware", "1.10", "--permission", "2"},
         {{24, {0, 1, 0, 0x0A, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}}, {36, {192, 168, 1, 20}}, {64, {0, 0, 0, 2}}}},
        {{"--firmware=258.65535", "--mac=FF:FE:FD:FC:FB:FA", "--permission=4294967295"},
         {{24, {1, 2, 0xFF, 0xFF, 0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA}}, {36, {127, 0, 0, 1}}, {64, {0xFF, 0xFF, 0xFF, 0xFF}}}},
    };
    for (const auto &c : cases) {
        EthernetSession s(c.args);
        ASSERT_NO_FATAL_FAILURE(s.open());
        SearchClient client;
        ASSERT_TRUE(client.valid());
        client.send(s.port, kSearch);
        const std::optional<Bytes> reply = client.receive(2000);
        ASSERT_TRUE(reply) << "no search reply";
        Bytes expected(68, 0);
        expected[3] = 3;
        for (const Patch &p : c.patches)
            std::copy(p.bytes.begin(), p.bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(p.offset));
        // Bytes 4..23 are the gateway's own; the tabled fields are checked.
        Bytes got = *reply;
        ASSERT_EQ(got.size(), 68u);
        std::fill(got.begin() + 4, got.begin() + 24, 0);
        std::fill(got.begin() + 34, got.begin() + 36, 0);
        std::fill(got.begin() + 40, got.begin() + 64, 0);
        EXPECT_EQ(hex(got), hex(expected));
    }
}

TEST(GatewaySimEthernetSearch, OnlySearchRequestsAreAnsweredAndEachOne)
{
    EthernetSession s;
    ASSERT_NO_FATAL_FAILURE(s.open());
    SearchClient client;
    ASSERT_TRUE(client.valid());
    for (const Bytes &other : {kRead, Bytes{0, 0, 0, 3}, Bytes{}}) {
        client.send(s.port, other);
        EXPECT_EQ(client.receive(200), std::nullopt) << hex(other);
    }
    // Two requests, two replies: nothing is held back or merged.
    client.send(s.port, kSearch);
    client.send(s.port, kSearch);
    for (int i = 0; i < 2; ++i) {
        const auto reply = client.receive(2000);
        ASSERT_TRUE(reply) << i;
        EXPECT_EQ(head(*reply, 4), Bytes({0, 0, 0, 3}));
    }
}

// ---- configuration transfer --------------------------------------------------------------------

TEST(GatewaySimEthernetTransfer, AWriteInPiecesIsAcknowledgedAndReadBackByteForByte)
{
    EthernetSession s;
    ASSERT_NO_FATAL_FAILURE(s.open());
    {
        StreamClient client;
        ASSERT_TRUE(client.connect(s.port)) << std::strerror(client.error());
        // Header and image split anywhere: the gateway goes by the header's length.
        ASSERT_TRUE(client.send(head(kImage, 5)));
        usleep(20000);
        ASSERT_TRUE(client.send(Bytes(kImage.begin() + 5, kImage.begin() + 700)));
        usleep(20000);
        ASSERT_TRUE(client.send(Bytes(kImage.begin() + 700, kImage.end())));
        const StreamClient::Reading ack = client.read(16, 2000);
        EXPECT_EQ(hex(ack.all()), hex(kWriteAck));
        // The same connection reads it back.
        ASSERT_TRUE(client.send(kRead));
        EXPECT_EQ(hex(client.read(1272, 2000).all()), hex(withCode(kImage, 5)));
    }
    // And so does a new one, with nothing more than the image.
    const StreamClient::Reading read = s.exchange(kRead, 1400, 500);
    EXPECT_EQ(hex(read.all()), hex(withCode(kImage, 5)));
}

TEST(GatewaySimEthernetTransfer, WritesItCannotHoldAreRefusedAndChangeNothing)
{
    EthernetSession s;
    ASSERT_NO_FATAL_FAILURE(s.open());
    const Bytes before = s.exchange(kRead, 1272).all();
    ASSERT_EQ(before.size(), 1272u);
    Bytes tooMany = kImage;
    tooMany[83] = 49;
    Bytes shorter = head(kImage, 1270);
    shorter[7] = 0xEE;
    for (const Bytes &bad : {tooMany, shorter}) {
        const StreamClient::Reading r = s.exchange(bad, 16);
        EXPECT_EQ(hex(r.all()), hex({0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
    EXPECT_EQ(hex(s.exchange(kRead, 1272).all()), hex(before));

    // A header announcing more than an image ends the connection without a reply.
    const StreamClient::Reading huge = s.exchange({0, 0, 0, 6, 0x7F, 0xFF, 0xFF, 0xFF, 1, 2, 3}, 16);
    EXPECT_TRUE(huge.closed);
    EXPECT_TRUE(huge.all().empty());
}

TEST(GatewaySimEthernetTransfer, ANewGatewayHoldsANewTypeFourConfiguration)
{
    EthernetSession s;
    ASSERT_NO_FATAL_FAILURE(s.open());
    // Manual assignment, 192.168.0.10/255.255.255.0 via 192.168.0.1, no DNS; both subnets at
    // 19200 8N1, 300 ms, no delay, change of value, scan ratio 10, no commands.
    const Bytes expected = message({0, 0, 0, 5, 0, 0, 0x04, 0xF0},
                                   {
                                       {12, {192, 168, 0, 10, 255, 255, 255, 0, 192, 168, 0, 1}},
                                       {32, {0, 0, 0x4B, 0x00, 8, 0, 1, 0, 0, 0, 0x4B, 0x00, 8, 0, 1}},
                                       {60, {0, 0, 0x01, 0x2C, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 10}},
                                       {672, {0, 0, 0x01, 0x2C, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 10}},
                                   });
    EXPECT_EQ(hex(s.exchange(kRead, 1272).all()), hex(expected));
}

TEST(GatewaySimEthernetTransfer, StartsFromAProjectAndSavesEveryAcceptedWrite)
{
    SimProcess folder;
    const std::string state = folder.path("start.json");
    const std::string save = folder.path("held.json");
    {
        auto store = std::make_unique<tqv::ConfigStore>();
        store->newConfiguration();
        store->gatewayType = 4;
        store->resetToDefaults();
        store->applyFieldbusType();
        store->fieldbus.ipAddress = "172.16.0.2";
        tqv::CONFIG &c = store->subnets[1];
        c.masterBaud = "115200";
        c.commandCount = 1;
        c.commands[0].slaveAddress = "3";
        c.commands[0].functionCode = "4";
        c.commands[0].startAddress = "10";
        c.commands[0].quantity = "2";
        c.commands[0].mappingAddress = "20";
        c.commands[0].mappingBit = "0";
        std::ofstream(state) << tqv::storeToJson(*store);
    }
    EthernetSession s({"--state", state, "--save", save});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const Bytes start = s.exchange(kRead, 1272).all();
    ASSERT_EQ(start.size(), 1272u);
    EXPECT_EQ(hex(head(Bytes(start.begin() + 12, start.end()), 4)), hex({172, 16, 0, 2}));
    EXPECT_EQ(hex(Bytes(start.begin() + 40, start.begin() + 44)), hex({0x00, 0x01, 0xC2, 0x00}));
    EXPECT_EQ(hex(Bytes(start.begin() + 692, start.begin() + 708)),
              hex({0, 0, 0, 1, 3, 4, 0, 10, 0, 2, 0, 0x20, 0, 0, 0, 0}));
    EXPECT_FALSE(std::filesystem::exists(save)) << "saved before any write";

    EXPECT_EQ(hex(s.exchange(kImage, 16).all()), hex(kWriteAck));
    // On disk by the time the acknowledgement is.
    auto saved = std::make_unique<tqv::ConfigStore>();
    ASSERT_TRUE(tqv::storeFromJson(readText(save), *saved)) << readText(save);
    EXPECT_EQ(saved->gatewayType, 4u);
    EXPECT_EQ(saved->fieldbus.ipAssignMode, "DHCP");
    EXPECT_EQ(saved->fieldbus.ipAddress, "10.20.30.40");
    EXPECT_EQ(saved->fieldbus.dns1, "9.9.9.9");
    EXPECT_EQ(saved->fieldbus.dns2, "0.0.0.0");
    const tqv::CONFIG &a = saved->subnets[0];
    EXPECT_EQ(a.masterBaud, "38400");
    EXPECT_EQ(a.masterParity, "Even parity");
    EXPECT_EQ(a.responseTimeout, "500");
    EXPECT_EQ(a.pollDelay, "30");
    EXPECT_EQ(a.outputMode, "Cycle");
    EXPECT_EQ(a.scanRatio, "4");
    ASSERT_EQ(a.commandCount, 3);
    ASSERT_EQ(a.nodeCount, 2);
    EXPECT_EQ(a.nodes[0].name, "Node-5");
    EXPECT_EQ(a.nodes[1].name, "Node-7");
    EXPECT_EQ(a.commands[0].startAddress, "40001");
    EXPECT_EQ(a.commands[1].mappingAddress, "4000");
    EXPECT_EQ(a.commands[1].scanType, "Slow-scan");
    EXPECT_EQ(a.commands[2].nodeNumber, 1);
    EXPECT_EQ(a.commands[2].dataFormat, "Four-byte-exchange");
    const tqv::CONFIG &b = saved->subnets[1];
    EXPECT_EQ(b.masterBaud, "9600");
    EXPECT_EQ(b.masterParity, "Odd parity");
    ASSERT_EQ(b.commandCount, 1);
    EXPECT_EQ(b.commands[0].slaveAddress, "9");
    EXPECT_EQ(b.commands[0].mappingAddress, "40");

    // A gateway started on the saved project holds the same image, but for two values the upload
    // reads as others: the second DNS address of all ones (its default 0.0.0.0) and subnet 2's
    // output mode 0 ("Change of Value", 3).
    EXPECT_EQ(s.sim->stop(), 0);
    EthernetSession again({"--state", save});
    ASSERT_NO_FATAL_FAILURE(again.open());
    Bytes expected = withCode(kImage, 5);
    std::fill_n(expected.begin() + 28, 4, 0);
    expected[683] = 3;
    EXPECT_EQ(hex(again.exchange(kRead, 1272).all()), hex(expected));
}

TEST(GatewaySimEthernetTransfer, EveryRestartWithTheKeyIsPrintedAndCounted)
{
    EthernetSession s;
    ASSERT_NO_FATAL_FAILURE(s.open());
    StreamClient client;
    ASSERT_TRUE(client.connect(s.port));
    ASSERT_TRUE(client.send(kImage));
    EXPECT_EQ(hex(client.read(16, 2000).all()), hex(kWriteAck));
    // The restart follows the acknowledged write on the same connection, as a download does.
    ASSERT_TRUE(client.send(kRestart));
    EXPECT_EQ(s.sim->nextLine(2000), "restart");
    Bytes wrongKey = kRestart;
    wrongKey[8] = 'k';
    ASSERT_TRUE(client.send(wrongKey));
    ASSERT_TRUE(client.send(kRestart));
    EXPECT_EQ(s.sim->nextLine(2000), "restart");
    EXPECT_EQ(s.sim->nextLine(200), std::nullopt);
    EXPECT_TRUE(client.read(1, 100).pieces.empty()) << "a restart gets no reply";
    EXPECT_EQ(s.sim->stop(SIGINT), 0);
    EXPECT_NE(s.sim->stderrText().find("2 restarts recorded"), std::string::npos) << s.sim->stderrText();
}

// ---- failure modes -----------------------------------------------------------------------------

TEST(GatewaySimEthernetFailures, NoAnswerLeavesEveryRequestUnansweredAndUndone)
{
    SimProcess folder;
    const std::string save = folder.path("held.json");
    EthernetSession s({"--fail", "no-answer", "--save", save});
    ASSERT_NO_FATAL_FAILURE(s.open());
    SearchClient search;
    search.send(s.port, kSearch);
    EXPECT_EQ(search.receive(300), std::nullopt);
    StreamClient client;
    ASSERT_TRUE(client.connect(s.port)) << "connections are still accepted";
    for (const Bytes &request : {kRead, kImage, kRestart}) {
        ASSERT_TRUE(client.send(request));
        const StreamClient::Reading r = client.read(16, 300);
        EXPECT_TRUE(r.pieces.empty()) << hex(head(request, 8));
        EXPECT_FALSE(r.closed);
    }
    EXPECT_EQ(s.sim->nextLine(100), std::nullopt) << "no restart";
    EXPECT_FALSE(std::filesystem::exists(save)) << "the write was not kept";
    EXPECT_EQ(s.sim->stop(), 0);
    auto saved = std::make_unique<tqv::ConfigStore>();
    ASSERT_TRUE(tqv::storeFromJson(readText(save), *saved));
    EXPECT_EQ(saved->fieldbus.ipAddress, "192.168.0.10");
}

TEST(GatewaySimEthernetFailures, WrongCodeAnswersEveryRequestWithAnotherCode)
{
    EthernetSession s({"--fail", "wrong-code"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    SearchClient search;
    search.send(s.port, kSearch);
    const auto found = search.receive(2000);
    ASSERT_TRUE(found);
    EXPECT_EQ(hex(head(*found, 4)), hex({0, 0, 0, 5}));

    const Bytes before = s.exchange(kRead, 1272).all();
    ASSERT_EQ(before.size(), 1272u);
    EXPECT_EQ(hex(head(before, 8)), hex({0, 0, 0, 6, 0, 0, 0x04, 0xF0}));
    EXPECT_EQ(hex(s.exchange(kImage, 16).all()), hex({0, 0, 0, 5, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(hex(s.exchange(kRead, 1272).all()), hex(before)) << "a write answered wrongly is not kept";
}

TEST(GatewaySimEthernetFailures, RefuseLeavesTheTcpPortClosedButStillAnswersTheSearch)
{
    EthernetSession s({"--fail", "refuse"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    StreamClient client;
    EXPECT_FALSE(client.connect(s.port));
    EXPECT_EQ(client.error(), ECONNREFUSED) << std::strerror(client.error());
    SearchClient search;
    search.send(s.port, kSearch);
    const auto found = search.receive(2000);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size(), 68u);
}

TEST(GatewaySimEthernetFailures, PiecesDeliversTheWholeReadReplyInPausedSegments)
{
    EthernetSession s({"--fail", "pieces"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.exchange(kImage, 16).all()), hex(kWriteAck)) << "only the read reply is cut";
    StreamClient client;
    ASSERT_TRUE(client.connect(s.port));
    const auto asked = Clock::now();
    ASSERT_TRUE(client.send(kRead));
    const StreamClient::Reading r = client.read(1272, 3000);
    EXPECT_EQ(hex(r.all()), hex(withCode(kImage, 5)));
    ASSERT_FALSE(r.pieces.empty());
    // Four segments 20 ms apart: the last cannot come before 60 ms, and it comes in several reads.
    EXPECT_GE(r.pieces.back().at - asked, 60ms);
    EXPECT_GE(r.pieces.size(), 2u);
    EXPECT_FALSE(r.closed);
    // The connection still serves.
    ASSERT_TRUE(client.send(kRead));
    EXPECT_EQ(client.read(1272, 3000).all().size(), 1272u);
}

TEST(GatewaySimEthernetFailures, ShortCutsTheReadReplyAndClosesTheConnection)
{
    EthernetSession s({"--fail", "short"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    EXPECT_EQ(hex(s.exchange(kImage, 16).all()), hex(kWriteAck));
    const StreamClient::Reading r = s.exchange(kRead, 1272, 3000);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(hex(r.all()), hex(head(withCode(kImage, 5), 636)));
}

TEST(GatewaySimEthernetFailures, ModesCombine)
{
    EthernetSession s({"--fail", "pieces", "--fail", "short", "--fail", "wrong-code"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    const auto asked = Clock::now();
    const StreamClient::Reading r = s.exchange(kRead, 1272, 3000);
    EXPECT_TRUE(r.closed);
    ASSERT_EQ(r.all().size(), 636u);
    EXPECT_EQ(hex(head(r.all(), 8)), hex({0, 0, 0, 6, 0, 0, 0x04, 0xF0}));
    // Cut at 636, the pieces are 8, 292 and 336 bytes: two pauses.
    ASSERT_FALSE(r.pieces.empty());
    EXPECT_GE(r.pieces.back().at - asked, 40ms);
}

// ---- the process -------------------------------------------------------------------------------

TEST(GatewaySimEthernetProcess, BadUsageExitsWithTwo)
{
    SimProcess folder;
    const std::string serialProject = folder.path("serial.json");
    const std::string crowded = folder.path("crowded.json");
    {
        auto store = std::make_unique<tqv::ConfigStore>();
        store->newConfiguration();
        std::ofstream(serialProject) << tqv::storeToJson(*store);
        store->gatewayType = 4;
        store->resetToDefaults();
        store->subnets[1].commandCount = 49;
        std::ofstream(crowded) << tqv::storeToJson(*store);
    }
    const std::uint16_t port = freeLoopbackPort();
    const std::string portSetting = "TQV580_GATEWAY_PORT=" + std::to_string(port);
    const struct {
        std::vector<std::string> args;
        std::string env;
    } cases[] = {
        {{"--ethernet", "--pty", "/tmp/x"}, portSetting},
        {{"--ethernet", "--fail", "split:all"}, portSetting},
        {{"--ethernet", "--ip", "localhost"}, portSetting},
        {{"--ethernet", "--mac", "00-1a-2b"}, portSetting},
        {{"--ethernet", "--permission", "yes"}, portSetting},
        {{"--ethernet", "--state", serialProject}, portSetting},
        {{"--ethernet", "--state", crowded}, portSetting},
        {{"--ethernet", "--state", "/nonexistent/state.json"}, portSetting},
        {{"--ethernet"}, "TQV580_GATEWAY_PORT=0"},
        {{"--ethernet"}, "TQV580_GATEWAY_PORT=65536"},
        {{"--ethernet"}, "TQV580_GATEWAY_PORT=18801x"},
    };
    for (const auto &c : cases) {
        const RunResult r = SimProcess::runToEnd(c.args, {c.env});
        std::string joined = c.env + " ";
        for (const auto &a : c.args)
            joined += a + " ";
        EXPECT_EQ(r.exitStatus, 2) << joined;
        EXPECT_FALSE(r.err.empty()) << joined;
        EXPECT_EQ(r.out, "") << joined;
    }
}

TEST(GatewaySimEthernetProcess, APortInUseIsARuntimeFailure)
{
    const std::uint16_t port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(taken, reinterpret_cast<const sockaddr *>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    const RunResult r = SimProcess::runToEnd({"--ethernet"}, {"TQV580_GATEWAY_PORT=" + std::to_string(port)});
    ::close(taken);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("TCP 127.0.0.1:" + std::to_string(port)), std::string::npos) << r.err;
}

TEST(GatewaySimEthernetProcess, SigtermDuringPausedPiecesStopsItAndSaves)
{
    SimProcess folder;
    const std::string save = folder.path("at-exit.tqv");
    EthernetSession s({"--fail", "pieces", "--save", save});
    ASSERT_NO_FATAL_FAILURE(s.open());
    StreamClient client;
    ASSERT_TRUE(client.connect(s.port));
    ASSERT_TRUE(client.send(kRead));
    const auto asked = Clock::now();
    EXPECT_EQ(s.sim->stop(), 0) << s.sim->stderrText();
    EXPECT_LT(Clock::now() - asked, 5s);
    EXPECT_TRUE(std::filesystem::exists(save));
}

} // namespace

} // namespace simtest
