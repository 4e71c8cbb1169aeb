#include "TreeEditor.h"
#include "model/ModelProfile.h"

#include "model/DerivedValues.h"
#include "resources/Strings.h"

#include <cstdlib>

namespace tqv {

namespace {

constexpr StrId kChoiceNames[14] = {
    StrId::FnReadCoilStatus,      StrId::FnReadInputStatus,      StrId::FnReadHoldingRegisters,
    StrId::FnReadInputRegisters,  StrId::FnForceSingleCoil,      StrId::FnPresetSingleRegister,
    StrId::FnReadExceptionStatus, StrId::FnDiagnostics,          StrId::FnFetchCommEventCtr,
    StrId::FnFetchCommEventLog,   StrId::FnProgramController,    StrId::FnPollController,
    StrId::FnForceMultipleCoils,  StrId::FnPresetMultipleRegisters,
};
constexpr const char *kChoiceNumbers[14] = {"01", "02", "03", "04", "05", "06", "07",
                                            "08", "11", "12", "13", "14", "15", "16"};
// The functions the gateway carries out; the others are listed but cannot be chosen.
constexpr std::optional<FunctionCode> kChoiceCodes[14] = {
    FunctionCode::ReadCoils,         FunctionCode::ReadDiscreteInputs, FunctionCode::ReadHoldingRegisters,
    FunctionCode::ReadInputRegisters, FunctionCode::WriteSingleCoil,   FunctionCode::WriteSingleRegister,
    std::nullopt,                    std::nullopt,                     std::nullopt,
    std::nullopt,                    std::nullopt,                     std::nullopt,
    FunctionCode::WriteMultipleCoils, FunctionCode::WriteMultipleRegisters,
};

bool isModbusMaster(const ConfigStore &store, int subnet)
{
    return subnet >= 0 && subnet < kSubnetCount &&
           store.subnet(subnet).protocol == text(StrId::ProtocolModbusMaster);
}

} // namespace

bool conflictDetectionEnabled(const ConfigStore &store, bool mappingCommandsFlag)
{
    return isAvailable(profileOf(store).conflictDetection, mappingCommandsFlag);
}

bool mappingAddressEnabled(const ConfigStore &store, bool mappingCommandsFlag)
{
    return isAvailable(profileOf(store).mappingAddress, mappingCommandsFlag);
}

std::vector<CommandChoice> commandChoices()
{
    std::vector<CommandChoice> choices;
    for (int i = 0; i < 14; ++i)
        choices.push_back({std::string(kChoiceNumbers[i]) + " " + text(kChoiceNames[i]),
                           kChoiceCodes[i] ? functionCodeText(*kChoiceCodes[i]) : std::string()});
    return choices;
}

std::optional<std::string> functionCodeForChoice(int listIndex)
{
    if (listIndex < 0 || listIndex >= 14 || !kChoiceCodes[listIndex])
        return std::nullopt;
    return functionCodeText(*kChoiceCodes[listIndex]);
}

void TreeEditor::reset()
{
    m_flags = {};
    m_copySubnet = -1;
    m_copyAddress = -1;
    m_copyValid = false;
}

bool TreeEditor::oneNodeRuleAllows(const ConfigStore &store)
{
    return !(profileOf(store).oneNodeOnFirstSubnet && store.subnet(0).nodeCount >= 1);
}

void TreeEditor::setForKind(const ConfigStore &store, const ItemRef &item)
{
    m_flags = {};
    switch (item.kind) {
    case ItemKind::Subnet:
        m_flags.addNode = isModbusMaster(store, item.subnet) && oneNodeRuleAllows(store);
        break;
    case ItemKind::Node:
        m_flags.addNode = oneNodeRuleAllows(store);
        m_flags.deleteNode = true;
        m_flags.addCommand = true;
        break;
    case ItemKind::Command:
        m_flags.deleteCommand = true;
        break;
    default:
        break;
    }
}

void TreeEditor::selectionChanged(const ConfigStore &store, const ItemRef &item) { setForKind(store, item); }

bool TreeEditor::contextMenuRequested(const ConfigStore &store, const ItemRef &item)
{
    if (item.subnet < 0 || !isModbusMaster(store, item.subnet)) {
        m_flags = {};
        return false;
    }
    setForKind(store, item);
    return true;
}

int TreeEditor::addNode(ConfigStore &store, const ItemRef &item, Prompter &prompter, bool fromContextMenu)
{
    if (item.kind != ItemKind::Subnet && item.kind != ItemKind::Node)
        return 0;
    const Result<int> added = store.addNode(item.subnet);
    if (added)
        store.configModified = true;
    else
        prompter.info(added.message());
    if (fromContextMenu)
        m_flags.addNode = m_flags.addNode && oneNodeRuleAllows(store);
    return added ? added.value() : 0;
}

int TreeEditor::addCommand(ConfigStore &store, const ItemRef &item, int listIndex, Prompter &prompter)
{
    if (item.kind != ItemKind::Node)
        return 0;
    const auto code = functionCodeForChoice(listIndex);
    if (!code)
        return 0;
    store.configModified = true;
    const Result<int> added = store.addCommand(item.subnet, item.number, *code);
    if (!added) {
        prompter.info(added.message());
        return 0;
    }
    return added.value();
}

bool TreeEditor::deleteNode(ConfigStore &store, const ItemRef &item)
{
    if (item.kind != ItemKind::Node)
        return false;
    CONFIG &c = store.subnet(item.subnet);
    const int n = item.number;
    if (n < 1 || n > c.nodeCount)
        return false;
    --c.nodeCount;
    // Drop the node's commands, keeping the others in order; renumber the nodes behind it.
    int kept = 0;
    for (int p = 0; p < c.commandCount; ++p) {
        COMMAND &cmd = c.commands[static_cast<std::size_t>(p)];
        if (cmd.nodeNumber == n)
            continue;
        if (kept != p)
            c.commands[static_cast<std::size_t>(kept)] = cmd;
        ++kept;
    }
    c.commandCount = kept;
    for (int p = 0; p < c.commandCount; ++p) {
        COMMAND &cmd = c.commands[static_cast<std::size_t>(p)];
        if (cmd.nodeNumber > n)
            --cmd.nodeNumber;
    }
    for (int i = n; i <= c.nodeCount; ++i)
        c.nodes[static_cast<std::size_t>(i - 1)] = c.nodes[static_cast<std::size_t>(i)];
    store.configModified = true;
    m_flags.deleteNode = false;
    return true;
}

bool TreeEditor::deleteCommand(ConfigStore &store, const ItemRef &item)
{
    if (item.kind != ItemKind::Command)
        return false;
    CONFIG &c = store.subnet(item.subnet);
    const int d = item.number;
    if (d < 1 || d > c.commandCount)
        return false;
    for (int p = d; p < c.commandCount; ++p)
        c.commands[static_cast<std::size_t>(p - 1)] = c.commands[static_cast<std::size_t>(p)];
    --c.commandCount;
    store.configModified = true;
    return true;
}

bool TreeEditor::canCopyNode(const ItemRef &item, std::string_view label)
{
    const std::string &prefix = text(StrId::NodeNamePrefix);
    return item.kind == ItemKind::Node && label.substr(0, prefix.size()) == prefix;
}

void TreeEditor::copyNode(const ItemRef &item, std::string_view label)
{
    if (!canCopyNode(item, label))
        return;
    const std::string digits(label.substr(text(StrId::NodeNamePrefix).size()));
    m_copySubnet = item.subnet;
    m_copyAddress = std::strtol(digits.c_str(), nullptr, 10);
    m_copyValid = m_copySubnet >= 0 && m_copyAddress >= 0;
}

bool TreeEditor::canPasteNode(const ItemRef &item) const { return m_copyValid && item.kind == ItemKind::Node; }

int TreeEditor::pasteNode(ConfigStore &store, const ItemRef &item, Prompter &prompter)
{
    if (!canPasteNode(item))
        return 0;
    const int node = addNode(store, item, prompter, true);
    if (node == 0)
        return 0; // the node limit refused the node: nothing to attach the commands to
    CONFIG &target = store.subnet(item.subnet);
    const CONFIG &source = store.subnet(m_copySubnet);
    const std::string address = std::to_string(m_copyAddress);
    const int sourceCount = source.commandCount;
    for (int p = 0; p < sourceCount; ++p) {
        const COMMAND from = source.commands[static_cast<std::size_t>(p)];
        if (from.slaveAddress != address)
            continue;
        if (target.commandCount >= kMaxCommands) {
            prompter.info(text(StrId::MsgCommandLimit));
            break;
        }
        COMMAND &to = target.commands[static_cast<std::size_t>(target.commandCount++)];
        to.nodeNumber = node;
        to.slaveAddress = target.nodes[static_cast<std::size_t>(node - 1)].address;
        to.functionCode = from.functionCode;
        to.startAddress = from.startAddress;
        to.quantity = from.quantity;
        to.mappingAddress = from.mappingAddress;
        to.mappingBit = from.mappingBit;
        to.byteCount = from.byteCount;
        to.dataFormat = from.dataFormat;
        to.scanType = from.scanType;
        updateDerivedValues(to); // the copy's byte count follows its quantity, even where the original's did not
    }
    store.configModified = true;
    return node;
}

} // namespace tqv
