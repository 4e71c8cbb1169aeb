#include "EthernetImageCodec.h"

#include "ValueCodes.h"

#include "resources/Strings.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace tqvsim {

using tqv::CONFIG;
using tqv::ConfigStore;
using tqv::StrId;
using M = EthernetMessage;

namespace {

using IpField = std::string tqv::FIELDBUS::*;

struct AddressField {
    std::size_t offset;
    IpField member;
    const char *fallback; // what an address of all ones reads back as
};

constexpr AddressField kAddresses[] = {
    {EthernetImageCodec::kIpAddress, &tqv::FIELDBUS::ipAddress, "192.168.0.10"},
    {EthernetImageCodec::kSubnetMask, &tqv::FIELDBUS::subnetMask, "255.255.255.0"},
    {EthernetImageCodec::kGatewayAddress, &tqv::FIELDBUS::gatewayAddress, "192.168.0.1"},
    {EthernetImageCodec::kDns1, &tqv::FIELDBUS::dns1, "0.0.0.0"},
    {EthernetImageCodec::kDns2, &tqv::FIELDBUS::dns2, "0.0.0.0"},
};

// A code table whose last code stands for every text not listed before it.
struct CodeTable {
    std::span<const StrId> texts; // for the codes first, first + 1, ...
    std::uint32_t first;
};

std::uint8_t codeOf(const CodeTable &table, const std::string &text)
{
    for (std::size_t i = 0; i < table.texts.size(); ++i)
        if (tqv::text(table.texts[i]) == text)
            return static_cast<std::uint8_t>(table.first + i);
    return static_cast<std::uint8_t>(table.first + table.texts.size() - 1);
}

std::string textOf(const CodeTable &table, std::uint32_t code)
{
    const std::size_t last = table.texts.size() - 1;
    const std::size_t index = code < table.first ? last : std::min<std::size_t>(code - table.first, last);
    return tqv::text(table.texts[index]);
}

constexpr StrId kIpAssignTexts[] = {StrId::IpManualAssign, StrId::IpDhcp, StrId::IpBootp};
constexpr StrId kParityTexts[] = {StrId::ParityNone, StrId::ParityOdd, StrId::ParityEven, StrId::ParityMark,
                                  StrId::ParitySpace};
constexpr StrId kOutputModeTexts[] = {StrId::OutputCycle, StrId::OutputForbidden, StrId::OutputChangeOfValue};
constexpr StrId kScanTypeTexts[] = {StrId::ScanQuick, StrId::ScanSlow};
constexpr StrId kDataFormatTexts[] = {StrId::FormatNonExchange, StrId::FormatDoubleByteExchange,
                                      StrId::FormatFourByteExchange};

constexpr CodeTable kIpAssignCodes{kIpAssignTexts, 0};
constexpr CodeTable kParityCodes{kParityTexts, 0};
constexpr CodeTable kOutputModeCodes{kOutputModeTexts, 1};
constexpr CodeTable kScanTypeCodes{kScanTypeTexts, 0};
constexpr CodeTable kDataFormatCodes{kDataFormatTexts, 0};

std::size_t block(int subnet) { return EthernetImageCodec::kSubnetBlocks + EthernetImageCodec::kBlockSize * subnet; }
std::size_t serial(int subnet) { return EthernetImageCodec::kSerialParameters + 8 * static_cast<std::size_t>(subnet); }
std::size_t slot(int subnet, int index)
{
    return block(subnet) + EthernetImageCodec::kSlots + EthernetImageCodec::kSlotSize * static_cast<std::size_t>(index);
}

std::uint8_t low8(std::uint32_t v) { return static_cast<std::uint8_t>(v); }
std::uint16_t low16(std::uint32_t v) { return static_cast<std::uint16_t>(v); }
// 32-bit fields read back as signed numbers, bytes and words as unsigned ones.
std::string signedText(std::uint32_t v) { return std::to_string(static_cast<std::int32_t>(v)); }
std::string dec(std::uint32_t v) { return std::to_string(v); }

std::string addressText(std::span<const std::uint8_t> m, std::size_t offset)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", m[offset], m[offset + 1], m[offset + 2], m[offset + 3]);
    return text;
}

} // namespace

std::uint32_t EthernetImageCodec::number(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

std::optional<std::array<std::uint8_t, 4>> EthernetImageCodec::parseAddress(std::string_view text)
{
    std::array<std::uint8_t, 4> bytes{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        std::uint32_t value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits <= 3) {
            value = value * 10u + static_cast<std::uint32_t>(text[pos++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return std::nullopt;
        bytes[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size())
        return std::nullopt;
    return bytes;
}

std::array<std::uint8_t, 4> EthernetImageCodec::addressBytes(std::string_view text)
{
    return parseAddress(text).value_or(std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF});
}

std::optional<int> EthernetImageCodec::commandsOverflow(const ConfigStore &store)
{
    for (int k = 0; k < kSubnets; ++k)
        if (store.subnets[static_cast<std::size_t>(k)].commandCount > kSlotCount)
            return k;
    return std::nullopt;
}

Bytes EthernetImageCodec::encode(const ConfigStore &s)
{
    Bytes m = M::make(M::kWriteConfig, M::kImageLength);
    const tqv::FIELDBUS &f = s.fieldbus;
    m[kIpAssignMode] = codeOf(kIpAssignCodes, f.ipAssignMode);
    for (const AddressField &a : kAddresses)
        std::ranges::copy(addressBytes(f.*a.member), m.begin() + static_cast<std::ptrdiff_t>(a.offset));

    for (int k = 0; k < kSubnets; ++k) {
        const CONFIG &c = s.subnets[static_cast<std::size_t>(k)];
        M::put32(m, serial(k), number(c.masterBaud));
        m[serial(k) + 4] = low8(number(c.masterDataBits));
        m[serial(k) + 5] = codeOf(kParityCodes, c.masterParity);
        m[serial(k) + 6] = low8(number(c.masterStopBits));

        const std::size_t b = block(k);
        M::put32(m, b + kResponseTimeout, number(c.responseTimeout));
        M::put32(m, b + kPollDelay, number(c.pollDelay));
        M::put32(m, b + kOutputMode, codeOf(kOutputModeCodes, c.outputMode));
        M::put32(m, b + kScanRatio, number(c.scanRatio));
        const int count = std::clamp(c.commandCount, 0, kSlotCount);
        M::put32(m, b + kCommandCount, static_cast<std::uint32_t>(count));
        for (int i = 0; i < count; ++i) {
            const tqv::COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            const std::size_t o = slot(k, i);
            m[o] = low8(number(cmd.slaveAddress));
            m[o + 1] = low8(number(cmd.functionCode));
            M::put16(m, o + 2, low16(number(cmd.startAddress)));
            M::put16(m, o + 4, low16(number(cmd.quantity)));
            M::put16(m, o + 6, low16(ValueCodes::hexadecimal(cmd.mappingAddress)));
            m[o + 8] = low8(number(cmd.mappingBit));
            m[o + 9] = codeOf(kScanTypeCodes, cmd.scanType);
            m[o + 10] = codeOf(kDataFormatCodes, cmd.dataFormat);
        }
    }
    return m;
}

std::optional<std::string> EthernetImageCodec::problemWith(std::span<const std::uint8_t> m)
{
    if (m.size() != M::kImageSize)
        return "an image of " + std::to_string(m.size()) + " bytes instead of " + std::to_string(M::kImageSize);
    if (const std::uint32_t length = M::get32(m, 4); length != M::kImageLength)
        return "an image announcing " + std::to_string(length) + " bytes instead of " +
               std::to_string(M::kImageLength);
    for (int k = 0; k < kSubnets; ++k)
        if (const std::uint32_t count = M::get32(m, block(k) + kCommandCount); count > kSlotCount)
            return "subnet " + std::to_string(k + 1) + " with " + std::to_string(count) +
                   " commands, more than the " + std::to_string(kSlotCount) + " an image holds";
    return std::nullopt;
}

bool EthernetImageCodec::apply(std::span<const std::uint8_t> m, ConfigStore &s)
{
    if (problemWith(m))
        return false;
    s.gatewayType = 4;
    s.fieldbus.fieldbusType = tqv::text(StrId::FieldbusEtherNetIp);
    s.fieldbus.ipAssignMode = textOf(kIpAssignCodes, m[kIpAssignMode]);
    for (const AddressField &a : kAddresses) {
        const bool allOnes = std::all_of(m.begin() + static_cast<std::ptrdiff_t>(a.offset),
                                         m.begin() + static_cast<std::ptrdiff_t>(a.offset + 4),
                                         [](std::uint8_t b) { return b == 0xFF; });
        s.fieldbus.*a.member = allOnes ? a.fallback : addressText(m, a.offset);
    }

    for (int k = 0; k < kSubnets; ++k) {
        CONFIG &c = s.subnets[static_cast<std::size_t>(k)];
        c.masterBaud = signedText(M::get32(m, serial(k)));
        c.masterDataBits = dec(m[serial(k) + 4]);
        c.masterParity = textOf(kParityCodes, m[serial(k) + 5]);
        c.masterStopBits = dec(m[serial(k) + 6]);

        const std::size_t b = block(k);
        c.responseTimeout = signedText(M::get32(m, b + kResponseTimeout));
        c.pollDelay = signedText(M::get32(m, b + kPollDelay));
        c.outputMode = textOf(kOutputModeCodes, M::get32(m, b + kOutputMode));
        c.scanRatio = signedText(M::get32(m, b + kScanRatio));
        c.protocol = tqv::text(StrId::ProtocolModbusMaster);
        c.masterMode = "RTU";
        c.commandCount = static_cast<std::int32_t>(M::get32(m, b + kCommandCount));

        // Nodes follow the slave addresses in order of first use. The upload names them with a
        // fixed "Node-" whatever the language, unlike nodes named in the editor.
        c.nodeCount = 0;
        for (int i = 0; i < c.commandCount; ++i) {
            const std::size_t o = slot(k, i);
            const std::string slave = dec(m[o]);
            int node = 0;
            while (node < c.nodeCount && c.nodes[static_cast<std::size_t>(node)].address != slave)
                ++node;
            if (node == c.nodeCount) {
                c.nodes[static_cast<std::size_t>(node)] = tqv::NODE{slave, "Node-" + slave};
                ++c.nodeCount;
            }
            tqv::COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            cmd.slaveAddress = slave;
            cmd.functionCode = dec(m[o + 1]);
            cmd.startAddress = dec(M::get16(m, o + 2));
            cmd.quantity = dec(M::get16(m, o + 4));
            cmd.mappingAddress = ValueCodes::hexText(M::get16(m, o + 6));
            cmd.mappingBit = dec(m[o + 8]);
            cmd.scanType = textOf(kScanTypeCodes, m[o + 9]);
            cmd.dataFormat = textOf(kDataFormatCodes, m[o + 10]);
            cmd.nodeNumber = node + 1;
        }
    }
    return true;
}

} // namespace tqvsim
