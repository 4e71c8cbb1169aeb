#include "editor/TreeEditor.h"
#include "editor/UndoHistory.h"
#include "editor/ValueCommit.h"
#include "mapping/MappingPass.h"
#include "resources/Strings.h"

#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace tqv {
namespace {

// The part of a store the history answers for: everything but the document flags.
ConfigStore content(const ConfigStore &s)
{
    ConfigStore c = s;
    c.configModified = false;
    c.uploadPending = false;
    c.keepConfigOnNew = false;
    c.fileVersion = 500;
    return c;
}

class UndoHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        s = std::make_unique<ConfigStore>();
        s->newConfiguration();
    }
    // One user action through the history; returns whether it recorded a step.
    bool act(const std::function<void(ConfigStore &, EditorMarks &)> &edit)
    {
        history.begin(*s, marks);
        edit(*s, marks);
        return history.commit(*s, marks);
    }
    // An action that changes one grid value of subnet 1.
    bool setTimeout(const std::string &value)
    {
        return act([&](ConfigStore &st, EditorMarks &) { st.subnet(0).responseTimeout = value; });
    }
    int addNode(const std::string &address)
    {
        const int n = editor.addNode(*s, ItemRef{ItemKind::Subnet, 0, 0}, prompter, false);
        s->node(0, n) = NODE{address, "Node-" + address};
        return n;
    }

    std::unique_ptr<ConfigStore> s;
    EditorMarks marks;
    UndoHistory history;
    TreeEditor editor;
    RecordingPrompter prompter;
};

// Every kind of record the state is made of comes back exactly on undo and again on redo, and the
// document flags beside it are left as they are.
TEST_F(UndoHistoryTest, EveryPartOfTheStateUndoesAndRedoes)
{
    addNode("3");
    addNode("4");
    s->command(0, 1).functionCode = "3";
    s->subnet(0).commandCount = 1;
    const struct {
        const char *what;
        std::function<void(ConfigStore &, EditorMarks &)> edit;
    } cases[] = {
        {"fieldbus value", [](ConfigStore &st, EditorMarks &) { st.fieldbus.inputSize = "77"; }},
        {"subnet value", [](ConfigStore &st, EditorMarks &) { st.subnet(2).masterBaud = "4800"; }},
        {"node count", [](ConfigStore &st, EditorMarks &) { st.subnet(0).nodeCount = 1; }},
        {"node record", [](ConfigStore &st, EditorMarks &) { st.node(0, 2).name = "Node-99"; }},
        {"command record", [](ConfigStore &st, EditorMarks &) { st.command(0, 1).mappingAddress = "4A"; }},
        {"slot beyond the count", [](ConfigStore &st, EditorMarks &) { st.subnet(3).commands[127].quantity = "9"; }},
        {"gateway type", [](ConfigStore &st, EditorMarks &) { st.gatewayType = 4; }},
        {"model flag", [](ConfigStore &st, EditorMarks &) { st.modelFlag7 = false; st.modelFlag2 = true; }},
        {"long texts", [](ConfigStore &st, EditorMarks &) {
             st.subnet(1).startChar = std::string(200, 'x');
             st.node(1, 128).name = std::string(90, 'y');
         }},
        {"several at once", [](ConfigStore &st, EditorMarks &) {
             st.fieldbus.ipAddress = "10.0.0.7";
             st.subnet(0).protocol = "Modbus slave";
             st.node(0, 1).address = "12";
             st.command(0, 1).slaveAddress = "12";
         }},
        {"marks only", [](ConfigStore &, EditorMarks &m) { m.mappingCommands = false; m.incompleteInformation = true; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ConfigStore before = content(*s);
        const EditorMarks marksBefore = marks;
        ASSERT_TRUE(act(c.edit));
        const ConfigStore after = content(*s);
        const EditorMarks marksAfter = marks;

        s->configModified = true;
        s->uploadPending = true;
        s->keepConfigOnNew = true;
        s->fileVersion = 321;
        ASSERT_TRUE(history.undo(*s, marks));
        EXPECT_TRUE(content(*s) == before);
        EXPECT_EQ(marks, marksBefore);
        EXPECT_TRUE(s->configModified && s->uploadPending && s->keepConfigOnNew);
        EXPECT_EQ(s->fileVersion, 321u);
        ASSERT_TRUE(history.redo(*s, marks));
        EXPECT_TRUE(content(*s) == after);
        EXPECT_EQ(marks, marksAfter);
        // Undo and redo once more: the step holds the right side after each swap.
        ASSERT_TRUE(history.undo(*s, marks));
        EXPECT_TRUE(content(*s) == before);
        ASSERT_TRUE(history.redo(*s, marks));
        EXPECT_TRUE(content(*s) == after);
    }
    EXPECT_EQ(history.undoCount(), std::size(cases));
}

// The editor's own operations, each as one step: undoing the whole sequence gives back the start,
// redoing it gives back the end, and every point in between matches on the way.
TEST_F(UndoHistoryTest, TreeGridAndMappingEditsWalkBackAndForth)
{
    std::vector<ConfigStore> states{content(*s)};
    auto record = [&](const char *what, const std::function<void()> &edit) {
        SCOPED_TRACE(what);
        history.begin(*s, marks);
        edit();
        ASSERT_TRUE(history.commit(*s, marks));
        states.push_back(content(*s));
    };
    const ItemRef subnet{ItemKind::Subnet, 0, 0};
    record("add node", [&] { addNode("5"); });
    record("add node", [&] { addNode("6"); });
    record("add command", [&] { editor.addCommand(*s, ItemRef{ItemKind::Node, 0, 1}, 2, prompter); });
    record("add command", [&] { editor.addCommand(*s, ItemRef{ItemKind::Node, 0, 2}, 12, prompter); });
    record("grid value", [&] {
        commitEditText(*s, CommitTarget{ItemRef{ItemKind::Node, 0, 2}, 0}, "9", true, false, prompter);
    });
    record("copy and paste node", [&] {
        editor.copyNode(ItemRef{ItemKind::Node, 0, 1}, "Node-5");
        ASSERT_NE(editor.pasteNode(*s, ItemRef{ItemKind::Node, 0, 1}, prompter), 0);
    });
    record("mapping pass", [&] {
        MappingPass::run(*s, prompter);
        marks.incompleteInformation = true;
    });
    record("delete command", [&] { editor.deleteCommand(*s, ItemRef{ItemKind::Command, 0, 1}); });
    record("delete node", [&] { editor.deleteNode(*s, ItemRef{ItemKind::Node, 0, 1}); });
    record("protocol", [&] {
        commitListPick(*s, CommitTarget{subnet, 0}, "Modbus slave", true);
        marks.mappingCommands = false;
    });
    ASSERT_EQ(s->subnet(0).protocol, "Modbus slave");

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(history.undo(*s, marks));
        ASSERT_TRUE(content(*s) == states[i - 1]) << "after undoing to " << i - 1;
    }
    EXPECT_FALSE(history.undo(*s, marks));
    EXPECT_EQ(marks, EditorMarks{});
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(history.redo(*s, marks));
        ASSERT_TRUE(content(*s) == states[i]) << "after redoing to " << i;
    }
    EXPECT_FALSE(history.redo(*s, marks));
    EXPECT_EQ(marks, (EditorMarks{false, true}));
}

TEST_F(UndoHistoryTest, AnActionThatChangesNothingIsNoStep)
{
    EXPECT_FALSE(act([](ConfigStore &st, EditorMarks &) { st.subnet(0).responseTimeout = st.subnet(0).responseTimeout; }));
    // The document flags alone are no edit either.
    EXPECT_FALSE(act([](ConfigStore &st, EditorMarks &) {
        st.configModified = true;
        st.fileVersion = 7;
    }));
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.modified());
    // Without begin() there is nothing to compare with.
    s->subnet(0).responseTimeout = "999";
    EXPECT_FALSE(history.commit(*s, marks));
    EXPECT_EQ(history.undoCount(), 0u);
}

TEST_F(UndoHistoryTest, NoUndoWhileAnActionIsOpen)
{
    ASSERT_TRUE(setTimeout("10"));
    history.begin(*s, marks);
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo(*s, marks));
    EXPECT_TRUE(history.commit(*s, marks) == false);
    EXPECT_TRUE(history.canUndo());
}

TEST_F(UndoHistoryTest, ANewEditDropsTheRedoSteps)
{
    ASSERT_TRUE(setTimeout("10"));
    ASSERT_TRUE(setTimeout("20"));
    ASSERT_TRUE(setTimeout("30"));
    ASSERT_TRUE(history.undo(*s, marks));
    ASSERT_TRUE(history.undo(*s, marks));
    EXPECT_EQ(history.redoCount(), 2u);
    ASSERT_TRUE(setTimeout("40"));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoCount(), 2u);
    ASSERT_TRUE(history.undo(*s, marks));
    EXPECT_EQ(s->subnet(0).responseTimeout, "10");
    ASSERT_TRUE(history.redo(*s, marks));
    EXPECT_EQ(s->subnet(0).responseTimeout, "40");
}

TEST_F(UndoHistoryTest, TheSavedPointIsWhereTheDocumentIsUnmodified)
{
    EXPECT_FALSE(history.modified());
    ASSERT_TRUE(setTimeout("10"));
    EXPECT_TRUE(history.modified());
    ASSERT_TRUE(setTimeout("20"));
    history.markSaved();
    EXPECT_FALSE(history.modified());
    ASSERT_TRUE(setTimeout("30"));
    EXPECT_TRUE(history.modified());
    history.undo(*s, marks);
    EXPECT_FALSE(history.modified());
    history.undo(*s, marks);
    EXPECT_TRUE(history.modified());
    history.undo(*s, marks);
    EXPECT_TRUE(history.modified()); // the start was not what the file holds any more
    history.redo(*s, marks);
    history.redo(*s, marks);
    EXPECT_FALSE(history.modified());
    history.redo(*s, marks);
    EXPECT_TRUE(history.modified());
}

TEST_F(UndoHistoryTest, AnEditAfterUndoingPastTheSavedPointNeverReachesItAgain)
{
    ASSERT_TRUE(setTimeout("10"));
    ASSERT_TRUE(setTimeout("20"));
    history.markSaved();
    history.undo(*s, marks);
    history.undo(*s, marks);
    ASSERT_TRUE(setTimeout("11"));
    ASSERT_TRUE(setTimeout("21")); // as many steps as the saved point had
    EXPECT_TRUE(history.modified());
    while (history.undo(*s, marks))
        EXPECT_TRUE(history.modified());
    while (history.redo(*s, marks))
        EXPECT_TRUE(history.modified());
}

TEST_F(UndoHistoryTest, AFreshHistory)
{
    ASSERT_TRUE(setTimeout("10"));
    history.undo(*s, marks);
    history.reset();
    EXPECT_FALSE(history.canUndo() || history.canRedo());
    EXPECT_FALSE(history.modified());
    EXPECT_EQ(history.bytes(), 0u);
    // An uploaded configuration that does not match any file starts modified, and stays so.
    history.reset(false);
    EXPECT_TRUE(history.modified());
    ASSERT_TRUE(setTimeout("20"));
    history.undo(*s, marks);
    EXPECT_TRUE(history.modified());
    // An action left open by the reset is not recorded.
    history.begin(*s, marks);
    history.reset();
    s->subnet(0).responseTimeout = "30";
    EXPECT_FALSE(history.commit(*s, marks));
}

TEST_F(UndoHistoryTest, TheOldestStepsGoBeyondTheStepLimit)
{
    UndoHistory small(UndoLimits{3, std::size_t{1} << 30});
    for (int i = 1; i <= 5; ++i) {
        small.begin(*s, marks);
        s->subnet(0).responseTimeout = std::to_string(i * 100);
        ASSERT_TRUE(small.commit(*s, marks));
    }
    EXPECT_EQ(small.undoCount(), 3u);
    while (small.undo(*s, marks)) {
    }
    EXPECT_EQ(s->subnet(0).responseTimeout, "200");
    // The saved point (the start) went with the dropped steps: nothing is unmodified any more.
    EXPECT_TRUE(small.modified());
    while (small.redo(*s, marks))
        EXPECT_TRUE(small.modified());
    EXPECT_EQ(s->subnet(0).responseTimeout, "500");
}

TEST_F(UndoHistoryTest, TheOldestStepsGoBeyondTheByteBudgetButTheNewestStays)
{
    // About 40 KB per step: one long text in each of the 128 command slots of a subnet.
    auto bigEdit = [&](UndoHistory &h, char c) {
        h.begin(*s, marks);
        for (COMMAND &cmd : s->subnet(1).commands)
            cmd.dataFormat = std::string(300, c);
        return h.commit(*s, marks);
    };
    UndoHistory budget(UndoLimits{100, 200'000});
    ASSERT_TRUE(bigEdit(budget, 'a'));
    ASSERT_TRUE(bigEdit(budget, 'b'));
    ASSERT_TRUE(bigEdit(budget, 'c'));
    EXPECT_LE(budget.bytes(), 200'000u);
    EXPECT_EQ(budget.undoCount(), 2u);
    EXPECT_GT(budget.bytes(), 2u * 128 * 300);

    UndoHistory tiny(UndoLimits{100, 1000});
    ASSERT_TRUE(bigEdit(tiny, 'd'));
    EXPECT_EQ(tiny.undoCount(), 1u);
    ASSERT_TRUE(tiny.undo(*s, marks));
    EXPECT_EQ(s->subnet(1).commands[5].dataFormat, std::string(300, 'c'));
}

// The memory figure for the largest project: four full subnets, each action rewriting every
// command of two of them (a mapping pass on the Ethernet gateway) or shifting a whole subnet (a
// node deleted from the front). Prints the bytes; the history must stay within its budget.
TEST_F(UndoHistoryTest, LargestProjectStaysWithinTheBudget)
{
    for (int sn = 0; sn < kSubnetCount; ++sn) {
        CONFIG &c = s->subnet(sn);
        c.nodeCount = kMaxNodes;
        c.commandCount = kMaxCommands;
        for (int i = 0; i < kMaxNodes; ++i)
            c.nodes[static_cast<std::size_t>(i)] = NODE{std::to_string(i + 1), "Node-" + std::to_string(i + 1)};
        for (int i = 0; i < kMaxCommands; ++i)
            c.commands[static_cast<std::size_t>(i)] =
                COMMAND{std::to_string(i + 1), "3", "40001", "10", "0", "0", "20", "Double byte exchange",
                        "CRC", "Quick scan", i + 1};
    }
    const std::size_t oneStore = storeBytes(*s);
    for (int round = 0; round < 300; ++round) {
        history.begin(*s, marks);
        if (round % 3 == 2) {
            const int sn = round % kSubnetCount;
            editor.deleteNode(*s, ItemRef{ItemKind::Node, sn, 1});
            ASSERT_TRUE(s->addNode(sn));
        } else {
            for (int sn = 0; sn < 2; ++sn)
                for (COMMAND &cmd : s->subnet(sn).commands)
                    cmd.mappingAddress = std::to_string(4000 + round);
        }
        ASSERT_TRUE(history.commit(*s, marks));
        ASSERT_LE(history.bytes(), history.limits().maxBytes);
    }
    std::printf("largest project: one store %zu bytes; history %zu bytes in %zu steps (budget %zu bytes, "
                "%zu steps)\n",
                oneStore, history.bytes(), history.undoCount(), history.limits().maxBytes,
                history.limits().maxSteps);
    EXPECT_LE(history.undoCount(), history.limits().maxSteps);
    EXPECT_GT(history.undoCount(), 0u);
    // A whole-subnet step is far smaller than a copy of the store would be.
    EXPECT_LT(history.bytes() / history.undoCount(), oneStore / 2);
    // What is kept still undoes correctly.
    const std::string newest = s->command(1, 128).mappingAddress;
    ASSERT_TRUE(history.undo(*s, marks));
    ASSERT_TRUE(history.undo(*s, marks));
    EXPECT_NE(s->command(1, 128).mappingAddress, newest);
    ASSERT_TRUE(history.redo(*s, marks));
    ASSERT_TRUE(history.redo(*s, marks));
    EXPECT_EQ(s->command(1, 128).mappingAddress, newest);
}

} // namespace
} // namespace tqv
