#include "FrameBuilder.h"
#include "model/ModelProfile.h"

#include "FrameBytes.h"
#include "ValueCodes.h"
#include "resources/Strings.h"

#include <algorithm>

namespace tqv {

namespace {

bool is(const std::string &value, StrId id) { return value == text(id); }

std::uint8_t low8(std::uint32_t v) { return static_cast<std::uint8_t>(v); }
std::uint16_t low16(std::uint32_t v) { return static_cast<std::uint16_t>(v); }

// A request without data: code, 0, code.
Frame emptyRequest(std::uint8_t code) { return FrameWriter(code, 0).seal(); }

// A request whose only data byte is a subnet index: code, 1, subnet, sum.
Frame subnetRequest(std::uint8_t code, int subnet)
{
    FrameWriter w(code, 1);
    w.put(2, low8(static_cast<std::uint32_t>(subnet)));
    return w.seal();
}

// The serial parameters of one protocol group of a subnet.
struct SerialGroup {
    const std::string &baud;
    const std::string &dataBits;
    const std::string &parity;
    const std::string &stopBits;
};

SerialGroup serialGroup(const CONFIG &c, std::uint8_t protocol)
{
    switch (protocol) {
    case ProtocolCode::ModbusSlave:
        return {c.slaveBaud, c.slaveDataBits, c.slaveParity, c.slaveStopBits};
    case ProtocolCode::SelfDefining:
        return {c.customBaud, c.customDataBits, c.customParity, c.customStopBits};
    case ProtocolCode::UserConfig:
        return {c.userBaud, c.userDataBits, c.userParity, c.userStopBits};
    default:
        return {c.masterBaud, c.masterDataBits, c.masterParity, c.masterStopBits};
    }
}

// Buffer bytes a command occupies, from its function and quantity; nothing for other codes.
std::optional<std::uint64_t> commandByteCount(const COMMAND &command)
{
    const auto fc = functionCodeOf(command.functionCode);
    if (!fc)
        return std::nullopt;
    if (isSingleWrite(*fc))
        return isBitFunction(*fc) ? 1 : 2;
    const std::uint64_t n = decimalValue(command.quantity);
    if (isBitFunction(*fc))
        return n / 8 + (n % 8 != 0 ? 1 : 0);
    return 2 * n;
}

std::uint32_t clamp32(std::uint64_t v) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, UINT32_MAX)); }

} // namespace

SubnetFrameForm subnetFrameForm(const ConfigStore &store)
{
    return profileOf(store).extendedSubnetFrame ? SubnetFrameForm::Extended : SubnetFrameForm::Short;
}

LengthsInUse updateLengthsInUse(ConfigStore &store)
{
    CONFIG &first = store.subnet(0);
    LengthsInUse lengths;
    if (!is(first.protocol, StrId::ProtocolModbusMaster))
        return lengths;
    const int count = std::clamp(first.commandCount, 0, kMaxCommands);
    for (int i = 0; i < count; ++i) {
        COMMAND &command = first.commands[static_cast<std::size_t>(i)];
        if (const auto bytes = commandByteCount(command))
            command.byteCount = std::to_string(*bytes);
        const auto fc = functionCodeOf(command.functionCode);
        if (!fc)
            continue;
        const std::uint64_t end =
            static_cast<std::uint64_t>(hexValue(command.mappingAddress)) + decimalValue(command.byteCount);
        if (isReadFunction(*fc))
            lengths.input = std::max(lengths.input, clamp32(end));
        else if (end > kOutputBufferBase)
            lengths.output = std::max(lengths.output, clamp32(end - kOutputBufferBase));
    }
    return lengths;
}

ConfigFrames buildConfigFrames(ConfigStore &store)
{
    const LengthsInUse lengths = updateLengthsInUse(store);
    return {buildReadGatewayType(), buildWriteDeviceNet(store), buildReadDeviceNet(),
            buildWriteProfibus(store, lengths), buildReadProfibus()};
}

Frame buildReadGatewayType() { return emptyRequest(SerialCode::ReadGatewayType); }

Frame buildWriteDeviceNet(const ConfigStore &store)
{
    const FIELDBUS &f = store.fieldbus;
    FrameWriter w(SerialCode::WriteDeviceNet, 4);
    w.put(2, low8(decimalValue(f.deviceNetAddress)));
    w.put(3, encodeValue(ValueTable::DeviceNetBaud, f.deviceNetBaud));
    w.put(4, encodeValue(ValueTable::DeviceNetInputSize, f.inputSize));
    w.put(5, encodeValue(ValueTable::DeviceNetOutputSize, f.outputSize));
    return w.seal();
}

Frame buildReadDeviceNet() { return emptyRequest(SerialCode::ReadDeviceNet); }

Frame buildWriteProfibus(const ConfigStore &store, LengthsInUse lengths)
{
    const bool third = hasProfibusThirdByte(store.gatewayType);
    FrameWriter w(SerialCode::WriteProfibus, third ? 3 : 2);
    if (profileOf(store).hardwareConfigModel) {
        w.put(2, low8(lengths.input));
        w.put(3, low8(lengths.output));
    } else {
        w.put(2, encodeValue(ValueTable::ProfibusSize, store.fieldbus.inputSize));
        w.put(3, encodeValue(ValueTable::ProfibusSize, store.fieldbus.outputSize));
    }
    if (third)
        w.put(4, is(store.subnet(0).inputLengthPrefix, StrId::Enable) ? 1 : 0);
    return w.seal();
}

Frame buildReadProfibus() { return emptyRequest(SerialCode::ReadProfibus); }

Frame buildWriteSubnet(const ConfigStore &store, int subnet)
{
    const CONFIG &c = store.subnet(subnet);
    const bool extended = subnetFrameForm(store) == SubnetFrameForm::Extended;
    const std::uint8_t protocol = encodeValue(ValueTable::Protocol, c.protocol);
    const bool master = protocol == ProtocolCode::ModbusMaster;
    const bool slave = protocol == ProtocolCode::ModbusSlave;
    const bool user = protocol == ProtocolCode::UserConfig;

    FrameWriter w(SerialCode::WriteSubnet,
                  static_cast<std::uint8_t>((extended ? kExtendedSubnetFrameSize : kShortSubnetFrameSize) - 3));
    w.put(2, low8(static_cast<std::uint32_t>(subnet)));
    auto field = [&w](std::size_t storeByte, std::uint8_t v) { w.put(storeByte + kSubnetFrameFieldOffset, v); };
    auto field16 = [&w](std::size_t storeByte, std::uint32_t v) {
        w.put16(storeByte + kSubnetFrameFieldOffset, low16(v));
    };

    field(SubnetByte::Protocol, protocol);
    const SerialGroup g = serialGroup(c, protocol);
    field(SubnetByte::Baud, encodeValue(ValueTable::SubnetBaud, g.baud));
    field(SubnetByte::DataBits, encodeValue(ValueTable::DataBits, g.dataBits));
    field(SubnetByte::Parity, encodeValue(ValueTable::Parity, g.parity));
    field(SubnetByte::StopBits, encodeValue(ValueTable::StopBits, g.stopBits));
    if (slave) {
        field(SubnetByte::OwnAddress, low8(decimalValue(c.ownAddress)));
        field(SubnetByte::Mode, encodeValue(ValueTable::CommMode, c.slaveMode));
    }
    if (master) {
        field(SubnetByte::Mode, encodeValue(ValueTable::CommMode, c.masterMode));
        field16(SubnetByte::ResponseTimeout, decimalValue(c.responseTimeout));
        field(SubnetByte::PollDelay, tensOfMillis(c.pollDelay));
        field(SubnetByte::OutputMode, encodeValue(ValueTable::OutputMode, c.outputMode));
        field(SubnetByte::PulseTime, tensOfMillis(c.pulseTime));
        field(SubnetByte::ScanRatio, low8(decimalValue(c.scanRatio)));
    }
    if (extended) {
        if (user) {
            field(SubnetByte::CommandStatusOrFrameType, is(c.frameType, StrId::FrameLength) ? 1 : 0);
            field16(SubnetByte::CharTimeout, decimalValue(c.charTimeout));
            field(SubnetByte::FrameLength, low8(decimalValue(c.frameLength)));
            field(SubnetByte::AutoSend, encodeValue(ValueTable::Switch, c.autoSend));
            field16(SubnetByte::AutoSendPeriod, decimalValue(c.autoSendPeriod));
            field(SubnetByte::CrcCheck, encodeValue(ValueTable::Switch, c.crcCheck));
        } else {
            // The status bytes are a setting of the first subnet's Modbus master, whichever
            // subnet this frame is for.
            const CONFIG &first = store.subnet(0);
            if (is(first.protocol, StrId::ProtocolModbusMaster))
                field(SubnetByte::CommandStatusOrFrameType, low8(decimalValue(first.commandStatus)));
        }
        field(SubnetByte::CommInterface, encodeValue(ValueTable::CommInterface, c.commInterface));
    }
    return w.seal();
}

Frame buildReadSubnet(int subnet) { return subnetRequest(SerialCode::ReadSubnet, subnet); }

Frame buildClearCommands(int subnet)
{
    FrameWriter w(SerialCode::ClearCommands, 3);
    w.put(2, low8(static_cast<std::uint32_t>(subnet)));
    w.put(3, 0x55);
    w.put(4, 0xAA);
    return w.seal();
}

Frame buildWriteCommand(const ConfigStore &store, int subnet, int index)
{
    const COMMAND &c = store.command(subnet, index + 1);
    const bool dataFilter = profileOf(store).dataFilterVocabulary;
    FrameWriter w(SerialCode::WriteCommand, static_cast<std::uint8_t>(kCommandFrameSize - 3));
    w.put(2, low8(static_cast<std::uint32_t>(subnet)));
    w.put(3, low8(static_cast<std::uint32_t>(index)));
    auto field = [&w](std::size_t recordByte, std::uint8_t v) { w.put(recordByte + kCommandFrameFieldOffset, v); };
    auto field16 = [&w](std::size_t recordByte, std::uint32_t v) {
        w.put16(recordByte + kCommandFrameFieldOffset, low16(v));
    };
    field(CommandByte::SlaveAddress, low8(decimalValue(c.slaveAddress)));
    field(CommandByte::FunctionCode, low8(decimalValue(c.functionCode)));
    field16(CommandByte::StartAddress, decimalValue(c.startAddress));
    field16(CommandByte::Quantity, decimalValue(c.quantity));
    field16(CommandByte::MappingAddress, hexValue(c.mappingAddress));
    field(CommandByte::MappingBit, low8(decimalValue(c.mappingBit)));
    field(CommandByte::ScanType, encodeValue(ValueTable::ScanType, c.scanType));
    field(CommandByte::DataFormat,
          encodeValue(dataFilter ? ValueTable::DataFilter : ValueTable::ByteExchange, c.dataFormat));
    return w.seal();
}

Frame buildReadCommandCount(int subnet) { return subnetRequest(SerialCode::ReadCommandCount, subnet); }

Frame buildReadCommandBlock(int subnet, int block)
{
    FrameWriter w(SerialCode::ReadCommandBlock, 2);
    w.put(2, low8(static_cast<std::uint32_t>(subnet)));
    w.put(3, low8(static_cast<std::uint32_t>(block)));
    return w.seal();
}

Frame buildWriteTimeoutAction(const ConfigStore &store)
{
    const CONFIG &first = store.subnet(0);
    std::uint8_t value;
    if (profileOf(store).faultResetModel)
        value = is(first.doubleFaultReset, StrId::Disable) ? 0 : 1;
    else
        value = is(first.timeoutAction, StrId::TimeoutHoldData) ? 0 : low8(decimalValue(first.timeoutCount));
    FrameWriter w(SerialCode::WriteTimeoutAction, 1);
    w.put(2, value);
    return w.seal();
}

Frame buildReadTimeoutAction() { return emptyRequest(SerialCode::ReadTimeoutAction); }

Frame buildWriteProfibusConfigData(const ConfigStore &store)
{
    FrameWriter w(SerialCode::WriteProfibusConfigData, static_cast<std::uint8_t>(kProfibusConfigFrameSize - 3));
    if (!is(store.fieldbus.profibusConfigMode, StrId::ProfibusUseBytesSelection)) {
        const std::vector<std::uint8_t> bytes = profibusConfigBytes(store.fieldbus.profibusConfigData);
        w.put(2, static_cast<std::uint8_t>(bytes.size()));
        for (std::size_t i = 0; i < bytes.size(); ++i)
            w.put(3 + i, bytes[i]);
    }
    return w.seal();
}

Frame buildReadProfibusConfigData() { return emptyRequest(SerialCode::ReadProfibusConfigData); }

Frame buildWriteCharIntervals(const ConfigStore &store)
{
    const CONFIG &first = store.subnet(0);
    FrameWriter w(SerialCode::WriteCharIntervals, 4);
    w.put16(2, low16(decimalValue(first.charIntervalSend)));
    w.put16(4, low16(decimalValue(first.charIntervalReceive)));
    return w.seal();
}

Frame buildReadCharIntervals() { return emptyRequest(SerialCode::ReadCharIntervals); }

} // namespace tqv
