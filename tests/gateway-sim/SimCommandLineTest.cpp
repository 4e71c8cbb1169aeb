// The simulator's command line: what each option sets, each way of refusing in-process, and the binary's
// exit status for usage and start-up failures that only the process can show.
#include "EthernetClient.h"
#include "SimCommandLine.h"
#include "SimProcess.h"

#include "model/ConfigStore.h"
#include "model/JsonForm.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace tqvsim {

namespace {

SimCommandLine::Parsed parse(const std::vector<std::string_view> &args) { return SimCommandLine::parse(args); }

TEST(SimCommandLine, OptionsSetWhatTheySay)
{
    auto p = parse({"--pty", "/tmp/l", "--gateway-type=2", "--reported-type", "5", "--firmware", "4.7", "--fail",
                    "timeout:21", "--fail", "sum:05", "--line-speed", "9600", "--lang", "zh", "--state", "a.tqv",
                    "--save=b.json", "--gateway-type", "6"});
    ASSERT_TRUE(p.options) << p.error;
    const SimOptions &o = *p.options;
    EXPECT_EQ(o.link, "/tmp/l");
    EXPECT_EQ(o.gatewayType, 6u); // the last of a repeated option wins
    EXPECT_EQ(o.reportedType, 5);
    EXPECT_EQ(o.firmwareMajor, 4);
    EXPECT_EQ(o.firmwareMinor, 7);
    EXPECT_EQ(o.failures.modes().size(), 2u); // --fail repeats
    EXPECT_EQ(o.lineSpeed, 9600u);
    EXPECT_EQ(o.language, tqv::Language::Chinese);
    EXPECT_EQ(o.stateFile, "a.tqv");
    EXPECT_EQ(o.saveFile, "b.json");
    EXPECT_FALSE(o.ethernet);

    p = parse({"--ethernet", "--ip", "10.1.2.3", "--mac", "a0:b1-c2-d3-e4-f5", "--permission", "4294967295",
               "--firmware", "300.65535"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_TRUE(p.options->ethernet);
    EXPECT_EQ(p.options->ip, (std::array<std::uint8_t, 4>{10, 1, 2, 3}));
    EXPECT_EQ(p.options->mac, (std::array<std::uint8_t, 6>{0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}));
    EXPECT_EQ(p.options->permission, 4294967295u);
    EXPECT_EQ(p.options->firmwareMajor, 300);

    p = parse({"--pty", "x", "--monitor", "framed", "--monitor-type", "3", "--monitor-resend", "250"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->monitor, MonitorLinkKind::Framed);
    EXPECT_EQ(p.options->monitorType, 3);
    EXPECT_EQ(p.options->monitorResendMs, 250u);
}

TEST(SimCommandLine, RefusesBadUsageSayingWhy)
{
    const struct {
        std::vector<std::string_view> args;
        std::string_view says;
    } cases[] = {
        {{"--gateway-type", "3"}, "--pty LINK or --ethernet is required"},
        {{"--pty"}, "--pty"},
        {{"--pty", ""}, "--pty needs a path"},
        {{"--pty", "/tmp/x", "--bogus"}, "--bogus"},
        {{"--pty", "/tmp/x", "stray"}, "stray"},
        {{"--pty", "/tmp/x", "--gateway-type", "7"}, "is not a gateway type from 0 to 6"},
        {{"--pty", "/tmp/x", "--firmware", "5"}, "is not MAJOR.MINOR"},
        {{"--pty", "/tmp/x", "--reported-type", "0"}, "is not a type code from 1 to 255"},
        {{"--pty", "/tmp/x", "--firmware", "5.256"}, "does not fit the serial identity"},
        {{"--pty", "/tmp/x", "--fail", "late:10"}, "late:10"}, // every refused mode: SimCodecTest
        {{"--pty", "/tmp/x", "--line-speed", "0"}, "is not a baud rate from 1 to 4000000"},
        {{"--pty", "/tmp/x", "--save", "x"}, "must end in .tqv or .json"},
        {{"--pty", "/tmp/x", "--lang", "fr"}, "is not en or zh"},
        {{"--ethernet", "--pty", "/tmp/l"}, "--pty is for the serial gateway"},
        {{"--ethernet", "--fail", "timeout:all"}, "timeout:all"},
        {{"--pty", "/tmp/l", "--ip", "1.2.3.4"}, "--ip needs --ethernet"},
        {{"--ethernet", "--ip", "1.2.3.256"}, "is not an IPv4 address"},
        {{"--ethernet", "--mac", "00-1a-2b-3c-4d"}, "is not a MAC address"},
        {{"--ethernet", "--mac", "00-1a-2b-3c-4d-5g"}, "is not a MAC address"},
        {{"--ethernet", "--mac", "001a-2b-3c-4d-5e-6"}, "is not a MAC address"},
        {{"--ethernet", "--permission", "4294967296"}, "is not a number from 0 to 4294967295"},
        {{"--pty", "x", "--monitor", "udp"}, "is not framed or record"},
        {{"--pty", "x", "--monitor-type", "1"}, "--monitor-type needs --monitor framed"},
        {{"--pty", "x", "--monitor", "framed", "--fail", "error:D0:2"}, "--fail error: has no meaning"},
        {{"--pty", "x", "--monitor", "framed", "--save", "a.json"}, "--save has no meaning with --monitor"},
        {{"--pty", "x", "--monitor", "framed", "--monitor-resend", "0"}, "is not a time from 1 to 600000 ms"},
        {{"--pty", "x", "--monitor", "framed", "--monitor-type", "256"}, "is not a subnet type from 0 to 255"},
    };
    for (const auto &c : cases) {
        const SimCommandLine::Parsed p = parse(c.args);
        const std::string args = testing::PrintToString(c.args);
        EXPECT_FALSE(p.options) << args;
        EXPECT_NE(p.error.find(c.says), std::string::npos) << args << " said: " << p.error;
    }
}

} // namespace

} // namespace tqvsim

namespace simtest {

namespace {

TEST(GatewaySimProcess, HelpListsEveryOptionAndFailureMode)
{
    const RunResult r = SimProcess::runToEnd({"--help"});
    EXPECT_EQ(r.exitStatus, 0);
    for (const char *word : {"--pty LINK", "--gateway-type N", "--firmware MAJOR.MINOR", "--state FILE",
                             "--save FILE", "--fail MODE", "--line-speed BAUD", "--lang", "timeout:CODE",
                             "sum:CODE", "split:CODE", "error:CODE:ERR", "slow:CODE:MS", "unknown request code",
                             "wrong checksum", "--ethernet", "--ip A.B.C.D", "--mac XX-XX-XX-XX-XX-XX",
                             "--permission N", "TQV580_GATEWAY_PORT", "127.0.0.1", "no-answer", "wrong-code", "refuse",
                             "pieces", "short", "restart", "--monitor framed", "--monitor-type N",
                             "--monitor-resend MS", "write ADDR DATA", "TQV580_MONITOR_PORT"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

// Refused usage and what start-up refuses after reading the command line: exit 2, a reason on
// stderr, nothing on stdout.
TEST(GatewaySimProcess, BadUsageAndBadStartExitWithTwo)
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
    const std::string port = "TQV580_GATEWAY_PORT=" + std::to_string(freeLoopbackPort());
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> env;
    } cases[] = {
        {{"--pty", "/tmp/x", "--bogus"}, {}},
        {{"--pty", "/tmp/x", "--state", "/nonexistent/state.tqv"}, {}},
        {{"--ethernet", "--state", serialProject}, {port}},
        {{"--ethernet", "--state", crowded}, {port}},
        {{"--ethernet", "--state", "/nonexistent/state.json"}, {port}},
        {{"--ethernet"}, {"TQV580_GATEWAY_PORT=0"}},
        {{"--ethernet"}, {"TQV580_GATEWAY_PORT=65536"}},
        {{"--ethernet"}, {"TQV580_GATEWAY_PORT=18801x"}},
        {{"--ethernet"}, {port, "TQV580_MONITOR_PORT=70000"}},
    };
    for (const auto &c : cases) {
        const RunResult r = SimProcess::runToEnd(c.args, c.env);
        const std::string run = testing::PrintToString(c.env) + testing::PrintToString(c.args);
        EXPECT_EQ(r.exitStatus, 2) << run;
        EXPECT_FALSE(r.err.empty()) << run;
        EXPECT_EQ(r.out, "") << run;
    }
}

} // namespace

} // namespace simtest
