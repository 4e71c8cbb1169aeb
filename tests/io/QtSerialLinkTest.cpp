// The QSerialPort adapter over a pseudo-terminal whose master side the test plays: opening and
// its failure message, bytes both ways, event-driven waits, an exchange with a reply in two
// pieces, and use from a worker thread. Timing is only bounded from above, generously.
#include "io/QtSerialLink.h"
#include "io/QtSerialPorts.h"
#include "resources/Strings.h"
#include "serial/Exchange.h"
#include "serial/FrameBuilder.h"
#include "support/FakeSerialLink.h"
#include "support/PtyPair.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace tqv {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class QtSerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        ASSERT_TRUE(pty.ok());
        const Status opened = link.open(pty.slavePath(), PortParameters{});
        ASSERT_TRUE(opened.ok()) << opened.message();
    }

    PtyPair pty;
    QtSerialLink link;
};

TEST(QtSerialLinkOpen, MissingDeviceGivesThePortOpenMessage)
{
    setLanguage(Language::English);
    QtSerialLink link;
    const Status opened = link.open("/nonexistent/ttyTQV", PortParameters{});
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().code, ErrorCode::SerialPortOpen);
    EXPECT_EQ(opened.message(), "Port/nonexistent/ttyTQVOpen failed!");
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.write("x"));
    EXPECT_FALSE(link.waitForBytes(10ms));
    EXPECT_EQ(link.readAll(), "");
}

TEST_F(QtSerialLinkTest, BytesBothWays)
{
    EXPECT_TRUE(link.isOpen());
    ASSERT_TRUE(link.write(bytes({0x01, 0x00, 0x01})));
    EXPECT_EQ(pty.receive(3, 2000ms), bytes({0x01, 0x00, 0x01}));
    ASSERT_TRUE(pty.send(bytes({0x10, 0x00, 0x10})));
    ASSERT_TRUE(link.waitForBytes(2000ms));
    std::string got;
    const auto start = Clock::now();
    while (got.size() < 3 && msSince(start) < 2000) {
        got += link.readAll();
        if (got.size() < 3)
            link.waitForBytes(100ms);
    }
    EXPECT_EQ(got, bytes({0x10, 0x00, 0x10}));
    EXPECT_EQ(link.bytesAvailable(), 0u);
}

// A wait ends when bytes arrive, not at its limit; without bytes at its limit; a negative one at once.
TEST_F(QtSerialLinkTest, WaitsEndOnArrivalOrAtTheirLimit)
{
    auto start = Clock::now();
    EXPECT_FALSE(link.waitForBytes(100ms));
    const long took = msSince(start);
    EXPECT_GE(took, 90);
    EXPECT_LT(took, 2000);

    start = Clock::now();
    EXPECT_FALSE(link.waitForBytes(Millis{-5}));
    EXPECT_LT(msSince(start), 1000);

    std::thread peer([this] {
        std::this_thread::sleep_for(30ms);
        pty.send("A");
    });
    start = Clock::now();
    EXPECT_TRUE(link.waitForBytes(5000ms));
    EXPECT_LT(msSince(start), 2000);
    peer.join();
    EXPECT_EQ(link.readAll(), "A");
}

TEST_F(QtSerialLinkTest, DiscardDropsWhatWaits)
{
    ASSERT_TRUE(pty.send("stale"));
    ASSERT_TRUE(link.waitForBytes(2000ms));
    std::this_thread::sleep_for(20ms);
    link.discardInput();
    EXPECT_EQ(link.bytesAvailable(), 0u);
    EXPECT_FALSE(link.waitForBytes(50ms));
}

TEST_F(QtSerialLinkTest, ExchangeTakesASplitReplyWhole)
{
    std::thread peer([this] {
        const std::string request = pty.receive(6, 2000ms);
        if (request == buildClearCommands(0)) {
            pty.send(bytes({0x14, 0x00}));
            std::this_thread::sleep_for(30ms);
            pty.send(bytes({0x14}));
        }
    });
    SteadyClock clock;
    Exchange ex(link, clock, Judge::Download, ReplyContext{});
    const auto start = Clock::now();
    const ExchangeResult r = ex.run(buildClearCommands(0));
    peer.join();
    EXPECT_EQ(r.status, ExchangeStatus::Accepted);
    EXPECT_EQ(r.reply, bytes({0x14, 0x00, 0x14}));
    EXPECT_LT(msSince(start), 1000);
}

TEST_F(QtSerialLinkTest, ExchangeWithoutAReplyTimesOutAfterItsLimit)
{
    SteadyClock clock;
    Exchange ex(link, clock, Judge::Download, ReplyContext{});
    const auto start = Clock::now();
    const ExchangeResult r = ex.run(buildClearCommands(0));
    EXPECT_EQ(r.status, ExchangeStatus::Timeout);
    const long took = msSince(start);
    EXPECT_GE(took, 290);
    EXPECT_LT(took, 2000);
    EXPECT_EQ(pty.receive(6, 1000ms), buildClearCommands(0));
}

TEST(QtSerialLinkThread, OpenedAndUsedInAWorkerThread)
{
    setLanguage(Language::English);
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    std::thread peer([&pty] {
        if (pty.receive(3, 3000ms) == buildReadGatewayType())
            pty.send(bytes({0x01, 0x08, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11}));
    });
    ExchangeResult result;
    Status opened;
    QThread *worker = QThread::create([&] {
        QtSerialLink link; // made, used and destroyed in this thread
        opened = link.open(pty.slavePath(), PortParameters{});
        if (!opened)
            return;
        SteadyClock clock;
        Exchange ex(link, clock, Judge::Upload, ReplyContext{});
        result = ex.run(buildReadGatewayType());
    });
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    delete worker;
    peer.join();
    ASSERT_TRUE(opened.ok()) << opened.message();
    EXPECT_EQ(result.status, ExchangeStatus::Accepted);
    EXPECT_EQ(gatewayIdentity(*decodeGatewayTypeReply(result.reply)).firmwareVersion, 40);
}

} // namespace
} // namespace tqv

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
