#pragma once

#include "model/ConfigStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace tqv {

enum class ItemKind { None, Fieldbus, Subnet, Node, Command };

constexpr int kCommandImage = 3;

// A plain description of one tree item; the widget mirrors these one to one.
struct TreeItem {
    std::string label;
    int data = 0;  // node number or command position (1-based); 0 for top-level items
    int image = 0;
    std::vector<TreeItem> children;

    bool operator==(const TreeItem &) const = default;
};

using TreeDescription = std::vector<TreeItem>; // the top-level items, in order

// What an item stands for, recognised from its own, its parent's and its grandparent's labels.
struct ItemRef {
    ItemKind kind = ItemKind::None;
    int subnet = -1; // subnet index 0..3 for subnet, node and command items
    int number = 0;  // node number (node item) or command position (command item)

    bool operator==(const ItemRef &) const = default;
};

// Labels of the current language. Returns -1 for a label that names no subnet.
int subnetIndexFromLabel(std::string_view label);
bool isFieldbusLabel(std::string_view label);
// The tree label of a function code, or "" for a code that gets no item.
std::string functionName(std::string_view functionCode);

// Identify an item from its labels; `parent`/`grandparent` are null where there is none.
ItemRef identifyItem(std::string_view label, const std::string *parent, const std::string *grandparent,
                     int data);

// The top-level items for the current gatewayType (no nodes, no commands).
TreeDescription buildSkeleton(const ConfigStore &store);
// The whole tree: top-level items, nodes of Modbus-master subnets, their commands.
TreeDescription buildFromStore(const ConfigStore &store);

// Index into TreeDescription of the item for subnet index `subnet`, or -1 when the layout has none.
int topLevelIndexOfSubnet(const ConfigStore &store, int subnet);

} // namespace tqv
