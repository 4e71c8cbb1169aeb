// The gateway session: the route a configuration takes, the verify rule (an incomplete read-back
// proves nothing), the serial session refusing the Ethernet gateway before any frame, and both
// sessions' write, restart and verify over scripted links.
#include "ethernet/ConfigImage.h"
#include "gateway/EthernetGatewaySession.h"
#include "gateway/SerialGatewaySession.h"
#include "resources/Strings.h"
#include "support/FakeNetworkLinks.h"
#include "support/RecordingPrompter.h"
#include "support/ScriptedGateway.h"

#include <gtest/gtest.h>

#include <deque>

namespace tqv {
namespace {

using namespace std::chrono_literals;
using Verdict = Verification::Verdict;

ConfigStore ofType(std::uint32_t type, std::array<bool, 7> flags = {})
{
    ConfigStore store;
    store.newConfiguration();
    store.setTypeAndFlags(type, flags);
    return store;
}

class GatewaySessionTest : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(Language::English); }
    FakeClock clock;
    RecordingPrompter prompter;
    RecordingObserver observer;
};

TEST_F(GatewaySessionTest, TheConfigurationChoosesTheRouteOnce)
{
    ScriptedGateway port(clock);
    for (std::uint32_t type = 0; type <= 6; ++type) {
        GatewayLinks links;
        links.port = &port;
        links.newConnection = [this] { return std::make_unique<FakeStreamLink>(clock); };
        const auto session = makeGatewaySession(ofType(type), links, clock, prompter, observer);
        ASSERT_TRUE(session) << type;
        // Type 4 goes over the network even where a serial port is at hand.
        const GatewayRoute expected = type == 4 ? GatewayRoute::Ethernet : GatewayRoute::Serial;
        EXPECT_EQ(session->route(), expected) << type;
        EXPECT_EQ(gatewayRouteOf(ofType(type)), expected) << type;
        EXPECT_EQ(carriedBy(expected), type == 4 ? Carried::Ethernet : Carried::Serial);
    }
    // The serial route without a port has no session.
    EXPECT_FALSE(makeGatewaySession(ofType(1), GatewayLinks{}, clock, prompter, observer));
    EXPECT_TRUE(port.written.empty());
}

// What a read-back proves: rows of how the read ended, and the verdict with its line.
TEST_F(GatewaySessionTest, AnIncompleteReadBackIsNeverAMatch)
{
    const ConfigStore project = ofType(1);
    ConfigStore other = project;
    other.subnet(0).masterBaud = "600";
    const std::string intervals = "Failed to read character interval time";
    const struct {
        const char *name;
        TransferOutcome outcome;
        const ConfigStore *read;
        std::string message;
        Verdict verdict;
        std::string summary;
    } rows[] = {
        {"the same", TransferOutcome::Done, &project, "", Verdict::Equal, "Verified: the gateway holds this configuration"},
        {"one value", TransferOutcome::Done, &other, "", Verdict::Different, "1 difference"},
        // The configuration was read whole, but a value after it was not: the same configuration
        // still proves nothing.
        {"last step failed", TransferOutcome::Done, &project, intervals, Verdict::NotVerified,
         "Could not verify: the read-back stopped at \"" + intervals + "\""},
        {"failed", TransferOutcome::Failed, &project, "Read Modbus command timeout", Verdict::NotVerified,
         "Could not verify: the read-back stopped at \"Read Modbus command timeout\""},
        {"cancelled", TransferOutcome::Cancelled, &project, "", Verdict::NotVerified,
         "Verification failed: the configuration could not be read back."},
        {"mismatch", TransferOutcome::TypeMismatch, &project, "Type of device mismatch!", Verdict::NotVerified,
         "Could not verify: the read-back stopped at \"Type of device mismatch!\""},
    };
    for (const auto &row : rows) {
        GatewayRead read;
        read.outcome = row.outcome;
        read.configuration = *row.read;
        read.message = row.message;
        const Verification v = verificationOf(project, read, Carried::Serial);
        EXPECT_EQ(v.verdict, row.verdict) << row.name;
        EXPECT_EQ(v.summary(), row.summary) << row.name;
        EXPECT_EQ(v.failedStep, row.verdict == Verdict::NotVerified ? row.message : "") << row.name;
        EXPECT_EQ(v.differences.empty(), row.verdict != Verdict::Different) << row.name;
    }
}

TEST_F(GatewaySessionTest, SerialSessionRefusesTheEthernetGatewayBeforeAnyFrame)
{
    ScriptedGateway port(clock);
    SerialGatewaySession session(port, {}, "", clock, prompter, observer);
    const ConfigStore ethernet = ofType(4);
    const GatewayWrite written = session.write(ethernet, false);
    EXPECT_EQ(written.outcome, TransferOutcome::Stopped);
    EXPECT_FALSE(written.complete());
    const GatewayRead read = session.read(ethernet);
    EXPECT_EQ(read.outcome, TransferOutcome::Stopped);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{text(StrId::SerialDownloadRefused),
                                                           text(StrId::SerialUploadRefused)}));
    EXPECT_NE(prompter.messages[0].find("eth-download"), std::string::npos);
    EXPECT_NE(prompter.messages[1].find("eth-upload"), std::string::npos);
    EXPECT_NE(observer.status, text(StrId::DownloadFinished));
}

TEST_F(GatewaySessionTest, SerialSessionClosesThePortAfterATypeMismatchAndVerifiesSilently)
{
    ScriptedGateway port(clock);
    port.acknowledges = false;
    int closed = 0;
    SerialGatewaySession session(port, [&] { ++closed; }, "/dev/ttyS9", clock, prompter, observer);
    port.reply(identity(1, 5, 0)); // a DeviceNet gateway
    const GatewayRead mismatch = session.read(ofType(1));
    EXPECT_EQ(mismatch.outcome, TransferOutcome::TypeMismatch);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(mismatch.failure.value_or(TransferFailure{}).lines(),
              (std::vector<std::string>{"Failed: Read the gateway type (0x01)", "Port: /dev/ttyS9",
                                        "Reason: the gateway reports type 1, the configuration is for type 2"}));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Type of device mismatch!"});

    // modelFlag7 at firmware 5.0: everything is read but the character intervals (a wrong sum).
    prompter.messages.clear();
    const ConfigStore project = ofType(1, {false, false, false, false, false, false, true});
    for (const std::string &reply :
         {identity(2, 5, 0), frame(0x31, {0, 0}), frame(0x04, {0, 0, 4, 0, 0, 0, 0, 0, 0x01, 0x2C, 0, 1, 0, 1}),
          frame(0x15, {0, 0, 0}), frame(0x16, {0}), frame(0x33, {0}), bytes({0x06, 0x04, 0, 0, 0, 0, 0x0B})})
        port.reply(reply);
    const Verification v = session.verify(project);
    EXPECT_EQ(port.codes(), (std::vector<int>{0x01, 0x01, 0x31, 0x04, 0x15, 0x16, 0x33, 0x06}));
    EXPECT_EQ(v.verdict, Verdict::NotVerified);
    EXPECT_EQ(v.failedStep, "Failed to read character interval time");
    EXPECT_TRUE(prompter.messages.empty()); // the verdict says it, not a message box
}

TEST_F(GatewaySessionTest, EthernetSessionWritesOnOneConnectionVerifiesOnAnotherThenRestarts)
{
    ConfigStore project = ofType(4);
    // The session drops a connection once it is done with it: its close count is kept past that.
    struct CountedLink : FakeStreamLink {
        CountedLink(FakeClock &clock, int &closesOut) : FakeStreamLink(clock), out(closesOut) {}
        ~CountedLink() override { out = closes; }
        int &out;
    };
    std::vector<FakeStreamLink *> made;
    std::deque<int> closedWhenDropped; // a deque: the links keep references into it
    const auto connection = [&] {
        auto link = std::make_unique<CountedLink>(clock, closedWhenDropped.emplace_back(-1));
        made.push_back(link.get());
        if (made.size() == 1)
            link->peer.reply(bytes({0, 0, 0, 6}), 5ms);
        else {
            std::string image = buildConfigImage(project).value();
            image[3] = 5; // the read reply carries the image under command 5
            link->peer.reply(image, 5ms);
        }
        return link;
    };
    prompter.answer = true;
    EthernetGatewaySession session(connection, {"127.0.0.1", 18801}, clock, prompter, observer);
    EXPECT_FALSE(session.downloadMayOpen(project, false, prompter));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{text(StrId::MsgRemoteConfigForbidden)});
    EXPECT_TRUE(session.downloadMayOpen(project, true, prompter));
    ASSERT_TRUE(session.downloadPressChecks(project, false, prompter));
    EXPECT_TRUE(session.write(project, false).complete());
    EXPECT_TRUE(session.restartPending());
    const Verification v = session.verify(project);
    EXPECT_EQ(v.verdict, Verdict::Equal) << v.summary();
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(closedWhenDropped[1], 1); // the read's connection, closed and dropped
    EXPECT_EQ(made[0]->closes, 0); // kept open for the restart
    EXPECT_EQ(session.offerRestart(), RestartOutcome::Sent);
    EXPECT_EQ(made[0]->peer.written.back().substr(8), "Kelmarox");
    EXPECT_FALSE(session.restartPending());
}

} // namespace
} // namespace tqv
