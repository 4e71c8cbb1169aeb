#include "ConfigTree.h"
#include "model/ModelProfile.h"

#include "resources/Strings.h"

namespace tqv {

std::string functionName(std::string_view code)
{
    const auto fc = functionCodeOf(code);
    if (!fc)
        return {};
    switch (*fc) {
    case FunctionCode::ReadCoils: return text(StrId::FnReadCoilStatus);
    case FunctionCode::ReadDiscreteInputs: return text(StrId::FnReadInputStatus);
    case FunctionCode::ReadHoldingRegisters: return text(StrId::FnReadHoldingRegisters);
    case FunctionCode::ReadInputRegisters: return text(StrId::FnReadInputRegisters);
    case FunctionCode::WriteSingleCoil: return text(StrId::FnForceSingleCoil);
    case FunctionCode::WriteSingleRegister: return text(StrId::FnPresetSingleRegister);
    case FunctionCode::WriteMultipleCoils: return text(StrId::FnForceMultipleCoils);
    case FunctionCode::WriteMultipleRegisters: return text(StrId::FnPresetMultipleRegisters);
    }
    return {};
}

namespace {

// Top-level labels and the subnet index each stands for (-1 for the fieldbus item).
std::vector<std::pair<StrId, int>> layout(std::uint32_t gatewayType)
{
    const ModelProfile model = profileOf(gatewayType, ModelFlags{});
    std::vector<std::pair<StrId, int>> items;
    if (model.fieldbusLabel)
        items.emplace_back(*model.fieldbusLabel, -1);
    for (int k = 0; k < kSubnetCount; ++k)
        if (const auto &label = model.subnetLabels[static_cast<std::size_t>(k)])
            items.emplace_back(*label, k);
    return items;
}

} // namespace

TreeDescription buildSkeleton(const ConfigStore &store)
{
    TreeDescription tree;
    for (const auto &[label, subnet] : layout(store.gatewayType))
        tree.push_back(TreeItem{text(label), 0, 0, {},
                                subnet < 0 ? ItemRef{ItemKind::Fieldbus, -1, 0} : ItemRef{ItemKind::Subnet, subnet, 0}});
    return tree;
}

int topLevelIndexOfSubnet(const ConfigStore &store, int subnet)
{
    const auto items = layout(store.gatewayType);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].second == subnet)
            return static_cast<int>(i);
    return -1;
}

TreeDescription buildFromStore(const ConfigStore &store)
{
    TreeDescription tree = buildSkeleton(store);
    const auto items = layout(store.gatewayType);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int subnet = items[i].second;
        if (subnet < 0)
            continue;
        const CONFIG &c = store.subnet(subnet);
        if (c.protocol != text(StrId::ProtocolModbusMaster))
            continue;
        TreeItem &subnetItem = tree[i];
        for (int n = 1; n <= c.nodeCount; ++n)
            subnetItem.children.push_back(
                TreeItem{c.nodes[static_cast<std::size_t>(n - 1)].name, n, 0, {}, ItemRef{ItemKind::Node, subnet, n}});
        for (int p = 1; p <= c.commandCount; ++p) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(p - 1)];
            std::string label = functionName(cmd.functionCode);
            if (label.empty())
                continue;
            for (TreeItem &node : subnetItem.children) {
                if (node.data == cmd.nodeNumber) {
                    node.children.push_back(
                        TreeItem{std::move(label), p, kCommandImage, {}, ItemRef{ItemKind::Command, subnet, p}});
                    break;
                }
            }
        }
    }
    return tree;
}

const TreeItem *findTreeItem(const TreeDescription &tree, const ItemRef &ref)
{
    if (ref.kind == ItemKind::None)
        return nullptr;
    for (const TreeItem &top : tree) {
        if (top.ref == ref)
            return &top;
        if (ref.kind == ItemKind::Fieldbus || top.ref.subnet != ref.subnet)
            continue;
        for (const TreeItem &node : top.children) {
            if (node.ref == ref)
                return &node;
            for (const TreeItem &command : node.children)
                if (command.ref == ref)
                    return &command;
        }
    }
    return nullptr;
}

} // namespace tqv
