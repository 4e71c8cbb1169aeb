// The serial download over a scripted gateway: the check that opens the dialog, the pre-checks
// and their questions, the frames written in their order, each step's failure and message, the
// extras by model flags and firmware, the four-subnet path, cancelling, and what the dialog is told.
#include "gateway/WriteChecks.h"
#include "mapping/MappingFixture.h"
#include "serial/DownloadProcedure.h"
#include "support/ScriptedGateway.h"

#include <deque>
#include <functional>

namespace tqv {
namespace {

using namespace std::chrono_literals;

class DownloadTest : public MappingFixture {
protected:
    void SetUp() override
    {
        MappingFixture::SetUp();
        clock = std::make_unique<FakeClock>();
        link = std::make_unique<ScriptedGateway>(*clock);
        observer = RecordingObserver{};
        cancel = false;
    }
    DownloadResult download(bool incompleteMark = false)
    {
        DownloadProcedure procedure(*link, *clock, prompter, observer);
        procedure.setCancelFlag(&cancel);
        procedure.setPreChecks(downloadPreChecks);
        return procedure.run(*s, incompleteMark);
    }
    // Type 3 under modelFlag7 (and modelFlag1), two commands of node 7.
    void typeThree(std::initializer_list<int> flags = {7})
    {
        setType(3, flags);
        node(0, "7");
        s->subnet(0).commandStatus = "2Bytes";
        command(0, "3", "4", "2", "0");
        COMMAND &write = command(0, "6", "1", "4000", "0");
        write.startAddress = "10";
        s->subnet(0).charIntervalSend = "300";
        s->subnet(0).charIntervalReceive = "20";
    }

    std::unique_ptr<FakeClock> clock;
    std::unique_ptr<ScriptedGateway> link;
    RecordingObserver observer;
    std::atomic<bool> cancel{false};
};

TEST_F(DownloadTest, DialogOpensOnlyOnACompleteConfiguration)
{
    const std::string unfinished = text(StrId::MsgConfigUnfinished);
    EXPECT_TRUE(downloadDialogMayOpen(*s, prompter));
    EXPECT_TRUE(prompter.messages.empty());

    s->subnet(0).scanRatio = "-1";
    EXPECT_FALSE(downloadDialogMayOpen(*s, prompter));
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{unfinished + "\n\nSubnet1 Scan ratio can not be vacant", unfinished}));

    SetUp(); // a Modbus slave without its own address fails without a message of the check's own
    s->subnet(0).protocol = text(StrId::ProtocolModbusSlave);
    s->subnet(0).ownAddress = "";
    EXPECT_FALSE(downloadDialogMayOpen(*s, prompter));
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{unfinished}));
}

// Each pre-check: what is shown, how the questions are answered, and whether the press goes on.
TEST_F(DownloadTest, PreChecksInTheirOrder)
{
    const std::string sizes = "Profibus input and output bytes must be the same!";
    const std::string vacant = "Node address can not be vacant!", invalid = "There is invaild node!";
    const std::string conflict = text(StrId::MsgMappingConflictQuestion) +
                                 "\n\n\u2022 subnet 1, command 1 (Read Holding Registers) 0000H.0 to 0003H.7\n    overlaps "
                                 "subnet 1, command 2 (Read Input Registers) 0003H.0 to 0004H.7";
    const std::string incomplete = text(StrId::MsgIncompleteInformationQuestion);
    const auto differing = [this](unsigned type, std::initializer_list<int> flags) {
        setType(type, flags);
        s->fieldbus.inputSize = "48";
        s->fieldbus.outputSize = "16";
    };
    const auto withUnusedNode = [this] { command(0, "3", "1", "0", "0"); node(0, "9"); };
    // 2 registers at 0x0000 and 1 at 0x0003: bits 24..39 overlap 0..31.
    const auto overlapping = [this] { command(0, "3", "2", "0", "0"); command(0, "4", "1", "3", "0"); };
    const struct {
        const char *name;
        std::function<void()> setUp;
        std::deque<bool> answers;
        bool mark;
        std::vector<std::string> shown;
        bool goesOn;
    } rows[] = {
        {"PROFIBUS sizes differ", [&] { differing(1, {}); }, {}, false, {sizes}, false},
        {"type 3 sizes differ", [&] { differing(3, {}); }, {}, false, {sizes}, false},
        {"sizes fixed by modelFlag7", [&] { differing(1, {7}); }, {}, false, {}, true},
        {"DeviceNet sizes may differ", [&] { differing(0, {}); }, {}, false, {}, true},
        {"new node without address", [this] { command(0, "3", "1", "0", "0"); node(0, "-1"); }, {}, false, {vacant}, false},
        {"empty address in subnet 4", [this] { node(3, ""); }, {}, false, {vacant}, false},
        {"invalid node, No", withUnusedNode, {false}, false, {invalid}, false},
        {"invalid node, Yes", withUnusedNode, {true}, false, {invalid}, true},
        {"nodes without commands", [this] { node(0, "5"); }, {false}, false, {invalid}, false},
        {"no question unless Modbus master",
         [this] { node(0, "5"); s->subnet(0).protocol = text(StrId::ProtocolUserConfig); }, {false}, false, {}, true},
        {"registers side by side", [this] { command(0, "3", "2", "0", "0"); command(0, "4", "1", "4", "0"); },
         {false}, false, {}, true},
        {"registers overlapping, No", overlapping, {false}, false, {conflict}, false},
        {"registers overlapping, Yes", overlapping, {true}, false, {conflict}, true},
        {"incomplete mark, No", [] {}, {false}, true, {incomplete}, false},
        {"incomplete mark, Yes", [] {}, {true}, true, {incomplete}, true},
        {"all three asked in order", [&] { overlapping(); node(0, "9"); }, {true, true, true}, true,
         {invalid, conflict, incomplete}, true},
        {"a No ends the questions", [&] { overlapping(); node(0, "9"); }, {true, false}, true, {invalid, conflict}, false},
    };
    for (const auto &r : rows) {
        SetUp();
        r.setUp();
        prompter.answers = r.answers;
        EXPECT_EQ(downloadPreChecks(*s, r.mark, prompter), r.goesOn) << r.name;
        EXPECT_EQ(prompter.messages, r.shown) << r.name;
        if (!r.goesOn) { // a press stopped by a check writes nothing
            SetUp();
            r.setUp();
            prompter.answers = r.answers;
            EXPECT_EQ(download(r.mark).outcome, DownloadOutcome::Stopped) << r.name;
            EXPECT_TRUE(link->written.empty()) << r.name;
        }
    }
}

// Type 1, no model flags, firmware 1.0: exactly these frames, from the protocol's layout.
TEST_F(DownloadTest, WritesTheFramesOfASmallConfigurationInOrder)
{
    setType(1, {});
    link->reply01 = identity(2, 1, 0);
    s->fieldbus.inputSize = s->fieldbus.outputSize = "16";
    CONFIG &c = s->subnet(0);
    c.responseTimeout = "1000";
    c.pollDelay = "25";
    command(0, "3", "2", "0", "0").startAddress = "100";
    COMMAND &second = command(0, "16", "1", "4010", "0");
    second.scanType = "Slow-scan";
    second.dataFormat = "Double-byte-exchange";
    const ConfigStore before = *s;

    const DownloadResult r = download();
    EXPECT_EQ(r.outcome, DownloadOutcome::Downloaded);
    EXPECT_EQ(r.message, "");
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(link->written, (std::vector<std::string>{
                                 bytes({0x01, 0x00, 0x01}),
                                 bytes({0x30, 0x02, 0x01, 0x01, 0x34}), // "16" in and out: code 1
                                 bytes({0x03, 0x0E, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0xE8, 0x02,
                                        0x03, 0x00, 0x0A, 0x10}), // 19200, RTU, 1000 ms, 25 ms, change of value, 10
                                 bytes({0x14, 0x03, 0x00, 0x55, 0xAA, 0x16}),
                                 bytes({0x10, 0x0D, 0x00, 0x00, 0x05, 0x03, 0x00, 0x64, 0x00, 0x02, 0x00, 0x00, 0x00,
                                        0x00, 0x00, 0x8B}),
                                 bytes({0x10, 0x0D, 0x00, 0x01, 0x05, 0x10, 0x00, 0x00, 0x00, 0x01, 0x40, 0x10, 0x00,
                                        0x01, 0x01, 0x86}),
                             }));
    EXPECT_EQ(*s, before);
    EXPECT_EQ(observer.title, "");
    EXPECT_EQ(observer.status, "Finish download!");
    EXPECT_EQ(observer.progress.back(), (std::pair{6, 6}));
    const std::vector<RecordingObserver::Line> shown(observer.lines.begin() + 4, observer.lines.end());
    using L = RecordingObserver::Line;
    EXPECT_EQ(shown, (std::vector<L>{{0, "Download Profibus parameter", LineState::Running},
                                     {1, "Download Modbus parameter", LineState::Running},
                                     {2, "Download Modbus command", LineState::Running},
                                     {0, "Download Profibus parameter", LineState::Done},
                                     {1, "Download Modbus parameter", LineState::Done},
                                     {2, "Download Modbus command", LineState::Done}}));
}

// Type 3 under modelFlag7, firmware 5.0: lengths in use, the extended subnet frame, the timeout
// action and the character intervals; the byte counts are recomputed on a copy only.
TEST_F(DownloadTest, WritesTheExtrasOfFlagSevenAndFirmwareFive)
{
    typeThree();
    const ConfigStore before = *s;
    EXPECT_EQ(download().outcome, DownloadOutcome::Downloaded);
    EXPECT_EQ(link->written, (std::vector<std::string>{
                                 bytes({0x01, 0x00, 0x01}),
                                 bytes({0x30, 0x03, 0x0A, 0x02, 0x00, 0x3F}), // reads end at 2 + 8, writes at 0x4002
                                 bytes({0x03, 0x17, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00,
                                        0x03, 0x00, 0x0A, 0x02, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x5B}),
                                 bytes({0x14, 0x03, 0x00, 0x55, 0xAA, 0x16}),
                                 bytes({0x10, 0x0D, 0x00, 0x00, 0x07, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00,
                                        0x00, 0x00, 0x2D}),
                                 bytes({0x10, 0x0D, 0x00, 0x01, 0x07, 0x06, 0x00, 0x0A, 0x00, 0x01, 0x40, 0x00, 0x00,
                                        0x00, 0x00, 0x76}),
                                 bytes({0x32, 0x01, 0x03, 0x36}),                   // "Clear Data" after 3
                                 bytes({0x05, 0x04, 0x01, 0x2C, 0x00, 0x14, 0x4A}), // 300 and 20
                             }));
    EXPECT_EQ(*s, before); // its byte counts were not filled in
    // The firmware-dependent extras join the count once the gateway has told its version.
    EXPECT_EQ(observer.progress.front(), (std::pair{0, 6}));
    EXPECT_EQ(observer.progress.back(), (std::pair{8, 8}));
}

// The frames each type is written with; a gateway reporting another type ends the download after
// its identity.
TEST_F(DownloadTest, FramesByTypeAndTheTypeCheck)
{
    const std::vector<int> mismatch{0x01};
    const struct {
        unsigned type;
        std::initializer_list<int> flags;
        int reported;
        std::vector<int> codes;
    } rows[] = {
        {0, {}, 1, {0x01, 0x21, 0x03, 0x14}}, {1, {}, 2, {0x01, 0x30, 0x03, 0x14}},
        {3, {}, 4, {0x01, 0x30, 0x03, 0x14}}, {6, {}, 7, {0x01, 0x30, 0x03}},
        {5, {}, 6, {0x01, 0x03}},             {1, {4}, 2, {0x01, 0x03, 0x14, 0x32}},
        {1, {4}, 5, {0x01, 0x03, 0x14, 0x32}}, // the modelFlag4 variant answers as type 5
        {3, {7}, 2, mismatch}, {1, {}, 5, mismatch}, {2, {}, 1, mismatch},
    };
    for (const auto &r : rows) {
        SetUp();
        setType(r.type, r.flags);
        link->reply01 = identity(r.reported, 1, 0);
        const bool refused = r.codes == mismatch;
        const std::string what = std::to_string(r.type) + "/" + std::to_string(r.reported);
        EXPECT_EQ(download().outcome, refused ? DownloadOutcome::TypeMismatch : DownloadOutcome::Downloaded) << what;
        EXPECT_EQ(link->codes(), r.codes) << what;
        EXPECT_EQ(prompter.messages, refused ? std::vector<std::string>{"Type of device mismatch!"}
                                             : std::vector<std::string>{})
            << what;
    }
}

// Each step failing: the request answered wrongly (its n-th of that code), the message shown, and
// the outcome; nothing is written after a failure.
TEST_F(DownloadTest, EachStepFailureShowsItsMessage)
{
    const std::string noGateway = text(StrId::MsgDownloadFailed);
    const struct {
        int code, nth;
        std::vector<ReplyPiece> reply;
        std::string message;
        DownloadOutcome outcome;
    } rows[] = {
        {0x01, 0, {}, noGateway, DownloadOutcome::Failed},
        {0x01, 0, {{5ms, bytes({1, 8, 4, 5, 0, 0, 0, 0, 0, 0, 0x13})}}, noGateway, DownloadOutcome::Failed}, // sum 0x12
        {0x30, 0, {}, "Download DeviceNet or Profibus configuration failed", DownloadOutcome::Failed},
        {0x30, 0, {{5ms, errorReply(0x30, 1)}}, "Download DeviceNet or Profibus configuration failed", DownloadOutcome::Failed},
        {0x03, 0, {{5ms, errorReply(0x03, 1)}}, "Download subnet 1 Modbus parameter configuration failed", DownloadOutcome::Failed},
        {0x10, 0, {}, "Subnet 1 Modbus command congfiguration0Download", DownloadOutcome::Failed},
        {0x10, 1, {{5ms, errorReply(0x10, 2)}}, "Subnet 1 Modbus command congfiguration1Download", DownloadOutcome::Failed},
        {0x10, 0, {{5ms, errorReply(0x10, 3)}}, "Nonsupport configure over one Modbus slave", DownloadOutcome::Failed},
        {0x10, 1, {{5ms, errorReply(0x10, 3)}}, "Nonsupport configure over one Modbus slave", DownloadOutcome::Failed},
        {0x32, 0, {}, "Download configuration parameters timeout", DownloadOutcome::Failed},
        {0x32, 0, {{5ms, bytes({0x32, 0x01})}}, "Download configuration parameters unsuccessfully", DownloadOutcome::Failed},
        {0x34, 0, {}, "Download Profibus configuration parameter failed", DownloadOutcome::Failed},
        {0x34, 0, {{5ms, bytes({0x34, 0x00, 0x35})}}, "Download Profibus configuration parameter failed", DownloadOutcome::Failed},
        {0x05, 0, {}, "Failed to set character intreval time", DownloadOutcome::Downloaded},
        {0x05, 0, {{5ms, bytes({0x05, 0x00, 0x06})}}, "Failed to set character intreval time", DownloadOutcome::Downloaded},
    };
    for (const auto &r : rows) {
        SetUp();
        typeThree({1, 7});
        link->special[{r.code, r.nth}] = r.reply;
        const DownloadResult result = download();
        EXPECT_EQ(result.outcome, r.outcome) << r.message;
        EXPECT_EQ(result.message, r.message);
        EXPECT_EQ(prompter.messages, (std::vector<std::string>{r.message}));
        EXPECT_EQ(link->codes().back(), r.code) << r.message;
        EXPECT_EQ(observer.status == "Finish download!", r.outcome == DownloadOutcome::Downloaded) << r.message;
    }
}

TEST_F(DownloadTest, RefusedClearStillSendsEveryCommandOfTheOneSubnet)
{
    typeThree();
    command(0, "4", "1", "10", "0");
    link->special[{0x14, 0}] = {{5ms, bytes({0x14, 0x00, 0x15})}};
    EXPECT_EQ(download().outcome, DownloadOutcome::Downloaded);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Clear command failed"}));
    EXPECT_EQ(link->codes(), (std::vector<int>{0x01, 0x30, 0x03, 0x14, 0x10, 0x10, 0x10, 0x32, 0x05}));
}

class DownloadFourSubnetTest : public DownloadTest {
protected:
    // Subnet 1: one command; 2: Modbus slave; 3: two commands; 4: Modbus master without any.
    void SetUp() override
    {
        DownloadTest::SetUp();
        setType(2, {});
        link->reply01 = identity(3, 1, 0);
        command(0, "3", "1", "0", "0");
        s->subnet(1).protocol = text(StrId::ProtocolModbusSlave);
        s->subnet(1).ownAddress = "1";
        command(2, "3", "1", "10", "0");
        command(2, "4", "1", "20", "0");
    }
    // (code, subnet byte) of each frame written.
    std::vector<std::pair<int, int>> sent() const
    {
        std::vector<std::pair<int, int>> out;
        for (const std::string &f : link->written)
            out.push_back({static_cast<unsigned char>(f[0]), f.size() > 3 ? f[2] : -1});
        return out;
    }
};

TEST_F(DownloadFourSubnetTest, WritesEachSubnetAndItsCommands)
{
    EXPECT_EQ(download().outcome, DownloadOutcome::Downloaded);
    EXPECT_EQ(sent(), (std::vector<std::pair<int, int>>{{0x01, -1}, {0x03, 0}, {0x14, 0}, {0x10, 0}, {0x03, 1},
                                                        {0x03, 2}, {0x14, 2}, {0x10, 2}, {0x10, 2}, {0x03, 3},
                                                        {0x14, 3}}));
    const std::vector<RecordingObserver::Line> running(observer.lines.begin() + 4, observer.lines.begin() + 8);
    EXPECT_EQ(running[2].text, "Download subnet3Modbus configuration and command list");
    EXPECT_EQ(observer.lines.back(),
              (RecordingObserver::Line{3, "Download subnet4Modbus configuration and command list", LineState::Done}));
}

TEST_F(DownloadFourSubnetTest, FailuresNameTheSubnetAndStop)
{
    const struct {
        int code, nth;
        std::vector<ReplyPiece> reply;
        const char *message;
    } rows[] = {
        {0x03, 2, {}, "Subnet3Download Modbus parameter configuration unsuccessfully"},
        {0x14, 1, {{5ms, errorReply(0x14, 1)}}, "Clear subnet 3 command unsuccessfully"},
        {0x10, 2, {}, "Subnet3ModbusParameter configuration1Download unsuccessfully"},
        {0x10, 0, {{5ms, errorReply(0x10, 3)}}, "Subnet1ModbusParameter configuration0Download unsuccessfully"},
    };
    for (const auto &r : rows) {
        SetUp();
        link->special[{r.code, r.nth}] = r.reply;
        const DownloadResult result = download();
        EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
        EXPECT_EQ(prompter.messages, (std::vector<std::string>{r.message}));
        EXPECT_EQ(link->codes().back(), r.code) << r.message;
    }
}

TEST_F(DownloadTest, CancelStopsSilently)
{
    typeThree();
    link->onWrite = [this](int code) {
        if (code == 0x10)
            cancel = true;
    };
    EXPECT_EQ(download().outcome, DownloadOutcome::Cancelled);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(link->codes(), (std::vector<int>{0x01, 0x30, 0x03, 0x14, 0x10}));
    EXPECT_EQ(observer.progress.back(), (std::pair{4, 8}));
}

} // namespace
} // namespace tqv
