// The Ethernet write's checks and the write, restart and read over a scripted TCP peer: messages
// in their order, the bytes on the wire, time limits, what is closed, and what changes.
#include "ethernet/EthernetBytes.h"
#include "ethernet/ConfigImage.h"
#include "ethernet/EthernetTransfer.h"
#include "mapping/MappingTest.h"
#include "gateway/WriteChecks.h"
#include "mapping/MappingFixture.h"
#include "support/FakeNetworkLinks.h"
#include "support/ScriptedGateway.h"

#include <deque>

namespace tqv {
namespace {

using namespace std::chrono_literals;

const std::string kVacant = "Node address can not be vacant!";
const std::string kConflict = "Memory mapping conflict or mapping address is invalid!Download configuration or not?";
const std::string kIncomplete = "Memory mapped address exceeds the maximum effective value!";
const std::string kRange = "Data mapping address exceeds the maximum effective value! ";
const std::string kConnect = "Connect failed,please check IP address and the port !";
const std::string kWriteCheck = "Write configuration failed,please check IP address and the port!";
const std::string kWriteFailed = "Write failed!";
const std::string kReadCheck = "Read configuration failed,please check IP address and the port!";
const std::string kReadFailed = "Read configuration failed!";
const std::string kRestart =
    "The configuration being downloaded will be effective after restarting gateway!\nReatart gateway remotely or not";

class EthernetTransferTest : public MappingFixture {
protected:
    void SetUp() override
    {
        MappingFixture::SetUp();
        setType(4, {7});
        node(0, "5");
        command(0, "3", "2", "0", "0");
        command(0, "16", "2", "4000", "0");
    }
    bool checks(bool incomplete = false) { return ethernetWriteChecks(*s, incomplete, questions); }

    FakeClock clock;
    FakeStreamLink link{clock};
    RecordingPrompter questions;
    RecordingObserver observer;
    EthernetTransfer transfer{link, clock, questions, observer};
    const EthernetTarget target{"127.0.0.1", 40201};
};

TEST_F(EthernetTransferTest, ChecksStopInTheirOrder)
{
    EXPECT_TRUE(checks());
    EXPECT_TRUE(questions.messages.empty());

    // The incomplete mark stops without a question.
    EXPECT_FALSE(checks(true));
    EXPECT_EQ(questions.messages, (std::vector<std::string>{kIncomplete}));

    // A mapping conflict asks first: No stops, Yes goes on to the mark.
    questions.messages.clear();
    s->subnet(1).nodeCount = 1;
    s->subnet(1).nodes[0] = NODE{"8", "Node-8"};
    command(1, "3", "1", "", "0");
    questions.answers = {false};
    EXPECT_FALSE(checks(true));
    EXPECT_EQ(questions.messages, (std::vector<std::string>{mappingConflictQuestion(*s)}));
    questions.messages.clear();
    questions.answers = {true};
    EXPECT_FALSE(checks(true));
    EXPECT_EQ(questions.messages, (std::vector<std::string>{mappingConflictQuestion(*s), kIncomplete}));

    // A vacant node address of subnet 2 comes before everything.
    questions.messages.clear();
    s->subnet(1).nodes[0].address = "-1";
    EXPECT_FALSE(checks(true));
    EXPECT_EQ(questions.messages, (std::vector<std::string>{kVacant}));
    s->subnet(1).nodes[0].address = "";
    questions.messages.clear();
    EXPECT_FALSE(checks(true));
    EXPECT_EQ(questions.messages, (std::vector<std::string>{kVacant}));

    // Subnets 3 and 4 are not carried: their nodes are not looked at.
    s->subnet(1).nodeCount = 0;
    s->subnet(1).commandCount = 0;
    s->subnet(2).nodeCount = 1;
    s->subnet(2).nodes[0] = NODE{"-1", "New Node"};
    questions.messages.clear();
    EXPECT_TRUE(checks());
    EXPECT_TRUE(questions.messages.empty());

    // A command of a node its subnet does not have is refused before anything else.
    s->subnet(0).commands[1].nodeNumber = 4;
    EXPECT_FALSE(checks(true));
    EXPECT_EQ(questions.messages,
              (std::vector<std::string>{"Subnet1 command 2 names node 4, which does not exist (node count: 1)"}));
}

TEST_F(EthernetTransferTest, ByteCountsAreRecomputedAndKept)
{
    s->subnet(0).commandCount = 0;
    struct Row {
        const char *function;
        const char *quantity;
        const char *before;
        const char *after;
    };
    const Row rows[] = {
        {"1", "8", "", "1"},   {"1", "9", "", "2"},  {"2", "16", "", "2"},  {"15", "1", "", "1"},
        {"15", "17", "", "3"}, {"3", "6", "", "12"}, {"4", "1", "", "2"},   {"16", "125", "", "250"},
        {"5", "1", "", "1"},   {"6", "1", "", "2"},  {"7", "10", "9", "9"}, {"03", "6", "x", "x"},
        {"3", "", "5", "0"},
    };
    for (const Row &r : rows) {
        COMMAND &c = command(0, r.function, r.quantity, "0", "0");
        c.byteCount = r.before;
    }
    // Subnet 2 as well; subnet 3 is not carried.
    node(1, "2");
    command(1, "3", "4", "0", "0").byteCount = "";
    s->subnet(2).commandCount = 1;
    s->subnet(2).commands[0] = COMMAND{"1", "3", "0", "4", "0", "0", "", "", "", "", 1};
    recomputeByteCounts(*s);
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(s->subnet(0).commands[i].byteCount, rows[i].after) << rows[i].function << " x " << rows[i].quantity;
    EXPECT_EQ(s->subnet(1).commands[0].byteCount, "8");
    EXPECT_EQ(s->subnet(2).commands[0].byteCount, "");

    // The checks store them into the configuration they were given.
    s->subnet(1).commands[0].byteCount = "";
    EXPECT_TRUE(checks());
    EXPECT_EQ(s->subnet(1).commands[0].byteCount, "8");
}

TEST_F(EthernetTransferTest, MappingRangeLimits)
{
    struct Row {
        const char *function;
        const char *quantity;
        const char *mapping;
        bool passes;
    };
    const Row rows[] = {
        {"3", "6", "1f4", false},    // 500 + 12 = 512 > 511
        {"3", "5", "1f5", true},     // 501 + 10 = 511
        {"1", "8", "1FF", false},    // 511 + 1 (8 coils are one byte)
        {"1", "8", "1FE", true},
        {"16", "256", "4000", false}, // 16384 + 512 = 16896 > 16895
        {"16", "255", "4000", true},  // 16384 + 510
        {"5", "1", "41FE", true},
        {"6", "1", "41FE", false},
        {"15", "9", "41FD", true},    // 9 coils: 2 bytes
        {"15", "17", "41FD", false},
        {"7", "1000", "FFFF", true},  // an unknown function is not checked
    };
    for (const Row &r : rows) {
        s->subnet(0).commandCount = 0;
        s->subnet(1).commandCount = 0;
        // In subnet 2, so that the first subnet's commands cannot be the ones refused.
        node(1, "9");
        command(1, r.function, r.quantity, r.mapping, "0");
        questions.messages.clear();
        EXPECT_EQ(checks(), r.passes) << r.function << " " << r.quantity << " @" << r.mapping;
        EXPECT_EQ(questions.messages, r.passes ? std::vector<std::string>{} : std::vector<std::string>{kRange});
    }
}

TEST_F(EthernetTransferTest, MoreThanFortyEightCommandsAreRefusedBeforeConnecting)
{
    for (int i = 0; i < 46; ++i) // two from the set-up
        command(0, "3", "1", "0", "0");
    questions.answers = {true};
    EXPECT_TRUE(checks()) << "48 commands fit";
    command(0, "3", "1", "0", "0");
    questions.messages.clear();
    questions.answers = {true};
    EXPECT_FALSE(checks());
    ASSERT_EQ(questions.messages.size(), 2u);
    EXPECT_EQ(questions.messages[0].rfind(kConflict, 0), 0U); // the faults follow
    EXPECT_EQ(questions.messages[1],
              "Subnet 1 holds more than 48 commands; the Ethernet gateway takes at most 48 per subnet. Nothing was written.");

    // The write itself refuses such a configuration without connecting.
    const EthernetWriteResult r = transfer.write(*s, target);
    EXPECT_EQ(r.outcome, EthernetOutcome::Failed);
    EXPECT_TRUE(link.connects.empty());
}

TEST_F(EthernetTransferTest, WriteSendsTheImageAndTakesTheAcknowledgement)
{
    link.peer.reply(bytes({0, 0, 0, 6, 0, 0, 0, 0}), 40ms);
    const EthernetWriteResult r = transfer.write(*s, target);
    EXPECT_EQ(r.outcome, EthernetOutcome::Succeeded);
    EXPECT_TRUE(r.message.empty());
    ASSERT_EQ(link.connects.size(), 1u);
    EXPECT_EQ(link.connects[0], (std::pair<std::string, std::uint16_t>{"127.0.0.1", 40201}));
    EXPECT_EQ(link.connectTimeout, 3000ms);
    ASSERT_EQ(link.peer.written.size(), 1u);
    EXPECT_EQ(link.peer.written[0], buildConfigImage(*s).value());
    EXPECT_EQ(link.peer.written[0].substr(0, 8), bytes({0, 0, 0, 6, 0, 0, 4, 0xF0}));
    EXPECT_TRUE(link.isOpen()) << "kept for the restart";
    EXPECT_TRUE(transfer.downloaded());
    EXPECT_EQ(observer.statuses, (std::vector<std::string>{"Finish download!"}));
    EXPECT_TRUE(questions.messages.empty());
    EXPECT_EQ(clock.now(), 40ms) << "taken as soon as it is there";
}

TEST_F(EthernetTransferTest, AcknowledgementInPiecesAndLongerThanSixteen)
{
    link.peer.reply({{10ms, bytes({0, 0})}, {30ms, bytes({0, 6})}, {31ms, std::string(40, 'x')}});
    EXPECT_EQ(transfer.write(*s, target).outcome, EthernetOutcome::Succeeded);
    EXPECT_EQ(clock.now(), 30ms);
}

// After an acknowledged write: OK sends the restart, Cancel sends nothing, a failed send says so
// (the dialog stays); the connection is closed each time and a second Exit asks nothing.
TEST_F(EthernetTransferTest, RestartOfferedOnceAfterAnAcknowledgedWrite)
{
    const std::string restart = bytes({0, 0, 0, 0x0A, 0, 0, 0, 8, 'K', 'e', 'l', 'm', 'a', 'r', 'o', 'x'});
    for (const auto &[answer, failSend, expected, sent] :
         {std::tuple{true, false, RestartOutcome::Sent, true}, std::tuple{false, false, RestartOutcome::Declined, false},
          std::tuple{true, true, RestartOutcome::SendFailed, false}}) {
        FakeStreamLink l(clock);
        RecordingPrompter asked;
        EthernetTransfer t(l, clock, asked, observer);
        l.peer.reply(bytes({0, 0, 0, 6}));
        ASSERT_EQ(t.write(*s, target).outcome, EthernetOutcome::Succeeded);
        asked.answers = {answer};
        l.failWrites = failSend;
        EXPECT_EQ(t.offerRestart(), expected);
        EXPECT_EQ(asked.messages, (std::vector<std::string>{kRestart}));
        EXPECT_EQ(l.peer.written.back() == restart, sent);
        EXPECT_FALSE(l.isOpen());
        EXPECT_EQ(t.offerRestart(), RestartOutcome::NotDownloaded);
        EXPECT_EQ(asked.messages.size(), 1u);
    }
}

TEST_F(EthernetTransferTest, SecondWriteUsesANewConnection)
{
    link.peer.reply(bytes({0, 0, 0, 6}));
    link.peer.reply(bytes({0, 0, 0, 9}));
    ASSERT_EQ(transfer.write(*s, target).outcome, EthernetOutcome::Succeeded);
    EXPECT_EQ(transfer.write(*s, target).outcome, EthernetOutcome::Failed);
    EXPECT_EQ(link.connects.size(), 2u);
    EXPECT_EQ(link.closes, 2);
    EXPECT_FALSE(transfer.downloaded()) << "the restart belongs to the last write";
}

// A read reply: command 5 and an image whose subnet 1 holds three commands for slaves 5, 7, 5.
std::string readReply()
{
    std::string r(1272, '\0');
    put(r, 0, {0, 0, 0, 5, 0, 0, 0x04, 0xF0});
    put(r, 12, {192, 168, 3, 3});
    put(r, 32, {0, 0, 0x4B, 0, 8, 0, 1});
    put(r, 80, {0, 0, 0, 3});
    put(r, 84, {5, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
    put(r, 96, {7, 3, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0});
    put(r, 108, {5, 4, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0});
    return r;
}

TEST_F(EthernetTransferTest, ReadBuildsTheConfigurationAside)
{
    const std::string reply = readReply();
    link.peer.reply({{20ms, reply.substr(0, 3)}, {60ms, reply.substr(3, 700)}, {300ms, reply.substr(703)}});
    const ConfigStore before = *s;
    const EthernetReadResult r = transfer.read(*s, target);
    ASSERT_EQ(r.outcome, EthernetOutcome::Succeeded);
    EXPECT_TRUE(*s == before) << "the open configuration is not touched";
    EXPECT_EQ(link.peer.written, (std::vector<std::string>{bytes({0, 0, 0, 5, 0, 0, 0, 0})}));
    EXPECT_EQ(link.connectTimeout, 3000ms);
    EXPECT_EQ(clock.now(), 300ms);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(observer.statuses, (std::vector<std::string>{"Finish uploading!"}));
    EXPECT_TRUE(questions.messages.empty());

    const ConfigStore &c = r.configuration;
    EXPECT_EQ(c.gatewayType, 4u);
    EXPECT_TRUE(c.configModified);
    EXPECT_EQ(c.fieldbus.ipAddress, "192.168.3.3");
    ASSERT_EQ(c.subnet(0).nodeCount, 2);
    EXPECT_EQ(c.subnet(0).nodes[0].name, "Node-5");
    EXPECT_EQ(c.subnet(0).nodes[1].name, "Node-7");
    EXPECT_EQ((std::vector<int>{c.subnet(0).commands[0].nodeNumber, c.subnet(0).commands[1].nodeNumber,
                                c.subnet(0).commands[2].nodeNumber}),
              (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(c.subnet(0).commands[2].mappingAddress, "4");
    EXPECT_EQ(c.subnet(1).commandCount, 0);
}

// Each way a write or a read fails: its one message, the time it took, the connection closed,
// nothing shown as done, and no restart offered after a failed write.
TEST_F(EthernetTransferTest, FailuresSayWhyCloseAndChangeNothing)
{
    std::string wrongCode = readReply();
    put(wrongCode, 3, {6});
    std::string tooMany = readReply();
    put(tooMany, 80, {0, 0, 0, 49});
    struct Row {
        const char *name;
        bool reading;
        std::function<void(FakeStreamLink &)> peer;
        std::string message;
        Millis time;
    };
    const Row rows[] = {
        {"write refused", false, [](FakeStreamLink &l) { l.refuseConnect = true; }, kConnect, 0ms},
        {"write send fails", false, [](FakeStreamLink &l) { l.failWrites = true; }, kWriteCheck, 0ms},
        {"write no answer", false, [](FakeStreamLink &l) { l.peer.noReply(); }, kWriteCheck, 1000ms},
        {"write wrong code", false, [](FakeStreamLink &l) { l.peer.reply(bytes({0, 0, 0, 5}), 5ms); }, kWriteFailed, 5ms},
        {"write error code", false, [](FakeStreamLink &l) { l.peer.reply(bytes({0x80, 0, 0, 6}), 5ms); }, kWriteFailed,
         5ms},
        {"write too short", false, [](FakeStreamLink &l) { l.peer.reply(bytes({0, 0, 6}), 5ms); }, kWriteFailed, 1000ms},
        {"write late", false, [](FakeStreamLink &l) { l.peer.reply(bytes({0, 0, 0, 6}), 1001ms); }, kWriteCheck, 1000ms},
        {"read refused", true, [](FakeStreamLink &l) { l.refuseConnect = true; }, kConnect, 0ms},
        {"read no answer", true, [](FakeStreamLink &l) { l.peer.noReply(); }, kReadCheck, 1000ms},
        {"starts 00 00 00 06", true, [&](FakeStreamLink &l) { l.peer.reply(wrongCode, 10ms); }, kReadFailed, 10ms},
        {"wrong code first", true, [&](FakeStreamLink &l) { l.peer.reply(wrongCode.substr(0, 4), 10ms); }, kReadFailed,
         10ms},
        {"cut short", true, [&](FakeStreamLink &l) { l.peer.reply(readReply().substr(0, 1271), 10ms); }, kReadFailed,
         1000ms},
        {"rest too late", true,
         [&](FakeStreamLink &l) { l.peer.reply({{10ms, readReply().substr(0, 600)}, {1001ms, readReply().substr(600)}}); },
         kReadFailed, 1000ms},
        {"49 commands", true, [&](FakeStreamLink &l) { l.peer.reply(tooMany, 10ms); }, kReadFailed, 10ms},
    };
    for (const Row &r : rows) {
        FakeClock c;
        FakeStreamLink l(c);
        RecordingPrompter p;
        RecordingObserver o;
        EthernetTransfer t(l, c, p, o);
        r.peer(l);
        const auto [outcome, message] = [&] {
            if (r.reading) {
                const EthernetReadResult read = t.read(*s, target);
                return std::pair{read.outcome, read.message};
            }
            const EthernetWriteResult written = t.write(*s, target);
            return std::pair{written.outcome, written.message};
        }();
        EXPECT_EQ(outcome, EthernetOutcome::Failed) << r.name;
        EXPECT_EQ(message, r.message) << r.name;
        EXPECT_FALSE(l.isOpen()) << r.name;
        EXPECT_TRUE(o.statuses.empty()) << r.name;
        EXPECT_EQ(c.now(), r.time) << r.name;
        EXPECT_FALSE(t.downloaded()) << r.name;
        EXPECT_EQ(t.offerRestart(), RestartOutcome::NotDownloaded) << r.name;
        EXPECT_EQ(p.messages, (std::vector<std::string>{r.message})) << "one message, no restart question: " << r.name;
    }
    // A request that cannot be sent ends the read without a message.
    link.failWrites = true;
    const EthernetReadResult unsent = transfer.read(*s, target);
    EXPECT_EQ(unsent.outcome, EthernetOutcome::Failed);
    EXPECT_TRUE(questions.messages.empty());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(EthernetTransferTest, CancelFlagStopsAtTheNextWait)
{
    std::atomic<bool> cancel{true};
    transfer.setCancelFlag(&cancel);
    EXPECT_EQ(transfer.write(*s, target).outcome, EthernetOutcome::Cancelled);
    EXPECT_EQ(transfer.read(*s, target).outcome, EthernetOutcome::Cancelled);
    EXPECT_TRUE(link.connects.empty());
    EXPECT_TRUE(link.peer.written.empty());

    // Set while a reply is awaited (as another thread would): the wait ends there, the connection
    // is closed, and nothing is shown.
    cancel = false;
    struct CancellingLink : FakeStreamLink {
        using FakeStreamLink::FakeStreamLink;
        bool waitForBytes(Millis timeout) override
        {
            *flag = true;
            return FakeStreamLink::waitForBytes(timeout);
        }
        std::atomic<bool> *flag = nullptr;
    };
    for (bool writing : {true, false}) {
        FakeClock c;
        CancellingLink l(c);
        l.flag = &cancel;
        cancel = false;
        EthernetTransfer t(l, c, questions, observer);
        t.setCancelFlag(&cancel);
        l.peer.reply({{100ms, bytes({0, 0})}, {900ms, bytes({0, 6})}});
        const EthernetOutcome outcome =
            writing ? t.write(*s, target).outcome : t.read(*s, target).outcome;
        EXPECT_EQ(outcome, EthernetOutcome::Cancelled);
        EXPECT_EQ(c.now(), 100ms);
        EXPECT_FALSE(l.isOpen());
        EXPECT_FALSE(t.downloaded());
    }
    EXPECT_TRUE(questions.messages.empty());
    EXPECT_TRUE(observer.statuses.empty());
}

} // namespace
} // namespace tqv
