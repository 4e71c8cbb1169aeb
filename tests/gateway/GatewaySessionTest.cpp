// The gateway session: the route a configuration takes, the verify rule (an incomplete read-back
// proves nothing), the serial session refusing the Ethernet gateway before any frame, and both
// sessions' write, restart and verify over scripted links.
#include "ethernet/ConfigImage.h"
#include "gateway/EthernetGatewaySession.h"
#include "gateway/FleetManifest.h"
#include "gateway/GatewayApply.h"
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

// A gateway that holds a configuration in memory: what apply reads, writes and reads back.
class MemoryGateway final : public GatewaySession {
public:
    using GatewaySession::GatewaySession;
    GatewayRoute route() const override { return GatewayRoute::Serial; }
    bool downloadMayOpen(ConfigStore &, bool, Prompter &) override { return true; }
    bool downloadPressChecks(ConfigStore &, bool, Prompter &) override { return true; }
    GatewayWrite write(const ConfigStore &configuration, bool) override
    {
        ++writes;
        if (failWrite)
            return {TransferOutcome::Failed, "Download Modbus command failed"};
        if (keepWrites)
            held = configuration;
        return {TransferOutcome::Done, ""};
    }
    GatewayRead read(const ConfigStore &current) override { return readWith(current, m_prompter, m_observer); }

    ConfigStore held;
    int writes = 0;
    bool failRead = false, failWrite = false, keepWrites = true;

protected:
    GatewayRead readWith(const ConfigStore &, Prompter &, TransferObserver &) override
    {
        GatewayRead read;
        read.outcome = failRead ? TransferOutcome::Failed : TransferOutcome::Done;
        read.message = failRead ? "Read the type of gateway timeout" : "";
        read.configuration = held;
        return read;
    }
};

// Apply writes only when what the transfer carries differs, and says at which step it failed.
TEST_F(GatewaySessionTest, ApplyWritesOnlyWhatDiffersAndNamesTheFailedStep)
{
    ConfigStore project = ofType(1);
    ConfigStore other = project;
    other.subnet(0).masterBaud = "600";
    const struct {
        const char *name;
        bool holdsProject, check, failRead, failWrite, keepWrites;
        bool changed, verified;
        int writes;
        ApplyStep failedAt;
        std::string error;
    } rows[] = {
        {"holds it", true, false, false, false, true, false, true, 0, ApplyStep::None, ""},
        {"differs", false, false, false, false, true, true, true, 1, ApplyStep::None, ""},
        {"check", false, true, false, false, true, true, false, 0, ApplyStep::None, ""},
        {"read fails", false, false, true, false, true, false, false, 0, ApplyStep::Read,
         "Reading the gateway failed: Read the type of gateway timeout"},
        {"write fails", false, false, false, true, true, true, false, 1, ApplyStep::Write,
         "Download failed: Download Modbus command failed"},
        {"write not kept", false, false, false, false, false, true, false, 1, ApplyStep::Verify,
         "Verification after the download failed: 1 difference"},
    };
    for (const auto &row : rows) {
        MemoryGateway gateway(clock, prompter, observer);
        gateway.held = row.holdsProject ? project : other;
        gateway.failRead = row.failRead;
        gateway.failWrite = row.failWrite;
        gateway.keepWrites = row.keepWrites;
        const ApplyResult result = applyConfiguration(gateway, project, {row.check, true}, prompter);
        EXPECT_EQ(result.changed, row.changed) << row.name;
        EXPECT_EQ(result.verified, row.verified) << row.name;
        EXPECT_EQ(gateway.writes, row.writes) << row.name;
        EXPECT_EQ(result.failedAt, row.failedAt) << row.name;
        EXPECT_EQ(result.errorText(), row.error) << row.name;
        EXPECT_EQ(result.differences.size(), row.holdsProject || row.failRead ? 0u : 1u) << row.name;
    }
}

// The manifest: header, comments, relative projects, ADDRESS:PORT; every bad line by number; and
// no two gateways on one port at once.
TEST(FleetManifestTest, ReadsTheLineAndSchedulesOneGatewayPerPort)
{
    setLanguage(Language::English);
    const FleetManifest good = parseFleetManifest("# line 2\nname,port_or_address,project\n"
                                                  "a, /dev/ttyS0 ,p.tqv\n\nb,127.0.0.1:18811,/abs/e.tqv\n"
                                                  "c,/dev/ttyS0,sub/p.tqv\nd,10.0.0.9,e.tqv\n",
                                                  "/m/line.csv");
    ASSERT_TRUE(good.problems.empty()) << good.problems.front();
    ASSERT_EQ(good.entries.size(), 4u);
    EXPECT_EQ(good.entries[0].line, 3);
    EXPECT_EQ(good.entries[0].project, "/m/p.tqv");
    EXPECT_EQ(good.entries[1].project, "/abs/e.tqv");
    EXPECT_TRUE(good.entries[1].ethernet);
    EXPECT_EQ(good.entries[1].port, 18811);
    EXPECT_EQ(good.entries[3].key(), "10.0.0.9:0");
    EXPECT_EQ(nextStartable(good.entries, {true, false, false, false}, {"/dev/ttyS0", "127.0.0.1:18811"}), 3);
    EXPECT_EQ(nextStartable(good.entries, {true, true, false, true}, {"/dev/ttyS0"}), -1);

    const FleetManifest bad = parseFleetManifest(
        "name,port,project\na,/dev/x\nb,,p.tqv\nc,127.0.0.1:70000,p.tqv\nd,/dev/y,p\nd,/dev/z,p\n", "m.csv");
    EXPECT_EQ(bad.problems, (std::vector<std::string>{
                                "m.csv, line 1: expected name,port_or_address,project",
                                "m.csv, line 2: expected name,port_or_address,project",
                                "m.csv, line 3: a field is empty",
                                "m.csv, line 4: 70000 is not a port number from 1 to 65535",
                                "m.csv, line 6: the name d is used twice",
                            }));
}

} // namespace
} // namespace tqv
