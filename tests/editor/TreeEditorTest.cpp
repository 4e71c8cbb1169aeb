#include "editor/ConfigTree.h"
#include "editor/TreeEditor.h"
#include "resources/Strings.h"

#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>

#include <memory>

namespace tqv {
namespace {

std::vector<std::string> labels(const std::vector<TreeItem> &items)
{
    std::vector<std::string> out;
    for (const auto &i : items)
        out.push_back(i.label);
    return out;
}

// Node and command numbers of the tree under one subnet item: {node data, {command data...}}.
std::vector<std::pair<int, std::vector<int>>> shape(const TreeItem &subnet)
{
    std::vector<std::pair<int, std::vector<int>>> out;
    for (const auto &node : subnet.children) {
        std::vector<int> commands;
        for (const auto &c : node.children)
            commands.push_back(c.data);
        out.push_back({node.data, commands});
    }
    return out;
}

class TreeEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = std::make_unique<ConfigStore>();
        store->newConfiguration();
        editor.reset();
    }
    ItemRef subnet(int s) const { return {ItemKind::Subnet, s, 0}; }
    ItemRef node(int s, int n) const { return {ItemKind::Node, s, n}; }
    ItemRef command(int s, int p) const { return {ItemKind::Command, s, p}; }
    // Adds a node with `address` and returns its number.
    int addNodeWithAddress(int s, const std::string &address)
    {
        int n = editor.addNode(*store, subnet(s), prompter, false);
        store->node(s, n).address = address;
        store->node(s, n).name = "Node-" + address;
        return n;
    }
    int addCommand(int s, int n, int listIndex = 2)
    {
        return editor.addCommand(*store, node(s, n), listIndex, prompter);
    }

    std::unique_ptr<ConfigStore> store;
    TreeEditor editor;
    RecordingPrompter prompter;
};

TEST_F(TreeEditorTest, TopLevelLayoutFollowsTheGatewayType)
{
    struct Row {
        unsigned type;
        std::vector<std::string> labels;
    };
    const Row rows[] = {
        {0, {"Fieldbus", "Subnet"}},  {1, {"Fieldbus", "Subnet"}}, {3, {"Fieldbus", "Subnet"}},
        {5, {"Fieldbus", "Subnet"}},  {6, {"Fieldbus", "Subnet"}},
        {2, {"Subnet1", "Subnet2", "Subnet3", "Subnet4"}},
        {4, {"Ethernet", " Subnet\xE2\x85\xA0", "Subnet\xE2\x85\xA1"}},
        {7, {}},
    };
    for (const Row &r : rows) {
        store->gatewayType = r.type;
        EXPECT_EQ(labels(buildSkeleton(*store)), r.labels) << r.type;
        for (const auto &item : buildFromStore(*store))
            EXPECT_TRUE(item.children.empty());
    }
}

TEST_F(TreeEditorTest, RebuildPlacesCommandsUnderTheirNodes)
{
    store->gatewayType = 2;
    const int a = addNodeWithAddress(2, "1");
    const int b = addNodeWithAddress(2, "2");
    addCommand(2, b, 0);
    addCommand(2, a, 13);
    addCommand(2, b, 4);
    // A code without a name and a command of no node get no item.
    store->subnet(2).commandCount = 5;
    store->command(2, 4) = COMMAND{"1", "7", "", "", "", "", "", "", "", "", a};
    store->command(2, 5) = COMMAND{"1", "3", "", "", "", "", "", "", "", "", 9};
    const TreeDescription tree = buildFromStore(*store);
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(shape(tree[2]), (std::vector<std::pair<int, std::vector<int>>>{{1, {2}}, {2, {1, 3}}}));
    EXPECT_EQ(tree[2].children[1].children[0].label, "Read Coil Status");
    EXPECT_EQ(tree[2].children[0].children[0].label, "Preset Multiple Registers");
    EXPECT_EQ(tree[2].children[1].children[1].image, kCommandImage);
    EXPECT_EQ(tree[2].children[0].label, "Node-1");
}

TEST_F(TreeEditorTest, SubnetsOfOtherProtocolsShowNoNodes)
{
    addNodeWithAddress(0, "5");
    addCommand(0, 1);
    store->subnet(0).protocol = text(StrId::ProtocolModbusSlave);
    EXPECT_TRUE(buildFromStore(*store)[1].children.empty());
    store->subnet(0).protocol = text(StrId::ProtocolModbusMaster);
    EXPECT_EQ(buildFromStore(*store)[1].children.size(), 1u);
}

TEST_F(TreeEditorTest, DeletingANodeWithInterleavedCommandsKeepsTheOthersInOrder)
{
    const int n1 = addNodeWithAddress(0, "1");
    const int n2 = addNodeWithAddress(0, "2");
    const int n3 = addNodeWithAddress(0, "3");
    // Positions: 1:n2 2:n1 3:n2 4:n3 5:n1 6:n3
    for (int n : {n2, n1, n2, n3, n1, n3})
        addCommand(0, n);
    store->command(0, 4).startAddress = "400";
    store->command(0, 6).startAddress = "600";
    store->command(0, 2).startAddress = "200";
    store->command(0, 5).startAddress = "500";
    store->configModified = false;

    ASSERT_TRUE(editor.deleteNode(*store, node(0, n2)));
    const CONFIG &c = store->subnet(0);
    EXPECT_TRUE(store->configModified);
    EXPECT_EQ(c.nodeCount, 2);
    EXPECT_EQ(c.nodes[0].address, "1");
    EXPECT_EQ(c.nodes[1].address, "3"); // the former node 3 is node 2 now
    ASSERT_EQ(c.commandCount, 4);
    const std::pair<const char *, int> expected[] = {{"200", 1}, {"400", 2}, {"500", 1}, {"600", 2}};
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(c.commands[p].startAddress, expected[p].first) << p;
        EXPECT_EQ(c.commands[p].nodeNumber, expected[p].second) << p;
    }
    EXPECT_EQ(shape(buildFromStore(*store)[1]),
              (std::vector<std::pair<int, std::vector<int>>>{{1, {1, 3}}, {2, {2, 4}}}));
    EXPECT_FALSE(editor.flags().deleteNode);
}

TEST_F(TreeEditorTest, DeleteCommandMovesTheFollowingOnesDown)
{
    const int n = addNodeWithAddress(0, "1");
    for (int i = 0; i < 4; ++i) {
        int p = addCommand(0, n);
        store->command(0, p).startAddress = std::to_string(p);
    }
    EXPECT_FALSE(editor.deleteCommand(*store, node(0, n)));
    ASSERT_TRUE(editor.deleteCommand(*store, command(0, 2)));
    const CONFIG &c = store->subnet(0);
    ASSERT_EQ(c.commandCount, 3);
    EXPECT_EQ(c.commands[0].startAddress, "1");
    EXPECT_EQ(c.commands[1].startAddress, "3");
    EXPECT_EQ(c.commands[2].startAddress, "4");
}

TEST_F(TreeEditorTest, OperationsOnTheWrongKindOfItemDoNothing)
{
    const ConfigStore before = *store;
    EXPECT_EQ(editor.addNode(*store, ItemRef{ItemKind::Fieldbus, -1, 0}, prompter, false), 0);
    EXPECT_EQ(editor.addCommand(*store, subnet(0), 2, prompter), 0);
    EXPECT_FALSE(editor.deleteNode(*store, subnet(0)));
    EXPECT_FALSE(editor.deleteCommand(*store, ItemRef{}));
    EXPECT_TRUE(*store == before);
}

TEST_F(TreeEditorTest, CommandChoicesAndTheirFunctionCodes)
{
    const auto choices = commandChoices();
    ASSERT_EQ(choices.size(), 14u);
    const char *prefixes[] = {"01 ", "02 ", "03 ", "04 ", "05 ", "06 ", "07 ", "08 ", "11 ", "12 ", "13 ", "14 ", "15 ", "16 "};
    for (std::size_t i = 0; i < 14; ++i)
        EXPECT_EQ(choices[i].entry.substr(0, 3), prefixes[i]);
    EXPECT_EQ(choices[7].entry, "08 Diagnostics");
    EXPECT_EQ(choices[12].entry, "15 Force Multiple Coils");
    const std::pair<int, const char *> selectable[] = {{0, "1"}, {1, "2"}, {2, "3"}, {3, "4"},
                                                       {4, "5"}, {5, "6"}, {12, "15"}, {13, "16"}};
    for (auto [index, code] : selectable)
        EXPECT_EQ(functionCodeForChoice(index), std::optional<std::string>(code)) << index;
    for (int index : {-1, 6, 7, 8, 9, 10, 11, 14})
        EXPECT_FALSE(functionCodeForChoice(index)) << index;

    setLanguage(Language::Chinese);
    const auto zh = commandChoices();
    setLanguage(Language::English);
    ASSERT_EQ(zh.size(), 14u);
    for (std::size_t i = 0; i < 14; ++i) {
        EXPECT_EQ(zh[i].entry.substr(0, 3), prefixes[i]);
        EXPECT_NE(zh[i].entry, choices[i].entry);
    }
}

TEST_F(TreeEditorTest, EnablingFollowsTheSelection)
{
    const int n = addNodeWithAddress(0, "1");
    addCommand(0, n);
    struct Row {
        ItemRef item;
        EnableFlags flags;
    };
    const Row rows[] = {
        {ItemRef{ItemKind::Fieldbus, -1, 0}, {false, false, false, false}},
        {subnet(0), {true, false, false, false}},
        {node(0, 1), {true, true, true, false}},
        {command(0, 1), {false, false, false, true}},
        {ItemRef{}, {false, false, false, false}},
    };
    for (const Row &r : rows) {
        editor.selectionChanged(*store, r.item);
        EXPECT_EQ(editor.flags(), r.flags) << static_cast<int>(r.item.kind);
    }
    store->subnet(0).protocol = text(StrId::ProtocolUserConfig);
    editor.selectionChanged(*store, subnet(0));
    EXPECT_EQ(editor.flags(), EnableFlags{});
}

TEST_F(TreeEditorTest, OneNodeRuleWithModelFlag4)
{
    store->modelFlag4 = true;
    store->gatewayType = 2;
    editor.selectionChanged(*store, subnet(0));
    EXPECT_TRUE(editor.flags().addNode);
    addNodeWithAddress(0, "1");
    for (ItemRef item : {subnet(0), node(0, 1), subnet(1)}) {
        editor.selectionChanged(*store, item);
        EXPECT_FALSE(editor.flags().addNode);
        EXPECT_TRUE(editor.contextMenuRequested(*store, item));
        EXPECT_FALSE(editor.flags().addNode);
    }
    // From the context menu, the flag is re-evaluated right after the node was added.
    store->modelFlag4 = false;
    store->subnet(0).nodeCount = 0;
    editor.contextMenuRequested(*store, subnet(0));
    EXPECT_TRUE(editor.flags().addNode);
    store->modelFlag4 = true;
    editor.addNode(*store, subnet(0), prompter, true);
    EXPECT_FALSE(editor.flags().addNode);
}

TEST_F(TreeEditorTest, ContextMenuOnlyForModbusMasterSubnets)
{
    addNodeWithAddress(0, "1");
    EXPECT_FALSE(editor.contextMenuRequested(*store, ItemRef{ItemKind::Fieldbus, -1, 0}));
    EXPECT_EQ(editor.flags(), EnableFlags{});
    EXPECT_FALSE(editor.contextMenuRequested(*store, ItemRef{}));
    EXPECT_TRUE(editor.contextMenuRequested(*store, node(0, 1)));
    EXPECT_EQ(editor.flags(), (EnableFlags{true, true, true, false}));
    store->subnet(0).protocol = text(StrId::ProtocolModbusSlave);
    EXPECT_FALSE(editor.contextMenuRequested(*store, node(0, 1)));
    EXPECT_EQ(editor.flags(), EnableFlags{});
}

TEST_F(TreeEditorTest, CopyNeedsAnAddressedNode)
{
    EXPECT_FALSE(TreeEditor::canCopyNode(node(0, 1), "New Node"));
    EXPECT_FALSE(TreeEditor::canCopyNode(subnet(0), "Node-5"));
    EXPECT_TRUE(TreeEditor::canCopyNode(node(0, 1), "Node-5"));
    editor.copyNode(node(0, 1), "New Node");
    EXPECT_FALSE(editor.hasCopy());
    editor.copyNode(node(0, 1), "Node-5");
    EXPECT_TRUE(editor.hasCopy());
    EXPECT_FALSE(editor.canPasteNode(subnet(0)));
    EXPECT_TRUE(editor.canPasteNode(node(1, 1)));
    editor.reset();
    EXPECT_FALSE(editor.hasCopy());
}

TEST_F(TreeEditorTest, PasteCopiesTheSourceCommandsAsTheyAreNow)
{
    store->gatewayType = 2;
    const int src = addNodeWithAddress(0, "7");
    const int other = addNodeWithAddress(0, "8");
    for (int n : {src, other, src}) {
        int p = addCommand(0, n, 4);
        COMMAND &c = store->command(0, p);
        c.startAddress = std::to_string(100 + p);
        c.mappingAddress = "40" + std::to_string(p);
        c.mappingBit = "3";
        c.byteCount = "2";
        c.dataFormat = "Low byte";
        c.scanType = "Slow-scan";
    }
    editor.copyNode(node(0, src), "Node-7");
    // Changed after the copy: the paste takes what the source holds at paste time.
    store->command(0, 3).startAddress = "999";
    const int target = addNodeWithAddress(1, "1");
    store->configModified = false;

    const int pasted = editor.pasteNode(*store, node(1, target), prompter);
    ASSERT_EQ(pasted, 2);
    EXPECT_TRUE(store->configModified);
    const CONFIG &c = store->subnet(1);
    EXPECT_EQ(c.nodes[1], (NODE{"-1", "New Node"}));
    ASSERT_EQ(c.commandCount, 2);
    // The byte count is derived from the one coil, not the source's stale "2".
    const std::vector<std::string> expected[] = {
        {"-1", "5", "1", "101", "401", "3", "1", "Low byte", "Slow-scan"},
        {"-1", "5", "1", "999", "403", "3", "1", "Low byte", "Slow-scan"},
    };
    for (int p = 0; p < 2; ++p) {
        const COMMAND &cmd = c.commands[p];
        EXPECT_EQ(cmd.nodeNumber, pasted);
        EXPECT_EQ((std::vector<std::string>{cmd.slaveAddress, cmd.functionCode, cmd.quantity, cmd.startAddress,
                                            cmd.mappingAddress, cmd.mappingBit, cmd.byteCount, cmd.dataFormat,
                                            cmd.scanType}),
                  expected[p]);
    }
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(TreeEditorTest, PasteIntoTheSameSubnetWorks)
{
    const int src = addNodeWithAddress(0, "7");
    addCommand(0, src);
    addCommand(0, src);
    editor.copyNode(node(0, src), "Node-7");
    ASSERT_EQ(editor.pasteNode(*store, node(0, src), prompter), 2);
    EXPECT_EQ(store->subnet(0).commandCount, 4);
    EXPECT_EQ(store->command(0, 4).nodeNumber, 2);
}

TEST_F(TreeEditorTest, PasteStopsAtTheCommandLimit)
{
    const int src = addNodeWithAddress(0, "7");
    for (int i = 0; i < 3; ++i)
        addCommand(0, src);
    editor.copyNode(node(0, src), "Node-7");
    const int filler = addNodeWithAddress(1, "2");
    for (int i = 0; i < 127; ++i)
        ASSERT_GT(addCommand(1, filler), 0);

    const int pasted = editor.pasteNode(*store, node(1, filler), prompter);
    EXPECT_EQ(pasted, 2);
    EXPECT_EQ(store->subnet(1).nodeCount, 2);
    EXPECT_EQ(store->subnet(1).commandCount, 128);
    EXPECT_EQ(store->command(1, 128).nodeNumber, 2);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Command number go beyond the limit!"});
}

TEST_F(TreeEditorTest, PasteStopsWhenTheNodeLimitRefusesTheNode)
{
    const int src = addNodeWithAddress(0, "7");
    addCommand(0, src);
    editor.copyNode(node(0, src), "Node-7");
    for (int i = 0; i < 128; ++i)
        addNodeWithAddress(1, std::to_string(i));
    const int before = store->subnet(1).commandCount;
    EXPECT_EQ(editor.pasteNode(*store, node(1, 128), prompter), 0);
    EXPECT_EQ(store->subnet(1).commandCount, before);
    EXPECT_EQ(store->subnet(1).nodeCount, 128);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Node number go beyond the limit!"});
}

} // namespace
} // namespace tqv
