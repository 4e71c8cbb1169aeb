#pragma once

#include "ConfigTree.h"
#include "TreeEditor.h"
#include "UndoHistory.h"
#include "ValueCommit.h"
#include "link/Prompter.h"
#include "model/ConfigStore.h"
#include "model/SessionState.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tqv {

// Where the user is in the tree: the selected item (with the node a selected command belongs to)
// and the open branches.
struct Place {
    ItemRef selected;
    int node = 0;
    std::vector<ItemRef> expanded;
};

// Where a selection lands in `tree`: the item itself while it exists, else its nearest neighbour
// under the same parent (nearest number, the lower one on a tie), else the parent (command, then
// its node, then its subnet); kind None when none of them is there.
ItemRef settleSelection(const TreeDescription &tree, const ItemRef &selected, int node);

// The subnets a configuration's type has and the commands they hold, for the one-line reports.
struct ConfigCounts {
    int subnets = 0;
    int commands = 0;
};
ConfigCounts countsOf(const ConfigStore &store);

// What "Mapping Address" did, for the one-line report.
struct MappingSummary {
    int addressed = 0;     // commands that were given an address
    int conflictBytes = 0; // buffer bytes that more than one command uses
    bool incomplete = false;
};

// One editing session over a configuration: the store, its undo history and saved point, the
// state kept beside it and the item the user works on. The window and the command line show it
// and hand it their actions; every action that changes the store is one undo step, and the
// store's modified flag follows the history's saved point.
class EditorSession {
public:
    EditorSession();
    ~EditorSession();
    EditorSession(const EditorSession &) = delete;
    EditorSession &operator=(const EditorSession &) = delete;

    ConfigStore &store() { return *m_store; }
    const ConfigStore &store() const { return *m_store; }
    SessionState &state() { return m_state; }
    const SessionState &state() const { return m_state; }
    const UndoHistory &history() const { return m_history; }
    TreeEditor &treeEditor() { return m_editor; }
    const TreeEditor &treeEditor() const { return m_editor; }
    // The mapping-commands flag: cleared and set again by protocol picks, put back by undo.
    bool mappingCommands() const { return m_mappingCommands; }

    // The store was replaced (New, Open, an upload): a fresh history, the tree commands reset,
    // unmodified unless the store says it is modified.
    void startFresh();
    // The store as it is now was written to its file.
    void markSaved() { m_history.markSaved(); }
    bool modified() const { return m_store->configModified; }

    // The item the user works on. Selecting a command stores the values derived for it (its
    // node's address and check type), which is no edit.
    const ItemRef &selection() const { return m_selection; }
    void select(const ItemRef &item);

    // One user action as one undo step. An action that starts inside another (an edit box that
    // commits when a question of the outer action takes the focus) is a step of its own, and so
    // are the outer action's changes before and after it.
    class Step {
    public:
        explicit Step(EditorSession &session);
        ~Step();
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        EditorSession &m_session;
        bool m_batched = false; // inside a Batch: the batch is the step
    };
    bool inStep() const { return m_stepDepth > 0; }

    // Many actions as one undo step (an import commits thousands of cells): the steps inside it
    // record nothing of their own, so the store is copied once, not once per action.
    class Batch {
    public:
        explicit Batch(EditorSession &session);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        EditorSession &m_session;
        std::optional<Step> m_step;
    };

    // An edit made outside the grid and the tree (taking a gateway's value): one undo step.
    // Returns whether it changed anything.
    bool applyEdit(const std::function<void(ConfigStore &)> &edit);

    // A value typed into or picked for a grid row of `target.item`, by the grid's rules.
    CommitResult commitText(const CommitTarget &target, const std::string &typed, bool stillSelected,
                            bool pulseEditable, Prompter &prompter);
    CommitResult commitPick(const CommitTarget &target, const std::string &picked, bool stillSelected);

    // Tree commands. Add Node / Add Command return the new node number or command position (0:
    // nothing added); the deletes return the item to select next (nothing when nothing was
    // deleted); Paste Node the new node number (0: none).
    int addNode(const ItemRef &at, Prompter &prompter, bool fromContextMenu);
    int addCommand(const ItemRef &at, int listIndex, Prompter &prompter);
    std::optional<ItemRef> deleteNode(const ItemRef &node);
    std::optional<ItemRef> deleteCommand(const ItemRef &command);
    int pasteNode(const ItemRef &at, Prompter &prompter);
    // "Mapping Address": asks, then recomputes; nothing when the user said No.
    std::optional<MappingSummary> mappingAddress(Prompter &prompter);

    // Undo and redo; false when there is nothing to step over (or an action is still open).
    bool canUndo() const { return m_stepDepth == 0 && m_history.canUndo(); }
    bool canRedo() const { return m_stepDepth == 0 && m_history.canRedo(); }
    bool undo();
    bool redo();

private:
    EditorMarks marks() const { return EditorMarks{m_mappingCommands, m_state.incompleteInformation}; }
    void closeStep();
    void afterCommit(const CommitResult &result, const CommitTarget &target, bool stillSelected);
    bool stepHistory(bool back);

    std::unique_ptr<ConfigStore> m_store;
    SessionState m_state;
    UndoHistory m_history;
    TreeEditor m_editor;
    ItemRef m_selection;
    bool m_mappingCommands = true;
    int m_stepDepth = 0;
    bool m_batching = false;
    bool m_recorded = false; // whether the last step closed changed anything
};

} // namespace tqv
