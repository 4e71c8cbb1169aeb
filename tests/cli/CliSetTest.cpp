// tqv580-cli set and rows: one value through the grid's own rules, then saved.

#include "support/CliFixture.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tqv {
namespace {

namespace fs = std::filesystem;

class CliSetTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        // A master subnet with node 1 (address 3) and a holding-register command on it.
        ConfigStore s;
        s.newConfiguration();
        ASSERT_TRUE(s.addNode(0).ok());
        s.node(0, 1) = NODE{"3", "Node-3"};
        ASSERT_TRUE(s.addCommand(0, 1, "3").ok());
        ASSERT_TRUE(ProjectDocument::save(path(), s, CodePage::Windows1252).ok());
    }
    std::string path(const char *name = "p.tqv") const { return CliFixture::path(name); }
    ConfigStore saved(const char *name = "p.tqv")
    {
        ConfigStore s;
        EXPECT_TRUE(ProjectDocument::open(path(name), s, CodePage::Windows1252).ok());
        return s;
    }
};

TEST_F(CliSetTest, ValuesGoThroughTheGridRules)
{
    const struct {
        std::vector<std::string> args; // after "set FILE"
        int code;
        std::string err;
    } cases[] = {
        // Edit boxes of each item kind, accepted and put back.
        {{"subnet:1", "7", "1500"}, 0, "Written: " + path() + "\n"},
        {{"subnet:1", "7", "100"}, 1, "\"100\" was not taken: allowed are 300 to 60000.\n"},
        {{"command:1:1", "4", "10h"}, 0, "Written: " + path() + "\n"},
        // A reported check prints its message box text.
        {{"subnet:1", "20", "4x"}, 1, "\\\"Time Interval between Character(Sending)\\\"contains illegal characters\n"},
        // Lists take only their choices.
        {{"subnet:1", "1", "9600"}, 0, "Written: " + path() + "\n"},
        {{"subnet:1", "1", "4800"}, 1,
         "\"4800\" is not one of the choices of row 1 (Band rate): \"300\", \"600\", \"1200\", \"2400\", \"9600\", "
         "\"19200\", \"38400\", \"57600\", \"115200\".\n"},
        // Read-only rows, unknown items and rows.
        {{"command:1:1", "6", "9"}, 1, "Row 6 (Number of Byte) cannot be edited.\n"},
        {{"node:1:2", "0", "9"}, 2,
         "\"node:1:2\" names no item of this configuration (fieldbus, subnet:K, node:K:N or command:K:N, counted from "
         "1).\n"},
        {{"subnet:2", "0", "x"}, 2,
         "\"subnet:2\" names no item of this configuration (fieldbus, subnet:K, node:K:N or command:K:N, counted from "
         "1).\n"},
        {{"subnet:1", "40", "x"}, 2, "\"40\" is not a grid row (0 to 39).\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
        std::vector<std::string> args = {"set", path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
    }
    const ConfigStore s = saved();
    EXPECT_EQ(s.subnet(0).responseTimeout, "1500");
    EXPECT_EQ(s.subnet(0).masterBaud, "9600");
    EXPECT_EQ(s.command(0, 1).mappingAddress, "10");
    EXPECT_EQ(s.command(0, 1).quantity, "");
}

TEST_F(CliSetTest, QuestionsAreAnsweredNoUnlessYesIsGiven)
{
    const std::string question =
        "What you have input maybe the address of PLC, it will be changed to the address of protocol!";
    Outcome r = run({"set", path(), "command:1:1", "2", "40005", "-o", path("no.tqv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(question), std::string::npos) << r.err;
    EXPECT_EQ(saved("no.tqv").command(0, 1).startAddress, "40005"); // kept as typed, as Cancel keeps it

    r = run({"--yes", "set", path(), "command:1:1", "2", "40005", "-o", path("yes.json")});
    EXPECT_EQ(r.code, 0) << r.err;
    ConfigStore fromJson;
    ASSERT_TRUE(ProjectDocument::readFile(path("yes.json")).ok());
    EXPECT_NE(ProjectDocument::readFile(path("yes.json")).value().find("\"startAddress\": \"4\""), std::string::npos);
    EXPECT_EQ(saved().command(0, 1).startAddress, "") << "-o leaves the project alone";
}

TEST_F(CliSetTest, SideEffectsFollowAsInTheWindow)
{
    // A node address renames the node and its commands follow.
    Outcome r = run({"set", path(), "node:1:1", "0", "12"});
    ASSERT_EQ(r.code, 0) << r.err;
    ConfigStore s = saved();
    EXPECT_EQ(s.node(0, 1), (NODE{"12", "Node-12"}));
    EXPECT_EQ(s.command(0, 1).slaveAddress, "12");

    // A protocol change: the nodes leave the items a script can name, and come back.
    ASSERT_EQ(run({"set", path(), "subnet:1", "0", "Modbus slave"}).code, 0);
    EXPECT_EQ(run({"set", path(), "node:1:1", "0", "13"}).code, 2);
    ASSERT_EQ(run({"set", path(), "subnet:1", "0", "Modbus master"}).code, 0);
    EXPECT_EQ(saved().node(0, 1).address, "12");

    // Values as the grid shows them: the hexadecimal mapping address with its one "H".
    ASSERT_EQ(run({"set", path(), "command:1:1", "4", "20"}).code, 0);
    r = run({"rows", path(), "command:1:1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("4\tMapping Address(HEX)\t20H\tedit box\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0\tSlave address(0-247)\t12\t-\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("9\tType of Scan\tQuick-scan\tlist: [Quick-scan] [Slow-scan]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2\tStarting Address\t\tedit box\n"), std::string::npos) << r.out;
}

} // namespace
} // namespace tqv
