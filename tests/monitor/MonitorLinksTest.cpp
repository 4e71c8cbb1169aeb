// The monitoring links driven by ticks and arrivals on fake links and a fake clock.
#include "monitor/MonitorLinks.h"
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
    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (const auto &e : all)
            if (e.kind == MonitorEventKind::Message)
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
    bool has(MonitorEventKind kind) const
    {
        for (const auto &e : all)
            if (e.kind == kind)
                return true;
        return false;
    }
};

const std::string kMasterHandshake = bytes({0xD0}) + std::string(13, '\0') + bytes({0x00, 0xD0});
const std::string kMasterRecord = bytes({0x00, 0x0A, 0x00, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78, 0xE0});

class FramedLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        port.reply(kMasterHandshake, Millis{20});
        monitor.start();
        clock.advance(Millis{20});
        monitor.onBytes();
    }
    void record(const std::string &bytes)
    {
        port.arriveAt(clock.now(), bytes);
        clock.advance(FramedMonitorLink::tickInterval);
        monitor.onTick();
    }
    FakeClock clock;
    FakeSerialLink port{clock};
    Events events;
    FramedMonitorLink monitor{port, clock, FramedMode::Master, events.sink()};
};

TEST_F(FramedLinkTest, HandshakeThenRecordsAnsweredWithNext)
{
    ASSERT_TRUE(monitor.running());
    EXPECT_EQ(port.written, (std::vector<std::string>{framedAskSubnetType(), bytes({0xD2, 0x01, 0xEA, 0xBD})}));
    record(kMasterRecord);
    ASSERT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(events.rows()[0].cells[5], " 12 34 56 78");
    EXPECT_EQ(port.written.back(), bytes({0xD4, 0x01, 0x00, 0xD5}));
    // Status 255: no row and no reply.
    record(bytes({0x00, 0x0A, 0xFF, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78, 0xE0}));
    EXPECT_EQ(port.written.size(), 3u);
    EXPECT_EQ(events.rows().size(), 1u);
}

TEST_F(FramedLinkTest, NotShowingDropsButAnswers)
{
    monitor.setShowing(false);
    record(kMasterRecord);
    EXPECT_TRUE(events.rows().empty());
    EXPECT_EQ(port.written.back(), framedNext());
}

TEST_F(FramedLinkTest, RecordInTwoPiecesIsTakenWhole)
{
    record(kMasterRecord.substr(0, 9));
    EXPECT_TRUE(events.rows().empty());
    EXPECT_EQ(port.written.size(), 2u);
    record(kMasterRecord.substr(9));
    ASSERT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(events.rows()[0].cells[5], " 12 34 56 78");
}

TEST_F(FramedLinkTest, WriteReplacesNextAndBadInputGetsNoReply)
{
    monitor.requestWrite("40f3", "0a 1B");
    record(kMasterRecord);
    EXPECT_EQ(port.written.back(), bytes({0xD4, 0x05, 0x01, 0x40, 0xF3, 0x0A, 0x1B, 0x32}));
    EXPECT_FALSE(monitor.writePending());
    const auto sent = port.written.size();
    monitor.requestWrite("40F4", "0a 1B");
    record(kMasterRecord);
    EXPECT_EQ(port.written.size(), sent);
    EXPECT_EQ(events.messages(), (std::vector<std::string>{"The range should be from 0x4000 to 0x40F3"}));
}

TEST_F(FramedLinkTest, StopPendingSendsTheStopFrameAndCloses)
{
    monitor.requestStop();
    EXPECT_FALSE(events.has(MonitorEventKind::Closed));
    record(kMasterRecord);
    EXPECT_EQ(port.written.back(), bytes({0xD2, 0x01, 0xF0, 0xC3}));
    EXPECT_TRUE(monitor.closed());
    EXPECT_TRUE(events.has(MonitorEventKind::Closed));
}

TEST(FramedLinkStart, MismatchAndSilenceEndTheRun)
{
    setLanguage(Language::English);
    struct Case {
        std::optional<std::string> reply;
        FramedMode mode;
        std::string message;
    };
    const Case cases[] = {
        {kMasterHandshake, FramedMode::Slave,
         "Currently the gateway sub network type is Modbus master, and mismatch the software "
         "configuration.Please select the corresponding configuration\n"},
        {std::nullopt, FramedMode::Master, "Read hardware configurating mismatch"},
        {bytes({0xD0}) + std::string(13, '\0') + bytes({0x05, 0xD5}), FramedMode::Master, "the gateway'sub network is illegal."},
    };
    for (const Case &c : cases) {
        FakeClock clock;
        FakeSerialLink port(clock);
        Events events;
        FramedMonitorLink monitor(port, clock, c.mode, events.sink());
        if (c.reply)
            port.reply(*c.reply, Millis{10});
        monitor.start();
        for (int i = 0; i < 7 && !monitor.closed(); ++i) {
            clock.advance(FramedMonitorLink::tickInterval);
            monitor.onTick();
        }
        EXPECT_TRUE(monitor.closed());
        EXPECT_EQ(events.messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(port.written.size(), 1u);
    }
}

TEST(RecordLink, RecordsAnsweredByStatus)
{
    setLanguage(Language::English);
    FakeClock clock;
    FakeSerialLink port(clock);
    Events events;
    RecordMonitorLink monitor(port, clock, events.sink());
    auto tick = [&](const std::string &bytes) {
        port.arriveAt(clock.now(), bytes);
        clock.advance(RecordMonitorLink::tickInterval);
        monitor.onTick();
    };
    tick(bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x02}));
    ASSERT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(events.rows()[0].cells[0], "Respond abnormally ");
    EXPECT_EQ(events.rows()[0].cells[3], "02 (Incorrect data address)");
    EXPECT_EQ(port.written, std::vector<std::string>{bytes({0x00})});
    tick(bytes({0x04, 0x05, 0x00, 0x10, 0x01, 0x02}));
    EXPECT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(port.written.size(), 1u);
    tick(bytes({0xFF}));
    EXPECT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(port.written.size(), 2u);
}

TEST(RecordLink, WriteWaitsForTheRecordOrGivesUp)
{
    setLanguage(Language::English);
    FakeClock clock;
    FakeSerialLink port(clock);
    Events events;
    RecordMonitorLink monitor(port, clock, events.sink());
    monitor.beginWrite({0x406F, bytes({0x0A, 0x1B})});
    port.arriveAt(clock.now() + Millis{300}, bytes({0x00, 0x05, 0x00, 0x10, 0x01, 0x7E}));
    for (int i = 0; i < 3 && monitor.writing(); ++i) {
        clock.advance(RecordMonitorLink::tickInterval);
        monitor.onTick();
    }
    EXPECT_FALSE(monitor.writing());
    EXPECT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(port.written, std::vector<std::string>{bytes({0x01, 0x40, 0x6F, 0x02, 0x0A, 0x1B})});
    EXPECT_TRUE(events.has(MonitorEventKind::SendEnabled));

    monitor.beginWrite({0x4000, bytes({0x01})});
    for (int i = 0; i < 6; ++i) {
        clock.advance(RecordMonitorLink::tickInterval);
        monitor.onTick();
    }
    EXPECT_EQ(events.messages(), std::vector<std::string>{"Failing in reading serial port!"});
    EXPECT_EQ(port.written.size(), 1u);

    monitor.beginWrite({0x4000, bytes({0x01})});
    port.arriveAt(clock.now(), bytes({0x07, 0x05, 0x00, 0x10, 0x01, 0x7E}));
    clock.advance(RecordMonitorLink::tickInterval);
    monitor.onTick();
    EXPECT_EQ(events.messages().back(), "The format of received data is wrong!");
    EXPECT_EQ(port.written.size(), 1u);
}

std::string udpRecord(int index, int status)
{
    return bytes({0, 0, 0, 16, 0, 0, 0, 13, 0, 0, 0, index, 0, 0, 0, status, 0, 7, 0x40, 0x00, 0x99});
}

TEST(UdpLink, StartRecordsWriteAndStop)
{
    setLanguage(Language::English);
    FakeClock clock;
    FakeDatagramLink socket;
    Events events;
    UdpMonitorLink monitor(socket, clock, "127.0.0.1", 40123, events.sink());
    ASSERT_TRUE(monitor.start(40124));
    EXPECT_EQ(socket.boundPort, 40124);
    ASSERT_EQ(socket.sent.size(), 1u);
    EXPECT_EQ(socket.sent[0].bytes, udpStart());
    EXPECT_EQ(socket.sent[0].port, 40123);

    socket.arrive({udpRecord(0, 0)});
    monitor.onDatagram();
    ASSERT_EQ(events.rows().size(), 1u);
    EXPECT_EQ(events.rows()[0].cells[0], "1");
    EXPECT_EQ(socket.sent.back().bytes, udpNext());
    socket.arrive({udpRecord(2, 5)});
    monitor.onTick();
    EXPECT_EQ(socket.sent.size(), 2u);

    monitor.beginWrite({0x4001, bytes({0xAA})});
    socket.arrive({udpRecord(1, 2)});
    monitor.onTick(); // still settling
    EXPECT_EQ(socket.sent.size(), 2u);
    clock.advance(UdpMonitorLink::settle);
    monitor.onTick();
    EXPECT_EQ(socket.sent.back().bytes, udpWriteMessage(0x4001, bytes({0xAA})));
    EXPECT_EQ(events.rows().size(), 2u);

    monitor.requestStop();
    monitor.onTick();
    EXPECT_FALSE(monitor.closed());
    clock.advance(UdpMonitorLink::settle);
    monitor.onTick();
    EXPECT_EQ(socket.sent.back().bytes, udpStop());
    EXPECT_TRUE(monitor.closed());
    EXPECT_EQ(socket.closes, 1);
}

TEST(UdpLink, WriteWithoutARecordHaltsAndBindFailureSendsNothing)
{
    FakeClock clock;
    FakeDatagramLink socket;
    Events events;
    UdpMonitorLink monitor(socket, clock, "127.0.0.1", 40123, events.sink());
    ASSERT_TRUE(monitor.start(40124));
    monitor.beginWrite({0x4001, bytes({0xAA})});
    for (int i = 0; i < 12; ++i) {
        clock.advance(UdpMonitorLink::tickInterval);
        monitor.onTick();
    }
    EXPECT_TRUE(monitor.halted());
    EXPECT_TRUE(events.has(MonitorEventKind::TimerStopped));
    socket.arrive({udpRecord(0, 0)});
    monitor.onTick();
    EXPECT_EQ(socket.sent.size(), 1u);

    FakeDatagramLink busy;
    busy.bindSucceeds = false;
    UdpMonitorLink refused(busy, clock, "127.0.0.1", 40123, events.sink());
    EXPECT_FALSE(refused.start(40124));
    EXPECT_TRUE(busy.sent.empty());
    EXPECT_EQ(busy.closes, 1);
}

} // namespace
} // namespace tqv
