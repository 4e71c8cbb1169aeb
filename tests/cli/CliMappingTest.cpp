// tqv580-cli map, check and conflicts on saved projects.

#include "support/CliFixture.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tqv {
namespace {

namespace fs = std::filesystem;

class CliMappingTest : public CliFixture {
protected:
    // Node 7 with two holding-register reads of 2 registers each (4 bytes), the second at `second`.
    std::string project(const char *name, const char *first, const char *second)
    {
        ConfigStore s;
        s.newConfiguration();
        EXPECT_TRUE(s.addNode(0).ok());
        s.node(0, 1) = NODE{"7", "Node-7"};
        for (const char *address : {first, second}) {
            const int p = s.addCommand(0, 1, "3").value();
            COMMAND &c = s.command(0, p);
            c.startAddress = "0";
            c.quantity = "2";
            c.byteCount = "4";
            c.mappingAddress = address;
            c.mappingBit = "0";
        }
        EXPECT_TRUE(ProjectDocument::save(path(name), s, CodePage::Windows1252).ok());
        return path(name);
    }
};

TEST_F(CliMappingTest, CheckThenMapGivesAGapFreeMapping)
{
    const std::string file = project("p.tqv", "", "");
    Outcome r = run({"check", file});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Configuration unfinished,please continue to finish it to download!\n\nSubnet1 Next node-7The start of "
                     "mapping address can not be vacant\nConfiguration unfinished,please continue to finish it to "
                     "download!\n");

    r = run({"map", file, "-o", path("mapped.json")});
    EXPECT_EQ(r.code, 0) << r.err;
    r = run({"check", path("mapped.json")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "The configuration is complete and its mapping addresses do not conflict.\n");
    r = run({"conflicts", path("mapped.json"), "--json"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "{\"input\":{\"red\":[],\"yellow\":[],\"green\":[0,1,2,3,4,5,6,7]},\"output\":{\"red\":[],\"blue\":[]}}\n");
}

TEST_F(CliMappingTest, ConflictsShowTheOverlapAndExcludingAnEntryClearsIt)
{
    const std::string file = project("overlap.tqv", "0", "2");
    Outcome r = run({"check", file});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Mapping conflict: subnet 1 command 2 starts inside subnet 1 command 1.\n");

    r = run({"conflicts", file, "--json"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "{\"input\":{\"red\":[2,3],\"yellow\":[],\"green\":[0,1,4,5]},\"output\":{\"red\":[],\"blue\":[]}}\n");
    r = run({"conflicts", file});
    EXPECT_EQ(r.out, "input conflict: 0002-0003\ninput local exchange: -\ninput used: 0000-0001 0004-0005\n"
                     "output conflict: -\noutput used: -\n");

    // No status bytes are reserved ("Disable"), so the first command is entry 0.
    r = run({"conflicts", file, "--exclude", "0", "--json"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "{\"input\":{\"red\":[],\"yellow\":[],\"green\":[2,3,4,5]},\"output\":{\"red\":[],\"blue\":[]}}\n");

    r = run({"conflicts", file, "--exclude", "99"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("\"99\" is not a list of command-list entries"), std::string::npos) << r.err;
}

} // namespace
} // namespace tqv
