#include "editor/GridLayout.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tqv {

// Readable failure output for the choices (found by argument-dependent lookup).
static void PrintTo(const PromptChoice &c, std::ostream *os)
{
    switch (c.action) {
    case PromptAction::Set: *os << "Set(" << static_cast<int>(c.text) << ")"; break;
    case PromptAction::Empty: *os << "Empty"; break;
    case PromptAction::Unchanged: *os << "Unchanged"; break;
    }
}

namespace {

// Model flags as a bit set, bit n for modelFlagN.
enum : unsigned { F1 = 1u << 1, F2 = 1u << 2, F3 = 1u << 3, F4 = 1u << 4, F5 = 1u << 5, F6 = 1u << 6, F7 = 1u << 7 };
constexpr unsigned kAllFlags = F1 | F2 | F3 | F4 | F5 | F6 | F7;

constexpr StrId kMaster = StrId::ProtocolModbusMaster;
constexpr StrId kSlave = StrId::ProtocolModbusSlave;
constexpr StrId kUser = StrId::ProtocolUserConfig;
constexpr StrId kSelf = StrId::ProtocolSelfDefining;

struct Setup {
    std::uint32_t gatewayType = 3;
    unsigned flags = 0;
    StrId subnet1 = kMaster;
    std::uint32_t fileVersion = 500;
};

PromptChoice shows(int id) { return {PromptAction::Set, static_cast<StrId>(id)}; }
const PromptChoice kEmptied{PromptAction::Empty, StrId{}};
const PromptChoice kKept{PromptAction::Unchanged, StrId{}};

struct Case {
    const char *what;
    Setup setup;
    int row;
    PromptChoice expected;
};

// A store whose protocols are the active language's texts. The other subnets always carry a
// protocol different from subnet 1, so a choice that looked at them would show.
ConfigStore makeStore(const Setup &s)
{
    ConfigStore store;
    store.newConfiguration();
    store.gatewayType = s.gatewayType;
    for (int n = 1; n <= 7; ++n)
        store.setModelFlag(n, (s.flags & (1u << n)) != 0);
    store.fileVersion = s.fileVersion;
    store.subnets[0].protocol = text(s.subnet1);
    const std::string other = text(s.subnet1 == kMaster ? kUser : kMaster);
    for (std::size_t i = 1; i < store.subnets.size(); ++i)
        store.subnets[i].protocol = other;
    return store;
}

void expectCases(ItemKind kind, const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        const ConfigStore store = makeStore(c.setup);
        EXPECT_EQ(choosePrompt(store, kind, c.row), c.expected)
            << c.what << ": type " << c.setup.gatewayType << ", flags 0x" << std::hex << c.setup.flags
            << std::dec << ", fileVersion " << c.setup.fileVersion << ", row " << c.row;
    }
}

std::vector<Case> fieldbusCases()
{
    return {
        // DeviceNet: one text per row, flags play no part.
        {"devicenet", {0}, 0, shows(61469)},
        {"devicenet", {0}, 1, shows(61470)},
        {"devicenet", {0}, 2, shows(61471)},
        {"devicenet", {0}, 3, shows(61472)},
        {"devicenet", {0}, 4, shows(61473)},
        {"devicenet", {0}, 5, kEmptied},
        {"devicenet", {0}, 39, kEmptied},
        {"devicenet, all flags", {0, kAllFlags}, 2, shows(61471)},
        {"devicenet, all flags", {0, kAllFlags, kUser}, 3, shows(61472)},
        {"devicenet, all flags", {0, kAllFlags}, 4, shows(61473)},
        // PROFIBUS types 1 and 3 outside rows 3 and 4.
        {"profibus 1", {1}, 0, shows(61469)},
        {"profibus 1", {1}, 1, shows(61474)},
        {"profibus 1", {1}, 2, shows(61475)},
        {"profibus 1", {1, F7}, 5, kEmptied},
        {"profibus 1", {1}, 39, kEmptied},
        {"profibus 3", {3, F7}, 0, shows(61469)},
        {"profibus 3", {3, F7}, 1, shows(61474)},
        {"profibus 3", {3, F4 | F1}, 2, shows(61475)},
        {"profibus 3", {3, F7}, 5, kEmptied},
        {"profibus 3", {3, F7, kUser}, 6, kEmptied},
        {"profibus 3", {3}, 39, kEmptied},
        // Types 5 and 6: row 3 only for a User Config subnet 1, flags play no part.
        {"type 5", {5, 0, kSlave}, 0, shows(61469)},
        {"type 5", {5, 0, kSlave}, 1, shows(61474)},
        {"type 5", {5, 0, kSlave}, 2, shows(61475)},
        {"type 5, slave", {5, 0, kSlave}, 3, kEmptied},
        {"type 5, user config", {5, 0, kUser}, 3, shows(61476)},
        {"type 5, user config", {5, 0, kUser}, 4, kEmptied},
        {"type 5", {5, 0, kSlave}, 5, kEmptied},
        {"type 6", {6, F7, kUser}, 0, shows(61469)},
        {"type 6", {6, F7, kUser}, 1, shows(61474)},
        {"type 6", {6, F7, kUser}, 2, shows(61475)},
        {"type 6, user config", {6, F7, kUser}, 3, shows(61476)},
        {"type 6, master", {6, F7, kMaster}, 3, kEmptied},
        {"type 6, master, flags 4 7", {6, F4 | F7, kMaster}, 3, kEmptied},
        {"type 6, master, flags 1 6", {6, F1 | F6, kMaster}, 4, kEmptied},
        {"type 6", {6, F7, kUser}, 4, kEmptied},
        {"type 6", {6, F7, kUser}, 7, kEmptied},
        // Ethernet: everything but the protocol row empties the pane.
        {"ethernet", {4}, 0, shows(61469)},
        {"ethernet", {4}, 1, kEmptied},
        {"ethernet", {4}, 2, kEmptied},
        {"ethernet", {4, F1 | F7, kUser}, 3, kEmptied},
        {"ethernet", {4, F1 | F7, kMaster}, 4, kEmptied},
        {"ethernet", {4}, 5, kEmptied},
        {"ethernet", {4}, 6, kEmptied},
        {"ethernet", {4}, 39, kEmptied},
        // Type 2: only row 0 has a text, the rest keep the pane.
        {"type 2", {2, 0, kSelf}, 0, shows(61469)},
        {"type 2", {2, 0, kSelf}, 1, kKept},
        {"type 2", {2, 0, kSelf}, 2, kKept},
        {"type 2", {2, F7, kMaster}, 3, kKept},
        {"type 2", {2, F1, kMaster}, 4, kKept},
        {"type 2", {2, 0, kSelf}, 5, kKept},
        {"type 2", {2, 0, kSelf}, 39, kKept},
    };
}

// Rows 3 and 4 of types 1 and 3; the flag combinations set two lines' conditions at once so that
// the order of the lines decides.
std::vector<Case> profibusRow3And4Cases()
{
    return {
        {"type 3 user config beats modelFlag4", {3, F4 | F7 | F1, kUser}, 3, shows(61476)},
        {"type 3 user config, no flags", {3, 0, kUser}, 3, shows(61476)},
        {"type 1 user config is not the first line", {1, 0, kUser}, 3, kEmptied},
        {"modelFlag4", {1, F4, kUser}, 3, shows(61477)},
        {"modelFlag4 beats modelFlag7 master", {3, F4 | F7, kMaster}, 3, shows(61477)},
        {"modelFlag4 beats modelFlag1", {3, F4 | F1, kSlave}, 3, shows(61477)},
        {"modelFlag7 master", {3, F7, kMaster}, 3, shows(61747)},
        {"modelFlag7 master beats modelFlag1", {1, F7 | F1, kMaster}, 3, shows(61747)},
        {"modelFlag7 user config", {1, F7, kUser}, 3, shows(61477)},
        {"modelFlag7 user config beats modelFlag6", {1, F7 | F6, kUser}, 3, shows(61477)},
        {"modelFlag7 other protocol", {3, F7, kSlave}, 3, kEmptied},
        {"modelFlag7 other protocol beats modelFlag1", {3, F7 | F1, kSlave}, 3, kEmptied},
        {"modelFlag7 other protocol beats modelFlag6", {1, F7 | F6, kSelf}, 3, kEmptied},
        {"modelFlag1", {3, F1, kSlave}, 3, shows(61478)},
        {"modelFlag6", {1, F6, kMaster}, 3, shows(61478)},
        {"no flag", {3, 0, kMaster}, 3, kEmptied},
        {"unrelated flags", {1, F2 | F3 | F5, kMaster}, 3, kEmptied},

        {"row 4 modelFlag1 beats modelFlag7 master", {3, F1 | F7, kMaster}, 4, shows(61479)},
        {"row 4 modelFlag6", {1, F6, kSlave}, 4, shows(61479)},
        {"row 4 modelFlag1 with type 3 user config", {3, F1, kUser}, 4, shows(61479)},
        {"row 4 modelFlag1 with modelFlag4", {3, F1 | F4, kMaster}, 4, shows(61479)},
        {"row 4 modelFlag7 master", {3, F7, kMaster}, 4, shows(61748)},
        {"row 4 modelFlag7 master, type 1", {1, F7, kMaster}, 4, shows(61748)},
        {"row 4 modelFlag7 user config", {1, F7, kUser}, 4, kEmptied},
        {"row 4 modelFlag7 slave", {3, F7, kSlave}, 4, kEmptied},
        {"row 4 modelFlag4", {3, F4, kMaster}, 4, kEmptied},
        {"row 4 no flag", {3, 0, kMaster}, 4, kEmptied},
        {"row 4 unrelated flags", {1, F2 | F3 | F5, kMaster}, 4, kEmptied},
    };
}

std::vector<Case> subnetCases()
{
    const Setup plain{3, F7, kMaster};
    const Setup other{0, 0, kSlave};
    std::vector<Case> cases = {
        {"row 1 modelFlag3", {3, F3 | F7, kUser}, 1, shows(61482)},
        {"row 1 modelFlag3, type 0", {0, F3, kUser}, 1, shows(61482)},
        {"row 1 without modelFlag3", {1, kAllFlags & ~F3, kMaster}, 1, shows(61481)},

        {"row 12 modelFlag2, type 3", {3, F2 | F7, kMaster}, 12, shows(61494)},
        {"row 12 modelFlag2, type 0", {0, F2, kSlave}, 12, shows(61494)},
        {"row 12 type 3 master", {3, F7, kMaster}, 12, shows(61749)},
        {"row 12 type 6 master, no flag", {6, 0, kMaster}, 12, shows(61749)},
        {"row 12 type 3 user config", {3, F7, kUser}, 12, shows(61493)},
        {"row 12 type 6 slave", {6, 0, kSlave}, 12, shows(61493)},
        {"row 12 type 1", {1, F7, kMaster}, 12, kKept},
        {"row 12 type 0", {0, F4, kUser}, 12, kKept},
        {"row 12 type 2", {2, 0, kSelf}, 12, kKept},
        {"row 12 type 4", {4, F7, kMaster}, 12, kKept},
        {"row 12 type 5", {5, 0, kSlave}, 12, kKept},

        {"row 13 modelFlag2, type 4", {4, F2, kMaster}, 13, shows(61496)},
        {"row 13 modelFlag2, type 6", {6, F2, kUser}, 13, shows(61496)},
        {"row 13 type 3", {3, F7, kMaster}, 13, shows(61495)},
        {"row 13 type 6", {6, 0, kUser}, 13, shows(61495)},
        {"row 13 type 1", {1, F4 | F7, kUser}, 13, kKept},
        {"row 13 type 5", {5, 0, kSlave}, 13, kKept},

        {"row 20 modelFlag7", {3, F7, kMaster}, 20, shows(61765)},
        {"row 21 modelFlag7", {3, F7, kUser}, 21, shows(61766)},
        {"row 20 modelFlag7, type 1", {1, F7, kSlave}, 20, shows(61765)},
        {"row 21 modelFlag7, type 4", {4, F7, kMaster}, 21, shows(61766)},
        {"row 20 modelFlag7, old file version", {3, F7, kMaster, 499}, 20, shows(61765)},
        {"row 20 without modelFlag7", {3, kAllFlags & ~F7, kMaster}, 20, kKept},
        {"row 21 without modelFlag7", {6, 0, kUser}, 21, kKept},

        {"row 22", plain, 22, kKept},
        {"row 39", plain, 39, kKept},
    };
    // Rows 0 and 2 to 11 do not depend on anything.
    const int fixed[][2] = {{0, 61480}, {2, 61483}, {3, 61484}, {4, 61485}, {5, 61486}, {6, 61487},
                            {7, 61488}, {8, 61489}, {9, 61490}, {10, 61491}, {11, 61492}};
    for (const auto &f : fixed) {
        cases.push_back({"fixed row", plain, f[0], shows(f[1])});
        cases.push_back({"fixed row, other setup", other, f[0], shows(f[1])});
        cases.push_back({"fixed row, all flags", {2, kAllFlags, kSelf}, f[0], shows(f[1])});
    }
    // Rows 14 to 19: types 3 and 6 only, whatever the flags.
    const int userRows[][2] = {{14, 61497}, {15, 61498}, {16, 61499}, {17, 61500}, {18, 61501}, {19, 61502}};
    for (const auto &r : userRows) {
        cases.push_back({"rows 14-19, type 3", {3, F7, kMaster}, r[0], shows(r[1])});
        cases.push_back({"rows 14-19, type 6", {6, 0, kUser}, r[0], shows(r[1])});
        cases.push_back({"rows 14-19, type 3 with modelFlag2", {3, F2, kSlave}, r[0], shows(r[1])});
        for (std::uint32_t type : {0u, 1u, 2u, 4u, 5u})
            cases.push_back({"rows 14-19, other type", {type, kAllFlags, kUser}, r[0], kKept});
    }
    return cases;
}

std::vector<Case> nodeCases()
{
    return {
        {"node row 0", {3, F7, kMaster}, 0, shows(61503)},
        {"node row 0, other setup", {0, kAllFlags, kSlave}, 0, shows(61503)},
        {"node row 1", {3, F7, kMaster}, 1, kKept},
        {"node row 39", {3, F7, kMaster}, 39, kKept},
    };
}

std::vector<Case> commandCases()
{
    return {
        {"slave address", {3, F7}, 0, shows(61504)},
        {"function", {0, 0}, 1, shows(61505)},
        {"start address", {1, kAllFlags}, 2, shows(61506)},

        {"quantity, modelFlag4 beats modelFlag7", {3, F4 | F7, kMaster, 500}, 3, shows(61507)},
        {"quantity, modelFlag4 alone", {1, F4, kMaster, 0}, 3, shows(61507)},
        {"quantity, modelFlag7 at 500", {3, F7, kMaster, 500}, 3, shows(61510)},
        {"quantity, modelFlag7 above 500", {1, F7, kMaster, 731}, 3, shows(61510)},
        {"quantity, modelFlag7 at 499", {3, F7, kMaster, 499}, 3, shows(61509)},
        {"quantity, 500 without modelFlag7", {3, F1 | F2, kMaster, 500}, 3, shows(61509)},
        {"quantity, nothing", {0, 0, kMaster, 0}, 3, shows(61509)},

        {"mapping address, modelFlag4", {3, F4 | F7}, 4, shows(61511)},
        {"mapping address", {3, F7}, 4, shows(61512)},
        {"mapping address, other flags", {1, kAllFlags & ~F4}, 4, shows(61512)},

        {"mapping bit", {3, F7}, 5, shows(61513)},
        {"byte count", {3, F7}, 6, kEmptied},
        {"byte count, other setup", {0, kAllFlags}, 6, kEmptied},

        {"data format, type 3 beats modelFlag1", {3, F1}, 7, shows(61516)},
        {"data format, type 3", {3, F7}, 7, shows(61516)},
        {"data format, modelFlag1", {1, F1}, 7, shows(61514)},
        {"data format, modelFlag1 type 4", {4, F1 | F7}, 7, shows(61514)},
        {"data format, byte exchange", {0, 0}, 7, shows(61515)},
        {"data format, byte exchange type 6", {6, kAllFlags & ~F1}, 7, shows(61515)},

        {"check type", {3, F7}, 8, kEmptied},
        {"check type, other setup", {2, kAllFlags}, 8, kEmptied},
        {"scan type", {3, F7}, 9, shows(61517)},

        {"row 10", {3, F7}, 10, kKept},
        {"row 39", {0, kAllFlags}, 39, kKept},
    };
}

std::vector<Case> noItemCases()
{
    std::vector<Case> cases;
    for (int row : {0, 3, 7, 12, 20, 39})
        cases.push_back({"no item", {3, F7, kMaster}, row, kKept});
    return cases;
}

struct Table {
    ItemKind kind;
    std::vector<Case> (*cases)();
};
const Table kTables[] = {
    {ItemKind::Fieldbus, fieldbusCases},   {ItemKind::Fieldbus, profibusRow3And4Cases},
    {ItemKind::Subnet, subnetCases},       {ItemKind::Node, nodeCases},
    {ItemKind::Command, commandCases},     {ItemKind::None, noItemCases},
};

// Every text id some click can show.
std::set<int> reachableTextIds()
{
    std::set<int> ids;
    for (const Table &t : kTables)
        for (const Case &c : t.cases())
            if (c.expected.action == PromptAction::Set)
                ids.insert(static_cast<int>(c.expected.text));
    return ids;
}

std::set<int> idsOf(const std::vector<StringEntry> &table)
{
    std::set<int> ids;
    for (const auto &e : table)
        ids.insert(static_cast<int>(e.id));
    return ids;
}

// The line-break characters of a text, in order.
std::string breaksOf(const std::string &s)
{
    std::string out;
    for (char c : s)
        if (c == '\r' || c == '\n')
            out += c;
    return out;
}

class PromptInfoTest : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(PromptInfoTest, FieldbusItemByGatewayType) { expectCases(ItemKind::Fieldbus, fieldbusCases()); }

TEST_F(PromptInfoTest, ProfibusRows3And4FirstMatchingLineWins)
{
    expectCases(ItemKind::Fieldbus, profibusRow3And4Cases());
}

TEST_F(PromptInfoTest, SubnetItemRows) { expectCases(ItemKind::Subnet, subnetCases()); }

TEST_F(PromptInfoTest, NodeItemRows) { expectCases(ItemKind::Node, nodeCases()); }

TEST_F(PromptInfoTest, CommandItemRows) { expectCases(ItemKind::Command, commandCases()); }

TEST_F(PromptInfoTest, NoItemLeavesThePane) { expectCases(ItemKind::None, noItemCases()); }

TEST_F(PromptInfoTest, Rows12And13FollowSubnet1NotTheOthers)
{
    ConfigStore store = makeStore({3, F7, kMaster});
    for (auto &s : store.subnets)
        s.protocol = text(kUser);
    store.subnets[0].protocol = text(kMaster);
    EXPECT_EQ(choosePrompt(store, ItemKind::Subnet, 12), shows(61749));
    store.subnets[0].protocol = text(kUser);
    for (std::size_t i = 1; i < store.subnets.size(); ++i)
        store.subnets[i].protocol = text(kMaster);
    EXPECT_EQ(choosePrompt(store, ItemKind::Subnet, 12), shows(61493));
    EXPECT_EQ(choosePrompt(store, ItemKind::Subnet, 13), shows(61495));
}

TEST_F(PromptInfoTest, NewProjectShowsTheTimeoutAndStatusTexts)
{
    ConfigStore store;
    store.newConfiguration();
    ASSERT_EQ(store.gatewayType, 3u);
    ASSERT_TRUE(store.modelFlag7);
    ASSERT_EQ(store.subnets[0].protocol, "Modbus master");
    EXPECT_EQ(choosePrompt(store, ItemKind::Fieldbus, 3), shows(61747));
    EXPECT_EQ(choosePrompt(store, ItemKind::Fieldbus, 4), shows(61748));
    EXPECT_EQ(choosePrompt(store, ItemKind::Subnet, 12), shows(61749));
    EXPECT_EQ(choosePrompt(store, ItemKind::Command, 3), shows(61510));
}

// The pane as the main window keeps it: a tree selection empties it, each click applies a choice.
struct Pane {
    std::string shown = "before";
    void select() { shown.clear(); }
    void click(const ConfigStore &store, ItemKind kind, int row)
    {
        const PromptChoice c = choosePrompt(store, kind, row);
        if (c.action == PromptAction::Set)
            shown = text(c.text);
        else if (c.action == PromptAction::Empty)
            shown.clear();
    }
};

TEST_F(PromptInfoTest, ClickSequencesOnThePane)
{
    ConfigStore store;
    store.newConfiguration();
    Pane pane;
    pane.select();
    pane.click(store, ItemKind::Subnet, 7);
    EXPECT_EQ(pane.shown, "After the gateway sends request, it waits the Modbus slave' response for max time "
                          "which is in ms.\r\n The range of the parameter value is 300 to 60000ms. ");

    // Another item selected, then a row that keeps the pane for this gateway type.
    store.gatewayType = 1;
    pane.select();
    pane.click(store, ItemKind::Subnet, 14);
    EXPECT_EQ(pane.shown, "");
    pane.click(store, ItemKind::Subnet, 4);
    EXPECT_EQ(pane.shown, "The number of stop bits");
    pane.click(store, ItemKind::Subnet, 14);
    EXPECT_EQ(pane.shown, "The number of stop bits");

    pane.select();
    pane.click(store, ItemKind::Command, 5);
    EXPECT_FALSE(pane.shown.empty());
    pane.click(store, ItemKind::Command, 6);
    EXPECT_EQ(pane.shown, "");
    pane.click(store, ItemKind::Command, 2);
    EXPECT_FALSE(pane.shown.empty());
    pane.click(store, ItemKind::Command, 8);
    EXPECT_EQ(pane.shown, "");
}

TEST_F(PromptInfoTest, TrickyTextsAreByteExact)
{
    struct Row {
        int id;
        const char *expected;
    };
    const Row rows[] = {
        {61476, "When the protocol type is\\\"Universal\\\",Profibus inputting effective data is effective. "
                "\x0D\x0A Open:The first byte of Profibus input-data show the length of reciving data frames"},
        {61477, "When a Modbus read commands two times in a row without receipt of the correct response, "
                "setting the read command corresponding to the Profibus input data to zero. Selection of "
                "\x0D\x0A \x5C \x22 open\x22, this feature \x5C \x0D\x0A \x5C \x22 selection effect; closed "
                "\x5C \x22, this feature is not used. \x0A"},
        {61479, "Format such as: D1 E1\x0A the above example has 2 bytes, can be up to 8 bytes"},
        {61480, "There are three protocols that you can select: Modbus Master, Modbus Slave, and User Config."
                "\x0D\x0A If communication protocol of your device is not Modbus you can choose the "
                "\x22User Config\x22"},
        {61486, "When you select \"Modbus Slave\", this parameter can be modified and is the gateway' address "
                "as Modbus slave.\r\n The range of the parameter value is 0 to 247.   "},
        {61507, "The number of data: 1-84 (Modbus functional code 3\xC2\xA1\xC2\xA2" "4\xC2\xA1\xC2\xA2"
                "16):\r\n; 1-400( Modbus functional code 1\xC2\xA1\xC2\xA2" "2\xC2\xA1\xC2\xA2" "15)"},
        {61509, "The number of data: 1-56 (Modbus functional code 3,4,16);\r\n 1-400 (Modbus functional code "
                "1,2,15) "},
        {61511, "The address range of data mapping in the module memory\nKV305 range:\r\n  Read "
                "command:0x0000~0x00A7\r\n  Write command:0x4000~0x40A7\r\nusers can click on \"Automatic "
                "calculation of mapping address\" to let the software calculation"},
        {61515, "There are there kinds of type: Non-exchange, Double-byte-exchange, Four-byte-exchange\r\n  The "
                "byte displaycommand of Modbus and Profibus-DP is (MSB) being preferential, The byte "
                "displaycommand of DeviceNet is (LSB) being preferential\r\n  Users need exchange the byte "
                "displaycommand to get correct value."},
        {61749, "It can reflect whether a Modbus command is respond correctly to PROFIBUS DP Master if you "
                "don't choose \"Disable\". \r\nEvery command takes a bit of the front part of PROFIBUS DP Input "
                "buffer. \r\nIf you have configured 1 to 8 Modbus commands and want to monitor every command' "
                "status you must select \"One Byte\".\r\n If you have configured 9 to 16 Modbus commands and "
                "want to monitor every command' status you must select \"Two Bytes\". \r\nAnd so on"},
        {61766, "This is an advance parameter. Default value is zero. If Time Interval between Characters of "
                "slave does not accord to the \r\nModbus protocol you can increase the value of the parameter."},
    };
    for (const Row &r : rows)
        EXPECT_EQ(text(static_cast<StrId>(r.id), Language::English), r.expected) << r.id;
}

TEST_F(PromptInfoTest, BackslashesAndLineBreaksOfTheEnglishTexts)
{
    std::set<int> withBackslash;
    for (const auto &e : englishPromptStrings()) {
        const std::string s = e.text;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\\') {
                withBackslash.insert(static_cast<int>(e.id));
                // A backslash before r or n would be an escape that was never turned into a break.
                ASSERT_LT(i + 1, s.size()) << static_cast<int>(e.id);
                EXPECT_TRUE(s[i + 1] == ' ' || s[i + 1] == '"') << static_cast<int>(e.id);
            }
            if (s[i] == '\r') {
                EXPECT_TRUE(i + 1 < s.size() && s[i + 1] == '\n') << static_cast<int>(e.id);
            }
        }
    }
    EXPECT_EQ(withBackslash, (std::set<int>{61476, 61477}));
}

TEST_F(PromptInfoTest, EveryPromptHasATextInBothSets)
{
    const std::set<int> reachable = reachableTextIds();
    EXPECT_EQ(reachable.size(), 53u);
    EXPECT_EQ(reachable.count(61508), 0u);
    EXPECT_EQ(idsOf(englishPromptStrings()), reachable);
    EXPECT_EQ(idsOf(chinesePromptStrings()), reachable);
    for (int id : reachable) {
        const StrId sid = static_cast<StrId>(id);
        const std::string &en = text(sid, Language::English);
        const std::string &zh = text(sid, Language::Chinese);
        EXPECT_FALSE(en.empty()) << id;
        EXPECT_FALSE(zh.empty()) << id;
        EXPECT_EQ(en.find("<missing"), std::string::npos) << id;
        EXPECT_EQ(zh.find("<missing"), std::string::npos) << id;
        EXPECT_NE(en, zh) << id;
        EXPECT_EQ(breaksOf(zh), breaksOf(en)) << id;
        EXPECT_EQ(zh.find('%'), std::string::npos) << id;
    }
}

TEST_F(PromptInfoTest, ChineseSetChoosesTheSameIds)
{
    setLanguage(Language::Chinese);
    ASSERT_NE(text(kMaster), text(kMaster, Language::English));
    ConfigStore fresh;
    fresh.newConfiguration();
    ASSERT_EQ(fresh.subnets[0].protocol, text(kMaster, Language::Chinese));
    EXPECT_EQ(choosePrompt(fresh, ItemKind::Fieldbus, 3), shows(61747));
    EXPECT_EQ(choosePrompt(fresh, ItemKind::Subnet, 12), shows(61749));
    for (const Table &t : kTables)
        expectCases(t.kind, t.cases());
}

TEST_F(PromptInfoTest, ProtocolsAreComparedInTheActiveLanguage)
{
    const ConfigStore english = makeStore({5, 0, kUser});
    EXPECT_EQ(choosePrompt(english, ItemKind::Fieldbus, 3), shows(61476));
    setLanguage(Language::Chinese);
    // An English protocol name is no protocol of the Chinese set.
    EXPECT_EQ(choosePrompt(english, ItemKind::Fieldbus, 3), kEmptied);
    const ConfigStore chinese = makeStore({5, 0, kUser});
    EXPECT_EQ(choosePrompt(chinese, ItemKind::Fieldbus, 3), shows(61476));
}

} // namespace
} // namespace tqv
