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

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace simtest {

namespace {

using namespace std::chrono_literals;

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

// Each mode spoils the replies it names, in its way, and leaves the others alone; `wait` is the
// least time the reply may take; no reply: none comes. An error reply stores nothing: the count
// read after it is 0.
TEST(GatewaySimFailures, ModesSpoilTheRepliesTheyNameAndCombine)
{
    struct Exchange {
        Bytes request, reply;
        std::chrono::milliseconds wait{0};
    };
    const struct {
        std::vector<std::string> args;
        std::vector<Exchange> exchanges;
    } cases[] = {
        {{"--fail", "timeout:21", "--fail", "timeout:0x22", "--gateway-type", "0"},
         {{withSum({0x21, 0x04, 0x0A, 0x02, 0x03, 0x01}), {}},
          {{0x22, 0x00, 0x22}, {}},
          {{0x01, 0x00, 0x01}, {0x01, 0x08, 0x01, 0x05, 0x00, 0, 0, 0, 0, 0, 0x0F}}}},
        {{"--fail", "sum:01", "--fail", "sum:05"},
         {{{0x01, 0x00, 0x01}, {0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x13}},
          {withSum({0x05, 0x04, 0x00, 0x0A, 0x00, 0x14}), {0x05, 0x00, 0x06}},
          {{0x33, 0x00, 0x33}, {0x33, 0x01, 0x03, 0x37}}}},
        {{"--fail", "error:10:3", "--fail", "error:0x35:0x07"},
         {{commandFrame(0, 0, 1, 3, 0, 1, 0, 0, 0, 0), {0x90, 0x02, 0x03, 0x00, 0x95}},
          {{0x15, 0x01, 0x00, 0x16}, {0x15, 0x03, 0x00, 0x00, 0x00, 0x18}},
          {{0x35, 0x00, 0x35}, {0xB5, 0x02, 0x07, 0x00, 0xBE}}}},
        {{"--fail", "slow:01:200", "--fail", "slow:all:0"},
         {{{0x01, 0x00, 0x01}, {0x01, 0x08, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0x12}, 200ms}}},
        {{"--fail", "error:all:9", "--fail", "sum:33", "--fail", "slow:33:100"},
         {{{0x33, 0x00, 0x33}, {0xB3, 0x02, 0x09, 0x00, 0xBF}, 100ms},
          {{0x01, 0x00, 0x01}, {0x81, 0x02, 0x09, 0x00, 0x8C}}}},
    };
    for (const auto &c : cases) {
        Session s(c.args);
        ASSERT_NO_FATAL_FAILURE(s.open());
        for (const Exchange &e : c.exchanges) {
            const auto sent = Clock::now();
            if (e.reply.empty()) {
                s.line.send(e.request);
                EXPECT_EQ(hex(s.line.readFor(300)), "") << c.args[1] << " " << hex(e.request);
                continue;
            }
            EXPECT_EQ(hex(s.line.exchange(e.request, 3000)), hex(e.reply)) << c.args[1] << " " << hex(e.request);
            const auto took = Clock::now() - sent;
            EXPECT_GE(took, e.wait) << c.args[1];
            EXPECT_LT(took, 3s);
        }
    }
}

// ---- state files -------------------------------------------------------------------------------

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

// ---- the process -------------------------------------------------------------------------------

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
