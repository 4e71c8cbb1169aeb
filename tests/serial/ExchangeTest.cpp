// The exchange over a scripted link and a fake clock: replies in one piece and in two, too late,
// with a wrong sum, error replies, stale bytes, the longer limit of the command-block read, the
// replies whose length is not checked, and the two fixed exchanges of the character intervals.
#include "serial/Exchange.h"
#include "serial/FrameBuilder.h"
#include "serial/FrameBytes.h"
#include "resources/Strings.h"
#include "support/FakeSerialLink.h"

#include <gtest/gtest.h>

#include <optional>

namespace tqv {
namespace {

using namespace std::chrono_literals;

const std::string kAck10 = bytes({0x10, 0x00, 0x10});
const std::string kGatewayType4 = bytes({0x01, 0x08, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11});

class ExchangeTest : public ::testing::Test {
protected:
    Exchange download() { return Exchange(link, clock, Judge::Download, ReplyContext{3, false, false}); }
    Exchange upload(ReplyContext context = {1, false, false}) { return Exchange(link, clock, Judge::Upload, context); }

    FakeClock clock;
    FakeSerialLink link{clock};
};

TEST_F(ExchangeTest, ReplyIsTakenAsSoonAsItsLengthByteSaysItIsComplete)
{
    link.reply(kGatewayType4, 7ms);
    Exchange ex = download();
    const ExchangeResult r = ex.run(buildReadGatewayType());
    EXPECT_EQ(r.status, ExchangeStatus::Accepted);
    EXPECT_EQ(r.judged, 0x01);
    EXPECT_EQ(r.reply, kGatewayType4);
    EXPECT_EQ(r.elapsed, 7ms); // not after a fixed settle sleep
    EXPECT_EQ(clock.sleeps, 0);
    ASSERT_EQ(link.written.size(), 1u);
    EXPECT_EQ(link.written[0], bytes({0x01, 0x00, 0x01}));
}

// How one exchange on a fresh link ends: the reply as it arrives (no pieces: none comes), and the
// status and time it ends with (nothing: the time is not the point of the row).
TEST(ExchangeEnds, ByLengthByteQuietLineOrTimeLimit)
{
    const Frame writeCommand = bytes({0x10, 0x0D, 0, 0, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x22});
    std::string badSum = kGatewayType4;
    badSum.back() = 0x12;
    std::string subnet = bytes({0x04, 0x17, 0x00, 0x00, 0x05, 0, 0, 0, 0, 0, 0x01, 0x2C, 0, 0x03, 0, 0x0A, 0x02,
                                0, 0, 0, 0, 0, 0, 0, 0x01});
    subnet += static_cast<char>(frameSum(subnet));
    const auto ok = ExchangeStatus::Accepted;
    const struct {
        const char *what;
        std::vector<ReplyPiece> pieces;
        Judge judge;
        std::uint32_t type;
        Frame request;
        ExchangeStatus status;
        std::optional<Millis> elapsed;
    } rows[] = {
        {"no reply: 300 ms", {}, Judge::Download, 3, buildClearCommands(0), ExchangeStatus::Timeout, 300ms},
        {"split acknowledgement", {{5ms, bytes({0x10, 0x00})}, {40ms, bytes({0x10})}}, Judge::Download, 3, writeCommand,
         ok, 40ms},
        {"rest within the limit", {{5ms, bytes({0x10, 0x00})}, {250ms, bytes({0x10})}}, Judge::Download, 3, kAck10, ok,
         250ms},
        {"incomplete at the limit: judged as it is", {{5ms, bytes({0x10, 0x00})}, {400ms, bytes({0x10})}},
         Judge::Download, 3, kAck10, ExchangeStatus::Rejected, 300ms},
        {"first byte just before the limit gets the settle time", {{290ms, bytes({0x10})}, {320ms, bytes({0x00, 0x10})}},
         Judge::Download, 3, kAck10, ok, 320ms},
        {"wrong sum", {{5ms, badSum}}, Judge::Upload, 1, buildReadGatewayType(), ExchangeStatus::Rejected, {}},
        {"error reply of another request", {{5ms, bytes({0x90, 0x02, 0x03, 0x00, 0x95})}}, Judge::Download, 3,
         buildWriteSubnet(ConfigStore{}, 0), ExchangeStatus::Rejected, {}},
        // 0x16 N=1: subnet 0, no records; the command-block read waits up to 1000 ms.
        {"command block at 900 ms", {{900ms, bytes({0x16, 0x01, 0x00, 0x17})}}, Judge::Upload, 1,
         buildReadCommandBlock(0, 0), ok, 900ms},
        {"no command block: 1000 ms", {}, Judge::Upload, 1, buildReadCommandBlock(0, 1), ExchangeStatus::Timeout, 1000ms},
        // 0x32 and 0x33 replies are judged by their first bytes, but a complete frame is taken at
        // once, even in two pieces; one whose length byte promises more ends on a quiet line.
        {"0x33 in two pieces", {{10ms, bytes({0x33, 0x01})}, {40ms, bytes({0x05, 0x39})}}, Judge::Download, 3,
         buildReadTimeoutAction(), ok, 40ms},
        {"0x32 whole", {{4ms, bytes({0x32, 0x00, 0x32})}}, Judge::Download, 3, buildWriteTimeoutAction(ConfigStore{}),
         ok, 4ms},
        {"0x32 cut: a quiet line ends it", {{4ms, bytes({0x32, 0x00})}}, Judge::Download, 3,
         buildWriteTimeoutAction(ConfigStore{}), ok, 54ms},
        // The extended 0x31 reply of type 3 carries an unchecked length; its 0x04 reply ends when
        // its buffer is full.
        {"0x31 of type 3", {{5ms, bytes({0x31, 0x03, 0x03, 0x02, 0x01, 0x3A})}}, Judge::Upload, 3, buildReadProfibus(),
         ok, 55ms},
        {"0x04 of type 3", {{15ms, subnet}}, Judge::Upload, 3, buildReadSubnet(0), ok, 15ms},
    };
    for (const auto &row : rows) {
        FakeClock clock;
        FakeSerialLink link{clock};
        link.reply(row.pieces);
        const ExchangeResult r = Exchange(link, clock, row.judge, ReplyContext{row.type, false, false}).run(row.request);
        EXPECT_EQ(r.status, row.status) << row.what;
        if (row.elapsed) {
            EXPECT_EQ(r.elapsed, *row.elapsed) << row.what;
        }
        EXPECT_EQ(r.noReply(), row.pieces.empty()) << row.what;
        EXPECT_LE(link.longestWait, row.request[0] == 0x16 ? 1000ms : 300ms) << row.what;
    }
}

TEST_F(ExchangeTest, RepliesAreCutToTheirBufferAndDecodeWhole)
{
    link.reply(kGatewayType4 + std::string(40, '\x55'));
    const ExchangeResult r = upload().run(buildReadGatewayType());
    EXPECT_EQ(r.status, ExchangeStatus::Accepted);
    EXPECT_EQ(r.reply.size(), kReplyBufferSize);
    link.reply({{10ms, bytes({0x33, 0x01})}, {40ms, bytes({0x05, 0x39})}});
    EXPECT_EQ(decodeTimeoutActionReply(download().run(buildReadTimeoutAction()).reply), 5);
}

TEST_F(ExchangeTest, ErrorReplyCarriesItsCode)
{
    link.reply(bytes({0x90, 0x02, 0x03, 0x00, 0x95}));
    const ExchangeResult r = download().run(bytes({0x10, 0x0D, 0, 0, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x22}));
    EXPECT_EQ(r.status, ExchangeStatus::ErrorReply);
    EXPECT_EQ(r.judged, 0x90);
    EXPECT_EQ(r.errorCode, 3);
    EXPECT_TRUE(r.refusedWith(kErrorOneSlaveOnly));
    EXPECT_FALSE(r.refusedWith(4));
}

// A failed exchange names its step from the request's own bytes, and why it failed.
TEST_F(ExchangeTest, AFailureNamesItsStepAndReason)
{
    setLanguage(Language::English);
    const std::string writeCommand3 = bytes({0x10, 0x0D, 0, 2, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x24});
    const struct {
        bool upload;
        std::string request, reply, step, reason;
    } rows[] = {
        {true, buildReadCommandBlock(1, 2), "", "Read command block 3 of subnet 2 (0x16)", "no answer within 1000 ms"},
        {true, buildReadGatewayType(), kGatewayType4.substr(0, 10) + '\x12', "Read the gateway type (0x01)",
         "the reply's checksum is wrong"},
        {false, writeCommand3, bytes({0x90, 0x02, 0x03, 0x00, 0x95}), "Write command 3 of subnet 1 (0x10)",
         "the gateway refused the request with error code 3: it accepts commands for one Modbus slave only"},
        {false, buildWriteSubnet(ConfigStore{}, 0), bytes({0x83, 0x02, 0x07, 0x00, 0x8C}),
         "Write the parameters of subnet 1 (0x03)", "the gateway refused the request with error code 7: no meaning is known for this code"},
    };
    for (const auto &r : rows) {
        r.reply.empty() ? link.noReply() : link.reply(r.reply);
        Exchange ex = r.upload ? upload() : download();
        const TransferFailure failure = failureOf(r.request, ex.run(r.request));
        EXPECT_EQ(failure.step, r.step);
        EXPECT_EQ(failure.reasonText(), r.reason) << r.step;
    }
}

TEST_F(ExchangeTest, LateBytesAreDroppedBeforeTheNextRequest)
{
    link.reply(kAck10, 400ms); // after the 300 ms limit
    EXPECT_EQ(download().run(kAck10).status, ExchangeStatus::Timeout);
    clock.advance(200ms); // the step's message box was shown; the late reply is in meanwhile
    link.reply(bytes({0x14, 0x00, 0x14}));
    const ExchangeResult r = download().run(buildClearCommands(0));
    EXPECT_EQ(r.status, ExchangeStatus::Accepted);
    EXPECT_EQ(link.discarded, kAck10);
}

TEST_F(ExchangeTest, LateBytesArrivingDuringTheNextExchangeSpoilIt)
{
    link.reply(kAck10, 310ms);
    EXPECT_EQ(download().run(kAck10).status, ExchangeStatus::Timeout);
    link.reply(bytes({0x14, 0x00, 0x14}), 20ms);
    EXPECT_EQ(download().run(buildClearCommands(0)).status, ExchangeStatus::Rejected);
}

TEST_F(ExchangeTest, WriteFailureIsNoReply)
{
    link.failWrites = true;
    const ExchangeResult r = download().run(kAck10);
    EXPECT_EQ(r.status, ExchangeStatus::LinkFailed);
    EXPECT_TRUE(r.noReply());
    EXPECT_EQ(download().sendAndCompare(bytes({0x05, 0x04, 0, 0, 0, 0, 0x09})).status, ExchangeStatus::LinkFailed);
}

TEST_F(ExchangeTest, CancelStopsAWaitingExchange)
{
    std::atomic<bool> cancel{true};
    link.noReply();
    Exchange ex = download();
    ex.setCancelFlag(&cancel);
    const ExchangeResult r = ex.run(kAck10);
    EXPECT_EQ(r.status, ExchangeStatus::Cancelled);
    EXPECT_EQ(clock.now(), 0ms);
    cancel = false;
    link.reply(kAck10);
    EXPECT_EQ(ex.run(kAck10).status, ExchangeStatus::Accepted);
}

struct RuleCase {
    std::uint8_t request;
    std::size_t buffer;
    Millis limit;
    Completion completion;
    bool discard;
};

TEST(ReplyRules, ByRequest)
{
    const ReplyContext type1{1, false, false};
    const RuleCase cases[] = {
        {0x01, 26, 300ms, Completion::LengthByte, true}, {0x03, 26, 300ms, Completion::LengthByte, true},
        {0x04, 26, 300ms, Completion::LengthByte, true}, {0x10, 26, 300ms, Completion::LengthByte, true},
        {0x14, 26, 300ms, Completion::LengthByte, true}, {0x15, 26, 300ms, Completion::LengthByte, true},
        {0x16, 250, 1000ms, Completion::LengthByte, true}, {0x21, 26, 300ms, Completion::LengthByte, true},
        {0x22, 26, 300ms, Completion::LengthByte, true}, {0x30, 26, 300ms, Completion::LengthByte, true},
        {0x31, 26, 300ms, Completion::LengthByte, true}, {0x32, 128, 300ms, Completion::LengthOrQuiet, false},
        {0x33, 128, 300ms, Completion::LengthOrQuiet, false},    {0x34, 26, 300ms, Completion::LengthByte, false},
        {0x35, 26, 300ms, Completion::Quiet, false},
    };
    for (const RuleCase &c : cases) {
        const ReplyRule rule = replyRuleFor(c.request, type1);
        EXPECT_EQ(rule.bufferSize, c.buffer) << int(c.request);
        EXPECT_EQ(rule.timeLimit, c.limit) << int(c.request);
        EXPECT_EQ(rule.completion, c.completion) << int(c.request);
        EXPECT_EQ(rule.discardStale, c.discard) << int(c.request);
    }
    // Where the length byte is not checked, the quiet line ends the reply.
    EXPECT_EQ(replyRuleFor(0x31, {3, false, false}).completion, Completion::Quiet);
    EXPECT_EQ(replyRuleFor(0x31, {1, true, false}).completion, Completion::Quiet);
    EXPECT_EQ(replyRuleFor(0x04, {6, false, false}).completion, Completion::Quiet);
}

TEST_F(ExchangeTest, StaleBytesDoNotReachTimeoutActionExchanges)
{
    // 0x32 to 0x35 keep bytes that were waiting: a stray byte makes the reply invalid.
    link.arriveAt(0ms, bytes({0x99}));
    link.reply(bytes({0x32, 0x00, 0x32}));
    EXPECT_EQ(download().run(buildWriteTimeoutAction(ConfigStore{})).status, ExchangeStatus::Rejected);
    EXPECT_EQ(link.discarded, "");
}

TEST_F(ExchangeTest, SendAndCompare)
{
    const Frame request = bytes({0x05, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0D});
    link.reply(bytes({0x05, 0x00, 0x05}), 20ms);
    const ExchangeResult ok = download().sendAndCompare(request);
    EXPECT_EQ(ok.status, ExchangeStatus::Accepted);
    EXPECT_EQ(ok.elapsed, 20ms);

    link.reply(bytes({0x05, 0x00, 0x06}));
    EXPECT_EQ(download().sendAndCompare(request).status, ExchangeStatus::Rejected);

    link.reply(bytes({0x05, 0x00}));
    const ExchangeResult shortReply = download().sendAndCompare(request);
    EXPECT_EQ(shortReply.status, ExchangeStatus::Rejected);
    EXPECT_EQ(shortReply.elapsed, 140ms);

    // 100 ms, then the port's read limit for 3 bytes: 3 x 10 + 10 ms.
    link.reply(bytes({0x05, 0x00, 0x05}), 150ms);
    const ExchangeResult late = download().sendAndCompare(request);
    EXPECT_EQ(late.status, ExchangeStatus::Timeout);
    EXPECT_EQ(late.elapsed, 140ms);
}

TEST_F(ExchangeTest, FixedLengthRead)
{
    const std::string reply = bytes({0x06, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0E});
    link.reply(reply, 3ms);
    const ExchangeResult ok = upload().readFixedLength(buildReadCharIntervals(), 7);
    EXPECT_EQ(ok.status, ExchangeStatus::Accepted);
    EXPECT_EQ(decodeCharIntervalsReply(ok.reply), (CharIntervals{1000, 25}));

    link.noReply();
    const ExchangeResult none = upload().readFixedLength(buildReadCharIntervals(), 7);
    EXPECT_EQ(none.status, ExchangeStatus::Timeout);
    EXPECT_EQ(none.elapsed, 80ms);

    std::string bad = reply;
    bad[6] = 0x0F;
    link.reply(bad);
    EXPECT_EQ(upload().readFixedLength(buildReadCharIntervals(), 7).status, ExchangeStatus::Rejected);

    // Seven bytes within 7 x 10 + 10 ms, or the read ends with what it has.
    link.reply({{3ms, reply.substr(0, 5)}, {100ms, reply.substr(5)}});
    const ExchangeResult partial = upload().readFixedLength(buildReadCharIntervals(), 7);
    EXPECT_EQ(partial.status, ExchangeStatus::Rejected);
    EXPECT_EQ(partial.elapsed, 80ms);
}

} // namespace
} // namespace tqv
