// tqv580-cli import end to end: export → import → diff over several gateway types, a CSV of the
// command list, a LibreOffice re-save; an openpyxl edit beside a refused slave address; bad input.
#include "support/CliFixture.h"
#include "export/WorkbookImport.h"
#include "model/DerivedValues.h"
#include "model/Domain.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "support/StoreHelpers.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace tqv {
namespace {

class CliImportTest : public CliFixture {
protected:
    // On every Modbus master subnet a node without commands and one with a command of every
    // function code, each mapped 8 bytes after the one before in its buffer.
    std::string project(const std::string &name, std::uint32_t type, const std::vector<int> &flags, int quantity = 4)
    {
        ConfigStore s;
        s.newConfiguration();
        s.setTypeAndFlags(type, testing::flagsOf(flags));
        for (int k = 0; k < subnetCountOf(type); ++k) {
            if (s.subnet(k).protocol != text(StrId::ProtocolModbusMaster))
                continue;
            s.node(k, s.addNode(k).value()) = NODE{std::to_string(10 + k), "Pump-" + std::to_string(k)};
            s.node(k, s.addNode(k).value()) = NODE{"200", "Spare"};
            int next[2] = {0, 0x4000}; // input, output
            for (const std::string function : {"1", "2", "3", "4", "5", "6", "15", "16"}) {
                COMMAND &c = s.command(k, s.addCommand(k, 1, function).value());
                int &at = next[function == "5" || function == "6" || function.size() == 2];
                char hex[8];
                std::snprintf(hex, sizeof hex, "%X", at += 8);
                std::tie(c.startAddress, c.mappingAddress, c.mappingBit) = std::tuple(std::to_string(at), hex, "0");
                c.quantity = c.quantity.empty() ? std::to_string(quantity) : c.quantity;
                c.checkType = text(StrId::CheckCrc); // as showing the command stores it
            }
        }
        updateDerivedValues(s);
        EXPECT_TRUE(ProjectDocument::save(path(name), s, codePageFor(currentLanguage())).ok());
        return path(name);
    }
    int python(const std::string &script, const std::string &book)
    {
        const std::string list = "ws = openpyxl.load_workbook(sys.argv[1])[\"Command List\"]\n";
        return std::system(("/usr/bin/python3 -c 'import csv, openpyxl, sys\n" + list + script + "' " + book).c_str());
    }
};

TEST_F(CliImportTest, ExportThenImportGivesTheConfigurationBack)
{
    for (const auto &[type, flags] : std::vector<std::pair<std::uint32_t, std::vector<int>>>{
             {0, {2, 5}}, {1, {4}}, {2, {2}}, {3, {7}}, {4, {}}, {6, {}}}) {
        const std::string stem = path("type" + std::to_string(type));
        ASSERT_EQ(run({"export", project(stem + ".tqv", type, flags), stem + ".xlsx"}).code, 0);
        const Outcome r = run({"import", stem + ".xlsx", "-o", stem + ".json"});
        EXPECT_NE(r.err.find("\nWritten: " + stem + ".json\n"), std::string::npos) << r.err;
        const Outcome diff = run({"diff", stem + ".tqv", stem + ".json"});
        EXPECT_EQ(diff.code + r.code, 0) << stem << "\n" << diff.out << r.err;
    }
    // The four-subnet book's command list as CSV, into a project of other quantities.
    ASSERT_EQ(python("csv.writer(open(sys.argv[1] + \".csv\", \"w\")).writerows(ws.iter_rows(values_only=True))",
                     path("type2.xlsx")), 0);
    const std::string other = project("other.tqv", 2, {2}, 9);
    EXPECT_EQ(run({"import", path("type2.xlsx.csv"), "--project", other, "-o", path("csv.tqv")}).code, 0);
    EXPECT_EQ(run({"diff", path("type2.tqv"), path("csv.tqv")}).code, 0);
    if (std::system("command -v soffice >/dev/null") != 0)
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    ASSERT_EQ(std::system(("soffice -env:UserInstallation=file://" + path("profile") + " --headless --convert-to xlsx"
                           " --outdir " + path("lo") + " " + path("type2.xlsx") + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(run({"import", path("lo/type2.xlsx"), "-o", path("lo.tqv")}).code, 0);
    EXPECT_EQ(run({"diff", path("type2.tqv"), path("lo.tqv")}).code, 0);
}

// Row 4 (function 3) gets quantity 7 with its byte count left stale; row 5 a slave address of 300.
TEST_F(CliImportTest, RefusedCellsAreNamedAndWriteNothingUnlessPartial)
{
    const std::string original = project("plant.tqv", 2, {2});
    ASSERT_EQ(run({"export", original, path("plant.xlsx")}).code, 0);
    ASSERT_EQ(python("ws.cell(4, 5).value = 7\nws.cell(5, 2).value = 300\nws.parent.save(sys.argv[1])", path("plant.xlsx")), 0);
    Outcome r = run({"import", path("plant.xlsx"), "--json", "-o", path("out.tqv")});
    const auto json = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_EQ(json["refused"].size(), 1u) << r.out;
    const auto &c = json["refused"][0];
    const RefusedCell cell{c["sheet"], c["row"], c["column"], c["value"], c["reason"]};
    EXPECT_EQ(cell, (RefusedCell{"Command List", 5, "Slave address", "300", cell.reason}));
    EXPECT_TRUE(r.code == 1 && json["written"].is_null() && !cell.reason.empty() && json["applied"] == false);
    r = run({"import", path("plant.xlsx"), "--project", original, "-o", path("out.tqv")});
    EXPECT_EQ(r.err, describeRefusal(cell) + "\n1 cell(s) refused: nothing was written.\n");
    EXPECT_FALSE(std::filesystem::exists(path("out.tqv")));

    r = run({"import", path("plant.xlsx"), "--project", original, "--partial", "-o", path("out.json")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the other rows were applied.\nWritten: "), std::string::npos) << r.err;
    const auto commands = nlohmann::json::parse(run({"show", "--json", path("out.json")}).out)["subnets"][0]["commands"];
    // The refused row's command is left out: the sheet is the whole list.
    EXPECT_EQ(commands[2]["quantity"].dump() + commands[2]["byteCount"].dump() + commands[3]["functionCode"].dump(),
              "\"7\"\"14\"\"5\"");
    EXPECT_EQ(commands.size(), 7u);

    // Unreadable input: exit 2, nothing written.
    std::ofstream(path("text.xlsx")) << "No.,Slave address\n";
    const std::string out = path("bad.tqv");
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {path("text.xlsx"), "-o", out}, {original, "-o", out}, {path("none.xlsx"), "-o", out},
             {path("plant.xlsx"), "--project", path("none.tqv"), "-o", out}, {path("plant.xlsx"), "-o", path("x.xlsx")}}) {
        std::vector<std::string> line{"import"};
        line.insert(line.end(), args.begin(), args.end());
        r = run(line);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_FALSE(r.err.empty() || std::filesystem::exists(out) || std::filesystem::exists(path("x.xlsx")));
    }
}

} // namespace
} // namespace tqv
