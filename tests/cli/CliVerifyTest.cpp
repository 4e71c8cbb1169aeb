// tqv580-cli verify against the gateway simulator: after a download the gateway holds the file;
// a gateway holding something else is named difference by difference.
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"
#include "support/GatewaySimProcess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <functional>

#ifndef TQV_CLI_BINARY
#error "TQV_CLI_BINARY must name the built tqv580-cli"
#endif

namespace tqv {
namespace {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

class CliVerify : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        ASSERT_TRUE(m_dir.isValid());
    }

    std::string path(const std::string &name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

    static CliResult cli(const QStringList &args)
    {
        QProcess p;
        p.setProgram(QStringLiteral(TQV_CLI_BINARY));
        p.setArguments(QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + args);
        p.start();
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
                p.readAllStandardError().toStdString()};
    }

    // Node 7 with a register read and a register write, of gateway `type`; `change` edits it.
    std::string project(const std::string &name, std::uint32_t type,
                        const std::function<void(ConfigStore &)> &change = {})
    {
        ConfigStore store;
        store.newConfiguration();
        if (type != store.gatewayType)
            store.setTypeAndFlags(type, std::array<bool, 7>{});
        const int node = store.addNode(0).value();
        store.node(0, node) = NODE{"7", "Node-7"};
        for (const auto &[function, mapping] : {std::pair{"3", "2"}, std::pair{"16", "4000"}}) {
            COMMAND &c = store.command(0, store.addCommand(0, node, function).value());
            c.slaveAddress = "7";
            c.startAddress = "10";
            c.quantity = "2";
            c.mappingAddress = mapping;
            c.mappingBit = "0";
        }
        if (change)
            change(store);
        const std::string file = path(name);
        EXPECT_TRUE(ProjectDocument::save(file, store, codePageFor(Language::English)).ok());
        return file;
    }

    static QStringList q(std::initializer_list<std::string> words)
    {
        QStringList out;
        for (const std::string &w : words)
            out << QString::fromStdString(w);
        return out;
    }

    QTemporaryDir m_dir;
};

::testing::AssertionResult started(GatewaySimProcess &sim)
{
    QString error;
    if (!sim.start(error))
        return ::testing::AssertionFailure() << error.toStdString();
    return ::testing::AssertionSuccess();
}

void changeQuantity(ConfigStore &s) { s.command(0, 2).quantity = "5"; }

TEST_F(CliVerify, SerialGatewayHoldsTheDownloadedFileThenAnotherOne)
{
    const std::string file = project("p.tqv", 3);
    {
        GatewaySimProcess sim({});
        ASSERT_TRUE(started(sim));
        const std::string port = sim.link().toStdString();
        const CliResult down = cli(q({"download", file, "--port", port}));
        ASSERT_EQ(down.code, 0) << down.err;
        const CliResult verify = cli(q({"verify", file, "--port", port}));
        EXPECT_EQ(verify.code, 0) << verify.err;
        EXPECT_EQ(verify.out, "");
        EXPECT_NE(verify.err.find("Verified: the gateway holds this configuration"), std::string::npos) << verify.err;
        // A node's name never reaches the gateway: a file that differs only there is held too.
        const std::string renamed = project("renamed.tqv", 3, [](ConfigStore &s) { s.node(0, 1).name = "Pump"; });
        EXPECT_EQ(cli(q({"verify", renamed, "--port", port})).code, 0);
    }
    // A gateway that holds a configuration with another quantity and a third command.
    const std::string other = project("other.tqv", 3, [](ConfigStore &s) {
        changeQuantity(s);
        COMMAND &c = s.command(0, s.addCommand(0, 1, "4").value());
        c.slaveAddress = "7";
        c.startAddress = "30";
        c.quantity = "1";
        c.mappingAddress = "6";
        c.mappingBit = "0";
    });
    GatewaySimProcess sim({QStringLiteral("--state"), QString::fromStdString(other)});
    ASSERT_TRUE(started(sim));
    const CliResult verify = cli(q({"verify", file, "--port", sim.link().toStdString()}));
    EXPECT_EQ(verify.code, 1) << verify.err;
    EXPECT_EQ(verify.out, "subnet 1 › command 2 › quantity\t2\t5\n"
                          "subnet 1 › command 3 added\t\tslaveAddress=7, functionCode=4, startAddress=30, quantity=1\n");
    EXPECT_NE(verify.err.find("2 differences"), std::string::npos) << verify.err;
}

TEST_F(CliVerify, EthernetGatewayHoldsTheDownloadedFileThenAnotherOne)
{
    auto freePort = [] {
        QUdpSocket probe;
        return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : quint16{0};
    };
    const quint16 gatewayPort = freePort();
    const quint16 localPort = freePort();
    ASSERT_TRUE(gatewayPort && localPort && gatewayPort != localPort);
    qputenv("TQV580_SEARCH_ADDRESS", "127.0.0.1");
    qputenv("TQV580_GATEWAY_PORT", QByteArray::number(gatewayPort));
    qputenv("TQV580_LOCAL_PORT", QByteArray::number(localPort));

    const std::string file = project("eth.tqv", 4);
    {
        GatewaySimProcess sim({QStringLiteral("--ethernet"), QStringLiteral("--permission"), QStringLiteral("1")});
        ASSERT_TRUE(started(sim));
        const CliResult down = cli(q({"eth-download", file, "--address", "127.0.0.1"}));
        ASSERT_EQ(down.code, 0) << down.err;
        const CliResult verify = cli(q({"verify", file, "--address", "127.0.0.1"}));
        EXPECT_EQ(verify.code, 0) << verify.err;
        EXPECT_NE(verify.err.find("Verified: the gateway holds this configuration"), std::string::npos) << verify.err;
    }
    const std::string other = project("other.tqv", 4, [](ConfigStore &s) {
        changeQuantity(s);
        s.fieldbus.ipAddress = "192.168.0.77";
    });
    GatewaySimProcess sim({QStringLiteral("--ethernet"), QStringLiteral("--state"), QString::fromStdString(other)});
    ASSERT_TRUE(started(sim));
    const CliResult verify = cli(q({"verify", file, "--address", "127.0.0.1", "--json"}));
    EXPECT_EQ(verify.code, 1) << verify.err;
    EXPECT_NE(verify.out.find("\"path\":\"fieldbus.ipAddress\",\"file\":\"192.168.0.10\",\"gateway\":\"192.168.0.77\""),
              std::string::npos)
        << verify.out;
    EXPECT_NE(verify.out.find("\"path\":\"subnet 1 › command 2 › quantity\",\"file\":\"2\",\"gateway\":\"5\""),
              std::string::npos)
        << verify.out;
}

TEST_F(CliVerify, TheFilesTypeChoosesTheLink)
{
    const std::string serial = project("serial.tqv", 3);
    const std::string ethernet = project("eth.tqv", 4);
    CliResult r = cli(q({"verify", serial, "--address", "127.0.0.1"}));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("give --port"), std::string::npos) << r.err;
    r = cli(q({"verify", ethernet, "--port", "/dev/null"}));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("give --address"), std::string::npos) << r.err;
    r = cli(q({"verify", "--help"}));
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("--address"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("exit 0 when the gateway holds FILE"), std::string::npos) << r.out;
}

} // namespace
} // namespace tqv
