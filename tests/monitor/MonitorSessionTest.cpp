// A monitoring run on each link, driven as the dialogs and the command line drive it: start,
// arrivals, ticks, writes and stops on fake links and a fake clock.
#include "monitor/MonitorSession.h"
#include "resources/Strings.h"
#include "support/FakeNetworkLinks.h"
#include "support/FakeSerialLink.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

struct Events {
    std::vector<MonitorEvent> all;
    MonitorSink sink()
    {
        return [this](const MonitorEvent &e) { all.push_back(e); };
    }
    std::vector<std::string> messages(MonitorEventKind kind = MonitorEventKind::Message) const
    {
        std::vector<std::string> out;
        for (const auto &e : all)
            if (e.kind == kind)
                out.push_back(e.text);
        return out;
    }
    std::vector<MonitorRow> rows() const
    {
        std::vector<MonitorRow> out;
        for (const auto &e : all)
            if (e.kind == MonitorEventKind::Row)
                out.push_back(e.row);
        return out;
    }
    int count(MonitorEventKind kind) const
    {
        return static_cast<int>(std::count_if(all.begin(), all.end(), [kind](const auto &e) { return e.kind == kind; }));
    }
};

const std::string kMasterHandshake = bytes({0xD0}) + std::string(13, '\0') + bytes({0x00, 0xD0});
const std::string kMasterRecord = bytes({0x00, 0x0A, 0x00, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78, 0xE0});

// A run on a fake serial port (or a fake socket for UDP), the records arriving one a tick.
struct Rig {
    explicit Rig(MonitorLinkKind kind, FramedMode mode = FramedMode::Master)
        : session(monitorLine(kind), clock, events.sink(), mode)
    {
        setLanguage(Language::English);
    }
    void tick(const std::string &arriving = {})
    {
        if (!arriving.empty())
            port.arriveAt(clock.now(), arriving);
        clock.advance(session.line().tick);
        session.tick();
    }
    FakeClock clock;
    FakeSerialLink port{clock};
    FakeDatagramLink socket;
    Events events;
    MonitorSession session;
};

TEST(MonitorLine, EachLinkHasItsLineAndTheConfigurationChoosesIt)
{
    const struct {
        std::uint32_t type;
        std::array<bool, 7> flags;
        bool firmware5;
        MonitorLinkKind kind;
        std::int32_t baud;
        int tick;
    } cases[] = {
        {3, {}, true, MonitorLinkKind::RecordSerial, 115200, 200},
        {3, {false, false, false, false, false, false, true}, true, MonitorLinkKind::Framed, 19200, 300},
        {3, {false, false, false, false, false, false, true}, false, MonitorLinkKind::RecordSerial, 115200, 200},
        {4, {}, false, MonitorLinkKind::Udp, 19200, 100},
        {4, {false, true}, false, MonitorLinkKind::RecordSerial, 115200, 200},
    };
    for (const auto &c : cases) {
        ConfigStore store;
        store.newConfiguration();
        store.setTypeAndFlags(c.type, c.flags);
        const MonitorLine line = monitorLineFor(store, c.firmware5);
        EXPECT_EQ(line.kind, c.kind) << c.type;
        EXPECT_EQ(line.port, (PortParameters{c.baud, 8, Parity::None, 1})) << c.type;
        EXPECT_EQ(line.tick, Millis{c.tick});
        EXPECT_EQ(line, monitorLine(c.kind));
    }
}

class FramedRun : public ::testing::Test, public Rig {
protected:
    FramedRun() : Rig(MonitorLinkKind::Framed) {}
    void SetUp() override
    {
        port.reply(kMasterHandshake, Millis{20});
        session.start(&port, "ttyS0");
        clock.advance(Millis{20});
        session.input();
    }
};

TEST_F(FramedRun, HandshakeThenRecordsAnsweredWithNext)
{
    EXPECT_EQ(port.written, (std::vector<std::string>{bytes({0xD0, 0x00, 0xD0}), bytes({0xD2, 0x01, 0xEA, 0xBD})}));
    tick(kMasterRecord);
    ASSERT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(events.rows()[0].cells[5], " 12 34 56 78");
    EXPECT_EQ(port.written.back(), bytes({0xD4, 0x01, 0x00, 0xD5}));
    // Status 255: no row and no reply.
    tick(bytes({0x00, 0x0A, 0xFF, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78, 0xE0}));
    EXPECT_EQ(port.written.size(), 3u);
    // A record in two pieces is taken whole.
    tick(kMasterRecord.substr(0, 9));
    EXPECT_EQ(port.written.size(), 3u);
    tick(kMasterRecord.substr(9));
    EXPECT_EQ(events.rows().size(), 2u);
    // Not showing: dropped, but answered.
    session.setShowing(false);
    tick(kMasterRecord);
    EXPECT_EQ(events.rows().size(), 2u);
    EXPECT_EQ(port.written.back(), framedNext());
    EXPECT_EQ(port.written.size(), 5u);
}

TEST_F(FramedRun, WriteReplacesNextAndBadInputGetsNoReply)
{
    EXPECT_EQ(session.refusal("40F4", "zz"), std::nullopt); // checked at the record, not now
    EXPECT_EQ(session.write("40f3", "0a 1B"), std::nullopt);
    EXPECT_TRUE(session.writing());
    tick(kMasterRecord);
    EXPECT_EQ(port.written.back(), bytes({0xD4, 0x05, 0x01, 0x40, 0xF3, 0x0A, 0x1B, 0x32}));
    EXPECT_FALSE(session.writing());
    const auto sent = port.written.size();
    session.write("40F4", "0a 1B");
    tick(kMasterRecord);
    EXPECT_EQ(port.written.size(), sent);
    EXPECT_EQ(events.messages(), (std::vector<std::string>{"The range should be from 0x4000 to 0x40F3"}));
    EXPECT_EQ(events.count(MonitorEventKind::SendEnabled), 2);
    EXPECT_EQ(events.messages(MonitorEventKind::WriteDone),
              (std::vector<std::string>{"Sent to 40F3: 0A 1B", "Not sent: The range should be from 0x4000 to 0x40F3"}));
}

TEST_F(FramedRun, StopSendsTheStopFrameAtTheNextRecordAndExitDoesNot)
{
    session.stop();
    EXPECT_TRUE(session.stopping());
    tick();
    EXPECT_EQ(events.count(MonitorEventKind::Closed), 0);
    tick(kMasterRecord);
    EXPECT_EQ(port.written.back(), bytes({0xD2, 0x01, 0xF0, 0xC3}));
    EXPECT_TRUE(session.ended());
    session.exit();
    tick(kMasterRecord);
    EXPECT_EQ(events.count(MonitorEventKind::Closed), 1);
    EXPECT_TRUE(events.messages().empty());

    Rig other(MonitorLinkKind::Framed);
    other.session.start(&other.port, "ttyS0");
    other.session.exit();
    other.tick(kMasterHandshake);
    EXPECT_EQ(other.port.written, std::vector<std::string>{framedAskSubnetType()});
    EXPECT_EQ(other.events.count(MonitorEventKind::Closed), 1);
}

TEST(FramedRunStart, MismatchSilenceAndAPortThatWillNotOpenEndTheRun)
{
    const struct {
        std::optional<std::string> reply; // nothing: no port
        FramedMode mode;
        std::string message;
        std::size_t written;
    } cases[] = {
        {kMasterHandshake, FramedMode::Slave,
         "Currently the gateway sub network type is Modbus master, and mismatch the software "
         "configuration.Please select the corresponding configuration\n", 1},
        {std::string(), FramedMode::Master, "Read hardware configurating mismatch", 1},
        {bytes({0xD0}) + std::string(13, '\0') + bytes({0x05, 0xD5}), FramedMode::Master, "the gateway'sub network is illegal.", 1},
        {std::nullopt, FramedMode::Master, "Fail to open the serial port /dev/ttyS7 ", 0},
    };
    for (const auto &c : cases) {
        Rig run(MonitorLinkKind::Framed, c.mode);
        if (c.reply && !c.reply->empty())
            run.port.reply(*c.reply, Millis{10});
        run.session.start(c.reply ? &run.port : nullptr, "/dev/ttyS7");
        for (int i = 0; i < 7 && !run.session.ended(); ++i)
            run.tick();
        EXPECT_TRUE(run.session.ended());
        EXPECT_EQ(run.events.messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(run.events.count(MonitorEventKind::Closed), 1);
        EXPECT_EQ(run.port.written.size(), c.written);
    }
}

TEST(RecordRun, RecordsAnsweredByStatusAndAFailedWriteClosesThePort)
{
    Rig run(MonitorLinkKind::RecordSerial);
    run.session.start(&run.port, "ttyS0");
    EXPECT_TRUE(run.port.written.empty()); // the gateway starts by itself
    run.tick(bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x02}));
    ASSERT_EQ(run.events.rows().size(), 1u);
    EXPECT_EQ(run.events.rows()[0].cells[1], "Respond abnormally ");
    EXPECT_EQ(run.events.rows()[0].cells[4], "02 (Incorrect data address)");
    EXPECT_EQ(run.port.written, std::vector<std::string>{bytes({0x00})});
    run.tick(bytes({0x04, 0x05, 0x00, 0x10, 0x01, 0x02})); // status 4: no row, no reply
    run.tick(bytes({0xFF}));                                // 255: no row, a reply
    EXPECT_EQ(run.events.rows().size(), 1u);
    EXPECT_EQ(run.port.written.size(), 2u);
    // A write that fails closes the port; the next tick says so and stops the timer, the run goes on.
    run.port.failWrites = true;
    run.tick(bytes({0x00, 0x05, 0x00, 0x10, 0x00}));
    run.tick();
    EXPECT_EQ(run.events.messages(), std::vector<std::string>{"Failing in opening serial port!"});
    EXPECT_GE(run.events.count(MonitorEventKind::TimerStopped), 1);
    EXPECT_FALSE(run.session.ended());

    Rig refused(MonitorLinkKind::RecordSerial);
    refused.session.start(nullptr, "ttyS0");
    EXPECT_EQ(refused.events.messages(), std::vector<std::string>{"Failing in opening serial port!"});
    EXPECT_TRUE(refused.session.ended());
}

TEST(RecordRun, WriteWaitsForTheRecordOrGivesUp)
{
    Rig run(MonitorLinkKind::RecordSerial);
    run.session.start(&run.port, "ttyS0");
    EXPECT_EQ(run.session.write("4070", "0a"), StrId::MsgMonitorAddressBeyond);
    EXPECT_EQ(run.session.refusal("406f", "0a1b"), StrId::MsgMonitorInputFormat);
    EXPECT_EQ(run.session.write("406f", "0a 1b"), std::nullopt);
    run.port.arriveAt(run.clock.now() + Millis{300}, bytes({0x00, 0x05, 0x00, 0x10, 0x01, 0x7E}));
    for (int i = 0; i < 3 && run.session.writing(); ++i)
        run.tick();
    EXPECT_FALSE(run.session.writing());
    EXPECT_EQ(run.events.rows().size(), 1u);
    EXPECT_EQ(run.port.written, std::vector<std::string>{bytes({0x01, 0x40, 0x6F, 0x02, 0x0A, 0x1B})});
    EXPECT_EQ(run.events.count(MonitorEventKind::SendEnabled), 1);

    run.session.write("4000", "01");
    for (int i = 0; i < 6; ++i)
        run.tick();
    EXPECT_EQ(run.events.messages(), std::vector<std::string>{"Failing in reading serial port!"});
    run.session.write("4000", "01");
    run.tick(bytes({0x07, 0x05, 0x00, 0x10, 0x01, 0x7E}));
    EXPECT_EQ(run.events.messages().back(), "The format of received data is wrong!");
    EXPECT_EQ(run.port.written.size(), 1u);
}

// The command line stops on a timer of its own; that timer and the tick timer fall due in the same
// turn of the event loop about every second run. A tick after the stop must find nothing to do:
// it once said "Failing in opening serial port!" although every record had arrived.
TEST(RecordRun, StopThenATickInTheSameTurnEndsQuietly)
{
    for (int i = 0; i < 50; ++i) {
        Rig run(MonitorLinkKind::RecordSerial);
        run.session.start(&run.port, "ttyS0");
        for (int r = 0; r <= i % 5; ++r)
            run.tick(bytes({0x00, 0x05, 0x00, 0x10, 0x01, static_cast<int>(r)}));
        if (i % 2)
            run.port.arriveAt(run.clock.now(), bytes({0x00, 0x05, 0x00, 0x10, 0x01, 0x7E}));
        run.session.stop();
        run.session.tick();
        run.session.input();
        run.session.stop();
        EXPECT_TRUE(run.events.messages().empty()) << i << ": " << run.events.messages().front();
        EXPECT_EQ(run.events.count(MonitorEventKind::Closed), 1) << i;
        EXPECT_EQ(run.events.rows().size(), static_cast<std::size_t>(i % 5 + 1)) << i;
        EXPECT_TRUE(run.session.ended());
    }
}

std::string udpRecord(int index, int status)
{
    return bytes({0, 0, 0, 16, 0, 0, 0, 13, 0, 0, 0, index, 0, 0, 0, status, 0, 7, 0x40, 0x00, 0x99});
}

TEST(UdpRun, StartRecordsWriteAndStop)
{
    Rig run(MonitorLinkKind::Udp);
    FakeDatagramLink &socket = run.socket;
    ASSERT_TRUE(run.session.start(socket, "127.0.0.1", 40123, 40124));
    EXPECT_EQ(socket.boundPort, 40124);
    ASSERT_EQ(socket.sent.size(), 1u);
    EXPECT_EQ(socket.sent[0].bytes, udpStart());
    EXPECT_EQ(socket.sent[0].port, 40123);

    socket.arrive({udpRecord(0, 0)});
    run.session.input();
    ASSERT_EQ(run.events.rows().size(), 1u);
    EXPECT_EQ(run.events.rows()[0].cells[1], "1");
    EXPECT_EQ(socket.sent.back().bytes, udpNext());
    socket.arrive({udpRecord(2, 5)}); // status 5: nothing sent
    run.session.tick();
    EXPECT_EQ(socket.sent.size(), 2u);

    EXPECT_EQ(run.session.write("4001", "aa"), std::nullopt);
    socket.arrive({udpRecord(1, 2)});
    run.session.tick(); // still settling
    EXPECT_EQ(socket.sent.size(), 2u);
    run.tick();
    EXPECT_EQ(socket.sent.back().bytes, udpWriteMessage(0x4001, bytes({0xAA})));
    EXPECT_EQ(run.events.rows().size(), 2u);

    run.session.stop();
    run.session.tick();
    EXPECT_FALSE(run.session.ended());
    run.tick();
    EXPECT_EQ(socket.sent.back().bytes, udpStop());
    EXPECT_TRUE(run.session.ended());
    EXPECT_EQ(socket.closes, 1);
    EXPECT_EQ(run.events.count(MonitorEventKind::Closed), 1);
}

TEST(UdpRun, WriteWithoutARecordHaltsAndBindFailureSendsNothing)
{
    Rig run(MonitorLinkKind::Udp);
    ASSERT_TRUE(run.session.start(run.socket, "127.0.0.1", 40123, 40124));
    run.session.write("4001", "aa");
    for (int i = 0; i < 12; ++i)
        run.tick();
    EXPECT_EQ(run.events.count(MonitorEventKind::TimerStopped), 1);
    run.socket.arrive({udpRecord(0, 0)});
    run.session.tick();
    EXPECT_EQ(run.socket.sent.size(), 1u);
    // Halted, a further write is refused with its reason and "Send" given back.
    run.session.write("4001", "aa");
    EXPECT_EQ(run.events.messages(MonitorEventKind::WriteDone),
              (std::vector<std::string>{"Not sent: no record came from the gateway within 1 s",
                                        "Not sent: the monitoring has ended"}));
    EXPECT_EQ(run.socket.sent.size(), 1u);
    // Halted, the stop still goes out.
    run.session.stop();
    run.tick();
    EXPECT_EQ(run.socket.sent.back().bytes, udpStop());

    Rig busy(MonitorLinkKind::Udp);
    busy.socket.bindSucceeds = false;
    EXPECT_FALSE(busy.session.start(busy.socket, "127.0.0.1", 40123, 40124));
    EXPECT_TRUE(busy.socket.sent.empty());
    EXPECT_EQ(busy.socket.closes, 1);
    EXPECT_TRUE(busy.session.ended());
}

} // namespace
} // namespace tqv
