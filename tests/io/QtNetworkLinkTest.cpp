// The UDP and TCP adapters over 127.0.0.1: real sockets, real time limits; and the Ethernet
// transfer's time limits on them against the gateway simulator. The search, write, restart and
// read over these adapters run end to end in CliTransferTest and TransferDialogTest.
#include "ethernet/EthernetBytes.h"
#include "ethernet/EthernetTransfer.h"
#include "io/QtTcpLink.h"
#include "io/QtUdpLink.h"
#include "resources/Strings.h"
#include "support/ScriptedGateway.h"
#include "support/GatewaySimProcess.h"
#include "support/RecordingPrompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tqv {
namespace {

using namespace std::chrono_literals;

// A UDP port of 127.0.0.1 that was free a moment ago.
// Runs the event loop until `done` or `limit` has passed; returns `done()`.
bool spinUntil(const std::function<bool()> &done, int limitMs = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// Every test here talks to 127.0.0.1 only; the environment says so too, in case anything reads it.
class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        gatewayPort = freeLoopbackPort();
        localPort = freeLoopbackPort();
        ASSERT_TRUE(gatewayPort && localPort && gatewayPort != localPort);
        ::setenv("TQV580_SEARCH_ADDRESS", "127.0.0.1", 1);
        ::setenv("TQV580_GATEWAY_PORT", std::to_string(gatewayPort).c_str(), 1);
        ::setenv("TQV580_LOCAL_PORT", std::to_string(localPort).c_str(), 1);
        ::setenv("TQV580_MONITOR_PORT", std::to_string(freeLoopbackPort()).c_str(), 1);
    }
    // The simulator as the Ethernet gateway on `gatewayPort`.
    ::testing::AssertionResult startGateway(const QStringList &arguments)
    {
        gateway = std::make_unique<GatewaySimProcess>(QStringList{QStringLiteral("--ethernet")} + arguments);
        QString error;
        if (!gateway->start(error))
            return ::testing::AssertionFailure() << error.toStdString();
        return ::testing::AssertionSuccess();
    }
    std::unique_ptr<GatewaySimProcess> gateway;
    quint16 gatewayPort = 0;
    quint16 localPort = 0;
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
    EXPECT_FALSE(a.sendTo("localhost", gatewayPort, "x")) << "names are not looked up";
    EXPECT_FALSE(a.sendTo("::1", gatewayPort, "x"));
    EXPECT_FALSE(a.sendTo("", gatewayPort, "x"));
    QtUdpLink b;
    EXPECT_FALSE(b.bind(a.localPort())) << "a port in use is refused";
    a.close();
    EXPECT_EQ(a.localPort(), 0);
    EXPECT_FALSE(a.receive());
    EXPECT_TRUE(b.bind(freeLoopbackPort()));
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
    EXPECT_FALSE(link.connectTo("localhost", gatewayPort, 3000ms)) << "names are not looked up";
    EXPECT_FALSE(link.connectTo("1.2.3", gatewayPort, 3000ms));
}

TEST_F(NetworkTest, ShortReadAndUnansweredWriteOverTcp)
{
    auto store = std::make_unique<ConfigStore>();
    store->setTypeAndFlags(4, {false, false, false, false, false, false, true});
    RecordingPrompter prompter;
    RecordingObserver observer;
    QtTcpLink link;
    SteadyClock clock;
    EthernetTransfer transfer(link, clock, prompter, observer);
    const EthernetTarget target{"127.0.0.1", gatewayPort};

    // Half an image, then the connection closes: judged at once, not at the time limit.
    ASSERT_TRUE(startGateway({QStringLiteral("--fail"), QStringLiteral("short")}));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(transfer.read(*store, target).outcome, EthernetOutcome::Failed);
    EXPECT_LT(t.elapsed(), 900);
    gateway.reset();
    ASSERT_TRUE(startGateway({QStringLiteral("--fail"), QStringLiteral("no-answer")}));
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
