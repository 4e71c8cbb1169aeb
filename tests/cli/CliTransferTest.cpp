// tqv580-cli upload and download as a user runs them: the built program against the gateway
// simulator on a pty, its exit codes and what it prints on stderr.
#include "model/JsonForm.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"
#include "support/GatewaySimProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <memory>

#include <signal.h>
#include <functional>

#ifndef TQV_CLI_BINARY
#error "TQV_CLI_BINARY must name the built tqv580-cli"
#endif

namespace tqv {
namespace {

struct CliRun {
    int code = -1;
    std::string err;
    std::string out;
};

class CliTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        ASSERT_TRUE(m_dir.isValid());
    }

    void TearDown() override
    {
        for (const char *name : {"TQV580_SEARCH_ADDRESS", "TQV580_GATEWAY_PORT", "TQV580_LOCAL_PORT", "TQV580_MONITOR_PORT"})
            qunsetenv(name);
    }

    // The Ethernet gateway's and the monitor's ports: loopback ones free just now.
    static bool useLoopbackPorts()
    {
        const quint16 gateway = freeLoopbackPort(), local = freeLoopbackPort(), monitor = freeLoopbackPort();
        qputenv("TQV580_SEARCH_ADDRESS", "127.0.0.1");
        qputenv("TQV580_GATEWAY_PORT", QByteArray::number(gateway));
        qputenv("TQV580_LOCAL_PORT", QByteArray::number(local));
        qputenv("TQV580_MONITOR_PORT", QByteArray::number(monitor));
        return gateway && local && monitor && gateway != local && gateway != monitor && local != monitor;
    }

    std::string path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)).toStdString(); }

    CliRun cli(const QStringList &args)
    {
        QProcess p;
        p.setProgram(QStringLiteral(TQV_CLI_BINARY));
        p.setArguments(QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + args);
        p.start();
        const bool ended = p.waitForFinished(60000); // a run still going is no exit code
        return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError().toStdString(),
                p.readAllStandardOutput().toStdString()};
    }

    // A project (type 3 unless named) with one node and two commands, at the addresses `map` gives.
    std::string project(const char *name, const std::function<void(ConfigStore &)> &change = {})
    {
        return project(name, 3, change);
    }
    std::string project(const char *name, std::uint32_t type, const std::function<void(ConfigStore &)> &change = {})
    {
        ConfigStore store;
        store.newConfiguration();
        if (type != store.gatewayType)
            store.setTypeAndFlags(type, std::array<bool, 7>{});
        const int node = store.addNode(0).value();
        store.node(0, node).address = "7";
        store.node(0, node).name = "Node-7";
        for (const auto &[function, mapping] : {std::pair{"3", "0"}, std::pair{"16", "4000"}}) {
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

TEST_F(CliTransfer, DownloadThenUploadGivesTheProjectBack)
{
    GatewaySimProcess sim({});
    ASSERT_TRUE(started(sim));
    const std::string port = sim.link().toStdString();
    const auto read = [](const std::string &file, ConfigStore &store) {
        QFile json(QString::fromStdString(file));
        return json.open(QIODevice::ReadOnly) && storeFromJson(json.readAll().toStdString(), store).ok();
    };
    const std::string file = path("mapped.json");
    const CliRun map = cli(q({"map", project("p.tqv"), "-o", file}));
    ASSERT_EQ(map.code, 0) << map.err;

    const CliRun down = cli(q({"download", file, "--port", port}));
    EXPECT_EQ(down.code, 0) << down.err;
    EXPECT_NE(down.err.find("Downloading configuration"), std::string::npos) << down.err;
    EXPECT_NE(down.err.find("[ok] Download subnet commands"), std::string::npos) << down.err;
    EXPECT_NE(down.err.find("Finish download!"), std::string::npos) << down.err;

    // verify: the gateway holds the file, and a file differing in a node's name (never carried)
    // too; one with another quantity is named difference by difference.
    const CliRun verify = cli(q({"verify", project("renamed.tqv", [](ConfigStore &s) { s.node(0, 1).name = "Pump"; }),
                                 "--port", port}));
    EXPECT_EQ(verify.code, 0) << verify.err;
    EXPECT_EQ(verify.out, "");
    EXPECT_NE(verify.err.find("Verified: the gateway holds this configuration"), std::string::npos) << verify.err;
    const CliRun other = cli(q({"verify", project("q.tqv", [](ConfigStore &s) { s.command(0, 2).quantity = "5"; }),
                                "--port", port}));
    EXPECT_EQ(other.code, 1) << other.err;
    EXPECT_EQ(other.out, "subnet 1 › command 2 › quantity\t5\t2\n");

    const std::string out = path("back.json");
    const CliRun up = cli(q({"upload", "--port", port, "--project", file, "-o", out}));
    EXPECT_EQ(up.code, 0) << up.err;
    EXPECT_NE(up.err.find("Finish uploading!"), std::string::npos) << up.err;

    ConfigStore back;
    ASSERT_TRUE(read(out, back));
    ASSERT_EQ(back.subnet(0).commandCount, 2);
    EXPECT_EQ(back.subnet(0).nodeCount, 1);
    EXPECT_EQ(back.node(0, 1).name, "Node-7");
    EXPECT_EQ(back.command(0, 2).functionCode, "16");
    EXPECT_EQ(back.command(0, 2).mappingAddress, "4000"); // the byte counts derived: TransferRoundTrip
}

// Each row: how the gateway misbehaves (or what the project holds), the arguments beyond the port,
// the exit code and a text stderr must hold. Every step's own message and every check before the
// first frame are pinned in the core's procedure tests; here each kind of ending (a check that
// stops, --yes past it, a type mismatch, a step that fails and one that only warns) maps to its
// exit code.
TEST_F(CliTransfer, FailuresSayWhyAndExitOne)
{
    const std::string good = project("good.tqv");
    const std::string stray = project("stray.tqv", [](ConfigStore &s) {
        const int node = s.addNode(0).value();
        s.node(0, node).address = "9";
    });
    struct Row {
        QStringList sim;
        QStringList args;
        int code;
        const char *says;
    };
    const std::vector<Row> rows = {
        {{}, q({"download", stray}), 1, "There is invaild node!"},
        {{}, q({"download", stray, "--yes"}), 0, "Finish download!"},
        {{"--gateway-type", "1"}, q({"download", good}), 1, "Type of device mismatch!"},
        {{"--fail", "timeout:14"}, q({"download", good}), 0, "Clear command failed"},
        {{"--fail", "timeout:10"}, q({"download", good}), 1,
         "Failed: Write command 1 of subnet 1 (0x10)\nPort: "},
        {{"--fail", "sum:16"}, q({"upload", "-o", path("x.tqv")}), 1, "Read Modbus command list0unsuccessfully"},
    };
    for (const Row &row : rows) {
        GatewaySimProcess sim(row.sim);
        ASSERT_TRUE(started(sim));
        const CliRun run = cli(row.args + QStringList{QStringLiteral("--port"), sim.link()});
        EXPECT_EQ(run.code, row.code) << row.args.join(' ').toStdString() << "\n" << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << row.args.join(' ').toStdString() << "\n" << run.err;
    }
    // A failed upload writes nothing.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("x.tqv"))));
}

// The Ethernet gateway on loopback ports of the test's own choosing: found by search, written
// with a restart and read back; then each refusal and misbehaviour, one simulator per row.
TEST_F(CliTransfer, EthernetSearchDownloadRestartUpload)
{
    ASSERT_TRUE(useLoopbackPorts());
    const std::string file = project("eth.tqv", [](ConfigStore &s) {
        s.setTypeAndFlags(4, std::array<bool, 7>{});
        const int node = s.addNode(0).value();
        s.node(0, node).address = "7";
        COMMAND &c = s.command(0, s.addCommand(0, node, "3").value());
        c.slaveAddress = "7";
        c.startAddress = "20";
        c.quantity = "3";
        c.mappingAddress = "10";
        c.mappingBit = "0";
    });
    {
        GatewaySimProcess sim({QStringLiteral("--ethernet"), QStringLiteral("--permission"), QStringLiteral("1")});
        ASSERT_TRUE(started(sim));
        const CliRun search = cli(q({"search"}));
        EXPECT_EQ(search.code, 0) << search.err;

        const CliRun down = cli(q({"eth-download", file, "--address", "127.0.0.1", "--restart"}));
        EXPECT_EQ(down.code, 0) << down.err;
        EXPECT_NE(down.err.find("Finish download!"), std::string::npos) << down.err;
        EXPECT_NE(down.err.find("The gateway was told to restart."), std::string::npos) << down.err;
        EXPECT_TRUE(sim.waitForLine("restart"));
        const CliRun verify = cli(q({"verify", file, "--address", "127.0.0.1", "--json"}));
        EXPECT_EQ(verify.code, 0) << verify.err;
        EXPECT_EQ(verify.out, "{\"equal\":true,\"differences\":[]}\n");

        const std::string out = path("eth-back.json");
        const CliRun up = cli(q({"eth-upload", "--address", "127.0.0.1", "-o", out}));
        EXPECT_EQ(up.code, 0) << up.err;
        QFile json(QString::fromStdString(out));
        ASSERT_TRUE(json.open(QIODevice::ReadOnly));
        ConfigStore back;
        ASSERT_TRUE(storeFromJson(json.readAll().toStdString(), back).ok());
        EXPECT_EQ(back.gatewayType, 4u);
        ASSERT_EQ(back.subnet(0).commandCount, 1);
        EXPECT_EQ(back.command(0, 1).startAddress, "20");
        EXPECT_EQ(back.node(0, 1).name, "Node-7");
    }

    const QStringList identity = {QStringLiteral("--ethernet"), QStringLiteral("--mac"), QStringLiteral("a0-b1-c2-d3-e4-f5"),
                                  QStringLiteral("--firmware"), QStringLiteral("2.3"), QStringLiteral("--permission")};
    const QStringList allows = identity + QStringList{QStringLiteral("1")};
    const QStringList forbids = identity + QStringList{QStringLiteral("2")};
    const QStringList fromFile = {QStringLiteral("--ethernet"), QStringLiteral("--state"), QString::fromStdString(file),
                                  QStringLiteral("--fail")};
    const std::string read = path("read.json");
    const std::string refused = path("refused.json");
    const char *const anyOutput = "*";
    struct Row {
        QStringList sim;
        QStringList args;
        int code;
        const char *out; // exact stdout, or anyOutput
        const char *says;
    };
    const std::vector<Row> rows = {
        {allows, q({"search"}), 0, " 1\tWLT-618ZC\t127.0.0.1\ta0-b1-c2-d3-e4-f5\t2.3\tAllows remote configuration\n", ""},
        {forbids, q({"search", "--address", "127.0.0.1"}), 0,
         "1\tWLT-618ZC\t127.0.0.1\ta0-b1-c2-d3-e4-f5\t2.3\tProhibit configurating remotely\n", ""},
        {allows + QStringList{QStringLiteral("--fail"), QStringLiteral("no-answer")}, q({"search"}), 1, "",
         "No gateway answered."},
        {allows, q({"search", "--address", "127.0.0.256"}), 2, "", "Not an IPv4 address: 127.0.0.256"},
        // Without --restart the restart question is answered Cancel: no restart is sent, here or
        // after any refusal.
        {allows, q({"eth-download", file, "--address", "127.0.0.1"}), 0, anyOutput, "Reatart gateway remotely or not"},
        {forbids, q({"eth-download", file, "--address", "127.0.0.1", "--restart"}), 1, anyOutput,
         "Configurating remotely be forbidden, please check local DIP switch"},
        {allows + QStringList{QStringLiteral("--fail"), QStringLiteral("no-answer")},
         q({"eth-download", file, "--address", "127.0.0.1", "--restart"}), 1, anyOutput,
         "No gateway answered at 127.0.0.1."},
        {fromFile + QStringList{QStringLiteral("pieces")}, q({"eth-upload", "--address", "127.0.0.1", "-o", read}), 0,
         anyOutput, "Finish uploading!"},
        {fromFile + QStringList{QStringLiteral("short")}, q({"eth-upload", "--address", "127.0.0.1", "-o", refused}), 1,
         anyOutput, "Reason: the reply is cut short or does not fit the configuration"},
    };
    for (const Row &row : rows) {
        ASSERT_TRUE(useLoopbackPorts());
        GatewaySimProcess sim(row.sim);
        ASSERT_TRUE(started(sim));
        const CliRun run = cli(row.args);
        const std::string what = row.args.join(' ').toStdString() + "\n" + run.err;
        EXPECT_EQ(run.code, row.code) << what;
        if (row.out != anyOutput) {
            EXPECT_EQ(run.out, row.out) << what;
        }
        EXPECT_NE(run.err.find(row.says), std::string::npos) << what;
        EXPECT_FALSE(sim.waitForLine("restart", 300)) << what;
    }
    // The read in pieces is whole; the cut one writes nothing.
    QFile json(QString::fromStdString(read));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    ConfigStore back;
    ASSERT_TRUE(storeFromJson(json.readAll().toStdString(), back).ok());
    EXPECT_EQ(back.command(0, 1).quantity, "3");
    EXPECT_EQ(back.command(0, 1).byteCount, "6"); // the image carries none: derived from 3 registers
    EXPECT_FALSE(QFile::exists(QString::fromStdString(refused)));
}

// tqv580-cli monitor on each link the simulator plays: rows on stdout, a write that arrives; on a
// serial link also stopped by time (a stop and a tick in one turn of the loop: MonitorSessionTest).
TEST_F(CliTransfer, MonitorEveryLinkAgainstTheSimulator)
{
    ASSERT_TRUE(useLoopbackPorts());
    const auto bare = [this](const char *name, std::uint32_t type) { // no commands, no model flag 7
        return project(name, [type](ConfigStore &s) { s.setTypeAndFlags(type, std::array<bool, 7>{}); });
    };
    const struct {
        QStringList sim;
        std::string file;
        QStringList link; // beyond --port
    } rows[] = {
        {{QStringLiteral("--monitor"), QStringLiteral("record")}, bare("record.tqv", 3), {}},
        {{QStringLiteral("--monitor"), QStringLiteral("framed")}, project("framed.tqv"), q({"--firmware", "5"})},
        {{QStringLiteral("--ethernet")}, bare("udp.tqv", 4), q({"--address", "127.0.0.1"})},
    };
    for (const auto &row : rows) {
        const bool serial = row.sim.front() == QStringLiteral("--monitor");
        GatewaySimProcess sim(row.sim + (serial ? q({"--monitor-resend", "100"}) : QStringList{}));
        ASSERT_TRUE(started(sim)) << row.file;
        const QStringList link = (serial ? QStringList{QStringLiteral("--port"), sim.link()} : QStringList{}) + row.link;
        const CliRun run = cli(q({"monitor", "--project", row.file, "--count", "4", "--write", "4002", "0a 1b"}) + link);
        EXPECT_EQ(run.code, 0) << row.file << "\n" << run.err;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4) << row.file << "\n" << run.out;
        EXPECT_NE(run.out.find("Respond correctly"), std::string::npos) << run.out;
        EXPECT_TRUE(sim.waitForLine("write 4002 0A 1B")) << row.file;
        if (serial) {
            EXPECT_EQ(cli(q({"monitor", "--project", row.file, "--seconds", "0.6"}) + link).code, 0) << row.file;
        }
    }
}

// apply brings a gateway to a project and leaves one that holds it alone: the simulator's --save
// file appears only after an accepted write. Then a fleet of six (four ptys, two Ethernet gateways
// on loopback ports of their own) with one gateway that stops answering mid-download.
TEST_F(CliTransfer, ApplyWritesOnlyWhatDiffersAndFleetAppliesALine)
{
    const std::string good = project("good.tqv");
    const std::string other = project("other.tqv", [](ConfigStore &s) { s.command(0, 2).quantity = "5"; });
    const QString saved = QString::fromStdString(path("saved.json"));
    const auto json = [](const CliRun &run) { return nlohmann::json::parse(run.out, nullptr, false); };
    {
        GatewaySimProcess sim({QStringLiteral("--save"), saved});
        ASSERT_TRUE(started(sim));
        const QStringList link = {QStringLiteral("--port"), sim.link(), QStringLiteral("--json")};
        struct Row {
            std::string file;
            QStringList extra;
            bool changed, verified, written;
        };
        const Row rows[] = {
            {good, {}, true, true, true},                           // a fresh gateway
            {good, {}, false, true, false},                         // again: no write frame
            {other, {QStringLiteral("--check")}, true, false, false}, // would change, writes nothing
        };
        for (const Row &row : rows) {
            QFile::remove(saved);
            const CliRun run = cli(q({"apply", row.file}) + link + row.extra);
            EXPECT_EQ(run.code, 0) << run.err;
            const auto result = json(run);
            ASSERT_TRUE(result.is_object()) << run.out;
            EXPECT_EQ(result["changed"], row.changed) << run.out;
            EXPECT_EQ(result["verified"], row.verified) << run.out;
            EXPECT_TRUE(result["error"].is_null()) << run.out;
            EXPECT_EQ(QFile::exists(saved), row.written) << run.out;
        }
        EXPECT_EQ(json(cli(q({"apply", other, "--check"}) + link))["differences"],
                  nlohmann::json::array({"subnet 1 › command 2 › quantity"}));
    }
    {
        GatewaySimProcess sim({QStringLiteral("--fail"), QStringLiteral("timeout:10")});
        ASSERT_TRUE(started(sim));
        const CliRun run = cli(q({"apply", good, "--json", "--port"}) << sim.link());
        EXPECT_EQ(run.code, 1) << run.err;
        EXPECT_EQ(json(run)["verified"], false) << run.out;
        EXPECT_EQ(json(run)["error"].get<std::string>().rfind("Download failed: ", 0), 0u) << run.out;
    }

    // The fleet: ptys s1..s4 (s3 fails), Ethernet e1 and e2 each on its own port.
    std::vector<std::unique_ptr<GatewaySimProcess>> sims;
    std::string manifest = "# the line\nname,port_or_address,project\n";
    for (int i = 1; i <= 4; ++i) {
        sims.push_back(std::make_unique<GatewaySimProcess>(
            i == 3 ? QStringList{QStringLiteral("--fail"), QStringLiteral("timeout:10")} : QStringList{}));
        ASSERT_TRUE(started(*sims.back()));
        manifest += "s" + std::to_string(i) + ", " + sims.back()->link().toStdString() + ", good.tqv\n";
    }
    project("eth.tqv", 4);
    for (int i = 1; i <= 2; ++i) {
        const quint16 port = freeLoopbackPort();
        qputenv("TQV580_GATEWAY_PORT", QByteArray::number(port));
        sims.push_back(std::make_unique<GatewaySimProcess>(QStringList{QStringLiteral("--ethernet")}));
        ASSERT_TRUE(started(*sims.back()));
        manifest += "e" + std::to_string(i) + ",127.0.0.1:" + std::to_string(port) + ",eth.tqv\n";
    }
    qunsetenv("TQV580_GATEWAY_PORT");
    const auto write = [&](const char *name, const std::string &content) {
        QFile file(QString::fromStdString(path(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content.data(), qint64(content.size())) > 0);
        return path(name);
    };
    const CliRun fleet = cli(q({"fleet", write("line.csv", manifest), "--json"}));
    EXPECT_EQ(fleet.code, 1) << fleet.err;
    const auto result = json(fleet);
    ASSERT_TRUE(result.is_object()) << fleet.out << fleet.err;
    EXPECT_EQ(result["failed"], 1);
    for (const auto &gateway : result["gateways"]) {
        const bool failing = gateway["name"] == "s3";
        EXPECT_EQ(gateway["verified"], !failing) << gateway.dump();
        EXPECT_EQ(gateway["error"].is_string(), failing) << gateway.dump();
    }
    EXPECT_NE(fleet.err.find("s3: failed: Download failed"), std::string::npos) << fleet.err;
    // Ctrl+C while the first of two gateways on one port is written: it finishes and is
    // verified, the second is never started.
    {
        GatewaySimProcess slow({QStringLiteral("--fail"), QStringLiteral("slow:all:40")});
        ASSERT_TRUE(started(slow));
        const std::string twice = "name,port_or_address,project\na," + slow.link().toStdString() + ",other.tqv\nb," +
                                  slow.link().toStdString() + ",good.tqv\n";
        QProcess p;
        p.start(QStringLiteral(TQV_CLI_BINARY), {QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("fleet"),
                                                 QString::fromStdString(write("twice.csv", twice)), QStringLiteral("--json")});
        p.setReadChannel(QProcess::StandardError); // the progress lines; the summary comes last on stdout
        QByteArray err;
        while (!err.contains("a: applying") && p.waitForReadyRead(10000))
            err += p.readAllStandardError();
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(30000));
        const auto summary = nlohmann::json::parse(p.readAllStandardOutput().toStdString(), nullptr, false);
        EXPECT_EQ(p.exitCode(), 1);
        ASSERT_TRUE(summary.is_object()) << err.toStdString();
        EXPECT_EQ(summary["gateways"][0]["verified"], true) << summary.dump();
        EXPECT_EQ(summary["gateways"][1]["error"], "not started (interrupted)") << summary.dump();
    }
    // A malformed line stops the fleet before anything is sent.
    const CliRun bad = cli(q({"fleet", write("bad.csv", "name,port_or_address,project\ne1,127.0.0.1:0,eth.tqv\n"
                                                        "s1,127.0.0.1,good.tqv\ns2,/dev/null,none.tqv\n")}));
    EXPECT_EQ(bad.code, 2) << bad.err;
    EXPECT_NE(bad.err.find("bad.csv, line 2: 0 is not a port number"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("bad.csv, line 3: This configuration is transferred over the serial port"), std::string::npos)
        << bad.err;
    EXPECT_NE(bad.err.find("bad.csv, line 4: "), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find("applying"), std::string::npos) << bad.err;
}

// The file's type chooses the link, and a command without a way for it is refused before any
// port is opened (one that cannot be opened says so with exit 1): the Ethernet gateway has no
// serial transfer, so a serial download must not write its identity frames and call that success.
TEST_F(CliTransfer, BadUsageExitsTwoBeforeTouchingThePort)
{
    const std::string good = project("good.tqv");
    const std::string ethernet = project("eth.tqv", 4);
    const struct {
        QStringList args;
        const char *says;
    } rows[] = {
        {q({"download", good}), "--port"},
        {q({"upload", "--port", "/nonexistent", "-o", path("out.txt")}), "must end in .tqv or .json"},
        {q({"download", good, "--port", "/nonexistent", "--baud", "12345"}), "Unsupported baud rate 12345"},
        {q({"download", path("missing.tqv"), "--port", "/nonexistent"}), "missing.tqv"},
        {q({"verify", good, "--address", "127.0.0.1"}), "give --port"},
        {q({"verify", ethernet, "--port", "/nonexistent/tty"}), "give --address"},
        {q({"download", ethernet, "--port", "/nonexistent/tty"}), "(tqv580-cli eth-download)"},
        {q({"upload", "--project", ethernet, "--port", "/nonexistent/tty", "-o", path("x.tqv")}), "eth-upload"},
        {q({"eth-upload", "--project", good, "--address", "127.0.0.1", "-o", path("x.tqv")}), "is not a configuration"},
        {q({"eth-download", good, "--address", "127.0.0.1"}), "is not a configuration of the Ethernet gateway"},
    };
    for (const auto &row : rows) {
        const CliRun run = cli(row.args);
        EXPECT_EQ(run.code, 2) << row.args.join(' ').toStdString() << "\n" << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Finish download!"), std::string::npos) << run.err;
    }
    const CliRun help = cli(q({"verify", "--help"}));
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("exit 0 when the gateway holds FILE"), std::string::npos) << help.out;
    // A port that cannot be opened is a failed transfer, not bad usage.
    const CliRun closed = cli(q({"download", good, "--port", "/nonexistent/tty"}));
    EXPECT_EQ(closed.code, 1) << closed.err;
    EXPECT_NE(closed.err.find("Port/nonexistent/ttyOpen failed!"), std::string::npos) << closed.err;
}

} // namespace
} // namespace tqv
