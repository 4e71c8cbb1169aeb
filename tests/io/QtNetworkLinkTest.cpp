// The UDP and TCP adapters over 127.0.0.1, and the device search and the Ethernet transfers on
// them against a loopback gateway of the test's own: real sockets, real time limits.
#include "ethernet/ConfigImage.h"
#include "ethernet/DeviceSearch.h"
#include "ethernet/EthernetBytes.h"
#include "ethernet/EthernetTransfer.h"
#include "io/QtTcpLink.h"
#include "io/QtUdpLink.h"
#include "resources/Strings.h"
#include "support/FakeSerialLink.h"
#include "support/LoopbackGateway.h"
#include "support/RecordingPrompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tqv {
namespace {

using namespace std::chrono_literals;

// The reply of a gateway at 127.0.0.1 that prohibits remote configuration.
std::string searchReplyBytes()
{
    return searchReply({0, 1, 0, 10}, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {127, 0, 0, 1}, {0, 0, 0, 2});
}

// Runs the event loop until `done` or `limit` has passed; returns `done()`.
bool spinUntil(const std::function<bool()> &done, int limitMs = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

class NullObserver : public TransferObserver {
public:
    void setTitle(const std::string &) override {}
    void setStatus(const std::string &t) override { statuses.push_back(t); }
    void setLine(int, const std::string &, LineState) override {}
    void setProgress(int, int) override {}
    std::vector<std::string> statuses;
};

// Every test here talks to 127.0.0.1 only; the environment says so too, in case anything reads it.
class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        ::setenv("TQV580_SEARCH_ADDRESS", "127.0.0.1", 1);
        ASSERT_TRUE(gateway.start());
        ::setenv("TQV580_GATEWAY_PORT", std::to_string(gateway.port()).c_str(), 1);
        localPort = LoopbackGateway::freeUdpPort();
        ::setenv("TQV580_LOCAL_PORT", std::to_string(localPort).c_str(), 1);
        ::setenv("TQV580_MONITOR_PORT", std::to_string(LoopbackGateway::freeUdpPort()).c_str(), 1);
    }
    EthernetEndpoints endpoints() const { return {"127.0.0.1", gateway.port(), 0, localPort}; }

    LoopbackGateway gateway;
    std::uint16_t localPort = 0;
};

TEST_F(NetworkTest, UdpDatagramsBothWays)
{
    QtUdpLink a;
    QtUdpLink b;
    ASSERT_TRUE(a.bind(0));
    ASSERT_TRUE(b.bind(0));
    ASSERT_NE(b.localPort(), 0);
    int ready = 0;
    b.setReadyCallback([&] { ++ready; });
    EXPECT_TRUE(a.sendTo("127.0.0.1", b.localPort(), bytes({0, 0, 0, 3, 0, 0, 0, 0})));
    EXPECT_TRUE(a.sendTo("127.0.0.1", b.localPort(), std::string(300, 'x')));
    // The arrival is signalled; the datagrams are taken after it, as the search takes them.
    ASSERT_TRUE(spinUntil([&] { return ready > 0; }));
    std::vector<Datagram> got;
    ASSERT_TRUE(spinUntil([&] {
        while (auto d = b.receive())
            got.push_back(*d);
        return got.size() == 2;
    }));
    EXPECT_EQ(got[0].bytes, bytes({0, 0, 0, 3, 0, 0, 0, 0}));
    EXPECT_EQ(got[1].bytes, std::string(300, 'x')) << "the whole datagram; the reader decides how much it reads";
    EXPECT_EQ(got[0].address, "127.0.0.1");
    EXPECT_EQ(got[0].port, a.localPort());
    EXPECT_FALSE(b.receive());
}

TEST_F(NetworkTest, UdpRefusals)
{
    QtUdpLink a;
    EXPECT_FALSE(a.sendTo("127.0.0.1", 9, "x")) << "not bound";
    ASSERT_TRUE(a.bind(0));
    EXPECT_FALSE(a.sendTo("localhost", gateway.port(), "x")) << "names are not looked up";
    EXPECT_FALSE(a.sendTo("::1", gateway.port(), "x"));
    EXPECT_FALSE(a.sendTo("", gateway.port(), "x"));
    QtUdpLink b;
    EXPECT_FALSE(b.bind(a.localPort())) << "a port in use is refused";
    a.close();
    EXPECT_EQ(a.localPort(), 0);
    EXPECT_FALSE(a.receive());
    EXPECT_TRUE(b.bind(LoopbackGateway::freeUdpPort()));
}

TEST_F(NetworkTest, TcpBytesAndTheirWaits)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QtTcpLink link;
    EXPECT_FALSE(link.isOpen());
    ASSERT_TRUE(link.connectTo("127.0.0.1", server.serverPort(), 3000ms));
    ASSERT_TRUE(server.waitForNewConnection(3000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());

    EXPECT_TRUE(link.write(bytes({0, 0, 0, 5, 0, 0, 0, 0})));
    ASSERT_TRUE(peer->waitForReadyRead(3000));
    EXPECT_EQ(peer->readAll().toStdString(), bytes({0, 0, 0, 5, 0, 0, 0, 0}));

    // Nothing there: the wait lasts its time.
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.waitForBytes(150ms));
    EXPECT_GE(t.elapsed(), 140);
    EXPECT_EQ(link.readAll(), "");

    peer->write("abc");
    peer->waitForBytesWritten(1000);
    EXPECT_TRUE(link.waitForBytes(3000ms));
    std::string got = link.readAll();
    while (got.size() < 3 && link.waitForBytes(1000ms))
        got += link.readAll();
    EXPECT_EQ(got, "abc");

    // Bytes sent just before the peer closes are still read; then the wait ends at once.
    peer->write("tail");
    peer->waitForBytesWritten(1000);
    peer->disconnectFromHost();
    peer.reset();
    got.clear();
    t.restart();
    while (link.waitForBytes(2000ms))
        got += link.readAll();
    got += link.readAll();
    EXPECT_EQ(got, "tail");
    EXPECT_LT(t.elapsed(), 1500) << "a closed connection does not wait out the limit";

    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.write("x"));
    EXPECT_FALSE(link.waitForBytes(10ms));
}

TEST_F(NetworkTest, TcpConnectRefusals)
{
    QtTcpLink link;
    quint16 closedPort = 0;
    {
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        closedPort = server.serverPort();
    }
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.connectTo("127.0.0.1", closedPort, 3000ms));
    EXPECT_LT(t.elapsed(), 2000) << "a refusal ends the connect at once";
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.connectTo("localhost", gateway.port(), 3000ms)) << "names are not looked up";
    EXPECT_FALSE(link.connectTo("1.2.3", gateway.port(), 3000ms));
}

TEST_F(NetworkTest, SearchOverUdpFindsTheGateway)
{
    gateway.searchReply = searchReplyBytes();
    SessionState session;
    QtUdpLink link;
    DeviceSearch search(link, session, endpoints());
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { search.tick(); });
    search.start();
    ASSERT_TRUE(search.bound());
    timer.start(static_cast<int>(DeviceSearch::tickInterval.count()));
    ASSERT_TRUE(spinUntil([&] { return search.finished(); }));
    ASSERT_EQ(search.rows().size(), 1u);
    EXPECT_EQ(search.rows()[0].columns(),
              (std::array<std::string, 6>{" 1", "WLT-618ZC", "127.0.0.1", "00-1a-2b-3c-4d-5e", "1.10",
                                          "Prohibit configurating remotely"}));
    EXPECT_FALSE(session.remoteConfigAllowed);
    EXPECT_EQ(search.broadcastsSent(), 1);
    gateway.stop();
    ASSERT_EQ(gateway.datagrams.size(), 1u);
    EXPECT_EQ(gateway.datagrams[0], bytes({0, 0, 0, 3, 0, 0, 0, 0}));
}

TEST_F(NetworkTest, FixedAddressQueryOverUdp)
{
    gateway.searchReply = searchReplyBytes().substr(0, 10); // no minimum length for a fixed address
    SessionState session;
    session.useFixedAddress = true;
    session.targetAddress = "127.0.0.1";
    QtUdpLink link;
    DeviceSearch search(link, session, endpoints());
    bool changed = false;
    search.setChangedCallback([&] { changed = true; });
    search.start();
    ASSERT_TRUE(spinUntil([&] { return changed; }));
    ASSERT_EQ(search.rows().size(), 1u);
    EXPECT_EQ(search.rows()[0].listNumber, "1");
    EXPECT_EQ(search.rows()[0].ipAddress, "0.0.0.0");
}

// An image with one command in each subnet, as the gateway holds it.
std::string gatewayImage(int command)
{
    std::string r(1272, '\0');
    put(r, 0, {0, 0, 0, command, 0, 0, 0x04, 0xF0});
    put(r, 12, {10, 1, 1, 9});
    put(r, 80, {0, 0, 0, 1});
    put(r, 84, {3, 3, 0, 1, 0, 4, 0, 0x10, 0, 0, 0, 0});
    put(r, 692, {0, 0, 0, 1});
    put(r, 696, {4, 16, 0, 2, 0, 1, 0x40, 0, 0, 1, 1, 0});
    return r;
}

TEST_F(NetworkTest, WriteRestartAndReadOverTcp)
{
    gateway.readReply = gatewayImage(5);
    gateway.readPieces = 4;
    auto store = std::make_unique<ConfigStore>();
    store->setTypeAndFlags(4, {false, false, false, false, false, false, true});
    RecordingPrompter prompter;
    NullObserver observer;
    QtTcpLink link;
    SteadyClock clock;
    EthernetTransfer transfer(link, clock, prompter, observer);
    const EthernetTarget target{"127.0.0.1", gateway.port()};

    ASSERT_EQ(transfer.write(*store, target).outcome, EthernetOutcome::Succeeded);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(transfer.offerRestart(), RestartOutcome::Sent);
    const EthernetReadResult read = transfer.read(*store, target);
    ASSERT_EQ(read.outcome, EthernetOutcome::Succeeded) << (prompter.messages.empty() ? "" : prompter.messages[0]);
    EXPECT_EQ(read.configuration.fieldbus.ipAddress, "10.1.1.9");
    EXPECT_EQ(read.configuration.subnet(1).commands[0].mappingAddress, "4000");
    EXPECT_EQ(read.configuration.subnet(1).nodes[0].name, "Node-4");

    gateway.stop();
    ASSERT_EQ(gateway.images.size(), 1u);
    EXPECT_EQ(gateway.images[0], buildConfigImage(*store).value());
    ASSERT_EQ(gateway.restarts.size(), 1u);
    EXPECT_EQ(gateway.restarts[0], bytes({0, 0, 0, 10, 0, 0, 0, 8}) + "Kelmarox");
    EXPECT_EQ(gateway.connections, 2);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{
                                     "The configuration being downloaded will be effective after restarting gateway!\n"
                                     "Reatart gateway remotely or not"}));
    EXPECT_EQ(observer.statuses, (std::vector<std::string>{"Finish download!", "Finish uploading!"}));
}

TEST_F(NetworkTest, ShortReadAndUnansweredWriteOverTcp)
{
    gateway.readReply = gatewayImage(5).substr(0, 1000);
    gateway.ack.clear();
    auto store = std::make_unique<ConfigStore>();
    store->setTypeAndFlags(4, {false, false, false, false, false, false, true});
    RecordingPrompter prompter;
    NullObserver observer;
    QtTcpLink link;
    SteadyClock clock;
    EthernetTransfer transfer(link, clock, prompter, observer);
    const EthernetTarget target{"127.0.0.1", gateway.port()};

    QElapsedTimer t;
    t.start();
    EXPECT_EQ(transfer.read(*store, target).outcome, EthernetOutcome::Failed);
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 2500);
    t.restart();
    EXPECT_EQ(transfer.write(*store, target).outcome, EthernetOutcome::Failed);
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{"Read configuration failed!",
                                        "Write configuration failed,please check IP address and the port!"}));
}

} // namespace
} // namespace tqv
