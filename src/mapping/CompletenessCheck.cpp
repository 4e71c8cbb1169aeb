#include "CompletenessCheck.h"

#include "model/MappingValues.h"
#include "ProfibusConfigDecoder.h"
#include "editor/ValueCommit.h"
#include "model/ModelProfile.h"
#include "resources/Strings.h"

#include <algorithm>

namespace tqv {

namespace {

CompletenessResult incomplete(std::string message = {}) { return CompletenessResult{false, std::move(message)}; }

CompletenessResult prefixed(const std::string &detail)
{
    return incomplete(text(StrId::MsgConfigUnfinished) + "\n\n" + detail);
}

std::string subnetText(StrId id, int number) { return formatText(id, {std::to_string(number)}); }

// "Subnet1 Next node-12Starting address can not be vacant": the slave address is joined as it
// is, never read as a pattern.
std::string commandText(int number, const COMMAND &cmd, StrId detail)
{
    return subnetText(StrId::MsgSubnetNextNode, number) + cmd.slaveAddress + text(detail);
}

// The bit offset matters for coil and input functions; register commands have none to enter, so
// only an explicit "-1" counts as missing there.
bool bitOffsetVacant(const COMMAND &cmd)
{
    return cmd.mappingBit == "-1" || (cmd.mappingBit.empty() && isBitFunction(cmd.functionCode));
}

// Rules of a Modbus-master subnet, `number` being its 1-based number in the messages.
std::optional<CompletenessResult> masterRules(const CONFIG &c, int number)
{
    if (isVacant(c.responseTimeout))
        return prefixed(subnetText(StrId::MsgSubnetResponseTimeoutVacant, number));
    if (isVacant(c.pollDelay))
        return prefixed(subnetText(StrId::MsgSubnetPollDelayVacant, number));
    if (isVacant(c.pulseTime) && c.outputMode == text(StrId::OutputPulse))
        return prefixed(subnetText(StrId::MsgSubnetPulseTimeVacant, number));
    if (isVacant(c.scanRatio))
        return prefixed(subnetText(StrId::MsgSubnetScanRatioVacant, number));
    for (int i = 0; i < usedCommands(c); ++i) {
        const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
        if (isVacant(cmd.slaveAddress))
            return prefixed(subnetText(StrId::MsgSubnetNodeAddressVacant, number));
        if (isVacant(cmd.startAddress))
            return prefixed(commandText(number, cmd, StrId::MsgStartingAddressVacant));
        if (isVacant(cmd.quantity))
            return prefixed(commandText(number, cmd, StrId::MsgQuantityVacant));
        if (isVacant(cmd.mappingAddress))
            return prefixed(commandText(number, cmd, StrId::MsgMappingStartVacant));
        if (bitOffsetVacant(cmd))
            return prefixed(commandText(number, cmd, StrId::MsgMappingBitVacant));
    }
    return std::nullopt;
}

bool slaveWithoutAddress(const CONFIG &c)
{
    return c.protocol == text(StrId::ProtocolModbusSlave) && isVacant(c.ownAddress);
}

void fillByteCounts(CONFIG &c)
{
    for (int i = 0; i < usedCommands(c); ++i) {
        COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
        if (const auto fc = functionCodeOf(cmd.functionCode))
            cmd.byteCount = std::to_string(commandByteLength(*fc, decimalValue(cmd.quantity)));
    }
}

// Whether data ending at `end` lie beyond a buffer of `size` bytes; ends from 0x4000 on count
// from the output buffer's start.
bool beyond(long end, long size) { return end >= kOutputBufferBase ? end - kOutputBufferBase > size : end > size; }

} // namespace

std::string commandWithoutNode(const ConfigStore &store)
{
    const int subnets = profileOf(store).subnetCount;
    for (int s = 0; s < (subnets > 0 ? subnets : kSubnetCount); ++s) {
        const CONFIG &c = store.subnet(s);
        if (!isModbusMaster(c))
            continue;
        const int nodes = std::clamp(c.nodeCount, 0, kMaxNodes);
        for (int i = 0; i < usedCommands(c); ++i)
            if (const int n = c.commands[static_cast<std::size_t>(i)].nodeNumber; n < 1 || n > nodes)
                return formatText(StrId::MsgCommandNodeMissing,
                                  {std::to_string(s + 1), std::to_string(i + 1), std::to_string(n), std::to_string(nodes)});
    }
    return {};
}

std::optional<BufferSizes> CompletenessCheck::bufferSizes(const ConfigStore &store)
{
    if (const auto fixed = fixedDownloadSizes(store))
        return fixed;
    if (sizesFromProfibusConfigData(store)) {
        const ProfibusDecoding d = ProfibusConfigDecoder::decodeText(store.fieldbus.profibusConfigData);
        if (!d.valid())
            return std::nullopt;
        return BufferSizes{d.input, d.output};
    }
    return fieldbusSizes(store);
}

CompletenessResult CompletenessCheck::run(ConfigStore &store)
{
    // A command must belong to a node before anything about it can be checked or written.
    if (const std::string missing = commandWithoutNode(store); !missing.empty())
        return prefixed(missing);
    if (isFourSubnetType(store.gatewayType)) {
        for (int s = 0; s < kSubnetCount; ++s) {
            const CONFIG &c = store.subnet(s);
            if (slaveWithoutAddress(c))
                return incomplete();
            if (isModbusMaster(c))
                if (auto failed = masterRules(c, s + 1))
                    return *failed;
        }
        fillByteCounts(store.subnet(0));
        return CompletenessResult{true, {}};
    }

    if (isDeviceNetType(store.gatewayType)) {
        if (isVacant(store.fieldbus.deviceNetAddress))
            return incomplete();
        if (deviceNetSizesTooLarge(store))
            return incomplete(text(StrId::MsgDeviceNetSizesTooLarge));
    }
    CONFIG &first = store.subnet(0);
    if (slaveWithoutAddress(first))
        return incomplete();
    if (isModbusMaster(first))
        if (auto failed = masterRules(first, 1))
            return *failed;

    fillByteCounts(first);
    const std::optional<BufferSizes> sizes = bufferSizes(store);
    if (!sizes)
        return incomplete(text(StrId::MsgProfibusConfigDataError));

    for (int i = 0; i < usedCommands(first); ++i) {
        const COMMAND &cmd = first.commands[static_cast<std::size_t>(i)];
        const auto fc = functionCodeOf(cmd.functionCode);
        if (!fc)
            continue;
        const long end = mappingAddressValue(cmd.mappingAddress).value_or(0) + decimalValue(cmd.byteCount);
        if (isReadFunction(*fc) && beyond(end, sizes->input))
            return incomplete(formatText(StrId::MsgInputMappingOutOfRange, {cmd.slaveAddress}));
        if (isWriteFunction(*fc) && beyond(end, sizes->output))
            return incomplete(formatText(StrId::MsgOutputMappingOutOfRange, {cmd.slaveAddress}));
    }
    return CompletenessResult{true, {}};
}

bool CompletenessCheck::run(ConfigStore &store, Prompter &prompter)
{
    const CompletenessResult result = run(store);
    if (!result.message.empty())
        prompter.info(result.message);
    return result.complete;
}

} // namespace tqv
