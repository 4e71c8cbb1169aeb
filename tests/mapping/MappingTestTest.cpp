#include "MappingFixture.h"

#include "mapping/MappingTest.h"

#include <vector>

namespace tqv {
namespace {

class MappingTestTest : public MappingFixture {
protected:
    MappingTestResult test() const { return MappingTest::run(*s); }
};

// Two commands of the first subnet; whether the test finds a conflict between them.
TEST_F(MappingTestTest, PairsOfCommands)
{
    const struct {
        const char *name;
        const char *code1, *quantity1, *mapping1, *bit1;
        const char *code2, *quantity2, *mapping2, *bit2;
        bool conflict;
    } rows[] = {
        {"registers side by side", "3", "2", "0", "0", "4", "1", "4", "0", false},
        {"registers overlapping", "3", "2", "0", "0", "4", "1", "3", "0", true},   // bits 24..39 overlap 0..31
        {"second before the first", "3", "1", "3", "0", "4", "2", "0", "0", true},
        {"same start", "3", "1", "10", "0", "3", "1", "10", "0", true},
        {"write and read never meet", "16", "4", "4000", "0", "3", "4", "0", "0", false},
        {"write at 0 and read at 0 are in different lists", "16", "4", "0", "0", "3", "4", "0", "0", false},
        {"two writes overlapping", "6", "1", "4000", "0", "15", "3", "4001", "0", true},
        {"coils one after the other", "1", "8", "0", "0", "2", "8", "1", "0", false},
        {"coils sharing byte 0", "1", "7", "0", "0", "2", "1", "0", "7", false},
        {"coils sharing bit 7", "1", "8", "0", "0", "2", "1", "0", "7", true},
        {"coils wrapping into the next byte", "1", "4", "0", "6", "2", "1", "1", "1", true},
        {"coil and registers", "1", "1", "1", "7", "3", "1", "2", "0", false},
        {"other codes take no room", "8", "100", "0", "0", "3", "1", "0", "0", false},
        {"empty interval inside another", "3", "2", "0", "0", "3", "0", "1", "0", true},
        {"another inside an empty one", "3", "0", "1", "0", "3", "2", "1", "0", true},
    };
    for (const auto &r : rows) {
        SetUp();
        command(0, r.code1, r.quantity1, r.mapping1, r.bit1);
        command(0, r.code2, r.quantity2, r.mapping2, r.bit2);
        const MappingTestResult result = test();
        EXPECT_EQ(!result.passed(), r.conflict) << r.name;
        EXPECT_EQ(mappingFaults(*s).size(), r.conflict ? 1U : 0U) << r.name;
        if (r.conflict) {
            EXPECT_EQ(result.conflict, MappingConflict::Overlap) << r.name;
            const std::vector<MappedItem> pair{result.first, result.second};
            EXPECT_TRUE(pair == (std::vector<MappedItem>{{0, 1}, {0, 2}}) ||
                        pair == (std::vector<MappedItem>{{0, 2}, {0, 1}}))
                << r.name;
        }
    }
}

TEST_F(MappingTestTest, AMissingMappingAddressIsAConflictAtOnce)
{
    for (const char *missing : {"", "-1"}) {
        SetUp();
        command(0, "3", "1", "0", "0");
        command(0, "4", "1", missing, "0");
        command(0, "4", "1", "0", "0"); // would overlap the first, but the test stops before it
        const MappingTestResult r = test();
        EXPECT_EQ(r.conflict, MappingConflict::NoAddress) << missing;
        EXPECT_EQ(r.first, (MappedItem{0, 2})) << missing;
    }
}

TEST_F(MappingTestTest, StatusBytesAreReservedUnderFlagSeven)
{
    const struct {
        std::initializer_list<int> flags;
        const char *status, *mapping;
        bool conflict;
    } rows[] = {
        {{7}, "2Bytes", "1", true},
        {{7}, "2Bytes", "2", false},
        {{7}, "Disable", "0", false},
        {{}, "2Bytes", "0", false},
    };
    for (const auto &r : rows) {
        setType(3, r.flags);
        s->subnet(0).commandStatus = r.status;
        command(0, "3", "1", r.mapping, "0");
        const MappingTestResult result = test();
        EXPECT_EQ(!result.passed(), r.conflict) << r.status << " at " << r.mapping;
        if (r.conflict) {
            EXPECT_EQ(result.first, (MappedItem{0, 0}));
            EXPECT_EQ(result.second, (MappedItem{0, 1}));
        }
    }
}

// The download's question names each fault, a handful at most, and counts the rest.
TEST_F(MappingTestTest, TheQuestionNamesTheFaults)
{
    setType(3, {7});
    s->subnet(0).commandStatus = "2Bytes";
    command(0, "3", "2", "1", "0"); // bytes 1..4: over the status bytes 0..1
    command(0, "4", "1", "3", "4"); // bytes 3..5 from bit 4: over the first
    command(0, "3", "1");           // no address
    EXPECT_EQ(mappingFaults(*s).size(), 3U);
    EXPECT_EQ(mappingConflictQuestion(*s, 2),
              text(StrId::MsgMappingConflictQuestion) +
                  "\n\n\u2022 subnet 1, command 3 (Read Holding Registers) has no mapping address"
                  "\n\u2022 the command status bytes 0000H.0 to 0001H.7\n    overlaps subnet 1, command 1 (Read "
                  "Holding Registers) 0001H.0 to 0004H.7\nand 1 more");
}

TEST_F(MappingTestTest, ListsGrowOverTheFourSubnets)
{
    setType(2, {});
    command(0, "3", "2", "0", "0");    // bytes 0..3
    command(1, "16", "2", "4000", "0");
    command(2, "3", "2", "4", "0");    // bytes 4..7
    command(3, "4", "1", "2", "0");    // byte 2: inside subnet 1's command
    const MappingTestResult r = test();
    EXPECT_EQ(r.conflict, MappingConflict::Overlap);
    EXPECT_EQ(r.first, (MappedItem{0, 1}));
    EXPECT_EQ(r.second, (MappedItem{3, 1}));

    s->command(3, 1).mappingAddress = "8";
    EXPECT_TRUE(test().passed());
}

TEST_F(MappingTestTest, AnOverlapIsFoundBeforeALaterSubnetsMissingAddress)
{
    setType(2, {});
    command(0, "3", "2", "0", "0");
    command(0, "3", "2", "2", "0");
    command(1, "3", "2", "", "0");
    EXPECT_EQ(test().conflict, MappingConflict::Overlap);
}

class DownloadCheckTest : public MappingFixture {};

TEST_F(DownloadCheckTest, CompletenessFirstThenTheMappingTest)
{
    node(0, "12");
    COMMAND &a = command(0, "3", "2", "0", "0");
    command(0, "3", "2", "2", "0");

    DownloadCheckResult r = checkBeforeDownload(*s);
    EXPECT_FALSE(r.passed);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.mapping.conflict, MappingConflict::Overlap);
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"Memory mapping conflict or mapping address is invalid!Download configuration or not?"});

    a.quantity = "-1";
    r = checkBeforeDownload(*s);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.messages,
              (std::vector<std::string>{"Configuration unfinished,please continue to finish it to download!\n\nSubnet1 Next "
                                        "node-12The number of data can not be vacant",
                                        "Configuration unfinished,please continue to finish it to download!"}));

    a.quantity = "1";
    r = checkBeforeDownload(*s);
    EXPECT_TRUE(r.passed);
    EXPECT_TRUE(r.messages.empty());
}

TEST_F(DownloadCheckTest, NoMappingTestForOtherProtocols)
{
    command(0, "3", "2", "0", "0");
    command(0, "3", "2", "0", "0");
    s->subnet(0).protocol = text(StrId::ProtocolUserConfig);
    EXPECT_TRUE(checkBeforeDownload(*s).passed);

    s->subnet(0).protocol = text(StrId::ProtocolModbusSlave);
    s->subnet(0).ownAddress = "";
    const DownloadCheckResult r = checkBeforeDownload(*s);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Configuration unfinished,please continue to finish it to download!"});
}

} // namespace
} // namespace tqv
