#include "editor/EditorSession.h"
#include "support/StoreHelpers.h"
#include "resources/Strings.h"
#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tqv {
namespace {

ConfigStore content(const ConfigStore &s) { return testing::historyContent(s); }

constexpr ItemRef kSubnet{ItemKind::Subnet, 0, 0};
constexpr ItemRef kFieldbus{ItemKind::Fieldbus, -1, 0};
ItemRef node(int n) { return {ItemKind::Node, 0, n}; }
ItemRef command(int k) { return {ItemKind::Command, 0, k}; }

class EditorSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        session.startFresh();
    }
    ConfigStore &store() { return session.store(); }
    CommitResult type(const ItemRef &item, int row, const std::string &text)
    {
        session.select(item);
        return session.commitText(CommitTarget{item, row}, text, true, false, prompter);
    }
    CommitResult pick(const ItemRef &item, int row, const std::string &text)
    {
        session.select(item);
        return session.commitPick(CommitTarget{item, row}, text, true);
    }
    // Two nodes on subnet 1; node 1 holds commands 1 and 3 (Read Holding Registers), node 2
    // command 2 (Force Multiple Coils).
    void twoNodes()
    {
        ASSERT_EQ(session.addNode(kSubnet, prompter, false), 1);
        ASSERT_EQ(session.addNode(kSubnet, prompter, false), 2);
        ASSERT_EQ(session.addCommand(node(1), 2, prompter), 1);
        ASSERT_EQ(session.addCommand(node(2), 12, prompter), 2);
        ASSERT_EQ(session.addCommand(node(1), 2, prompter), 3);
    }

    EditorSession session;
    RecordingPrompter prompter;
};

// Every kind of edit is one step: undo gives back the configuration before it (unmodified, at the
// saved point), redo the one after it (modified).
TEST_F(EditorSessionTest, EveryKindOfEditUndoesAndRedoes)
{
    struct Edit {
        const char *what;
        std::function<void()> act;
    };
    const Edit edits[] = {
        {"grid value", [&] { type(kSubnet, 7, "2500"); }},
        {"list pick", [&] { pick(kFieldbus, 3, "Hold  Data"); }},
        {"add node", [&] { EXPECT_EQ(session.addNode(kSubnet, prompter, false), 1); }},
        {"node address", [&] { EXPECT_EQ(type(node(1), 0, "5").renamedNode, std::optional<std::string>("Node-5")); }},
        {"add command", [&] { EXPECT_EQ(session.addCommand(node(1), 2, prompter), 1); }},
        {"second command", [&] { EXPECT_EQ(session.addCommand(node(1), 12, prompter), 2); }},
        {"paste node",
         [&] {
             session.treeEditor().copyNode(node(1), "Node-5");
             EXPECT_EQ(session.pasteNode(node(1), prompter), 2);
             EXPECT_EQ(store().subnet(0).commandCount, 4);
         }},
        {"mapping address", [&] { EXPECT_TRUE(session.mappingAddress(prompter)); }},
        {"delete command", [&] { EXPECT_EQ(session.deleteCommand(command(1)), std::optional(command(1))); }},
        {"delete node", [&] { EXPECT_EQ(session.deleteNode(node(1)), std::optional(node(1))); }},
        {"protocol",
         [&] {
             pick(kSubnet, 0, "User Config");
             EXPECT_FALSE(session.mappingCommands());
         }},
    };
    for (const Edit &e : edits) {
        SCOPED_TRACE(e.what);
        store().configModified = false;
        session.markSaved();
        const ConfigStore before = content(store());
        const std::size_t steps = session.history().undoCount();
        e.act();
        const ConfigStore after = content(store());
        EXPECT_FALSE(after == before);
        EXPECT_TRUE(session.modified());
        EXPECT_EQ(session.history().undoCount(), steps + 1);
        ASSERT_TRUE(session.undo());
        EXPECT_TRUE(content(store()) == before);
        EXPECT_FALSE(session.modified());
        ASSERT_TRUE(session.redo());
        EXPECT_TRUE(content(store()) == after);
        EXPECT_TRUE(session.modified());
        EXPECT_FALSE(session.canRedo());
    }
    // The protocol change switched the mapping commands off; undone, they are back with the nodes.
    ASSERT_TRUE(session.undo());
    EXPECT_TRUE(session.mappingCommands());
    EXPECT_EQ(store().subnet(0).nodeCount, 1);
}

// The modified flag follows the saved point: what stores the same text, a refused value and a
// cancelled question add no step and leave the document as it was; undoing back to the saved
// point clears the flag; after an edit past an undone saved point it is never reached again.
TEST_F(EditorSessionTest, ModifiedFollowsTheSavedPoint)
{
    type(kSubnet, 7, "2500");
    EXPECT_TRUE(session.modified());
    store().configModified = false; // written to its file
    session.markSaved();

    struct NoChange {
        const char *what;
        std::function<void()> act;
    };
    const NoChange noChanges[] = {
        {"the stored text again", [&] { type(kSubnet, 7, "2500"); }},
        {"the stored pick again", [&] { pick(kFieldbus, 3, store().subnet(0).timeoutAction); }},
        {"a refused value put back", [&] { EXPECT_TRUE(type(kSubnet, 7, "100").refusal); }},
        {"a refused value with a message",
         [&] {
             type(kSubnet, 20, "7000");
             EXPECT_EQ(prompter.messages.size(), 1u);
         }},
        {"mapping answered No",
         [&] {
             prompter.answers = {false};
             EXPECT_FALSE(session.mappingAddress(prompter));
         }},
        {"an edit that changes nothing", [&] { EXPECT_FALSE(session.applyEdit([](ConfigStore &) {})); }},
    };
    for (const NoChange &c : noChanges) {
        SCOPED_TRACE(c.what);
        prompter = RecordingPrompter{};
        c.act();
        EXPECT_FALSE(session.modified());
        EXPECT_EQ(session.history().undoCount(), 1u);
        EXPECT_FALSE(session.canRedo());
    }

    EXPECT_TRUE(session.applyEdit([](ConfigStore &s) { s.subnet(0).responseTimeout = "3000"; }));
    EXPECT_TRUE(session.modified());
    EXPECT_TRUE(session.undo());
    EXPECT_FALSE(session.modified());
    EXPECT_TRUE(session.undo());
    EXPECT_TRUE(session.modified());
    EXPECT_FALSE(session.undo());
    EXPECT_TRUE(session.redo());
    EXPECT_FALSE(session.modified());
    EXPECT_TRUE(session.undo());
    type(kSubnet, 7, "2500"); // the saved value again, but not the saved point
    EXPECT_TRUE(session.modified());
    EXPECT_FALSE(session.canRedo());
    EXPECT_TRUE(session.undo());
    EXPECT_TRUE(session.modified());

    // A fresh history counts the store as saved unless it says it is modified.
    store().configModified = true;
    session.startFresh();
    EXPECT_FALSE(session.canUndo());
    EXPECT_FALSE(session.applyEdit([](ConfigStore &) {}));
    EXPECT_TRUE(session.modified());
}

// An action that starts inside another is a step of its own, and so are the outer action's
// changes before and after it; undo and redo wait until the outer action is done.
TEST_F(EditorSessionTest, NestedActionsAreStepsOfTheirOwn)
{
    {
        const EditorSession::Step outer(session);
        store().subnet(0).responseTimeout = "1000";
        EXPECT_FALSE(session.canUndo());
        type(kSubnet, 7, "2500");
        EXPECT_FALSE(session.undo());
        store().subnet(0).responseTimeout = "2000";
    }
    EXPECT_EQ(session.history().undoCount(), 3u);
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(store().subnet(0).responseTimeout, "2500");

    // A batch is one step, whatever actions run inside it.
    const std::string before = store().subnet(0).pollDelay;
    {
        const EditorSession::Batch batch(session);
        type(kSubnet, 7, "3000");
        type(kSubnet, 8, "100");
    }
    EXPECT_EQ(session.history().undoCount(), 3u);
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(store().subnet(0).responseTimeout, "2500");
    EXPECT_EQ(store().subnet(0).pollDelay, before);
}

// Items are named by what they are: the tree carries every item's reference, and the references
// stay good through a mapping pass, a paste and an upload that brings the same layout with other
// labels.
TEST_F(EditorSessionTest, ItemReferencesSurviveMappingPasteAndUpload)
{
    twoNodes();
    const TreeDescription tree = buildFromStore(store());
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].ref, kFieldbus);
    EXPECT_EQ(tree[1].ref, kSubnet);
    EXPECT_EQ(tree[1].children[1].ref, node(2));
    EXPECT_EQ(tree[1].children[0].children[1].ref, command(3));
    EXPECT_EQ(findTreeItem(tree, command(2))->label, "Force Multiple Coils");
    EXPECT_EQ(findTreeItem(tree, ItemRef{ItemKind::Command, 1, 2}), nullptr);
    EXPECT_EQ(findTreeItem(tree, ItemRef{}), nullptr);

    ASSERT_TRUE(session.mappingAddress(prompter));
    EXPECT_EQ(settleSelection(buildFromStore(store()), command(3), 1), command(3));
    EXPECT_EQ(findTreeItem(buildFromStore(store()), command(3))->label, "Read Holding Registers");

    type(node(1), 0, "5");
    session.treeEditor().copyNode(node(1), store().node(0, 1).name);
    const int pasted = session.pasteNode(node(1), prompter);
    ASSERT_EQ(pasted, 3);
    const TreeDescription afterPaste = buildFromStore(store());
    EXPECT_EQ(findTreeItem(afterPaste, command(2))->label, "Force Multiple Coils");
    EXPECT_EQ(findTreeItem(afterPaste, node(pasted))->children.size(), 2u);

    ConfigStore uploaded = store();
    uploaded.node(0, 2).name = "Node-99";
    store() = uploaded;
    session.startFresh();
    EXPECT_EQ(settleSelection(buildFromStore(store()), node(2), 0), node(2));
    EXPECT_EQ(findTreeItem(buildFromStore(store()), node(2))->label, "Node-99");
    EXPECT_EQ(countsOf(store()).subnets, 1);
    EXPECT_EQ(countsOf(store()).commands, 5);
}

// A selection that is gone lands on its nearest neighbour under the same parent, else on the
// parent: command, node, subnet.
TEST_F(EditorSessionTest, APlaceThatIsGoneLandsOnItsNeighbourThenItsParent)
{
    twoNodes();
    const TreeDescription tree = buildFromStore(store());
    struct Row {
        ItemRef selected;
        int node;
        ItemRef lands;
    };
    const Row rows[] = {
        {command(3), 1, command(3)},
        {command(9), 1, command(3)},  // nearest command of its node
        {command(4), 2, command(2)},
        {node(5), 0, node(2)},        // nearest node
        {kSubnet, 0, kSubnet},
        {kFieldbus, 0, kFieldbus},
        {ItemRef{ItemKind::Node, 1, 1}, 0, ItemRef{}}, // a subnet the type does not have
        {ItemRef{}, 0, ItemRef{}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(settleSelection(tree, r.selected, r.node), r.lands) << static_cast<int>(r.selected.kind) << r.selected.number;

    // Node 2 without commands: its command lands on the node; without nodes, on the subnet.
    ASSERT_TRUE(session.deleteCommand(command(2)));
    EXPECT_EQ(settleSelection(buildFromStore(store()), command(3), 2), node(2));
    ASSERT_TRUE(session.deleteNode(node(2)));
    ASSERT_TRUE(session.deleteNode(node(1)));
    EXPECT_EQ(settleSelection(buildFromStore(store()), command(1), 1), kSubnet);
    EXPECT_EQ(settleSelection(buildFromStore(store()), node(1), 0), kSubnet);
}

// After a delete: the command below in the same node, else the one above, else the node; the
// node below, else the one above, else the subnet.
TEST_F(EditorSessionTest, DeletingSelectsTheNextItem)
{
    twoNodes();
    EXPECT_EQ(session.deleteCommand(command(1)), std::optional(command(2))); // node 1's other command, moved up
    ASSERT_EQ(session.addCommand(node(1), 2, prompter), 3);
    EXPECT_EQ(session.deleteCommand(command(3)), std::optional(command(2))); // the one above
    EXPECT_EQ(session.deleteCommand(command(2)), std::optional(node(1)));
    EXPECT_EQ(session.deleteCommand(node(1)), std::nullopt);
    EXPECT_EQ(session.deleteNode(node(1)), std::optional(node(1)));
    EXPECT_EQ(session.addNode(kSubnet, prompter, false), 2);
    EXPECT_EQ(session.deleteNode(node(2)), std::optional(node(1)));
    EXPECT_EQ(session.deleteNode(node(1)), std::optional(kSubnet));
    EXPECT_EQ(session.deleteNode(kSubnet), std::nullopt);
}

// "Mapping Address" reports what it did: the commands it addressed and the bytes in conflict.
TEST_F(EditorSessionTest, MappingReportsWhatItDid)
{
    twoNodes();
    std::optional<MappingSummary> done = session.mappingAddress(prompter);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->addressed, 3);
    EXPECT_EQ(done->conflictBytes, 0);
    EXPECT_FALSE(done->incomplete);
    EXPECT_FALSE(session.state().incompleteInformation);

    session.applyEdit([](ConfigStore &s) { s.command(0, 1).quantity = "123"; }); // 246 bytes: beyond 244
    done = session.mappingAddress(prompter);
    ASSERT_TRUE(done);
    EXPECT_TRUE(done->incomplete);
    EXPECT_TRUE(session.state().incompleteInformation);
    ASSERT_TRUE(session.undo());
    EXPECT_FALSE(session.state().incompleteInformation);
}

} // namespace
} // namespace tqv
