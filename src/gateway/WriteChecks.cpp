#include "WriteChecks.h"

#include "ethernet/ConfigImage.h"
#include "ethernet/EthernetTransfer.h"
#include "mapping/CompletenessCheck.h"
#include "mapping/MappingTest.h"
#include "model/MappingValues.h"
#include "model/ModelProfile.h"
#include "resources/Strings.h"
#include "serial/ValueCodes.h"

#include <algorithm>

namespace tqv {

namespace {

int usedNodes(const CONFIG &subnet) { return std::clamp(subnet.nodeCount, 0, kMaxNodes); }

// Whether a node of the first `subnets` subnets has no address.
bool hasVacantNodeAddress(const ConfigStore &store, int subnets)
{
    for (int k = 0; k < subnets; ++k) {
        const CONFIG &c = store.subnet(k);
        for (int n = 0; n < usedNodes(c); ++n)
            if (isVacant(c.nodes[static_cast<std::size_t>(n)].address))
                return true;
    }
    return false;
}

// A node no command of its subnet addresses (a subnet with nodes and no commands has only such).
bool hasInvalidNode(const ConfigStore &store)
{
    for (const CONFIG &c : store.subnets) {
        for (int n = 0; n < usedNodes(c); ++n) {
            const std::string &address = c.nodes[static_cast<std::size_t>(n)].address;
            bool addressed = false;
            for (int i = 0; i < usedCommands(c) && !addressed; ++i)
                addressed = c.commands[static_cast<std::size_t>(i)].slaveAddress == address;
            if (!addressed)
                return true;
        }
    }
    return false;
}

// Whether a command's mapped area ends beyond its buffer's limit; commands with an unknown
// function code are not checked.
bool exceedsMappingRange(const COMMAND &command)
{
    const auto fc = functionCodeOf(command.functionCode);
    if (!fc)
        return false;
    const long end = static_cast<long>(hexValue(command.mappingAddress)) + static_cast<long>(decimalValue(command.byteCount));
    return end > (isReadFunction(*fc) ? kEthernetInputLimit : kEthernetOutputLimit);
}

bool mappingOutOfRange(const ConfigStore &configuration)
{
    for (int k = 0; k < kImageSubnets; ++k) {
        const CONFIG &c = configuration.subnet(k);
        for (int i = 0; i < usedCommands(c); ++i)
            if (exceedsMappingRange(c.commands[static_cast<std::size_t>(i)]))
                return true;
    }
    return false;
}

} // namespace

bool downloadDialogMayOpen(ConfigStore &configuration, Prompter &prompter)
{
    const CompletenessResult check = CompletenessCheck::run(configuration);
    if (check.complete)
        return true;
    if (!check.message.empty())
        prompter.info(check.message);
    prompter.info(text(StrId::MsgConfigUnfinished));
    return false;
}

bool downloadPreChecks(const ConfigStore &configuration, bool incompleteMark, Prompter &prompter)
{
    const bool profibusSizesChosen = profileOf(configuration).profibusSizesChosen;
    if (profibusSizesChosen && configuration.fieldbus.inputSize != configuration.fieldbus.outputSize) {
        prompter.info(text(StrId::MsgProfibusSizesDiffer));
        return false;
    }
    if (hasVacantNodeAddress(configuration, kSubnetCount)) {
        prompter.info(text(StrId::MsgNodeAddressVacant));
        return false;
    }
    if (isModbusMaster(configuration.subnet(0))) {
        if (hasInvalidNode(configuration) && !prompter.askYesNo(text(StrId::MsgInvalidNodeQuestion)))
            return false;
        if (!MappingTest::run(configuration).passed() && !prompter.askYesNoDefaultNo(mappingConflictQuestion(configuration)))
            return false;
    }
    if (incompleteMark && !prompter.askYesNo(text(StrId::MsgIncompleteInformationQuestion)))
        return false;
    return true;
}

void recomputeByteCounts(ConfigStore &configuration)
{
    for (int k = 0; k < kImageSubnets; ++k) {
        CONFIG &c = configuration.subnet(k);
        for (int i = 0; i < usedCommands(c); ++i) {
            COMMAND &command = c.commands[static_cast<std::size_t>(i)];
            if (const auto fc = functionCodeOf(command.functionCode))
                command.byteCount = std::to_string(commandByteLength(*fc, static_cast<long>(decimalValue(command.quantity))));
        }
    }
}

bool ethernetWriteChecks(ConfigStore &configuration, bool incompleteMark, Prompter &prompter)
{
    if (const std::string missing = commandWithoutNode(configuration); !missing.empty()) {
        prompter.info(missing);
        return false;
    }
    if (hasVacantNodeAddress(configuration, kImageSubnets)) {
        prompter.info(text(StrId::MsgNodeAddressVacant));
        return false;
    }
    if (!MappingTest::run(configuration).passed() && !prompter.askYesNoDefaultNo(mappingConflictQuestion(configuration)))
        return false;
    if (incompleteMark) {
        prompter.info(text(StrId::MsgMappedAddressExceeds));
        return false;
    }
    recomputeByteCounts(configuration);
    if (mappingOutOfRange(configuration)) {
        prompter.info(text(StrId::MsgMappingExceeds));
        return false;
    }
    // The image has 48 command slots per subnet: a longer list is refused rather than cut short.
    if (const int subnet = subnetWithTooManyCommands(configuration)) {
        prompter.info(formatText(StrId::MsgTooManyEthernetCommands, {std::to_string(subnet)}));
        return false;
    }
    return true;
}

} // namespace tqv
