#include "MemoryCodec.h"

#include "GatewayModel.h"
#include "ValueCodes.h"

#include "resources/Strings.h"

#include <algorithm>
#include <cstdio>

namespace tqvsim {

using tqv::CONFIG;
using tqv::ConfigStore;
using tqv::StrId;

namespace {

std::uint8_t low8(std::uint32_t v) { return static_cast<std::uint8_t>(v & 0xFFu); }
std::uint8_t high8(std::uint32_t v) { return static_cast<std::uint8_t>((v >> 8) & 0xFFu); }
std::uint32_t word(std::uint8_t high, std::uint8_t low) { return (std::uint32_t{high} << 8) | low; }
std::string dec(std::uint32_t v) { return std::to_string(v); }

// The serial parameters of one protocol group of a subnet.
struct SerialGroup {
    std::string CONFIG::*baud;
    std::string CONFIG::*dataBits;
    std::string CONFIG::*parity;
    std::string CONFIG::*stopBits;
};

// Each protocol keeps its own set of serial parameters; nothing for a code outside the table.
const SerialGroup *groupOf(std::uint8_t protocol)
{
    static const SerialGroup kGroups[] = {
        {&CONFIG::masterBaud, &CONFIG::masterDataBits, &CONFIG::masterParity, &CONFIG::masterStopBits},
        {&CONFIG::slaveBaud, &CONFIG::slaveDataBits, &CONFIG::slaveParity, &CONFIG::slaveStopBits},
        {&CONFIG::customBaud, &CONFIG::customDataBits, &CONFIG::customParity, &CONFIG::customStopBits},
        {&CONFIG::userBaud, &CONFIG::userDataBits, &CONFIG::userParity, &CONFIG::userStopBits},
    };
    return protocol < std::size(kGroups) ? &kGroups[protocol] : nullptr;
}

// Function codes of commands that fill the input buffer ("1".."4") and those that empty the
// output buffer ("5", "6", "15", "16"); compared as the exact stored texts.
bool isRead(const std::string &fc) { return fc == "1" || fc == "2" || fc == "3" || fc == "4"; }
bool isWrite(const std::string &fc) { return fc == "5" || fc == "6" || fc == "15" || fc == "16"; }

std::uint32_t byteCountOf(const tqv::COMMAND &cmd)
{
    const std::uint32_t n = ValueCodes::decimal(cmd.quantity);
    const std::string &fc = cmd.functionCode;
    if (fc == "1" || fc == "2" || fc == "15")
        return n / 8 + (n % 8 != 0 ? 1 : 0);
    if (fc == "3" || fc == "4" || fc == "16")
        return 2 * n;
    if (fc == "5")
        return 1;
    if (fc == "6")
        return 2;
    return ValueCodes::decimal(cmd.byteCount);
}

int usedCount(std::int32_t count) { return std::clamp<std::int32_t>(count, 0, kMaxCommandsPerSubnet); }

Bytes encodeSubnet(const ConfigStore &s, int index, bool extended)
{
    const CONFIG &c = s.subnets[static_cast<std::size_t>(index)];
    Bytes b(extended ? kExtendedSubnetFields : kShortSubnetFields, 0);
    const std::uint8_t protocol = ValueCodes::protocol(c.protocol);
    const SerialGroup &g = *groupOf(protocol);
    b[0] = protocol;
    b[1] = ValueCodes::subnetBaud(c.*g.baud);
    b[2] = ValueCodes::dataBits(c.*g.dataBits);
    b[3] = ValueCodes::parity(c.*g.parity);
    b[4] = ValueCodes::stopBits(c.*g.stopBits);
    if (protocol == ValueCodes::kModbusSlave) {
        b[5] = low8(ValueCodes::decimal(c.ownAddress));
        b[6] = ValueCodes::commMode(c.slaveMode);
    }
    if (protocol == ValueCodes::kModbusMaster) {
        b[6] = ValueCodes::commMode(c.masterMode);
        const std::uint32_t timeout = ValueCodes::decimal(c.responseTimeout);
        b[7] = high8(timeout);
        b[8] = low8(timeout);
        b[9] = low8(ValueCodes::decimal(c.pollDelay) / 10);
        b[10] = ValueCodes::outputMode(c.outputMode);
        b[11] = low8(ValueCodes::decimal(c.pulseTime) / 10);
        b[12] = low8(ValueCodes::decimal(c.scanRatio));
    }
    if (!extended)
        return b;
    if (protocol == ValueCodes::kUserConfig) {
        b[13] = c.frameType == tqv::text(StrId::FrameLength) ? 1 : 0;
        const std::uint32_t charTimeout = ValueCodes::decimal(c.charTimeout);
        b[14] = high8(charTimeout);
        b[15] = low8(charTimeout);
        b[16] = low8(ValueCodes::decimal(c.frameLength));
        b[17] = ValueCodes::onOff(c.autoSend);
        const std::uint32_t period = ValueCodes::decimal(c.autoSendPeriod);
        b[18] = high8(period);
        b[19] = low8(period);
        b[20] = ValueCodes::onOff(c.crcCheck);
    } else if (index == 0 && protocol == ValueCodes::kModbusMaster) {
        // Command-status bytes belong to the first subnet; "Disable" has no digits and gives 0.
        b[13] = low8(ValueCodes::decimal(c.commandStatus));
    }
    b[21] = ValueCodes::commInterface(c.commInterface);
    return b;
}

void decodeSubnet(const Bytes &b, CONFIG &c, int index)
{
    const bool extended = b.size() >= kExtendedSubnetFields;
    const std::uint8_t protocol = b[0];
    const SerialGroup *g = groupOf(protocol);
    if (!g)
        return; // a protocol this gateway family does not know: nothing to read the rest by
    c.protocol = *ValueCodes::protocolText(protocol);
    if (auto baud = ValueCodes::subnetBaudText(b[1]))
        c.*g->baud = *baud;
    c.*g->dataBits = ValueCodes::dataBitsText(b[2]);
    if (auto parity = ValueCodes::parityText(b[3]))
        c.*g->parity = *parity;
    c.*g->stopBits = ValueCodes::stopBitsText(b[4]);

    if (protocol == ValueCodes::kModbusMaster) {
        c.masterMode = ValueCodes::commModeText(b[6]);
        c.responseTimeout = dec(word(b[7], b[8]));
        c.pollDelay = dec(b[9] * 10u);
        if (auto mode = ValueCodes::outputModeText(b[10]))
            c.outputMode = *mode;
        if (b[10] == ValueCodes::kPulseOutput)
            c.pulseTime = dec(b[11] * 10u);
        c.scanRatio = dec(b[12]);
        if (extended && index == 0) {
            if (b[13] == 0)
                c.commandStatus = tqv::text(StrId::Disable);
            else if (b[13] <= 6)
                c.commandStatus = dec(b[13]) + tqv::text(StrId::Bytes);
        }
    } else if (protocol == ValueCodes::kModbusSlave) {
        c.ownAddress = dec(b[5]);
        c.slaveMode = ValueCodes::commModeText(b[6]);
    } else if (protocol == ValueCodes::kUserConfig && extended) {
        c.frameType = tqv::text(b[13] != 0 ? StrId::FrameLength : StrId::FrameCharTimeout);
        c.charTimeout = dec(word(b[14], b[15]));
        c.frameLength = dec(b[16]);
        c.autoSend = ValueCodes::onOffText(b[17]);
        c.autoSendPeriod = dec(word(b[18], b[19]));
        c.crcCheck = ValueCodes::onOffText(b[20]);
    }
    // Every protocol's frame carries the interface byte, so every protocol reads it back.
    if (extended) {
        c.commInterface = ValueCodes::commInterfaceText(b[21]);
        c.debugInterface = ValueCodes::debugInterfaceText(b[21]);
    }
}

void decodeCommands(const CommandList &list, CONFIG &c, bool dataFilter)
{
    c.nodeCount = 0;
    c.commandCount = usedCount(list.count);
    const std::string prefix = tqv::text(StrId::NodeNamePrefix);
    for (int i = 0; i < c.commandCount; ++i) {
        const CommandRecord &r = list.records[static_cast<std::size_t>(i)];
        tqv::COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
        const std::string slave = dec(r[0]);
        // Nodes come from the commands: one per slave address, in order of first use.
        int node = 0;
        while (node < c.nodeCount && c.nodes[static_cast<std::size_t>(node)].address != slave)
            ++node;
        if (node == c.nodeCount) {
            c.nodes[static_cast<std::size_t>(node)] = tqv::NODE{slave, prefix + slave};
            ++c.nodeCount;
        }
        cmd.slaveAddress = slave;
        cmd.functionCode = dec(r[1]);
        cmd.startAddress = dec(word(r[2], r[3]));
        cmd.quantity = dec(word(r[4], r[5]));
        cmd.mappingAddress = ValueCodes::hexText(word(r[6], r[7]));
        cmd.mappingBit = dec(r[8]);
        cmd.scanType = ValueCodes::scanTypeText(r[9]);
        if (auto format = ValueCodes::dataFormatText(r[10], dataFilter))
            cmd.dataFormat = *format;
        cmd.nodeNumber = node + 1;
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0; // any other character counts as 0
}

} // namespace

MemoryCodec::Lengths MemoryCodec::lengthsInUse(const CONFIG &first)
{
    Lengths lengths;
    if (first.protocol != tqv::text(StrId::ProtocolModbusMaster))
        return lengths;
    for (int i = 0; i < usedCount(first.commandCount); ++i) {
        const tqv::COMMAND &cmd = first.commands[static_cast<std::size_t>(i)];
        const std::uint32_t end = ValueCodes::hexadecimal(cmd.mappingAddress) + byteCountOf(cmd);
        if (isRead(cmd.functionCode))
            lengths.input = std::max(lengths.input, end);
        else if (isWrite(cmd.functionCode) && end > 0x4000)
            lengths.output = std::max(lengths.output, end - 0x4000);
    }
    return lengths;
}

std::array<std::uint8_t, kProfibusConfigSize> MemoryCodec::profibusConfigBytes(std::string_view text)
{
    std::array<std::uint8_t, kProfibusConfigSize> out{};
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < text.size() && n < 8; i += 3)
        out[1 + n++] = static_cast<std::uint8_t>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1]));
    out[0] = static_cast<std::uint8_t>(n);
    return out;
}

GatewayMemory MemoryCodec::encode(const ConfigStore &s)
{
    const GatewayModel model(s.gatewayType);
    const tqv::FIELDBUS &f = s.fieldbus;
    const CONFIG &first = s.subnets[0];
    GatewayMemory m;

    m.deviceNet = {low8(ValueCodes::decimal(f.deviceNetAddress)), ValueCodes::deviceNetBaud(f.deviceNetBaud),
                   ValueCodes::deviceNetInputSize(f.inputSize), ValueCodes::deviceNetOutputSize(f.outputSize)};

    if (s.modelFlag7) {
        const Lengths lengths = lengthsInUse(first);
        m.profibus = {low8(lengths.input), low8(lengths.output)};
    } else {
        m.profibus = {ValueCodes::profibusSize(f.inputSize), ValueCodes::profibusSize(f.outputSize)};
    }
    if (model.profibusParameterLength() == 3)
        m.profibus.push_back(ValueCodes::onOff(first.inputLengthPrefix));

    const bool extended = model.extendedSubnetForm(s.modelFlag2);
    for (int k = 0; k < model.subnetCount(); ++k) {
        const CONFIG &c = s.subnets[static_cast<std::size_t>(k)];
        m.subnetFields[static_cast<std::size_t>(k)] = encodeSubnet(s, k, extended);
        CommandList &list = m.commands[static_cast<std::size_t>(k)];
        list.count = usedCount(c.commandCount);
        for (int i = 0; i < list.count; ++i) {
            const tqv::COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            const std::uint32_t start = ValueCodes::decimal(cmd.startAddress);
            const std::uint32_t quantity = ValueCodes::decimal(cmd.quantity);
            const std::uint32_t mapping = ValueCodes::hexadecimal(cmd.mappingAddress);
            list.records[static_cast<std::size_t>(i)] = {
                low8(ValueCodes::decimal(cmd.slaveAddress)),
                low8(ValueCodes::decimal(cmd.functionCode)),
                high8(start), low8(start),
                high8(quantity), low8(quantity),
                high8(mapping), low8(mapping),
                low8(ValueCodes::decimal(cmd.mappingBit)),
                ValueCodes::scanType(cmd.scanType),
                ValueCodes::dataFormat(cmd.dataFormat),
            };
        }
    }

    if (s.modelFlag4)
        m.timeoutValue = first.doubleFaultReset == tqv::text(StrId::Disable) ? 0 : 1;
    else
        m.timeoutValue = first.timeoutAction == tqv::text(StrId::TimeoutHoldData)
                             ? 0
                             : low8(ValueCodes::decimal(first.timeoutCount));

    if (f.profibusConfigMode != tqv::text(StrId::ProfibusUseBytesSelection))
        m.profibusConfig = profibusConfigBytes(f.profibusConfigData);

    const std::uint32_t send = ValueCodes::decimal(first.charIntervalSend);
    const std::uint32_t receive = ValueCodes::decimal(first.charIntervalReceive);
    m.charIntervals = {high8(send), low8(send), high8(receive), low8(receive)};
    return m;
}

void MemoryCodec::decode(const GatewayMemory &m, ConfigStore &s)
{
    const GatewayModel model(s.gatewayType);
    s.resetToDefaults();
    s.applyFieldbusType();
    s.fileVersion = 500;
    tqv::FIELDBUS &f = s.fieldbus;
    CONFIG &first = s.subnets[0];

    if (model.hasDeviceNetFieldbus()) {
        f.deviceNetAddress = dec(m.deviceNet[0]);
        if (auto baud = ValueCodes::deviceNetBaudText(m.deviceNet[1]))
            f.deviceNetBaud = *baud;
        if (auto input = ValueCodes::deviceNetInputSizeText(m.deviceNet[2]))
            f.inputSize = *input;
        if (auto output = ValueCodes::deviceNetOutputSizeText(m.deviceNet[3]))
            f.outputSize = *output;
    }
    if (model.hasProfibusFieldbus()) {
        // Under modelFlag7 the two bytes are the lengths in use, not size codes: the sizes are
        // then fixed by the PROFIBUS master and keep their defaults.
        if (!s.modelFlag7 && m.profibus.size() >= 2) {
            f.inputSize = ValueCodes::profibusSizeText(m.profibus[0]);
            f.outputSize = ValueCodes::profibusSizeText(m.profibus[1]);
        }
        if (m.profibus.size() >= 3)
            first.inputLengthPrefix = ValueCodes::onOffText(m.profibus[2]);
    }

    const bool dataFilter = s.gatewayType == 3 || s.modelFlag1;
    for (int k = 0; k < model.subnetCount(); ++k) {
        const Bytes &fields = m.subnetFields[static_cast<std::size_t>(k)];
        CONFIG &c = s.subnets[static_cast<std::size_t>(k)];
        if (fields.size() >= kShortSubnetFields)
            decodeSubnet(fields, c, k);
        decodeCommands(m.commands[static_cast<std::size_t>(k)], c, dataFilter);
    }

    if (s.modelFlag4) {
        first.doubleFaultReset = ValueCodes::onOffText(m.timeoutValue);
    } else if (m.timeoutValue > 0) {
        first.timeoutAction = tqv::text(StrId::TimeoutClearData);
        first.timeoutCount = dec(m.timeoutValue);
    } else {
        first.timeoutAction = tqv::text(StrId::TimeoutHoldData);
    }

    const std::size_t n = std::min<std::size_t>(m.profibusConfig[0], 8);
    f.profibusConfigMode = tqv::text(n > 0 ? StrId::ProfibusInputConfigData : StrId::ProfibusUseBytesSelection);
    f.profibusConfigData.clear();
    for (std::size_t i = 0; i < n; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x ", static_cast<unsigned>(m.profibusConfig[1 + i]));
        f.profibusConfigData += pair;
    }

    first.charIntervalSend = dec(word(m.charIntervals[0], m.charIntervals[1]));
    first.charIntervalReceive = dec(word(m.charIntervals[2], m.charIntervals[3]));
}

} // namespace tqvsim
