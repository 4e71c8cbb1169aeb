// tqv580-cli search, eth-download and eth-upload as a user runs them: the built program against a
// loopback gateway of the test's own, every address and port pointed at 127.0.0.1 through TQV580_*.
#include "cli/CliFiles.h"
#include "ethernet/EthernetBytes.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"
#include "support/LoopbackGateway.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifndef TQV_CLI_BINARY
#error "TQV_CLI_BINARY must name the built tqv580-cli"
#endif

namespace tqv {
namespace {

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

std::string reply(int permission)
{
    return searchReply({0, 2, 0, 3}, {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}, {127, 0, 0, 1}, {0, 0, 0, permission});
}

class CliEthernet : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        ASSERT_TRUE(dir.isValid());
        gateway.searchReply = reply(1);
    }

    CliRun cli(const QStringList &args)
    {
        if (!started) {
            EXPECT_TRUE(gateway.start());
            started = true;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TQV580_SEARCH_ADDRESS", "127.0.0.1");
        env.insert("TQV580_GATEWAY_PORT", QString::number(gateway.port()));
        env.insert("TQV580_LOCAL_PORT", QString::number(LoopbackGateway::freeUdpPort()));
        env.insert("TQV580_MONITOR_PORT", QString::number(LoopbackGateway::freeUdpPort()));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProgram(QStringLiteral(TQV_CLI_BINARY));
        p.setArguments(QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + args);
        p.start();
        p.waitForFinished(30000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
                p.readAllStandardError().toStdString()};
    }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    // An Ethernet project: subnet 1 with one node and two commands, subnet 2 with one.
    QString project(const char *name, std::uint32_t type = 4)
    {
        auto store = std::make_unique<ConfigStore>();
        store->newConfiguration();
        store->setTypeAndFlags(type, {false, false, false, false, false, false, true});
        store->fieldbus.ipAddress = "10.20.30.40";
        const auto add = [&](int subnet, const char *address, const char *function, const char *mapping) {
            if (store->subnet(subnet).nodeCount == 0) {
                const int n = store->addNode(subnet).value();
                store->node(subnet, n) = NODE{address, std::string("Node-") + address};
            }
            COMMAND &c = store->command(subnet, store->addCommand(subnet, 1, function).value());
            c.slaveAddress = address;
            c.startAddress = "10";
            c.quantity = "2";
            c.mappingAddress = mapping;
            c.mappingBit = "0";
        };
        add(0, "7", "3", "0");
        add(0, "7", "16", "4000");
        if (type == 4)
            add(1, "9", "4", "10");
        const QString file = path(name);
        EXPECT_TRUE(ProjectDocument::save(file.toStdString(), *store, codePageFor(Language::English)).ok());
        return file;
    }

    QTemporaryDir dir;
    LoopbackGateway gateway;
    bool started = false;
};

TEST_F(CliEthernet, SearchPrintsOneLinePerGateway)
{
    const CliRun r = cli({"search"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, " 1\tWLT-618ZC\t127.0.0.1\ta0-b1-c2-d3-e4-f5\t2.3\tAllows remote configuration\n");
    gateway.stop();
    EXPECT_EQ(gateway.datagrams, (std::vector<std::string>{bytes({0, 0, 0, 3, 0, 0, 0, 0})}));
}

TEST_F(CliEthernet, SearchWithoutAnswerBroadcastsFiveTimes)
{
    gateway.searchReply.clear();
    const CliRun r = cli({"search"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("No gateway answered."), std::string::npos) << r.err;
    gateway.stop();
    EXPECT_EQ(gateway.datagrams.size(), 5u);
}

TEST_F(CliEthernet, SearchOfOneAddress)
{
    gateway.searchReply = reply(2);
    CliRun r = cli({"search", "--address", "127.0.0.1"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1\tWLT-618ZC\t127.0.0.1\ta0-b1-c2-d3-e4-f5\t2.3\tProhibit configurating remotely\n");
    r = cli({"search", "--address", "127.0.0.256"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Not an IPv4 address: 127.0.0.256"), std::string::npos) << r.err;
}

TEST_F(CliEthernet, DownloadWritesTheImageAndRestartsOnRequest)
{
    const QString file = project("plant.tqv");
    CliRun r = cli({"eth-download", file, "--address", "127.0.0.1"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Finish download!"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Reatart gateway remotely or not"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("told to restart"), std::string::npos) << r.err;

    r = cli({"eth-download", file, "--address", "127.0.0.1", "--restart"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("The gateway was told to restart."), std::string::npos) << r.err;
    gateway.stop();

    ASSERT_EQ(gateway.images.size(), 2u);
    const std::string &image = gateway.images[0];
    ASSERT_EQ(image.size(), 1272u);
    EXPECT_EQ(image.substr(0, 8), bytes({0, 0, 0, 6, 0, 0, 4, 0xF0}));
    EXPECT_EQ(image.substr(12, 4), bytes({10, 20, 30, 40}));
    EXPECT_EQ(image.substr(80, 4), bytes({0, 0, 0, 2}));
    EXPECT_EQ(image.substr(84, 12), bytes({7, 3, 0, 10, 0, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(image.substr(96, 12), bytes({7, 16, 0, 10, 0, 2, 0x40, 0, 0, 0, 0, 0}));
    EXPECT_EQ(image.substr(692, 4), bytes({0, 0, 0, 1}));
    EXPECT_EQ(image.substr(696, 12), bytes({9, 4, 0, 10, 0, 2, 0, 0x10, 0, 0, 0, 0}));
    EXPECT_EQ(gateway.images[1], image);
    EXPECT_EQ(gateway.restarts, (std::vector<std::string>{bytes({0, 0, 0, 10, 0, 0, 0, 8}) + "Kelmarox"}));
}

TEST_F(CliEthernet, DownloadRefusals)
{
    gateway.searchReply = reply(2);
    CliRun r = cli({"eth-download", project("plant.tqv"), "--address", "127.0.0.1", "--restart"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Configurating remotely be forbidden, please check local DIP switch"), std::string::npos)
        << r.err;

    gateway.searchReply = reply(1);
    gateway.ack = bytes({0, 0, 0, 5});
    r = cli({"eth-download", project("plant.tqv"), "--address", "127.0.0.1", "--restart"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Write failed!"), std::string::npos) << r.err;

    r = cli({"eth-download", project("serial.tqv", 3), "--address", "127.0.0.1"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("is not a configuration of the Ethernet gateway (type 4)"), std::string::npos) << r.err;

    gateway.searchReply.clear();
    r = cli({"eth-download", project("plant.tqv"), "--address", "127.0.0.1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("No gateway answered at 127.0.0.1."), std::string::npos) << r.err;
    gateway.stop();
    EXPECT_EQ(gateway.images.size(), 1u) << "only the write with permission was sent";
    EXPECT_TRUE(gateway.restarts.empty());
}

TEST_F(CliEthernet, UploadWritesWhatTheGatewayHolds)
{
    std::string image(1272, '\0');
    put(image, 0, {0, 0, 0, 5, 0, 0, 0x04, 0xF0});
    put(image, 12, {192, 168, 9, 9});
    put(image, 80, {0, 0, 0, 2});
    put(image, 84, {5, 3, 0, 1, 0, 4, 0, 0x10, 0, 0, 0, 0});
    put(image, 96, {6, 1, 0, 2, 0, 9, 0, 0x20, 3, 1, 1, 0});
    gateway.readReply = image;
    gateway.readPieces = 3;
    const QString out = path("read.json");
    CliRun r = cli({"eth-upload", "--address", "127.0.0.1", "-o", out});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Finish uploading!"), std::string::npos) << r.err;

    auto store = std::make_unique<ConfigStore>();
    ASSERT_TRUE(readConfiguration(out.toStdString(), FileKind::Json, *store).ok());
    EXPECT_EQ(store->gatewayType, 4u);
    EXPECT_EQ(store->fieldbus.ipAddress, "192.168.9.9");
    EXPECT_EQ(store->fieldbus.inputSize, "8") << "an Ethernet gateway's defaults for what the image lacks";
    ASSERT_EQ(store->subnet(0).nodeCount, 2);
    EXPECT_EQ(store->subnet(0).nodes[1], (NODE{"6", "Node-6"}));
    EXPECT_EQ(store->subnet(0).commands[1].mappingAddress, "20");
    EXPECT_EQ(store->subnet(0).commands[1].scanType, "Slow-scan");

    // A reply of another command: nothing is written.
    put(gateway.readReply, 3, {6});
    const QString refused = path("refused.json");
    r = cli({"eth-upload", "--address", "127.0.0.1", "-o", refused});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Read configuration failed!"), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(refused));
}

} // namespace
} // namespace tqv
