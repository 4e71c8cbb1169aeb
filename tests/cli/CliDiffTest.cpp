// tqv580-cli diff on saved projects and JSON files.

#include "support/CliFixture.h"
#include "model/JsonForm.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

namespace tqv {
namespace {

class CliDiffTest : public CliFixture {
protected:
    // A type-3 project with node 7 and two commands; `change` edits it before it is saved.
    std::string project(const char *name, const std::function<void(ConfigStore &)> &change = {})
    {
        ConfigStore s;
        s.newConfiguration();
        s.node(0, s.addNode(0).value()) = NODE{"7", "Node-7"};
        for (const char *function : {"3", "16"}) {
            COMMAND &c = s.command(0, s.addCommand(0, 1, function).value());
            c.slaveAddress = "7";
            c.startAddress = "10";
            c.quantity = "2";
            c.mappingAddress = std::string(function) == "3" ? "2" : "4000";
            c.mappingBit = "0";
        }
        if (change)
            change(s);
        const std::string file = path(name);
        if (std::string(name).ends_with(".json"))
            std::ofstream(file) << storeToJson(s);
        else
            EXPECT_TRUE(ProjectDocument::save(file, s, codePageFor(currentLanguage())).ok());
        return file;
    }
};

TEST_F(CliDiffTest, ExitCodeAndLinesByCase)
{
    const std::string base = project("base.tqv");
    struct Row {
        const char *name;
        std::function<void(ConfigStore &)> change;
        std::vector<std::string> extra; // options after A B
        int code;
        std::string out;
    };
    const std::vector<Row> rows = {
        {"same.json", {}, {}, 0, ""},
        {"quantity.tqv", [](ConfigStore &s) { s.command(0, 2).quantity = "5"; }, {}, 1,
         "subnet 1 › command 2 › quantity\t2\t5\n"},
        // A node name never reaches the gateway (with all that is compared: ConfigDiffTest).
        {"renamed-serial.tqv", [](ConfigStore &s) { s.node(0, 1).name = "Pump"; }, {"--carried", "serial"}, 0, ""},
        // Without its one write command the PROFIBUS frame (lengths in use while modelFlag7 is set)
        // carries no output length: the gateway would read back another output size as well.
        {"removed.tqv", [](ConfigStore &s) { s.subnet(0).commandCount = 1; }, {"--carried", "serial"}, 1,
         "fieldbus.outputSize\t112\t8\n"
         "subnet 1 › command 2 removed\tslaveAddress=7, functionCode=16, startAddress=10, quantity=2\t\n"},
    };
    for (const Row &row : rows) {
        std::vector<std::string> args{"diff", base, project(row.name, row.change)};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.code, row.code) << row.name << "\n" << r.err;
        EXPECT_EQ(r.out, row.out) << row.name;
        const auto lines = std::count(row.out.begin(), row.out.end(), '\n');
        if (row.code == 0)
            EXPECT_EQ(r.err, "The configurations are equal.\n") << row.name;
        else if (lines == 1)
            EXPECT_EQ(r.err, "1 difference\n") << row.name;
        else
            EXPECT_EQ(r.err, std::to_string(lines) + " differences\n") << row.name;
    }
}

TEST_F(CliDiffTest, JsonNamesKindPathAndBothTexts)
{
    const std::string a = project("a.tqv");
    const std::string b = project("b.json", [](ConfigStore &s) {
        s.fieldbus.outputSize = "16";
        s.node(0, s.addNode(0).value()) = NODE{"9", "Extra"};
    });
    const Outcome r = run({"diff", a, b, "--json"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "2 differences\n");
    const auto document = nlohmann::json::parse(r.out);
    EXPECT_FALSE(document["equal"].get<bool>());
    ASSERT_EQ(document["differences"].size(), 2u);
    EXPECT_EQ(document["differences"][0]["kind"], "changed");
    EXPECT_EQ(document["differences"][0]["path"], "fieldbus.outputSize");
    EXPECT_EQ(document["differences"][0]["first"], "112");
    EXPECT_EQ(document["differences"][0]["second"], "16");
    EXPECT_EQ(document["differences"][1]["kind"], "added");
    EXPECT_EQ(document["differences"][1]["path"], "subnet 1 › node 2 added");
}

TEST_F(CliDiffTest, RefusesBadUseWithExitTwo)
{
    const std::string a = project("a.tqv");
    Outcome r = run({"diff", a, a, "--carried", "usb"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "--carried takes serial or ethernet.\n");
    r = run({"diff", a, path("missing.tqv")});
    EXPECT_EQ(r.code, 2);
    r = run({"diff", a});
    EXPECT_EQ(r.code, 2);
    r = run({"diff", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("--carried"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Compare two configurations"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--take all|PATH[,PATH...]"), std::string::npos) << r.out;
    // --take and -o go together; a path must name a difference, as diff prints it.
    const std::string out = path("out.tqv");
    const std::string b = project("b.tqv", [](ConfigStore &s) { s.command(0, 1).startAddress = "11"; });
    const std::vector<std::vector<std::string>> refused = {
        {"diff", a, b, "--take", "all"},
        {"diff", a, b, "-o", out},
        {"diff", a, b, "--take", "subnet 1 › command 1 › startAddress,subnet 1 › command 1 › quantity", "-o", out},
    };
    for (const auto &args : refused)
        EXPECT_EQ(run(args).code, 2) << args[3];
    EXPECT_EQ(run(refused[2]).err, "\"subnet 1 › command 1 › quantity\" names no difference between the two configurations.\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

// diff --take: the second file's values go into the first as the window's comparison takes them,
// derived values following; the result is a configuration the download check accepts.
TEST_F(CliDiffTest, TakeBringsTheDerivedValuesAlong)
{
    const std::string a = project("a.tqv", [](ConfigStore &s) {
        s.command(0, 1).quantity = "12";
        s.command(0, 1).byteCount = "24";
    });
    // The other file holds no byte counts, as an upload saved by an earlier version does.
    const std::string b = project("b.json", [](ConfigStore &s) {
        s.command(0, 1).quantity = "10";
        s.node(0, 1).name = "Pump";
    });
    for (const std::string take : {"all", "subnet 1 › node 1 › name, subnet 1 › command 1 › quantity"}) {
        const std::string out = path("out.tqv");
        const Outcome r = run({"diff", a, b, "--take", take, "-o", out});
        EXPECT_EQ(r.code, 0) << take << "\n" << r.err;
        EXPECT_EQ(r.out, "");
        ConfigStore taken;
        ASSERT_TRUE(ProjectDocument::open(out, taken, codePageFor(Language::English)).ok());
        EXPECT_EQ(taken.command(0, 1).quantity, "10") << take;
        EXPECT_EQ(taken.command(0, 1).byteCount, "20") << take;
        EXPECT_EQ(taken.node(0, 1).name, "Pump") << take;
        EXPECT_EQ(run({"check", out}).code, 0) << take;
    }
}

TEST_F(CliDiffTest, ChineseTexts)
{
    // Chinese projects: their texts in GBK, as the Chinese program writes them.
    setLanguage(Language::Chinese);
    const std::string a = project("a.tqv");
    const std::string b = project("b.tqv", [](ConfigStore &s) { s.command(0, 1).startAddress = "11"; });
    setLanguage(Language::English);
    const Outcome r = run({"--lang", "zh", "diff", a, b});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "子网 1 > 命令 1 > startAddress\t10\t11\n");
    EXPECT_EQ(r.err, "1 处不同\n");
}

} // namespace
} // namespace tqv
