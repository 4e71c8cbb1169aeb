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
#include <memory>
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

Bytes head(const Bytes &bytes, std::size_t n) { return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size()))); }

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

    // A search request from a new socket and the first reply within `timeoutMs`.
    std::optional<Bytes> search(int timeoutMs)
    {
        SearchClient client;
        client.send(port, kSearch);
        return client.receive(timeoutMs);
    }

    std::uint16_t port;
    std::unique_ptr<SimProcess> sim;
};

// ---- search ------------------------------------------------------------------------------------

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
    EXPECT_EQ(s.search(300), std::nullopt);
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
    const auto found = s.search(2000);
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
    const auto found = s.search(2000);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size(), 68u);
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

} // namespace

} // namespace simtest
