#include "editor/TreeEditor.h"
#include "support/StoreHelpers.h"
#include "editor/UndoHistory.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace tqv {
namespace {

ConfigStore content(const ConfigStore &s) { return testing::historyContent(s); }

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

    std::unique_ptr<ConfigStore> s;
    EditorMarks marks;
    UndoHistory history;
};

// Every kind of record the state is made of comes back exactly on undo and again on redo, and the
// document flags beside it are left as they are.
TEST_F(UndoHistoryTest, EveryPartOfTheStateUndoesAndRedoes)
{
    ASSERT_TRUE(s->addNode(0) && s->addNode(0) && s->addCommand(0, 1, "3"));
    const struct {
        const char *what;
        std::function<void(ConfigStore &, EditorMarks &)> edit;
    } cases[] = {
        {"fieldbus value", [](ConfigStore &st, EditorMarks &) { st.fieldbus.inputSize = "77"; }},
        {"subnet value", [](ConfigStore &st, EditorMarks &) { st.subnet(2).masterBaud = "4800"; }},
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

TEST_F(UndoHistoryTest, OnlyRealChangesAreSteps)
{
    // The same value again, or the document flags alone, are no edit.
    EXPECT_FALSE(setTimeout(s->subnet(0).responseTimeout));
    EXPECT_FALSE(act([](ConfigStore &st, EditorMarks &) {
        st.configModified = true;
        st.fileVersion = 7;
    }));
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.modified());
    // Without begin() there is nothing to compare with; while an action is open, no undo.
    s->subnet(0).responseTimeout = "999";
    EXPECT_FALSE(history.commit(*s, marks));
    ASSERT_TRUE(setTimeout("10"));
    history.begin(*s, marks);
    EXPECT_FALSE(history.undo(*s, marks));
    history.commit(*s, marks);
    EXPECT_TRUE(history.undo(*s, marks));
    EXPECT_EQ(s->subnet(0).responseTimeout, "999");
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

TEST_F(UndoHistoryTest, TheOldestStepsGoBeyondEitherLimitButTheNewestStays)
{
    UndoHistory few(UndoLimits{3, std::size_t{1} << 30});
    for (int i = 1; i <= 5; ++i) {
        few.begin(*s, marks);
        s->subnet(0).responseTimeout = std::to_string(i * 100);
        ASSERT_TRUE(few.commit(*s, marks));
    }
    EXPECT_EQ(few.undoCount(), 3u);
    while (few.undo(*s, marks)) {
    }
    EXPECT_EQ(s->subnet(0).responseTimeout, "200");
    // The saved point (the start) went with the dropped steps.
    EXPECT_TRUE(few.modified());

    // About 80 KB per step: a long text in each of the 128 command slots of a subnet.
    auto bigEdit = [&](UndoHistory &h, char c) {
        h.begin(*s, marks);
        for (COMMAND &cmd : s->subnet(1).commands)
            cmd.dataFormat = std::string(300, c);
        return h.commit(*s, marks);
    };
    UndoHistory budget(UndoLimits{100, 200'000});
    for (char c : {'a', 'b', 'c'})
        ASSERT_TRUE(bigEdit(budget, c));
    EXPECT_LE(budget.bytes(), 200'000u);
    EXPECT_GT(budget.bytes(), 2u * 128 * 300);
    EXPECT_EQ(budget.undoCount(), 2u);
    UndoHistory tiny(UndoLimits{100, 1000});
    ASSERT_TRUE(bigEdit(tiny, 'd'));
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
            TreeEditor().deleteNode(*s, ItemRef{ItemKind::Node, sn, 1});
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
