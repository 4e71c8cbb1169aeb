#pragma once

#include "ConfigTree.h"
#include "link/Prompter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

// Enabling of the four node and command commands (menu, toolbar, context menu).
struct EnableFlags {
    bool addNode = false;
    bool deleteNode = false;
    bool addCommand = false;
    bool deleteCommand = false;

    bool operator==(const EnableFlags &) const = default;
};

// "Conflict Detection" as the model profile offers it; "while mapping commands" follows the view's
// mapping-commands flag (cleared and set again by protocol changes in the grid).
bool conflictDetectionEnabled(const ConfigStore &store, bool mappingCommandsFlag);
// "Mapping Address" likewise.
bool mappingAddressEnabled(const ConfigStore &store, bool mappingCommandsFlag);

// One entry of the "Select Command" list.
struct CommandChoice {
    std::string entry;        // two-digit function number, a blank, the function name
    std::string functionCode; // empty for functions that cannot be chosen
};

// The fourteen entries in list order.
std::vector<CommandChoice> commandChoices();
// Function code for a list index, or nothing for indexes that cannot be chosen.
std::optional<std::string> functionCodeForChoice(int listIndex);

// The tree's editing operations over the store: adding, deleting, copying and pasting nodes and
// commands, and the enabling that follows the selection. The widget rebuilds itself from the
// store (buildFromStore) after each change.
class TreeEditor {
public:
    // View initialisation: all flags off, nothing copied.
    void reset();
    const EnableFlags &flags() const { return m_flags; }
    // A protocol change in the grid switches commands off directly.
    void setFlags(const EnableFlags &flags) { m_flags = flags; }

    // The selection changed to `item`.
    void selectionChanged(const ConfigStore &store, const ItemRef &item);
    // A right click on `item` (kind None for empty space): returns whether the context menu shows.
    bool contextMenuRequested(const ConfigStore &store, const ItemRef &item);

    // Some models let subnet 1 hold only one node.
    static bool oneNodeRuleAllows(const ConfigStore &store);

    // Add Node under a subnet item or beside a node item. Returns the new node number, or 0 when
    // nothing was added (wrong item, or the node limit, whose message goes through `prompter`).
    int addNode(ConfigStore &store, const ItemRef &item, Prompter &prompter, bool fromContextMenu);
    // Add Command to a node item with a "Select Command" list index. Returns the new command
    // position, or 0 when nothing was added.
    int addCommand(ConfigStore &store, const ItemRef &item, int listIndex, Prompter &prompter);
    // Delete Node / Delete Command; false when the item is of the wrong kind.
    bool deleteNode(ConfigStore &store, const ItemRef &item);
    bool deleteCommand(ConfigStore &store, const ItemRef &item);

    // Copy Node is possible for a node whose label carries an address ("Node-12").
    static bool canCopyNode(const ItemRef &item, std::string_view label);
    void copyNode(const ItemRef &item, std::string_view label);
    bool canPasteNode(const ItemRef &item) const;
    bool hasCopy() const { return m_copyValid; }
    // Paste Node: a new node in the subnet of `item` with copies of the copied node's commands.
    // Stops at the node or command limit (message through `prompter`); returns the new node
    // number or 0 when no node could be added.
    int pasteNode(ConfigStore &store, const ItemRef &item, Prompter &prompter);

private:
    void setForKind(const ConfigStore &store, const ItemRef &item);

    EnableFlags m_flags;
    int m_copySubnet = -1;
    long m_copyAddress = -1;
    bool m_copyValid = false;
};

} // namespace tqv
