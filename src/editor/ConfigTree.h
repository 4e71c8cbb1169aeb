#pragma once

#include "model/ConfigStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace tqv {

enum class ItemKind { None, Fieldbus, Subnet, Node, Command };

constexpr int kCommandImage = 3;

// What an item is: the fieldbus; subnet i; node i/j; command i/k. Items are named by this, never by
// their label text.
struct ItemRef {
    ItemKind kind = ItemKind::None;
    int subnet = -1; // subnet index 0..3 for subnet, node and command items
    int number = 0;  // node number (node item) or command position (command item)

    bool operator==(const ItemRef &) const = default;
};

// A plain description of one tree item; the widget mirrors these one to one.
struct TreeItem {
    std::string label;
    int data = 0;  // node number or command position (1-based); 0 for top-level items
    int image = 0;
    std::vector<TreeItem> children;
    ItemRef ref;

    bool operator==(const TreeItem &) const = default;
};

using TreeDescription = std::vector<TreeItem>; // the top-level items, in order

// The tree label of a function code, or "" for a code that gets no item.
std::string functionName(std::string_view functionCode);

// The top-level items for the current gatewayType (no nodes, no commands).
TreeDescription buildSkeleton(const ConfigStore &store);
// The whole tree: top-level items, nodes of Modbus-master subnets, their commands.
TreeDescription buildFromStore(const ConfigStore &store);

// The item `ref` names in `tree`, or null when the tree has none.
const TreeItem *findTreeItem(const TreeDescription &tree, const ItemRef &ref);

// Index into TreeDescription of the item for subnet index `subnet`, or -1 when the layout has none.
int topLevelIndexOfSubnet(const ConfigStore &store, int subnet);

} // namespace tqv
