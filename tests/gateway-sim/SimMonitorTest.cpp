// The simulator's monitor side: its record layouts and request readers in-process, then the built
// binary over a pty (framed and record links) and over loopback UDP. Every byte vector here is
// written out by hand from the monitor links' record tables, not produced by the simulator's code.
#include "LineClient.h"
#include "MonitorRecords.h"
#include "SimProcess.h"

#include "model/ConfigStore.h"

#include <gtest/gtest.h>

namespace simtest {

namespace {

using tqvsim::MonitorCommand;
using tqvsim::MonitorEntry;
using tqvsim::MonitorRecords;
using tqvsim::MonitorSequence;
using Kind = MonitorRecords::Request::Kind;

MonitorEntry entry(std::uint8_t status, MonitorCommand command, Bytes data, std::uint8_t exception = 0)
{
    MonitorEntry e;
    e.status = status;
    e.command = command;
    e.data = std::move(data);
    e.exceptionCode = exception;
    return e;
}

// ---- layouts ----------------------------------------------------------------------------------

TEST(SimMonitorRecords, LinkLayoutsByHand)
{
    const MonitorCommand slave5{0, 5, 3, 0x0010, 2};
    const MonitorCommand second{1, 5, 3, 0x0010, 1};
    const struct {
        const char *name;
        Bytes bytes;
        Bytes expected;
    } cases[] = {
        // The master form is read back end to end below; the record and UDP links by the program's monitor tests.
        {"framed slave form",
         MonitorRecords::framedSlaveRecord(entry(1, slave5, {0x01, 0x03, 0x02, 0xAA, 0xBB})),
         {0x00, 0xF5, 0x01, 0x01, 0x03, 0x02, 0xAA, 0xBB, 0x61}},
        {"udp, status 0, second subnet", MonitorRecords::udpRecord(entry(0, second, {0x12, 0x34})),
         {0, 0, 0, 0x10, 0, 0, 0, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0x03, 0x05, 0x00, 0x10, 0x12, 0x34}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hex(c.bytes), hex(c.expected)) << c.name;
}

TEST(SimMonitorRecords, ReplyDataSizeFollowsFunctionAndQuantity)
{
    const struct {
        std::uint8_t function;
        std::uint16_t quantity;
        std::size_t size;
    } cases[] = {{1, 10, 2}, {2, 8, 1}, {2, 9, 2}, {3, 125, 250}, {4, 1, 2},
                 {5, 1, 2},  {6, 1, 2}, {15, 17, 3}, {16, 3, 6},  {7, 40, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(MonitorSequence::replyDataSize(c.function, c.quantity), c.size)
            << int(c.function) << "/" << c.quantity;
}

TEST(SimMonitorRecords, SequenceCyclesCommandsAndStatuses)
{
    const MonitorSequence sequence({{0, 7, 3, 100, 2}, {0, 9, 1, 5, 12}});
    // status, command slave, data, exception for the first positions and one of the second cycle
    const struct {
        std::uint32_t position;
        std::uint8_t status;
        std::uint8_t slave;
        Bytes data;
        std::uint8_t exception;
    } cases[] = {
        {0, 0, 7, {0x00, 0x01, 0x02, 0x03}, 0}, {1, 0, 9, {0x01, 0x02}, 0},
        {2, 1, 7, {}, 2},                       {3, 2, 9, {0x03, 0x04}, 0},
        {4, 3, 7, {}, 0},                       {5, 255, 9, {}, 0},
        {6, 4, 7, {0x06, 0x07, 0x08, 0x09}, 0}, {9, 1, 9, {}, 3},
        {7 * 7 + 2, 1, 9, {}, 1}, // the eighth exception is the "any other" code
    };
    for (const auto &c : cases) {
        const MonitorEntry e = sequence.masterEntry(c.position, 240);
        EXPECT_EQ(e.status, c.status) << c.position;
        EXPECT_EQ(e.command.slave, c.slave) << c.position;
        EXPECT_EQ(hex(e.data), hex(c.data)) << c.position;
        if (c.status == 1) {
            EXPECT_EQ(e.exceptionCode, c.exception) << c.position;
        }
    }
    // Data is cut to what the link's reader takes.
    const MonitorSequence wide({{0, 1, 3, 0, 125}});
    EXPECT_EQ(wide.masterEntry(0, 195).data.size(), 195u);
    EXPECT_EQ(wide.masterEntry(0, 300).data.size(), 250u);
}

TEST(SimMonitorRecords, CommandsComeFromTheConfiguration)
{
    tqv::ConfigStore store;
    store.newConfiguration();
    EXPECT_TRUE(MonitorSequence::commandsOf(store, 1).empty());
    const auto node = store.addNode(0);
    ASSERT_TRUE(node.ok());
    const auto position = store.addCommand(0, node.value(), "16");
    ASSERT_TRUE(position.ok());
    tqv::COMMAND &c = store.command(0, position.value());
    c.slaveAddress = "17";
    c.startAddress = "4660";
    c.quantity = "3";
    const auto commands = MonitorSequence::commandsOf(store, 1);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], (MonitorCommand{0, 17, 16, 4660, 3}));
    // A sequence over no commands falls back to one of its own rather than having nothing to send.
    EXPECT_EQ(MonitorSequence({}).commands().size(), 1u);
}

// ---- requests ---------------------------------------------------------------------------------

// One request as its link carries it and what the reader makes of it.
struct RequestCase {
    Bytes bytes;
    Kind kind;
    std::uint16_t address;
    Bytes data;
};

void expectRequests(MonitorRecords::Request (*read)(std::span<const std::uint8_t>),
                    const std::vector<RequestCase> &cases)
{
    for (const auto &c : cases) {
        const auto r = read(c.bytes);
        EXPECT_EQ(r.kind, c.kind) << hex(c.bytes);
        EXPECT_EQ(r.address, c.address) << hex(c.bytes);
        EXPECT_EQ(hex(r.data), hex(c.data)) << hex(c.bytes);
    }
}

TEST(SimMonitorRecords, FramedRequests)
{
    expectRequests(&MonitorRecords::framedRequest, {
        {{0xD0, 0x00, 0xD0}, Kind::Handshake, 0, {}},
        {{0xD2, 0x01, 0xEA, 0xBD}, Kind::Start, 0, {}},
        {{0xD2, 0x01, 0xF0, 0xC3}, Kind::Stop, 0, {}},
        {{0xD4, 0x01, 0x00, 0xD5}, Kind::Next, 0, {}},
        {withSum({0xD4, 0x05, 0x01, 0x40, 0xF3, 0x0A, 0x1B}), Kind::Write, 0x40F3, {0x0A, 0x1B}},
        {withSum({0xD4, 0x03, 0x01, 0x40, 0x00}), Kind::Write, 0x4000, {}},
        {{0xD2, 0x01, 0x00, 0xD3}, Kind::Unknown, 0, {}},
        {withSum({0xD4, 0x02, 0x01, 0x40}), Kind::Unknown, 0, {}},
        {withSum({0x05, 0x00}), Kind::Unknown, 0, {}},
    });
}

TEST(SimMonitorRecords, UdpRequests)
{
    expectRequests(&MonitorRecords::udpRequest, {
        {{0, 0, 0, 14, 0, 0, 0, 8, 0xEA, 0xEA, 0xEA, 0xEA, 0, 0, 0, 0}, Kind::Start, 0, {}},
        {{0, 0, 0, 14, 0, 0, 0, 8, 0xF0, 0xF0, 0xF0, 0xF0, 0, 0, 0, 0}, Kind::Stop, 0, {}},
        {{0, 0, 0, 16, 0, 0, 0, 4, 0, 0, 0, 0}, Kind::Next, 0, {}},
        {{0, 0, 0, 16, 0, 0, 0, 8, 0, 0, 0, 1, 0x40, 0x6F, 0xAB, 0xCD}, Kind::Write, 0x406F, {0xAB, 0xCD}},
        {{0, 0, 0, 16, 0, 0, 0, 9, 0, 0, 0, 1, 0x40, 0x6F, 0xAB, 0xCD}, Kind::Unknown, 0, {}}, // length lies
        {{0, 0, 0, 14, 0, 0, 0, 8, 0xEA, 0xEA, 0xEA, 0xEB, 0, 0, 0, 0}, Kind::Unknown, 0, {}},
        {{0, 0, 0, 16, 0, 0, 0, 4, 0, 0, 0, 2}, Kind::Unknown, 0, {}},
        {{0, 0, 0, 16}, Kind::Unknown, 0, {}},
    });
}

TEST(SimMonitorRecords, RecordLinkRequestsInAnyPieces)
{
    const Bytes stream = {0x00, 0x07, 0x01, 0x40, 0x6F, 0x02, 0x0A, 0x1B, 0x00};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        tqvsim::RecordRequestAssembler a;
        std::vector<MonitorRecords::Request> got;
        a.feed(std::span(stream).first(cut));
        while (auto r = a.next())
            got.push_back(*r);
        a.feed(std::span(stream).subspan(cut));
        while (auto r = a.next())
            got.push_back(*r);
        ASSERT_EQ(got.size(), 3u) << cut;
        EXPECT_EQ(got[0].kind, Kind::Next);
        EXPECT_EQ(got[1], (MonitorRecords::Request{Kind::Write, 0x406F, {0x0A, 0x1B}})) << cut;
        EXPECT_EQ(got[2].kind, Kind::Next);
        EXPECT_EQ(a.dropped(), 1u); // the stray 07
        EXPECT_FALSE(a.hasPartial());
    }
}

// ---- the binary over a pty --------------------------------------------------------------------

// Records of the fallback command (slave 1, function 3, start 0, quantity 2) at positions 0..6.
const Bytes kFramed0 = {0x00, 0x0A, 0x00, 0x01, 0x03, 0x00, 0x00, 0x04, 0x00, 0x01, 0x02, 0x03, 0x18};
const Bytes kFramed1 = {0x00, 0x0A, 0x00, 0x01, 0x03, 0x00, 0x00, 0x04, 0x01, 0x02, 0x03, 0x04, 0x1C};
const Bytes kFramed2 = {0x00, 0x07, 0x01, 0x01, 0x03, 0x00, 0x00, 0x01, 0x02, 0x0F};
const Bytes kFramed3 = {0x00, 0x0A, 0x02, 0x01, 0x03, 0x00, 0x00, 0x04, 0x03, 0x04, 0x05, 0x06, 0x26};
const Bytes kFramed4 = {0x00, 0x06, 0x03, 0x01, 0x03, 0x00, 0x00, 0x00, 0x0D};
const Bytes kFramed5 = {0x00, 0x06, 0xFF, 0x01, 0x03, 0x00, 0x00, 0x00, 0x09};
const Bytes kFramed6 = {0x00, 0x0A, 0x04, 0x01, 0x03, 0x00, 0x00, 0x04, 0x06, 0x07, 0x08, 0x09, 0x34};
const Bytes kNext = {0xD4, 0x01, 0x00, 0xD5};

TEST(SimMonitorEndToEnd, FramedHandshakeRecordsWritesAndStop)
{
    Session s({"--monitor", "framed", "--monitor-resend", "700"});
    ASSERT_NO_FATAL_FAILURE(s.open());
    s.line.send({0xD0, 0x00, 0xD0});
    EXPECT_EQ(hex(s.line.readExactly(16)), hex(Bytes{0xD0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xD0}));
    // Nothing is pushed before the start frame.
    EXPECT_TRUE(s.line.readFor(150).empty());

    // The start, then a next-record request for each record; a write stands for one.
    const Bytes write = withSum({0xD4, 0x05, 0x01, 0x40, 0xF3, 0x0A, 0x1B});
    const std::pair<Bytes, Bytes> steps[] = {{{0xD2, 0x01, 0xEA, 0xBD}, kFramed0}, {kNext, kFramed1},
                                             {write, kFramed2}, {kNext, kFramed3}, {kNext, kFramed4},
                                             {kNext, kFramed5}};
    for (const auto &[request, record] : steps) {
        s.line.send(request);
        EXPECT_EQ(hex(s.line.readExactly(record.size())), hex(record)) << hex(request);
    }
    EXPECT_EQ(s.sim.nextLine(1000).value_or("(none)"), "write 40F3 0A 1B");
    // Status 255 gets no answer; once the resend time is up the out-of-range record follows.
    const auto before = Clock::now();
    EXPECT_EQ(hex(s.line.readExactly(kFramed6.size(), 2000)), hex(kFramed6));
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(500));
    s.line.send(kNext);
    EXPECT_EQ(s.line.readExactly(1).size(), 1u); // record 7
    s.line.readFor(100);
    s.line.send({0xD2, 0x01, 0xF0, 0xC3});
    EXPECT_TRUE(s.line.readFor(1000).empty()) << "records after the stop";
    // A restart begins the sequence again; unanswered, its first record goes out again.
    s.line.send({0xD2, 0x01, 0xEA, 0xBD});
    EXPECT_EQ(hex(s.line.readExactly(kFramed0.size())), hex(kFramed0));
    EXPECT_EQ(hex(s.line.readExactly(kFramed0.size(), 1500)), hex(kFramed0));
    EXPECT_EQ(s.sim.stop(), 0);
}

TEST(SimMonitorEndToEnd, HandshakeTypesAndFailures)
{
    const struct {
        std::vector<std::string> args;
        Bytes reply;
    } cases[] = {
        {{"--monitor", "framed", "--monitor-type", "1"},
         {0xD0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0xD1}},
        {{"--monitor", "framed", "--monitor-type", "7"},
         {0xD0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x07, 0xD7}},
        {{"--monitor", "framed", "--fail", "sum:D0"}, {0xD0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xD1}},
        {{"--monitor", "framed", "--fail", "timeout:D0"}, {}},
    };
    for (const auto &c : cases) {
        Session s(c.args);
        ASSERT_NO_FATAL_FAILURE(s.open());
        s.line.send({0xD0, 0x00, 0xD0});
        EXPECT_EQ(hex(s.line.readFor(400)), hex(c.reply)) << c.args.back();
    }
}

} // namespace

} // namespace simtest
