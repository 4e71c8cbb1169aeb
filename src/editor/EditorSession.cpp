#include "EditorSession.h"

#include "PropertyGrid.h"
#include "mapping/ConflictMap.h"
#include "mapping/MappingPass.h"

#include <cstdlib>

namespace tqv {

ItemRef settleSelection(const TreeDescription &tree, const ItemRef &selected, int node)
{
    if (findTreeItem(tree, selected))
        return selected;
    auto nearest = [&selected](const TreeItem *parent) -> ItemRef {
        const TreeItem *best = nullptr;
        for (const TreeItem &child : parent->children)
            if (!best || std::abs(child.ref.number - selected.number) < std::abs(best->ref.number - selected.number))
                best = &child;
        return best ? best->ref : parent->ref;
    };
    const ItemRef subnet{ItemKind::Subnet, selected.subnet, 0};
    if (selected.kind == ItemKind::Command) {
        if (const TreeItem *n = findTreeItem(tree, ItemRef{ItemKind::Node, selected.subnet, node}))
            return nearest(n);
    } else if (selected.kind == ItemKind::Node) {
        if (const TreeItem *s = findTreeItem(tree, subnet))
            return nearest(s);
    }
    if (selected.kind == ItemKind::Command && findTreeItem(tree, subnet))
        return subnet;
    return {};
}

ConfigCounts countsOf(const ConfigStore &store)
{
    ConfigCounts counts{subnetCountOf(store.gatewayType), 0};
    for (int s = 0; s < counts.subnets; ++s)
        counts.commands += store.subnet(s).commandCount;
    return counts;
}

EditorSession::EditorSession() : m_store(std::make_unique<ConfigStore>()) { m_store->newConfiguration(); }

EditorSession::~EditorSession() = default;

void EditorSession::startFresh()
{
    m_editor.reset();
    m_selection = {};
    m_mappingCommands = true;
    m_stepDepth = 0;
    m_history.reset(!m_store->configModified);
}

void EditorSession::select(const ItemRef &item)
{
    m_selection = item;
    m_editor.selectionChanged(*m_store, item);
    if (item.kind == ItemKind::Command)
        refreshCommandForDisplay(*m_store, item);
}

EditorSession::Step::Step(EditorSession &session) : m_session(session), m_batched(session.m_batching)
{
    if (m_batched)
        return;
    if (m_session.m_stepDepth++ > 0)
        m_session.closeStep();
    m_session.m_history.begin(*m_session.m_store, m_session.marks());
}

EditorSession::Step::~Step()
{
    if (m_batched)
        return;
    m_session.closeStep();
    if (--m_session.m_stepDepth > 0)
        m_session.m_history.begin(*m_session.m_store, m_session.marks());
}

EditorSession::Batch::Batch(EditorSession &session) : m_session(session)
{
    m_step.emplace(session);
    m_session.m_batching = true;
}

EditorSession::Batch::~Batch()
{
    m_session.m_batching = false;
    m_step.reset();
}

void EditorSession::closeStep()
{
    m_recorded = m_history.commit(*m_store, marks());
    // The rules mark the store modified whenever they store a value, even the same one, or one
    // they put back; the history knows whether it differs from what was saved.
    m_store->configModified = m_history.modified();
}

bool EditorSession::applyEdit(const std::function<void(ConfigStore &)> &edit)
{
    {
        const Step step(*this);
        edit(*m_store);
    }
    return m_recorded;
}

CommitResult EditorSession::commitText(const CommitTarget &target, const std::string &typed, bool stillSelected,
                                       bool pulseEditable, Prompter &prompter)
{
    const Step step(*this);
    CommitResult result = commitEditText(*m_store, target, typed, stillSelected, pulseEditable, prompter);
    afterCommit(result, target, stillSelected);
    return result;
}

CommitResult EditorSession::commitPick(const CommitTarget &target, const std::string &picked, bool stillSelected)
{
    const Step step(*this);
    CommitResult result = commitListPick(*m_store, target, picked, stillSelected);
    afterCommit(result, target, stillSelected);
    return result;
}

void EditorSession::afterCommit(const CommitResult &result, const CommitTarget &target, bool stillSelected)
{
    if (result.mappingCommandsEnabled)
        m_mappingCommands = *result.mappingCommandsEnabled;
    if (result.protocolChanged) {
        // A subnet that became a Modbus master takes nodes again at once.
        if (result.listNodesAgain && stillSelected)
            m_editor.selectionChanged(*m_store, target.item);
        EnableFlags flags = m_editor.flags();
        if (result.disableTreeCommands)
            flags = {};
        if (result.disableAddNode)
            flags.addNode = false;
        m_editor.setFlags(flags);
    }
}

int EditorSession::addNode(const ItemRef &at, Prompter &prompter, bool fromContextMenu)
{
    const Step step(*this);
    return m_editor.addNode(*m_store, at, prompter, fromContextMenu);
}

int EditorSession::addCommand(const ItemRef &at, int listIndex, Prompter &prompter)
{
    const Step step(*this);
    return m_editor.addCommand(*m_store, at, listIndex, prompter);
}

std::optional<ItemRef> EditorSession::deleteNode(const ItemRef &node)
{
    const Step step(*this);
    if (!m_editor.deleteNode(*m_store, node))
        return std::nullopt;
    // The node below has taken the deleted one's number; without one the node above, else the subnet.
    return settleSelection(buildFromStore(*m_store), node, 0);
}

std::optional<ItemRef> EditorSession::deleteCommand(const ItemRef &command)
{
    const Step step(*this);
    // The command below in the same node, else the one above, else the node itself.
    const TreeDescription tree = buildFromStore(*m_store);
    ItemRef next;
    if (command.kind == ItemKind::Command && command.number <= m_store->subnet(command.subnet).commandCount) {
        next = ItemRef{ItemKind::Node, command.subnet, m_store->command(command.subnet, command.number).nodeNumber};
        if (const TreeItem *node = findTreeItem(tree, next)) {
            for (std::size_t i = 0; i < node->children.size(); ++i) {
                if (node->children[i].ref != command)
                    continue;
                if (i + 1 < node->children.size())
                    next = node->children[i + 1].ref;
                else if (i > 0)
                    next = node->children[i - 1].ref;
            }
        }
    }
    if (!m_editor.deleteCommand(*m_store, command))
        return std::nullopt;
    if (next.kind == ItemKind::Command && next.number > command.number)
        --next.number; // the commands behind the deleted one move up by one
    return next;
}

int EditorSession::pasteNode(const ItemRef &at, Prompter &prompter)
{
    const Step step(*this);
    return m_editor.pasteNode(*m_store, at, prompter);
}

std::optional<MappingSummary> EditorSession::mappingAddress(Prompter &prompter)
{
    const Step step(*this);
    const std::optional<MappingOutcome> outcome = runMappingAddressCommand(*m_store, prompter, m_state);
    if (!outcome)
        return std::nullopt;
    const ConflictSummary conflicts = summarizeConflicts(*m_store, {});
    return MappingSummary{outcome->addressed, static_cast<int>(conflicts.inputRed.size() + conflicts.outputRed.size()),
                          outcome->incomplete};
}

bool EditorSession::undo() { return stepHistory(true); }

bool EditorSession::redo() { return stepHistory(false); }

bool EditorSession::stepHistory(bool back)
{
    if (m_stepDepth > 0)
        return false;
    EditorMarks m = marks();
    if (!(back ? m_history.undo(*m_store, m) : m_history.redo(*m_store, m)))
        return false;
    m_mappingCommands = m.mappingCommands;
    m_state.incompleteInformation = m.incompleteInformation;
    m_store->configModified = m_history.modified();
    return true;
}

} // namespace tqv
