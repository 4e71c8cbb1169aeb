#include "editor/GridLayout.h"
#include "editor/PropertyGrid.h"
#include "editor/ValueCommit.h"
#include "resources/Strings.h"

#include "support/RecordingPrompter.h"
#include "support/StoreHelpers.h"

#include <gtest/gtest.h>

#include <map>
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

constexpr StrId kMaster = StrId::ProtocolModbusMaster;
constexpr StrId kSlave = StrId::ProtocolModbusSlave;
constexpr StrId kUser = StrId::ProtocolUserConfig;
constexpr StrId kSelf = StrId::ProtocolSelfDefining;

const ItemRef kFieldbus{ItemKind::Fieldbus, -1, 0};
const ItemRef kSubnet1{ItemKind::Subnet, 0, 0};

// A model as the store sets it up: gateway type and the model flags set.
struct Model {
    unsigned type;
    std::vector<int> flags;
};

ConfigStore storeFor(const Model &m)
{
    ConfigStore s;
    s.setTypeAndFlags(m.type, testing::flagsOf(m.flags));
    return s;
}

// One node and one command of every function code in subnet 1.
void addNodeAndCommands(ConfigStore &s)
{
    CONFIG &c = s.subnet(0);
    c.nodeCount = 1;
    c.nodes[0] = NODE{"5", "Node-5"};
    const FunctionCode codes[] = {FunctionCode::ReadCoils,           FunctionCode::ReadDiscreteInputs,
                                  FunctionCode::ReadHoldingRegisters, FunctionCode::ReadInputRegisters,
                                  FunctionCode::WriteSingleCoil,      FunctionCode::WriteSingleRegister,
                                  FunctionCode::WriteMultipleCoils,   FunctionCode::WriteMultipleRegisters};
    for (FunctionCode fc : codes)
        c.commands[static_cast<std::size_t>(c.commandCount++)] =
            COMMAND{"5", functionCodeText(fc), "0", "1", "0", "0", "2", s.newCommandDataFormat(), "", "Quick-scan", 1};
}

std::vector<ItemRef> itemsOf(const ConfigStore &s)
{
    std::vector<ItemRef> items{kFieldbus, kSubnet1, {ItemKind::Node, 0, 1}};
    for (int p = 1; p <= s.subnet(0).commandCount; ++p)
        items.push_back({ItemKind::Command, 0, p});
    return items;
}

// Models whose every editor stores into the field its row shows. The odd models are pinned
// one cell at a time in OddCellsKeepTheirRules below.
const Model kConsistentModels[] = {
    {3, {7}}, {3, {1, 7}}, {3, {6, 7}}, {3, {3}}, {0, {}}, {0, {2}}, {0, {4}}, {0, {2, 5}}, {1, {}},
    {1, {1}}, {1, {4}}, {1, {6}}, {2, {}},     {4, {}},  {4, {7}}, {5, {}},  {5, {7}},     {6, {}}, {6, {7}},
};

TEST(GridLayout, EveryEditorStoresIntoTheFieldItsRowShows)
{
    for (const Model &m : kConsistentModels) {
        SCOPED_TRACE(::testing::PrintToString(m.flags));
        const ConfigStore base = storeFor(m);
        // Every protocol the model's protocol row offers, picked there (with its consequences).
        std::vector<std::string> protocols = describeCell(base, kSubnet1, 0, false).choices;
        if (protocols.empty())
            protocols = {base.subnet(0).protocol};
        for (const std::string &protocol : protocols) {
            ConfigStore s = base;
            commitListPick(s, CommitTarget{kSubnet1, 0}, protocol, true);
            addNodeAndCommands(s);
            for (const ItemRef &item : itemsOf(s)) {
                for (int row = 0; row < kGridRowCount; ++row) {
                    const CellInfo cell = describeCell(s, item, row, true);
                    if (cell.editor == EditorKind::None)
                        continue;
                    const std::string where = "type " + std::to_string(m.type) + " " + protocol + ", kind " +
                                              std::to_string(static_cast<int>(item.kind)) + " #" +
                                              std::to_string(item.number) + ", row " + std::to_string(row);
                    EXPECT_FALSE(cell.label.empty()) << where;
                    ASSERT_NE(fieldOf(s, item, cell.field), nullptr) << where;
                    const std::string before = *fieldOf(s, item, cell.field);
                    if (cell.editor == EditorKind::EditBox) {
                        EXPECT_EQ(cell.edit.field, cell.field) << where;
                        // Committing what the cell shows leaves the record as it is, silently.
                        ConfigStore copy = s;
                        RecordingPrompter prompter;
                        const std::string shown = cell.value;
                        commitEditText(copy, CommitTarget{item, row}, shown, true, true, prompter);
                        EXPECT_EQ(*fieldOf(copy, item, cell.field), before) << where << " typed '" << shown << "'";
                        EXPECT_TRUE(prompter.messages.empty()) << where;
                        continue;
                    }
                    EXPECT_EQ(cell.pick.field, cell.field) << where;
                    for (const std::string &choice : cell.choices) {
                        ConfigStore copy = s;
                        commitListPick(copy, CommitTarget{item, row}, choice, true);
                        EXPECT_EQ(*fieldOf(copy, item, cell.field), choice) << where;
                        EXPECT_EQ(describeCell(copy, item, row, true).value, choice) << where;
                    }
                }
            }
        }
    }
}

TEST(GridLayout, OddCellsKeepTheirRules)
{
    // Cells whose editor does not match what the row shows. They are kept as they are; each
    // row says which field typing or picking `typed` there changes, if any.
    struct Row {
        const char *what;
        Model model;
        StrId protocol;
        ItemRef item;
        int row;
        const char *label;
        EditorKind editor;
        const char *typed;
        FieldRef changed;
    };
    const Row rows[] = {
        {"type 1 flag 7: hardware sizes shown, yet a size list", {1, {7}}, kMaster, kFieldbus, 1, "Number of Bytes",
         EditorKind::List, "16", &FIELDBUS::inputSize},
        {"type 3 without flags: an edit box on the empty option row", {3, {}}, kMaster, kFieldbus, 3, "",
         EditorKind::EditBox, "7", {}},
        {"type 3 without flags, User Config: the option row stores the input length", {3, {}}, kUser, kFieldbus, 3, "",
         EditorKind::List, "Enable", &CONFIG::inputLengthPrefix},
        {"type 3 flags 4 7: the empty count row takes the timeout count", {3, {4, 7}}, kMaster, kFieldbus, 4, "",
         EditorKind::EditBox, "9", &CONFIG::timeoutCount},
        {"type 3 without flag 7: status row offers frame types, stores nothing", {3, {}}, kMaster, kSubnet1, 12,
         "Frame Type", EditorKind::List, "Frame Length", {}},
        {"type 3 flag 2 master: debug interface edit box stores nothing", {3, {2}}, kMaster, kSubnet1, 19,
         "Debug Interface", EditorKind::EditBox, "7", {}},
        {"type 6 flag 2: frame type row offers and stores the interface", {6, {2}}, kUser, kSubnet1, 12, "Frame Type",
         EditorKind::List, "RS232", &CONFIG::commInterface},
    };
    for (const Row &r : rows) {
        ConfigStore s = storeFor(r.model);
        s.subnet(0).protocol = text(r.protocol);
        const CellInfo cell = describeCell(s, r.item, r.row, true);
        EXPECT_EQ(cell.label, r.label) << r.what;
        ASSERT_EQ(cell.editor, r.editor) << r.what;
        ConfigStore after = s;
        RecordingPrompter prompter;
        if (r.editor == EditorKind::List)
            commitListPick(after, CommitTarget{r.item, r.row}, r.typed, true);
        else
            commitEditText(after, CommitTarget{r.item, r.row}, r.typed, true, true, prompter);
        ConfigStore expected = s;
        if (std::string *field = fieldOf(expected, r.item, r.changed))
            *field = r.typed;
        expected.configModified = after.configModified;
        EXPECT_EQ(after, expected) << r.what;
    }
}

TEST(GridLayout, EdgesOfTheLayout)
{
    ConfigStore s;
    s.newConfiguration();
    addNodeAndCommands(s);
    // Past the item's rows, and for a subnet the model lacks: nothing shown, no editor.
    for (const auto &[item, row] : {std::pair{kFieldbus, 30}, std::pair{kSubnet1, 22},
                                    std::pair{ItemRef{ItemKind::Command, 0, 1}, 10}, std::pair{ItemRef{}, 0},
                                    std::pair{ItemRef{ItemKind::Subnet, 4, 0}, 0}}) {
        const CellInfo cell = describeCell(s, item, row, true);
        EXPECT_TRUE(cell.label.empty() && cell.value.empty()) << row;
        EXPECT_EQ(cell.editor, EditorKind::None) << row;
    }
    // The prompt needs no record: a subnet the model lacks still explains its rows.
    EXPECT_EQ(describeCell(s, ItemRef{ItemKind::Subnet, 4, 0}, 12, false).prompt,
              (PromptChoice{PromptAction::Set, StrId::Prompt61749}));
    // A command the subnet does not hold shows its rows; a commit changes nothing but the cell.
    const ItemRef missing{ItemKind::Command, 0, 9};
    EXPECT_EQ(describeCell(s, missing, 4, false).label, "Mapping Address(HEX)");
    ConfigStore after = s;
    RecordingPrompter prompter;
    EXPECT_EQ(commitEditText(after, CommitTarget{missing, 4}, "a0", true, false, prompter).cellText,
              std::optional<std::string>("a0H"));
    after.configModified = s.configModified;
    EXPECT_EQ(after, s);

    // Members resolve for their item; the fieldbus item's subnet members are subnet 1's.
    EXPECT_EQ(fieldOf(s, kFieldbus, &CONFIG::timeoutCount), &s.subnet(0).timeoutCount);
    EXPECT_EQ(fieldOf(s, ItemRef{ItemKind::Subnet, 1, 0}, &CONFIG::timeoutCount), &s.subnet(1).timeoutCount);
    EXPECT_EQ(fieldOf(s, ItemRef{ItemKind::Command, 0, 2}, &COMMAND::functionCode), &s.command(0, 2).functionCode);
    EXPECT_EQ(fieldOf(s, ItemRef{ItemKind::Node, 0, 1}, &NODE::address), &s.node(0, 1).address);
    EXPECT_EQ(fieldOf(s, kFieldbus, &NODE::address), nullptr);
    EXPECT_EQ(fieldOf(s, ItemRef{ItemKind::Command, 0, 129}, &COMMAND::quantity), nullptr);
    // Derived and fixed texts name no member.
    EXPECT_EQ(describeCell(s, kSubnet1, rowIndex(SubnetRow::DebugInterface), false).field, FieldRef{});
    EXPECT_EQ(describeCell(s, kFieldbus, rowIndex(ProfibusRow::InputBytes), false).field, FieldRef{});

    // The pulse row's state belongs to a shown subnet.
    EXPECT_FALSE(pulseEditableFor(s, kSubnet1));
    s.subnet(0).outputMode = text(StrId::OutputPulse);
    EXPECT_TRUE(pulseEditableFor(s, kSubnet1));
    EXPECT_FALSE(pulseEditableFor(s, kFieldbus));
    EXPECT_FALSE(pulseEditableFor(s, ItemRef{ItemKind::Subnet, 4, 0}));
}

// ---- prompts ------------------------------------------------------------------------------------

// Model flags as a bit set, bit n for modelFlagN.
enum : unsigned { F1 = 1u << 1, F2 = 1u << 2, F3 = 1u << 3, F4 = 1u << 4, F6 = 1u << 6, F7 = 1u << 7 };

struct Setup {
    std::uint32_t gatewayType = 3;
    unsigned flags = 0;
    StrId subnet1 = kMaster;
    std::uint32_t fileVersion = 500;
};

// A store whose protocols are the active language's texts. The other subnets always carry a
// protocol different from subnet 1, so every case also checks that only subnet 1's protocol counts.
ConfigStore promptStore(const Setup &s)
{
    ConfigStore store;
    store.newConfiguration();
    store.gatewayType = s.gatewayType;
    for (int n = 1; n <= 7; ++n)
        store.setModelFlag(n, (s.flags & (1u << n)) != 0);
    store.fileVersion = s.fileVersion;
    store.subnets[0].protocol = text(s.subnet1);
    for (std::size_t i = 1; i < store.subnets.size(); ++i)
        store.subnets[i].protocol = text(s.subnet1 == kMaster ? kUser : kMaster);
    return store;
}

PromptChoice shows(int id) { return {PromptAction::Set, static_cast<StrId>(id)}; }
const PromptChoice kEmptied{PromptAction::Empty, StrId{}};
const PromptChoice kKept{};

struct PromptCase {
    const char *what;
    Setup setup;
    ItemKind kind;
    int row;
    PromptChoice expected;
};

void expectPrompts(const std::vector<PromptCase> &cases)
{
    for (const PromptCase &c : cases)
        EXPECT_EQ(choosePrompt(promptStore(c.setup), c.kind, c.row), c.expected)
            << c.what << ": type " << c.setup.gatewayType << ", flags 0x" << std::hex << c.setup.flags << std::dec
            << ", row " << c.row;
}

constexpr ItemKind kFb = ItemKind::Fieldbus;
constexpr ItemKind kSn = ItemKind::Subnet;
constexpr ItemKind kCmd = ItemKind::Command;

// Rows 3 and 4 of types 1 and 3 set two lines' conditions at once so that the order of the lines
// decides.
TEST(Prompts, ByModelProtocolAndRow)
{
    expectPrompts({
        {"row 0 explains the protocol for every type", {2, 0, kSelf}, kFb, 0, shows(61469)},
        {"devicenet row 4", {0, F2 | F7, kUser}, kFb, 4, shows(61473)},
        {"devicenet below its rows", {0}, kFb, 39, kEmptied},
        {"ethernet rows empty the pane", {4, F1 | F7, kMaster}, kFb, 4, kEmptied},
        {"four subnets keep the pane", {2, F7, kMaster}, kFb, 3, kKept},
        {"unknown type keeps the pane", {9, F7, kMaster}, kFb, 1, kKept},
        {"type 5, user config subnet 1", {5, 0, kUser}, kFb, 3, shows(61476)},
        {"type 5, slave subnet 1", {5, 0, kSlave}, kFb, 3, kEmptied},
        {"type 6, master subnet 1 with flags", {6, F4 | F7, kMaster}, kFb, 3, kEmptied},
        {"negative row", {3, F7}, kFb, -1, kKept},
        {"type 3 user config beats modelFlag4", {3, F4 | F7 | F1, kUser}, kFb, 3, shows(61476)},
        {"type 1 user config is not the first line", {1, 0, kUser}, kFb, 3, kEmptied},
        {"modelFlag4", {1, F4, kUser}, kFb, 3, shows(61477)},
        {"modelFlag4 beats modelFlag7 master", {3, F4 | F7, kMaster}, kFb, 3, shows(61477)},
        {"modelFlag4 beats modelFlag1", {3, F4 | F1, kSlave}, kFb, 3, shows(61477)},
        {"modelFlag7 master", {3, F7, kMaster}, kFb, 3, shows(61747)},
        {"modelFlag7 master beats modelFlag1", {1, F7 | F1, kMaster}, kFb, 3, shows(61747)},
        {"modelFlag7 user config beats modelFlag6", {1, F7 | F6, kUser}, kFb, 3, shows(61477)},
        {"modelFlag7 other protocol beats modelFlag1", {3, F7 | F1, kSlave}, kFb, 3, kEmptied},
        {"modelFlag1", {3, F1, kSlave}, kFb, 3, shows(61478)},
        {"modelFlag6", {1, F6, kMaster}, kFb, 3, shows(61478)},
        {"no flag", {3, 0, kMaster}, kFb, 3, kEmptied},
        {"unrelated flags", {1, F2 | F3, kMaster}, kFb, 3, kEmptied},
        {"row 4 modelFlag1 beats modelFlag7 master", {3, F1 | F7, kMaster}, kFb, 4, shows(61479)},
        {"row 4 modelFlag6 with type 3 user config", {3, F6, kUser}, kFb, 4, shows(61479)},
        {"row 4 modelFlag7 master", {1, F7, kMaster}, kFb, 4, shows(61748)},
        {"row 4 modelFlag7 user config", {1, F7, kUser}, kFb, 4, kEmptied},
        {"row 4 modelFlag4", {3, F4, kMaster}, kFb, 4, kEmptied},
        {"baud with modelFlag3", {0, F3, kUser}, kSn, 1, shows(61482)},
        {"baud without modelFlag3", {1, F1 | F2 | F4 | F7, kMaster}, kSn, 1, shows(61481)},
        {"row 12 modelFlag2 beats type 3", {3, F2 | F7, kMaster}, kSn, 12, shows(61494)},
        {"row 12 type 6 master subnet 1", {6, 0, kMaster}, kSn, 12, shows(61749)},
        {"row 12 type 3 user config", {3, F7, kUser}, kSn, 12, shows(61493)},
        {"row 12 type 1", {1, F7, kMaster}, kSn, 12, kKept},
        {"row 13 modelFlag2", {4, F2, kMaster}, kSn, 13, shows(61496)},
        {"row 13 type 6", {6, 0, kUser}, kSn, 13, shows(61495)},
        {"row 13 type 5", {5, 0, kSlave}, kSn, 13, kKept},
        {"row 20 modelFlag7, any type and file", {1, F7, kSlave, 499}, kSn, 20, shows(61765)},
        {"row 21 without modelFlag7", {3, F1 | F2, kMaster}, kSn, 21, kKept},
        {"row 22", {3, F7}, kSn, 22, kKept},
        {"quantity, modelFlag4 beats modelFlag7", {3, F4 | F7, kMaster, 500}, kCmd, 3, shows(61507)},
        {"quantity, modelFlag7 at 500", {3, F7, kMaster, 500}, kCmd, 3, shows(61510)},
        {"quantity, modelFlag7 at 499", {3, F7, kMaster, 499}, kCmd, 3, shows(61509)},
        {"quantity, 500 without modelFlag7", {3, F1, kMaster, 500}, kCmd, 3, shows(61509)},
        {"mapping address, modelFlag4", {3, F4 | F7}, kCmd, 4, shows(61511)},
        {"mapping address", {1, F1 | F7}, kCmd, 4, shows(61512)},
        {"byte count", {0, F7}, kCmd, 6, kEmptied},
        {"data format, type 3 beats modelFlag1", {3, F1}, kCmd, 7, shows(61516)},
        {"data format, modelFlag1", {4, F1 | F7}, kCmd, 7, shows(61514)},
        {"data format, byte exchange", {6, F7}, kCmd, 7, shows(61515)},
        {"check type", {2, F7}, kCmd, 8, kEmptied},
        {"command row 10", {3, F7}, kCmd, 10, kKept},
        {"node row 0", {0, F7, kSlave}, ItemKind::Node, 0, shows(61503)},
        {"node row 1", {3, F7}, ItemKind::Node, 1, kKept},
        {"no item", {3, F7}, ItemKind::None, 0, kKept},
    });
}

// One click of the prompt space: type (including an unknown one), flags, subnet 1's protocol,
// file version, item kind and row.
struct PromptPoint {
    std::uint32_t type;
    unsigned flags;
    StrId protocol;
    std::uint32_t version;
    ItemKind kind;
    int row;
};

template <typename Visit> void forEachPrompt(Visit visit)
{
    for (std::uint32_t type = 0; type <= kGatewayTypeCount; ++type)
        for (unsigned bits = 0; bits < 128; ++bits)
            for (StrId protocol : {kMaster, kSlave, kUser, kSelf})
                for (std::uint32_t version : {499u, 500u}) {
                    const ConfigStore store = promptStore({type, bits << 1, protocol, version});
                    for (ItemKind kind : {kFb, kSn, ItemKind::Node, kCmd})
                        for (int row = 0; row < kGridRowCount; ++row)
                            visit(PromptPoint{type, bits << 1, protocol, version, kind, row},
                                  choosePrompt(store, kind, row));
                }
}

TEST(Prompts, RowsThatDependOnNothing)
{
    // Subnet rows 0 and 2 to 11 and the fixed command rows explain the same whatever the setup;
    // rows 14 to 19 explain only for the User Config types 3 and 6.
    std::map<std::pair<ItemKind, int>, std::set<int>> seen;
    forEachPrompt([&](const PromptPoint &p, PromptChoice choice) {
        const bool set = choice.action == PromptAction::Set;
        if (p.kind == kSn && p.row >= 14 && p.row <= 19) {
            EXPECT_EQ(set, hasUserConfigRows(p.type)) << p.type << " row " << p.row;
        }
        seen[{p.kind, p.row}].insert(set ? static_cast<int>(choice.text) : -static_cast<int>(choice.action));
    });
    for (int row : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})
        EXPECT_EQ(seen[std::pair(kSn, row)].size(), 1u) << "subnet row " << row;
    for (int row : {0, 1, 2, 5, 6, 8, 9})
        EXPECT_EQ(seen[std::pair(kCmd, row)].size(), 1u) << "command row " << row;
}

class PromptLanguages : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(PromptLanguages, ChineseSetChoosesTheSameIds)
{
    std::vector<PromptChoice> english;
    forEachPrompt([&](const PromptPoint &, PromptChoice choice) { english.push_back(choice); });
    setLanguage(Language::Chinese);
    ASSERT_NE(text(kMaster), text(kMaster, Language::English));
    std::size_t i = 0, differing = 0;
    forEachPrompt([&](const PromptPoint &p, PromptChoice choice) {
        if (i < english.size() && !(english[i] == choice) && differing++ == 0)
            ADD_FAILURE() << "type " << p.type << " flags 0x" << std::hex << p.flags << std::dec << " kind "
                          << static_cast<int>(p.kind) << " row " << p.row;
        ++i;
    });
    EXPECT_EQ(i, english.size());
    EXPECT_EQ(differing, 0u);
}

TEST_F(PromptLanguages, ProtocolsAreComparedInTheActiveLanguage)
{
    const ConfigStore english = promptStore({5, 0, kUser});
    EXPECT_EQ(choosePrompt(english, kFb, 3), shows(61476));
    setLanguage(Language::Chinese);
    // An English protocol name is no protocol of the Chinese set.
    EXPECT_EQ(choosePrompt(english, kFb, 3), kEmptied);
    EXPECT_EQ(choosePrompt(promptStore({5, 0, kUser}), kFb, 3), shows(61476));
}

// ---- prompt texts -------------------------------------------------------------------------------

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

TEST(PromptTexts, EveryReachablePromptHasATextInBothSets)
{
    std::set<int> reachable;
    forEachPrompt([&](const PromptPoint &, PromptChoice choice) {
        if (choice.action == PromptAction::Set)
            reachable.insert(static_cast<int>(choice.text));
    });
    EXPECT_EQ(reachable.size(), 53u);
    EXPECT_EQ(reachable.count(61508), 0u);
    EXPECT_EQ(idsOf(englishPromptStrings()), reachable);
    EXPECT_EQ(idsOf(chinesePromptStrings()), reachable);
    for (int id : reachable) {
        const StrId sid = static_cast<StrId>(id);
        const std::string &en = text(sid, Language::English);
        const std::string &zh = text(sid, Language::Chinese);
        EXPECT_FALSE(en.empty() || zh.empty()) << id;
        EXPECT_EQ(en.find("<missing"), std::string::npos) << id;
        EXPECT_EQ(zh.find("<missing"), std::string::npos) << id;
        EXPECT_NE(en, zh) << id;
        EXPECT_EQ(breaksOf(zh), breaksOf(en)) << id;
        EXPECT_EQ(zh.find('%'), std::string::npos) << id;
    }
}

} // namespace
} // namespace tqv
