#include "ConfigTree.h"
#include "model/ModelProfile.h"

#include "resources/Strings.h"

namespace tqv {

int subnetIndexFromLabel(std::string_view label)
{
    if (label == text(StrId::TreeSubnet) || label == text(StrId::TreeSubnet1) ||
        label == text(StrId::TreeSubnetRoman1))
        return 0;
    if (label == text(StrId::TreeSubnet2) || label == text(StrId::TreeSubnetRoman2))
        return 1;
    if (label == text(StrId::TreeSubnet3))
        return 2;
    if (label == text(StrId::TreeSubnet4))
        return 3;
    return -1;
}

bool isFieldbusLabel(std::string_view label)
{
    return label == text(StrId::TreeFieldbus) || label == text(StrId::TreeEthernet);
}

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

ItemRef identifyItem(std::string_view label, const std::string *parent, const std::string *grandparent,
                     int data)
{
    if (isFieldbusLabel(label))
        return {ItemKind::Fieldbus, -1, 0};
    if (int s = subnetIndexFromLabel(label); s >= 0)
        return {ItemKind::Subnet, s, 0};
    if (parent) {
        if (int s = subnetIndexFromLabel(*parent); s >= 0)
            return {ItemKind::Node, s, data};
    }
    if (grandparent) {
        if (int s = subnetIndexFromLabel(*grandparent); s >= 0)
            return {ItemKind::Command, s, data};
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
        tree.push_back(TreeItem{text(label), 0, 0, {}});
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
            subnetItem.children.push_back(TreeItem{c.nodes[static_cast<std::size_t>(n - 1)].name, n, 0, {}});
        for (int p = 1; p <= c.commandCount; ++p) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(p - 1)];
            std::string label = functionName(cmd.functionCode);
            if (label.empty())
                continue;
            for (TreeItem &node : subnetItem.children) {
                if (node.data == cmd.nodeNumber) {
                    node.children.push_back(TreeItem{std::move(label), p, kCommandImage, {}});
                    break;
                }
            }
        }
    }
    return tree;
}

} // namespace tqv
